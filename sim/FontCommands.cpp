#include "sim/FontCommands.h"

#include "core/fonts/LoadedFont.h"
#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

#include <algorithm>

namespace norix::sim {
FontCommands::FontCommands(NorixMemory& memory)
    : memory_(memory),
      upload_({cmdFontMetaBegin, cmdFontMetaChunk, cmdFontMetaSave, cmdFontDataBegin,
               cmdFontDataChunk, cmdFontDataSave},
              {.beginSuffixSize = 1,
               .canBegin =
                   [this](const Bytes& suffix) {
                       // The upload goes into the slot named when it begins.
                       if (suffix[0] >= norixFontSlotCount)
                           return false;
                       slot_ = suffix[0];
                       return true;
                   },
               .acceptMetadata = [](const Bytes& metadata) -> std::optional<std::size_t> {
                   const StoredFont probe{metadata, {}};
                   if (probe.width() == 0 || probe.height() == 0 ||
                       probe.height() > maximumFontHeight || probe.glyphCount() == 0 ||
                       probe.declaredDataSize() != 1u * probe.width() * probe.glyphCount())
                       return std::nullopt;
                   return probe.declaredDataSize();
               },
               .store =
                   [this](Bytes metadata, Bytes data) {
                       memory_.setFont(slot_, StoredFont{std::move(metadata), std::move(data)});
                       return true;
                   }}) {}

std::optional<SerialPacket> FontCommands::handle(const SerialPacket& command) {
    switch (command.code) {
    case cmdSendFontMeta:
        return slotQuery(command);
    case cmdDeleteFont:
        return deleteFont(command);
    default:
        if (upload_.handles(command.code))
            return upload_.receive(command);
        return std::nullopt;
    }
}

SerialPacket FontCommands::slotQuery(const SerialPacket& command) {
    if (command.payload.size() != 1)
        return reply(command, respBadSize);
    const std::uint8_t slot = command.payload[0];
    if (slot >= norixFontSlotCount)
        return reply(command, respFail);
    const auto& font = memory_.font(slot);
    if (!font)
        return reply(command, respFontEmpty, Bytes{slot});
    Bytes answer(fontMetaAnswerSize, 0);
    answer[0] = slot;
    answer[1] = font->width();
    answer[2] = font->height();
    answer[3] = font->glyphCount();
    const std::string name = font->name();
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 32), answer.begin() + 8);
    return reply(command, respFontMeta, std::move(answer));
}

SerialPacket FontCommands::deleteFont(const SerialPacket& command) {
    if (command.payload.size() != 1)
        return reply(command, respBadSize);
    const std::uint8_t slot = command.payload[0];
    if (slot >= norixFontSlotCount || !memory_.font(slot) ||
        memory_.settings()[settingsFontNumberOffset] == slot)
        return reply(command, respFail);
    memory_.clearFont(slot);
    return reply(command, respDone);
}

} // namespace norix::sim
