// The chips stored on the Norix: listing, loading one back into the editor,
// deleting one or all; well-formed answers from the simulator and malformed
// ones injected by hand.

#include "core/language/LoadedCodeFormatter.h"
#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

Bytes sampleCode(std::size_t instructions) {
    Bytes code;
    for (std::size_t i = 0; i < instructions; ++i) {
        const Bytes instruction = {0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        code.insert(code.end(), instruction.begin(), instruction.end());
    }
    return code;
}

class NorixChipsTest : public ChipSessionFixture {
protected:
    void store(const std::string& name, const Bytes& code = sampleCode(2),
               std::vector<std::string> strings = {"one", "", "three"}) {
        sim.simulator().memory().storeChip(makeStoredChip(name, 3, 24, 5, strings, code), 128);
    }

    // Connects with `names` stored; the handshake loads the list.
    void connectWith(const std::vector<std::string>& names) {
        for (const auto& name : names)
            store(name);
        connect();
    }

    std::uint8_t pending(const std::optional<std::uint8_t>& sequence) {
        EXPECT_TRUE(sequence.has_value());
        return sequence.value_or(0);
    }

    // Metadata as the Norix stores it: the upload bytes, then zeros up to 128.
    static Bytes storedMetadata(const std::string& name, std::uint16_t codeSize) {
        Bytes metadata = makeChipUploadMetadata(name, 3, 24, 5, codeSize, 0);
        metadata.resize(128, 0);
        return metadata;
    }
};

struct ListCase {
    std::vector<std::string> stored;
    std::string summary;
    friend void PrintTo(const ListCase& c, std::ostream* os) { *os << c.stored.size() << "_chips"; }
};

class NorixChipListTest : public NorixChipsTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(NorixChipListTest, ListsEveryStoredChipThenAsksForTheFonts) {
    for (const auto& name : GetParam().stored)
        store(name);
    session.setSelectedPort(sim.slavePath());
    ASSERT_TRUE(link.connect(sim.slavePath()));
    settle();
    advance(serialNumberRequestDelay);
    advance(connectionStepDelay);
    EXPECT_EQ(session.norixChipList().norixChips(), GetParam().stored);
    EXPECT_EQ(lines().back(), GetParam().summary);
    const auto names = commandsWithCode(cmdChipName);
    ASSERT_EQ(names.size(), GetParam().stored.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i].payload, Bytes({static_cast<std::uint8_t>(i), 0}));
    EXPECT_EQ(fontListRequests, 0);
    advance(connectionStepDelay);
    EXPECT_EQ(fontListRequests, 1);
    EXPECT_TRUE(session.canRefreshNorixChips());
}

INSTANTIATE_TEST_SUITE_P(Chips, NorixChipListTest,
                         ::testing::Values(ListCase{{}, "No chips are stored on Norix."},
                                           ListCase{{"7400"}, "Loaded 1 chip from Norix."},
                                           ListCase{{"7400", "6502", "4116"},
                                                    "Loaded 3 chips from Norix."}),
                         testing::PrintedName());

TEST_F(NorixChipsTest, MalformedCountsAndNames) {
    connectWith({});
    addFault(cmdChipCount, std::nullopt, FaultAction::drop);
    addFault(cmdChipName, std::nullopt, FaultAction::drop);

    session.requestChipList();
    settle();
    session.requestChipList();
    EXPECT_EQ(lines().back(), "The Norix chip list is already being loaded.");
    EXPECT_FALSE(session.canRefreshNorixChips());
    inject({respChipCount, pending(session.norixChipList().pendingChipCountSequence()), {3}});
    EXPECT_EQ(lines().back(), "Norix returned an invalid chip count.");

    session.requestChipList();
    settle();
    inject({respChipCount, pending(session.norixChipList().pendingChipCountSequence()), {3, 0, 9}});
    inject({respChipName, pending(session.norixChipList().pendingChipNameSequence()), {0, 0, 0}});
    inject({respChipName,
            pending(session.norixChipList().pendingChipNameSequence()),
            {0xC3, 0x28, 'x'}});
    inject({respChipName,
            pending(session.norixChipList().pendingChipNameSequence()),
            {' ', '\t', 'Z', '8', '0', '\r', 0, 'j', 'u', 'n', 'k'}});
    EXPECT_EQ(session.norixChipList().norixChips(),
              (std::vector<std::string>{"Unnamed Chip 1", "Unnamed Chip 2", "Z80"}));
    EXPECT_EQ(lines().back(), "Loaded 3 chips from Norix.");

    // A failure answer keeps the names received so far.
    session.requestChipList();
    settle();
    inject({respChipCount, pending(session.norixChipList().pendingChipCountSequence()), {2, 0}});
    inject({respChipName,
            pending(session.norixChipList().pendingChipNameSequence()),
            {'6', '8', '0', '0'}});
    inject({respFail, pending(session.norixChipList().pendingChipNameSequence()), {}});
    EXPECT_EQ(lines().back(), "Norix chip-name request failed with response 0xB3.");
    EXPECT_EQ(session.norixChipList().norixChips(), std::vector<std::string>{"6800"});
    EXPECT_FALSE(session.norixChipList().isLoadingChipList());
}

