#include "gui/app/NorixChipsPanel.h"

#include "core/chips/ChipSession.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace norix {

NorixChipsPanel::NorixChipsPanel(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), list_(new QListWidget),
      refresh_(new QPushButton(tr("Refresh"))), load_(new QPushButton(tr("Load Selected"))),
      delete_(new QPushButton(tr("Delete Selected"))) {
    list_->setObjectName(QStringLiteral("norixChips"));
    // Destructive: red, like the other places that erase something for good.
    delete_->setStyleSheet(QStringLiteral("QPushButton:enabled { color: #D70015; }"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refresh_);
    buttons->addWidget(load_);
    buttons->addWidget(delete_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Norix Chips")));
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(refresh_, &QPushButton::clicked, this, [this] { session_.requestChipList(); });
    connect(load_, &QPushButton::clicked, this, &NorixChipsPanel::loadRequested);
    connect(delete_, &QPushButton::clicked, this,
            [this] { session_.deleteSelectedChipFromNorix(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        session_.setSelectedNorixChipIndex(row >= 0 ? std::optional<std::size_t>(row)
                                                    : std::nullopt);
    });

    connection_ = session_.changed.connect([this] { refresh(); });
    refresh();
}

void NorixChipsPanel::refresh() {
    const auto& chips = session_.norixChipList().norixChips();
    QStringList names;
    for (const auto& name : chips)
        names << QString::fromStdString(name);
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i)
        shown << list_->item(i)->text();
    if (names != shown) {
        const QSignalBlocker blocker(list_);
        list_->clear();
        list_->addItems(names);
    }
    const auto& selected = session_.norixChipList().selectedNorixChipIndex();
    const int row = selected && *selected < chips.size() ? static_cast<int>(*selected) : -1;
    if (list_->currentRow() != row) {
        const QSignalBlocker blocker(list_);
        list_->setCurrentRow(row);
    }
    refresh_->setEnabled(session_.canRefreshNorixChips());
    load_->setEnabled(session_.canLoadSelectedNorixChip());
    delete_->setEnabled(session_.canDeleteSelectedNorixChip());
}

} // namespace norix
