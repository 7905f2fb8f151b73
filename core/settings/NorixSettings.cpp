#include "core/settings/NorixSettings.h"

namespace norix {

std::optional<NorixSettings> decodeNorixSettings(std::span<const std::uint8_t> payload) {
    if (payload.size() < norixSettingsSize)
        return std::nullopt;
    const auto setting = [&](std::uint8_t id) { return payload[settingOffsets[id]]; };
    NorixSettings settings;
    settings.celsius = setting(settingCelsius) != 0;
    settings.version = payload[settingsVersionOffset];
    settings.contrast = setting(settingContrast);
    settings.logo = setting(settingLogo);
    settings.logoSpeed = setting(settingLogoSpeed);
    settings.defaultChipIndex = setting(settingDefaultChip);
    settings.numFonts = payload[settingsNumFontsOffset];
    settings.ledsOn = setting(settingLedsOn) != 0;
    settings.auxOn = setting(settingAuxOn) != 0;
    settings.fontNumber = setting(settingFontNumber);
    settings.minTempC = setting(settingMinTempC);
    settings.maxTempC = setting(settingMaxTempC);
    settings.minTempF = setting(settingMinTempF);
    settings.maxTempF = setting(settingMaxTempF);
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
