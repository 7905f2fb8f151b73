#include "gui/app/ChipFieldsPanel.h"

#include "core/chips/ChipDocument.h"
#include "core/chips/ChipSession.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace norix {
namespace {

void showText(QLineEdit* field, const std::string& text) {
    const QString value = QString::fromStdString(text);
    // Leave the field alone while it already shows the text, so that the
    // cursor and undo history of the user's typing survive.
    if (field->text() != value)
        field->setText(value);
}

void showChoice(QComboBox* box, std::int64_t value) {
    const int index = box->findData(QVariant::fromValue<qlonglong>(value));
    if (box->currentIndex() != index)
        box->setCurrentIndex(index);
}

} // namespace

ChipFieldsPanel::ChipFieldsPanel(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), name_(new QLineEdit), type_(new QComboBox),
      pins_(new QComboBox), image_(new QComboBox), saveAs_(new QPushButton(tr("Save File As"))),
      save_(new QPushButton(tr("Save File"))) {
    name_->setObjectName(QStringLiteral("chipName"));
    for (std::size_t value = 0; value < chipTypeLabels.size(); ++value)
        type_->addItem(QString::fromUtf8(chipTypeLabels[value].data(),
                                         static_cast<qsizetype>(chipTypeLabels[value].size())),
                       QVariant::fromValue<qlonglong>(static_cast<qlonglong>(value)));
    for (int pins = 2; pins <= 40; pins += 2)
        pins_->addItem(QString::number(pins), QVariant::fromValue<qlonglong>(pins));
    for (std::size_t value = 0; value < packagePictureLabels.size(); ++value)
        image_->addItem(
            QString::fromUtf8(packagePictureLabels[value].data(),
                              static_cast<qsizetype>(packagePictureLabels[value].size())),
            QVariant::fromValue<qlonglong>(static_cast<qlonglong>(value)));

    auto* fields = new QFormLayout;
    fields->addRow(tr("Chip Name"), name_);
    auto* pickers = new QHBoxLayout;
    pickers->addWidget(new QLabel(tr("Type")));
    pickers->addWidget(type_, 1);
    pickers->addWidget(new QLabel(tr("No. Pins")));
    pickers->addWidget(pins_);
    pickers->addWidget(new QLabel(tr("Image Index")));
    pickers->addWidget(image_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveAs_);
    buttons->addWidget(save_);

    auto* strings = new QGridLayout;
    for (std::size_t i = 0; i < strings_.size(); ++i) {
        strings_[i] = new QLineEdit;
        strings_[i]->setObjectName(QStringLiteral("chipString%1").arg(i + 1));
        const int row = static_cast<int>(i % 4);
        const int column = static_cast<int>(i / 4) * 2;
        strings->addWidget(new QLabel(QStringLiteral("String %1:").arg(i + 1)), row, column);
        strings->addWidget(strings_[i], row, column + 1);
        connect(strings_[i], &QLineEdit::textEdited, this, [this, i](const QString& text) {
            session_.editor().setChipString(i, text.toStdString());
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(fields);
    layout->addLayout(pickers);
    layout->addLayout(buttons);
    layout->addLayout(strings);

    connect(name_, &QLineEdit::textEdited, this,
            [this](const QString& text) { session_.editor().setChipName(text.toStdString()); });
    connect(type_, &QComboBox::activated, this, [this](int index) {
        session_.editor().setSelectedType(type_->itemData(index).toLongLong());
    });
    connect(pins_, &QComboBox::activated, this, [this](int index) {
        session_.editor().setSelectedPins(pins_->itemData(index).toLongLong());
    });
    connect(image_, &QComboBox::activated, this, [this](int index) {
        session_.editor().setSelectedImage(image_->itemData(index).toLongLong());
    });
    connect(saveAs_, &QPushButton::clicked, this, &ChipFieldsPanel::saveAsRequested);
    connect(save_, &QPushButton::clicked, this, &ChipFieldsPanel::saveRequested);

    connection_ = session_.editor().changed.connect([this] { refresh(); });
    refresh();
}

void ChipFieldsPanel::refresh() {
    const auto& editor = session_.editor();
    showText(name_, editor.chipName());
    showChoice(type_, editor.selectedType());
    showChoice(pins_, editor.selectedPins());
    showChoice(image_, editor.selectedImage());
    const auto& chipStrings = editor.chipStrings();
    for (std::size_t i = 0; i < strings_.size(); ++i)
        showText(strings_[i], i < chipStrings.size() ? chipStrings[i] : std::string());
}

} // namespace norix
