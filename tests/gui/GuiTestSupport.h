#pragma once
// What the GUI tests share: one QApplication for the process, a wait that
// serves the Qt loop until a condition holds, windows on a link of their own
// (an empty device folder, so only the ports a test adds are listed), and the
// Qt widgets the tests look into.

#include "core/chips/ChipSession.h"
#include "core/device/NorixConnection.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/link/SerialPortManager.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/ContentView.h"
#include "gui/app/QtEventLoop.h"
#include "sim/BuiltInSimulator.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace norix::test {

inline QApplication& application() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals are gone by the time static objects
    // are, and a QApplication outliving them crashes at exit.
    static auto* app = [] {
        auto* made = new QApplication(argc, argv);
        // Windows remember their layout: in a folder of the test run's own,
        // never in the user's settings.
        static char folder[] = "/tmp/norix-gui-settings-XXXXXX";
        if (mkdtemp(folder))
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                               QString::fromLocal8Bit(folder));
        return made;
    }();
    return *app;
}

// Serves Qt's loop (and with it the core objects on QtEventLoop) until `done`.
inline bool waitFor(const std::function<bool()>& done, int limitMs = 15000) {
    return QTest::qWaitFor(done, limitMs);
}

// Shortcuts reach only the active window.
inline bool activate(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// The Norix connection a window is built on; a derived fixture's window goes first.
struct LinkFixture {
    LinkFixture() : device((application(), loop), devices.path().string()) {}
    ~LinkFixture() { link.disconnect(true, false); }
    // Connects the link straight to the built-in simulator and waits for the font list.
    void connectTo(sim::BuiltInSimulator& simulator) {
        ASSERT_TRUE(simulator.start()) << simulator.lastError();
        ASSERT_TRUE(link.connect(simulator.portPath())) << link.lastError().value_or("");
        ASSERT_TRUE(waitFor([this] { return !device.fonts().isLoadingFontList(); }));
    }

    testing::TempFolder devices;
    QtEventLoop loop;
    NorixConnection device;
    SerialPortManager& link = device.link();
};

struct WindowFixture : LinkFixture {
    WindowFixture() : session(link), window(std::make_unique<ContentView>(session)) {
        // As the app does: the chip list, once loaded, is followed by the font slot list.
        session.setFontListRequester([this] { device.fonts().requestFontList(); });
    }
    ~WindowFixture() {
        window.reset();
        link.disconnect(true, false);
        // A window that was closed remembered its layout: the next test starts afresh.
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("NorixGUI"),
                  QStringLiteral("NorixGUI"))
            .clear();
    }
    bool waitForLine(const std::string& line) const {
        const auto& lines = session.terminal().terminalLines();
        return waitFor([&] { return std::find(lines.begin(), lines.end(), line) != lines.end(); });
    }

    ChipSession session;
    std::unique_ptr<ContentView> window;
};

// The same window, shown, with the built-in simulator as its only port.
struct SimulatorWindowFixture : WindowFixture {
    SimulatorWindowFixture() : simulator(loop, link) {
        EXPECT_TRUE(simulator.start()) << simulator.lastError();
        window->show();
    }
    void click(QPushButton* button) {
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Connects with "Connect" and waits for the serial number and the chip list.
    bool connectAndIdentify() {
        click(window->connectionBar()->connectButton());
        return waitForLine("Connected to Norix S/N SIM-0001.") && waitFor([this] {
                   return !session.norixChipList().norixChips().empty() &&
                          !session.norixChipList().isLoadingChipList();
               });
    }

    sim::BuiltInSimulator simulator;
};

} // namespace norix::test
