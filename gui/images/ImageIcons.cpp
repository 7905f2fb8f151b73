#include "gui/images/ImageIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace norix {
namespace {

constexpr int iconSize = 24;

QPixmap blankPixmap() {
    QPixmap pixmap(iconSize, iconSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The theme may lack drawing tools: each is then drawn as the shape it makes.
QIcon drawnToolIcon(ImageDrawingTool tool) {
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    painter.setPen(QPen(ink, 2));
    switch (tool) {
    case ImageDrawingTool::pencil: {
        QPainterPath pencil;
        pencil.moveTo(5, 19);
        pencil.lineTo(7, 14);
        pencil.lineTo(17, 4);
        pencil.lineTo(20, 7);
        pencil.lineTo(10, 17);
        pencil.closeSubpath();
        painter.drawPath(pencil);
        break;
    }
    case ImageDrawingTool::fill: {
        painter.drawRect(5, 8, 11, 11);
        painter.setBrush(ink);
        painter.drawEllipse(QPointF(19, 17), 2, 3);
        break;
    }
    case ImageDrawingTool::line:
        painter.drawLine(5, 19, 19, 5);
        break;
    case ImageDrawingTool::ellipse:
        painter.drawEllipse(QRectF(3, 7, 18, 10));
        break;
    case ImageDrawingTool::circle:
        painter.drawEllipse(QRectF(4, 4, 16, 16));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

QIcon drawingToolIcon(ImageDrawingTool tool) {
    for (const auto& info : imageDrawingTools()) {
        if (info.tool == tool) {
            const QString name = QString::fromUtf8(info.themeIcon.data(),
                                                   static_cast<qsizetype>(info.themeIcon.size()));
            if (QIcon::hasThemeIcon(name))
                return QIcon::fromTheme(name);
        }
    }
    return drawnToolIcon(tool);
}

QIcon undoIcon() {
    if (QIcon::hasThemeIcon(QStringLiteral("edit-undo")))
        return QIcon::fromTheme(QStringLiteral("edit-undo"));
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    painter.setPen(QPen(ink, 2));
    painter.drawArc(QRectF(6, 6, 14, 12), 90 * 16, -240 * 16);
    painter.setBrush(ink);
    painter.drawPolygon(QPolygonF({QPointF(3, 9), QPointF(10, 4), QPointF(10, 13)}));
    return QIcon(pixmap);
}

QIcon zoomIcon(bool zoomIn) {
    const QString name = zoomIn ? QStringLiteral("zoom-in") : QStringLiteral("zoom-out");
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QApplication::palette().color(QPalette::ButtonText), 2));
    painter.drawEllipse(QRectF(3, 3, 13, 13));
    painter.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
    painter.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
    if (zoomIn)
        painter.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
    return QIcon(pixmap);
}

QColor toQColor(const EditorColor& color) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue));
}

EditorColor fromQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return {rgb.redF(), rgb.greenF(), rgb.blueF()};
}

QIcon colorWellIcon(const EditorColor& color, QChar letter) {
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QApplication::palette().color(QPalette::Mid), 1));
    painter.setBrush(toQColor(color));
    painter.drawRoundedRect(QRectF(0.5, 0.5, iconSize - 1, iconSize - 1), 4, 4);
    const QColor mark = toQColor(contrastingColor(color));
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark);
    painter.drawEllipse(QRectF(5, 5, 14, 14));
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(toQColor(color));
    painter.drawText(QRectF(5, 5, 14, 14), Qt::AlignCenter, QString(letter));
    return QIcon(pixmap);
}

} // namespace norix
