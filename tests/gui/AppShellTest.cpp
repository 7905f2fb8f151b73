// The application shell as a user meets it: the shortcuts, the single tool
// windows and the questions before quitting, copying from the terminal, and
// the connection bar's slow steps seen while they last.

#include "core/loop/BackgroundQueue.h"
#include "core/settings/SettingsConversation.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppMenus.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/NorixToolsMenu.h"
#include "gui/app/TerminalView.h"
#include "gui/settings/NorixSettingsView.h"
#include "tests/gui/GuiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <deque>
#include <gtest/gtest.h>

namespace norix {
namespace {

using test::waitFor;

struct ShellWindow : test::SimulatorWindowFixture {
    ShellWindow() : tools(installMainMenus(*window, device)) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    NorixToolsMenu& tools;
};

// Holds the jobs given to it until the test lets them run.
class HeldQueue : public BackgroundQueue {
public:
    void run(Task work, Task done) override { jobs_.push_back({std::move(work), std::move(done)}); }
    std::size_t waiting() const { return jobs_.size(); }
    void release() {
        while (!jobs_.empty()) {
            auto job = std::move(jobs_.front());
            jobs_.pop_front();
            job.first();
            job.second();
        }
    }

private:
    std::deque<std::pair<Task, Task>> jobs_;
};

// A tool window with work that is or is not allowed to go.
class WorkWindow : public QWidget, public ToolWindow {
public:
    bool confirmDiscardingChanges() override { return ++asked, mayDiscard; }
    int asked = 0;
    bool mayDiscard = false;
};

TEST(AppShell, ShortcutsRunTheirCommandsAndCtrlCStillCopies) {
    ShellWindow f;
    std::vector<std::string> diagnostics;
    ScopedDiagnosticSink sink(
        [&diagnostics](std::string_view line) { diagnostics.emplace_back(line); });
    f.session.appendTerminal("a line worth copying");
    QPlainTextEdit* terminal = f.window->terminal()->text();
    terminal->setFocus();
    terminal->selectAll();
    QTest::keyClick(terminal, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("a line worth copying")));
    EXPECT_FALSE(f.link.isConnected());

    QTest::keyClick(terminal, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(f.link.isConnected());
    EXPECT_EQ(f.window->findChild<QAction*>(QStringLiteral("connectAction"))->text(),
              QStringLiteral("Disconnect"));

    int refreshes = 0;
    QObject::connect(&AppNotifications::instance(), &AppNotifications::refreshNorixChips,
                     f.window.get(), [&refreshes] { ++refreshes; });
    QTest::keyClick(terminal, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(std::count(diagnostics.begin(), diagnostics.end(), "Connect device"), 1);
    EXPECT_EQ(std::count(diagnostics.begin(), diagnostics.end(), "Refreshing Norix Chips..."), 1);
}

TEST(AppShell, SettingsWindowSendsOnlyWhenConnectedAndClosingItKeepsTheConnection) {
    ShellWindow f;
    f.tools.settingsAction()->trigger();
    auto* settings = qobject_cast<NorixSettingsView*>(
        f.tools.toolWindows().window(QStringLiteral("settingsWindow")));
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(settings->logoSpeedButton(1)->isEnabled()); // the last known record only
    EXPECT_FALSE(settings->fontPicker()->isVisible());
    settings->close();

    ASSERT_TRUE(f.connectAndIdentify());
    f.tools.settingsAction()->trigger();
    // Shown again, it reads the device; then the speed buttons send at once.
    ASSERT_TRUE(waitFor([&] { return settings->logoSpeedButton(0)->isEnabled(); }));
    EXPECT_TRUE(settings->fontPicker()->isVisible());
    const int other = f.device.settings().norixSettings().logoSpeed == 2 ? 0 : 2;
    QTest::mouseClick(settings->logoSpeedButton(other), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !f.device.settings().isUpdatingSettings(); }));
    EXPECT_EQ(f.device.settings().norixSettings().logoSpeed, other);
    settings->close();
    EXPECT_TRUE(f.link.isConnected());
}

// Each tool window's shortcut, pressed twice from the main window, gives one
// window of the right kind, raised the second time.
struct ToolWindowKey {
    const char* id;
    QKeyCombination key;
    const char* title;
    friend void PrintTo(const ToolWindowKey& c, std::ostream* out) { *out << c.id; }
};

class ToolWindowShortcut : public ::testing::TestWithParam<ToolWindowKey> {};

TEST_P(ToolWindowShortcut, PressedTwiceGivesOneWindow) {
    ShellWindow f;
    const auto& key = GetParam();
    for (int press = 0; press < 2; ++press) {
        f.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(f.window.get(), key.key.key(), key.key.keyboardModifiers());
        QWidget* tool = f.tools.toolWindows().window(QString::fromLatin1(key.id));
        ASSERT_NE(tool, nullptr);
        EXPECT_TRUE(tool->isVisible());
        EXPECT_EQ(tool->windowTitle(), QString::fromUtf8(key.title));
        EXPECT_EQ(f.tools.toolWindows().count(), 1);
    }
    f.tools.toolWindows().closeAll();
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ToolWindowShortcut,
    ::testing::Values(ToolWindowKey{"imageWindow", Qt::CTRL | Qt::SHIFT | Qt::Key_I,
                                    "Image Window"},
                      ToolWindowKey{"fontWindow", Qt::CTRL | Qt::SHIFT | Qt::Key_F, "Font Window"},
                      ToolWindowKey{"settingsWindow", Qt::CTRL | Qt::Key_Comma, "Norix Settings"}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.id); });

