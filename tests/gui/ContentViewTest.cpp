#include "core/chips/ChipFileCodec.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppMenus.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/ChipFieldsPanel.h"
#include "gui/app/ChipFilesPanel.h"
#include "gui/app/CodePanel.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/NorixChipsPanel.h"
#include "gui/editor/CodeEditor.h"
#include "sim/BuiltInSimulator.h"
#include "sim/PseudoTerminal.h"
#include "tests/gui/GuiTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace norix {

void PrintTo(FaultAction action, std::ostream* out) {
    *out << (action == FaultAction::fail ? "refused" : "hung up");
}

namespace {

using test::waitFor;

// The main window with the built-in simulator as its only port.
struct SimulatorWindow : test::WindowFixture {
    SimulatorWindow() : simulator(loop, link) {
        EXPECT_TRUE(simulator.start()) << simulator.lastError();
        window->show();
    }
    void click(QPushButton* button) {
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QPushButton* filesButton(const char* label) { return window->chipFiles()->button(label); }
    bool connectAndIdentify() {
        click(window->connectionBar()->connectButton());
        return waitForLine("Connected to Norix S/N SIM-0001.") && waitFor([this] {
                   return !session.norixChipList().norixChips().empty() &&
                          !session.norixChipList().isLoadingChipList();
               });
    }

    BuiltInSimulator simulator;
};

TEST(ConnectionBar, WithoutPortsTheConnectButtonReportsNorixNotFound) {
    test::WindowFixture f;
    f.window->show();
    ConnectionBar* bar = f.window->connectionBar();
    ASSERT_EQ(bar->portPicker()->count(), 1);
    EXPECT_EQ(bar->portPicker()->itemText(0), QStringLiteral("No Norix ports found"));
    EXPECT_FALSE(bar->portPicker()->isEnabled());
    QTest::mouseClick(bar->connectButton(), Qt::LeftButton);
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Norix Not Found"));
    EXPECT_FALSE(bar->serialLabel()->isVisible());
}

TEST(ConnectionBar, ListsTheSimulatorLastAndConnectsToItFirstTime) {
    SimulatorWindow f;
    ConnectionBar* bar = f.window->connectionBar();
    EXPECT_EQ(bar->portPicker()->itemText(bar->portPicker()->count() - 1),
              QStringLiteral("Norix simulator"));
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Not Connected"));
    EXPECT_EQ(bar->connectButton()->text(), QStringLiteral("Connect"));

    ASSERT_TRUE(f.connectAndIdentify());
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Connected"));
    EXPECT_TRUE(bar->statusLabel()->styleSheet().contains(QStringLiteral("#1E9E3A")));
    EXPECT_TRUE(bar->serialLabel()->isVisible());
    EXPECT_EQ(bar->serialLabel()->text(), QStringLiteral("S/N: SIM-0001"));
    EXPECT_EQ(bar->connectButton()->text(), QStringLiteral("Disconnect"));
    EXPECT_EQ(f.window->norixChips()->list()->count(),
              static_cast<int>(f.simulator.simulator().memory().chips().size()));

    f.click(bar->connectButton());
    EXPECT_TRUE(f.waitForLine("Norix disconnected."));
    EXPECT_EQ(bar->connectButton()->text(), QStringLiteral("Connect"));
    EXPECT_FALSE(bar->serialLabel()->isVisible());
    EXPECT_EQ(f.window->norixChips()->list()->count(), 0);
}

TEST(MainWindow, ButtonsFollowTheConnectionAndTheOutstandingRequests) {
    // A port that never answers keeps every request outstanding.
    std::string error;
    auto silent = PseudoTerminal::open(error);
    ASSERT_TRUE(silent) << error;
    test::WindowFixture f;
    f.link.addExtraPort(silent->slavePath(), "Silent");
    f.window->show();
    auto* files = f.window->chipFiles();
    auto* norix = f.window->norixChips();
    const auto uploadButtons = [files] {
        return std::vector<bool>{files->button("Send to Norix")->isEnabled(),
                                 files->button("Save to Norix")->isEnabled(),
                                 files->button("Batch Save to Norix")->isEnabled()};
    };
    EXPECT_EQ(uploadButtons(), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(norix->refreshButton()->isEnabled());

    QTest::mouseClick(f.window->connectionBar()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(f.link.isConnected());
    EXPECT_EQ(uploadButtons(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(norix->refreshButton()->isEnabled());
    EXPECT_FALSE(norix->loadButton()->isEnabled()); // nothing selected

    QTest::mouseClick(files->button("Send to Norix"), Qt::LeftButton);
    EXPECT_TRUE(f.terminalHas("Checking Norix upload mode..."));
    EXPECT_EQ(uploadButtons(), (std::vector<bool>{false, false, false}));

    QTest::mouseClick(norix->refreshButton(), Qt::LeftButton);
    EXPECT_FALSE(norix->refreshButton()->isEnabled()); // the chip count is outstanding
    EXPECT_FALSE(files->button("Cancel Batch")->isVisible());
}

TEST(MainWindow, SendStoreListLoadAndDeleteAChipWithTheButtons) {
    SimulatorWindow f;
    ASSERT_TRUE(f.connectAndIdentify());
    const std::size_t storedBefore = f.session.norixChipList().norixChips().size();

    auto* fields = f.window->chipFields();
    QTest::keyClicks(fields->nameField(), QStringLiteral("GUI TEST"));
    fields->typePicker()->setCurrentIndex(4);
    Q_EMIT fields->typePicker()->activated(4);
    QTest::keyClicks(fields->stringField(2), QStringLiteral("third"));
    CodeEditor* code = f.window->codePanel()->editor();
    code->selectAll();
    QTest::keyClicks(code, QStringLiteral("SETOUT 3"));
    QTest::keyClick(code, Qt::Key_Return);
    QTest::keyClicks(code, QStringLiteral("REGLOD 2 #R1"));
    EXPECT_EQ(f.session.editor().chipCode(), "SETOUT 3\nREGLOD 2 #R1");
    EXPECT_EQ(f.session.editor().chipName(), "GUI TEST");
    EXPECT_EQ(f.session.editor().selectedType(), 4);

    f.click(f.filesButton("Send to Norix"));
    ASSERT_TRUE(f.waitForLine("Chip Upload complete. Click Save to Norix to store it or run it by "
                              "pressing button 2"));
    f.click(f.filesButton("Save to Norix"));
    ASSERT_TRUE(f.waitForLine("Chip saved successfully."));

    auto* norix = f.window->norixChips();
    ASSERT_TRUE(waitFor([norix] { return norix->refreshButton()->isEnabled(); }));
    f.click(norix->refreshButton());
    ASSERT_TRUE(waitFor([&] {
        return norix->list()->count() == static_cast<int>(storedBefore) + 1 &&
               norix->refreshButton()->isEnabled();
    }));
    const int row = norix->list()->count() - 1;
    EXPECT_EQ(norix->list()->item(row)->text(), QStringLiteral("GUI TEST"));

    // Load it back over a new, empty chip.
    f.window->dialogs().askAboutUnsavedChanges = [] { return UnsavedChoice::discard; };
    f.click(f.filesButton("New File"));
    EXPECT_EQ(fields->nameField()->text(), QString());
    norix->list()->setCurrentRow(row);
    f.click(norix->loadButton());
    ASSERT_TRUE(f.waitForLine("Loaded all chip strings."));
    EXPECT_EQ(fields->nameField()->text(), QStringLiteral("GUI TEST"));
    EXPECT_EQ(fields->stringField(2)->text(), QStringLiteral("third"));
    EXPECT_EQ(code->toPlainText(), QStringLiteral("SETOUT 0x3\nREGLOD 0x2 #R1"));
    EXPECT_FALSE(f.window->hasUnsavedChanges());

    norix->list()->setCurrentRow(row);
    f.click(norix->deleteButton());
    ASSERT_TRUE(f.waitForLine("Chip deleted from Norix."));
    ASSERT_TRUE(waitFor([&] {
        return norix->list()->count() == static_cast<int>(storedBefore) &&
               norix->refreshButton()->isEnabled();
    }));
    EXPECT_EQ(f.simulator.simulator().memory().chips().size(), storedBefore);
}

TEST(MainWindow, DeleteSelectedWaitsForItsOwnAnswerAndFailuresAreReported) {
    SimulatorWindow f;
    ASSERT_TRUE(f.connectAndIdentify());
    auto* norix = f.window->norixChips();
    // The Norix carries out the delete but its answer is lost, then refuses the next one.
    f.simulator.simulator().faults().add({0xDA, 1, FaultAction::drop, 0});
    f.simulator.simulator().faults().add({0xDA, 2, FaultAction::fail, 0});
    norix->list()->setCurrentRow(0);
    EXPECT_TRUE(norix->loadButton()->isEnabled());
    f.click(norix->deleteButton());
    ASSERT_TRUE(
        waitFor([&] { return f.session.norixChipList().pendingDeleteChipSequence().has_value(); }));
    QTest::qWait(50);
    EXPECT_FALSE(norix->deleteButton()->isEnabled());
    EXPECT_TRUE(norix->loadButton()->isEnabled());
    EXPECT_TRUE(norix->refreshButton()->isEnabled());

    // Losing the link ends the wait; after reconnecting the refusal is reported.
    f.click(f.window->connectionBar()->connectButton());
    ASSERT_TRUE(f.waitForLine("Norix disconnected."));
    EXPECT_FALSE(norix->deleteButton()->isEnabled());
    ASSERT_TRUE(f.connectAndIdentify());
    norix->list()->setCurrentRow(0);
    f.click(norix->deleteButton());
    EXPECT_TRUE(f.waitForLine("Delete chip failed with response 0xB3."));
    EXPECT_TRUE(norix->deleteButton()->isEnabled());
}

// A chip conversation that the Norix refuses, or that it leaves by hanging up,
// half-way: afterwards the window offers what the state allows and says so.
struct MidConversationFault {
    std::string name;
    FaultRule rule;
    std::string failureLine; // the terminal line of a refusal
};

void PrintTo(const MidConversationFault& fault, std::ostream* out) {
    *out << fault.name << " at " << describeFaultRule(fault.rule);
}

class ChipConversationFault
    : public ::testing::TestWithParam<std::tuple<MidConversationFault, FaultAction>> {};

TEST_P(ChipConversationFault, LeavesTheButtonsUsableAndTheStatusTrue) {
    auto [conversation, action] = GetParam();
    SimulatorWindow f;
    ASSERT_TRUE(f.connectAndIdentify());
    auto* norix = f.window->norixChips();
    auto* bar = f.window->connectionBar();
    conversation.rule.action = action;
    // Occurrences count from here: the connect has read the list once already.
    f.simulator.simulator().faults().resetCounts();
    f.simulator.simulator().faults().add(conversation.rule);
    const auto chip =
        ChipFileCodec::load(std::filesystem::path(NORIX_SOURCE_DIR) / "examples/chips/7400.chip");
    ASSERT_TRUE(chip);
    f.session.editor().applyChipDocument(*chip);
    f.window->dialogs().askAboutUnsavedChanges = [] { return UnsavedChoice::discard; };
    norix->list()->setCurrentRow(0);
    if (conversation.name == "Send")
        f.click(f.filesButton("Send to Norix"));
    else if (conversation.name == "Load")
        f.click(norix->loadButton());
    else
        f.click(norix->refreshButton());

    const std::vector<QPushButton*> deviceButtons = {
        f.filesButton("Send to Norix"), f.filesButton("Save to Norix"),
        f.filesButton("Batch Save to Norix"), norix->refreshButton()};
    if (action == FaultAction::fail) {
        ASSERT_TRUE(f.waitForLine(conversation.failureLine));
        ASSERT_TRUE(waitFor([&] { return norix->refreshButton()->isEnabled(); }));
        for (auto* button : deviceButtons)
            EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
        norix->list()->setCurrentRow(0);
        EXPECT_TRUE(norix->loadButton()->isEnabled());
        EXPECT_TRUE(norix->deleteButton()->isEnabled());
        EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Connected"));
    } else {
        ASSERT_TRUE(f.waitForLine("Norix disconnected."));
        for (auto* button : deviceButtons)
            EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
        EXPECT_FALSE(norix->loadButton()->isEnabled());
        EXPECT_FALSE(norix->deleteButton()->isEnabled());
        EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Disconnected"));
        EXPECT_EQ(bar->connectButton()->text(), QStringLiteral("Connect"));
        EXPECT_TRUE(bar->connectButton()->isEnabled());
    }
    EXPECT_FALSE(f.filesButton("Cancel Batch")->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, ChipConversationFault,
    ::testing::Combine(::testing::Values(MidConversationFault{"Send",
                                                              {0xCA, 1, FaultAction::fail, 0},
                                                              "Upload failed with response 0xB3."},
                                         MidConversationFault{
                                             "Load",
                                             {0xD7, 1, FaultAction::fail, 0},
                                             "Chip code request failed with response 0xB3."},
                                         MidConversationFault{
                                             "Refresh",
                                             {0xC7, 2, FaultAction::fail, 0},
                                             "Norix chip-name request failed with response 0xB3."}),
                       ::testing::Values(FaultAction::fail, FaultAction::hangUpBefore)),
    [](const auto& caseInfo) {
        return std::get<0>(caseInfo.param).name +
               (std::get<1>(caseInfo.param) == FaultAction::fail ? "Refused" : "HungUp");
    });

TEST(MainWindow, BatchSaveShowsCancelBatchWhileItRuns) {
    SimulatorWindow f;
    ASSERT_TRUE(f.connectAndIdentify());
    const std::filesystem::path examples =
        std::filesystem::path(NORIX_SOURCE_DIR) / "examples/chips";
    f.window->dialogs().chooseChipFilesToAdd = [&examples] {
        return std::vector<std::filesystem::path>{examples / "7400.chip", examples / "6116.chip"};
    };
    f.click(f.filesButton("Add Files"));
    EXPECT_EQ(f.window->chipFiles()->list()->count(), 2);
    f.window->dialogs().askAboutUnsavedChanges = [] { return UnsavedChoice::discard; };
    f.simulator.simulator().faults().add({0xCD, std::nullopt, FaultAction::delay, 500});
    f.click(f.filesButton("Batch Save to Norix"));
    ASSERT_TRUE(waitFor([&] { return f.session.isBatchSaving(); }));
    EXPECT_TRUE(f.filesButton("Cancel Batch")->isVisible());
    EXPECT_FALSE(f.filesButton("Send to Norix")->isEnabled());
    f.click(f.filesButton("Cancel Batch"));
    EXPECT_FALSE(f.session.isBatchSaving());
    EXPECT_FALSE(f.filesButton("Cancel Batch")->isVisible());
}

TEST(MainWindow, UnsavedEditsAreSavedDiscardedOrKept) {
    test::WindowFixture f;
    test::TempFolder folder;
    f.window->show();
    std::vector<UnsavedChoice> answers;
    int asked = 0;
    f.window->dialogs().askAboutUnsavedChanges = [&] {
        return answers.at(static_cast<std::size_t>(asked++));
    };
    f.window->dialogs().chooseSavePath = [&folder](const std::string& proposed) {
        return std::optional(folder.path() / proposed);
    };

    QTest::keyClicks(f.window->chipFields()->nameField(), QStringLiteral("NE555"));
    EXPECT_TRUE(f.window->isWindowModified());

    answers = {UnsavedChoice::cancel, UnsavedChoice::cancel, UnsavedChoice::save};
    QTest::mouseClick(f.window->chipFiles()->button("New File"), Qt::LeftButton);
    EXPECT_EQ(f.session.editor().chipName(), "NE555");
    EXPECT_FALSE(f.window->close());
    EXPECT_EQ(asked, 2);
    QTest::mouseClick(f.window->chipFiles()->button("New File"), Qt::LeftButton);
    EXPECT_EQ(asked, 3);
    // Saved first (as NE555.chip), then replaced by the new chip.
    const auto saved = ChipFileCodec::load(folder.path() / "NE555.chip");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, "NE555");
    EXPECT_EQ(f.session.editor().chipName(), "");
    EXPECT_FALSE(f.window->isWindowModified());

    QTest::keyClicks(f.window->chipFields()->stringField(0), QStringLiteral("x"));
    answers = {UnsavedChoice::discard};
    asked = 0;
    EXPECT_TRUE(f.window->close());
    EXPECT_EQ(asked, 1);
}

TEST(MainWindow, LoadChipFileAddsTheFileAndLoadsItAfterAsking) {
    test::WindowFixture f;
    installMainMenus(*f.window);
    f.window->show();
    const auto file = std::filesystem::path(NORIX_SOURCE_DIR) / "examples/chips/7400.chip";
    f.window->dialogs().chooseChipFilesToAdd = [&file] { return std::vector{file}; };
    int asked = 0;
    UnsavedChoice answer = UnsavedChoice::cancel;
    f.window->dialogs().askAboutUnsavedChanges = [&] { return ++asked, answer; };
    QAction* load = nullptr;
    for (QAction* action : f.window->findChildren<QAction*>())
        if (action->text() == QStringLiteral("Load Chip File"))
            load = action;
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->shortcut(), QKeySequence(QKeySequence::Open));

    QTest::keyClicks(f.window->chipFields()->nameField(), QStringLiteral("mine"));
    load->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.session.editor().chipName(), "mine"); // kept: the question was cancelled
    EXPECT_EQ(f.window->chipFiles()->list()->count(), 1);

    answer = UnsavedChoice::discard;
    load->trigger();
    EXPECT_EQ(f.session.editor().chipName(), "7400");
    EXPECT_FALSE(f.window->isWindowModified());
    EXPECT_TRUE(f.window->windowTitle().startsWith(QStringLiteral("7400.chip")));
    load->trigger(); // nothing to lose now: no question
    EXPECT_EQ(asked, 2);
}

TEST(MainWindow, SaveFileAsWritesItsDiagnosticLines) {
    test::WindowFixture f;
    test::TempFolder folder;
    std::vector<std::string> diagnostics;
    ScopedDiagnosticSink sink(
        [&diagnostics](std::string_view line) { diagnostics.emplace_back(line); });
    f.session.editor().setChipName("7404");
    f.window->dialogs().chooseSavePath = [&folder](const std::string&) {
        return std::optional(folder.path() / "inverter.txt");
    };
    QTest::mouseClick(f.window->chipFields()->saveAsButton(), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "inverter.chip"));
    ASSERT_EQ(diagnostics.size(), 9u);
    EXPECT_EQ(diagnostics.front(), "SAVE AS 1: function entered");
    EXPECT_EQ(diagnostics.back(), "SAVE AS 9: codec save returned");
    EXPECT_TRUE(f.window->windowTitle().startsWith(QStringLiteral("inverter.chip")));
}

TEST(MainWindow, DeleteAllAsksFirstAndRefusesWhileTheDeviceIsBusy) {
    SimulatorWindow f;
    int alerts = 0;
    f.window->dialogs().confirmDeleteAllChips = [&alerts] { return ++alerts, true; };
    AppNotifications::instance().postDeleteAllNorixChips();
    EXPECT_TRUE(f.terminalHas("Connect to a Norix first."));

    ASSERT_TRUE(f.connectAndIdentify());
    f.session.editor().setChipName("BUSY");
    f.session.editor().setSelectedType(1);
    // The Norix takes its time over the code length, so the upload is still running.
    f.simulator.simulator().faults().add({0xCD, std::nullopt, FaultAction::delay, 500});
    f.click(f.filesButton("Send to Norix"));
    ASSERT_TRUE(waitFor([&] { return f.session.isUploading(); }));
    AppNotifications::instance().postDeleteAllNorixChips();
    EXPECT_TRUE(
        f.terminalHas("Wait for the current Norix operation to finish before deleting all chips."));
    QTest::qWait(20);
    EXPECT_EQ(alerts, 0);

    ASSERT_TRUE(f.waitForLine("Chip Upload complete. Click Save to Norix to store it or run it by "
                              "pressing button 2"));
    AppNotifications::instance().postDeleteAllNorixChips();
    ASSERT_TRUE(f.waitForLine("All chips were erased from Norix."));
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(f.simulator.simulator().memory().chips().empty());
}

TEST(Menus, ShortcutsRunTheirCommandsAndCopyStillCopies) {
    SimulatorWindow f;
    installMainMenus(*f.window);
    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    std::vector<std::string> diagnostics;
    ScopedDiagnosticSink sink(
        [&diagnostics](std::string_view line) { diagnostics.emplace_back(line); });

    // Ctrl+C inside a text field copies, and does not connect.
    QLineEdit* name = f.window->chipFields()->nameField();
    name->setText(QStringLiteral("copied"));
    name->setFocus();
    name->selectAll();
    QTest::keyClick(name, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("copied"));
    EXPECT_FALSE(f.link.isConnected());

    // Ctrl+Shift+C is the Device menu's "Connect".
    f.window->chipFiles()->list()->setFocus();
    QTest::keyClick(f.window->chipFiles()->list(), Qt::Key_C,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(f.link.isConnected());
    EXPECT_NE(std::find(diagnostics.begin(), diagnostics.end(), "Connect device"),
              diagnostics.end());

    int refreshes = 0;
    QObject::connect(&AppNotifications::instance(), &AppNotifications::refreshNorixChips,
                     f.window.get(), [&refreshes] { ++refreshes; });
    QTest::keyClick(f.window->chipFiles()->list(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(refreshes, 1);
    EXPECT_NE(std::find(diagnostics.begin(), diagnostics.end(), "Refreshing Norix Chips..."),
              diagnostics.end());
}

} // namespace
} // namespace norix
