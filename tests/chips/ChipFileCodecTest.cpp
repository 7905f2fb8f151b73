#include "core/chips/ChipFileCodec.h"

#include "tests/support/ReadFailure.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace norix {
namespace {

using Kind = ChipFileErrorKind;

// A valid file in the written layout; `meta` is the [meta] body, from line 10.
std::string fileWithMeta(const std::string& meta,
                         const std::string& header = "[chipfile]\ntype = single\n") {
    return header + "\n[chips]\n\n---\n\n[meta]\n\n" + meta +
           "\n\n[code]\n\nSET 1 ON\n\n[strings]\n\n0=hello\n\n[ENDCHIPS]\n";
}

// Every field, for comparing whole documents.
auto fields(const ChipDocument& c) {
    return std::tie(c.name, c.pinCount, c.chipType, c.imageIndex, c.code, c.strings);
}

TEST(ChipFileCodec, WritesTheFixedLayoutWithEmptyCodeAndFlatStrings) {
    EXPECT_EQ(ChipFileCodec::encode(ChipDocument("NE555", 8, 0, 0, "SET 1 ON")),
              "[chipfile]\ntype = single\n\n[chips]\n\n---\n\n[meta]\n\n"
              "name = NE555\npins = 8\ntype = 0\nimageIndex = 0\n\n"
              "[code]\n\nSET 1 ON\n\n[strings]\n\n"
              "0=\n1=\n2=\n3=\n4=\n5=\n6=\n7=\n\n[ENDCHIPS]\n");
    const std::string text = ChipFileCodec::encode(
        ChipDocument("X", 14, 0, 0, "\r\n\n", {"two\r\nlines", "a\rb\nc", "k=v"}));
    EXPECT_NE(text.find("[code]\n\n\n[strings]\n\n0=two lines\n1=a b c\n2=k=v\n3=\n"),
              std::string::npos);
    const std::string code =
        ChipFileCodec::encode(ChipDocument("X", 14, 0, 0, "\n\nA\r\n\r\nB\rC\n\u2028"));
    EXPECT_NE(code.find("[code]\n\nA\n\nB\nC\n\n[strings]"), std::string::npos);
    EXPECT_EQ(ChipFileCodec::decode(code)->code, "A\n\nB\nC");
}

using ChipReadFailures = testing::ReadFailureTest<&ChipFileCodec::load, &ChipFileCodec::decode>;
using Row = ChipReadFailures::ParamType;
TEST_P(ChipReadFailures, GiveTheExactError) {
    check();
}

const std::string noName = "The chip name is missing from the [meta] section.";
const std::string notUtf8 = "The chip file could not be read as UTF-8 text.";
const Row chipReadFailures[] = {
    {"empty", "", Kind::emptyFile, 0, "The chip file is empty."},
    {"bad pins", fileWithMeta("name = A\npins = 28x"), Kind::invalidPinCount, 11,
     "Invalid pin count in the chip file: 28x."},
    {"bad type", fileWithMeta("name = A\r\ntype =  \t"), Kind::invalidChipType, 11,
     "Invalid chip type in the chip file: ."},
    {"bad image", fileWithMeta("IMAGEINDEX = 1.5 "), Kind::invalidImageIndex, 10,
     "Invalid image index in the chip file: 1.5."},
    {"too big", fileWithMeta("name = A\rpins = 99999999999999999999"), Kind::invalidPinCount, 11,
     "Invalid pin count in the chip file: 99999999999999999999."},
    {"numeric error wins over later checks", "[meta]\npins = x\n", Kind::invalidPinCount, 2,
     "Invalid pin count in the chip file: x."},
    {"file type", fileWithMeta("name = A", "[chipfile]\ntype =  multi \n"),
     Kind::unsupportedFileType, 0, "Unsupported chip file type: multi."},
    {"no sections", "name = A\n", Kind::missingChipSection, 0,
     "The file does not contain a [chips] section."},
    {"no meta", "[chips]\nname = A\n", Kind::missingMetadata, 0,
     "The file does not contain a [meta] section."},
    {"no name", "[chips]\n[meta]\npins = 14\n", Kind::missingName, 0, noName},
    {"blank name", "[chips]\n[meta]\nname =  \u00A0 \n", Kind::missingName, 0, noName},
    {"meta after an unknown section is ignored", "[chips]\n[meta]\n[notes]\nname = A\n",
     Kind::missingName, 0, noName},
    {"byte order mark only", "\xEF\xBB\xBF", Kind::emptyFile, 0, "The chip file is empty.", true},
    {"broken UTF-8", "[chips]\n[meta]\nname = \xC3\x28\n", Kind::unreadableFile, 0, notUtf8, true},
    {"UTF-16 surrogate", "[chips]\n[meta]\nname = \xED\xA0\x80\n", Kind::unreadableFile, 0, notUtf8,
     true},
    {"missing file", std::nullopt, Kind::fileSystem, 0, "No such file or directory"},
};
INSTANTIATE_TEST_SUITE_P(Errors, ChipReadFailures, ::testing::ValuesIn(chipReadFailures),
                         testing::PrintedName());

TEST(ChipFileCodec, LenientReading) {
    const std::string text =
        "ignored before any header\r\n  [ChipFile]  \r\n TYPE = Single \r\n[CHIPS]\r\n---\r\n"
        "\t [Meta] \r\nNAME =  My Chip  \r\nPINS = 28\r\ntype=-4\rimageindex = +3\r\n"
        "colour = red\r\nno equals sign here\r\n= no key\r\npins = -9223372036854775808\r\n"
        "[code]\r\n\r\n\r\n  indented\r\n\r\nnext\r\n   \r\n\r\n"
        "[Strings]\r\n 1=  padded  \r\n8=out of range\r\n-1=negative\r\nx=not a number\r\n"
        "2=a=b\r\n[ENDCHIPS]\r\n3=after the end\r\n";
    const auto chip = ChipFileCodec::decode(text);
    ASSERT_TRUE(chip) << chip.error().message();
    EXPECT_EQ(fields(*chip),
              fields(ChipDocument("My Chip", INT64_MIN, -4, 3, "  indented\n\nnext\n   ",
                                  {"", "  padded  ", "a=b", "", "", "", "", ""})));
}

TEST(ChipFileCodec, MissingPartsTakeDefaults) {
    EXPECT_EQ(fields(*ChipFileCodec::decode("[chips]\n[meta]\nname=Bare")),
              fields(ChipDocument("Bare", 14, 0, 0, "", std::vector<std::string>(8))));
}

// Which line of a chip's code the reader would take for a section header.
struct BracketedLineCase {
    const char* name;
    std::string code;
    std::optional<std::size_t> lineNumber;
    std::string text;
    friend void PrintTo(const BracketedLineCase& c, std::ostream* os) { *os << c.name; }
};

class FirstBracketedCodeLine : public ::testing::TestWithParam<BracketedLineCase> {};

TEST_P(FirstBracketedCodeLine, NamesTheLineThatEndsTheCode) {
    const auto found = ChipFileCodec::firstBracketedCodeLine(GetParam().code);
    EXPECT_EQ(found ? std::optional(found->lineNumber) : std::nullopt, GetParam().lineNumber);
    EXPECT_EQ(found ? found->text : "", GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstBracketedCodeLine,
    ::testing::Values(
        BracketedLineCase{"MiddleLine", "LEDON\n[abc]\nLEDOFF", 2, "[abc]"},
        BracketedLineCase{"FirstOfTwoWithSpaces", "\n\nA\n \t[x y]\u00a0\n[z]", 4, "[x y]"},
        BracketedLineCase{"CarriageReturnLineEnds", "A\r\nB\r[c]", 3, "[c]"},
        // The writer drops the paragraph separator at the end, leaving the brackets bare.
        BracketedLineCase{"ParagraphSeparatorAtTheEnd", "A\n[b]\u2029", 2, "[b]"},
        BracketedLineCase{"EmptyBrackets", "[]", 1, "[]"},
        BracketedLineCase{"BracketsInsideALine", "SET [1] ON\n[x\n]", std::nullopt, ""},
        BracketedLineCase{"NoCode", "", std::nullopt, ""}),
    testing::PrintedName());

} // namespace
} // namespace norix
