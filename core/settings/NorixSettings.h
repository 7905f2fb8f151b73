#pragma once
// The Norix's block of user settings as read with one command: fourteen bytes
// in a fixed order, kept as a plain value that windows and the CLI show.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace norix {

struct NorixSettings {
    bool celsius = false;
    std::uint8_t version = 0;
    std::uint8_t contrast = 0;
    std::uint8_t logo = 0;
    std::uint8_t logoSpeed = 0; // 0 slow, 1 medium, 2 fast
    std::uint8_t defaultChipIndex = 0;
    std::uint8_t numFonts = 0;
    bool ledsOn = false;
    bool auxOn = false;
    std::uint8_t fontNumber = 0; // the default font slot
    std::uint8_t minTempC = 0;
    std::uint8_t maxTempC = 0;
    std::uint8_t minTempF = 0;
    std::uint8_t maxTempF = 0;

    bool operator==(const NorixSettings&) const = default;
};

inline constexpr std::size_t norixSettingsSize = 14;

// No record when fewer than 14 bytes arrived; bytes after the 14th are ignored.
std::optional<NorixSettings> decodeNorixSettings(std::span<const std::uint8_t> payload);

// Every field as (name, value) in wire order: flags as true/false, numbers in decimal.
std::vector<std::pair<std::string, std::string>> norixSettingsFields(const NorixSettings& settings);

// The identifiers of the set command, one setting each.
inline constexpr std::uint8_t settingCelsius = 0;
inline constexpr std::uint8_t settingContrast = 1;
inline constexpr std::uint8_t settingLogo = 2;
inline constexpr std::uint8_t settingLogoSpeed = 3;
inline constexpr std::uint8_t settingDefaultChip = 4;
inline constexpr std::uint8_t settingLedsOn = 5;
inline constexpr std::uint8_t settingAuxOn = 6;
inline constexpr std::uint8_t settingFontNumber = 7;
inline constexpr std::uint8_t settingMinTempC = 8;
inline constexpr std::uint8_t settingMaxTempC = 9;
inline constexpr std::uint8_t settingMinTempF = 10;
inline constexpr std::uint8_t settingMaxTempF = 11;

} // namespace norix
