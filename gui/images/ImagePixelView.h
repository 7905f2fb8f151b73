#pragma once
// An RGB565 image drawn enlarged without smoothing, every pixel a sharp
// square of `scale` points, optionally under a pixel grid. Only the exposed
// part is painted, so a 3,200 × 2,560 editor inside a scroll area costs what
// is on screen. The editor variant turns mouse gestures into tool actions.

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>

namespace norix {

class ImageEditor;

class ImagePixelView : public QWidget {
    Q_OBJECT
public:
    explicit ImagePixelView(QWidget* parent = nullptr);

    // Takes a copy of the pixels; a size that does not match shows "No image loaded".
    void setImage(std::span<const std::uint16_t> pixels, std::int64_t width, std::int64_t height);
    void setScale(double scale);
    void setShowsGrid(bool showsGrid) { showsGrid_ = showsGrid; }
    // Mouse gestures go to this editor (begin, tool at the pixel, finish).
    void setEditor(ImageEditor* editor) { editor_ = editor; }

    double scale() const { return scale_; }
    bool hasImage() const { return !image_.isNull(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyAt(const QPointF& position);

    QImage image_;
    double scale_ = 1.0;
    bool showsGrid_ = false;
    ImageEditor* editor_ = nullptr;
    Qt::MouseButton gestureButton_ = Qt::NoButton;
};

} // namespace norix
