#include "sim/ChipCommands.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

#include <algorithm>

namespace norix::sim {
namespace {

bool isContinueMarker(const Bytes& payload) {
    return payload.size() == 2 && payload[0] == chipContinueMarker &&
           payload[1] == chipContinueMarker;
}

// Commands that change what is stored; the device accepts them only in upload mode.
bool needsUploadMode(std::uint8_t code) {
    switch (code) {
    case cmdChipMetadata:
    case cmdChipStringsBegin:
    case cmdChipStringsChunk:
    case cmdChipStringsEnd:
    case cmdChipCodeLength:
    case cmdChipCodeChunk:
    case cmdSaveChip:
    case cmdFinishBatch:
    case cmdDeleteAllChips:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<SerialPacket> ChipCommands::handle(const SerialPacket& command) {
    if (needsUploadMode(command.code) && !config_.uploadMode)
        return reply(command, respFail);
    switch (command.code) {
    case cmdChipMetadata:
        return uploadMetadata(command);
    case cmdChipStringsBegin:
    case cmdChipStringsChunk:
    case cmdChipStringsEnd:
    case cmdChipCodeLength:
    case cmdChipCodeChunk:
        return uploadStep(command);
    case cmdSaveChip:
        return saveChip(command);
    case cmdFinishBatch:
        return reply(command, command.payload.empty() ? respDone : respBadSize);
    case cmdChipCount: {
        if (!command.payload.empty())
            return reply(command, respBadSize);
        return reply(command, respChipCount,
                     littleEndian16(static_cast<std::uint16_t>(memory_.chips().size())));
    }
    case cmdChipName:
        return chipName(command);
    case cmdLoadChipMetadata:
        return loadMetadata(command);
    case cmdLoadChipCode:
        return loadCode(command);
    case cmdLoadChipString:
        return loadString(command);
    case cmdDeleteChip:
        return deleteChip(command);
    case cmdDeleteAllChips:
        if (!command.payload.empty())
            return reply(command, respBadSize);
        memory_.deleteAllChips();
        metadataCursor_ = {};
        codeCursor_ = {};
        return reply(command, respDone);
    default:
        return std::nullopt;
    }
}

SerialPacket ChipCommands::uploadMetadata(const SerialPacket& command) {
    const Bytes& payload = command.payload;
    if (payload.size() != chipUploadMetadataSize)
        return reply(command, respBadSize);
    if (littleEndian16At(payload, 0) != chipMetadataMarker)
        return reply(command, respFail);
    // A new upload replaces the chip held for button 2, complete or not.
    uploadedChip_.reset();
    upload_ = StoredChip{};
    upload_.metadata = payload;
    upload_.metadata.resize(chipStoredMetadataSize, 0);
    expectedCodeSize_ = upload_.declaredCodeSize();
    uploadStep_ = UploadStep::metadata;
    return reply(command, respDone);
}

SerialPacket ChipCommands::uploadStep(const SerialPacket& command) {
    const Bytes& payload = command.payload;
    const bool isChunk = command.code == cmdChipStringsChunk || command.code == cmdChipCodeChunk;
    const bool isLength = command.code == cmdChipCodeLength;
    if (isChunk && (payload.empty() || payload.size() > chipUploadChunkSize))
        return reply(command, respBadSize);
    if (isLength && payload.size() != 2)
        return reply(command, respBadSize);
    if (!isChunk && !isLength && !payload.empty())
        return reply(command, respBadSize);

    switch (command.code) {
    case cmdChipStringsBegin:
        if (uploadStep_ != UploadStep::metadata && uploadStep_ != UploadStep::strings)
            return reply(command, respFail);
        upload_.strings.clear();
        uploadStep_ = UploadStep::strings;
        break;
    case cmdChipStringsChunk:
        if (uploadStep_ != UploadStep::strings)
            return reply(command, respFail);
        if (upload_.strings.size() + payload.size() > chipStringsSize)
            return reply(command, respBadSize);
        upload_.strings.insert(upload_.strings.end(), payload.begin(), payload.end());
        break;
    case cmdChipStringsEnd:
        if (uploadStep_ != UploadStep::strings)
            return reply(command, respFail);
        upload_.strings.resize(chipStringsSize, 0);
        uploadStep_ = UploadStep::stringsDone;
        break;
    case cmdChipCodeLength:
        if (uploadStep_ != UploadStep::stringsDone)
            return reply(command, respFail);
        // The length must agree with the metadata the chip will be stored with.
        if (littleEndian16At(payload, 0) != expectedCodeSize_)
            return reply(command, respBadSize);
        upload_.code.clear();
        uploadStep_ = UploadStep::codeLength;
        break;
    case cmdChipCodeChunk:
        if (uploadStep_ != UploadStep::codeLength)
            return reply(command, respFail);
        if (upload_.code.size() + payload.size() > expectedCodeSize_)
            return reply(command, respBadSize);
        upload_.code.insert(upload_.code.end(), payload.begin(), payload.end());
        break;
    default:
        return reply(command, respFail);
    }
    if (uploadStep_ == UploadStep::codeLength && upload_.code.size() == expectedCodeSize_) {
        uploadStep_ = UploadStep::complete;
        uploadedChip_ = upload_;
    }
    return reply(command, respDone);
}

SerialPacket ChipCommands::saveChip(const SerialPacket& command) {
    if (!command.payload.empty())
        return reply(command, respBadSize);
    if (!uploadedChip_)
        return reply(command, respFail);
    if (memory_.storeChip(*uploadedChip_, config_.chipCapacity) == NorixMemory::StoreResult::full)
        return reply(command, respFail);
    return reply(command, respDone);
}

std::optional<std::size_t> ChipCommands::chipIndex(const Bytes& payload) const {
    const std::size_t index = littleEndian16At(payload, 0);
    if (index >= memory_.chips().size())
        return std::nullopt;
    return index;
}

SerialPacket ChipCommands::chipName(const SerialPacket& command) {
    if (command.payload.size() != 2)
        return reply(command, respBadSize);
    const auto index = chipIndex(command.payload);
    if (!index)
        return reply(command, respFail);
    const std::string name = memory_.chips()[*index].name();
    return reply(command, respChipName, Bytes(name.begin(), name.end()));
}

namespace {

// Starts (with a chip's bytes) or continues a part-by-part answer.
Bytes nextPart(Bytes& source, std::size_t& offset, std::size_t partSize) {
    const std::size_t length = std::min(std::max<std::size_t>(partSize, 1), source.size() - offset);
    Bytes part(source.begin() + static_cast<std::ptrdiff_t>(offset),
               source.begin() + static_cast<std::ptrdiff_t>(offset + length));
    offset += length;
    return part;
}

} // namespace

SerialPacket ChipCommands::loadMetadata(const SerialPacket& command) {
    if (command.payload.size() != 2)
        return reply(command, respBadSize);
    if (isContinueMarker(command.payload)) {
        if (!metadataCursor_.active)
            return reply(command, respFail);
    } else {
        const auto index = chipIndex(command.payload);
        if (!index)
            return reply(command, respFail);
        metadataCursor_ = ReadCursor{memory_.chips()[*index].metadata, 0, true};
    }
    Bytes part = nextPart(metadataCursor_.bytes, metadataCursor_.offset, config_.chipPartSize);
    if (metadataCursor_.offset >= metadataCursor_.bytes.size())
        metadataCursor_ = {};
    return reply(command, respChipMetadata, std::move(part));
}

SerialPacket ChipCommands::loadCode(const SerialPacket& command) {
    if (command.payload.size() != 2)
        return reply(command, respBadSize);
    if (isContinueMarker(command.payload)) {
        if (!codeCursor_.active)
            return reply(command, respFail);
        Bytes part = nextPart(codeCursor_.bytes, codeCursor_.offset, config_.chipPartSize);
        if (codeCursor_.offset >= codeCursor_.bytes.size())
            codeCursor_ = {};
        return reply(command, respChipCode, std::move(part));
    }
    const auto index = chipIndex(command.payload);
    if (!index)
        return reply(command, respFail);
    const Bytes& code = memory_.chips()[*index].code;
    // The first answer announces the size; the code follows on request.
    codeCursor_ = ReadCursor{code, 0, !code.empty()};
    return reply(command, respChipCode, littleEndian16(static_cast<std::uint16_t>(code.size())));
}

SerialPacket ChipCommands::loadString(const SerialPacket& command) {
    if (command.payload.size() != 3)
        return reply(command, respBadSize);
    const auto index = chipIndex(command.payload);
    const std::size_t stringNumber = command.payload[2];
    if (!index || stringNumber >= chipStringCount)
        return reply(command, respFail);
    return reply(command, respChipString, memory_.chips()[*index].stringBytes(stringNumber));
}

SerialPacket ChipCommands::deleteChip(const SerialPacket& command) {
    if (command.payload.size() != 2)
        return reply(command, respBadSize);
    const auto index = chipIndex(command.payload);
    if (!index)
        return reply(command, respFail);
    memory_.deleteChip(*index);
    return reply(command, respDone);
}

} // namespace norix::sim
