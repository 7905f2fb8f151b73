#include "gui/images/ImagePixelView.h"

#include "core/images/ImageEditor.h"
#include "core/images/Rgb565.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace norix {
namespace {

constexpr double gridOpacity = 0.22;
constexpr double gridLineWidth = 0.5;
constexpr double gridMinimumScale = 3.0;
const QString noImageText = QStringLiteral("No image loaded");

} // namespace

ImagePixelView::ImagePixelView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ImagePixelView::setImage(std::span<const std::uint16_t> pixels, std::int64_t width,
                              std::int64_t height) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        image_ = QImage();
    } else {
        const std::vector<std::uint8_t> rgba = rgbaFromRgb565(pixels);
        if (image_.width() != width || image_.height() != height)
            image_ =
                QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGBA8888);
        const auto rowBytes = static_cast<std::size_t>(width) * 4;
        for (int y = 0; y < image_.height(); ++y)
            std::memcpy(image_.scanLine(y), rgba.data() + static_cast<std::size_t>(y) * rowBytes,
                        rowBytes);
    }
    updateGeometry();
    resize(sizeHint());
    update();
}

void ImagePixelView::setScale(double scale) {
    if (scale == scale_)
        return;
    scale_ = scale;
    updateGeometry();
    resize(sizeHint());
    update();
}

QSize ImagePixelView::sizeHint() const {
    if (image_.isNull())
        return {200, 40};
    return {static_cast<int>(std::ceil(image_.width() * scale_)),
            static_cast<int>(std::ceil(image_.height() * scale_))};
}

void ImagePixelView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (image_.isNull()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter, noImageText);
        return;
    }
    // Only the pixels under the exposed rectangle are drawn; without smoothing
    // the painter enlarges them as sharp squares.
    const QRect exposed = event->rect();
    const int firstColumn = std::max(0, static_cast<int>(exposed.left() / scale_));
    const int firstRow = std::max(0, static_cast<int>(exposed.top() / scale_));
    const int lastColumn = std::min(image_.width() - 1, static_cast<int>(exposed.right() / scale_));
    const int lastRow = std::min(image_.height() - 1, static_cast<int>(exposed.bottom() / scale_));
    if (lastColumn < firstColumn || lastRow < firstRow)
        return;
    const QRect source(firstColumn, firstRow, lastColumn - firstColumn + 1, lastRow - firstRow + 1);
    const QRectF target(firstColumn * scale_, firstRow * scale_, source.width() * scale_,
                        source.height() * scale_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image_, source);

    if (!showsGrid_ || scale_ < gridMinimumScale)
        return;
    const double fullWidth = image_.width() * scale_;
    const double fullHeight = image_.height() * scale_;
    QPainterPath grid;
    const int gridLastColumn = std::min(image_.width(), lastColumn + 1);
    const int gridLastRow = std::min(image_.height(), lastRow + 1);
    for (int i = firstColumn; i <= gridLastColumn; ++i) {
        grid.moveTo(i * scale_, target.top());
        grid.lineTo(i * scale_, std::min(target.bottom(), fullHeight));
    }
    for (int j = firstRow; j <= gridLastRow; ++j) {
        grid.moveTo(target.left(), j * scale_);
        grid.lineTo(std::min(target.right(), fullWidth), j * scale_);
    }
    QColor line(Qt::black);
    line.setAlphaF(gridOpacity);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.strokePath(grid, QPen(line, gridLineWidth));
}

void ImagePixelView::applyAt(const QPointF& position) {
    editor_->applyDrawingToolAtPoint(position.x(), position.y(), gestureButton_ == Qt::RightButton);
}

void ImagePixelView::mousePressEvent(QMouseEvent* event) {
    if (!editor_ || gestureButton_ != Qt::NoButton ||
        (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)) {
        event->ignore();
        return;
    }
    gestureButton_ = event->button();
    editor_->beginImageEdit();
    applyAt(event->position());
}

void ImagePixelView::mouseMoveEvent(QMouseEvent* event) {
    if (editor_ && gestureButton_ != Qt::NoButton && event->buttons().testFlag(gestureButton_))
        applyAt(event->position());
}

void ImagePixelView::mouseReleaseEvent(QMouseEvent* event) {
    if (!editor_ || event->button() != gestureButton_)
        return;
    gestureButton_ = Qt::NoButton;
    editor_->finishImageEdit();
}

} // namespace norix
