// Draws the font window at work (the example font open, a glyph chosen, text
// typed into the preview, connected to the built-in simulator) and saves it as
// a PNG. Not a test; run it by hand, optionally at another size:
//   font_window_screenshot docs/font-window.png [WIDTH HEIGHT]

#include "core/device/NorixConnection.h"
#include "core/link/SerialPortManager.h"
#include "gui/app/QtEventLoop.h"
#include "gui/fonts/FontManagerView.h"
#include "sim/BuiltInSimulator.h"

#include <QApplication>
#include <QElapsedTimer>
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
    norix::QtEventLoop loop;
    norix::NorixConnection device(loop);
    norix::SerialPortManager& link = device.link();
    norix::sim::BuiltInSimulator simulator(loop, link);
    if (!simulator.start() || !link.connect(simulator.portPath())) {
        std::fprintf(stderr, "simulator: %s\n", simulator.lastError().c_str());
        return 1;
    }
    {
        norix::FontManagerView window(device);
        if (argc == 4)
            window.resize(std::atoi(argv[2]), std::atoi(argv[3]));
        window.show();
        window.editor().openFont(std::filesystem::path(NORIX_SOURCE_DIR) /
                                 "examples/fonts/Norix5x7.txt");
        window.editor().selectGlyph(33);
        window.previewTextField()->setText(QStringLiteral("Hello, Norix! 7400 PASS"));
        QElapsedTimer timer;
        timer.start();
        while (device.fonts().isLoadingFontList() && timer.elapsed() < 15000)
            QTest::qWait(10);
        QTest::qWait(100);
        if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "could not write %s\n", argv[1]);
            return 1;
        }
    }
    link.disconnect(true, false);
    return 0;
}
