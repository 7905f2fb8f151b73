#include "core/fonts/FontLayout.h"

#include <algorithm>
#include <cmath>

namespace norix {

double glyphEditorPixelSize(double panelWidth, double panelHeight, std::int64_t glyphWidth,
                            std::int64_t glyphHeight) {
    const double availableWidth = std::max(1.0, panelWidth - glyphEditorHorizontalMargin);
    const double availableHeight = std::max(1.0, panelHeight - glyphEditorVerticalMargin);
    const double columns = static_cast<double>(std::max<std::int64_t>(1, glyphWidth));
    const double rows = static_cast<double>(std::max<std::int64_t>(1, glyphHeight));
    const double size = std::min(availableWidth / columns, availableHeight / rows);
    return std::clamp(size, glyphEditorMinimumPixelSize, glyphEditorMaximumPixelSize);
}

double previewPixelSize(const LoadedFont& font) {
    if (font.width() <= 8 && font.height() <= 8)
        return 3;
    if (font.width() <= 12 && font.height() <= 12)
        return 2;
    return 1.5;
}

double previewColumnMinimumWidth(const LoadedFont& font) {
    return std::max(34.0, static_cast<double>(font.width()) * previewPixelSize(font) + 10);
}

GridColumns adaptiveColumns(double available, double minimum, double maximum, double spacing) {
    GridColumns columns;
    columns.count =
        std::max(1, static_cast<int>(std::floor((available + spacing) / (minimum + spacing))));
    const double stretched = (available - spacing * (columns.count - 1)) / columns.count;
    columns.width = std::clamp(stretched, minimum, std::max(minimum, maximum));
    return columns;
}

namespace {

// The next code point of UTF-8 text; malformed bytes count as one character
// each, so that the layout never stalls on them.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = lead < 0x80           ? 1
                       : (lead >> 5) == 0x6  ? 2
                       : (lead >> 4) == 0xE  ? 3
                       : (lead >> 3) == 0x1E ? 4
                                             : 1;
    if (length == 1 || at + static_cast<std::size_t>(length) > text.size()) {
        ++at;
        return lead < 0x80 ? lead : 0xFFFD;
    }
    char32_t value = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        value = (value << 6) |
                (static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]) & 0x3F);
    at += static_cast<std::size_t>(length);
    return value;
}

} // namespace

std::vector<PlacedGlyph> layoutTextOnDisplay(const LoadedFont& font, std::string_view text) {
    std::vector<PlacedGlyph> placed;
    const std::int64_t width = font.width();
    const std::int64_t height = font.height();
    if (width <= 0 || height <= 0)
        return placed;
    const std::int64_t glyphs = font.glyphCount();
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::size_t at = 0;
    while (at < text.size() && y + height <= norixDisplayHeight) {
        const char32_t character = nextCodePoint(text, at);
        if (character == U'\n') {
            x = 0;
            y += height;
            continue;
        }
        if (x > 0 && x + width > norixDisplayWidth) {
            x = 0;
            y += height;
            if (y + height > norixDisplayHeight)
                break;
        }
        const std::int64_t glyph = static_cast<std::int64_t>(character) - firstGlyphCharacter;
        if (glyph >= 0 && glyph < glyphs)
            placed.push_back({glyph, x, y});
        x += width;
    }
    return placed;
}

} // namespace norix
