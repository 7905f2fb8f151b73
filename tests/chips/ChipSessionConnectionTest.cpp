// Identifying the Norix, routing of answers nobody asked for, the terminal,
// and the state after a lost link.

#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

class ChipConnectionTest : public ChipSessionFixture {
protected:
    // Opens the port and lets the 0.5 s delay pass; the serial number is then outstanding.
    void openAndRequestSerial() {
        addFault(cmdSerialNumber, std::nullopt, sim::FaultAction::drop);
        session.setSelectedPort(sim.slavePath());
        session.connectOrDisconnect();
        settle();
        advance(serialNumberRequestDelay);
    }
};

struct SerialCase {
    const char* label;
    Bytes payload;
    bool useOtherSequence;
    std::string line;
    bool listRequested;
    friend void PrintTo(const SerialCase& c, std::ostream* os) { *os << c.label; }
};

class SerialAnswerTest : public ChipConnectionTest,
                         public ::testing::WithParamInterface<SerialCase> {};

TEST_P(SerialAnswerTest, EndsAsItShould) {
    openAndRequestSerial();
    const auto expected = session.pendingSerialSequence();
    ASSERT_TRUE(expected.has_value());
    const std::uint8_t sequence =
        GetParam().useOtherSequence ? static_cast<std::uint8_t>(*expected + 7) : *expected;
    inject({respSerialNumber, sequence, GetParam().payload});
    const std::string line = GetParam().useOtherSequence
                                 ? GetParam().line + std::to_string(sequence) + " instead of " +
                                       std::to_string(*expected) + "."
                                 : GetParam().line;
    EXPECT_EQ(lines().back(), line);
    EXPECT_FALSE(session.pendingSerialSequence().has_value());
    advance(connectionStepDelay);
    EXPECT_EQ(commandsWithCode(cmdChipCount).size(), GetParam().listRequested ? 1u : 0u);
}

const SerialCase serialCases[] = {
    {"blank", {' ', '\t', 0x01, '\n'}, false, "Norix returned an empty serial number.", true},
    {"nonAscii", {0x41, 0xFF}, false, "Norix returned non-ASCII serial payload [41 FF].", false},
    {"otherSequence", {'S', 'N', '2'}, true, "Received Norix S/N SN2, but sequence was ", true},
};
INSTANTIATE_TEST_SUITE_P(Chips, SerialAnswerTest, ::testing::ValuesIn(serialCases),
                         testing::PrintedName());

TEST_F(ChipConnectionTest, UnaskedSerialNumberStillIdentifiesTheNorix) {
    connect();
    inject({respSerialNumber, 200, {'L', 'A', 'T', 'E'}});
    EXPECT_EQ(session.norixSerialNumber(), "LATE");
    EXPECT_EQ(lines().back(), "Connected to Norix S/N LATE.");
    advance(connectionStepDelay);
    EXPECT_EQ(commandsWithCode(cmdChipCount).size(), 1u);
}

TEST_F(ChipConnectionTest, StrayAnswersCompleteNothing) {
    openAndRequestSerial();
    ASSERT_TRUE(session.pendingSerialSequence().has_value());
    const std::uint8_t stray = static_cast<std::uint8_t>(*session.pendingSerialSequence() + 1);
    for (std::uint8_t code : {respDone, respRetry, respChipCount, respChipName, respChipMetadata,
                              respChipCode, respChipString, respUploadModeOn})
        inject({code, stray, {1, 0}});
    EXPECT_TRUE(lines().size() <= 2u);
    EXPECT_FALSE(session.pendingSerialSequence().has_value());
    EXPECT_TRUE(session.norixChipList().norixChips().empty());
    EXPECT_EQ(session.upload().uploadStage(), NorixUploadStage::idle);
}

