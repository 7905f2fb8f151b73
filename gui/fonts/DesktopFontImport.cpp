#include "gui/fonts/DesktopFontImport.h"

#include "gui/fonts/FontWindowControls.h"

#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFormLayout>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace norix {
namespace {

// Letters that reach the cap height, and letters that reach down the furthest.
// Lower-case ascenders may rise a pixel above the capitals and be cut: in eight
// rows, a pixel more for every capital is worth more.
const QString tallLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
const QString descendingLetters = QStringLiteral("gjpqy");
// A capital of ordinary width: in a proportional font M and W are wider and
// may lose a column at each side rather than shrink every other letter.
const QString typicalCapital = QStringLiteral("N");

struct FittedFont {
    QFont font;
    int baseline = 0; // from the cell's top
};

// Where ink lands when `text` is drawn without antialiasing on a baseline at
// row `baseline`: its top and bottom rows and its widest single character.
struct Ink {
    int top = 0;
    int bottom = -1;
    int widest = 0;
};

Ink measureInk(const QFont& font, const QString& text, int baseline) {
    const QFontMetrics metrics(font);
    const int cell = metrics.maxWidth() + 4;
    QImage scratch(cell * static_cast<int>(text.size()), baseline * 2 + 8,
                   QImage::Format_Grayscale8);
    scratch.fill(255);
    {
        QPainter painter(&scratch);
        painter.setFont(font);
        painter.setPen(Qt::black);
        for (int i = 0; i < text.size(); ++i)
            painter.drawText(i * cell + 2, baseline, QString(text.at(i)));
    }
    Ink ink{scratch.height(), -1, 0};
    std::vector<int> left(static_cast<std::size_t>(text.size()), cell);
    std::vector<int> right(static_cast<std::size_t>(text.size()), -1);
    for (int y = 0; y < scratch.height(); ++y) {
        const uchar* line = scratch.constScanLine(y);
        for (int x = 0; x < scratch.width(); ++x) {
            if (line[x] >= 128)
                continue;
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            const auto letter = static_cast<std::size_t>(x / cell);
            left[letter] = std::min(left[letter], x % cell);
            right[letter] = std::max(right[letter], x % cell);
        }
    }
    for (std::size_t i = 0; i < left.size(); ++i)
        ink.widest = std::max(ink.widest, right[i] - left[i] + 1);
    return ink;
}

// The largest pixel size at which capitals, digits and descenders, as actually
// drawn, share the cell's height, and an ordinary capital fits its width when
// that can be had. Measuring drawn pixels rather than outline metrics matters at this size:
// the two differ by a row or two, which is a quarter of the cell.
FittedFont fitFont(const QString& family, int cellWidth, int cellHeight) {
    FittedFont fitted;
    for (int size = cellHeight * 2; size >= 1; --size) {
        QFont font(family);
        font.setPixelSize(size);
        font.setStyleStrategy(QFont::NoAntialias);
        // Hinting at a few pixels bends letters out of shape (an A becomes a
        // tower); unhinted outlines keep their proportions.
        font.setHintingPreference(QFont::PreferNoHinting);
        const int baseline = size * 2;
        const Ink tall = measureInk(font, tallLetters, baseline);
        const Ink low = measureInk(font, descendingLetters, baseline);
        const Ink typical = measureInk(font, typicalCapital, baseline);
        const int above = tall.bottom < 0 ? 0 : baseline - tall.top;
        const int below = low.bottom < 0 ? 0 : std::max(0, low.bottom - baseline + 1);
        fitted = {font, above};
        if (above + below <= cellHeight && (typical.widest <= cellWidth || size == 1))
            return fitted;
    }
    return fitted;
}

} // namespace

LoadedFont renderDesktopFont(const DesktopFontOptions& options) {
    const int cellWidth = static_cast<int>(options.width);
    const int cellHeight = static_cast<int>(options.height);
    const int glyphs = static_cast<int>(options.glyphCount);
    const FittedFont fitted =
        fitFont(QString::fromStdString(options.family), cellWidth, cellHeight);
    const QFontMetrics metrics(fitted.font);

    // All glyphs side by side in one picture, each clipped to its own cell.
    QImage picture(cellWidth * glyphs, cellHeight, QImage::Format_Grayscale8);
    picture.fill(255);
    {
        QPainter painter(&picture);
        painter.setFont(fitted.font);
        painter.setPen(Qt::black);
        for (int glyph = 0; glyph < glyphs; ++glyph) {
            const QChar character(static_cast<char16_t>(firstGlyphCharacter + glyph));
            const int left = glyph * cellWidth;
            // The ink, not the advance, is centred: at a few pixels a glyph's
            // bearings are as wide as its strokes and would push it out of its cell.
            const QRect ink = metrics.boundingRect(character);
            painter.setClipRect(left, 0, cellWidth, cellHeight);
            painter.drawText(left + (cellWidth - ink.width()) / 2 - ink.left(), fitted.baseline,
                             QString(character));
        }
    }

    std::vector<std::uint64_t> columns(static_cast<std::size_t>(cellWidth * glyphs), 0);
    for (int row = 0; row < cellHeight; ++row) {
        const uchar* line = picture.constScanLine(row);
        const std::uint64_t bit = std::uint64_t{1} << (cellHeight - 1 - row);
        for (int x = 0; x < cellWidth * glyphs; ++x)
            if (line[x] < 128)
                columns[static_cast<std::size_t>(x)] |= bit;
    }
    return LoadedFont(importedFontName(options), options.width, options.height, std::move(columns));
}

DesktopFontDialog::DesktopFontDialog(QWidget* parent)
    : QDialog(parent), family_(new QFontComboBox) {
    setWindowTitle(tr("Import Desktop Font"));
    const DesktopFontOptions defaults;
    family_->setCurrentFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    width_ =
        makeStepper(tr("Width: "), tr(" pixels"), DesktopFontOptions::maximumWidth, defaults.width);
    height_ = makeStepper(tr("Height: "), tr(" pixels"), DesktopFontOptions::maximumHeight,
                          defaults.height);
    glyphCount_ = makeStepper(tr("Glyphs: "), QString(), DesktopFontOptions::maximumGlyphCount,
                              defaults.glyphCount);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole)->setAutoDefault(false);
    import_ = buttons->addButton(tr("Import"), QDialogButtonBox::AcceptRole);
    import_->setDefault(true);
    setMinimumWidth(300);

    auto* form = new QFormLayout;
    form->addRow(tr("Font"), family_);
    form->addRow(width_);
    form->addRow(height_);
    form->addRow(glyphCount_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DesktopFontOptions DesktopFontDialog::options() const {
    DesktopFontOptions options;
    options.family = family_->currentFont().family().toStdString();
    options.width = width_->value();
    options.height = height_->value();
    options.glyphCount = glyphCount_->value();
    return options;
}

} // namespace norix
