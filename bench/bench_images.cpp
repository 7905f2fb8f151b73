// The image window's hot paths: a flood fill over the whole display, one
// shape-preview step of a drag, repainting what a zoom-20 editor shows, and
// importing a 4,000 × 3,000 JPEG fitted into the Norix's 4,096 bytes.

#include "core/device/NorixConnection.h"
#include "core/images/ImageDrawing.h"
#include "core/images/ImageEditor.h"
#include "core/loop/ManualEventLoop.h"
#include "gui/images/ImagePixelView.h"
#include "pictures/PictureFile.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <benchmark/benchmark.h>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace norix {
namespace {

QApplication& application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_images";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv); // never destroyed, as Qt prefers
    return *app;
}

NorixImage fullImage() {
    std::vector<std::uint16_t> pixels(160 * 128);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint16_t>((i / 160) * 97 + (i % 160) * 13);
    return {"bench", 160, 128, pixels, {}};
}

void floodFillWholeImage(benchmark::State& state) {
    NorixImage image{"bench", 160, 128, std::vector<std::uint16_t>(160 * 128, 0), {}};
    std::uint16_t color = 0xFFFF;
    for (auto _ : state) {
        floodFill(image, 80, 64, color);
        color = color ? 0x0000 : 0xFFFF;
        benchmark::DoNotOptimize(image.imagePixels.data());
    }
}
BENCHMARK(floodFillWholeImage)->Unit(benchmark::kMicrosecond);

// One mouse movement of an ellipse drag across the whole image: the base
// pixels copied, the ellipse drawn on the copy.
void ellipsePreviewStep(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("norix-bench-images-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ManualEventLoop loop;
    NorixConnection device(loop, folder.string());
    ImageEditor editor(device.link(), device.images());
    editor.createNewImage({"bench", "160", "128"});
    editor.setSelectedDrawingTool(ImageDrawingTool::ellipse);
    editor.beginImageEdit();
    editor.applyDrawingTool(0, 0, false);
    std::int64_t step = 0;
    for (auto _ : state) {
        editor.applyDrawingTool(159 - (step & 1), 127, false);
        ++step;
    }
    editor.finishImageEdit();
    std::filesystem::remove_all(folder);
}
BENCHMARK(ellipsePreviewStep)->Unit(benchmark::kMicrosecond);

// What a 1200 × 850 window shows of the editor at zoom 20: its viewport, pixels and grid.
void repaintVisibleAtZoom20(benchmark::State& state) {
    application();
    QScrollArea scroller;
    auto* canvas = new ImagePixelView;
    canvas->setShowsGrid(true);
    canvas->setScale(20.0);
    const NorixImage image = fullImage();
    canvas->setImage(image.imagePixels, image.imageWidth, image.imageHeight);
    scroller.setWidget(canvas);
    scroller.resize(840, 620);
    scroller.show();
    QApplication::processEvents();
    const QRect visible = canvas->visibleRegion().boundingRect();
    QImage target(visible.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        canvas->render(&target, QPoint(), QRegion(visible));
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["visible_px"] = visible.width() * visible.height();
}
BENCHMARK(repaintVisibleAtZoom20)->Unit(benchmark::kMillisecond);

void importLargeJpeg(benchmark::State& state) {
    application();
    const auto file = std::filesystem::temp_directory_path() /
                      ("norix-bench-photo-" + std::to_string(::getpid()) + ".jpg");
    QImage photo(4000, 3000, QImage::Format_RGB888);
    for (int y = 0; y < photo.height(); ++y) {
        uchar* row = photo.scanLine(y);
        for (int x = 0; x < photo.width(); ++x) {
            const int texture = static_cast<int>(20.0 * std::sin(x * 0.01) * std::cos(y * 0.013));
            row[x * 3] = static_cast<uchar>(std::clamp(40 + x / 20 + texture, 0, 255));
            row[x * 3 + 1] = static_cast<uchar>(std::clamp(30 + y / 15 - texture, 0, 255));
            row[x * 3 + 2] = static_cast<uchar>(std::clamp(230 - y / 14, 0, 255));
        }
    }
    photo.save(QString::fromStdString(file.string()), "JPG", 90);
    std::size_t bytes = 0, colors = 0;
    for (auto _ : state) {
        const auto picture = readPictureFile(file);
        const PictureFit fit = fitPictureToNorix(*picture);
        bytes = fit.compressedData.size();
        colors = fit.colorCount;
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["colors"] = static_cast<double>(colors);
    std::filesystem::remove(file);
}
BENCHMARK(importLargeJpeg)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace norix