TEST_F(NorixChipsTest, LoadsAStoredChipIntoTheEditor) {
    const Bytes code = sampleCode(9); // 144 bytes: three code parts of 64 bytes at most
    sim.simulator().memory().storeChip(
        makeStoredChip("6116", 2, 24, 5, {"RAM", "", "x\x7Fz", "", "", "", "", "end"}, code), 128);
    connect();
    session.editor().setSelectedType(6);
    session.setSelectedNorixChipIndex(0);
    session.loadSelectedNorixChip();
    settle();

    const auto& editor = session.editor();
    EXPECT_EQ(editor.chipName(), "6116");
    EXPECT_EQ(editor.selectedType(), 2);
    EXPECT_EQ(editor.selectedPins(), 24);
    EXPECT_EQ(editor.selectedImage(), 5);
    EXPECT_EQ(editor.chipCode(), formatLoadedNorixCode(code));
    EXPECT_EQ(editor.chipStrings(),
              (std::vector<std::string>{"RAM", "", "x\x7Fz", "", "", "", "", "end"}));
    EXPECT_FALSE(editor.currentFileURL().has_value());
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Loading 6116 from Norix...",
                           "Loaded metadata for 6116. Stored code size: 144 bytes.",
                           "Loaded 144 bytes of test code.", "Loaded all chip strings."}));
    const auto metadataRequests = commandsWithCode(cmdLoadChipMetadata);
    ASSERT_EQ(metadataRequests.size(), 2u);
    EXPECT_EQ(metadataRequests[0].payload, Bytes({0, 0}));
    EXPECT_EQ(metadataRequests[1].payload, Bytes({0xAA, 0xAA}));
    const auto codeRequests = commandsWithCode(cmdLoadChipCode);
    ASSERT_EQ(codeRequests.size(), 4u); // the size header, then three parts
    EXPECT_EQ(codeRequests[0].payload, Bytes({0, 0}));
    EXPECT_EQ(codeRequests[3].payload, Bytes({0xAA, 0xAA}));
    const auto stringRequests = commandsWithCode(cmdLoadChipString);
    ASSERT_EQ(stringRequests.size(), 8u);
    EXPECT_EQ(stringRequests[7].payload, Bytes({0, 0, 7}));
    EXPECT_FALSE(session.norixChipLoad().isLoadingNorixChip());
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
    addFault(cmdLoadChipMetadata, std::nullopt, FaultAction::drop);
    addFault(cmdLoadChipCode, std::nullopt, FaultAction::drop);
    Bytes metadata = storedMetadata("4164", 32);
    metadata.resize(256, 0xEE); // anything beyond 128 bytes must be ignored
    session.setSelectedNorixChipIndex(0);
    session.loadSelectedNorixChip();
    settle();
    std::size_t offset = 0;
    for (std::size_t size : GetParam().parts) {
        const Bytes part(metadata.begin() + static_cast<std::ptrdiff_t>(offset),
                         metadata.begin() + static_cast<std::ptrdiff_t>(offset + size));
        inject({respChipMetadata, pending(session.norixChipLoad().pendingLoadMetadataSequence()),
                part});
        offset += size;
    }
    EXPECT_EQ(commandsWithCode(cmdLoadChipMetadata).size(), 1 + GetParam().continueRequests);
    EXPECT_EQ(session.editor().chipName(), "4164");
    EXPECT_EQ(session.editor().selectedPins(), 24);
    EXPECT_TRUE(wrote("Loaded metadata for 4164. Stored code size: 32 bytes."));
    EXPECT_EQ(commandsWithCode(cmdLoadChipCode).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Chips, MetadataPartsTest,
                         ::testing::Values(MetadataPartsCase{{64, 64}, 1},
                                           MetadataPartsCase{{100, 100}, 1},
                                           MetadataPartsCase{{0, 128}, 1},
                                           MetadataPartsCase{{200}, 0},
                                           MetadataPartsCase{{1, 1, 126}, 2}),
                         testing::PrintedName());

