#pragma once
// "Glyph Editor": the selected glyph enlarged, one square per pixel. Pressing
// a pixel flips it and dragging paints the same state over the pixels passed,
// as one undo step; every pixel names its column, row, bit and state.

#include <QGroupBox>
#include <QWidget>
#include <optional>

class QLabel;
class QStackedWidget;
class QToolButton;

namespace norix {

class FontEditor;

class GlyphCanvas : public QWidget {
    Q_OBJECT
public:
    explicit GlyphCanvas(FontEditor& editor, QWidget* parent = nullptr);

    void setPixelSize(double size);
    double pixelSize() const { return pixelSize_; }
    // The centre of the pixel at (column, row), and the pixel under a point.
    QPoint pixelCentre(int column, int row) const;
    std::optional<QPoint> pixelAt(QPoint point) const;
    QString toolTipAt(QPoint point) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPointF origin() const;

    FontEditor& editor_;
    double pixelSize_ = 20;
};

class GlyphEditorPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit GlyphEditorPanel(FontEditor& editor, QWidget* parent = nullptr);

    GlyphCanvas* canvas() const { return canvas_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* codeLabel() const { return code_; }
    QLabel* emptyTitleLabel() const { return emptyTitle_; }
    QLabel* emptyMessageLabel() const { return emptyMessage_; }
    QToolButton* undoButton() const { return undo_; }
    QToolButton* redoButton() const { return redo_; }

    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updatePixelSize();

    FontEditor& editor_;
    QStackedWidget* pages_;
    QLabel* title_;
    QLabel* code_;
    QToolButton* undo_;
    QToolButton* redo_;
    GlyphCanvas* canvas_;
    QLabel* emptyTitle_;
    QLabel* emptyMessage_;
};

} // namespace norix
