#pragma once
// The two pictures of the whole font: "Current Font Preview", every glyph small
// in adaptive columns, and the Norix display (160 × 128 of its pixels) showing
// the typed preview text as the device would draw it.

#include <QWidget>
#include <cstdint>

namespace norix {

class FontEditor;

class FontGlyphsPreview : public QWidget {
    Q_OBJECT
public:
    explicit FontGlyphsPreview(FontEditor& editor, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int columnsFor(int width) const;
    double cellHeight() const;
    QRectF cellRect(std::int64_t index) const;

    FontEditor& editor_;
    std::uint64_t shownRevision_ = 0;
    std::int64_t shownGlyphCount_ = -1;
};

class NorixDisplayPreview : public QWidget {
    Q_OBJECT
public:
    // Screen points per Norix pixel.
    static constexpr int scale = 2;

    explicit NorixDisplayPreview(FontEditor& editor, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FontEditor& editor_;
};

} // namespace norix