TEST_F(NorixChipsTest, SwappedMarkerLeavesTheEditorButStillAsksForTheCode) {
    connectWith({"BAD"});
    addFault(cmdLoadChipMetadata, std::nullopt, FaultAction::drop);
    addFault(cmdLoadChipCode, std::nullopt, FaultAction::drop);
    setChip("MINE", "/* mine */", 16, 4);
    Bytes metadata = storedMetadata("BAD", 16);
    std::swap(metadata[0], metadata[1]);
    session.setSelectedNorixChipIndex(0);
    session.loadSelectedNorixChip();
    settle();
    inject({respChipMetadata, pending(session.norixChipLoad().pendingLoadMetadataSequence()),
            metadata});
    EXPECT_TRUE(wrote("Selected chip has invalid metadata marker 0x5AA5."));
    EXPECT_EQ(session.norixChipLoad().metadataProblem(),
              "Selected chip has invalid metadata marker 0x5AA5.");
    EXPECT_EQ(session.editor().chipName(), "MINE");
    EXPECT_EQ(session.editor().selectedPins(), 16);
    ASSERT_EQ(commandsWithCode(cmdLoadChipCode).size(), 1u);
    EXPECT_EQ(commandsWithCode(cmdLoadChipCode)[0].payload, Bytes({0, 0}));
}

