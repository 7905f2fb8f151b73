#include "core/language/SourceReader.h"

#include "core/language/SourceText.h"
#include "tests/language/LanguageTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ostream>

namespace norix {
namespace {

using testing::RecordingTerminal;

// Token lines as "number: token token\n", which reads better than nested braces.
std::string rendered(const std::vector<SourceLine>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += std::to_string(line.sourceLine) + ":";
        for (const auto& token : line.tokens)
            out += " " + token;
        out += "\n";
    }
    return out;
}

using TokenCase = testing::NamedCase<std::string>;

class SourceTokenLines : public ::testing::TestWithParam<TokenCase> {};

TEST_P(SourceTokenLines, ReadsNumberedTokenLines) {
    EXPECT_EQ(rendered(sourceTokenLines(GetParam().input)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, SourceTokenLines,
    ::testing::Values(
        TokenCase{"Empty", "", ""},
        TokenCase{"OnlyCommentsAndBlanks", "// a\n\n   \t\n/* b\n c */\n", ""},
        TokenCase{"TrailingLineComment", "SETPIN 1 1 // drive", "1: SETPIN 1 1\n"},
        TokenCase{"BlockCommentJoinsTokens", "SETPIN/* x */1 1", "1: SETPIN1 1\n"},
        TokenCase{"BlockCommentAcrossLines", "A\nB\nC 1 /* open\nD\nE\nstill */ F 6\nG",
                  "1: A\n2: B\n3: C 1\n6: F 6\n7: G\n"},
        TokenCase{"CarriageReturnLineFeedCountsTwice", "A\r\nB\r\nC", "1: A\n3: B\n5: C\n"},
        TokenCase{"UnicodeLineBreaks", "A\u0085B\u2028C\u2029D\vE\fF",
                  "1: A\n2: B\n3: C\n4: D\n5: E\n6: F\n"},
        TokenCase{"UnicodeSpacesSeparate", "LOOP\u00A05\u3000\t6\u20097", "1: LOOP 5 6 7\n"},
        TokenCase{"CommaIsNotASeparator", "ADD 5, 6, 7", "1: ADD 5, 6, 7\n"},
        TokenCase{"StrayCloseIsText", "*/ X", "1: */ X\n"},
        TokenCase{"SlashStarSlashOpensABlock", "A /*/ B\nC */ D", "1: A\n2: D\n"},
        TokenCase{"UnterminatedBlockEndsTheText", "A\n/* B\nC\nD", "1: A\n"},
        TokenCase{"InvalidUtf8StaysInTokens", "\xFF\xFE X\xC3", "1: \xFF\xFE X\xC3\n"}),
    testing::PrintedName());

// The fuzzer's measure of how many instructions a text should compile to.
TEST(SourceInstructionLines, SkipDimsAndLinesWithoutAnInstructionWord) {
    const auto lines =
        sourceInstructionLines("DIM X 1\nSETOUT 2\nSEVSEG 1 2 3\nsetout 3\nSETOTU 4");
    EXPECT_EQ(rendered(lines), "2: SETOUT 2\n4: setout 3\n");
}

struct ValueCase {
    std::string token;
    std::optional<CompilerValue> value;
    friend void PrintTo(const ValueCase& c, std::ostream* os) { testing::printAsName(c.token, os); }
};

class CompilerValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(CompilerValues, ResolveOneToken) {
    const DimSymbols symbols{{"LIMIT", {16, CompilerValueKind::literal}},
                             {"REG", {0x80000002u, CompilerValueKind::registerReference}}};
    EXPECT_EQ(compilerValue(GetParam().token, symbols), GetParam().value) << GetParam().token;
}

constexpr auto lit = CompilerValueKind::literal;
constexpr auto reg = CompilerValueKind::registerReference;
INSTANTIATE_TEST_SUITE_P(
    Reader, CompilerValues,
    ::testing::Values(
        ValueCase{" 42\t", CompilerValue{42, lit}},
        ValueCase{"4294967295", CompilerValue{0xFFFFFFFFu, lit}},
        ValueCase{"4294967296", std::nullopt},
        ValueCase{"0xFFFFFFFF", CompilerValue{0xFFFFFFFFu, lit}},
        ValueCase{"0x1ffffffff", std::nullopt}, ValueCase{"0b101", CompilerValue{5, lit}},
        ValueCase{"0B2", std::nullopt}, ValueCase{"0x", std::nullopt},
        ValueCase{"-1", std::nullopt}, ValueCase{"#R0", CompilerValue{0x80000000u, reg}},
        ValueCase{"#r31", CompilerValue{0x8000001Fu, reg}}, ValueCase{"#R32", std::nullopt},
        ValueCase{"#RX", std::nullopt}, ValueCase{"limit", CompilerValue{16, lit}},
        ValueCase{"Reg", CompilerValue{0x80000002u, reg}}, ValueCase{"other", std::nullopt},
        ValueCase{"", std::nullopt}, ValueCase{"\xFF", std::nullopt}),
    testing::PrintedName());

TEST(DimNames, LettersDigitsAndUnderscore) {
    for (const char* valid : {"R5", "_LIMIT", "x", "_", "Größe", "αβ2"})
        EXPECT_TRUE(isValidDimName(valid)) << valid;
    for (const char* invalid : {"", "5R", "#R5", "MAX-1", "A B", "\377A", "A\xC3"})
        EXPECT_FALSE(isValidDimName(invalid)) << invalid;
}

using DimCase = testing::NamedCase<std::string>; // an empty message: success

class DimSymbolErrors : public ::testing::TestWithParam<DimCase> {};

TEST_P(DimSymbolErrors, StopAtTheFirstBadLineWithItsMessage) {
    RecordingTerminal terminal;
    const auto symbols = buildDimSymbols(GetParam().input, terminal.sink());
    if (GetParam().expected.empty()) {
        EXPECT_TRUE(symbols.has_value());
        EXPECT_TRUE(terminal.entries.empty());
    } else {
        EXPECT_FALSE(symbols.has_value());
        EXPECT_EQ(terminal.entries, std::vector<std::string>{GetParam().expected});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reader, DimSymbolErrors,
    ::testing::Values(
        // An earlier DIM as a value, a trailing comment, and SEVSEG, which has no word.
        DimCase{"GoodLines", "DIM LIMIT 0x10\nDIM TOP LIMIT // note\nDIM SEVSEG 1", ""},
        DimCase{"LaterDimIsUnknown", "DIM TOP LIMIT\nDIM LIMIT 0x10",
                "Compile error on source line 1: DIM value 'LIMIT' must be a decimal, hexadecimal, "
                "binary, or #R0 through #R31 value."},
        DimCase{"WrongTokenCount", "\n\nDIM X",
                "Compile error on source line 3: DIM requires exactly a name and a value."},
        DimCase{"InvalidName", "DIM 5R 1",
                "Compile error on source line 1: '5R' is not a valid DIM name."},
        DimCase{"OpcodeName", "DIM loop 1",
                "Compile error on source line 1: DIM name 'loop' conflicts with a Norix opcode."},
        DimCase{"DimName", "DIM dim 1",
                "Compile error on source line 1: DIM name 'dim' conflicts with a Norix opcode."},
        DimCase{"DefinedTwice", "dim limit 5\nSETOUT 1\nDIM LIMIT 6",
                "Compile error on source line 3: DIM name 'LIMIT' is defined more than once."}),
    testing::PrintedName());

TEST(NormalizeArg, RewritesPrefixedNumbersInDecimal) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0x1F", "31"},   {" 0b101 ", "5"}, {"0X10", "16"}, {"#R3", "#R3"}, {"LIMIT", "LIMIT"},
        {"0xZZ", "0xZZ"}, {"0b", "0b"},     {"12", "12"},   {"\t7\n", "7"}};
    for (const auto& [input, output] : cases)
        EXPECT_EQ(normalizeArg(input), output) << input;
}

TEST(PackedPinBytes, LowestByteFirst) {
    using Pins = std::vector<int>;
    EXPECT_EQ(packedPinBytes(" 0X102 "), (Pins{2, 1}));
    EXPECT_EQ(packedPinBytes("0x28272625"), (Pins{0x25, 0x26, 0x27, 0x28}));
    for (const char* bad : {"0x", "0x123456789", "0x12g", "12", "#R1", ""})
        EXPECT_EQ(packedPinBytes(bad), std::nullopt) << bad;
}

TEST(SourceText, UpperCasingFollowsUnicodeAndKeepsMalformedBytes) {
    EXPECT_EQ(upperCased("größe"), "GRÖßE");
    EXPECT_EQ(upperCased("a\377b"), "A\377B");
    EXPECT_EQ(trimSource("\u3000 x y\u00A0\r\n"), "x y");
    EXPECT_EQ(trimSource("\xE2\x80"), "\xE2\x80");
}

} // namespace
} // namespace norix