TEST_F(ChipConnectionTest, LostLinkClearsEveryConversationAndANewConnectionStartsFresh) {
    connect();
    sim.simulator().memory().storeChip(sim::makeStoredChip("A", 1, 14, 0, {}, Bytes(32, 1)), 128);
    session.requestChipList();
    settle();
    // Leave one request of every kind outstanding.
    addFault(std::nullopt, std::nullopt, sim::FaultAction::drop);
    session.setSelectedNorixChipIndex(0);
    session.loadSelectedNorixChip();
    session.deleteSelectedChipFromNorix();
    session.sendToNorixPressed();
    session.requestChipList();
    session.editor().addChipFiles({writeChipFile("b.chip", ChipDocument("B", 14, 1))});
    session.saveAllChipsToNorix();
    settle();
    EXPECT_TRUE(session.pendingUploadModeSequence().has_value());
    EXPECT_TRUE(session.norixChipLoad().pendingLoadMetadataSequence().has_value());
    EXPECT_TRUE(session.norixChipList().pendingDeleteChipSequence().has_value());
    ASSERT_TRUE(session.isBatchSaving());

    sim.simulator().hangUp();
    settle();
    EXPECT_EQ(session.deviceStatus(), "Disconnected");
    EXPECT_EQ(lines().back(), "Norix disconnected.");
    EXPECT_EQ(session.norixSerialNumber(), "");
    EXPECT_FALSE(session.pendingUploadModeSequence().has_value());
    EXPECT_FALSE(session.pendingUploadModeAction().has_value());
    EXPECT_FALSE(session.pendingSerialSequence().has_value());
    EXPECT_FALSE(session.isBatchSaving());
    EXPECT_FALSE(session.isUploading());
    EXPECT_TRUE(session.batch().batchDocuments().empty());
    const auto& list = session.norixChipList();
    EXPECT_FALSE(list.pendingChipCountSequence() || list.pendingChipNameSequence() ||
                 list.pendingDeleteChipSequence() || list.pendingDeleteAllChipsSequence());
    const auto& load = session.norixChipLoad();
    EXPECT_FALSE(load.pendingLoadMetadataSequence() || load.pendingLoadCodeSequence() ||
                 load.pendingLoadStringSequence() || load.isLoadingNorixChip());
    EXPECT_TRUE(list.norixChips().empty());
    EXPECT_FALSE(list.selectedNorixChipIndex().has_value());

    // A fresh simulator on a new port: identified and listed from scratch.
    sim::PtySimulator second(loop);
    ASSERT_TRUE(second.open());
    second.simulator().memory().clear();
    ASSERT_TRUE(link.connect(second.slavePath()));
    settle();
    advance(serialNumberRequestDelay);
    advance(connectionStepDelay);
    EXPECT_EQ(session.norixSerialNumber(), "SIM-0001");
    EXPECT_EQ(lines().back(), "No chips are stored on Norix.");
    advance(connectionStepDelay);
    EXPECT_EQ(fontListRequests, 2);
}

TEST(ChipTerminal, TrimsLineBreaksAndSkipsEmptyMessages) {
    Terminal terminal;
    for (const char* text : {"\n", "\r\n", "", "\n\nkept  \r\n", " spaced "})
        terminal.appendTerminal(text);
    EXPECT_EQ(
        std::vector<std::string>(terminal.terminalLines().begin(), terminal.terminalLines().end()),
        (std::vector<std::string>{"kept  ", " spaced "}));
}

TEST_F(ChipConnectionTest, PortChoicesAndConnectFailures) {
    link.addExtraPort(sim.slavePath(), "Norix simulator");
    session.refreshPortList();
    ASSERT_FALSE(session.serialPorts().empty());
    EXPECT_EQ(session.selectedPort(), session.serialPorts().front());
    session.setSelectedPort("/nonexistent/ttyACM9");
    session.connectOrDisconnect();
    EXPECT_EQ(session.selectedPort(), session.serialPorts().front());
    settle();
    EXPECT_TRUE(link.isConnected());
}

} // namespace
} // namespace norix::testing
