// The editor fields and the "Chip Files" list: validation, new, add, load,
// save and save-as with the chosen path, remove and clear, what each load and
// save returns, and when the editor holds unsaved changes.

#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

class ChipLibraryTest : public ChipSessionFixture {
protected:
    ChipEditor& editor() { return session.editor(); }

    // A save panel that answers with `path` and counts how often it was shown.
    SavePathChooser chooser(std::optional<std::filesystem::path> path) {
        return [this, path](const std::string& proposed) {
            proposedNames.push_back(proposed);
            return path;
        };
    }
    std::vector<std::string> proposedNames;
};

TEST_F(ChipLibraryTest, NewChipFileEmptiesTheEditor) {
    setChip("OLD", "ENDTEST", 8, 3);
    editor().newChipFile();
    EXPECT_EQ(editor().selectedType(), 0);
    EXPECT_EQ(editor().chipCode(), "");
    EXPECT_EQ(lines(), std::vector<std::string>{"New chip file."});
}

TEST_F(ChipLibraryTest, ValidationWritesEveryFailureInOrder) {
    const std::string noName = "Chip name is required.";
    const std::string badPins = "Chip pin count must be between 2 and 40.";
    // Name, type, pins, and the terminal's lines joined.
    const std::vector<std::tuple<std::string, std::int64_t, std::int64_t, std::string>> cases = {
        {"", 0, 50, noName + "\nSelect a chip type.\n" + badPins},
        {" \n\t", 1, 14, noName},
        {"A", 1, 1, badPins},
        {"A", 1, 41, badPins},
        {"A", 1, 2, ""},
        {"A", 6, 40, ""}};
    for (const auto& [name, type, pins, failure] : cases) {
        session.terminal().clear();
        setChip(name, "", pins, type);
        // An invalid chip never reaches the save panel; a valid one is cancelled there.
        const auto result = editor().saveChipFile(chooser(std::nullopt));
        EXPECT_EQ(session.terminal().joinedText(), failure) << name << pins;
        EXPECT_EQ(result.outcome,
                  failure.empty() ? ChipFileOutcome::cancelled : ChipFileOutcome::failed);
        EXPECT_EQ(result.failure, failure);
    }
    EXPECT_EQ(proposedNames.size(), 2u);
}

TEST_F(ChipLibraryTest, AddingListsEachNameOnce) {
    const auto a = writeChipFile("A.chip", ChipDocument("A", 14, 1));
    std::filesystem::create_directories(folder / "other");
    const auto otherA = writeChipFile("other/A.chip", ChipDocument("A2", 14, 1));
    const auto b = writeChipFile("B.chip", ChipDocument("B", 14, 1));
    editor().addChipFiles({a});
    editor().addChipFiles({a});
    editor().addChipFiles({b, otherA});
    editor().addChipFiles({});
    EXPECT_EQ(lines(), (std::vector<std::string>{"Added 1 chip file.", "Added 1 chip file.",
                                                 "Added 2 chip files."}));
    EXPECT_EQ(editor().chips(), (std::vector<std::string>{"A.chip", "B.chip"}));

    editor().setSelectedChip("A.chip");
    editor().loadSelectedChipFile();
    EXPECT_EQ(editor().chipName(), "A2");
    EXPECT_EQ(editor().currentFileURL(), otherA);
    EXPECT_EQ(lines().back(), "Loaded A.chip.");

    editor().removeSelectedChipFile();
    EXPECT_EQ(editor().chips(), std::vector<std::string>{"B.chip"});
    EXPECT_FALSE(editor().selectedChip().has_value());
    editor().removeSelectedChipFile(); // nothing selected: nothing happens
    EXPECT_EQ(editor().chips().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(otherA));
    editor().clearChipFiles();
    EXPECT_TRUE(editor().chips().empty());
}

TEST_F(ChipLibraryTest, LoadFailuresLeaveTheEditorAloneAndReturnTheTerminalsText) {
    setChip("KEEP", "/* keep */");
    const auto failure = [this] {
        const auto result = editor().loadSelectedChipFile();
        EXPECT_EQ(result.outcome, ChipFileOutcome::failed);
        EXPECT_EQ(result.failure, lines().back());
        return result.failure;
    };
    EXPECT_EQ(failure(), "Select a chip file first.");
    editor().setSelectedChip("ghost.chip");
    EXPECT_EQ(failure(), "The selected chip file could not be found.");
    const auto broken = writeChipFile("broken.chip", ChipDocument("X"));
    std::ofstream(broken, std::ios::trunc) << "[chipfile]\ntype = multi\n";
    editor().addChipFiles({broken});
    editor().setSelectedChip("broken.chip");
    EXPECT_EQ(failure(), "Load failed: Unsupported chip file type: multi.");
    EXPECT_EQ(editor().chipName(), "KEEP");
    EXPECT_TRUE(editor().isModified());
}

TEST_F(ChipLibraryTest, SaveAsksForAPathOnceThenWritesBack) {
    setChip("NE555", "ENDTEST", 8, 4);
    editor().saveChipFile(chooser(folder / "timer"));
    EXPECT_EQ(proposedNames, std::vector<std::string>{"NE555.chip"});
    EXPECT_EQ(editor().currentFileURL(), folder / "timer.chip");
    EXPECT_EQ(lines().back(), "Saved timer.chip.");

    editor().setChipString(2, "third");
    editor().saveChipFile(chooser(std::nullopt));
    EXPECT_EQ(proposedNames.size(), 1u);
    auto reread = ChipFileCodec::load(folder / "timer.chip");
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->strings[2], "third");
    EXPECT_TRUE(editor().chips().empty()); // saving does not add to the list
}

