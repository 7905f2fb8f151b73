// The application shell as a user meets it: the Tools and Device menus, the
// single tool windows and the questions before quitting, copying from the
// terminal, and the connection bar's slow steps seen while they last.

#include "core/chips/ChipFileCodec.h"
#include "core/loop/BackgroundQueue.h"
#include "core/settings/SettingsConversation.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppMenus.h"
#include "gui/app/ChipFieldsPanel.h"
#include "gui/app/ChipFilesPanel.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/NorixToolsMenu.h"
#include "gui/app/TerminalView.h"
#include "gui/settings/NorixSettingsView.h"
#include "sim/BuiltInSimulator.h"
#include "tests/gui/GuiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <deque>
#include <fstream>
#include <gtest/gtest.h>

namespace norix {
namespace {

using test::waitFor;

struct ShellWindow : test::WindowFixture {
    ShellWindow() : simulator(loop, link), tools(installMainMenus(*window)) {
        EXPECT_TRUE(simulator.start()) << simulator.lastError();
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    bool connectAndIdentify() {
        QTest::mouseClick(window->connectionBar()->connectButton(), Qt::LeftButton);
        return waitForLine("Connected to Norix S/N SIM-0001.") && waitFor([this] {
                   return !session.norixChipList().norixChips().empty() &&
                          !session.norixChipList().isLoadingChipList();
               });
    }
    QAction* menuAction(const QString& text) const {
        for (QAction* action : window->menuBar()->findChildren<QAction*>())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    BuiltInSimulator simulator;
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

TEST(AppShell, RefreshNorixChipsReachesTheMainWindowOnce) {
    ShellWindow f;
    std::vector<std::string> diagnostics;
    ScopedDiagnosticSink sink([&diagnostics](std::string_view line) {
        if (line == "Refreshing Norix Chips...")
            diagnostics.emplace_back(line);
    });
    f.menuAction(QStringLiteral("Refresh Norix Chips"))->trigger();
    EXPECT_EQ(diagnostics.size(), 1u);
}

TEST(AppShell, DeleteAllChipsDuringAnUploadWritesTheWaitMessageAndAsksNothing) {
    ShellWindow f;
    int alerts = 0;
    f.window->dialogs().confirmDeleteAllChips = [&alerts] { return ++alerts, false; };
    ASSERT_TRUE(f.connectAndIdentify());
    f.session.editor().setChipName("BUSY");
    f.simulator.simulator().faults().add({0xCD, std::nullopt, FaultAction::delay, 500});
    QTest::mouseClick(f.window->chipFiles()->button("Send to Norix"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return f.session.isUploading(); }));
    f.tools.deleteAllChipsAction()->trigger();
    QTest::qWait(30);
    EXPECT_TRUE(
        f.terminalHas("Wait for the current Norix operation to finish before deleting all chips."));
    EXPECT_EQ(alerts, 0);
}

TEST(AppShell, CtrlCInTheTerminalCopiesAndCtrlShiftCConnects) {
    ShellWindow f;
    f.session.appendTerminal("a line worth copying");
    QPlainTextEdit* terminal = f.window->terminal()->text();
    terminal->setFocus();
    terminal->selectAll();
    QTest::keyClick(terminal, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("a line worth copying")));
    EXPECT_FALSE(f.link.isConnected());

    QAction* connectAction = f.menuAction(QStringLiteral("Connect"));
    ASSERT_NE(connectAction, nullptr);
    QTest::keyClick(terminal, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(f.link.isConnected());
    EXPECT_EQ(connectAction->text(), QStringLiteral("Disconnect"));
}

TEST(AppShell, SettingsWindowIsSingleAndClosingItKeepsTheConnection) {
    ShellWindow f;
    // Disconnected: the last known record, nothing to press.
    QTest::keyClick(f.window.get(), Qt::Key_Comma, Qt::ControlModifier);
    auto* settings = qobject_cast<NorixSettingsView*>(
        f.tools.toolWindows().window(QStringLiteral("settingsWindow")));
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->windowTitle(), QStringLiteral("Norix Settings"));
    EXPECT_FALSE(settings->showLogoToggle()->isEnabled());
    EXPECT_FALSE(settings->logoSpeedButton(1)->isEnabled());
    EXPECT_EQ(settings->defaultFontMessage()->text(),
              QStringLiteral("Connect to Norix to change the default font."));
    EXPECT_FALSE(settings->fontPicker()->isVisible());
    settings->close();

    ASSERT_TRUE(f.connectAndIdentify());
    EXPECT_TRUE(f.link.isConnected());
    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(f.tools.toolWindows().count(), 1);
    EXPECT_EQ(f.tools.toolWindows().window(QStringLiteral("settingsWindow")), settings);
    EXPECT_TRUE(settings->isVisible());

    // Shown again, it reads the device; then the speed buttons send at once.
    ASSERT_TRUE(waitFor([&] { return settings->logoSpeedButton(0)->isEnabled(); }));
    EXPECT_TRUE(settings->fontPicker()->isVisible());
    const int other = f.link.settings().norixSettings().logoSpeed == 2 ? 0 : 2;
    QTest::mouseClick(settings->logoSpeedButton(other), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !f.link.settings().isUpdatingSettings(); }));
    EXPECT_EQ(f.link.settings().norixSettings().logoSpeed, other);
    EXPECT_TRUE(settings->logoSpeedButton(other)->isChecked());
    settings->close();
    EXPECT_TRUE(f.link.isConnected());
}

// Each tool window's shortcut, pressed twice from the main window, gives one
// window of the right kind, raised the second time.
struct ToolWindowKey {
    const char* id;
    Qt::Key key;
    const char* title;
    friend void PrintTo(const ToolWindowKey& c, std::ostream* out) { *out << c.id; }
};

class ToolWindowShortcut : public ::testing::TestWithParam<ToolWindowKey> {};

TEST_P(ToolWindowShortcut, PressedTwiceGivesOneWindow) {
    ShellWindow f;
    const auto& key = GetParam();
    const QString id = QString::fromLatin1(key.id);
    for (int press = 0; press < 2; ++press) {
        f.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(f.window.get(), key.key, Qt::ControlModifier | Qt::ShiftModifier);
        QWidget* tool = f.tools.toolWindows().window(id);
        ASSERT_NE(tool, nullptr);
        EXPECT_TRUE(tool->isVisible());
        EXPECT_EQ(tool->windowTitle(), QString::fromUtf8(key.title));
        EXPECT_EQ(f.tools.toolWindows().count(), 1);
    }
    f.tools.toolWindows().closeAll();
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolWindowShortcut,
                         ::testing::Values(ToolWindowKey{"imageWindow", Qt::Key_I, "Image Window"},
                                           ToolWindowKey{"fontWindow", Qt::Key_F, "Font Window"}),
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

TEST(AppShell, SaveAsOntoAnExistingChipFileAsksBeforeReplacingIt) {
    test::WindowFixture f;
    test::TempFolder folder;
    const auto existing = folder.path() / "mine.chip";
    std::ofstream(existing) << "kept";
    f.session.editor().setChipName("7404");
    // The dialog was given "mine"; the file written is "mine.chip".
    f.window->dialogs().chooseSavePath = [&folder](const std::string&) {
        return std::optional(folder.path() / "mine");
    };
    std::vector<std::filesystem::path> asked;
    bool replace = false;
    f.window->dialogs().confirmReplacingFile = [&](const std::filesystem::path& path) {
        asked.push_back(path);
        return replace;
    };
    QTest::mouseClick(f.window->chipFields()->saveAsButton(), Qt::LeftButton);
    EXPECT_EQ(asked, std::vector{existing});
    std::ifstream kept(existing);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");

    // The full name is asked about just the same; yes replaces it.
    f.window->dialogs().chooseSavePath = [&existing](const std::string&) {
        return std::optional(existing);
    };
    replace = true;
    QTest::mouseClick(f.window->chipFields()->saveAsButton(), Qt::LeftButton);
    EXPECT_EQ(asked, (std::vector{existing, existing}));
    const auto saved = ChipFileCodec::load(existing);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, "7404");
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
