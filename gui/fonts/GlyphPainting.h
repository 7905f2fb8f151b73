#pragma once
// Draws one glyph's pixels as squares: shared by the editor, the preview of
// all glyphs and the picture of the Norix display.

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <cstdint>
#include <vector>

namespace norix {

// Fills the lit pixels of `columns` (bit height-1-row is row `row`) with
// `lit`, the top-left pixel at `origin`, each pixel `size` points square.
void paintGlyphPixels(QPainter& painter, const std::vector<std::uint64_t>& columns,
                      std::int64_t height, QPointF origin, double size, const QColor& lit);

} // namespace norix
