#pragma once
// The link's settings conversation: reads the Norix's settings record and
// changes one setting at a time. The settings window and the CLI observe the
// record, the status and the error text here.

#include "core/link/RouteOrder.h"
#include "core/link/SerialPacket.h"
#include "core/settings/NorixSettings.h"
#include "core/util/Signal.h"

#include <cstdint>
#include <optional>
#include <string>

namespace norix {

class FontSlotConversation;
class SerialPortManager;

// Where settings answers sit in the routing order (the whole order: NorixConnection.h).
inline constexpr RouteOrder settingsRoute = 20;

class SettingsConversation {
public:
    // Registers at the link's settings route and lifecycle hooks; the font
    // conversation's slot list decides which default fonts may be chosen.
    SettingsConversation(SerialPortManager& link, const FontSlotConversation& fonts);
    SettingsConversation(const SettingsConversation&) = delete;
    SettingsConversation& operator=(const SettingsConversation&) = delete;

    const NorixSettings& norixSettings() const { return norixSettings_; }
    const std::string& settingsStatus() const { return settingsStatus_; }
    const std::optional<std::string>& settingsError() const { return settingsError_; }
    bool isUpdatingSettings() const { return isUpdatingSettings_; }
    Signal<> changed;

    void requestSettings();
    // The Norix switches the logo and the LEDs on with 0 and off with 1.
    void setShowLogo(bool show);
    void setLogoSpeed(int speed); // 0 slow, 1 medium, 2 fast
    void setLEDsOn(bool on);
    void setAuxOn(bool on);
    void setDefaultFont(std::int64_t slot);
    void setSetting(std::uint8_t id, std::uint8_t value, const std::string& status);

    bool handleSettingsPacket(const SerialPacket& packet);

private:
    void clearPending();
    void fail(const char* message);
    void resetForDisconnect();

    SerialPortManager& link_;
    const FontSlotConversation& fonts_;
    NorixSettings norixSettings_;
    std::string settingsStatus_;
    std::optional<std::string> settingsError_;
    bool isUpdatingSettings_ = false;
    std::optional<std::uint8_t> pendingSettingsSequence_;
    std::optional<std::uint8_t> pendingSettingID_;
    std::optional<std::uint8_t> pendingSettingValue_;
};

} // namespace norix
