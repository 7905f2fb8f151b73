#include "gui/fonts/FontSlotsPanel.h"

#include "core/fonts/FontEditor.h"
#include "core/fonts/FontSlotConversation.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace norix {
namespace {

const QString errorStyle = QStringLiteral("color: #D70015;");

void showText(QLabel* label, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (label->text() != shown)
        label->setText(shown);
    label->setVisible(!text.empty());
}

} // namespace

FontSlotsPanel::FontSlotsPanel(FontEditor& editor, QWidget* parent)
    : QGroupBox(tr("Norix Font Slots"), parent), editor_(editor), slotGrid_(new QGridLayout),
      saveToNorix_(new QPushButton(tr("Save to Norix"))),
      delete_(new QPushButton(tr("Delete Font from Slot"))), uploadStatus_(new QLabel),
      uploadError_(new QLabel), deleteStatus_(new QLabel), deleteError_(new QLabel) {
    slotGrid_->setSpacing(6);
    for (QLabel* label : {uploadStatus_, uploadError_, deleteStatus_, deleteError_}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    uploadError_->setStyleSheet(errorStyle);
    deleteError_->setStyleSheet(errorStyle);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveToNorix_);
    buttons->addWidget(delete_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(slotGrid_);
    layout->addLayout(buttons);
    layout->addWidget(uploadStatus_);
    layout->addWidget(uploadError_);
    layout->addWidget(deleteStatus_);
    layout->addWidget(deleteError_);

    connect(saveToNorix_, &QPushButton::clicked, this, &FontSlotsPanel::saveToNorixRequested);
    connect(delete_, &QPushButton::clicked, this, [this] { editor_.deleteSelectedNorixFont(); });
    refresh();
}

void FontSlotsPanel::matchSlotCount(std::size_t count) {
    while (slotButtons_.size() > count) {
        delete slotButtons_.back();
        slotButtons_.pop_back();
    }
    while (slotButtons_.size() < count) {
        auto* button = new QPushButton;
        button->setCheckable(true);
        button->setMinimumHeight(58);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        const auto position = static_cast<int>(slotButtons_.size());
        slotGrid_->addWidget(button, position / 2, position % 2);
        connect(button, &QPushButton::clicked, this, [this, button] {
            // The slot number travels with the button, not its position in the list.
            editor_.selectNorixSlot(button->property("slot").toLongLong());
            button->setChecked(true);
        });
        slotButtons_.push_back(button);
    }
}

void FontSlotsPanel::refresh() {
    const auto& fonts = editor_.fontSlots();
    const auto& records = fonts.norixFontSlots();
    matchSlotCount(records.size());
    const auto& selected = editor_.selectedNorixSlot();
    const QIcon check = QIcon::fromTheme(QStringLiteral("object-select"),
                                         style()->standardIcon(QStyle::SP_DialogApplyButton));
    for (std::size_t i = 0; i < records.size(); ++i) {
        QPushButton* button = slotButtons_[i];
        const auto lines = FontEditor::slotButtonLines(records[i]);
        QString text =
            QString::fromStdString(lines[0]) + QLatin1Char('\n') + QString::fromStdString(lines[1]);
        if (!lines[2].empty())
            text += QLatin1Char('\n') + QString::fromStdString(lines[2]);
        if (button->text() != text)
            button->setText(text);
        button->setProperty("slot", static_cast<qlonglong>(records[i].slot()));
        const bool isSelected = selected == records[i].slot();
        button->setChecked(isSelected);
        button->setIcon(isSelected ? check : QIcon());
    }
    saveToNorix_->setEnabled(editor_.canSaveToNorix());
    delete_->setEnabled(editor_.canDeleteFontFromSlot());
    // A failed upload leaves its message in both texts; it is shown once, in red.
    const std::string uploadError = fonts.fontUploadError().value_or("");
    showText(uploadStatus_,
             fonts.fontUploadStatus() == uploadError ? "" : fonts.fontUploadStatus());
    showText(uploadError_, uploadError);
    showText(deleteStatus_, fonts.fontDeleteStatus());
    showText(deleteError_, fonts.fontDeleteError().value_or(""));
}

} // namespace norix
