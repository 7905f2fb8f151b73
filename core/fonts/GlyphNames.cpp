#include "core/fonts/GlyphNames.h"

#include "core/fonts/LoadedFont.h"

namespace norix {

std::string glyphDisplayName(std::int64_t index) {
    if (index == 0)
        return "Space";
    if (index > 0 && index < printableGlyphCount)
        return std::string(1, static_cast<char>(firstGlyphCharacter + index));
    return "Glyph " + std::to_string(index);
}

std::string glyphButtonLabel(std::int64_t index) {
    if (index == 0)
        return "SP";
    if (index > 0 && index < printableGlyphCount)
        return std::string(1, static_cast<char>(firstGlyphCharacter + index));
    return std::to_string(index);
}

std::string glyphHelp(std::int64_t index) {
    if (index >= 0 && index < printableGlyphCount)
        return "Glyph " + std::to_string(index) + ", ASCII " +
               std::to_string(firstGlyphCharacter + index) + ", Character " +
               glyphDisplayName(index);
    return "Glyph " + std::to_string(index);
}

bool glyphPixelIsLit(const std::vector<std::uint64_t>& columns, std::int64_t height,
                     std::int64_t column, std::int64_t row) {
    if (column < 0 || column >= static_cast<std::int64_t>(columns.size()) || row < 0 ||
        row >= height)
        return false;
    const std::int64_t bit = height - 1 - row;
    return bit < 64 && ((columns[static_cast<std::size_t>(column)] >> bit) & 1U) != 0;
}

std::string glyphPixelHelp(const std::vector<std::uint64_t>& columns, std::int64_t height,
                           std::int64_t column, std::int64_t row) {
    return "Column " + std::to_string(column) + ", Row " + std::to_string(row) + ", Bit " +
           std::to_string(height - 1 - row) + ": " +
           (glyphPixelIsLit(columns, height, column, row) ? "On" : "Off");
}

} // namespace norix
