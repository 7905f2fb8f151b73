// Draws the main window as a user first sees it at work (an example chip
// loaded, connected to the built-in simulator, the pin picker open) and saves
// it as a PNG: the picture in the README. Not a test; run it by hand:
//   gui_screenshot docs/main-window.png [WIDTHxHEIGHT] [--settings] [--dark]
// With a size, the window is drawn at that size; with --settings, the
// settings window is drawn instead (at that size, if one is given); with
// --dark, in the colours of a dark desktop theme.

#include "core/chips/ChipSession.h"
#include "core/language/PinPicker.h"
#include "gui/app/AppMenus.h"
#include "gui/app/CodePanel.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/ContentView.h"
#include "gui/app/NorixToolsMenu.h"
#include "gui/editor/CodeEditor.h"
#include "gui/editor/OpcodePanelView.h"
#include "screenshots/ScreenshotDevice.h"

#include <QApplication>
#include <QPalette>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr,
                     "usage: gui_screenshot OUTPUT.png [WIDTHxHEIGHT] [--settings] [--dark]\n");
        return 2;
    }
    QSize size;
    bool sizeGiven = false;
    bool settingsWindow = false;
    bool dark = false;
    for (int i = 2; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QStringLiteral("--settings")) {
            settingsWindow = true;
            continue;
        }
        if (argument == QStringLiteral("--dark")) {
            dark = true;
            continue;
        }
        const QStringList parts = argument.split(QLatin1Char('x'));
        if (parts.size() == 2) {
            size = QSize(parts[0].toInt(), parts[1].toInt());
            sizeGiven = true;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorixGUI"));
    if (dark) {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(0x2D, 0x2D, 0x30));
        palette.setColor(QPalette::WindowText, QColor(0xE6, 0xE6, 0xE6));
        palette.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
        palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
        palette.setColor(QPalette::Text, QColor(0xE6, 0xE6, 0xE6));
        palette.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3D));
        palette.setColor(QPalette::ButtonText, QColor(0xE6, 0xE6, 0xE6));
        QApplication::setPalette(palette);
    }
    // A picture of the app as it first starts, not of this user's remembered layout.
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    norix::screenshots::ScreenshotDevice norix;
    if (!norix.start(false))
        return 1;
    norix::NorixConnection& device = norix.device;
    norix::ChipSession session(device.link());
    norix::ContentView window(session);
    norix::NorixToolsMenu& tools = norix::installMainMenus(window, device);
    // Without a size, the window keeps the size it opens with.
    if (sizeGiven && !settingsWindow)
        window.resize(size);
    window.show();

    const std::filesystem::path chips = std::filesystem::path(NORIX_SOURCE_DIR) / "examples/chips";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(chips))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    session.editor().addChipFiles(files);
    session.editor().setSelectedChip("7400.chip");
    window.loadSelectedFile();

    QTest::mouseClick(window.connectionBar()->connectButton(), Qt::LeftButton);
    if (!norix::screenshots::serveUntil(
            [&] { return !session.norixChipList().norixChips().empty(); }))
        std::fprintf(stderr, "the simulator did not list its chips\n");
    window.codePanel()->opcodeModel().selectCategory("GPIO");
    window.codePanel()->opcodeModel().chooseOpcode(*norix::opcodeOption("MULTIO"));
    norix::PinPicker picker(window.codePanel()->opcodeModel(), 14);
    picker.handleMockPinClick(1);
    picker.handleMockPinClick(2);
    // Scroll to the first instructions, where the gutter has numbers to show.
    norix::CodeEditor* editor = window.codePanel()->editor();
    QTextCursor cursor(editor->document()->findBlockByNumber(24));
    editor->setTextCursor(cursor);
    editor->centerCursor();
    QTest::qWait(200);

    QWidget* shown = &window;
    if (settingsWindow) {
        tools.settingsAction()->trigger();
        shown = tools.toolWindows().window(QStringLiteral("settingsWindow"));
        if (sizeGiven)
            shown->resize(size);
        norix::screenshots::serveUntil([&] { return !device.settings().isUpdatingSettings(); });
        QTest::qWait(200);
    }
    if (!shown->grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
