#include "sim/FontCommands.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

#include <algorithm>

namespace norix::sim {
namespace {

using sim::reply;

constexpr std::size_t maximumChunk = 48;
constexpr std::size_t slotAnswerSize = 40;
constexpr std::size_t maximumFontHeight = 8;

} // namespace

std::optional<SerialPacket> FontCommands::handle(const SerialPacket& command) {
    switch (command.code) {
    case cmdSendFontMeta:
        return slotQuery(command);
    case cmdFontMetaBegin:
    case cmdFontMetaChunk:
    case cmdFontMetaSave:
    case cmdFontDataBegin:
    case cmdFontDataChunk:
    case cmdFontDataSave:
        return uploadStep(command);
    case cmdDeleteFont:
        return deleteFont(command);
    default:
        return std::nullopt;
    }
}

SerialPacket FontCommands::slotQuery(const SerialPacket& command) {
    if (command.payload.size() != 1)
        return reply(command, respBadSize);
    const std::uint8_t slot = command.payload[0];
    if (slot >= simFontSlotCount)
        return reply(command, respFail);
    const auto& font = memory_.font(slot);
    if (!font)
        return reply(command, respFontEmpty, Bytes{slot});
    Bytes answer(slotAnswerSize, 0);
    answer[0] = slot;
    answer[1] = font->width();
    answer[2] = font->height();
    answer[3] = font->glyphCount();
    const std::string name = font->name();
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 32), answer.begin() + 8);
    return reply(command, respFontMeta, std::move(answer));
}

SerialPacket FontCommands::uploadStep(const SerialPacket& command) {
    const Bytes& payload = command.payload;
    switch (command.code) {
    case cmdFontMetaBegin:
        if (payload.size() != 3 || sim::readUint16(payload) != itemMetadataSize)
            return reply(command, respBadSize);
        if (payload[2] >= simFontSlotCount)
            return reply(command, respFail);
        step_ = UploadStep::Metadata;
        slot_ = payload[2];
        metadata_.clear();
        data_.clear();
        return reply(command, respAck);
    case cmdFontMetaChunk:
        if (step_ != UploadStep::Metadata)
            return reply(command, respFail);
        if (payload.empty() || payload.size() > maximumChunk ||
            metadata_.size() + payload.size() > itemMetadataSize)
            return reply(command, respBadSize);
        metadata_.insert(metadata_.end(), payload.begin(), payload.end());
        return reply(command, respAck);
    case cmdFontMetaSave: {
        if (step_ != UploadStep::Metadata)
            return reply(command, respFail);
        if (!payload.empty() || metadata_.size() != itemMetadataSize)
            return reply(command, respBadSize);
        const StoredFont probe{metadata_, {}};
        if (probe.width() == 0 || probe.height() == 0 || probe.height() > maximumFontHeight ||
            probe.glyphCount() == 0 ||
            probe.declaredDataSize() != 1u * probe.width() * probe.glyphCount()) {
            step_ = UploadStep::None;
            return reply(command, respFail);
        }
        step_ = UploadStep::MetadataSaved;
        return reply(command, respDone);
    }
    case cmdFontDataBegin:
        if (step_ != UploadStep::MetadataSaved)
            return reply(command, respFail);
        if (payload.size() != 2 ||
            sim::readUint16(payload) != StoredFont{metadata_, {}}.declaredDataSize())
            return reply(command, respBadSize);
        dataSize_ = sim::readUint16(payload);
        data_.clear();
        step_ = UploadStep::Data;
        return reply(command, respAck);
    case cmdFontDataChunk:
        if (step_ != UploadStep::Data)
            return reply(command, respFail);
        if (payload.empty() || payload.size() > maximumChunk ||
            data_.size() + payload.size() > dataSize_)
            return reply(command, respBadSize);
        data_.insert(data_.end(), payload.begin(), payload.end());
        return reply(command, respAck);
    case cmdFontDataSave:
        if (step_ != UploadStep::Data)
            return reply(command, respFail);
        if (!payload.empty() || data_.size() != dataSize_)
            return reply(command, respBadSize);
        step_ = UploadStep::None;
        memory_.setFont(slot_, StoredFont{std::move(metadata_), std::move(data_)});
        metadata_.clear();
        data_.clear();
        return reply(command, respDone);
    default:
        return reply(command, respFail);
    }
}

SerialPacket FontCommands::deleteFont(const SerialPacket& command) {
    if (command.payload.size() != 1)
        return reply(command, respBadSize);
    const std::uint8_t slot = command.payload[0];
    if (slot >= simFontSlotCount || !memory_.font(slot) ||
        memory_.settings()[settingsFontNumberOffset] == slot)
        return reply(command, respFail);
    memory_.clearFont(slot);
    return reply(command, respDone);
}

} // namespace norix::sim
