// The main window driven through its widgets, on its own and against the simulator.

#include "core/chips/ChipFileCodec.h"
#include "gui/app/AppMenus.h"
#include "gui/app/ChipFieldsPanel.h"
#include "gui/app/ChipFilesPanel.h"
#include "gui/app/CodePanel.h"
#include "gui/app/NorixChipsPanel.h"
#include "gui/app/NorixToolsMenu.h"
#include "gui/editor/CodeEditor.h"
#include "tests/gui/GuiTestSupport.h"

namespace norix {
namespace {

using test::waitFor;

const std::filesystem::path examples = std::filesystem::path(NORIX_SOURCE_DIR) / "examples/chips";

using SimulatorWindow = test::SimulatorWindowFixture;

TEST(ConnectionBar, WithoutPortsTheConnectButtonReportsNorixNotFound) {
    test::WindowFixture f;
    f.window->show();
    ConnectionBar* bar = f.window->connectionBar();
    ASSERT_EQ(bar->portPicker()->count(), 1);
    EXPECT_EQ(bar->portPicker()->itemText(0), QStringLiteral("No Norix ports found"));
    EXPECT_FALSE(bar->portPicker()->isEnabled());
    QTest::mouseClick(bar->connectButton(), Qt::LeftButton);
    EXPECT_EQ(bar->statusLabel()->text(), QStringLiteral("Norix Not Found"));
}

// The whole road: connect, write a chip, send and store it, list it, load it
// back over a new chip, delete it, disconnect.
TEST(MainWindow, ConnectSendStoreListLoadDeleteAndDisconnectWithTheButtons) {
    SimulatorWindow f;
    ConnectionBar* bar = f.window->connectionBar();
    EXPECT_EQ(bar->portPicker()->itemText(bar->portPicker()->count() - 1),
              QStringLiteral("Norix simulator"));
    ASSERT_TRUE(f.connectAndIdentify());
    EXPECT_TRUE(bar->statusLabel()->styleSheet().contains(QStringLiteral("#1E9E3A"))); // green
    EXPECT_EQ(bar->serialLabel()->text(), QStringLiteral("S/N: SIM-0001"));
    EXPECT_EQ(bar->connectButton()->text(), QStringLiteral("Disconnect"));

    auto* files = f.window->chipFiles();
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
    EXPECT_EQ(f.session.editor().selectedType(), 4);

    f.click(files->sendToNorixButton());
    ASSERT_TRUE(f.waitForLine("Chip Upload complete. Click Save to Norix to store it or run it by "
                              "pressing button 2"));
    f.click(files->saveToNorixButton());
    ASSERT_TRUE(f.waitForLine("Chip saved successfully."));
    auto* norix = f.window->norixChips();
    const int storedBefore = norix->list()->count();
    ASSERT_TRUE(waitFor([norix] { return norix->refreshButton()->isEnabled(); }));
    f.click(norix->refreshButton());
    ASSERT_TRUE(waitFor([&] {
        return norix->list()->count() == storedBefore + 1 && norix->refreshButton()->isEnabled();
    }));
    const int row = norix->list()->count() - 1;
    EXPECT_EQ(norix->list()->item(row)->text(), QStringLiteral("GUI TEST"));

    f.window->dialogs().askAboutUnsavedChanges = [] { return UnsavedChoice::discard; };
    f.click(files->newFileButton());
    norix->list()->setCurrentRow(row);
    f.click(norix->loadButton());
    ASSERT_TRUE(f.waitForLine("Loaded all chip strings."));
    EXPECT_EQ(fields->nameField()->text(), QStringLiteral("GUI TEST"));
    EXPECT_EQ(fields->stringField(2)->text(), QStringLiteral("third"));
    EXPECT_EQ(code->toPlainText(), QStringLiteral("SETOUT 0x3\nREGLOD 0x2 #R1"));

    // The Norix deletes the chip but its answer is lost: only "Delete Selected" waits.
    f.simulator.simulator().faults().add({0xDA, 1, sim::FaultAction::drop, 0});
    f.click(norix->deleteButton());
    ASSERT_TRUE(waitFor([&] {
        return f.simulator.simulator().memory().chips().size() ==
               static_cast<std::size_t>(storedBefore);
    }));
    QTest::qWait(50);
    EXPECT_FALSE(norix->deleteButton()->isEnabled());
    EXPECT_TRUE(norix->loadButton()->isEnabled());
    EXPECT_TRUE(norix->refreshButton()->isEnabled());

    f.click(bar->connectButton());
    EXPECT_TRUE(f.waitForLine("Norix disconnected."));
    EXPECT_EQ(bar->connectButton()->text(), QStringLiteral("Connect"));
    EXPECT_FALSE(bar->serialLabel()->isVisible());
}

// A chip conversation that the Norix refuses, or that it leaves by hanging up,
// half-way: afterwards the window offers what the state allows.
struct MidConversationFault {
    std::string name;
    sim::FaultRule rule;
    std::string line; // the terminal line that ends it
    QPushButton* (*button)(const ContentView&);
    friend void PrintTo(const MidConversationFault& c, std::ostream* out) { *out << c.name; }
};

class ChipConversationFault : public ::testing::TestWithParam<MidConversationFault> {};

TEST_P(ChipConversationFault, LeavesOnlyTheButtonsTheStateAllows) {
    const auto& fault = GetParam();
    SimulatorWindow f;
    ASSERT_TRUE(f.connectAndIdentify());
    auto* norix = f.window->norixChips();
    auto* files = f.window->chipFiles();
    f.simulator.simulator().faults().resetCounts(); // the connect has read the list already
    f.simulator.simulator().faults().add(fault.rule);
    f.session.editor().applyChipDocument(*ChipFileCodec::load(examples / "7400.chip"));
    f.window->dialogs().askAboutUnsavedChanges = [] { return UnsavedChoice::discard; };
    norix->list()->setCurrentRow(0);
    f.click(fault.button(*f.window));

    const bool refused = fault.rule.action == sim::FaultAction::fail;
    ASSERT_TRUE(f.waitForLine(fault.line));
    if (refused) {
        ASSERT_TRUE(waitFor([&] { return norix->refreshButton()->isEnabled(); }));
    }
    norix->list()->setCurrentRow(0);
    for (auto* button :
         {files->sendToNorixButton(), files->saveToNorixButton(), files->batchSaveButton(),
          norix->refreshButton(), norix->loadButton(), norix->deleteButton()})
        EXPECT_EQ(button->isEnabled(), refused) << button->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, ChipConversationFault,
    ::testing::Values(MidConversationFault{"SendHungUp",
                                           {0xCA, 1, sim::FaultAction::hangUpBefore, 0},
                                           "Norix disconnected.",
                                           [](const ContentView& w) {
                                               return w.chipFiles()->sendToNorixButton();
                                           }},
                      MidConversationFault{
                          "DeleteRefused",
                          {0xDA, 1, sim::FaultAction::fail, 0},
                          "Delete chip failed with response 0xB3.",
                          [](const ContentView& w) { return w.norixChips()->deleteButton(); }}),
    testing::PrintedName());

TEST(MainWindow, UnsavedEditsAreSavedOrKept) {
    test::WindowFixture f;
    f.window->show();
    int asked = 0;
    UnsavedChoice answer = UnsavedChoice::cancel;
    f.window->dialogs().askAboutUnsavedChanges = [&] { return ++asked, answer; };
    f.window->dialogs().chooseSavePath = [&f](const std::string& proposed) {
        return std::optional(f.devices.path() / proposed);
    };
    int replaced = 0;
    f.window->dialogs().confirmReplacingFile = [&replaced](const auto&) {
        return ++replaced, true;
    };
    ASSERT_FALSE(ChipFileCodec::save(ChipDocument("OLD"), f.devices.path() / "NE555.chip"));
    QTest::keyClicks(f.window->chipFields()->nameField(), QStringLiteral("NE555"));
    EXPECT_TRUE(f.window->isWindowModified());

    QTest::mouseClick(f.window->chipFiles()->newFileButton(), Qt::LeftButton);
    EXPECT_EQ(f.session.editor().chipName(), "NE555");
    EXPECT_FALSE(f.window->close());
    // Saved first (over NE555.chip, after asking), then replaced by the new chip.
    answer = UnsavedChoice::save;
    QTest::mouseClick(f.window->chipFiles()->newFileButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(ChipFileCodec::load(f.devices.path() / "NE555.chip")->name, "NE555");
    EXPECT_EQ(f.session.editor().chipName(), "");
    EXPECT_FALSE(f.window->isWindowModified());
}

// File > Load Chip File adds every file and loads the first after asking; the
// files a command line or a file manager hands over take the same way.
TEST(MainWindow, LoadChipFileAddsEveryFileAndLoadsTheFirstAfterAsking) {
    test::WindowFixture f;
    installMainMenus(*f.window, f.device);
    f.window->show();
    int asked = 0;
    UnsavedChoice answer = UnsavedChoice::cancel;
    f.window->dialogs().askAboutUnsavedChanges = [&] { return ++asked, answer; };
    f.window->dialogs().chooseChipFilesToAdd = [] {
        return std::vector{examples / "6116.chip", examples / "7400.chip"};
    };
    const auto loadChipFile = [&f] {
        QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);
    };

    QTest::keyClicks(f.window->chipFields()->nameField(), QStringLiteral("mine"));
    ASSERT_TRUE(test::activate(*f.window));
    loadChipFile();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.session.editor().chipName(), "mine"); // kept: the question was cancelled
    EXPECT_EQ(f.window->chipFiles()->list()->count(), 2);

