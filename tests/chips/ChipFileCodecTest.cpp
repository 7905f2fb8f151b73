#include "core/chips/ChipFileCodec.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace norix {
namespace {

using Kind = ChipFileCodecError::Kind;

// A complete, valid file in the written layout, with `meta` as the body of the
// [meta] section.
std::string fileWithMeta(const std::string& meta,
                         const std::string& header = "[chipfile]\ntype = single\n") {
    return header + "\n[chips]\n\n---\n\n[meta]\n\n" + meta +
           "\n\n[code]\n\nSET 1 ON\n\n[strings]\n\n0=hello\n\n[ENDCHIPS]\n";
}

TEST(ChipDocument, DefaultsClearAndBoundedStringAccess) {
    ChipDocument chip("7400", 14, 4, 1, "SET 1 ON", {"a", "b"});
    chip.setString(1, "second");
    chip.setString(2, "ignored");
    chip.setString(-1, "ignored");
    EXPECT_EQ(chip.string(0), "a");
    EXPECT_EQ(chip.string(1), "second");
    EXPECT_EQ(chip.string(2), "");
    EXPECT_EQ(chip.string(-1), "");
    EXPECT_EQ(chip.strings.size(), 2u);

    chip.clear();
    EXPECT_EQ(chip.name, "");
    EXPECT_EQ(chip.pinCount, 14);
    EXPECT_EQ(chip.chipType, 0);
    EXPECT_EQ(chip.imageIndex, 0);
    EXPECT_EQ(chip.code, "");
    EXPECT_EQ(chip.strings, std::vector<std::string>(8));
    chip.setString(7, "last");
    EXPECT_EQ(chip.string(7), "last");
    EXPECT_EQ(chip.string(8), "");
}

TEST(ChipDocument, LabelLists) {
    EXPECT_EQ(chipTypeLabels.front(), "Unknown");
    EXPECT_EQ(chipTypeLabels[4], "7400 Series");
    EXPECT_EQ(chipTypeLabels.back(), "Other");
    EXPECT_EQ(packagePictureLabels[1], "DIP14");
    EXPECT_EQ(packagePictureLabels[3], "DIP20W");
    EXPECT_EQ(packagePictureLabels.back(), "DIP40");
}

TEST(ChipFileCodec, WritesTheFixedLayout) {
    ChipDocument chip("NE555", 8, 0, 0, "SET 1 ON");
    const std::string expected = "[chipfile]\ntype = single\n\n[chips]\n\n---\n\n[meta]\n\n"
                                 "name = NE555\npins = 8\ntype = 0\nimageIndex = 0\n\n"
                                 "[code]\n\nSET 1 ON\n\n[strings]\n\n"
                                 "0=\n1=\n2=\n3=\n4=\n5=\n6=\n7=\n\n[ENDCHIPS]\n";
    EXPECT_EQ(ChipFileCodec::encode(chip), expected);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 30);
}

TEST(ChipFileCodec, WritesEmptyCodeAsTwoBlankLinesAndFlattensStrings) {
    ChipDocument chip("X", 14, 0, 0, "\r\n\n", {"two\r\nlines", "a\rb\nc", "k=v"});
    const std::string text = ChipFileCodec::encode(chip);
    EXPECT_NE(text.find("[code]\n\n\n[strings]\n"), std::string::npos);
    EXPECT_NE(text.find("\n0=two lines\n1=a b c\n2=k=v\n3=\n"), std::string::npos);
    EXPECT_NE(text.find("\n7=\n\n[ENDCHIPS]\n"), std::string::npos);
}

TEST(ChipFileCodec, CodeLineEndsAreNormalisedAndTrimmed) {
    ChipDocument chip("X", 14, 0, 0, "\n\nA\r\n\r\nB\rC\n\u2028");
    const std::string text = ChipFileCodec::encode(chip);
    EXPECT_NE(text.find("[code]\n\nA\n\nB\nC\n\n[strings]"), std::string::npos);
    EXPECT_EQ(ChipFileCodec::decode(text)->code, "A\n\nB\nC");
}

