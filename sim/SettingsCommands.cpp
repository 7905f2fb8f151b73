#include "sim/SettingsCommands.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

namespace norix::sim {
namespace {

constexpr std::uint8_t fastestLogoSpeed = 2;

SerialPacket recordAnswer(const SerialPacket& command, const SettingsRecord& record) {
    return reply(command, respSettings, Bytes(record.begin(), record.end()));
}

} // namespace

std::optional<SerialPacket> SettingsCommands::handle(const SerialPacket& command) {
    if (command.code != cmdSettings)
        return std::nullopt;
    const Bytes& payload = command.payload;
    if (payload.empty())
        return reply(command, respBadSize);
    if (payload[0] == settingsGetAll) {
        if (payload.size() != 1)
            return reply(command, respBadSize);
        return recordAnswer(command, memory_.settings());
    }
    if (payload[0] != settingsSetValue)
        return reply(command, respFail);
    if (payload.size() != 3)
        return reply(command, respBadSize);
    const std::uint8_t id = payload[1];
    const std::uint8_t value = payload[2];
    if (id >= settingOffsets.size())
        return reply(command, respFail);
    if (id == settingLogoSpeed && value > fastestLogoSpeed)
        return reply(command, respFail);
    // The default font must be a font the device holds.
    if (id == settingFontNumber && (value >= norixFontSlotCount || !memory_.font(value)))
        return reply(command, respFail);
    memory_.setSettingByte(settingOffsets[id], value);
    return recordAnswer(command, memory_.settings());
}

} // namespace norix::sim
