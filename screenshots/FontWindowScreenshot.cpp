// Draws the font window at work (the example font open, a glyph chosen, text
// typed into the preview, connected to the built-in simulator) and saves it as
// a PNG. Not a test; run it by hand, optionally at another size:
//   font_window_screenshot docs/font-window.png [WIDTH HEIGHT]

#include "gui/fonts/FontManagerView.h"
#include "screenshots/ScreenshotDevice.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: font_window_screenshot OUTPUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorixGUI"));
    norix::screenshots::ScreenshotDevice norix;
    if (!norix.start(true))
        return 1;
    norix::NorixConnection& device = norix.device;
    {
        norix::FontManagerView window(device);
        if (argc == 4)
            window.resize(std::atoi(argv[2]), std::atoi(argv[3]));
        window.show();
        window.editor().openFont(std::filesystem::path(NORIX_SOURCE_DIR) /
                                 "examples/fonts/Norix5x7.txt");
        window.editor().selectGlyph(33);
        window.previewTextField()->setText(QStringLiteral("Hello, Norix! 7400 PASS"));
        norix::screenshots::serveUntil([&] { return !device.fonts().isLoadingFontList(); });
        QTest::qWait(100);
        if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "could not write %s\n", argv[1]);
            return 1;
        }
    }
    device.link().disconnect(true, false);
    return 0;
}
