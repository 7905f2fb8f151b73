#pragma once
// The connection bar at the top of the main window: the device status (green
// once connected), the Norix serial number, the port picker, "Refresh" and
// "Connect" / "Disconnect". The algorithms live in ChipSession.

#include "core/util/Signal.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace norix {

class ChipSession;

class ConnectionBar : public QWidget {
    Q_OBJECT
public:
    explicit ConnectionBar(ChipSession& session, QWidget* parent = nullptr);

    QLabel* statusLabel() const { return status_; }
    QLabel* serialLabel() const { return serial_; }
    QComboBox* portPicker() const { return ports_; }
    QPushButton* refreshButton() const { return refresh_; }
    QPushButton* connectButton() const { return connect_; }

    void refresh();

private:
    ChipSession& session_;
    QLabel* status_;
    QLabel* serial_;
    QComboBox* ports_;
    QPushButton* refresh_;
    QPushButton* connect_;
    std::vector<Connection> connections_;
};

} // namespace norix
