#include "core/settings/SettingsConversation.h"

#include "core/fonts/FontSlotConversation.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"

#include <array>

namespace norix {

SettingsConversation::SettingsConversation(SerialPortManager& link,
                                           const FontSlotConversation& fonts)
    : link_(link), fonts_(fonts) {
    // After the image routes (10-12), before the font routes (30-32).
    link.setRoute(settingsRoute,
                  [this](const SerialPacket& packet) { return handleSettingsPacket(packet); });
    link.addLifecycleHooks({.opened = [this] { requestSettings(); },
                            .reconnected = {},
                            .closed = [this] { resetForDisconnect(); }});
}

void SettingsConversation::requestSettings() {
    if (!link_.isConnected() || pendingSettingsSequence_)
        return;
    settingsError_.reset();
    settingsStatus_ = "Loading Norix settings\u2026";
    isUpdatingSettings_ = true;
    changed.emit();
    const std::array<std::uint8_t, 1> payload{settingsGetAll};
    const auto sequence = link_.sendPacket(cmdSettings, payload);
    if (!sequence) {
        isUpdatingSettings_ = false;
        settingsStatus_.clear();
        settingsError_ = "Could not request settings from Norix.";
        changed.emit();
        return;
    }
    pendingSettingsSequence_ = sequence;
    pendingSettingID_.reset();
    pendingSettingValue_.reset();
}

void SettingsConversation::setSetting(std::uint8_t id, std::uint8_t value,
                                      const std::string& status) {
    if (!link_.isConnected())
        return fail("Norix is not connected.");
    if (pendingSettingsSequence_)
        return fail("Another setting is still being updated.");
    settingsError_.reset();
    settingsStatus_ = status;
    isUpdatingSettings_ = true;
    changed.emit();
    const std::array<std::uint8_t, 3> payload{settingsSetValue, id, value};
    const auto sequence = link_.sendPacket(cmdSettings, payload);
    if (!sequence) {
        isUpdatingSettings_ = false;
        settingsStatus_.clear();
        settingsError_ = "Could not send the setting to Norix.";
        changed.emit();
        return;
    }
    pendingSettingsSequence_ = sequence;
    pendingSettingID_ = id;
    pendingSettingValue_ = value;
}

void SettingsConversation::setShowLogo(bool show) {
    setSetting(settingLogo, show ? 0 : 1,
               show ? "Enabling the startup logo\u2026" : "Disabling the startup logo\u2026");
}

void SettingsConversation::setLogoSpeed(int speed) {
    static constexpr std::array<const char*, 3> names{"slow", "medium", "fast"};
    if (speed < 0 || speed > 2)
        return fail("The selected logo speed is invalid.");
    setSetting(settingLogoSpeed, static_cast<std::uint8_t>(speed),
               std::string("Setting logo speed to ") + names[static_cast<std::size_t>(speed)] +
                   "\u2026");
}

void SettingsConversation::setLEDsOn(bool on) {
    setSetting(settingLedsOn, on ? 0 : 1,
               on ? "Turning the LEDs on\u2026" : "Turning the LEDs off\u2026");
}

void SettingsConversation::setAuxOn(bool on) {
    setSetting(settingAuxOn, on ? 1 : 0, on ? "Turning AUX on\u2026" : "Turning AUX off\u2026");
}

void SettingsConversation::setDefaultFont(std::int64_t slot) {
    if (slot < 0 || slot >= norixFontSlotCount)
        return fail("The selected font slot is invalid.");
    const auto& slots = fonts_.norixFontSlots();
    if (static_cast<std::size_t>(slot) >= slots.size())
        return fail("The selected font slot is unavailable.");
    if (slots[static_cast<std::size_t>(slot)].isEmpty())
        return fail("The selected font slot is empty.");
    setSetting(settingFontNumber, static_cast<std::uint8_t>(slot),
               "Setting default font to slot " + std::to_string(slot) + "\u2026");
}

bool SettingsConversation::handleSettingsPacket(const SerialPacket& packet) {
    const bool answersPending = pendingSettingsSequence_ == packet.sequence;
    if (packet.code == respSettings) {
        const auto record = decodeNorixSettings(packet.payload);
        if (!record) {
            if (answersPending)
                clearPending();
            settingsStatus_.clear();
            settingsError_ = "Norix returned an invalid settings response.";
            changed.emit();
            return true;
        }
        norixSettings_ = *record;
        if (answersPending) {
            settingsStatus_ =
                pendingSettingID_ == settingFontNumber
                    ? "Default font set to slot " + std::to_string(record->fontNumber) + "."
                    : "Norix settings updated.";
            clearPending();
        } else {
            settingsStatus_ = "Norix settings loaded.";
        }
        settingsError_.reset();
        changed.emit();
        return true;
    }
    if (!answersPending)
        return false;
    switch (packet.code) {
    case respFail:
        clearPending();
        settingsStatus_.clear();
        settingsError_ = "Norix rejected the selected setting.";
        changed.emit();
        break;
    case respBadSize:
        clearPending();
        settingsStatus_.clear();
        settingsError_ = "Norix rejected the settings packet size.";
        changed.emit();
        break;
    case respRetry: {
        const auto id = pendingSettingID_;
        const auto value = pendingSettingValue_;
        clearPending();
        changed.emit();
        if (id && value)
            setSetting(*id, *value, "Retrying settings update\u2026");
        else
            requestSettings();
        break;
    }
    default:
        // An acknowledgement: the record that follows ends the request.
        break;
    }
    return true;
}

void SettingsConversation::clearPending() {
    pendingSettingsSequence_.reset();
    pendingSettingID_.reset();
    pendingSettingValue_.reset();
    isUpdatingSettings_ = false;
}

void SettingsConversation::fail(const char* message) {
    settingsError_ = message;
    changed.emit();
}

void SettingsConversation::resetForDisconnect() {
    clearPending();
    settingsStatus_.clear();
    settingsError_.reset();
    norixSettings_ = NorixSettings{};
    changed.emit();
}

} // namespace norix
