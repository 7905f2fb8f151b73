#include "core/settings/SettingsWindowModel.h"

#include "core/fonts/FontSlotConversation.h"
#include "core/link/SerialPortManager.h"
#include "core/settings/SettingsConversation.h"

#include <algorithm>

namespace norix {

SettingsWindowModel::SettingsWindowModel(SerialPortManager& link) : link_(link) {
    const auto forward = [this] { linkChanged(); };
    connections_.push_back(link_.changed.connect(forward));
    connections_.push_back(link_.fonts().changed.connect(forward));
    connections_.push_back(link_.settings().changed.connect(forward));
    seenFontNumber_ = record().fontNumber;
    seenSlots_ = link_.fonts().norixFontSlots();
    synchronizeDefaultFontSelection();
}

const NorixSettings& SettingsWindowModel::record() const {
    return link_.settings().norixSettings();
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
    for (const auto& slot : link_.fonts().norixFontSlots())
        if (!slot.isEmpty())
            available.push_back(slot);
    return available;
}

std::optional<std::string> SettingsWindowModel::currentDefaultFontName() const {
    const auto& slots = link_.fonts().norixFontSlots();
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
    return link_.isConnected() && !link_.settings().isUpdatingSettings();
}

bool SettingsWindowModel::setDefaultFontEnabled() const {
    return defaultFontSection() == DefaultFontSection::picker &&
           !link_.settings().isUpdatingSettings() && selectedDefaultFont_ != record().fontNumber;
}

const std::string& SettingsWindowModel::settingsStatus() const {
    return link_.settings().settingsStatus();
}

const std::optional<std::string>& SettingsWindowModel::settingsError() const {
    return link_.settings().settingsError();
}

void SettingsWindowModel::windowShown() {
    synchronizeDefaultFontSelection();
    if (!link_.isConnected())
        return;
    link_.fonts().requestFontList();
    link_.settings().requestSettings();
}

void SettingsWindowModel::setShowLogo(bool show) {
    link_.settings().setShowLogo(show);
}

void SettingsWindowModel::setLogoSpeed(int speed) {
    link_.settings().setLogoSpeed(speed);
}

void SettingsWindowModel::setLEDsOn(bool on) {
    link_.settings().setLEDsOn(on);
}

void SettingsWindowModel::setAuxOn(bool on) {
    link_.settings().setAuxOn(on);
}

void SettingsWindowModel::setDefaultFont() {
    link_.settings().setDefaultFont(selectedDefaultFont_);
}

void SettingsWindowModel::linkChanged() {
    // A new default slot or a new slot list may move the picker. Other news
    // (a toggle's answer) leaves the user's pick alone.
    const bool defaultChanged = record().fontNumber != seenFontNumber_;
    const bool slotsChanged = link_.fonts().norixFontSlots() != seenSlots_;
    seenFontNumber_ = record().fontNumber;
    if (slotsChanged)
        seenSlots_ = link_.fonts().norixFontSlots();
    if (defaultChanged || slotsChanged)
        synchronizeDefaultFontSelection();
    changed.emit();
}

} // namespace norix
