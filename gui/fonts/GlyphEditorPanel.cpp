#include "gui/fonts/GlyphEditorPanel.h"

#include "core/fonts/FontEditor.h"
#include "core/fonts/FontLayout.h"
#include "gui/fonts/FontWindowControls.h"
#include "gui/fonts/GlyphPainting.h"

#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace norix {

GlyphCanvas::GlyphCanvas(FontEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("glyphCanvas"));
    setMouseTracking(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void GlyphCanvas::setPixelSize(double size) {
    if (size == pixelSize_)
        return;
    pixelSize_ = size;
    updateGeometry();
    update();
}

QSize GlyphCanvas::sizeHint() const {
    const auto& font = editor_.loadedFont();
    if (!font)
        return {160, 160};
    return {static_cast<int>(std::ceil(static_cast<double>(font->width()) * pixelSize_)) + 2,
            static_cast<int>(std::ceil(static_cast<double>(font->height()) * pixelSize_)) + 2};
}

QPointF GlyphCanvas::origin() const {
    const auto& font = editor_.loadedFont();
    if (!font)
        return {};
    const double width = static_cast<double>(font->width()) * pixelSize_;
    const double height = static_cast<double>(font->height()) * pixelSize_;
    return {std::floor((this->width() - width) / 2), std::floor((this->height() - height) / 2)};
}

QPoint GlyphCanvas::pixelCentre(int column, int row) const {
    const QPointF corner = origin();
    return QPointF(corner.x() + (column + 0.5) * pixelSize_, corner.y() + (row + 0.5) * pixelSize_)
        .toPoint();
}

std::optional<QPoint> GlyphCanvas::pixelAt(QPoint point) const {
    const auto& font = editor_.loadedFont();
    if (!font || !editor_.hasSelectedGlyph())
        return std::nullopt;
    const QPointF corner = origin();
    const int column = static_cast<int>(std::floor((point.x() - corner.x()) / pixelSize_));
    const int row = static_cast<int>(std::floor((point.y() - corner.y()) / pixelSize_));
    if (column < 0 || row < 0 || column >= font->width() || row >= font->height())
        return std::nullopt;
    return QPoint(column, row);
}

QString GlyphCanvas::toolTipAt(QPoint point) const {
    const auto pixel = pixelAt(point);
    if (!pixel)
        return {};
    return QString::fromStdString(glyphPixelHelp(
        editor_.selectedGlyphColumns(), editor_.loadedFont()->height(), pixel->x(), pixel->y()));
}

void GlyphCanvas::paintEvent(QPaintEvent*) {
    const auto& font = editor_.loadedFont();
    if (!font || !editor_.hasSelectedGlyph())
        return;
    QPainter painter(this);
    const QPointF corner = origin();
    const double width = static_cast<double>(font->width()) * pixelSize_;
    const double height = static_cast<double>(font->height()) * pixelSize_;
    painter.fillRect(QRectF(corner, QSizeF(width, height)), palette().base());
    paintGlyphPixels(painter, editor_.selectedGlyphColumns(), font->height(), corner, pixelSize_,
                     palette().text().color());
    // The grid keeps dark pixels visible as squares a person can aim at.
    painter.setPen(QPen(palette().mid().color(), 0));
    for (std::int64_t column = 0; column <= font->width(); ++column) {
        const double x = corner.x() + static_cast<double>(column) * pixelSize_;
        painter.drawLine(QPointF(x, corner.y()), QPointF(x, corner.y() + height));
    }
    for (std::int64_t row = 0; row <= font->height(); ++row) {
        const double y = corner.y() + static_cast<double>(row) * pixelSize_;
        painter.drawLine(QPointF(corner.x(), y), QPointF(corner.x() + width, y));
    }
}

void GlyphCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (const auto pixel = pixelAt(event->position().toPoint()))
        editor_.beginStroke(pixel->x(), pixel->y());
}

void GlyphCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (const auto pixel = pixelAt(event->position().toPoint()))
        editor_.continueStroke(pixel->x(), pixel->y());
}

void GlyphCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        editor_.endStroke();
}

bool GlyphCanvas::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto& help = static_cast<const QHelpEvent&>(*event);
        showHelpText(this, help, toolTipAt(help.pos()));
        return true;
    }
    return QWidget::event(event);
}

GlyphEditorPanel::GlyphEditorPanel(FontEditor& editor, QWidget* parent)
    : QGroupBox(tr("Glyph Editor"), parent), editor_(editor), pages_(new QStackedWidget),
      title_(new QLabel), code_(new QLabel), undo_(new QToolButton), redo_(new QToolButton),
      canvas_(new GlyphCanvas(editor)), emptyTitle_(new QLabel(tr("No glyph loaded"))),
      emptyMessage_(new QLabel(tr("Open a font file or create a new font to begin."))) {
    makeHeading(title_, 15);
    makeHeading(emptyTitle_, 15);
    code_->setForegroundRole(QPalette::PlaceholderText);
    emptyMessage_->setForegroundRole(QPalette::PlaceholderText);
    undo_->setIcon(
        QIcon::fromTheme(QStringLiteral("edit-undo"), style()->standardIcon(QStyle::SP_ArrowBack)));
    undo_->setToolTip(tr("Undo"));
    redo_->setIcon(QIcon::fromTheme(QStringLiteral("edit-redo"),
                                    style()->standardIcon(QStyle::SP_ArrowForward)));
    redo_->setToolTip(tr("Redo"));

    auto* glyphPage = new QWidget;
    auto* header = new QHBoxLayout;
    header->addWidget(title_);
    header->addWidget(code_);
    header->addStretch(1);
    header->addWidget(undo_);
    header->addWidget(redo_);
    auto* glyphLayout = new QVBoxLayout(glyphPage);
    glyphLayout->setContentsMargins(0, 0, 0, 0);
    glyphLayout->addLayout(header);
    glyphLayout->addWidget(canvas_, 1);

    auto* emptyPage = new QWidget;
    auto* emptyLayout = new QVBoxLayout(emptyPage);
    emptyLayout->addStretch(1);
    emptyLayout->addWidget(emptyTitle_, 0, Qt::AlignHCenter);
    emptyLayout->addWidget(emptyMessage_, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);

    pages_->addWidget(emptyPage);
    pages_->addWidget(glyphPage);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);

    connect(undo_, &QToolButton::clicked, this, [this] { editor_.undo(); });
    connect(redo_, &QToolButton::clicked, this, [this] { editor_.redo(); });
    refresh();
}

void GlyphEditorPanel::refresh() {
    const bool showing = editor_.hasSelectedGlyph();
    pages_->setCurrentIndex(showing ? 1 : 0);
    if (showing) {
        title_->setText(QString::fromStdString(editor_.selectedGlyphTitle()));
        code_->setText(QString::fromStdString(editor_.selectedGlyphCode()));
        updatePixelSize();
    }
    undo_->setEnabled(editor_.canUndo());
    redo_->setEnabled(editor_.canRedo());
    canvas_->update();
}

void GlyphEditorPanel::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    updatePixelSize();
}

void GlyphEditorPanel::updatePixelSize() {
    if (const auto& font = editor_.loadedFont())
        canvas_->setPixelSize(
            glyphEditorPixelSize(width(), height(), font->width(), font->height()));
}

} // namespace norix
