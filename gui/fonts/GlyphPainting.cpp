#include "gui/fonts/GlyphPainting.h"

#include "core/fonts/FontEditor.h"

namespace norix {

void paintGlyphPixels(QPainter& painter, const std::vector<std::uint64_t>& columns,
                      std::int64_t height, QPointF origin, double size, const QColor& lit) {
    const auto width = static_cast<std::int64_t>(columns.size());
    for (std::int64_t column = 0; column < width; ++column)
        for (std::int64_t row = 0; row < height; ++row)
            if (glyphPixelIsLit(columns, height, column, row))
                painter.fillRect(QRectF(origin.x() + static_cast<double>(column) * size,
                                        origin.y() + static_cast<double>(row) * size, size, size),
                                 lit);
}

} // namespace norix
