#include "gui/fonts/GlyphGridView.h"

#include "core/fonts/FontEditor.h"
#include "core/fonts/FontLayout.h"
#include "gui/fonts/FontWindowControls.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace norix {
namespace {

constexpr int buttonHeight = 28;
constexpr int rowSpacing = 6;

} // namespace

GlyphGridView::GlyphGridView(FontEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("glyphGrid"));
    setFocusPolicy(Qt::StrongFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int GlyphGridView::columnsFor(int width) const {
    return adaptiveColumns(width, glyphButtonMinimumWidth, glyphButtonMaximumWidth,
                           glyphButtonSpacing)
        .count;
}

double GlyphGridView::columnWidthFor(int width) const {
    return adaptiveColumns(width, glyphButtonMinimumWidth, glyphButtonMaximumWidth,
                           glyphButtonSpacing)
        .width;
}

int GlyphGridView::columnCount() const {
    return columnsFor(width());
}

int GlyphGridView::buttonCount() const {
    return static_cast<int>(editor_.displayedGlyphCount());
}

int GlyphGridView::heightForWidth(int width) const {
    const int columns = columnsFor(width);
    const int rows = (buttonCount() + columns - 1) / columns;
    return std::max(0, rows * (buttonHeight + rowSpacing) - rowSpacing);
}

QSize GlyphGridView::sizeHint() const {
    const int width = 10 * static_cast<int>(glyphButtonMinimumWidth + glyphButtonSpacing);
    return {width, heightForWidth(width)};
}

QSize GlyphGridView::minimumSizeHint() const {
    return {static_cast<int>(glyphButtonMinimumWidth), buttonHeight};
}

QRect GlyphGridView::buttonRect(std::int64_t index) const {
    const int columns = columnCount();
    const double columnWidth = columnWidthFor(width());
    const auto column = static_cast<int>(index % columns);
    const auto row = static_cast<int>(index / columns);
    const double x = column * (columnWidth + glyphButtonSpacing);
    return QRectF(x, row * (buttonHeight + rowSpacing), columnWidth, buttonHeight).toRect();
}

std::int64_t GlyphGridView::indexAt(QPoint point) const {
    const int columns = columnCount();
    const double columnWidth = columnWidthFor(width());
    const int column = static_cast<int>(std::floor(point.x() / (columnWidth + glyphButtonSpacing)));
    const int row = point.y() / (buttonHeight + rowSpacing);
    if (point.x() < 0 || point.y() < 0 || column >= columns)
        return -1;
    const std::int64_t index = static_cast<std::int64_t>(row) * columns + column;
    if (index >= buttonCount() || !buttonRect(index).contains(point))
        return -1;
    return index;
}

QString GlyphGridView::labelAt(std::int64_t index) const {
    return QString::fromStdString(glyphButtonLabel(index));
}

QString GlyphGridView::toolTipAt(QPoint point) const {
    const std::int64_t index = indexAt(point);
    return index < 0 ? QString() : QString::fromStdString(glyphHelp(index));
}

void GlyphGridView::refresh() {
    const std::int64_t count = editor_.displayedGlyphCount();
    if (count != shownCount_) {
        shownCount_ = count;
        updateGeometry();
    }
    const std::int64_t selected = editor_.selectedGlyph();
    if (selected != shownSelection_) {
        if (shownSelection_ >= 0)
            update(buttonRect(shownSelection_));
        shownSelection_ = selected;
        if (selected >= 0 && selected < count) {
            update(buttonRect(selected));
            Q_EMIT selectedRectChanged(buttonRect(selected));
        }
    }
}

void GlyphGridView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::int64_t selected = editor_.selectedGlyph();
    const QPalette& colours = palette();
    for (std::int64_t index = 0; index < buttonCount(); ++index) {
        const QRect rect = buttonRect(index);
        if (!event->rect().intersects(rect))
            continue;
        const bool isSelected = index == selected;
        painter.setPen(QPen(isSelected ? colours.highlight().color() : colours.mid().color(), 1));
        painter.setBrush(isSelected ? colours.highlight() : colours.button());
        painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter.setPen(isSelected ? colours.highlightedText().color()
                                  : colours.buttonText().color());
        painter.drawText(rect, Qt::AlignCenter, labelAt(index));
    }
    if (hasFocus() && selected >= 0 && selected < buttonCount()) {
        painter.setPen(QPen(colours.highlight().color(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(buttonRect(selected)).adjusted(1, 1, -1, -1), 4, 4);
    }
}

void GlyphGridView::mousePressEvent(QMouseEvent* event) {
    const std::int64_t index = indexAt(event->position().toPoint());
    if (index >= 0)
        editor_.selectGlyph(index);
}

void GlyphGridView::keyPressEvent(QKeyEvent* event) {
    const int columns = columnCount();
    switch (event->key()) {
    case Qt::Key_Left:
        editor_.moveGlyphSelection(-1);
        return;
    case Qt::Key_Right:
        editor_.moveGlyphSelection(1);
        return;
    case Qt::Key_Up:
        editor_.moveGlyphSelection(-columns);
        return;
    case Qt::Key_Down:
        editor_.moveGlyphSelection(columns);
        return;
    case Qt::Key_Home:
        editor_.selectGlyph(0);
        return;
    case Qt::Key_End:
        editor_.selectGlyph(editor_.displayedGlyphCount() - 1);
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && text.size() == 1 &&
        text.at(0).isPrint() && editor_.selectGlyphForCharacter(text.at(0).unicode()))
        return;
    QWidget::keyPressEvent(event);
}

// The selected button carries the focus ring: it comes and goes with the focus.
void GlyphGridView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update(buttonRect(editor_.selectedGlyph()));
}

void GlyphGridView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update(buttonRect(editor_.selectedGlyph()));
}

bool GlyphGridView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto& help = static_cast<const QHelpEvent&>(*event);
        showHelpText(this, help, toolTipAt(help.pos()));
        return true;
    }
    return QWidget::event(event);
}

} // namespace norix
