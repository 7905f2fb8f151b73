#pragma once
// Sizes and placements of the font window's pictures: the enlarged glyph of
// the editor, the small glyphs of the preview, the adaptive columns of the
// glyph and preview grids, and typed text laid out on the Norix's display.

#include "core/fonts/LoadedFont.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace norix {

// The Norix's display, in its own pixels.
inline constexpr std::int64_t norixDisplayWidth = 160;
inline constexpr std::int64_t norixDisplayHeight = 128;

// Room the glyph editor keeps around the glyph for its margins and header.
inline constexpr double glyphEditorHorizontalMargin = 24;
inline constexpr double glyphEditorVerticalMargin = 68;
inline constexpr double glyphEditorMinimumPixelSize = 2;
inline constexpr double glyphEditorMaximumPixelSize = 30;

// The glyph grid's buttons: columns 36 to 44 points wide, 6 points apart.
inline constexpr double glyphButtonMinimumWidth = 36;
inline constexpr double glyphButtonMaximumWidth = 44;
inline constexpr double glyphButtonSpacing = 6;
inline constexpr double previewColumnSpacing = 8;

// The edge of one editor pixel that fits a glyph of width × height into a
// panel of the given size, held between 2 and 30 points.
double glyphEditorPixelSize(double panelWidth, double panelHeight, std::int64_t glyphWidth,
                            std::int64_t glyphHeight);

// Points per font pixel in the preview: 3 up to 8 × 8, 2 up to 12 × 12, else 1.5.
double previewPixelSize(const LoadedFont& font);
// The narrowest preview column: room for the glyph and a margin of 10 points.
double previewColumnMinimumWidth(const LoadedFont& font);

// Adaptive columns: as many columns of at least `minimum` as fit into
// `available` with `spacing` between them, and never fewer than one.
struct GridColumns {
    int count = 1;
    double width = 0; // each column's width, stretched to fill `available`, at most `maximum`
};
GridColumns adaptiveColumns(double available, double minimum, double maximum, double spacing);

// One glyph of typed text placed on the Norix display, in display pixels.
struct PlacedGlyph {
    std::int64_t glyph = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    bool operator==(const PlacedGlyph&) const = default;
};

// Lays UTF-8 text out as the Norix writes it: glyphs side by side, a new line
// when the next glyph would cross the right edge or at a line feed, and
// nothing below the bottom edge. A character the font has no glyph for keeps
// its place as a blank cell.
std::vector<PlacedGlyph> layoutTextOnDisplay(const LoadedFont& font, std::string_view text);

} // namespace norix
