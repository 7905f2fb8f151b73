// Batch save: every listed chip file stored in one run, skipping files that
// cannot be read and chips that cannot be saved, then the finish command.

#include "tests/support/SimulatedNorix.h"

namespace norix::testing {
namespace {

class ChipBatchTest : public ChipSessionFixture {
protected:
    ChipDocument chip(const std::string& name, std::int64_t type = 2,
                      std::string code = programOf(2)) {
        return ChipDocument(name, 16, type, 2, std::move(code), {name + " string"});
    }

    void addFiles(const std::vector<std::pair<std::string, ChipDocument>>& files) {
        std::vector<std::filesystem::path> paths;
        for (const auto& [fileName, document] : files)
            paths.push_back(writeChipFile(fileName, document));
        session.editor().addChipFiles(paths);
    }

    std::vector<std::string> storedNames() {
        std::vector<std::string> names;
        for (const auto& stored : sim.simulator().memory().chips())
            names.push_back(stored.name());
        return names;
    }

    std::vector<std::string> linesStartingWith(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& line : lines())
            if (line.rfind(prefix, 0) == 0)
                found.push_back(line);
        return found;
    }
};

// Every file is read first: an unreadable one is skipped before the run
// starts. Chips that cannot be saved are skipped and named at the end, and a
// failed last chip still finishes the batch.
TEST_F(ChipBatchTest, UnreadableFilesAndChipsThatCannotBeSavedAreSkippedAndNamed) {
    connect();
    addFiles({{"a.chip", chip("ALPHA")},
              {"gone.chip", chip("GONE")},
              {"b.chip", chip("NOTYPE", 0)},
              {"c.chip", chip("BROKEN", 2, "FUNC F\nENDFUNC\nFUNC F\nENDFUNC\n")},
              {"d.chip", chip("NOSTORE")},
              {"e.chip", chip("EPSILON")}});
    std::filesystem::remove(folder / "gone.chip");
    // The second store command (that of d.chip) is refused, and e.chip's only code chunk.
    addFault(cmdSaveChip, 2, sim::FaultAction::fail);
    addFault(cmdChipCodeChunk, 3, sim::FaultAction::badSize);
    session.batchSaveToNorixPressed();
    settle();

    EXPECT_EQ(storedNames(), (std::vector<std::string>{"ALPHA"}));
    EXPECT_TRUE(wrote("Skipping gone.chip: No such file or directory"));
    EXPECT_LT(lineIndex("Skipping gone.chip: No such file or directory"),
              lineIndex("Starting batch save of 5 chip files..."));
    EXPECT_TRUE(wrote("Upload failed with response 0xB3."));
    EXPECT_EQ(linesStartingWith("Upload complete.").size(), 2u);
    EXPECT_EQ(linesStartingWith("Batch "),
              (std::vector<std::string>{
                  "Batch 1/5: uploading a.chip...", "Batch 2/5: uploading b.chip...",
                  "Batch 2/5: skipped b.chip.", "Batch 3/5: uploading c.chip...",
                  "Batch 3/5: skipped c.chip.", "Batch 4/5: uploading d.chip...",
                  "Batch 4/5: skipped d.chip.", "Batch 5/5: uploading e.chip...",
                  "Batch 5/5: skipped e.chip.",
                  "Batch save completed. 1 chips saved; not saved: b.chip, c.chip, d.chip, "
                  "e.chip."}));
    EXPECT_TRUE(wrote("Finishing batch..."));
    EXPECT_FALSE(session.isBatchSaving());
    EXPECT_TRUE(session.canUseUploadButtons());
    // The editor shows the last chip of the run.
    EXPECT_EQ(session.editor().chipName(), "EPSILON");
    EXPECT_EQ(session.editor().chipStrings()[0], "EPSILON string");
}

TEST_F(ChipBatchTest, NothingReadableMeansNoRun) {
    connect();
    addFiles({{"b.chip", chip("BETA")}});
    std::ofstream(folder / "b.chip", std::ios::trunc).flush();
    clearRecords();
    session.batchSaveToNorixPressed();
    settle();
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"Checking Norix upload mode...", "Norix is in upload mode.",
                                        "Skipping b.chip: The chip file is empty.",
                                        "There are no chip files available for batch saving."}));
    EXPECT_FALSE(session.isBatchSaving());
    EXPECT_EQ(commandCodes(), Bytes({cmdUploadModeQuery}));
}

TEST_F(ChipBatchTest, RunningBatchRefusesOtherCommandsUntilCancelled) {
    connect();
    addFiles({{"a.chip", chip("ALPHA")}, {"b.chip", chip("BETA")}});
    addFault(cmdChipCodeChunk, 1, sim::FaultAction::drop);
    session.batchSaveToNorixPressed();
    settle();
    ASSERT_TRUE(session.isBatchSaving());
    EXPECT_FALSE(session.canUseUploadButtons());

    clearRecords();
    session.batchSaveToNorixPressed();
    session.saveToNorixPressed();
    session.requestDeleteAllChips();
    session.saveAllChipsToNorix();
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "A batch save is already running.", "A batch save is already running.",
                           "Wait for the current Norix operation to finish before deleting all "
                           "chips.",
                           "A batch save is already running."}));
    EXPECT_FALSE(session.showDeleteAllChipsConfirmation());
    EXPECT_TRUE(commands.empty());

    session.cancelBatchSave();
    EXPECT_EQ(lines().back(), "Batch save cancelled.");
    EXPECT_TRUE(session.canUseUploadButtons());

    // Nothing of the run is left: a fresh one stores every chip from the first
    // (the command-line store sees it complete); here its finish is refused.
    sim.simulator().faults().clear();
    addFault(cmdFinishBatch, 1, sim::FaultAction::fail);
    session.batchSaveToNorixPressed();
    settle();
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"ALPHA", "BETA"}));
    EXPECT_TRUE(wrote("All chips saved. Finishing batch..."));
    EXPECT_EQ(lines().back(), "Batch finish failed with response 0xB3.");
    EXPECT_FALSE(session.isBatchSaving());
}

} // namespace
} // namespace norix::testing
