#include "core/language/CodeColoring.h"

#include "core/language/InstructionNumbers.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

namespace norix {
namespace {

using C = CodeColor;
using Pieces = std::vector<std::pair<std::string, CodeColor>>;
using testing::RecordingTerminal;

// The coloured pieces of a line as (text, colour), which reads better than offsets.
Pieces pieces(std::string_view line, int pins) {
    Pieces out;
    for (const auto& span : colorizedLine(line, pins))
        out.emplace_back(std::string(line.substr(span.start, span.length)), span.color);
    return out;
}

struct ColorCase {
    const char* line;
    Pieces expected;
    int pins = 14;
    friend void PrintTo(const ColorCase& c, std::ostream* os) { testing::printAsName(c.line, os); }
};

class LineColoring : public ::testing::TestWithParam<ColorCase> {};

TEST_P(LineColoring, ColoursEachPiece) {
    EXPECT_EQ(pieces(GetParam().line, GetParam().pins), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineColoring,
    ::testing::Values(
        ColorCase{"", {}}, ColorCase{" \t ", {}}, ColorCase{"   setout 5", {{"setout", C::opcode}}},
        ColorCase{"SETOT 5", {{"SETOT", C::error}}},
        ColorCase{"REGLOD 3 #R40", {{"REGLOD", C::opcode}, {"#R40", C::error}}},
        ColorCase{"REGLOD 3 #r4", {{"REGLOD", C::opcode}, {"#r4", C::registerReference}}},
        ColorCase{"REGLOD 40 5", {{"REGLOD", C::opcode}, {"40", C::error}}},
        ColorCase{"REGLOD #R3 5", {{"REGLOD", C::opcode}, {"#R3", C::error}}},
        ColorCase{"MULTIO 1 15 0", {{"MULTIO", C::opcode}, {"15", C::error}, {"0", C::error}}},
        ColorCase{"MULTIO 1 15 16", {{"MULTIO", C::opcode}}, 16},
        // A wrong argument count gets no verdict on the arguments.
        ColorCase{"SETIN 99 1", {{"SETIN", C::opcode}}},
        // SETPIN's first argument is a value, not a pin: no range check.
        ColorCase{"SETPIN 17 1", {{"SETPIN", C::opcode}}},
        ColorCase{"// a comment", {{"// a comment", C::comment}}},
        ColorCase{"\t* inside a block", {{"\t* inside a block", C::comment}}},
        ColorCase{"  /* open", {{"  /* open", C::comment}}},
        // Only whole-line comments are coloured; the rest of a block is code.
        ColorCase{"inside a block", {{"inside", C::error}}},
        ColorCase{"SETOUT 5 // five", {{"SETOUT", C::opcode}}},
        ColorCase{"dim Limit #R2", {{"dim", C::opcode}, {"#R2", C::registerReference}}},
        ColorCase{"DEFADDR 0 0x0303 0x00", {{"DEFADDR", C::opcode}, {"0x0303", C::error}}},
        ColorCase{"DEFADDR 28 0x04030201 0x0605", Pieces{{"DEFADDR", C::opcode},
                                                         {"28", C::error},
                                                         {"0x04030201", C::error},
                                                         {"0x0605", C::error}}}),
    testing::PrintedName());

// The gutter's cache must give what a fresh count gives after every edit, pin
// count change and DIM change.
TEST(InstructionNumbers, NumberInstructionsAsTheValidatorDoes) {
    const std::string code = "DIM X 1\nSETOUT 2\nSEVSEG 1 2 3\nSETOUT X\n\n// note\n"
                             "FOO 1\nSETIN 99\n  * block";
    const std::vector<InstructionNumberMark> expected = {
        {}, {1, false}, {2, false}, {3, true}, {}, {}, {std::nullopt, true}, {4, true}, {}};
    RecordingTerminal terminal;
    EXPECT_EQ(buildInstructionNumbers(code, 14, terminal.sink()), expected);
    InstructionNumberCache cache;
    EXPECT_EQ(cache.build(code, 14, terminal.sink()), expected);
    EXPECT_TRUE(terminal.entries.empty());
    const std::vector<std::pair<std::string, int>> edits = {
        {"SETIN 16\nREGLOD 1 L", 14},
        {"SETIN 16\nREGLOD 1 L", 16},
        {"DIM L 3\nSETIN 16\nREGLOD 1 L", 16},
        {"DIM L 0x\nSETIN 16", 16},
        {"DIM L 3\nSETIN 1\nREGLOD 1 L\nREGLOD 1 L", 14}};
    for (const auto& [edited, pins] : edits)
        EXPECT_EQ(cache.build(edited, pins, nullptr),
                  buildInstructionNumbers(edited, pins, nullptr))
            << edited << " / " << pins;
}

TEST(InstructionNumbers, ABrokenDimEmptiesTheGutterAndIsReportedOncePerBreak) {
    InstructionNumberCache cache;
    RecordingTerminal terminal;
    const std::string broken = "DIM 5X 1\nSETOUT 1";
    EXPECT_TRUE(cache.build(broken, 14, terminal.sink()).empty());
    EXPECT_TRUE(cache.build(broken + "\nSETOUT 2", 14, terminal.sink()).empty());
    EXPECT_EQ(
        terminal.entries,
        std::vector<std::string>{"Compile error on source line 1: '5X' is not a valid DIM name."});
    EXPECT_EQ(cache.build("SETOUT 1", 14, terminal.sink()).size(), 1u);
    cache.build(broken, 14, terminal.sink());
    EXPECT_EQ(terminal.entries.size(), 2u);
}

} // namespace
} // namespace norix
