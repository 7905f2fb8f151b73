// Runs the real norix binary on files in a temporary folder and checks what a
// shell would see: standard output, standard error and the exit status.

#include "core/language/CodeCompiler.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace norix {
namespace {

namespace fs = std::filesystem;
using clitest::Outcome;
using clitest::quoted;
using clitest::readFile;

class LanguageCommands : public clitest::CliFolderTest {};

TEST_F(LanguageCommands, CompilePrintsOneInstructionPerLine) {
    write("a.src", "SETIN 5\n// comment\nFUNC blink\nCALL blink\n");
    const Outcome run = norix({"compile", "--pins", "16", "a.src"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "02 00 00 00 05 00 00 00 00 00 00 00 00 00 00 00\n"
                       "C1 00 00 00 42 4C 49 4E 4B 00 00 00 00 00 00 00\n"
                       "C3 00 00 00 02 00 00 00 00 00 00 00 00 00 00 00\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(LanguageCommands, CompileErrorGoesToStandardError) {
    write("bad.src", "SETIN 16\n");
    const Outcome run = norix({"compile", "bad.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Compile error at instruction 1: Pin 16 is outside the valid range of 1 "
                       "through 14.\n");
    EXPECT_EQ(norix({"compile", "--pins", "16", "bad.src"}).status, 0);
}

TEST_F(LanguageCommands, CompileOfAnEmptyProgramPrintsNothing) {
    write("empty.src", "// nothing\nDIM A 1\n");
    const Outcome run = norix({"compile", "empty.src"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST_F(LanguageCommands, CompileWritesRawBytesAndDecompileReadsThemBack) {
    write("a.src", "DIM led 3\nSETOUT led\nFUNC Go\nREGLOD 2 #R5\nENDFUNC\nCALL go\n");
    write("out.bin", "old contents");
    const Outcome compiled = norix({"compile", "-o", "out.bin", "a.src"});
    EXPECT_EQ(compiled.status, 0);
    EXPECT_EQ(compiled.out, "");
    const std::string bytes = readFile(folder_ / "out.bin");
    const auto expected = compileChipCode(readFile(folder_ / "a.src"), 14, nullptr);
    ASSERT_TRUE(expected);
    EXPECT_EQ(bytes, std::string(expected->begin(), expected->end()));

    const Outcome decompiled = norix({"decompile", "out.bin"});
    EXPECT_EQ(decompiled.status, 0);
    EXPECT_EQ(decompiled.out, "SETOUT 0x3\nFUNC GO\nREGLOD 0x2 #R5\nENDFUNC\nCALL GO\n");
    // No temporary file is left beside the output.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".err", ".out", "a.src", "out.bin"}));
}

TEST_F(LanguageCommands, CompileErrorLeavesTheOutputFileAlone) {
    write("bad.src", "LOOP\n");
    write("out.bin", "old contents");
    const Outcome run = norix({"compile", "-o", "out.bin", "bad.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Compile error at instruction 1: LOOP expects 1 argument, but found 0.\n");
    EXPECT_EQ(readFile(folder_ / "out.bin"), "old contents");
}

TEST_F(LanguageCommands, FailedWriteKeepsNothingAndFails) {
    write("a.src", "SETOUT 1\n");
    const Outcome run = norix({"compile", "-o", "missing/out.bin", "a.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing/out.bin"), std::string::npos) << run.err;
}

TEST_F(LanguageCommands, DecompileOfAnEmptyFilePrintsNothing) {
    write("empty.bin", "");
    const Outcome run = norix({"decompile", "empty.bin"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    write("odd.bin", std::string("\x04\x00\x00\x00\x01", 5));
    EXPECT_EQ(norix({"decompile", "odd.bin"}).out, "UNKNOWN_0x00000004 0x0 0x0 0x0\n");
}

TEST_F(LanguageCommands, CheckOneFilePrintsItsTerminalEntry) {
    write("good.src", "SETOUT 1\n");
    write("bad.src", "SETOUT 1\nSETUOT 2\nLOOP\n");
    write("dim.src", "DIM a 1\nDIM A 2\n");
    Outcome run = norix({"check", "good.src"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "No errors.\n");
    run = norix({"check", "bad.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Line 2: Unknown opcode 'SETUOT'.\nLine 2: LOOP expects 1 argument, but "
                       "found 0.\n");
    run = norix({"check", "dim.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Compile error on source line 2: DIM name 'A' is defined more than once.\n");
}

TEST_F(LanguageCommands, CheckSeveralFilesPrecedesEachBlockByItsName) {
    write("good.src", "SETOUT 1\n");
    write("pins.src", "SETOUT 20\n");
    Outcome run = norix({"check", "--pins", "20", "good.src", "pins.src"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "good.src:\nNo errors.\npins.src:\nNo errors.\n");
    run = norix({"check", "pins.src", "missing.src", "good.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "pins.src:\nLine 1: Pin 20 exceeds the valid range of 1 through 14.\n"
                       "missing.src:\ngood.src:\nNo errors.\n");
    EXPECT_EQ(run.err, "missing.src: No such file or directory\n");
}

TEST_F(LanguageCommands, ChipFilesBringTheirCodeAndPinCount) {
    write("big.chip", "[chipfile]\ntype = single\n\n[chips]\n\n---\n\n[meta]\n\nname = Big\n"
                      "pins = 40\ntype = 0\nimageIndex = 8\n\n[code]\n\nSETIN 40\n");
    Outcome run = norix({"compile", "big.chip"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "02 00 00 00 28 00 00 00 00 00 00 00 00 00 00 00\n");
    run = norix({"check", "big.chip"});
    EXPECT_EQ(run.out, "No errors.\n");
    write("broken.chip", "not a chip file");
    run = norix({"compile", "broken.chip"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.empty());
}

TEST_F(LanguageCommands, ExampleChipLibraryIsClean) {
    const fs::path examples = fs::path(NORIX_SOURCE_ROOT) / "examples" / "chips";
    std::vector<std::string> args{"check"};
    for (const auto& entry : fs::directory_iterator(examples)) {
        if (entry.path().extension() == ".chip")
            args.push_back(entry.path().string());
    }
    if (args.size() == 1)
        GTEST_SKIP() << "no example chips";
    const Outcome run = norix(args);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

struct UsageCase {
    std::vector<std::string> args;
    std::string err;
    friend void PrintTo(const UsageCase& c, std::ostream* os) {
        for (std::size_t i = 0; i < c.args.size(); ++i)
            *os << (i ? "_" : "") << c.args[i];
    }
};

class LanguageUsage : public LanguageCommands, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(LanguageUsage, ExitsWithStatusTwo) {
    write("a.src", "SETOUT 1\n");
    const Outcome run = norix(GetParam().args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, LanguageUsage,
    ::testing::Values(UsageCase{{"compile"},
                                "norix: usage: norix compile [--pins N] [-o OUT] FILE\n"},
                      UsageCase{{"compile", "a.src", "a.src"},
                                "norix: usage: norix compile [--pins N] [-o OUT] FILE\n"},
                      UsageCase{{"compile", "--pins", "0", "a.src"},
                                "norix: --pins needs a pin count from 1 through 255\n"},
                      UsageCase{{"compile", "--pins"}, "norix: option --pins needs a value\n"},
                      UsageCase{{"compile", "-x", "a.src"}, "norix: unknown option -x\n"},
                      UsageCase{{"check"}, "norix: usage: norix check [--pins N] FILE...\n"},
                      UsageCase{{"check", "-o", "x", "a.src"}, "norix: unknown option -o\n"},
                      UsageCase{{"decompile"}, "norix: usage: norix decompile FILE\n"},
                      UsageCase{{"decompile", "a", "b"}, "norix: usage: norix decompile FILE\n"}),
    testing::PrintedName());

} // namespace
} // namespace norix