using DecodeFailure = testing::ReadFailure<Kind>;
class ChipDecodeFailures : public testing::ReadFailureTest<Kind, &ChipFileCodec::decode> {};
TEST_P(ChipDecodeFailures, GiveTheExactMessage) {
    check();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ChipDecodeFailures,
    ::testing::Values(
        DecodeFailure{"empty", "", Kind::emptyFile, "The chip file is empty."},
        DecodeFailure{"bad pins", fileWithMeta("name = A\npins = 28x"), Kind::invalidPinCount,
                      "Invalid pin count in the chip file: 28x."},
        DecodeFailure{"bad type", fileWithMeta("name = A\ntype =  \t"), Kind::invalidChipType,
                      "Invalid chip type in the chip file: ."},
        DecodeFailure{"bad image", fileWithMeta("name = A\nIMAGEINDEX = 1.5 "),
                      Kind::invalidImageIndex, "Invalid image index in the chip file: 1.5."},
        DecodeFailure{"too big", fileWithMeta("name = A\npins = 99999999999999999999"),
                      Kind::invalidPinCount,
                      "Invalid pin count in the chip file: 99999999999999999999."},
        DecodeFailure{"numeric error wins over later checks", "[meta]\npins = x\n",
                      Kind::invalidPinCount, "Invalid pin count in the chip file: x."},
        DecodeFailure{"file type", fileWithMeta("name = A", "[chipfile]\ntype =  multi \n"),
                      Kind::unsupportedFileType, "Unsupported chip file type: multi."},
        DecodeFailure{"no sections", "name = A\n", Kind::missingChipSection,
                      "The file does not contain a [chips] section."},
        DecodeFailure{"no meta", "[chips]\nname = A\n", Kind::missingMetadata,
                      "The file does not contain a [meta] section."},
        DecodeFailure{"no name", "[chips]\n[meta]\npins = 14\n", Kind::missingName,
                      "The chip name is missing from the [meta] section."},
        DecodeFailure{"blank name", "[chips]\n[meta]\nname =  \u00A0 \n", Kind::missingName,
                      "The chip name is missing from the [meta] section."},
        DecodeFailure{"meta after an unknown section is ignored",
                      "[chips]\n[meta]\n[notes]\nname = A\n", Kind::missingName,
                      "The chip name is missing from the [meta] section."}),
    testing::PrintedName());

TEST(ChipFileCodec, LoadRejectsEmptyBomOnlyAndNonUtf8Files) {
    const testing::TempFolder folder;
    struct Case {
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", "The chip file is empty."},
        {"\xEF\xBB\xBF", "The chip file is empty."},
        {"[chips]\n[meta]\nname = \xC3\x28\n", "The chip file could not be read as UTF-8 text."},
        {"[chips]\n[meta]\nname = \xED\xA0\x80\n",
         "The chip file could not be read as UTF-8 text."},
    };
    for (const auto& c : cases) {
        const auto path = folder / "case.chip";
        ASSERT_FALSE(writeFileAtomically(path, c.bytes));
        const auto result = ChipFileCodec::load(path);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().message(), c.message);
    }
    const auto missing = ChipFileCodec::load(folder / "does-not-exist.chip");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message(), "No such file or directory");
}

TEST(ChipFileCodec, LenientReading) {
    const std::string text = "\xEF\xBB\xBFignored before any header\r\n"
                             "  [ChipFile]  \r\n TYPE = Single \r\n"
                             "[CHIPS]\r\n---\r\n"
                             "\t [Meta] \r\n"
                             "NAME =  My Chip  \r\n"
                             "PINS = 28\r\n"
                             "type=-4\r"
                             "imageindex = +3\r\n"
                             "colour = red\r\n"
                             "no equals sign here\r\n"
                             "= no key\r\n"
                             "pins = 24\r\n"
                             "[code]\r\n\r\n\r\n  indented\r\n\r\nnext\r\n   \r\n\r\n"
                             "[Strings]\r\n"
                             " 1=  padded  \r\n"
                             "8=out of range\r\n-1=negative\r\nx=not a number\r\n"
                             "2=a=b\r\n"
                             "[ENDCHIPS]\r\n"
                             "3=after the end\r\n";
    // The byte-order mark is only dropped by load(); decode sees it as text
    // before the first header, which is ignored anyway.
    const auto chip = ChipFileCodec::decode(text);
    ASSERT_TRUE(chip) << chip.error().message();
    EXPECT_EQ(chip->name, "My Chip");
    EXPECT_EQ(chip->pinCount, 24);
    EXPECT_EQ(chip->chipType, -4);
    EXPECT_EQ(chip->imageIndex, 3);
    EXPECT_EQ(chip->code, "  indented\n\nnext\n   ");
    EXPECT_EQ(chip->strings,
              (std::vector<std::string>{"", "  padded  ", "a=b", "", "", "", "", ""}));
}

TEST(ChipFileCodec, SeveralMegabytesOfCode) {
    std::string text = "[chips]\n[meta]\nname=Big\npins=-9223372036854775808\n[code]\n";
    for (int i = 0; i < 300000; ++i)
        text += "SETPIN 1 1\r\n";
    const auto chip = ChipFileCodec::decode(text);
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->pinCount, INT64_MIN);
    EXPECT_EQ(chip->code.size(), 300000u * 11 - 1);
}

