// Runs the real norix binary on files in a temporary folder and checks what a
// shell would see: standard output, standard error and the exit status.

#include "tests/cli/CliRunner.h"

namespace norix::clitest {
namespace {

const std::string compileUsage = "norix: usage: norix compile [--pins N] [-o OUT] FILE\n";
const std::string decompileUsage = "norix: usage: norix decompile FILE\n";

class LanguageRuns : public CliRun {};

TEST_P(LanguageRuns, PrintAndExitAsExpected) {
    check({{"a.src", "SETIN 5\n// comment\nFUNC blink\nCALL blink\n"},
           {"bad.src", "SETOUT 1\nSETUOT 2\nLOOP\n"},
           {"empty.src", "// nothing\nDIM A 1\n"},
           {"good.src", "SETOUT 1\n"},
           {"pins.src", "SETOUT 20\n"},
           {"empty.bin", ""},
           {"big.chip", "[chipfile]\ntype = single\n\n[chips]\n\n---\n\n[meta]\n\nname = Big\n"
                        "pins = 40\ntype = 0\nimageIndex = 8\n\n[code]\n\nSETIN 40\n"},
           {"broken.chip", "not a chip file"}});
}

INSTANTIATE_TEST_SUITE_P(
    Cli, LanguageRuns,
    ::testing::Values(
        RunCase{"CompilePrintsOneInstructionPerLine", "compile --pins 16 a.src", 0,
                "02 00 00 00 05 00 00 00 00 00 00 00 00 00 00 00\n"
                "C1 00 00 00 42 4C 49 4E 4B 00 00 00 00 00 00 00\n"
                "C3 00 00 00 02 00 00 00 00 00 00 00 00 00 00 00\n",
                ""},
        RunCase{"CompileOfAnEmptyProgramPrintsNothing", "compile empty.src", 0, "", ""},
        RunCase{"DecompileOfAnEmptyFilePrintsNothing", "decompile empty.bin", 0, "", ""},
        RunCase{"CheckOfACleanFile", "check good.src", 0, "No errors.\n", ""},
        RunCase{"CheckPrintsEveryLineError", "check bad.src", 1,
                "Line 2: Unknown opcode 'SETUOT'.\nLine 2: LOOP expects 1 argument, but found 0.\n",
                ""},
        RunCase{"CheckOfSeveralFilesNamesEachAndGoesOnPastAMissingOne",
                "check --pins 20 pins.src missing.src good.src", 1,
                "pins.src:\nNo errors.\nmissing.src:\ngood.src:\nNo errors.\n",
                "missing.src: No such file or directory\n"},
        RunCase{"ChipFileBringsItsCodeAndPinCount", "compile big.chip", 0,
                "02 00 00 00 28 00 00 00 00 00 00 00 00 00 00 00\n", ""},
        RunCase{"ChipFileIsCheckedWithItsPinCount", "check big.chip", 0, "No errors.\n", ""},
        RunCase{"BrokenChipFile", "compile broken.chip", 1, "",
                "The file does not contain a [chips] section.\n"},
        RunCase{"CompileWithoutFile", "compile", 2, "", compileUsage},
        RunCase{"CompileOfTwoFiles", "compile a.src a.src", 2, "", compileUsage},
        RunCase{"CompileWithZeroPins", "compile --pins 0 a.src", 2, "",
                "norix: --pins needs a pin count from 1 through 255\n"},
        RunCase{"PinsWithoutValue", "compile --pins", 2, "",
                "norix: option --pins needs a value\n"},
        RunCase{"CompileWithUnknownOption", "compile -x a.src", 2, "",
                "norix: unknown option -x\n"},
        RunCase{"CheckWithoutFile", "check", 2, "",
                "norix: usage: norix check [--pins N] FILE...\n"},
        RunCase{"CheckWithOutput", "check -o x a.src", 2, "", "norix: unknown option -o\n"},
        RunCase{"DecompileWithoutFile", "decompile", 2, "", decompileUsage},
        RunCase{"DecompileOfTwoFiles", "decompile a b", 2, "", decompileUsage}),
    ::testing::PrintToStringParamName());

using LanguageCommands = CliFolderTest;

TEST_F(LanguageCommands, CompileWritesRawBytesAndDecompileReadsThemBack) {
    write("a.src", "DIM led 3\nSETOUT led\nFUNC Go\nREGLOD 2 #R5\nENDFUNC\nCALL go\n");
    write("out.bin", "old contents");
    const Outcome compiled = norix({"compile", "-o", "out.bin", "a.src"});
    EXPECT_EQ(compiled.status, 0);
    EXPECT_EQ(compiled.out, "");
    EXPECT_EQ(readFile(folder_ / "out.bin").size(), 80u); // five instructions of 16 bytes
    EXPECT_EQ(norix({"decompile", "out.bin"}).out,
              "SETOUT 0x3\nFUNC GO\nREGLOD 0x2 #R5\nENDFUNC\nCALL GO\n");
}

TEST_F(LanguageCommands, AFailedCompileOrWriteLeavesTheOutputAlone) {
    write("bad.src", "LOOP\n");
    write("out.bin", "old contents");
    const Outcome run = norix({"compile", "-o", "out.bin", "bad.src"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Compile error at instruction 1: LOOP expects 1 argument, but found 0.\n");
    EXPECT_EQ(readFile(folder_ / "out.bin"), "old contents");

    write("a.src", "SETOUT 1\n");
    const Outcome unwritable = norix({"compile", "-o", "missing/out.bin", "a.src"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("missing/out.bin"), std::string::npos) << unwritable.err;
}

} // namespace
} // namespace norix::clitest
