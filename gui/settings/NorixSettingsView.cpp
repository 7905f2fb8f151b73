#include "gui/settings/NorixSettingsView.h"

#include "core/device/NorixConnection.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace norix {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int padding = 16;

} // namespace

NorixSettingsView::NorixSettingsView(NorixConnection& device, QWidget* parent)
    : QWidget(parent), model_(device.link(), device.fonts(), device.settings()) {
    setObjectName(QStringLiteral("norixSettings"));
    setWindowTitle(tr("Norix Settings"));
    setMinimumSize(440, 260);
    resize(460, 520);

    auto* title = new QLabel(tr("Norix Settings"));
    QFont heading = title->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() + 3);
    title->setFont(heading);
    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    // The sections scroll, so that the window still works at its smallest.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildContent());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(title);
    layout->addWidget(separator);
    layout->addWidget(scroll, 1);

    connection_ = model_.changed.connect([this] { refresh(); });
    refresh();
}

QWidget* NorixSettingsView::buildContent() {
    auto* content = new QWidget;

    logoSection_ = new QGroupBox(tr("Startup Logo"));
    showLogo_ = new QCheckBox(tr("Show logo at startup"));
    connect(showLogo_, &QCheckBox::clicked, this, [this](bool on) { model_.setShowLogo(on); });
    speedGroup_ = new QButtonGroup(this);
    speedGroup_->setExclusive(true);
    auto* speedRow = new QHBoxLayout;
    auto* speedLabel = new QLabel(tr("Logo Speed"));
    speedRow->addWidget(speedLabel);
    const std::array<QString, 3> speeds{tr("Slow"), tr("Medium"), tr("Fast")};
    for (int speed = 0; speed < 3; ++speed) {
        auto* button = new QPushButton(speeds[static_cast<std::size_t>(speed)]);
        button->setCheckable(true);
        speedGroup_->addButton(button, speed);
        speedButtons_[static_cast<std::size_t>(speed)] = button;
        speedRow->addWidget(button);
    }
    speedRow->addStretch(1);
    connect(speedGroup_, &QButtonGroup::idClicked, this,
            [this](int speed) { model_.setLogoSpeed(speed); });
    auto* logoLayout = new QVBoxLayout(logoSection_);
    logoLayout->addWidget(showLogo_);
    logoLayout->addLayout(speedRow);

    ledsSection_ = new QGroupBox(tr("Indicator LEDs"));
    leds_ = new QCheckBox(tr("LEDs on"));
    connect(leds_, &QCheckBox::clicked, this, [this](bool on) { model_.setLEDsOn(on); });
    (new QVBoxLayout(ledsSection_))->addWidget(leds_);

    auxSection_ = new QGroupBox(tr("Auxiliary Output"));
    aux_ = new QCheckBox(tr("AUX on"));
    connect(aux_, &QCheckBox::clicked, this, [this](bool on) { model_.setAuxOn(on); });
    (new QVBoxLayout(auxSection_))->addWidget(aux_);

    auto* fontSection = new QGroupBox(tr("Default Font"));
    fontMessage_ = new QLabel;
    fontMessage_->setWordWrap(true);
    fontPickerRow_ = new QWidget;
    fontPicker_ = new QComboBox;
    fontPicker_->setObjectName(QStringLiteral("defaultFontPicker"));
    connect(fontPicker_, &QComboBox::activated, this, [this](int index) {
        model_.selectDefaultFont(fontPicker_->itemData(index).toLongLong());
    });
    auto* fontLabel = new QLabel(tr("Font"));
    fontLabel->setBuddy(fontPicker_);
    currentFont_ = new QLabel;
    setDefaultFont_ = new QPushButton(tr("Set Default Font"));
    connect(setDefaultFont_, &QPushButton::clicked, this, [this] { model_.setDefaultFont(); });
    auto* pickerLine = new QHBoxLayout;
    pickerLine->addWidget(fontLabel);
    pickerLine->addWidget(fontPicker_, 1);
    auto* buttonLine = new QHBoxLayout;
    buttonLine->addWidget(currentFont_, 1);
    buttonLine->addWidget(setDefaultFont_);
    auto* pickerLayout = new QVBoxLayout(fontPickerRow_);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    pickerLayout->addLayout(pickerLine);
    pickerLayout->addLayout(buttonLine);

    status_ = new QLabel;
    status_->setWordWrap(true);
    error_ = new QLabel;
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #D93025;"));
    auto* fontLayout = new QVBoxLayout(fontSection);
    fontLayout->addWidget(fontMessage_);
    fontLayout->addWidget(fontPickerRow_);
    fontLayout->addWidget(status_);
    fontLayout->addWidget(error_);

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(logoSection_);
    layout->addWidget(ledsSection_);
    layout->addWidget(auxSection_);
    layout->addWidget(fontSection);
    layout->addStretch(1);
    return content;
}

void NorixSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.windowShown();
}

void NorixSettingsView::refillFontPicker() {
    const auto available = model_.availableFontSlots();
    bool same = fontPicker_->count() == static_cast<int>(available.size());
    for (std::size_t i = 0; same && i < available.size(); ++i) {
        const int row = static_cast<int>(i);
        same = fontPicker_->itemData(row).toLongLong() == available[i].slot() &&
               fontPicker_->itemText(row) == qs(SettingsWindowModel::fontRowLabel(available[i]));
    }
    if (same)
        return; // an open popup stays open
    const QSignalBlocker blocker(fontPicker_);
    fontPicker_->clear();
    for (const auto& slot : available)
        fontPicker_->addItem(qs(SettingsWindowModel::fontRowLabel(slot)),
                             QVariant::fromValue<qlonglong>(slot.slot()));
}

void NorixSettingsView::refresh() {
    const bool enabled = model_.settingsControlsEnabled();
    for (QGroupBox* section : {logoSection_, ledsSection_, auxSection_})
        section->setEnabled(enabled);
    showLogo_->setChecked(model_.showLogo());
    leds_->setChecked(model_.ledsOn());
    aux_->setChecked(model_.auxOn());
    // A speed byte outside 0 ... 2 lights no button.
    speedGroup_->setExclusive(false);
    for (int speed = 0; speed < 3; ++speed)
        speedButtons_[static_cast<std::size_t>(speed)]->setChecked(model_.logoSpeed() == speed);
    speedGroup_->setExclusive(true);

    const bool picker = model_.defaultFontSection() == DefaultFontSection::picker;
    fontMessage_->setVisible(!picker);
    fontMessage_->setText(qs(model_.defaultFontMessage()));
    fontPickerRow_->setVisible(picker);
    if (picker) {
        refillFontPicker();
        const QSignalBlocker blocker(fontPicker_);
        fontPicker_->setCurrentIndex(
            fontPicker_->findData(QVariant::fromValue<qlonglong>(model_.selectedDefaultFont())));
        const auto current = model_.currentDefaultFontText();
        currentFont_->setText(current ? qs(*current) : QString());
        currentFont_->setVisible(current.has_value());
        setDefaultFont_->setEnabled(model_.setDefaultFontEnabled());
    }
    status_->setText(qs(model_.settingsStatus()));
    status_->setVisible(!model_.settingsStatus().empty());
    const auto& error = model_.settingsError();
    error_->setText(error ? qs(*error) : QString());
    error_->setVisible(error && !error->empty());
}

} // namespace norix
