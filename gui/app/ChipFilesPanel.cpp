#include "gui/app/ChipFilesPanel.h"

#include "core/chips/ChipSession.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace norix {

ChipFilesPanel::ChipFilesPanel(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), list_(new QListWidget),
      addFiles_(new QPushButton(tr("Add Files"))), load_(new QPushButton(tr("Load"))),
      deleteFile_(new QPushButton(tr("Delete File"))), clear_(new QPushButton(tr("Clear"))),
      newFile_(new QPushButton(tr("New File"))), sendToNorix_(new QPushButton(tr("Send to Norix"))),
      saveToNorix_(new QPushButton(tr("Save to Norix"))),
      batchSave_(new QPushButton(tr("Batch Save to Norix"))),
      cancelBatch_(new QPushButton(tr("Cancel Batch"))) {
    list_->setObjectName(QStringLiteral("chipFiles"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Chip Files")));
    layout->addWidget(list_, 1);

    auto* files = new QGridLayout;
    files->addWidget(addFiles_, 0, 0);
    files->addWidget(load_, 0, 1);
    files->addWidget(deleteFile_, 1, 0);
    files->addWidget(clear_, 1, 1);
    files->addWidget(newFile_, 2, 0, 1, 2);
    layout->addLayout(files);
    auto* device = new QVBoxLayout;
    device->addWidget(sendToNorix_);
    device->addWidget(saveToNorix_);
    device->addWidget(batchSave_);
    device->addWidget(cancelBatch_);
    layout->addLayout(device);

    connect(addFiles_, &QPushButton::clicked, this, &ChipFilesPanel::addFilesRequested);
    connect(load_, &QPushButton::clicked, this, &ChipFilesPanel::loadRequested);
    connect(newFile_, &QPushButton::clicked, this, &ChipFilesPanel::newFileRequested);
    connect(batchSave_, &QPushButton::clicked, this, &ChipFilesPanel::batchSaveRequested);
    connect(deleteFile_, &QPushButton::clicked, this,
            [this] { session_.editor().removeSelectedChipFile(); });
    connect(clear_, &QPushButton::clicked, this, [this] { session_.editor().clearChipFiles(); });
    connect(sendToNorix_, &QPushButton::clicked, this, [this] { session_.sendToNorixPressed(); });
    connect(saveToNorix_, &QPushButton::clicked, this, [this] { session_.saveToNorixPressed(); });
    connect(cancelBatch_, &QPushButton::clicked, this, [this] { session_.cancelBatchSave(); });
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
    sendToNorix_->setEnabled(uploadAllowed);
    saveToNorix_->setEnabled(uploadAllowed);
    batchSave_->setEnabled(uploadAllowed);
    cancelBatch_->setVisible(session_.isBatchSaving());
}

} // namespace norix
