#include "core/fonts/FontFile.h"

#include "core/fonts/NorixFontSlot.h"
#include "tests/support/ReadFailure.h"

#include <gtest/gtest.h>
#include <random>

namespace norix {
namespace {

using Kind = FontFileErrorKind;

TEST(LoadedFont, WritesTheDocumentedLayout) {
    EXPECT_EQ(FontFile::encode(LoadedFont("Tiny", 2, 3, {0, 0, 7, 0})),
              "name=Tiny\nwidth=2\nheight=3\nsize=4\n\n[data]\n\n"
              "# Glyph 0 - Space\n0b000, 0b000\n\n# Glyph 1 - !\n0b111, 0b000\n");
    // Glyphs past '~' are named by number; only the low eight bits of a column are written.
    std::vector<std::uint64_t> columns(101, 0);
    columns[99] = 1;
    columns[100] = 0x1FF;
    EXPECT_TRUE(
        FontFile::encode(LoadedFont("L", 1, 3, columns))
            .ends_with("\n# Glyph 99 - Glyph 99\n0b001\n\n# Glyph 100 - Glyph 100\n0b11111111\n"));
}

TEST(LoadedFont, ColumnsForGlyphAndDerivedValues) {
    const LoadedFont font("F", 3, 8, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(font.glyphCount(), 2);
    EXPECT_EQ(font.columnsForGlyph(1), (std::vector<std::uint64_t>{4, 5, 6}));
    EXPECT_EQ(font.columnsForGlyph(-1), font.columnsForGlyph(2));
    EXPECT_TRUE(font.columnsForGlyph(2).empty());
    EXPECT_EQ(LoadedFont("Z", 0, 8, {1, 2}).glyphCount() + LoadedFont("N", -2, 8, {1}).glyphCount(),
              0);
}

TEST(NorixFontSlot, EmptySlotsAreNumberedFromZero) {
    const auto slots = NorixFontSlot::emptySlots();
    ASSERT_EQ(slots.size(), 6u);
    for (std::size_t i = 0; i < slots.size(); ++i)
        EXPECT_EQ(slots[i], NorixFontSlot(static_cast<std::int64_t>(i)));
}

using FontReadFailures = testing::ReadFailureTest<&FontFile::load, &FontFile::decode>;
using Row = FontReadFailures::ParamType;
TEST_P(FontReadFailures, GiveTheExactError) {
    check();
}

const std::string header = "name=F\nwidth=1\nheight=3\nsize=2\n";
std::string missing(const std::string& key) {
    return "The font file is missing its " + key + "= entry.";
}

INSTANTIATE_TEST_SUITE_P(
    Errors, FontReadFailures,
    ::testing::Values(
        Row{"width unit", "width=8px\n", Kind::invalidWidth, 1, "The font width is invalid: 8px"},
        Row{"width zero", "name=F\r\nwidth=0\n", Kind::invalidWidth, 2,
            "The font width is invalid: 0"},
        Row{"width negative", "\n\nwidth=-3\n", Kind::invalidWidth, 3,
            "The font width is invalid: -3"},
        Row{"height empty", "name=F\rheight=\n", Kind::invalidHeight, 2,
            "The font height is invalid: "},
        Row{"size", "size=1.0\n", Kind::invalidSize, 1, "The font size is invalid: 1.0"},
        Row{"scan error before end checks", "[junk]\nsize=x\n", Kind::invalidSize, 2,
            "The font size is invalid: x"},
        Row{"too tall", "name=F\nwidth=1\nheight=9\nsize=1\n[data]\n", Kind::columnTooTall, 0,
            "Norix fonts currently support a maximum height of 8 pixels. The file declares a "
            "height of 9 pixels."},
        Row{"short token", "name=F\nwidth=1\nheight=8\nsize=1\n[data]\r\n\r\n0b1\n",
            Kind::inconsistentColumnHeight, 7,
            "Every binary column should contain 8 bits, but 0b1 contains 1 bits."},
        Row{"size mismatch",
            "name=F\nwidth=1\nheight=1\nsize=10\n[data]\n0b1 0b0 0b1 0b0 0b1 0b0 0b1 0b0 0b1\n",
            Kind::sizeMismatch, 0,
            "The file declares size=10, but it contains 9 binary column values."},
        Row{"incomplete glyph",
            "name=F\nwidth=2\nheight=1\nsize=9\n[data]\n0b1,0b0,0b1,0b0,0b1,0b0,0b1,0b0,0b1\n",
            Kind::incompleteGlyph, 0,
            "The font contains 9 column values, which cannot be evenly divided into glyphs "
            "that are 2 columns wide."},
        Row{"many tokens",
            "name=M\nwidth=1\nheight=8\nsize=1\n[data]\n" +
                testing::repeated("0b10101010, ", 200000),
            Kind::sizeMismatch, 0,
            "The file declares size=1, but it contains 200000 binary column values."},
        Row{"empty name", "name=\nwidth=1\n", Kind::missingName, 0, missing("name")},
        Row{"no width", "name=F\n", Kind::missingWidth, 0, missing("width")},
        Row{"no height", "name=F\nwidth=1\n", Kind::missingHeight, 0, missing("height")},
        Row{"no size", "name=F\nwidth=1\nheight=1\n", Kind::missingSize, 0, missing("size")},
        Row{"no data", header, Kind::missingDataSection, 0,
            "The font file does not contain a [data] section."},
        Row{"keys after data are data", "name=F\n[data]\nwidth=1\n", Kind::missingWidth, 0,
            missing("width")},
        Row{"no tokens", header + "[data]\n# nothing here 0b 0B2\n", Kind::missingFontData, 0,
            "No binary column values were found after [data]."},
        Row{"Latin-1", "name=Caf\xE9\n", Kind::unreadableFile, 0,
            "The selected font file could not be read as text.", true},
        Row{"missing file", std::nullopt, Kind::unreadableFile, 0,
            "The selected font file could not be read as text."}),
    testing::PrintedName());

TEST(FontReader, LenientKeysAndTokens) {
    const std::string text = "# a comment\r\n  Name = Hand=Made \r\nname\n"
                             "Width = 8\nWIDTH=8\nwidth=+2\nheight=03\r\nsize = 4\nnamed=bold\n"
                             "\u2028[DATA]  \r\n"
                             "0b101, 0B011 trailing words x0b111\n name=0b000\n";
    const auto font = FontFile::decode(text);
    ASSERT_TRUE(font) << font.error().message();
    EXPECT_EQ(*font, LoadedFont("Hand=Made", 2, 3, {5, 3, 7, 0}));
}

TEST(FontReader, BinaryTokensStartAnywhereAndEndWithTheirDigits) {
    const std::vector<std::string_view> expected = {"0b101", "0B1", "0b0", "0b11"};
    EXPECT_EQ(extractBinaryTokens("x0b101,0B12 0b 0b0b1 00b11"), expected);
    EXPECT_TRUE(extractBinaryTokens("0b").empty());
}

TEST(FontReader, SafeFilenames) {
    EXPECT_EQ(safeFontFilename(" Big/Bold "), "Big_Bold.txt");
    EXPECT_EQ(safeFontFilename("a:b\"c?d*e<f>g|h"), "a_b_c_d_e_f_g_h.txt");
    EXPECT_EQ(safeFontFilename("   "), "font.txt");
}

TEST(FontReader, RandomFontsReadBackAsWritten) {
    const auto make = [](std::mt19937& random) {
        auto number = [&](std::int64_t most) {
            return std::uniform_int_distribution<std::int64_t>(1, most)(random);
        };
        const std::int64_t width = number(8), height = number(8);
        std::vector<std::uint64_t> columns(static_cast<std::size_t>(width * number(120)));
        for (auto& c : columns)
            c = std::uniform_int_distribution<std::uint64_t>(0, (1u << height) - 1)(random);
        return LoadedFont("Font " + std::to_string(height), width, height, columns);
    };
    testing::expectRoundTrips<&FontFile::save, &FontFile::load, &FontFile::encode,
                              &FontFile::decode>(200, make, [](LoadedFont read, const auto& font) {
        read.sourceURL.reset();
        EXPECT_EQ(read, font);
    });
}

} // namespace
} // namespace norix