    answer = UnsavedChoice::discard;
    loadChipFile();
    EXPECT_EQ(f.session.editor().chipName(), "6116");
    EXPECT_TRUE(f.window->windowTitle().startsWith(QStringLiteral("6116.chip")));
    loadChipFile(); // nothing to lose now: no question
    EXPECT_EQ(asked, 2);
}

// While a batch runs it can be cancelled, and delete-all waits for it; once it
// is over, delete-all asks and erases.
TEST(MainWindow, BatchSaveCanBeCancelledAndDeleteAllWaitsForIt) {
    SimulatorWindow f;
    NorixToolsMenu& tools = installMainMenus(*f.window, f.device);
    int alerts = 0;
    f.window->dialogs().confirmDeleteAllChips = [&alerts] { return ++alerts, true; };
    tools.deleteAllChipsAction()->trigger();
    EXPECT_TRUE(f.waitForLine("Connect to a Norix first."));

    ASSERT_TRUE(f.connectAndIdentify());
    auto* files = f.window->chipFiles();
    f.window->dialogs().chooseChipFilesToAdd = [] {
        return std::vector{examples / "7400.chip", examples / "6116.chip"};
    };
    f.click(files->addFilesButton());
    // The Norix takes its time over the code length, so the batch is still running.
    f.simulator.simulator().faults().add({0xCD, std::nullopt, sim::FaultAction::delay, 500});
    f.click(files->batchSaveButton());
    ASSERT_TRUE(waitFor([&] { return f.session.isBatchSaving(); }));
    EXPECT_FALSE(files->sendToNorixButton()->isEnabled());
    tools.deleteAllChipsAction()->trigger();
    QTest::qWait(20);
    EXPECT_EQ(alerts, 0); // refused while the batch runs
    EXPECT_TRUE(files->cancelBatchButton()->isVisible());
    f.click(files->cancelBatchButton());
    EXPECT_FALSE(f.session.isBatchSaving());
    EXPECT_FALSE(files->cancelBatchButton()->isVisible());

    ASSERT_TRUE(waitFor([&] { return !f.session.isUploading(); }));
    tools.deleteAllChipsAction()->trigger();
    ASSERT_TRUE(f.waitForLine("All chips were erased from Norix."));
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(f.simulator.simulator().memory().chips().empty());
}

} // namespace
} // namespace norix
