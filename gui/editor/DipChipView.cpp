#include "gui/editor/DipChipView.h"

#include <QPainter>
#include <QPainterPath>

namespace norix {
namespace {

constexpr int pinWidth = 28;
constexpr int pinHeight = 16;
constexpr int pinGap = 3;
constexpr int bodyWidth = 44;
constexpr int margin = 4;

} // namespace

PinSquare::PinSquare(int pinNumber, QWidget* parent)
    : QAbstractButton(parent), pinNumber_(pinNumber) {
    setFixedSize(pinWidth, pinHeight);
    // Clicking a pin must not take the keyboard focus from the argument field
    // it is about to fill.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setText(label());
}

void PinSquare::setState(bool isSelected, std::optional<int> addressBit, int addressBase) {
    if (isSelected == isSelected_ && addressBit == addressBit_ && addressBase == addressBase_)
        return;
    isSelected_ = isSelected;
    addressBit_ = addressBit;
    addressBase_ = addressBase;
    setText(label());
    update();
}

QString PinSquare::label() const {
    if (addressBit_)
        return QStringLiteral("A%1").arg(addressBase_ + *addressBit_);
    return QString::number(pinNumber_);
}

QColor PinSquare::background() const {
    if (addressBit_)
        return QColor(0xFF, 0x95, 0x00);
    QColor color = isSelected_ ? QColor(0x00, 0x7A, 0xFF) : QColor(0x8E, 0x8E, 0x93);
    color.setAlphaF(isSelected_ ? 0.65f : 0.30f);
    return color;
}

void PinSquare::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background());
    painter.drawRoundedRect(rect(), 3, 3);
    QFont font = painter.font();
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

DipChipView::DipChipView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("dipChipView"));
}

PinSquare* DipChipView::pinSquare(int pin) const {
    if (pin < 1 || pin > static_cast<int>(pins_.size()))
        return nullptr;
    return pins_[static_cast<std::size_t>(pin - 1)];
}

void DipChipView::setState(int pinCount, const std::set<int>& selectedPins,
                           const std::map<int, int>& addressPinBits, int addressBase) {
    if (pinCount != pinCount_) {
        pinCount_ = pinCount;
        rebuildPins();
    }
    for (PinSquare* square : pins_) {
        const int pin = square->pinNumber();
        auto bit = addressPinBits.find(pin);
        square->setState(selectedPins.contains(pin),
                         bit == addressPinBits.end() ? std::nullopt
                                                     : std::optional<int>(bit->second),
                         addressBase);
    }
}

void DipChipView::rebuildPins() {
    for (PinSquare* square : pins_)
        delete square;
    pins_.clear();
    const int half = pinCount_ / 2;
    const int rightX = margin + pinWidth + pinGap + bodyWidth + pinGap;
    for (int pin = 1; pin <= pinCount_; ++pin) {
        auto* square = new PinSquare(pin, this);
        // Left side top to bottom 1 ... N/2; right side top to bottom N ... N/2+1.
        const bool left = pin <= half;
        const int row = left ? pin - 1 : pinCount_ - pin;
        square->move(left ? margin : rightX, margin + row * (pinHeight + pinGap));
        connect(square, &QAbstractButton::clicked, this, [this, pin] {
            if (onPinClick)
                onPinClick(pin);
        });
        square->show();
        pins_.push_back(square);
    }
    const int rows = std::max(half, 1);
    setFixedSize(2 * margin + 2 * pinWidth + 2 * pinGap + bodyWidth,
                 2 * margin + rows * pinHeight + (rows - 1) * pinGap);
    update();
}

QRect DipChipView::bodyRect() const {
    return QRect(margin + pinWidth + pinGap, margin, bodyWidth, height() - 2 * margin);
}

void DipChipView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect body = bodyRect();
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(body, 8, 8);

    // The caption runs along the body, as printed on a real package.
    QFont caption = font();
    caption.setPointSizeF(std::max(caption.pointSizeF() - 2.0, 7.0));
    painter.setFont(caption);
    painter.setPen(QColor(0x8E, 0x8E, 0x93));
    painter.translate(body.center());
    painter.rotate(-90);
    const QRect rotated(-body.height() / 2, -body.width() / 2, body.height(), body.width());
    painter.drawText(rotated, Qt::AlignCenter, QStringLiteral("DIP%1").arg(pinCount_));
}

} // namespace norix
