// Runs the real norix binary's chip, font and image "cat" commands on files in
// a temporary folder: what a shell sees on standard output and standard error,
// and the exit status.

#include "tests/cli/CliRunner.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace norix {
namespace {

namespace fs = std::filesystem;
using clitest::Outcome;
using clitest::quoted;
using clitest::readFile;

class FileCommands : public clitest::CliFolderTest {};

TEST_F(FileCommands, ChipCatPrintsTheSavedLayout) {
    write("hand.chip", "\xEF\xBB\xBF[CHIPS]\r\n[meta]\r\nname = NE555\r\npins = 8\r\n"
                       "[code]\r\nSET 1 ON\r\n");
    const Outcome run = norix({"chip", "cat", "hand.chip"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "[chipfile]\ntype = single\n\n[chips]\n\n---\n\n[meta]\n\n"
                       "name = NE555\npins = 8\ntype = 0\nimageIndex = 0\n\n"
                       "[code]\n\nSET 1 ON\n\n[strings]\n\n"
                       "0=\n1=\n2=\n3=\n4=\n5=\n6=\n7=\n\n[ENDCHIPS]\n");
}

TEST_F(FileCommands, FontCatAndImageCat) {
    write("tiny.txt", "name=Tiny\r\nWIDTH=2\r\nheight=3\r\nsize=4\r\n[DATA]\r\n"
                      "0b000 0b000 0b111 0b000\r\n");
    Outcome run = norix({"font", "cat", "tiny.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "name=Tiny\nwidth=2\nheight=3\nsize=4\n\n[data]\n\n# Glyph 0 - Space\n"
                       "0b000, 0b000\n\n# Glyph 1 - !\n0b111, 0b000\n");

    write("dot.txt", "name=Dot\nwidth=1\nheight=1\n[data]\n1 248 0");
    run = norix({"image", "cat", "dot.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "name=Dot\n\nwidth=1\n\nheight=1\n\nsize=3\n\n[data]\n\n1 248 0\n");
}

struct CatFailure {
    std::string group;
    std::string contents; // empty: the file does not exist
    std::string message;
};

TEST_F(FileCommands, ReaderErrorsGoToStandardErrorWithStatus1) {
    const std::vector<CatFailure> failures = {
        {"chip", "[chips]\n", "The file does not contain a [meta] section."},
        {"chip", "", "No such file or directory"},
        {"font", "name=F\nwidth=8px\n", "The font width is invalid: 8px"},
        {"font", "", "The selected font file could not be read as text."},
        {"image", "width=161\nheight=1\n[data]\n1 0 0\n",
         "The image is larger than the Norix display limit of 160 \u00D7 128 pixels."},
        {"image", "", "No such file or directory"},
    };
    for (const auto& failure : failures) {
        const std::string name = failure.contents.empty() ? "missing.txt" : "bad.txt";
        if (!failure.contents.empty())
            write(name, failure.contents);
        const Outcome run = norix({failure.group, "cat", name});
        EXPECT_EQ(run.status, 1) << failure.message;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, failure.message + "\n");
    }
}

TEST_F(FileCommands, UsageErrors) {
    EXPECT_EQ(norix({"chip"}).status, 2);
    EXPECT_EQ(norix({"font", "cat"}).status, 2);
    EXPECT_EQ(norix({"image", "cat", "a", "b"}).status, 2);
    EXPECT_EQ(norix({"chip", "frobnicate"}).status, 2);
}

TEST_F(FileCommands, ExamplesPrintUnchangedAndCheckClean) {
    const char* source = std::getenv("NORIX_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path examples = fs::path(source) / "examples";
    const std::vector<std::pair<std::string, fs::path>> files = {
        {"chip", examples / "chips" / "7400.chip"},
        {"chip", examples / "chips" / "6116.chip"},
        {"chip", examples / "chips" / "4164.chip"},
        {"font", examples / "fonts" / "Norix5x7.txt"},
        {"image", examples / "images" / "NorixLogo.txt"},
    };
    for (const auto& [group, path] : files) {
        const Outcome run = norix({group, "cat", path.string()});
        EXPECT_EQ(run.status, 0) << path;
        EXPECT_EQ(run.out, readFile(path)) << path;
        if (group == "chip") {
            const Outcome check = norix({"check", path.string()});
            EXPECT_EQ(check.status, 0) << path;
            EXPECT_EQ(check.out, "No errors.\n") << path;
        }
    }
}

} // namespace
} // namespace norix
