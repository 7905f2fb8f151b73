#include "gui/app/ChipFilesPanel.h"

#include "core/chips/ChipSession.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace norix {

ChipFilesPanel::ChipFilesPanel(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), list_(new QListWidget) {
    list_->setObjectName(QStringLiteral("chipFiles"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Chip Files")));
    layout->addWidget(list_, 1);

    auto* files = new QGridLayout;
    files->addWidget(addButton(tr("Add Files")), 0, 0);
    files->addWidget(addButton(tr("Load")), 0, 1);
    files->addWidget(addButton(tr("Delete File")), 1, 0);
    files->addWidget(addButton(tr("Clear")), 1, 1);
    files->addWidget(addButton(tr("New File")), 2, 0, 1, 2);
    layout->addLayout(files);
    auto* device = new QVBoxLayout;
    device->addWidget(addButton(tr("Send to Norix")));
    device->addWidget(addButton(tr("Save to Norix")));
    device->addWidget(addButton(tr("Batch Save to Norix")));
    device->addWidget(addButton(tr("Cancel Batch")));
    layout->addLayout(device);

    connect(button(tr("Add Files")), &QPushButton::clicked, this,
            &ChipFilesPanel::addFilesRequested);
    connect(button(tr("Load")), &QPushButton::clicked, this, &ChipFilesPanel::loadRequested);
    connect(button(tr("New File")), &QPushButton::clicked, this, &ChipFilesPanel::newFileRequested);
    connect(button(tr("Batch Save to Norix")), &QPushButton::clicked, this,
            &ChipFilesPanel::batchSaveRequested);
    connect(button(tr("Delete File")), &QPushButton::clicked, this,
            [this] { session_.editor().removeSelectedChipFile(); });
    connect(button(tr("Clear")), &QPushButton::clicked, this,
            [this] { session_.editor().clearChipFiles(); });
    connect(button(tr("Send to Norix")), &QPushButton::clicked, this,
            [this] { session_.sendToNorixPressed(); });
    connect(button(tr("Save to Norix")), &QPushButton::clicked, this,
            [this] { session_.saveToNorixPressed(); });
    connect(button(tr("Cancel Batch")), &QPushButton::clicked, this,
            [this] { session_.cancelBatchSave(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        const auto& chips = session_.editor().chips();
        session_.editor().setSelectedChip(row >= 0 && row < static_cast<int>(chips.size())
                                              ? std::optional(chips[static_cast<std::size_t>(row)])
                                              : std::nullopt);
    });
    // A double click loads, as in a file browser.
    connect(list_, &QListWidget::itemDoubleClicked, this, &ChipFilesPanel::loadRequested);

    connection_ = session_.changed.connect([this] { refresh(); });
    refresh();
}

QPushButton* ChipFilesPanel::addButton(const QString& label) {
    auto* pushButton = new QPushButton(label);
    buttons_.push_back(pushButton);
    return pushButton;
}

QPushButton* ChipFilesPanel::button(const QString& label) const {
    for (QPushButton* candidate : buttons_)
        if (candidate->text() == label)
            return candidate;
    return nullptr;
}

void ChipFilesPanel::refresh() {
    const auto& editor = session_.editor();
    QStringList names;
    for (const auto& name : editor.chips())
        names << QString::fromStdString(name);
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i)
        shown << list_->item(i)->text();
    if (names != shown) {
        const QSignalBlocker blocker(list_);
        list_->clear();
        list_->addItems(names);
    }
    int selectedRow = -1;
    if (const auto& selected = editor.selectedChip())
        selectedRow = static_cast<int>(names.indexOf(QString::fromStdString(*selected)));
    if (list_->currentRow() != selectedRow) {
        const QSignalBlocker blocker(list_);
        list_->setCurrentRow(selectedRow);
    }

    const bool uploadAllowed = session_.canUseUploadButtons();
    button(tr("Send to Norix"))->setEnabled(uploadAllowed);
    button(tr("Save to Norix"))->setEnabled(uploadAllowed);
    button(tr("Batch Save to Norix"))->setEnabled(uploadAllowed);
    button(tr("Cancel Batch"))->setVisible(session_.isBatchSaving());
}

} // namespace norix
