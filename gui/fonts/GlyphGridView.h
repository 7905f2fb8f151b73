#pragma once
// "Glyphs": one button per displayed glyph in adaptive columns, labelled "SP",
// the character or the index, with the glyph's help text; the selected one
// is highlighted. Arrow keys move the selection, a typed character selects
// its glyph. Painted as one widget so that 224 glyphs stay quick to redraw.

#include <QWidget>
#include <cstdint>

namespace norix {

class FontEditor;

class GlyphGridView : public QWidget {
    Q_OBJECT
public:
    explicit GlyphGridView(FontEditor& editor, QWidget* parent = nullptr);

    int columnCount() const;
    int buttonCount() const;
    QRect buttonRect(std::int64_t index) const;
    std::int64_t indexAt(QPoint point) const; // -1 between and past the buttons
    QString labelAt(std::int64_t index) const;
    QString toolTipAt(QPoint point) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void refresh();

Q_SIGNALS:
    // The selection moved; the scroll area brings the rectangle into view.
    void selectedRectChanged(QRect rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    int columnsFor(int width) const;
    double columnWidthFor(int width) const;

    FontEditor& editor_;
    std::int64_t shownCount_ = -1;
    std::int64_t shownSelection_ = -1;
};

} // namespace norix
