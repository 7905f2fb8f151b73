// Runs the real norix binary against a norix-sim process on a pseudo-terminal:
// chip files stored, listed, pulled back, backed up and deleted, what a shell
// sees on its outputs, the files written and the exit status.

#include "tests/cli/CliRunner.h"

namespace norix::clitest {
namespace {

const fs::path examples = fs::path(NORIX_SOURCE_ROOT) / "examples" / "chips";
std::string example(const std::string& chip) {
    return (examples / (chip + ".chip")).string();
}

class ChipCommands : public CliFolderTest {
protected:
    void startSim(std::vector<std::string> options = {}) {
        options.push_back("--empty");
        sim_.emplace(options);
        ASSERT_FALSE(sim_->port().empty());
        globalArgs_ = {"-p", sim_->port()};
    }

    std::optional<SimProcess> sim_;
};

TEST_F(ChipCommands, StoreListPullAndStoreAgainRoundTrip) {
    startSim();
    ASSERT_EQ(norix({"-q", "store", example("7400"), example("6116")}).status, 0);
    EXPECT_EQ(norix({"-q", "chips"}).out, "0: 7400\n1: 6116\n");

    EXPECT_EQ(norix({"-q", "pull", "0"}).out, "Saved 7400.chip.\n");
    const std::string first = readFile(folder_ / "7400.chip");
    // The source text comes back decompiled, but it compiles to the same image.
    EXPECT_EQ(norix({"compile", "7400.chip"}).out, norix({"compile", example("7400")}).out);
    EXPECT_NE(first.find("0=7400 Quad NAND\n"), std::string::npos);

    // Storing the pulled file and pulling it again gives the same file, byte for byte.
    ASSERT_EQ(norix({"-q", "send", "7400.chip", "--store"}).status, 0);
    ASSERT_EQ(norix({"-q", "pull", "0", "-o", "again.chip"}).status, 0);
    EXPECT_EQ(readFile(folder_ / "again.chip"), first);

    // A derived name never replaces an existing file unless asked.
    const Outcome refused = norix({"-q", "pull", "0"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("7400.chip already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(norix({"-q", "pull", "0", "--force"}).status, 0);
}

TEST_F(ChipCommands, BackupWritesEveryChipWithoutOverwriting) {
    startSim();
    ASSERT_EQ(norix({"-q", "store", example("4164"), example("7400")}).status, 0);
    EXPECT_EQ(norix({"-q", "backup", "saved"}).out,
              "Saved saved/4164.chip.\nSaved saved/7400.chip.\n");
    EXPECT_EQ(norix({"-q", "backup", "saved"}).out,
              "Saved saved/4164-2.chip.\nSaved saved/7400-2.chip.\n");
    EXPECT_EQ(readFile(folder_ / "saved/4164.chip"), readFile(folder_ / "saved/4164-2.chip"));
    EXPECT_EQ(norix({"-q", "backup", "saved", "--force"}).out,
              "Saved saved/4164.chip.\nSaved saved/7400.chip.\n");
}

TEST_F(ChipCommands, NamesFromTheDeviceStayInsideTheFolder) {
    startSim();
    write("evil.chip",
          "[chips]\n[meta]\nname = ../up/.hidden\npins = 14\ntype = 1\n[code]\nENDTEST\n");
    ASSERT_EQ(norix({"-q", "send", "evil.chip", "--store"}).status, 0);
    EXPECT_EQ(norix({"-q", "pull", "0"}).out, "Saved _up_.hidden.chip.\n");
    EXPECT_EQ(norix({"-q", "backup", "inner"}).out, "Saved inner/_up_.hidden.chip.\n");
}

TEST_F(ChipCommands, DeleteOneThenAll) {
    startSim();
    ASSERT_EQ(norix({"-q", "store", example("4164"), example("6116"), example("7400")}).status, 0);
    const Outcome one = norix({"delete", "1"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("Deleting 6116 from Norix...\nChip deleted from Norix.\n"),
              std::string::npos)
        << one.out;
    EXPECT_EQ(norix({"-q", "chips"}).out, "0: 4164\n1: 7400\n");

    EXPECT_EQ(norix({"delete", "--all"}).status, 2);
    const Outcome missing = norix({"-q", "delete", "2"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "norix: there is no stored chip 2 (the Norix holds 2 chips)\n");

    ASSERT_EQ(norix({"-q", "delete", "--all", "--yes"}).status, 0);
    EXPECT_EQ(norix({"-q", "chips"}).out, "");
}

TEST_F(ChipCommands, InfoIdentifiesTheNorixAndListsWhatItHolds) {
    startSim({"--serial", " NX-7 "});
    ASSERT_EQ(norix({"-q", "store", example("7400")}).status, 0);
    const Outcome run = norix({"-q", "info"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("Images:")),
              "Serial number: NX-7\nChips:\n0: 7400\nFont slots:\n0: Empty\n1: Empty\n"
              "2: Empty\n3: Empty\n4: Empty\n5: Empty\n");
    EXPECT_NE(run.out.find("\nSettings:\n"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_F(ChipCommands, FailuresExitWithStatusOneAndSayWhy) {
    startSim({"--upload-mode", "off"});
    Outcome run = norix({"-q", "send", example("7400")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "Norix is not in upload mode. Open Upload Mode on the Norix and try again.\n");
    run = norix({"-q", "send", "missing.chip"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "No such file or directory\n");
}

TEST_F(ChipCommands, UsageErrorsSendNothing) {
    for (const char* command : {"pull", "pull x", "delete", "delete 1 --all --yes", "send",
                                "send a.chip --bogus", "store", "backup", "chips extra"}) {
        const Outcome run = norix(words(command));
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_EQ(run.out, "") << command;
    }
}

} // namespace
} // namespace norix::clitest
