#pragma once
// The Norix's block of user settings as read with one command: fourteen bytes
// in a fixed order, kept as a plain value that windows and the CLI show.

#include "core/link/ProtocolCodes.h"

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

// No record when fewer than 14 bytes arrived; bytes after the 14th are ignored.
std::optional<NorixSettings> decodeNorixSettings(std::span<const std::uint8_t> payload);

// Every field as (name, value) in wire order: flags as true/false, numbers in decimal.
std::vector<std::pair<std::string, std::string>> norixSettingsFields(const NorixSettings& settings);

} // namespace norix
