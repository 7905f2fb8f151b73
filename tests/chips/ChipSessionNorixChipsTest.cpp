// The chips stored on the Norix: listing, loading one back into the editor,
// deleting one or all; well-formed answers from the simulator and malformed
// ones injected by hand.

#include "core/language/LoadedCodeFormatter.h"
#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

// `instructions` instructions of 16 bytes, each the same opcode.
Bytes sampleCode(std::size_t instructions) {
    Bytes code(16 * instructions, 0);
    for (std::size_t i = 0; i < code.size(); i += 16)
        code[i] = 0xF0;
    return code;
}

class NorixChipsTest : public ChipSessionFixture {
protected:
    void store(const std::string& name) {
        sim.simulator().memory().storeChip(
            sim::makeStoredChip(name, 3, 24, 5, {"one", "", "three"}, sampleCode(2)), 128);
    }

    // Connects with `names` stored; the handshake loads the list.
    void connectWith(const std::vector<std::string>& names) {
        for (const auto& name : names)
            store(name);
        connect();
    }

    // Answers the outstanding request whose sequence is given, as the Norix would.
    void answer(std::uint8_t code, const std::optional<std::uint8_t>& sequence,
                Bytes payload = {}) {
        EXPECT_TRUE(sequence.has_value());
        inject({code, sequence.value_or(0), std::move(payload)});
    }
    const NorixChipList& list() { return session.norixChipList(); }
    const NorixChipLoad& load() { return session.norixChipLoad(); }

    // Starts loading the chip at `index` and lets its first request go out.
    void startLoad(std::size_t index) {
        session.setSelectedNorixChipIndex(index);
        session.loadSelectedNorixChip();
        settle();
    }

    // Metadata as the Norix stores it: the upload bytes, then zeros up to 128.
    static Bytes storedMetadata(const std::string& name, std::uint16_t codeSize) {
        Bytes metadata = sim::makeChipUploadMetadata(name, 3, 24, 5, codeSize, 0);
        metadata.resize(128, 0);
        return metadata;
    }
};

// Connecting: the serial number after half a second, the chip list one step
// later, then the fonts. An empty list is followed by the fonts too (the
// connection tests' reconnect).
TEST_F(NorixChipsTest, ConnectIdentifiesTheNorixListsEveryStoredChipThenAsksForTheFonts) {
    store("7400");
    sim.simulator().config().serialNumber = "  NX-42\r\n";
    session.setSelectedPort(sim.slavePath());
    session.connectOrDisconnect();
    settle();
    EXPECT_EQ(session.deviceStatus(), "Connected");
    EXPECT_EQ(lines(), std::vector<std::string>{"Serial port opened. Waiting for Norix..."});
    advance(serialNumberRequestDelay - Milliseconds(1));
    EXPECT_TRUE(commands.empty());
    advance(Milliseconds(1));
    EXPECT_EQ(session.norixSerialNumber(), "NX-42");
    EXPECT_EQ(lines().back(), "Connected to Norix S/N NX-42.");
    EXPECT_TRUE(wrote("Requesting Norix serial number..."));
    EXPECT_TRUE(commandsWithCode(cmdChipCount).empty());
    advance(connectionStepDelay);
    EXPECT_EQ(list().norixChips(), std::vector<std::string>{"7400"});
    EXPECT_EQ(lines().back(), "Loaded 1 chip from Norix.");
    EXPECT_EQ(fontListRequests, 0);
    advance(connectionStepDelay);
    EXPECT_EQ(fontListRequests, 1);
    EXPECT_TRUE(session.canRefreshNorixChips());
}

