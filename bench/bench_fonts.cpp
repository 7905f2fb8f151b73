// The font window on the largest font it makes: one pixel toggled and every
// panel that shows it redrawn, reading that font from its file, and drawing
// the 95 printable glyphs of a desktop font into a Norix font.

#include "core/device/NorixConnection.h"
#include "core/fonts/FontEditor.h"
#include "core/fonts/FontFile.h"
#include "core/loop/ManualEventLoop.h"
#include "gui/fonts/DesktopFontImport.h"
#include "gui/fonts/FontManagerView.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace {

QApplication& application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_fonts";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals are gone by the time static objects are.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// 224 glyphs of 32 columns and 8 rows, every pixel drawn at random.
norix::LoadedFont largestFont() {
    std::mt19937 random(7);
    std::vector<std::uint64_t> columns(224 * 32);
    for (auto& column : columns)
        column = random() & 0xFF;
    return norix::LoadedFont("Large", 32, 8, std::move(columns));
}

// The font window on its own link, the largest font loaded, glyph 100 chosen
// and a line of preview text, everything painted once.
struct LargeFontWindow {
    LargeFontWindow() {
        window.show();
        window.editor().loadImportedFont(largestFont());
        window.editor().setPreviewText("The quick brown fox");
        window.editor().selectGlyph(100);
        QApplication::processEvents();
    }
    // Flips one pixel of row 3, walking along the columns.
    void toggle() {
        window.editor().toggleSelectedGlyphPixel(column, 3);
        column = (column + 1) % 32;
    }

    norix::ManualEventLoop loop;
    norix::NorixConnection device{(application(), loop)};
    norix::FontManagerView window{device};
    int column = 0;
};

// The window as a person uses it: the toggle, then Qt paints what it marked dirty.
void BM_TogglePixelAndRedrawTheWindow(benchmark::State& state) {
    LargeFontWindow f;
    for (auto _ : state) {
        f.toggle();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_TogglePixelAndRedrawTheWindow)->Unit(benchmark::kMillisecond);

// The worst case: after the toggle, every widget of the window is painted again.
void BM_TogglePixelAndRepaintEverything(benchmark::State& state) {
    LargeFontWindow f;
    for (auto _ : state) {
        f.toggle();
        f.window.repaint();
    }
}
BENCHMARK(BM_TogglePixelAndRepaintEverything)->Unit(benchmark::kMillisecond);

void BM_OpenTheLargestFontFile(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("norix-bench-font-" + std::to_string(::getpid()) + ".txt");
    if (norix::FontFile::save(largestFont(), path)) {
        state.SkipWithError("could not write the font file");
        return;
    }
    for (auto _ : state) {
        auto font = norix::FontFile::load(path);
        benchmark::DoNotOptimize(font);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenTheLargestFontFile)->Unit(benchmark::kMillisecond);

void BM_RenderADesktopFont(benchmark::State& state) {
    application();
    norix::DesktopFontOptions options;
    options.family = "DejaVu Sans Mono";
    options.width = 6;
    options.height = 8;
    options.glyphCount = 95;
    for (auto _ : state) {
        auto font = norix::renderDesktopFont(options);
        benchmark::DoNotOptimize(font);
    }
}
BENCHMARK(BM_RenderADesktopFont)->Unit(benchmark::kMillisecond);

} // namespace
