// Draws the image window at work (connected to the built-in simulator, its
// slot list read, the sample logo loaded from the Norix and painted on) at
// its default and at its smallest size, and saves both as PNGs. Not a test;
// run it by hand:   image_window_screenshot DEFAULT.png SMALLEST.png [PICTURE]
// With a PICTURE, that picture is imported after the logo was loaded.

#include "gui/images/ImageManagerView.h"
#include "gui/images/ImagePixelView.h"
#include "screenshots/ScreenshotDevice.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdio>

namespace {

bool save(QWidget& window, const char* path) {
    QTest::qWait(200);
    return window.grab().save(QString::fromLocal8Bit(path), "PNG");
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: image_window_screenshot DEFAULT.png SMALLEST.png [PICTURE]\n");
        return 2;
    }
    QApplication app(argc, argv);
    norix::screenshots::ScreenshotDevice norix;
    if (!norix.start(true))
        return 1;
    norix::NorixConnection& device = norix.device;
    norix::ImageManagerView window(device);
    window.show();
    auto& images = device.images();
    norix::screenshots::serveUntil([&] { return !images.isLoadingImageList(); });
    window.slotList()->setCurrentRow(0);
    QTest::mouseClick(window.loadNorixButton(), Qt::LeftButton);
    if (!norix::screenshots::serveUntil([&] { return images.loadedNorixImage().has_value(); }))
        std::fprintf(stderr, "the simulator did not send its logo\n");
    auto& editor = window.editor();
    editor.zoomEditorIn();
    editor.zoomEditorIn();
    editor.setLeftDrawingColor({1.0, 0.8, 0.0});
    editor.setSelectedDrawingTool(norix::ImageDrawingTool::ellipse);
    editor.beginImageEdit();
    editor.applyDrawingTool(4, 4, false);
    editor.applyDrawingTool(59, 27, false);
    editor.finishImageEdit();
    if (argc == 4) {
        window.dialogs().askAboutUnsavedChanges = [] { return norix::UnsavedChoice::discard; };
        window.dialogs().choosePictureToImport = [&] {
            return std::optional(std::filesystem::path(argv[3]));
        };
        window.importPicture();
    }
    bool saved = save(window, argv[1]);
    window.resize(window.minimumSizeHint());
    saved = save(window, argv[2]) && saved;
    std::printf("default %dx%d, smallest %dx%d\n", norix::ImageManagerView::defaultWidth,
                norix::ImageManagerView::defaultHeight, window.width(), window.height());
    return saved ? 0 : 1;
}
