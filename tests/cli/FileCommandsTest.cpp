// Runs the real norix binary's chip, font and image "cat" commands on files in
// a temporary folder: what a shell sees on standard output and standard error,
// and the exit status. Why a reader refuses a file is the reader's business.

#include "tests/cli/CliRunner.h"

namespace norix::clitest {
namespace {

class FileRuns : public CliRun {};

TEST_P(FileRuns, PrintAndExitAsExpected) {
    check({{"hand.chip", "\xEF\xBB\xBF[CHIPS]\r\n[meta]\r\nname = NE555\r\npins = 8\r\n"
                         "[code]\r\nSET 1 ON\r\n"},
           {"tiny.txt", "name=Tiny\r\nWIDTH=2\r\nheight=3\r\nsize=4\r\n[DATA]\r\n"
                        "0b000 0b000 0b111 0b000\r\n"},
           {"dot.txt", "name=Dot\nwidth=1\nheight=1\n[data]\n1 248 0"}});
}

INSTANTIATE_TEST_SUITE_P(
    Cli, FileRuns,
    ::testing::Values(
        RunCase{"ChipCatPrintsTheSavedLayout", "chip cat hand.chip", 0,
                "[chipfile]\ntype = single\n\n[chips]\n\n---\n\n[meta]\n\n"
                "name = NE555\npins = 8\ntype = 0\nimageIndex = 0\n\n"
                "[code]\n\nSET 1 ON\n\n[strings]\n\n0=\n1=\n2=\n3=\n4=\n5=\n6=\n7=\n\n[ENDCHIPS]\n",
                ""},
        RunCase{"FontCat", "font cat tiny.txt", 0,
                "name=Tiny\nwidth=2\nheight=3\nsize=4\n\n[data]\n\n# Glyph 0 - Space\n"
                "0b000, 0b000\n\n# Glyph 1 - !\n0b111, 0b000\n",
                ""},
        RunCase{"ImageCat", "image cat dot.txt", 0,
                "name=Dot\n\nwidth=1\n\nheight=1\n\nsize=3\n\n[data]\n\n1 248 0\n", ""},
        RunCase{"MissingChipFile", "chip cat missing.txt", 1, "", "No such file or directory\n"},
        RunCase{"MissingFontFile", "font cat missing.txt", 1, "",
                "The selected font file could not be read as text.\n"},
        RunCase{"MissingImageFile", "image cat missing.txt", 1, "", "No such file or directory\n"},
        RunCase{"GroupWithoutSubcommand", "chip", 2, "",
                "norix: chip needs a subcommand (see norix --help)\n"},
        RunCase{"CatWithoutFile", "font cat", 2, "", "norix: usage: norix font cat FILE\n"},
        RunCase{"CatOfTwoFiles", "image cat a b", 2, "", "norix: usage: norix image cat FILE\n"},
        RunCase{"ZeroTimeout", "--timeout 0 chip cat a", 2, "",
                "norix: --timeout needs a positive number of seconds\n"},
        RunCase{"UnknownSubcommand", "chip frobnicate", 2, "",
                "norix: unknown command 'chip frobnicate' (see norix --help)\n"}),
    ::testing::PrintToStringParamName());

using FileCommands = CliFolderTest;

// Every example in the source tree prints unchanged.
TEST_F(FileCommands, ExamplesPrintUnchanged) {
    const fs::path examples = fs::path(NORIX_SOURCE_ROOT) / "examples";
    for (const auto& [group, folder] :
         {std::pair{"chip", "chips"}, std::pair{"font", "fonts"}, std::pair{"image", "images"}})
        for (const auto& entry : fs::directory_iterator(examples / folder)) {
            const std::string path = entry.path().string();
            const Outcome run = norix({group, "cat", path});
            EXPECT_EQ(run.status, 0) << path;
            EXPECT_EQ(run.out, readFile(path)) << path;
        }
}

} // namespace
} // namespace norix::clitest