TEST(ChipFileCodec, MissingPartsTakeDefaults) {
    const auto chip = ChipFileCodec::decode("[chips]\n[meta]\nname=Bare");
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->pinCount, 14);
    EXPECT_EQ(chip->chipType, 0);
    EXPECT_EQ(chip->imageIndex, 0);
    EXPECT_EQ(chip->code, "");
    EXPECT_EQ(chip->strings, std::vector<std::string>(8));
}

TEST(ChipFileCodec, BracketedCodeLineEndsTheCodeSection) {
    const auto chip =
        ChipFileCodec::decode("[chips]\n[meta]\nname=A\n[code]\nA\n[label]\nB\n[strings]\n0=s\n");
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->code, "A");
    EXPECT_EQ(chip->string(0), "s");
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
    ASSERT_EQ(found.has_value(), GetParam().lineNumber.has_value());
    if (!found)
        return;
    EXPECT_EQ(found->lineNumber, *GetParam().lineNumber);
    EXPECT_EQ(found->text, GetParam().text);
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
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ChipFileCodec, BracketedCodeLineIsWrittenAndReadBackUpToIt) {
    ChipDocument chip("LEDS", 14, 1, 0, "LEDON\n[abc]\nLEDOFF");
    const std::string text = ChipFileCodec::encode(chip);
    EXPECT_NE(text.find("\nLEDON\n[abc]\nLEDOFF\n"), std::string::npos);
    const auto read = ChipFileCodec::decode(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->code, "LEDON");
    EXPECT_EQ(
        ChipFileCodec::bracketedCodeLineWarning(*ChipFileCodec::firstBracketedCodeLine(chip.code)),
        "Warning: code line 2 \"[abc]\" is enclosed in square brackets, so the code will "
        "end before it when the file is read again.");
}

TEST(ChipFileCodec, LineEndVariantsReadTheSame) {
    ChipDocument chip("7400", 14, 4, 1, "A\n\nB", {"x", "y"});
    const std::string lf = ChipFileCodec::encode(chip);
    std::string crlf;
    std::string cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    for (const auto& text : {lf, crlf, cr}) {
        const auto read = ChipFileCodec::decode(text);
        ASSERT_TRUE(read);
        EXPECT_EQ(ChipFileCodec::encode(*read), lf);
    }
}

TEST(ChipFileCodec, KeyValueAndHelpers) {
    using ChipFileCodec::keyValue;
    EXPECT_FALSE(keyValue("no equals"));
    EXPECT_FALSE(keyValue(" \t= value"));
    const auto pair = keyValue(" \u3000key  = a = b ");
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->first, "key");
    EXPECT_EQ(pair->second, " a = b ");
    EXPECT_EQ(ChipFileCodec::normalizedStrings({"a"}).size(), 8u);
    EXPECT_EQ(ChipFileCodec::normalizedStrings(std::vector<std::string>(12, "z")),
              std::vector<std::string>(8, "z"));
    EXPECT_EQ(ChipFileCodec::singleLine("a\r\n\r\nb\n\rc"), "a  b  c");
}

// Random chips whose fields can survive a round trip, and random junk.
ChipDocument randomChip(std::mt19937& random) {
    const std::string alphabet = "abcXYZ019 =[]#;,.-\t\u00e9\u00d7";
    auto text = [&](int maxLength) {
        std::string s;
        const int length = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < length; ++i)
            s += alphabet[std::uniform_int_distribution<std::size_t>(0,
                                                                     alphabet.size() - 1)(random)];
        return s;
    };
    ChipDocument chip;
    chip.name = "N" + text(10) + "n";
    chip.pinCount = std::uniform_int_distribution<std::int64_t>(-100, 100)(random);
    chip.chipType = std::uniform_int_distribution<std::int64_t>(-100, 100)(random);
    chip.imageIndex = std::uniform_int_distribution<std::int64_t>(-100, 100)(random);
    const int lines = std::uniform_int_distribution<int>(0, 6)(random);
    for (int i = 0; i < lines; ++i)
        chip.code += (i ? "\n" : "") + std::string("L") + text(12);
    for (auto& s : chip.strings)
        s = text(15) + "\r\n" + text(3);
    return chip;
}

TEST(ChipFileCodec, RandomDocumentsSurviveEncodeDecodeEncode) {
    std::mt19937 random(1234);
    for (int i = 0; i < 300; ++i) {
        ChipDocument chip = randomChip(random);
        const std::string first = ChipFileCodec::encode(chip);
        const auto read = ChipFileCodec::decode(first);
        ASSERT_TRUE(read) << first;
        EXPECT_EQ(ChipFileCodec::encode(*read), first);
        EXPECT_EQ(read->name, chip.name);
        EXPECT_EQ(read->pinCount, chip.pinCount);
        EXPECT_EQ(read->chipType, chip.chipType);
        EXPECT_EQ(read->imageIndex, chip.imageIndex);
        EXPECT_EQ(read->code, chip.code);
    }
}

} // namespace
} // namespace norix
