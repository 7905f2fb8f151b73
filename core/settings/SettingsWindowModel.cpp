#include "core/settings/SettingsWindowModel.h"

#include "core/fonts/FontSlotConversation.h"
#include "core/link/SerialPortManager.h"
#include "core/settings/SettingsConversation.h"

#include <algorithm>

namespace norix {

SettingsWindowModel::SettingsWindowModel(SerialPortManager& link, FontSlotConversation& fonts,
                                         SettingsConversation& settings)
    : link_(link), fonts_(fonts), settings_(settings) {
    const auto forward = [this] { linkChanged(); };
    connections_.push_back(link_.changed.connect(forward));
    connections_.push_back(fonts_.changed.connect(forward));
    connections_.push_back(settings_.changed.connect(forward));
    seenFontNumber_ = record().fontNumber;
    seenSlots_ = fonts_.norixFontSlots();
    synchronizeDefaultFontSelection();
}

const NorixSettings& SettingsWindowModel::record() const {
    return settings_.norixSettings();
}

bool SettingsWindowModel::showLogo() const {
    return record().logo == 0;
}

int SettingsWindowModel::logoSpeed() const {
    return record().logoSpeed;
}

bool SettingsWindowModel::ledsOn() const {
    // The record decodes the LED byte as a flag; the Norix lights them on 0.
    return !record().ledsOn;
}

bool SettingsWindowModel::auxOn() const {
    return record().auxOn;
}

std::vector<NorixFontSlot> SettingsWindowModel::availableFontSlots() const {
    std::vector<NorixFontSlot> available;
    for (const auto& slot : fonts_.norixFontSlots())
        if (!slot.isEmpty())
            available.push_back(slot);
    return available;
}

std::optional<std::string> SettingsWindowModel::currentDefaultFontName() const {
    const auto& slots = fonts_.norixFontSlots();
    const std::size_t position = record().fontNumber;
    if (position >= slots.size() || slots[position].isEmpty())
        return std::nullopt;
    return slots[position].name;
}

void SettingsWindowModel::selectDefaultFont(std::int64_t slot) {
    const auto available = availableFontSlots();
    const bool offered = std::any_of(available.begin(), available.end(),
                                     [slot](const NorixFontSlot& s) { return s.slot() == slot; });
    if (!offered || slot == selectedDefaultFont_)
        return;
    selectedDefaultFont_ = slot;
    changed.emit();
}

void SettingsWindowModel::synchronizeDefaultFontSelection() {
    const auto available = availableFontSlots();
    const std::int64_t wanted = record().fontNumber;
    std::int64_t chosen = selectedDefaultFont_;
    if (std::any_of(available.begin(), available.end(),
                    [wanted](const NorixFontSlot& s) { return s.slot() == wanted; }))
        chosen = wanted;
    else if (!available.empty())
        chosen = available.front().slot();
    if (chosen != selectedDefaultFont_) {
        selectedDefaultFont_ = chosen;
        changed.emit();
    }
}

DefaultFontSection SettingsWindowModel::defaultFontSection() const {
    if (!link_.isConnected())
        return DefaultFontSection::notConnected;
    return availableFontSlots().empty() ? DefaultFontSection::noFonts : DefaultFontSection::picker;
}

std::string SettingsWindowModel::defaultFontMessage() const {
    switch (defaultFontSection()) {
    case DefaultFontSection::notConnected:
        return "Connect to Norix to change the default font.";
    case DefaultFontSection::noFonts:
        return "No fonts are currently saved on Norix.";
    case DefaultFontSection::picker:
        break;
    }
    return {};
}

std::string SettingsWindowModel::fontRowLabel(const NorixFontSlot& slot) {
    if (slot.name && !slot.name->empty())
        return *slot.name;
    return "Slot " + std::to_string(slot.slot());
}

std::optional<std::string> SettingsWindowModel::currentDefaultFontText() const {
    if (auto name = currentDefaultFontName())
        return "Current: " + *name;
    return std::nullopt;
}

bool SettingsWindowModel::settingsControlsEnabled() const {
    return link_.isConnected() && !settings_.isUpdatingSettings();
}

bool SettingsWindowModel::setDefaultFontEnabled() const {
    return defaultFontSection() == DefaultFontSection::picker && !settings_.isUpdatingSettings() &&
           selectedDefaultFont_ != record().fontNumber;
}

const std::string& SettingsWindowModel::settingsStatus() const {
    return settings_.settingsStatus();
}

const std::optional<std::string>& SettingsWindowModel::settingsError() const {
    return settings_.settingsError();
}

void SettingsWindowModel::windowShown() {
    synchronizeDefaultFontSelection();
    if (!link_.isConnected())
        return;
    fonts_.requestFontList();
    settings_.requestSettings();
}

void SettingsWindowModel::setShowLogo(bool show) {
    settings_.setShowLogo(show);
}

void SettingsWindowModel::setLogoSpeed(int speed) {
    settings_.setLogoSpeed(speed);
}

void SettingsWindowModel::setLEDsOn(bool on) {
    settings_.setLEDsOn(on);
}

void SettingsWindowModel::setAuxOn(bool on) {
    settings_.setAuxOn(on);
}

void SettingsWindowModel::setDefaultFont() {
    settings_.setDefaultFont(selectedDefaultFont_);
}

void SettingsWindowModel::linkChanged() {
    // A new default slot or a new slot list may move the picker. Other news
    // (a toggle's answer) leaves the user's pick alone.
    const bool defaultChanged = record().fontNumber != seenFontNumber_;
    const bool slotsChanged = fonts_.norixFontSlots() != seenSlots_;
    seenFontNumber_ = record().fontNumber;
    if (slotsChanged)
        seenSlots_ = fonts_.norixFontSlots();
    if (defaultChanged || slotsChanged)
        synchronizeDefaultFontSelection();
    changed.emit();
}

} // namespace norix