TEST_F(NorixChipsTest, CodeAnswersOfEveryShape) {
    connectWith({"A", "B"});
    addFault(cmdLoadChipCode, std::nullopt, FaultAction::drop);
    addFault(cmdLoadChipString, std::nullopt, FaultAction::drop);
    const auto startLoad = [&](std::size_t index) {
        clearRecords();
        session.setSelectedNorixChipIndex(index);
        session.loadSelectedNorixChip();
        settle();
        return pending(session.norixChipLoad().pendingLoadCodeSequence());
    };

    // A size of 0: no code, no strings.
    inject({respChipCode, startLoad(1), {0, 0}});
    EXPECT_EQ(lines().back(), "The selected chip contains no test code.");
    EXPECT_EQ(session.editor().chipCode(), "");
    EXPECT_TRUE(commandsWithCode(cmdLoadChipString).empty());
    EXPECT_FALSE(session.norixChipLoad().isLoadingNorixChip());

    // A short header.
    inject({respChipCode, startLoad(0), {5}});
    EXPECT_EQ(lines().back(), "Norix returned an invalid chip code length.");

    // More code than announced is cut at the size.
    const Bytes code = sampleCode(2);
    inject({respChipCode, startLoad(0), {32, 0}});
    inject({respChipCode, pending(session.norixChipLoad().pendingLoadCodeSequence()),
            Bytes(code.begin(), code.begin() + 20)});
    Bytes tooMuch(code.begin() + 20, code.end());
    tooMuch.insert(tooMuch.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    inject({respChipCode, pending(session.norixChipLoad().pendingLoadCodeSequence()), tooMuch});
    EXPECT_TRUE(wrote("Loaded 32 bytes of test code."));
    EXPECT_EQ(session.editor().chipCode(), formatLoadedNorixCode(code));
    EXPECT_EQ(commandsWithCode(cmdLoadChipString).size(), 1u);

    // Strings: the bytes before a zero, ASCII only.
    std::vector<Bytes> strings = {{'A', 'B', 'C', 0, 'x', 'y'}, {'o', 'k', 0x80, 0}, {}};
    for (int i = 3; i < 8; ++i)
        strings.push_back({static_cast<std::uint8_t>('0' + i)});
    for (const auto& payload : strings)
        inject({respChipString, pending(session.norixChipLoad().pendingLoadStringSequence()),
                payload});
    EXPECT_EQ(session.editor().chipStrings(),
              (std::vector<std::string>{"ABC", "", "", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(lines().back(), "Loaded all chip strings.");

    // The device stops sending code: the load ends, the editor keeps what it has.
    inject({respChipCode, startLoad(1), {64, 0}});
    inject({respChipCode, pending(session.norixChipLoad().pendingLoadCodeSequence()), {1, 2}});
    inject({respChipCode, pending(session.norixChipLoad().pendingLoadCodeSequence()), {}});
    EXPECT_EQ(lines().back(), "Norix stopped sending code before the complete test was received.");
    EXPECT_EQ(session.editor().chipName(), "B");
    EXPECT_FALSE(session.norixChipLoad().isLoadingNorixChip());

    // Failure answers at each step.
    inject({respFail, startLoad(0), {}});
    EXPECT_EQ(lines().back(), "Chip code request failed with response 0xB3.");
    inject({respChipCode, startLoad(0), {16, 0}});
    inject(
        {respChipCode, pending(session.norixChipLoad().pendingLoadCodeSequence()), sampleCode(1)});
    inject({respBadSize, pending(session.norixChipLoad().pendingLoadStringSequence()), {}});
    EXPECT_EQ(lines().back(), "String 0 request failed (0xB4).");
    EXPECT_FALSE(session.norixChipLoad().isLoadingNorixChip());
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
    addFault(cmdLoadChipMetadata, 1, FaultAction::fail);
    session.setSelectedNorixChipIndex(0);
    session.loadSelectedNorixChip();
    settle();
    EXPECT_EQ(lines().back(), "Chip metadata request failed with response 0xB3.");
    addFault(cmdLoadChipMetadata, std::nullopt, FaultAction::drop);
    session.loadSelectedNorixChip();
    settle();
    EXPECT_FALSE(session.canLoadSelectedNorixChip());
    session.loadSelectedNorixChip();
    EXPECT_EQ(lines().back(), "A chip is already being loaded from Norix.");
}

TEST_F(NorixChipsTest, DeletesOneChipAndReloadsTheList) {
    connectWith({"A", "B", "C"});
    session.setSelectedNorixChipIndex(1);
    session.deleteSelectedChipFromNorix();
    settle();
    EXPECT_EQ(commandsWithCode(cmdDeleteChip).front().payload, Bytes({1, 0}));
    EXPECT_EQ(session.norixChipList().norixChips(), (std::vector<std::string>{"A", "C"}));
    EXPECT_FALSE(session.norixChipList().selectedNorixChipIndex().has_value());
    EXPECT_EQ(lines()[0], "Deleting Norix slot 1, shown as B.");
    EXPECT_EQ(lines()[1], "Deleting B from Norix...");
    EXPECT_EQ(lines()[2], "Chip deleted from Norix.");
    EXPECT_EQ(lines().back(), "Loaded 2 chips from Norix.");

    addFault(cmdDeleteChip, 2, FaultAction::fail);
    session.setSelectedNorixChipIndex(0);
    session.deleteSelectedChipFromNorix();
    settle();
    EXPECT_EQ(lines().back(), "Delete chip failed with response 0xB3.");
    EXPECT_EQ(session.norixChipList().norixChips().size(), 2u);
}

TEST_F(NorixChipsTest, DeleteWaitsForAnUploadAndForItsOwnRequest) {
    connectWith({"A"});
    setChip("UP", programOf(8));
    addFault(cmdChipCodeChunk, 1, FaultAction::drop);
    sendChip();
    ASSERT_TRUE(session.isUploading());
    clearRecords();
    session.setSelectedNorixChipIndex(0);
    session.deleteSelectedChipFromNorix();
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Deleting Norix slot 0, shown as A.",
                           "Wait for the current upload to finish before deleting a chip."}));
    session.deleteAllChipsFromNorix();
    EXPECT_EQ(lines().back(), "Wait for the current upload to finish before deleting all chips.");
    EXPECT_TRUE(commands.empty());
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
    EXPECT_TRUE(sim.simulator().memory().chips().empty());

    addFault(cmdDeleteAllChips, 2, FaultAction::fail);
    session.requestDeleteAllChips();
    session.confirmDeleteAllChips();
    settle();
    EXPECT_EQ(lines().back(), "Delete all chips failed with response 0xB3.");
}

} // namespace
} // namespace norix::testing