TEST(AppShell, ClosingTheMainWindowAsksEveryToolWindowFirst) {
    ShellWindow f;
    WorkWindow* work = nullptr;
    f.tools.addWindowEntry(QStringLiteral("Work"), QKeySequence(), QStringLiteral("work"), [&work] {
        work = new WorkWindow;
        return work;
    });
    f.tools.toolWindows().show(QStringLiteral("work"));
    ASSERT_NE(work, nullptr);
    work->close(); // closed, but its work is kept and still asked about

    int mainAsked = 0;
    f.session.editor().setChipName("unsaved");
    f.window->dialogs().askAboutUnsavedChanges = [&mainAsked] {
        return ++mainAsked, UnsavedChoice::discard;
    };
    EXPECT_FALSE(f.window->close());
    EXPECT_EQ(work->asked, 1);
    EXPECT_EQ(mainAsked, 0);

    work->mayDiscard = true;
    f.tools.toolWindows().show(QStringLiteral("work"));
    EXPECT_TRUE(f.window->close());
    EXPECT_EQ(mainAsked, 1);
    EXPECT_FALSE(work->isVisible());
}

TEST(AppShell, RefreshingAndDisconnectingShowWhileTheyLast) {
    ShellWindow f;
    HeldQueue held;
    f.session.setBackgroundQueue(&held);
    ConnectionBar* bar = f.window->connectionBar();

    QTest::mouseClick(bar->refreshButton(), Qt::LeftButton);
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Refreshing..."));
    EXPECT_FALSE(bar->refreshButton()->isEnabled());
    held.release();
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Not Connected"));
    EXPECT_TRUE(bar->refreshButton()->isEnabled());

    ASSERT_TRUE(f.connectAndIdentify());
    QTest::mouseClick(bar->connectButton(), Qt::LeftButton);
    EXPECT_FALSE(f.link.isConnected());
    EXPECT_EQ(held.waiting(), 1u);
    QTest::qWait(30);
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Disconnecting..."));
    EXPECT_FALSE(bar->connectButton()->isEnabled());
    held.release();
    ASSERT_TRUE(f.waitForLine("Norix disconnected."));
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Disconnected"));
    EXPECT_TRUE(bar->connectButton()->isEnabled());
    f.session.setBackgroundQueue(nullptr);
}

} // namespace
} // namespace norix
