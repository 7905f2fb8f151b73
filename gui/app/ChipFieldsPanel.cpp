#include "gui/app/ChipFieldsPanel.h"

#include "core/chips/ChipDocument.h"
#include "core/chips/ChipSession.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
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

    // Each label names its field for Alt+letter; the eight strings take Alt+1 ... Alt+8.
    const auto label = [](const QString& text, QWidget* buddy) {
        auto* made = new QLabel(text);
        made->setBuddy(buddy);
        return made;
    };
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(label(tr("Chip &Name"), name_));
    nameRow->addWidget(name_, 1);
    nameRow->addWidget(saveAs_);
    nameRow->addWidget(save_);
    auto* pickers = new QHBoxLayout;
    pickers->addWidget(label(tr("T&ype"), type_));
    pickers->addWidget(type_);
    pickers->addSpacing(8);
    pickers->addWidget(label(tr("No. &Pins"), pins_));
    pickers->addWidget(pins_);
    pickers->addSpacing(8);
    pickers->addWidget(label(tr("I&mage Index"), image_));
    pickers->addWidget(image_);
    pickers->addStretch(1);

    auto* stringsPage = new QWidget;
    auto* strings = new QGridLayout(stringsPage);
    strings->setContentsMargins(0, 0, 0, 0);
    strings->setVerticalSpacing(3);
    for (std::size_t i = 0; i < strings_.size(); ++i) {
        strings_[i] = new QLineEdit;
        strings_[i]->setObjectName(QStringLiteral("chipString%1").arg(i + 1));
        const int row = static_cast<int>(i % 4);
        const int column = static_cast<int>(i / 4) * 2;
        strings->addWidget(label(QStringLiteral("String &%1:").arg(i + 1), strings_[i]), row,
                           column);
        strings->addWidget(strings_[i], row, column + 1);
        connect(strings_[i], &QLineEdit::textEdited, this, [this, i](const QString& text) {
            session_.editor().setChipString(i, text.toStdString());
        });
    }
    // On a small screen the strings scroll, and the code editor keeps its lines.
    stringsArea_ = new QScrollArea;
    stringsArea_->setWidgetResizable(true);
    stringsArea_->setFrameShape(QFrame::NoFrame);
    stringsArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stringsArea_->setWidget(stringsPage);
    stringsArea_->setMinimumHeight(name_->sizeHint().height() + 4);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(nameRow);
    layout->addLayout(pickers);
    layout->addWidget(stringsArea_, 1);

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
