// Sending and storing a chip: the exact bytes of the metadata and strings
// block, chunking, retries and failures at every stage, the upload-mode check.

#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

// ---- Wire images, checked byte by byte against hand-written expectations ----

struct MetadataCase {
    const char* label;
    ChipDocument chip;
    std::size_t codeSize;
    Bytes expected;
    friend void PrintTo(const MetadataCase& c, std::ostream* os) { *os << c.label; }
};

Bytes metadataBytes(const std::string& name, Bytes tail) {
    Bytes bytes = {0x5A, 0xA5};
    Bytes field(32, 0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 32), field.begin());
    bytes.insert(bytes.end(), field.begin(), field.end());
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

class UploadMetadataTest : public ::testing::TestWithParam<MetadataCase> {};

// A short name, in-range values and the string count are pinned by the upload below.
TEST_P(UploadMetadataTest, MatchesTheWireLayout) {
    EXPECT_EQ(buildUploadMetadata(GetParam().chip, GetParam().codeSize), GetParam().expected);
}

const std::string fortyCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";

INSTANTIATE_TEST_SUITE_P(
    Chips, UploadMetadataTest,
    ::testing::Values(
        MetadataCase{
            "long name cut to 32 bytes, type above 16 bits",
            ChipDocument(fortyCharacters, 40, 70000, 8), 0x1234,
            metadataBytes(fortyCharacters.substr(0, 32), {0xFF, 0xFF, 40, 8, 0x34, 0x12, 0})},
        MetadataCase{"values clamped to their fields, largest code",
                     ChipDocument("X", 300, 300, -5, "", {"A", "", "B", "", "", "", "", ""}), 65535,
                     metadataBytes("X", {0x2C, 0x01, 255, 0, 0xFF, 0xFF, 2})},
        MetadataCase{"negative type and huge type",
                     ChipDocument("Y", -1, -7, 1000, "", {"1", "2", "3", "4", "5", "6", "7", "8"}),
                     16, metadataBytes("Y", {0, 0, 0, 255, 16, 0, 8})}),
    testing::PrintedName());

TEST(UploadStrings, SlotsHoldAtMost63BytesAndAZero) {
    // "é" is two bytes; 62 ASCII letters and it make 64 bytes, so the cut splits it.
    const std::string splitCharacter = std::string(62, 'e') + "\xC3\xA9";
    Bytes expected(512, 0);
    expected[0] = 'A';
    expected[128] = 'B';
    std::fill_n(expected.begin() + 192, 63, 'Q');
    std::fill_n(expected.begin() + 256, 62, 'e');
    expected[256 + 62] = 0xC3;
    std::copy_n("last", 4, expected.begin() + 448);
    EXPECT_EQ(
        buildUploadStrings({"A", "", "B", std::string(100, 'Q'), splitCharacter, "", "", "last"}),
        expected);
}

// ---- The conversation against the simulator -------------------------------

class ChipUploadTest : public ChipSessionFixture {};

TEST_F(ChipUploadTest, SendsEveryStepInOrderAndStoresOnRequest) {
    connect();
    setChip("NE555", programOf(5), 8, 4);
    session.editor().setChipString(0, "Timer");
    sendChip();

    ASSERT_EQ(session.upload().uploadStage(), NorixUploadStage::complete);
    // 512 bytes of strings go out as eight chunks of 63 and one of 8, 80 bytes of code as 63
    // and 17.
    Bytes expectedCodes = {cmdUploadModeQuery, cmdChipMetadata, cmdChipStringsBegin};
    expectedCodes.insert(expectedCodes.end(), 9, cmdChipStringsChunk);
    expectedCodes.insert(expectedCodes.end(), {cmdChipStringsEnd, cmdChipCodeLength,
                                               cmdChipCodeChunk, cmdChipCodeChunk});
    EXPECT_EQ(commandCodes(), expectedCodes);
    EXPECT_EQ(commandsWithCode(cmdChipMetadata).front().payload,
              metadataBytes("NE555", {4, 0, 8, 0, 80, 0, 1}));
    EXPECT_EQ(commandsWithCode(cmdChipCodeLength).front().payload, Bytes({80, 0}));
    EXPECT_EQ(commandsWithCode(cmdChipCodeChunk).back().payload.size(), 17u);
    EXPECT_EQ(
        lines(),
        (std::vector<std::string>{
            "Checking Norix upload mode...", "Norix is in upload mode.",
            "Uploading 5 instructions (80 bytes)...", "Metadata accepted. Uploading strings...",
            "Strings accepted. Sending code length...", "Code length accepted. Uploading code...",
            "Chip Upload complete. Click Save to Norix to store it or run it by "
            "pressing button 2"}));

    clearRecords();
    session.saveToNorixPressed();
    settle();
    EXPECT_EQ(commandCodes(), Bytes({cmdUploadModeQuery, cmdSaveChip}));
    EXPECT_TRUE(wrote("Saving uploaded chip to Norix..."));
    EXPECT_TRUE(wrote("Chip saved successfully."));
    ASSERT_EQ(sim.simulator().memory().chips().size(), 1u);
    const sim::StoredChip& stored = sim.simulator().memory().chips().front();
    EXPECT_EQ(stored.name(), "NE555");
    EXPECT_EQ(stored.stringBytes(0), Bytes({'T', 'i', 'm', 'e', 'r'}));

    // The stage is idle after a store, so a second store is refused.
    clearRecords();
    session.saveToNorixPressed();
    settle();
    EXPECT_TRUE(wrote("Send the chip to Norix before saving it."));
    EXPECT_EQ(commandCodes(), Bytes({cmdUploadModeQuery}));
}

