// norix settings and norix settings set …: the Norix's settings record through
// the link's settings conversation, with its own texts.

#include "cli/CliCommand.h"
#include "cli/ConversationOutput.h"
#include "cli/DeviceConnection.h"
#include "cli/SlotListings.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/settings/SettingsConversation.h"

namespace norix::cli {
namespace {

constexpr const char* setUsage =
    "usage: norix settings set logo on|off | speed slow|medium|fast | leds on|off | aux on|off | "
    "font SLOT";

std::optional<bool> onOff(const std::string& word) {
    if (word == "on")
        return true;
    if (word == "off")
        return false;
    return std::nullopt;
}

// The change a `settings set` names, ready to be applied once the record is read.
std::optional<std::function<void(SettingsConversation&)>>
parseChange(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return std::nullopt;
    const std::string& what = args[0];
    const std::string& value = args[1];
    if (what == "speed") {
        const std::vector<std::string> speeds{"slow", "medium", "fast"};
        for (int speed = 0; speed < 3; ++speed)
            if (value == speeds[static_cast<std::size_t>(speed)])
                return [speed](SettingsConversation& s) { s.setLogoSpeed(speed); };
        return std::nullopt;
    }
    if (what == "font") {
        const auto slot = parseSlotArgument(value);
        if (!slot)
            return std::nullopt;
        return [slot = *slot](SettingsConversation& s) { s.setDefaultFont(slot); };
    }
    const auto on = onOff(value);
    if (!on)
        return std::nullopt;
    if (what == "logo")
        return [on = *on](SettingsConversation& s) { s.setShowLogo(on); };
    if (what == "leds")
        return [on = *on](SettingsConversation& s) { s.setLEDsOn(on); };
    if (what == "aux")
        return [on = *on](SettingsConversation& s) { s.setAuxOn(on); };
    return std::nullopt;
}

// The connect reads the record; a change is refused until that answer is in.
bool waitForSettings(DeviceConnection& device) {
    auto& settings = device.norix().settings();
    if (!device.runUntil([&] { return !settings.isUpdatingSettings(); }))
        return false;
    if (settings.settingsError()) {
        device.reportError(*settings.settingsError());
        return false;
    }
    return true;
}

int runSet(const GlobalOptions& options, const std::vector<std::string>& args) {
    const auto change = parseChange(args);
    if (!change)
        return usageError(setUsage);
    DeviceConnection device(options);
    if (!device.open() || !waitForSettings(device))
        return exitFailure;
    auto& settings = device.norix().settings();
    auto& fonts = device.norix().fonts();
    // The default font must be a slot that holds a font: know the slots first.
    if (args[0] == "font" && !device.runUntil([&] { return !fonts.isLoadingFontList(); }))
        return exitFailure;
    ConversationOutput output(settings.changed, device);
    output.status([&] { return settings.settingsStatus(); });
    output.error([&] { return settings.settingsError(); });
    (*change)(settings);
    if (!settings.isUpdatingSettings())
        return exitFailure;
    if (!device.runUntil([&] { return !settings.isUpdatingSettings(); }))
        return exitFailure;
    return settings.settingsError() ? exitFailure : exitSuccess;
}

int runSettings(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "set")
        return runSet(options, std::vector<std::string>(args.begin() + 1, args.end()));
    if (!args.empty())
        return usageError("usage: norix settings [set WHAT VALUE]");
    DeviceConnection device(options);
    if (!device.open() || !waitForSettings(device))
        return exitFailure;
    printSettings(device.norix().settings());
    return exitSuccess;
}

[[maybe_unused]] const bool registered = registerCommand(
    {"settings",
     "settings [set WHAT VALUE] print the settings; set logo|leds|aux on|off, speed "
     "slow|medium|fast, font SLOT",
     runSettings});

} // namespace
} // namespace norix::cli
