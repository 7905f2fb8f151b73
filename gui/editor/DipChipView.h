#pragma once
// The pin picker's drawing of a DIP package: pins 1 ... N/2 down the left
// side and N ... N/2+1 down the right, so that pin N faces pin 1. Each pin is
// a small button; a click reports the pin number through onPinClick.

#include <QAbstractButton>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace norix {

class PinSquare : public QAbstractButton {
    Q_OBJECT
public:
    PinSquare(int pinNumber, QWidget* parent = nullptr);

    void setState(bool isSelected, std::optional<int> addressBit, int addressBase);
    int pinNumber() const { return pinNumber_; }
    bool isSelected() const { return isSelected_; }
    std::optional<int> addressBit() const { return addressBit_; }
    // The number, or "A" and the address line for an address pin.
    QString label() const;
    QColor background() const;
    QSize sizeHint() const override { return {28, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int pinNumber_;
    bool isSelected_ = false;
    std::optional<int> addressBit_;
    int addressBase_ = 0;
};

class DipChipView : public QWidget {
    Q_OBJECT
public:
    explicit DipChipView(QWidget* parent = nullptr);

    void setState(int pinCount, const std::set<int>& selectedPins,
                  const std::map<int, int>& addressPinBits, int addressBase);
    int pinCount() const { return pinCount_; }
    PinSquare* pinSquare(int pin) const;

    std::function<void(int pin)> onPinClick;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildPins();
    QRect bodyRect() const;

    int pinCount_ = 0;
    std::vector<PinSquare*> pins_; // index pin - 1
};

} // namespace norix