TEST_F(ChipLibraryTest, SaveAsFixesTheExtension) {
    setChip("NE555", "");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"NE555.txt", "NE555.chip"}, {"NE555.CHIP", "NE555.CHIP"}, {"plain", "plain.chip"}};
    for (const auto& [chosen, written] : cases) {
        editor().saveChipFileAs(chooser(folder / chosen));
        EXPECT_TRUE(std::filesystem::exists(folder / written)) << chosen;
        EXPECT_EQ(lines().back(), "Saved " + written + ".");
    }
}

TEST_F(ChipLibraryTest, SaveAsWritesItsDiagnosticSteps) {
    setChip("NE555", "ab\xC3\xA9");
    log.clear();
    const auto target = folder / "x.chip";
    editor().saveChipFileAs(chooser(target));
    EXPECT_EQ(log, (std::vector<std::string>{
                       "SAVE AS 1: function entered", "SAVE AS 2: panel created",
                       "SAVE AS 3: before runModal", "SAVE AS 4: panel returned 1",
                       "SAVE AS 5: selected URL = " + target.string(),
                       "SAVE AS 6: final URL = " + target.string(),
                       "SAVE AS 7: document created; code length = 3, strings = 8",
                       "SAVE AS 8: calling ChipFileCodec.save", "SAVE AS 9: codec save returned"}));
    log.clear();
    editor().setChipName("NE556");
    const auto failed = editor().saveChipFileAs(chooser(folder / "missing-folder" / "y.chip"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("SAVE AS ERROR: ", 0), 0u);
    EXPECT_EQ(failed.outcome, ChipFileOutcome::failed);
    EXPECT_EQ(failed.failure, "Save failed: No such file or directory");
    EXPECT_EQ(failed.failure, lines().back());
    EXPECT_EQ(editor().currentFileURL(), target);
    EXPECT_TRUE(editor().isModified());
}

// Both saves warn, and only while the line is there; the file reads back up to it.
TEST_F(ChipLibraryTest, SavingABracketedCodeLineWarns) {
    const std::string warning = "Warning: code line 3 \"[abc]\" is enclosed in square brackets, "
                                "so the code will end before it when the file is read again.";
    setChip("LEDS", "\nLEDON\n[abc]\nLEDOFF");
    editor().saveChipFileAs(chooser(folder / "leds.chip"));
    EXPECT_EQ(lines().back(), warning);
    EXPECT_EQ(ChipFileCodec::load(folder / "leds.chip")->code, "LEDON");
    editor().saveChipFile(chooser(std::nullopt));
    EXPECT_EQ(lines().back(), warning);
    editor().setChipCode("LEDON\n[abc] LEDOFF");
    editor().saveChipFile(chooser(std::nullopt));
    EXPECT_EQ(lines().back(), "Saved leds.chip.");
}

TEST_F(ChipLibraryTest, SavingOverAnExistingFileAsksAboutTheNameReallyWritten) {
    const auto existing = writeChipFile("mine.chip", ChipDocument("OLD", 14, 1));
    setChip("7404", "");
    std::vector<std::filesystem::path> asked;
    bool replace = false;
    const ReplaceConfirmer mayReplace = [&](const std::filesystem::path& path) {
        asked.push_back(path);
        return replace;
    };
    EXPECT_EQ(editor().saveChipFileAs(chooser(folder / "mine"), mayReplace).outcome,
              ChipFileOutcome::cancelled);
    EXPECT_EQ(ChipFileCodec::load(existing)->name, "OLD");
    EXPECT_TRUE(editor().isModified());
    replace = true;
    EXPECT_TRUE(editor().saveChipFileAs(chooser(existing), mayReplace).succeeded());
    EXPECT_EQ(ChipFileCodec::load(existing)->name, "7404");
    EXPECT_TRUE(editor().saveChipFileAs(chooser(folder / "new.chip"), mayReplace).succeeded());
    EXPECT_EQ(asked, (std::vector{existing, existing})); // a new file is not asked about
}

// A new file, loading a file or a Norix chip leave the editor unmodified: the
// main window's tests follow those roads. Here: an edit undone by hand, a save,
// and a batch, which the user agreed may replace the editor's chip.
TEST_F(ChipLibraryTest, AnEditUndoneByHandASaveOrABatchLeavesTheEditorUnmodified) {
    editor().setChipName("NE555");
    EXPECT_TRUE(editor().isModified());
    editor().setChipName("");
    EXPECT_FALSE(editor().isModified());
    setChip("NE555", "ENDTEST");
    ASSERT_TRUE(editor().saveChipFile(chooser(folder / "timer.chip")).succeeded());
    EXPECT_FALSE(editor().isModified());

    connect();
    editor().addChipFiles({writeChipFile("7400.chip", ChipDocument("7400", 14, 4))});
    setChip("MINE", "");
    session.saveAllChipsToNorix();
    settle();
    EXPECT_EQ(editor().chipName(), "7400");
    EXPECT_FALSE(editor().isModified());
}

} // namespace
} // namespace norix::testing
