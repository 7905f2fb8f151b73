#pragma once
// How the font window names glyphs and pixels: glyph i stands for the
// character 32 + i, and a pixel is a bit of one column (bit height-1-row).

#include <cstdint>
#include <string>
#include <vector>

namespace norix {

// Glyph i stands for the character 32 + i: "Space", the character, or "Glyph {i}".
std::string glyphDisplayName(std::int64_t index);
// The glyph grid's label: "SP", the character, or the index in decimal.
std::string glyphButtonLabel(std::int64_t index);
// "Glyph {i}, ASCII {code}, Character {name}" for printable glyphs, else "Glyph {i}".
std::string glyphHelp(std::int64_t index);

// Whether the pixel at (column, row) is lit; outside the columns or rows it is dark.
bool glyphPixelIsLit(const std::vector<std::uint64_t>& columns, std::int64_t height,
                     std::int64_t column, std::int64_t row);
// "Column {column}, Row {row}, Bit {bit}: On" (or "Off").
std::string glyphPixelHelp(const std::vector<std::uint64_t>& columns, std::int64_t height,
                           std::int64_t column, std::int64_t row);

} // namespace norix
