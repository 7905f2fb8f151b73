// Runs the real norix binary against its built-in simulator (-p sim) for the
// font, image and settings commands: what a shell sees on standard output and
// standard error, the files written, and the exit status.

#include "tests/cli/CliRunner.h"

namespace norix::clitest {
namespace {

const std::string examples = std::string(NORIX_SOURCE_ROOT) + "/examples";
const std::string font = examples + "/fonts/Norix5x7.txt";

class ConversationCommands : public CliFolderTest {
protected:
    ConversationCommands() { globalArgs_ = {"-p", "sim"}; }
};

// Each command prints the conversation's status texts in their order, each change once.
TEST_F(ConversationCommands, StatusTextsArePrintedOnceEach) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"font upload " + font + " 4",
         {"Preparing font data\u2026\n", "Uploading font data 96 of 475\u2026\n",
          "Font uploaded to slot 4.\n"}},
        {"image upload " + examples + "/images/NorixLogo.txt",
         {"Starting image upload\u2026\n", "Preparing the next image slot\u2026\n",
          "Saving image to Norix\u2026\n", "Image uploaded to Norix.\n"}},
        {"settings set speed fast",
         {"Setting logo speed to fast\u2026\n", "Norix settings updated.\n"}},
        {"settings set font 0",
         {"Setting default font to slot 0\u2026\n", "Default font set to slot 0.\n"}}};
    for (const auto& [command, statuses] : cases) {
        const Outcome run = norix(words(command));
        ASSERT_EQ(run.status, 0) << command << run.err;
        EXPECT_EQ(run.err, "") << command;
        std::size_t at = 0;
        for (const std::string& status : statuses) {
            at = run.out.find(status, at);
            ASSERT_NE(at, std::string::npos) << status << run.out;
            EXPECT_EQ(run.out.find(status, at + 1), std::string::npos) << status << run.out;
        }
    }
}

const std::string settingsUsage = "norix: usage: norix settings set logo on|off | speed "
                                  "slow|medium|fast | leds on|off | aux on|off | font SLOT\n";

// Listings go to standard output, refusals to standard error with their status.
class SimRuns : public CliRun {};

TEST_P(SimRuns, PrintAndExitAsExpected) {
    check({});
}

INSTANTIATE_TEST_SUITE_P(
    Cli, SimRuns,
    ::testing::Values(
        RunCase{"FontsListsTheSixSlots", "-p sim -q fonts", 0,
                "0: Norix 5x7 (5x7, 95 glyphs)\n1: Empty\n2: Empty\n3: Empty\n4: Empty\n5: Empty\n",
                ""},
        RunCase{"ImagesListsTheStoredImages", "-p sim -q images", 0, "001: Norix Logo\n", ""},
        RunCase{"SettingsPrintsTheRecord", "-p sim -q settings", 0,
                "celsius = true\nversion = 1\ncontrast = 8\nlogo = 0\nlogoSpeed = 1\n"
                "defaultChipIndex = 0\nnumFonts = 1\nledsOn = false\nauxOn = false\n"
                "fontNumber = 0\nminTempC = 10\nmaxTempC = 40\nminTempF = 50\nmaxTempF = 104\n",
                ""},
        RunCase{"NoSuchFontSlot", "-p sim -q font upload " + font + " 6", 1, "",
                "The selected font slot is invalid.\n"},
        RunCase{"MissingFontFile", "-p sim -q font upload missing.txt 1", 1, "",
                "The selected font file could not be read as text.\n"},
        RunCase{"FontSlotNotANumber", "-p sim -q font upload " + font + " x", 2, "",
                "norix: the font slot must be a number\n"},
        RunCase{"DeleteOfTheDefaultFont", "-p sim -q font delete 0", 1, "",
                "Norix could not delete that font. If it is the default font, select another "
                "default font first.\n"},
        RunCase{"PullOfAnEmptyImageSlot", "-p sim -q image pull 9", 1, "",
                "The selected image slot is empty.\n"},
        RunCase{"MissingImageFile", "-p sim -q image upload missing.txt", 1, "",
                "No such file or directory\n"},
        RunCase{"EmptySlotAsDefaultFont", "-p sim -q settings set font 3", 1, "",
                "The selected font slot is empty.\n"},
        RunCase{"UnknownSpeed", "-p sim -q settings set speed warp", 2, "", settingsUsage},
        RunCase{"SettingWithoutValue", "-p sim -q settings set leds", 2, "", settingsUsage}),
    ::testing::PrintToStringParamName());

TEST_F(ConversationCommands, ImagePullWritesTheStoredFile) {
    const Outcome run = norix({"-q", "image", "pull", "1", "-o", "logo.txt"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(readFile(folder_ / "logo.txt") + "\n", readFile(examples + "/images/NorixLogo.txt"));
    EXPECT_EQ(norix({"-q", "image", "pull", "1"}).status, 0);
    EXPECT_TRUE(fs::exists(folder_ / "Norix Logo.txt"));
}

} // namespace
} // namespace norix::clitest
