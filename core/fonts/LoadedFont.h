#pragma once
// A bitmap font in memory: its name, glyph size and every pixel column of every
// glyph. Glyph i stands for the character 32 + i. A column's bit height-1-r is
// the pixel in row r, so bit 0 is the bottom row.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace norix {

inline constexpr std::int64_t firstGlyphCharacter = 32;
inline constexpr std::int64_t printableGlyphCount = 95; // characters 32 to 126
inline constexpr std::int64_t maximumFontHeight = 8;

class LoadedFont {
public:
    LoadedFont(std::string name_, std::int64_t width, std::int64_t height,
               std::vector<std::uint64_t> columns_,
               std::optional<std::filesystem::path> sourceURL_ = std::nullopt)
        : name(std::move(name_)), columns(std::move(columns_)), sourceURL(std::move(sourceURL_)),
          width_(width), height_(height) {}

    std::string name;
    std::vector<std::uint64_t> columns; // glyph after glyph, columns left to right
    // The file the font was read from or last written to.
    std::optional<std::filesystem::path> sourceURL;

    std::int64_t width() const { return width_; }
    std::int64_t height() const { return height_; }

    // The number of columns (the file's size= value).
    std::int64_t size() const { return static_cast<std::int64_t>(columns.size()); }
    // Whole glyphs; 0 for a width of 0 or less.
    std::int64_t glyphCount() const;
    // The width() columns of glyph `index`; empty outside 0 ..< glyphCount().
    std::vector<std::uint64_t> columnsForGlyph(std::int64_t index) const;
    // The whole font as font-file text.
    std::string generatedText() const;
    // The line of generatedText() that holds glyph `index`'s columns, without
    // its line feed; it is line 8 + 3 × index, counted from 0.
    std::string glyphDataLine(std::int64_t index) const;
    static std::int64_t glyphDataLineNumber(std::int64_t index) { return 8 + 3 * index; }

    bool operator==(const LoadedFont&) const = default;

private:
    void appendGlyphColumns(std::string& text, std::int64_t glyph) const;

    std::int64_t width_;
    std::int64_t height_;
};

// The values the New Font dialog edits.
struct NewFontOptions {
    std::string name = "New Font";
    std::int64_t width = 8;
    std::int64_t height = 8;
    std::int64_t glyphCount = printableGlyphCount;
};

// A font of dark glyphs made from the options. Nothing when the name is empty
// once white space and line breaks are trimmed from its ends.
std::optional<LoadedFont> makeNewFont(const NewFontOptions& options);

} // namespace norix
