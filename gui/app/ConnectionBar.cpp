#include "gui/app/ConnectionBar.h"

#include "core/chips/ChipSession.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace norix {

ConnectionBar::ConnectionBar(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), status_(new QLabel), serial_(new QLabel),
      ports_(new QComboBox), refresh_(new QPushButton(tr("Refresh"))),
      connect_(new QPushButton(tr("Connect"))) {
    setObjectName(QStringLiteral("connectionBar"));
    status_->setObjectName(QStringLiteral("deviceStatus"));
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);
    // A long error (a refused port, say) takes the free room and no more; the
    // whole text stays in the tooltip.
    status_->setMinimumWidth(
        status_->fontMetrics().horizontalAdvance(QStringLiteral("Disconnecting...")));
    ports_->setObjectName(QStringLiteral("portPicker"));
    ports_->setMinimumContentsLength(18);
    ports_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->addWidget(status_);
    layout->addWidget(serial_);
    layout->addStretch(1);
    auto* portLabel = new QLabel(tr("Port:"));
    portLabel->setBuddy(ports_);
    layout->addWidget(portLabel);
    layout->addWidget(ports_);
    layout->addWidget(refresh_);
    layout->addWidget(connect_);

    connect(ports_, &QComboBox::activated, this, [this](int index) {
        const QVariant path = ports_->itemData(index);
        if (path.isValid())
            session_.setSelectedPort(path.toString().toStdString());
    });
    connect(refresh_, &QPushButton::clicked, this, [this] { session_.refreshPortList(); });
    connect(connect_, &QPushButton::clicked, this, [this] { session_.connectOrDisconnect(); });

    connections_.push_back(session_.changed.connect([this] { refresh(); }));
    connections_.push_back(session_.link().changed.connect([this] { refresh(); }));
    refresh();
}

void ConnectionBar::refresh() {
    const std::string& status = session_.deviceStatus();
    status_->setText(QString::fromStdString(status));
    status_->setToolTip(status_->text());
    status_->setStyleSheet(status == "Connected" ? QStringLiteral("color: #1E9E3A;")
                                                 : QStringLiteral("color: gray;"));

    const bool connected = session_.link().isConnected();
    const std::string& serial = session_.norixSerialNumber();
    serial_->setVisible(connected && !serial.empty());
    serial_->setText(QStringLiteral("S/N: ") + QString::fromStdString(serial));

    // Rebuild the picker only when the list changed, so an open popup is left alone.
    QStringList paths;
    for (const auto& port : session_.serialPorts())
        paths << QString::fromStdString(port);
    QStringList shown;
    for (int i = 0; i < ports_->count(); ++i)
        shown << ports_->itemData(i).toString();
    if (paths.isEmpty()) {
        if (ports_->count() != 1 || ports_->itemData(0).isValid()) {
            ports_->clear();
            ports_->addItem(tr("No Norix ports found"));
        }
    } else if (paths != shown) {
        ports_->clear();
        for (const auto& port : session_.serialPorts())
            ports_->addItem(QString::fromStdString(session_.link().portDisplayName(port)),
                            QString::fromStdString(port));
    }
    const int selected = ports_->findData(QString::fromStdString(session_.selectedPort()));
    if (selected >= 0)
        ports_->setCurrentIndex(selected);
    ports_->setEnabled(!paths.isEmpty());

    connect_->setText(connected ? tr("Disconnect") : tr("Connect"));
    // Each runs until its answer is back; a second press would only queue up behind it.
    refresh_->setEnabled(!session_.isRefreshingPorts());
    connect_->setEnabled(!session_.isDisconnecting());
}

} // namespace norix