TEST_F(NorixChipsTest, MalformedCountsAndNames) {
    connectWith({});
    addFault(cmdChipCount, std::nullopt, sim::FaultAction::drop);
    addFault(cmdChipName, std::nullopt, sim::FaultAction::drop);

    session.requestChipList();
    settle();
    session.requestChipList();
    EXPECT_EQ(lines().back(), "The Norix chip list is already being loaded.");
    EXPECT_FALSE(session.canRefreshNorixChips());
    answer(respChipCount, list().pendingChipCountSequence(), {3});
    EXPECT_EQ(lines().back(), "Norix returned an invalid chip count.");

    session.requestChipList();
    settle();
    answer(respChipCount, list().pendingChipCountSequence(), {3, 0, 9});
    for (const Bytes& name : {Bytes{0, 0, 0}, Bytes{0xC3, 0x28, 'x'},
                              Bytes{' ', '\t', 'Z', '8', '0', '\r', 0, 'j', 'u', 'n', 'k'}})
        answer(respChipName, list().pendingChipNameSequence(), name);
    EXPECT_EQ(list().norixChips(),
              (std::vector<std::string>{"Unnamed Chip 1", "Unnamed Chip 2", "Z80"}));
    EXPECT_EQ(lines().back(), "Loaded 3 chips from Norix.");

    // A failure answer keeps the names received so far.
    session.requestChipList();
    settle();
    answer(respChipCount, list().pendingChipCountSequence(), {2, 0});
    answer(respChipName, list().pendingChipNameSequence(), {'6', '8', '0', '0'});
    answer(respFail, list().pendingChipNameSequence());
    EXPECT_EQ(lines().back(), "Norix chip-name request failed with response 0xB3.");
    EXPECT_EQ(list().norixChips(), std::vector<std::string>{"6800"});
    EXPECT_FALSE(list().isLoadingChipList());
}

TEST_F(NorixChipsTest, LoadsAStoredChipIntoTheEditor) {
    const Bytes code = sampleCode(9); // 144 bytes: three code parts of 64 bytes at most
    const std::vector<std::string> strings{"RAM", "", "x\x7Fz", "", "", "", "", "end"};
    sim.simulator().memory().storeChip(sim::makeStoredChip("6116", 2, 24, 5, strings, code), 128);
    connect();
    session.editor().setSelectedType(6);
    startLoad(0);

    const auto& editor = session.editor();
    EXPECT_EQ((std::vector<std::int64_t>{editor.selectedType(), editor.selectedPins(),
                                         editor.selectedImage()}),
              (std::vector<std::int64_t>{2, 24, 5}));
    EXPECT_EQ(editor.chipName(), "6116");
    EXPECT_EQ(editor.chipCode(), formatLoadedNorixCode(code));
    EXPECT_EQ(editor.chipStrings(), strings);
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Loading 6116 from Norix...",
                           "Loaded metadata for 6116. Stored code size: 144 bytes.",
                           "Loaded 144 bytes of test code.", "Loaded all chip strings."}));
    EXPECT_TRUE(session.canLoadSelectedNorixChip());
}

// Metadata parts as a device might cut them: the load must ask for exactly as
// many parts as it needs, and cut what is too long at 128 bytes.
struct MetadataPartsCase {
    std::vector<std::size_t> parts;
    std::size_t continueRequests;
    friend void PrintTo(const MetadataPartsCase& c, std::ostream* os) {
        for (std::size_t i = 0; i < c.parts.size(); ++i)
            *os << (i ? "+" : "") << c.parts[i];
    }
};

class MetadataPartsTest : public NorixChipsTest,
                          public ::testing::WithParamInterface<MetadataPartsCase> {};

TEST_P(MetadataPartsTest, AssemblesTheFirst128Bytes) {
    connectWith({"4164"});
    addFault(cmdLoadChipMetadata, std::nullopt, sim::FaultAction::drop);
    addFault(cmdLoadChipCode, std::nullopt, sim::FaultAction::drop);
    Bytes metadata = storedMetadata("4164", 32);
    metadata.resize(256, 0xEE); // anything beyond 128 bytes must be ignored
    startLoad(0);
    auto part = metadata.begin();
    for (std::size_t size : GetParam().parts) {
        answer(respChipMetadata, load().pendingLoadMetadataSequence(),
               Bytes(part, part + static_cast<std::ptrdiff_t>(size)));
        part += static_cast<std::ptrdiff_t>(size);
    }
    EXPECT_EQ(commandsWithCode(cmdLoadChipMetadata).size(), 1 + GetParam().continueRequests);
    EXPECT_TRUE(wrote("Loaded metadata for 4164. Stored code size: 32 bytes."));
}

