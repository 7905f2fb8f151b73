#include "sim/ImageCommands.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

#include <algorithm>

namespace norix::sim {
namespace {

using sim::reply;

constexpr std::size_t maximumChunk = 48;
constexpr std::size_t metadataAnswerSize = 38;
constexpr std::size_t screenWidth = 160;
constexpr std::size_t screenHeight = 128;

} // namespace

bool rleCoversImage(const Bytes& rle, std::size_t width, std::size_t height) {
    if (rle.empty() || rle.size() % 3 != 0)
        return false;
    std::size_t pixels = 0;
    for (std::size_t i = 0; i < rle.size(); i += 3) {
        if (rle[i] == 0)
            return false;
        pixels += rle[i];
    }
    return pixels == width * height;
}

std::optional<SerialPacket> ImageCommands::handle(const SerialPacket& command) {
    switch (command.code) {
    case cmdSendImageCount: {
        if (!command.payload.empty())
            return reply(command, respBadSize);
        Bytes count;
        sim::appendUint16(count, static_cast<std::uint16_t>(memory_.imageCount()));
        return reply(command, respImageCount, std::move(count));
    }
    case cmdSendImageNames:
        return imageName(command);
    case cmdSendImageMeta:
        return imageMetadata(command);
    case cmdSendImageData:
        return imageData(command);
    case cmdImageMetaBegin:
    case cmdImageMetaChunk:
    case cmdImageMetaSave:
    case cmdImageDataBegin:
    case cmdImageDataChunk:
    case cmdImageDataSave:
        return uploadStep(command);
    default:
        return std::nullopt;
    }
}

const StoredImage* ImageCommands::storedImage(const Bytes& payload) const {
    const int slot = sim::readUint16(payload);
    if (slot < 1 || slot > simImageSlotCount)
        return nullptr;
    const auto& image = memory_.image(slot);
    return image ? &*image : nullptr;
}

SerialPacket ImageCommands::imageName(const SerialPacket& command) {
    if (command.payload.size() != 2)
        return reply(command, respBadSize);
    const StoredImage* image = storedImage(command.payload);
    if (!image)
        return reply(command, respFail);
    const std::string name = image->name();
    return reply(command, respImageName, Bytes(name.begin(), name.end()));
}

SerialPacket ImageCommands::imageMetadata(const SerialPacket& command) {
    if (command.payload.size() != 2)
        return reply(command, respBadSize);
    const StoredImage* image = storedImage(command.payload);
    if (!image)
        return reply(command, respFail);
    Bytes answer(metadataAnswerSize, 0);
    const std::string name = image->name();
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 31), answer.begin());
    answer[32] = image->width();
    answer[33] = image->height();
    const auto size = static_cast<std::uint32_t>(image->data.size());
    for (std::size_t i = 0; i < 4; ++i)
        answer[34 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    return reply(command, respImageMeta, std::move(answer));
}

SerialPacket ImageCommands::imageData(const SerialPacket& command) {
    if (command.payload.size() != 4)
        return reply(command, respBadSize);
    const StoredImage* image = storedImage(command.payload);
    const std::size_t offset = sim::readUint16(command.payload, 2);
    if (!image || offset >= image->data.size())
        return reply(command, respFail);
    const std::size_t length =
        std::min(std::max<std::size_t>(config_.imagePieceSize, 1), image->data.size() - offset);
    Bytes answer;
    answer.reserve(length + 2);
    sim::appendUint16(answer, static_cast<std::uint16_t>(offset));
    answer.insert(answer.end(), image->data.begin() + static_cast<std::ptrdiff_t>(offset),
                  image->data.begin() + static_cast<std::ptrdiff_t>(offset + length));
    return reply(command, respImageData, std::move(answer));
}

SerialPacket ImageCommands::uploadStep(const SerialPacket& command) {
    const Bytes& payload = command.payload;
    switch (command.code) {
    case cmdImageMetaBegin:
        if (payload.size() != 2 || sim::readUint16(payload) != itemMetadataSize)
            return reply(command, respBadSize);
        // The device chooses the slot; without one there is nothing to upload into.
        if (!memory_.firstFreeImageSlot())
            return reply(command, respFail);
        step_ = UploadStep::Metadata;
        metadata_.clear();
        data_.clear();
        return reply(command, respAck);
    case cmdImageMetaChunk:
        if (step_ != UploadStep::Metadata)
            return reply(command, respFail);
        if (payload.empty() || payload.size() > maximumChunk ||
            metadata_.size() + payload.size() > itemMetadataSize)
            return reply(command, respBadSize);
        metadata_.insert(metadata_.end(), payload.begin(), payload.end());
        return reply(command, respAck);
    case cmdImageMetaSave: {
        if (step_ != UploadStep::Metadata)
            return reply(command, respFail);
        if (!payload.empty() || metadata_.size() != itemMetadataSize)
            return reply(command, respBadSize);
        const StoredImage probe{metadata_, {}};
        const std::uint32_t size = probe.declaredDataSize();
        if (probe.width() == 0 || probe.width() > screenWidth || probe.height() == 0 ||
            probe.height() > screenHeight || size == 0 || size > maximumImageDataSize ||
            size % 3 != 0) {
            step_ = UploadStep::None;
            return reply(command, respFail);
        }
        step_ = UploadStep::MetadataSaved;
        return reply(command, respDone);
    }
    case cmdImageDataBegin:
        if (step_ != UploadStep::MetadataSaved)
            return reply(command, respFail);
        if (payload.size() != 2 ||
            sim::readUint16(payload) != StoredImage{metadata_, {}}.declaredDataSize())
            return reply(command, respBadSize);
        dataSize_ = sim::readUint16(payload);
        data_.clear();
        step_ = UploadStep::Data;
        return reply(command, respAck);
    case cmdImageDataChunk:
        if (step_ != UploadStep::Data)
            return reply(command, respFail);
        if (payload.empty() || payload.size() > maximumChunk ||
            data_.size() + payload.size() > dataSize_)
            return reply(command, respBadSize);
        data_.insert(data_.end(), payload.begin(), payload.end());
        return reply(command, respAck);
    case cmdImageDataSave: {
        if (step_ != UploadStep::Data)
            return reply(command, respFail);
        if (!payload.empty() || data_.size() != dataSize_)
            return reply(command, respBadSize);
        step_ = UploadStep::None;
        StoredImage image{std::move(metadata_), std::move(data_)};
        metadata_.clear();
        data_.clear();
        const auto slot = memory_.firstFreeImageSlot();
        if (!slot || !rleCoversImage(image.data, image.width(), image.height()))
            return reply(command, respFail);
        memory_.setImage(*slot, std::move(image));
        return reply(command, respDone);
    }
    default:
        return reply(command, respFail);
    }
}

} // namespace norix::sim
