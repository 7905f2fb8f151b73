#include "core/fonts/FontFile.h"

#include "core/fonts/NorixFontSlot.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <random>

namespace norix {
namespace {

using Kind = FontImportError::Kind;

const std::string tinyText = "name=Tiny\nwidth=2\nheight=3\nsize=4\n\n[data]\n\n"
                             "# Glyph 0 - Space\n0b000, 0b000\n\n# Glyph 1 - !\n0b111, 0b000\n";

TEST(LoadedFont, WritesTheDocumentedLayout) {
    const LoadedFont tiny("Tiny", 2, 3, {0, 0, 7, 0});
    EXPECT_EQ(tiny.generatedText(), tinyText);
    EXPECT_EQ(tiny.size(), 4);
    EXPECT_EQ(tiny.glyphCount(), 2);
}

TEST(LoadedFont, GlyphLabelsAndColumnDigits) {
    // 101 glyphs of width 1: labels run Space, !, ..., ~, then "Glyph 95".
    std::vector<std::uint64_t> columns(101, 0);
    columns[34] = 0x1FF; // only the low eight bits are written
    columns[35] = 1;
    const std::string text = LoadedFont("L", 1, 3, columns).generatedText();
    EXPECT_NE(text.find("\n# Glyph 33 - A\n0b000\n"), std::string::npos);
    EXPECT_NE(text.find("\n# Glyph 34 - B\n0b11111111\n"), std::string::npos);
    EXPECT_NE(text.find("\n# Glyph 35 - C\n0b001\n"), std::string::npos);
    EXPECT_NE(text.find("\n# Glyph 94 - ~\n"), std::string::npos);
    EXPECT_NE(text.find("\n# Glyph 100 - Glyph 100\n"), std::string::npos);
    EXPECT_EQ(text.find("Glyph 101"), std::string::npos);
}

TEST(LoadedFont, ColumnsForGlyphAndDerivedValues) {
    const LoadedFont font("F", 3, 8, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(font.glyphCount(), 2);
    EXPECT_EQ(font.columnsForGlyph(1), (std::vector<std::uint64_t>{4, 5, 6}));
    EXPECT_TRUE(font.columnsForGlyph(-1).empty());
    EXPECT_TRUE(font.columnsForGlyph(2).empty());
    EXPECT_EQ(LoadedFont("Z", 0, 8, {1, 2}).glyphCount(), 0);
    EXPECT_EQ(LoadedFont("N", -2, 8, {1, 2}).glyphCount(), 0);
}

TEST(LoadedFont, NewFontFromOptions) {
    NewFontOptions options;
    EXPECT_EQ(options.name, "New Font");
    EXPECT_EQ(options.glyphCount, 95);
    options.name = " \n Big \t";
    options.width = 5;
    options.height = 7;
    options.glyphCount = 3;
    const auto font = makeNewFont(options);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->name, "Big");
    EXPECT_EQ(font->columns, std::vector<std::uint64_t>(15, 0));
    EXPECT_FALSE(font->sourceURL);
    options.name = " \r\n ";
    EXPECT_FALSE(makeNewFont(options));
}

TEST(NorixFontSlot, EmptySlotsAndEquality) {
    const auto slots = NorixFontSlot::emptySlots();
    ASSERT_EQ(slots.size(), 6u);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(slots[i].slot(), static_cast<std::int64_t>(i));
        EXPECT_TRUE(slots[i].isEmpty());
    }
    EXPECT_EQ(NorixFontSlot::emptySlots(2).size(), 2u);
    const NorixFontSlot named(1, "", 8, 8, 95);
    EXPECT_FALSE(named.isEmpty());
    EXPECT_EQ(named, NorixFontSlot(1, "", 8, 8, 95));
    EXPECT_NE(named, NorixFontSlot(1, "", 8, 8, 94));
    EXPECT_NE(named, NorixFontSlot(2, "", 8, 8, 95));
}

using FontFailure = testing::ReadFailure<Kind>;
class FontReaderFailures : public testing::ReadFailureTest<Kind, &parseFontText> {};
TEST_P(FontReaderFailures, GiveTheExactMessage) {
    check();
}

const std::string header = "name=F\nwidth=1\nheight=3\nsize=2\n";

INSTANTIATE_TEST_SUITE_P(
    Errors, FontReaderFailures,
    ::testing::Values(
        FontFailure{"width unit", "width=8px\n", Kind::invalidWidth,
                    "The font width is invalid: 8px"},
        FontFailure{"width zero", "name=F\nwidth=0\n", Kind::invalidWidth,
                    "The font width is invalid: 0"},
        FontFailure{"width negative", "width=-3\n", Kind::invalidWidth,
                    "The font width is invalid: -3"},
        FontFailure{"width overflow", "width=99999999999999999999\n", Kind::invalidWidth,
                    "The font width is invalid: 99999999999999999999"},
        FontFailure{"height empty", "height=\n", Kind::invalidHeight,
                    "The font height is invalid: "},
        FontFailure{"size", "size=1.0\n", Kind::invalidSize, "The font size is invalid: 1.0"},
        FontFailure{"scan error before end checks", "[junk]\nsize=x\n", Kind::invalidSize,
                    "The font size is invalid: x"},
        FontFailure{"too tall", "name=F\nwidth=1\nheight=9\nsize=1\n[data]\n", Kind::columnTooTall,
                    "Norix fonts currently support a maximum height of 8 pixels. The file "
                    "declares a height of 9 pixels."},
        FontFailure{"short token", "name=F\nwidth=1\nheight=8\nsize=1\n[data]\n0b1\n",
                    Kind::inconsistentColumnHeight,
                    "Every binary column should contain 8 bits, but 0b1 contains 1 bits."},
        FontFailure{"size mismatch",
                    "name=F\nwidth=1\nheight=1\nsize=10\n[data]\n0b1 0b0 0b1 0b0 0b1 0b0 0b1 "
                    "0b0 0b1\n",
                    Kind::sizeMismatch,
                    "The file declares size=10, but it contains 9 binary column values."},
        FontFailure{"incomplete glyph",
                    "name=F\nwidth=2\nheight=1\nsize=9\n[data]\n0b1,0b0,0b1,0b0,0b1,0b0,0b1,"
                    "0b0,0b1\n",
                    Kind::incompleteGlyph,
                    "The font contains 9 column values, which cannot be evenly divided into "
                    "glyphs that are 2 columns wide."},
        FontFailure{"empty name", "name=\nwidth=1\n", Kind::missingName,
                    "The font file is missing its name= entry."},
        FontFailure{"no width", "name=F\n", Kind::missingWidth,
                    "The font file is missing its width= entry."},
        FontFailure{"no height", "name=F\nwidth=1\n", Kind::missingHeight,
                    "The font file is missing its height= entry."},
        FontFailure{"no size", "name=F\nwidth=1\nheight=1\n", Kind::missingSize,
                    "The font file is missing its size= entry."},
        FontFailure{"no data", header, Kind::missingDataSection,
                    "The font file does not contain a [data] section."},
        FontFailure{"keys after data are data", "name=F\n[data]\nwidth=1\n", Kind::missingWidth,
                    "The font file is missing its width= entry."},
        FontFailure{"no tokens", header + "[data]\n# nothing here 0b 0B2\n", Kind::missingFontData,
                    "No binary column values were found after [data]."}),
    testing::PrintedName());

TEST(FontReader, LenientKeysAndTokens) {
    const std::string text = "# a comment\r\n  Name = Hand Made \r\n"
                             "Width = 8\nWIDTH=8\nwidth=+2\nheight=03\r\nsize = 4\nstyle=bold\n"
                             "\u2028[DATA]  \r\n"
                             "0b101, 0B011 trailing words x0b111\n name=0b000\n";
    const auto font = parseFontText(text);
    ASSERT_TRUE(font) << font.error().message();
    EXPECT_EQ(font->name, "Hand Made");
    EXPECT_EQ(font->width(), 2);
    EXPECT_EQ(font->height(), 3);
    EXPECT_EQ(font->columns, (std::vector<std::uint64_t>{5, 3, 7, 0}));
    EXPECT_FALSE(font->sourceURL);
}

TEST(FontReader, HugeValuesAndManyTokens) {
    // The largest width is accepted and the columns simply do not divide.
    const std::string widest =
        "name=W\nwidth=9223372036854775807\nheight=1\nsize=2\n[data]\n0b1 0b0";
    EXPECT_EQ(parseFontText(widest).error().message(),
              "The font contains 2 column values, which cannot be evenly divided into glyphs that "
              "are 9223372036854775807 columns wide.");
    std::string many = "name=M\nwidth=1\nheight=8\nsize=1\n[data]\n";
    for (int i = 0; i < 200000; ++i)
        many += "0b10101010, ";
    EXPECT_EQ(parseFontText(many).error().message(),
              "The file declares size=1, but it contains 200000 binary column values.");
}

TEST(FontReader, ExtractBinaryTokensAndMetadataValue) {
    // A match may start inside a word and ends where the binary digits end.
    const std::vector<std::string_view> expected = {"0b101", "0B1", "0b0", "0b11"};
    EXPECT_EQ(extractBinaryTokens("x0b101,0B12 0b 0b0b1 00b11"), expected);
    EXPECT_TRUE(extractBinaryTokens("0b").empty());
    EXPECT_EQ(metadataValue("name", " NAME = a=b "), "a=b");
    EXPECT_EQ(metadataValue("name", "name="), "");
    EXPECT_FALSE(metadataValue("name", "named=x"));
    EXPECT_FALSE(metadataValue("name", "name"));
}

TEST(FontReader, SafeFilenames) {
    EXPECT_EQ(safeFontFilename(" Big/Bold "), "Big_Bold.txt");
    EXPECT_EQ(safeFontFilename("a:b\"c?d*e<f>g|h"), "a_b_c_d_e_f_g_h.txt");
    EXPECT_EQ(safeFontFilename("   "), "font.txt");
    EXPECT_EQ(safeFontFilename(""), "font.txt");
}

class FontFiles : public ::testing::Test {
protected:
    testing::TempFolder scratch;
    const std::filesystem::path& folder = scratch.path();
};

TEST_F(FontFiles, ImportRemovesAByteOrderMarkAndSetsTheSource) {
    const auto path = folder / "bom.txt";
    ASSERT_FALSE(writeFileAtomically(path, "\xEF\xBB\xBF" + tinyText));
    const auto font = importFont(path);
    ASSERT_TRUE(font) << font.error().message();
    EXPECT_EQ(font->name, "Tiny");
    EXPECT_EQ(font->sourceURL, path);
}

TEST_F(FontFiles, UnreadableFiles) {
    const auto path = folder / "latin1.txt";
    ASSERT_FALSE(writeFileAtomically(path, "name=Caf\xE9\n"));
    for (const auto& bad : {path, folder / "missing.txt", folder}) {
        const auto font = importFont(bad);
        ASSERT_FALSE(font);
        EXPECT_EQ(font.error().message(), "The selected font file could not be read as text.");
    }
}

TEST_F(FontFiles, RandomFontsRoundTrip) {
    std::mt19937 random(77);
    for (int i = 0; i < 200; ++i) {
        const std::int64_t width = std::uniform_int_distribution<std::int64_t>(1, 8)(random);
        const std::int64_t height = std::uniform_int_distribution<std::int64_t>(1, 8)(random);
        const std::int64_t glyphs = std::uniform_int_distribution<std::int64_t>(1, 120)(random);
        std::vector<std::uint64_t> columns(static_cast<std::size_t>(width * glyphs));
        for (auto& c : columns)
            c = std::uniform_int_distribution<std::uint64_t>(0, (1u << height) - 1)(random);
        const LoadedFont font("Font " + std::to_string(i), width, height, columns);
        auto read = parseFontText(font.generatedText());
        // A few go through real files, the rest through the same text in memory.
        if (i < 5) {
            const auto path = folder / safeFontFilename(font.name);
            ASSERT_FALSE(writeFont(font, path));
            read = importFont(path);
            ASSERT_TRUE(read) << read.error().message();
            EXPECT_EQ(read->sourceURL, path);
            read->sourceURL.reset();
        }
        ASSERT_TRUE(read) << read.error().message();
        EXPECT_EQ(*read, font);
        EXPECT_EQ(read->generatedText(), font.generatedText());
    }
}

TEST_F(FontFiles, ExampleFontIsAComplete5x7Font) {
    const char* source = std::getenv("NORIX_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const auto path = std::filesystem::path(source) / "examples" / "fonts" / "Norix5x7.txt";
    const auto font = importFont(path);
    ASSERT_TRUE(font) << font.error().message();
    EXPECT_EQ(font->width(), 5);
    EXPECT_EQ(font->height(), 7);
    EXPECT_EQ(font->glyphCount(), 95);
    EXPECT_EQ(font->generatedText(), *readWholeFile(path));
    // Space is blank; every other printable character lights something.
    for (auto column : font->columnsForGlyph(0))
        EXPECT_EQ(column, 0u);
    for (std::int64_t glyph = 1; glyph < 95; ++glyph) {
        std::uint64_t lit = 0;
        for (auto column : font->columnsForGlyph(glyph))
            lit |= column;
        EXPECT_NE(lit, 0u) << "glyph " << glyph;
    }
}

} // namespace
} // namespace norix
