#include "sim/ChunkedReceiver.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"
#include "sim/NorixMemory.h"

namespace norix::sim {
bool ChunkedReceiver::handles(std::uint8_t code) const {
    for (const std::uint8_t own : {codes_.metaBegin, codes_.metaChunk, codes_.metaSave,
                                   codes_.dataBegin, codes_.dataChunk, codes_.dataSave})
        if (code == own)
            return true;
    return false;
}

SerialPacket ChunkedReceiver::append(const SerialPacket& command, Bytes& buffer,
                                     std::size_t limit) {
    const Bytes& payload = command.payload;
    if (payload.empty() || payload.size() > chunkedUploadChunkSize ||
        buffer.size() + payload.size() > limit)
        return reply(command, respBadSize);
    buffer.insert(buffer.end(), payload.begin(), payload.end());
    return reply(command, respAck);
}

SerialPacket ChunkedReceiver::receive(const SerialPacket& command) {
    const Bytes& payload = command.payload;
    const std::uint8_t code = command.code;
    if (code == codes_.metaBegin) {
        if (payload.size() != 2 + hooks_.beginSuffixSize ||
            littleEndian16At(payload, 0) != chunkedUploadMetadataSize)
            return reply(command, respBadSize);
        if (!hooks_.canBegin(Bytes(payload.begin() + 2, payload.end())))
            return reply(command, respFail);
        step_ = Step::metadata;
        metadata_.clear();
        data_.clear();
        return reply(command, respAck);
    }
    if (code == codes_.metaChunk) {
        if (step_ != Step::metadata)
            return reply(command, respFail);
        return append(command, metadata_, chunkedUploadMetadataSize);
    }
    if (code == codes_.metaSave) {
        if (step_ != Step::metadata)
            return reply(command, respFail);
        if (!payload.empty() || metadata_.size() != chunkedUploadMetadataSize)
            return reply(command, respBadSize);
        const auto declared = hooks_.acceptMetadata(metadata_);
        if (!declared) {
            step_ = Step::none;
            return reply(command, respFail);
        }
        dataSize_ = *declared;
        step_ = Step::metadataSaved;
        return reply(command, respDone);
    }
    if (code == codes_.dataBegin) {
        if (step_ != Step::metadataSaved)
            return reply(command, respFail);
        if (payload.size() != 2 || littleEndian16At(payload, 0) != dataSize_)
            return reply(command, respBadSize);
        data_.clear();
        step_ = Step::data;
        return reply(command, respAck);
    }
    if (code == codes_.dataChunk) {
        if (step_ != Step::data)
            return reply(command, respFail);
        return append(command, data_, dataSize_);
    }
    if (code == codes_.dataSave) {
        if (step_ != Step::data)
            return reply(command, respFail);
        if (!payload.empty() || data_.size() != dataSize_)
            return reply(command, respBadSize);
        step_ = Step::none;
        const bool stored = hooks_.store(std::exchange(metadata_, {}), std::exchange(data_, {}));
        return reply(command, stored ? respDone : respFail);
    }
    return reply(command, respFail);
}

} // namespace norix::sim