const MetadataPartsCase metadataParts[] = {
    {{64, 64}, 1}, {{100, 100}, 1}, {{0, 128}, 1}, {{200}, 0}, {{1, 1, 126}, 2}};
INSTANTIATE_TEST_SUITE_P(Chips, MetadataPartsTest, ::testing::ValuesIn(metadataParts),
                         testing::PrintedName());

TEST_F(NorixChipsTest, SwappedMarkerLeavesTheEditorButStillAsksForTheCode) {
    connectWith({"BAD"});
    addFault(cmdLoadChipMetadata, std::nullopt, sim::FaultAction::drop);
    addFault(cmdLoadChipCode, std::nullopt, sim::FaultAction::drop);
    setChip("MINE", "/* mine */", 16, 4);
    Bytes metadata = storedMetadata("BAD", 16);
    std::swap(metadata[0], metadata[1]);
    startLoad(0);
    answer(respChipMetadata, load().pendingLoadMetadataSequence(), metadata);
    EXPECT_TRUE(wrote("Selected chip has invalid metadata marker 0x5AA5."));
    EXPECT_EQ(load().metadataProblem(), "Selected chip has invalid metadata marker 0x5AA5.");
    EXPECT_EQ(session.editor().chipName(), "MINE");
    EXPECT_EQ(session.editor().selectedPins(), 16);
    EXPECT_EQ(commandsWithCode(cmdLoadChipCode).size(), 1u);
}