// A failure, then a retry, at each stage: the failure ends the upload in the
// idle stage; the retry repeats the same command and payload. A failed store
// is reported the same way (the batch tests refuse one).
struct StageCase {
    std::uint8_t command;
    unsigned occurrence;
    friend void PrintTo(const StageCase& c, std::ostream* os) {
        *os << "command" << std::hex << std::uppercase << int{c.command} << "_" << std::dec
            << c.occurrence;
    }
};

class UploadStageFaultTest : public ChipSessionFixture,
                             public ::testing::WithParamInterface<StageCase> {};

TEST_P(UploadStageFaultTest, FailureEndsTheUploadAndRetryRepeatsTheSamePacket) {
    connect();
    setChip("RETRY", programOf(8));
    addFault(GetParam().command, GetParam().occurrence, sim::FaultAction::fail);
    sendChip();
    EXPECT_EQ(session.upload().uploadStage(), NorixUploadStage::idle);
    EXPECT_EQ(lines().back(), "Upload failed with response 0xB3.");
    EXPECT_EQ(commands.back().code, GetParam().command);

    // Nothing is stuck: the next upload starts from the beginning and completes.
    sim.simulator().faults().clear();
    sim.simulator().faults().resetCounts();
    addFault(GetParam().command, GetParam().occurrence, sim::FaultAction::retry);
    clearRecords();
    sendChip();
    EXPECT_EQ(session.upload().uploadStage(), NorixUploadStage::complete);
    EXPECT_TRUE(wrote("Norix requested a retry."));
    const auto sent = commandsWithCode(GetParam().command);
    ASSERT_GT(sent.size(), GetParam().occurrence);
    EXPECT_EQ(sent[GetParam().occurrence - 1].payload, sent[GetParam().occurrence].payload);
}

INSTANTIATE_TEST_SUITE_P(
    Chips, UploadStageFaultTest,
    ::testing::Values(StageCase{cmdChipMetadata, 1}, StageCase{cmdChipStringsBegin, 1},
                      StageCase{cmdChipStringsChunk, 4}, StageCase{cmdChipStringsEnd, 1},
                      StageCase{cmdChipCodeLength, 1}, StageCase{cmdChipCodeChunk, 2}),
    testing::PrintedName());

TEST_F(ChipUploadTest, UploadModeAndBusyRefusals) {
    sim.simulator().memory().storeChip(sim::makeStoredChip("A", 1, 14, 0, {}, Bytes(16, 1)), 128);
    connect();
    setChip("BUSY", programOf(4));
    // An unanswered query blocks a second one.
    addFault(cmdUploadModeQuery, 1, sim::FaultAction::drop);
    session.sendToNorixPressed();
    settle();
    EXPECT_FALSE(session.canUseUploadButtons());
    session.sendToNorixPressed();
    EXPECT_EQ(lines().back(), "An upload-mode check is already in progress.");
    EXPECT_EQ(commandsWithCode(cmdUploadModeQuery).size(), 1u);

    // An odd answer code fails the check.
    inject({0xB3, *session.pendingUploadModeSequence(), {}});
    EXPECT_EQ(lines().back(), "Upload-mode check failed with response 0xB3.");
    EXPECT_TRUE(session.canUseUploadButtons());

    // While chunks are still going out, another send or a delete is refused.
    addFault(cmdChipCodeChunk, 1, sim::FaultAction::drop);
    sendChip();
    ASSERT_EQ(session.upload().uploadStage(), NorixUploadStage::codeChunk);
    clearRecords();
    session.sendToNorixPressed();
    EXPECT_EQ(lines(), std::vector<std::string>{"An upload is already in progress."});
    session.sendChipToNorix();
    EXPECT_EQ(lines().back(), "An upload is already in progress.");
    session.setSelectedNorixChipIndex(0);
    session.deleteSelectedChipFromNorix();
    EXPECT_EQ(lines().back(), "Wait for the current upload to finish before deleting a chip.");
    session.deleteAllChipsFromNorix();
    EXPECT_EQ(lines().back(), "Wait for the current upload to finish before deleting all chips.");
    EXPECT_TRUE(commands.empty());
}

// Each validation text is pinned by the editor's tests; here: nothing is sent.
TEST_F(ChipUploadTest, RefusalsBeforeAnythingIsSent) {
    session.sendToNorixPressed();
    EXPECT_EQ(lines().back(), "Connect to a Norix first.");
    connect();
    setChip("", programOf(1), 50, 0);
    session.sendChipToNorix();
    EXPECT_EQ(lines().back(), "Chip pin count must be between 2 and 40.");
    clearRecords();
    session.saveUploadedChipToNorix();
    EXPECT_EQ(lines().front(), "Chip name is required.");
    clearRecords();
    setChip("BAD", "FUNC A\nENDFUNC\nFUNC A\nENDFUNC\n");
    session.sendChipToNorix();
    ASSERT_FALSE(lines().empty());
    EXPECT_EQ(lines().back().rfind("Compile error: ", 0), 0u) << lines().back();
    EXPECT_EQ(session.upload().uploadStage(), NorixUploadStage::idle);
    setChip("HUGE", programOf(4096));
    session.sendChipToNorix();
    EXPECT_EQ(lines().back(), "Compiled code is too large for the Norix metadata field.");
    EXPECT_TRUE(commands.empty());
}

} // namespace
} // namespace norix::testing
