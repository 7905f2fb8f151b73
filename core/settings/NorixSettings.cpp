#include "core/settings/NorixSettings.h"

namespace norix {

std::optional<NorixSettings> decodeNorixSettings(std::span<const std::uint8_t> payload) {
    if (payload.size() < norixSettingsSize)
        return std::nullopt;
    NorixSettings settings;
    settings.celsius = payload[0] != 0;
    settings.version = payload[1];
    settings.contrast = payload[2];
    settings.logo = payload[3];
    settings.logoSpeed = payload[4];
    settings.defaultChipIndex = payload[5];
    settings.numFonts = payload[6];
    settings.ledsOn = payload[7] != 0;
    settings.auxOn = payload[8] != 0;
    settings.fontNumber = payload[9];
    settings.minTempC = payload[10];
    settings.maxTempC = payload[11];
    settings.minTempF = payload[12];
    settings.maxTempF = payload[13];
    return settings;
}

std::vector<std::pair<std::string, std::string>> norixSettingsFields(const NorixSettings& s) {
    const auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
    const auto number = [](std::uint8_t value) { return std::to_string(value); };
    return {
        {"celsius", flag(s.celsius)},       {"version", number(s.version)},
        {"contrast", number(s.contrast)},   {"logo", number(s.logo)},
        {"logoSpeed", number(s.logoSpeed)}, {"defaultChipIndex", number(s.defaultChipIndex)},
        {"numFonts", number(s.numFonts)},   {"ledsOn", flag(s.ledsOn)},
        {"auxOn", flag(s.auxOn)},           {"fontNumber", number(s.fontNumber)},
        {"minTempC", number(s.minTempC)},   {"maxTempC", number(s.maxTempC)},
        {"minTempF", number(s.minTempF)},   {"maxTempF", number(s.maxTempF)},
    };
}

} // namespace norix
