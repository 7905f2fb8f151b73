// The application shell as a user meets it, and the Qt loop the core runs on.

#include "core/loop/BackgroundQueue.h"
#include "core/settings/SettingsConversation.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppMenus.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/NorixToolsMenu.h"
#include "gui/app/TerminalView.h"
#include "gui/settings/NorixSettingsView.h"
#include "tests/gui/GuiTestSupport.h"

#include <QClipboard>
#include <deque>
#include <unistd.h>

namespace norix {
namespace {

using test::waitFor;

struct ShellWindow : test::SimulatorWindowFixture {
    ShellWindow() : tools(installMainMenus(*window, device)) {
        EXPECT_TRUE(test::activate(*window));
    }

    NorixToolsMenu& tools;
};

// Holds the jobs given to it until the test lets them run.
struct HeldQueue : BackgroundQueue {
    void run(Task work, Task done) override { jobs.push_back({std::move(work), std::move(done)}); }
    void release() {
        for (; !jobs.empty(); jobs.pop_front()) {
            jobs.front().first();
            jobs.front().second();
        }
    }
    std::deque<std::pair<Task, Task>> jobs;
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
        ASSERT_TRUE(test::activate(*f.window));
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
    EXPECT_EQ(held.jobs.size(), 1u);
    QTest::qWait(30);
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Disconnecting..."));
    EXPECT_FALSE(bar->connectButton()->isEnabled());
    held.release();
    ASSERT_TRUE(f.waitForLine("Norix disconnected."));
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Disconnected"));
    EXPECT_TRUE(bar->connectButton()->isEnabled());
    f.session.setBackgroundQueue(nullptr);
}

TEST(QtEventLoop, RunsTasksInOrderTimersByDelayAndWatchesDescriptorsWhileItLives) {
    test::application();
    int fired = 0;
    {
        QtEventLoop loop;
        std::vector<std::string> order;
        loop.schedule(Milliseconds(30), [&] { order.push_back("late"); });
        loop.schedule(Milliseconds(5), [&] { order.push_back("early"); });
        const TimerId dropped =
            loop.schedule(Milliseconds(10), [&] { order.push_back("cancelled"); });
        loop.post([&] {
            order.push_back("first");
            loop.post([&] { order.push_back("nested"); });
        });
        loop.post([&] { order.push_back("second"); });
        loop.cancel(dropped);
        loop.cancel(dropped); // twice is harmless
        ASSERT_TRUE(waitFor([&] { return order.size() == 5; }, 2000));
        EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "nested", "early", "late"}));
        EXPECT_EQ(loop.activeTimerCount(), 0u);
        loop.schedule(Milliseconds(1), [&] { ++fired; }); // dies with the loop
    }
    QTest::qWait(20);
    EXPECT_EQ(fired, 0);

    // A descriptor is watched until unwatched, even from its own task.
    QtEventLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string received;
    WatchId watch = WatchId::none;
    watch = loop.watchReadable(fds[0], [&] {
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            loop.unwatch(watch); // end of file: stop watching from inside the task
            return;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    });
    ASSERT_EQ(write(fds[1], "abc", 3), 3);
    ASSERT_TRUE(waitFor([&] { return received == "abc"; }, 2000));
    close(fds[1]);
    ASSERT_TRUE(waitFor([&] { return loop.activeWatchCount() == 0; }, 2000));
    close(fds[0]);
}

TEST(TerminalView, ShowsEveryLineAndFollowsTheDropOfOldLines) {
    test::WindowFixture f;
    TerminalView view(f.session);
    for (int i = 1; i <= 500; ++i)
        f.session.appendTerminal("line " + std::to_string(i));
    EXPECT_EQ(view.text()->document()->blockCount(), 500);
    f.session.appendTerminal("line 501");
    EXPECT_EQ(view.text()->document()->blockCount(), 401);
    EXPECT_EQ(view.text()->document()->firstBlock().text(), QStringLiteral("line 101"));
    EXPECT_EQ(view.text()->verticalScrollBar()->value(),
              view.text()->verticalScrollBar()->maximum());
    f.session.appendTerminal("two\nlines");
    EXPECT_EQ(view.text()->document()->lastBlock().text(), QStringLiteral("lines"));
    QTest::mouseClick(view.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(view.text()->toPlainText().isEmpty());

    f.session.editor().setChipCode("SETOUT 1\nSETOT 2");
    QTest::mouseClick(view.listErrorsButton(), Qt::LeftButton);
    EXPECT_EQ(view.text()->toPlainText(), QStringLiteral("Line 2: Unknown opcode 'SETOT'."));
}

} // namespace
} // namespace norix
