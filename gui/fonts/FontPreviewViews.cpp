#include "gui/fonts/FontPreviewViews.h"

#include "core/fonts/FontEditor.h"
#include "core/fonts/FontLayout.h"
#include "gui/fonts/GlyphPainting.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace norix {

FontGlyphsPreview::FontGlyphsPreview(FontEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("fontGlyphsPreview"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int FontGlyphsPreview::columnsFor(int width) const {
    const auto& font = editor_.loadedFont();
    if (!font)
        return 1;
    const double minimum = previewColumnMinimumWidth(*font);
    return adaptiveColumns(width, minimum, minimum, previewColumnSpacing).count;
}

double FontGlyphsPreview::cellHeight() const {
    const auto& font = editor_.loadedFont();
    return font ? static_cast<double>(font->height()) * previewPixelSize(*font) + 10 : 0;
}

int FontGlyphsPreview::heightForWidth(int width) const {
    const auto& font = editor_.loadedFont();
    if (!font)
        return 0;
    const auto columns = static_cast<std::int64_t>(columnsFor(width));
    const std::int64_t rows = (font->glyphCount() + columns - 1) / columns;
    return static_cast<int>(std::ceil(static_cast<double>(rows) * cellHeight()));
}

QSize FontGlyphsPreview::sizeHint() const {
    return {300, heightForWidth(300)};
}

QSize FontGlyphsPreview::minimumSizeHint() const {
    return {40, 0};
}

void FontGlyphsPreview::refresh() {
    const auto& font = editor_.loadedFont();
    const std::int64_t count = font ? font->glyphCount() : -1;
    if (count != shownGlyphCount_) {
        shownGlyphCount_ = count;
        updateGeometry();
    }
    const std::uint64_t revision = editor_.fontRevision();
    if (revision == shownRevision_)
        return;
    if (revision == shownRevision_ + 1 && editor_.lastChangedGlyph())
        update(cellRect(*editor_.lastChangedGlyph()).toAlignedRect());
    else
        update();
    shownRevision_ = revision;
}

QRectF FontGlyphsPreview::cellRect(std::int64_t index) const {
    const auto& font = editor_.loadedFont();
    if (!font)
        return {};
    const double minimum = previewColumnMinimumWidth(*font);
    const GridColumns columns = adaptiveColumns(width(), minimum, minimum, previewColumnSpacing);
    const double x =
        static_cast<double>(index % columns.count) * (columns.width + previewColumnSpacing);
    const double y = static_cast<double>(index / columns.count) * cellHeight();
    return {x, y, columns.width, cellHeight()};
}

void FontGlyphsPreview::paintEvent(QPaintEvent* event) {
    const auto& font = editor_.loadedFont();
    if (!font)
        return;
    QPainter painter(this);
    const double pixel = previewPixelSize(*font);
    const double glyphWidth = static_cast<double>(font->width()) * pixel;
    const QColor lit = palette().text().color();
    for (std::int64_t index = 0; index < font->glyphCount(); ++index) {
        const QRectF cell = cellRect(index);
        if (!event->rect().intersects(cell.toAlignedRect()))
            continue;
        const QPointF origin(std::floor(cell.x() + (cell.width() - glyphWidth) / 2), cell.y() + 5);
        paintGlyphPixels(painter, font->columnsForGlyph(index), font->height(), origin, pixel, lit);
    }
}

NorixDisplayPreview::NorixDisplayPreview(FontEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("norixDisplayPreview"));
    setFixedSize(sizeHint());
}

QSize NorixDisplayPreview::sizeHint() const {
    return {static_cast<int>(norixDisplayWidth) * scale + 2,
            static_cast<int>(norixDisplayHeight) * scale + 2};
}

void NorixDisplayPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The Norix's screen is light on black whatever the desktop's theme.
    painter.fillRect(rect(), QColor(0x30, 0x30, 0x30));
    const QPointF screen(1, 1);
    painter.fillRect(QRectF(screen, QSizeF(norixDisplayWidth * scale, norixDisplayHeight * scale)),
                     Qt::black);
    const auto& font = editor_.loadedFont();
    if (!font)
        return;
    painter.setClipRect(
        QRectF(screen, QSizeF(norixDisplayWidth * scale, norixDisplayHeight * scale)));
    for (const PlacedGlyph& placed : editor_.previewTextGlyphs())
        paintGlyphPixels(painter, font->columnsForGlyph(placed.glyph), font->height(),
                         screen + QPointF(static_cast<double>(placed.x * scale),
                                          static_cast<double>(placed.y * scale)),
                         scale, QColor(0xF2, 0xF2, 0xF2));
}

} // namespace norix