TEST_F(NorixChipsTest, CodeAnswersOfEveryShape) {
    connectWith({"A", "B"});
    addFault(cmdLoadChipCode, std::nullopt, sim::FaultAction::drop);
    addFault(cmdLoadChipString, std::nullopt, sim::FaultAction::drop);
    // Starts loading chip `index` and answers its code request with `payload`.
    const auto codeAnswer = [&](std::size_t index, Bytes payload,
                                std::uint8_t code = respChipCode) {
        clearRecords();
        startLoad(index);
        answer(code, load().pendingLoadCodeSequence(), std::move(payload));
    };
    const auto moreCode = [&](Bytes part) {
        answer(respChipCode, load().pendingLoadCodeSequence(), std::move(part));
    };

    // A size of 0: no code, no strings.
    codeAnswer(1, {0, 0});
    EXPECT_EQ(lines().back(), "The selected chip contains no test code.");
    EXPECT_TRUE(commandsWithCode(cmdLoadChipString).empty());
    EXPECT_FALSE(load().isLoadingNorixChip());

    codeAnswer(0, {5}); // a short header
    EXPECT_EQ(lines().back(), "Norix returned an invalid chip code length.");

    // More code than announced is cut at the size.
    const Bytes code = sampleCode(2);
    codeAnswer(0, {32, 0});
    moreCode(Bytes(code.begin(), code.begin() + 20));
    Bytes tooMuch(code.begin() + 20, code.end());
    tooMuch.insert(tooMuch.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    moreCode(tooMuch);
    EXPECT_TRUE(wrote("Loaded 32 bytes of test code."));
    EXPECT_EQ(session.editor().chipCode(), formatLoadedNorixCode(code));
    EXPECT_EQ(commandsWithCode(cmdLoadChipString).size(), 1u);

    // Strings: the bytes before a zero, ASCII only.
    std::vector<Bytes> strings = {{'A', 'B', 'C', 0, 'x', 'y'}, {'o', 'k', 0x80, 0}, {}};
    for (int i = 3; i < 8; ++i)
        strings.push_back({static_cast<std::uint8_t>('0' + i)});
    for (const auto& payload : strings)
        answer(respChipString, load().pendingLoadStringSequence(), payload);
    EXPECT_EQ(session.editor().chipStrings(),
              (std::vector<std::string>{"ABC", "", "", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(lines().back(), "Loaded all chip strings.");

    // The device stops sending code: the load ends, the editor keeps what it has.
    codeAnswer(1, {64, 0});
    moreCode({1, 2});
    moreCode({});
    EXPECT_EQ(lines().back(), "Norix stopped sending code before the complete test was received.");
    EXPECT_EQ(session.editor().chipName(), "B");
    EXPECT_FALSE(load().isLoadingNorixChip());

    // Failure answers at each step.
    codeAnswer(0, {}, respFail);
    EXPECT_EQ(lines().back(), "Chip code request failed with response 0xB3.");
    codeAnswer(0, {16, 0});
    moreCode(sampleCode(1));
    answer(respBadSize, load().pendingLoadStringSequence());
    EXPECT_EQ(lines().back(), "String 0 request failed (0xB4).");
    EXPECT_FALSE(load().isLoadingNorixChip());
}

TEST_F(NorixChipsTest, LoadRefusals) {
    session.loadSelectedNorixChip();
    EXPECT_EQ(lines().back(), "Connect to a Norix first.");
    connectWith({"ONLY"});
    session.loadSelectedNorixChip();
    EXPECT_EQ(lines().back(), "Select a chip from the Norix list first.");
    session.setSelectedNorixChipIndex(1);
    session.loadSelectedNorixChip();
    EXPECT_EQ(lines().back(), "Select a chip from the Norix list first.");
    addFault(cmdLoadChipMetadata, 1, sim::FaultAction::fail);
    startLoad(0);
    EXPECT_EQ(lines().back(), "Chip metadata request failed with response 0xB3.");
    addFault(cmdLoadChipMetadata, std::nullopt, sim::FaultAction::drop);
    session.loadSelectedNorixChip();
    settle();
    EXPECT_FALSE(session.canLoadSelectedNorixChip());
    session.loadSelectedNorixChip();
    EXPECT_EQ(lines().back(), "A chip is already being loaded from Norix.");
}

// The texts on the way are pinned by the command-line delete, a refusal by the window's.
TEST_F(NorixChipsTest, DeletesOneChipAndReloadsTheList) {
    connectWith({"A", "B", "C"});
    session.setSelectedNorixChipIndex(1);
    session.deleteSelectedChipFromNorix();
    settle();
    EXPECT_EQ(commandsWithCode(cmdDeleteChip).front().payload, Bytes({1, 0}));
    EXPECT_EQ(session.norixChipList().norixChips(), (std::vector<std::string>{"A", "C"}));
    EXPECT_FALSE(session.norixChipList().selectedNorixChipIndex().has_value());
    EXPECT_EQ(lines().back(), "Loaded 2 chips from Norix.");
}

TEST_F(NorixChipsTest, DeleteAllAfterConfirmationAndUploadModeCheck) {
    connectWith({"A", "B"});
    session.requestDeleteAllChips();
    EXPECT_TRUE(session.showDeleteAllChipsConfirmation());
    EXPECT_TRUE(commands.empty());
    session.confirmDeleteAllChips();
    settle();
    EXPECT_FALSE(session.showDeleteAllChipsConfirmation());
    EXPECT_EQ(commandCodes(), Bytes({cmdUploadModeQuery, cmdDeleteAllChips}));
    EXPECT_EQ(lines().back(), "All chips were erased from Norix.");
    EXPECT_TRUE(session.norixChipList().norixChips().empty());

    addFault(cmdDeleteAllChips, 2, sim::FaultAction::fail);
    session.requestDeleteAllChips();
    session.confirmDeleteAllChips();
    settle();
    EXPECT_EQ(lines().back(), "Delete all chips failed with response 0xB3.");
}

} // namespace
} // namespace norix::testing
