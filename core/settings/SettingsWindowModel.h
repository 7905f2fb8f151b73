#pragma once
// What the settings window shows and allows, decided without a screen: the
// toggles read in the device's own encoding, the fonts that may become the
// default, the picker's selection, and when each control may be used. Every
// change goes straight to the link's settings conversation.

#include "core/fonts/NorixFontSlot.h"
#include "core/settings/NorixSettings.h"
#include "core/util/Signal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

class FontSlotConversation;
class SerialPortManager;
class SettingsConversation;

// What the "Default Font" section holds.
enum class DefaultFontSection { notConnected, noFonts, picker };

class SettingsWindowModel {
public:
    SettingsWindowModel(SerialPortManager& link, FontSlotConversation& fonts,
                        SettingsConversation& settings);
    SettingsWindowModel(const SettingsWindowModel&) = delete;
    SettingsWindowModel& operator=(const SettingsWindowModel&) = delete;

    // The record as the toggles read it: the logo and the LEDs are on when
    // their byte is 0, the auxiliary output when its byte is not.
    bool showLogo() const;
    int logoSpeed() const;
    bool ledsOn() const;
    bool auxOn() const;

    // The slots that hold a font, in slot order.
    std::vector<NorixFontSlot> availableFontSlots() const;
    // The font in the record's default slot, when that slot holds one.
    std::optional<std::string> currentDefaultFontName() const;
    std::int64_t selectedDefaultFont() const { return selectedDefaultFont_; }
    // Picks an available slot; any other slot is not offered and is ignored.
    void selectDefaultFont(std::int64_t slot);
    void synchronizeDefaultFontSelection();

    DefaultFontSection defaultFontSection() const;
    // "Connect to Norix to change the default font." or "No fonts are
    // currently saved on Norix."; empty while the picker is shown.
    std::string defaultFontMessage() const;
    // The font's name, or "Slot {slot}" for a font without one.
    static std::string fontRowLabel(const NorixFontSlot& slot);
    // "Current: {name}" when the default slot holds a font.
    std::optional<std::string> currentDefaultFontText() const;

    bool settingsControlsEnabled() const;
    bool setDefaultFontEnabled() const;
    const std::string& settingsStatus() const;
    const std::optional<std::string>& settingsError() const;

    // The window became visible: settle the picker, then read the device afresh.
    void windowShown();
    void setShowLogo(bool show);
    void setLogoSpeed(int speed);
    void setLEDsOn(bool on);
    void setAuxOn(bool on);
    void setDefaultFont();

    // Fires after any change the window shows (link, fonts, settings, selection).
    Signal<> changed;

private:
    void linkChanged();
    const NorixSettings& record() const;

    SerialPortManager& link_;
    FontSlotConversation& fonts_;
    SettingsConversation& settings_;
    std::int64_t selectedDefaultFont_ = 0;
    // What the selection was last synchronised with.
    std::uint8_t seenFontNumber_ = 0;
    std::vector<NorixFontSlot> seenSlots_;
    std::vector<Connection> connections_;
};

} // namespace norix
