#include "sim/ImageCommands.h"

#include "core/images/NorixImage.h"
#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

#include <algorithm>

namespace norix::sim {
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

ImageCommands::ImageCommands(NorixMemory& memory, const SimulatorConfig& config)
    : memory_(memory), config_(config),
      upload_(
          {cmdImageMetaBegin, cmdImageMetaChunk, cmdImageMetaSave, cmdImageDataBegin,
           cmdImageDataChunk, cmdImageDataSave},
          {.beginSuffixSize = 0,
           // The device chooses the slot; without one there is nothing to upload into.
           .canBegin = [this](const Bytes&) { return memory_.firstFreeImageSlot().has_value(); },
           .acceptMetadata = [](const Bytes& metadata) -> std::optional<std::size_t> {
               const StoredImage probe{metadata, {}};
               const std::uint32_t size = probe.declaredDataSize();
               if (probe.width() == 0 || probe.width() > screenWidth || probe.height() == 0 ||
                   probe.height() > screenHeight || size == 0 ||
                   size > maximumCompressedImageBytes || size % 3 != 0)
                   return std::nullopt;
               return size;
           },
           .store =
               [this](Bytes metadata, Bytes data) {
                   StoredImage image{std::move(metadata), std::move(data)};
                   const auto slot = memory_.firstFreeImageSlot();
                   if (!slot || !rleCoversImage(image.data, image.width(), image.height()))
                       return false;
                   memory_.setImage(*slot, std::move(image));
                   return true;
               }}) {}

std::optional<SerialPacket> ImageCommands::handle(const SerialPacket& command) {
    switch (command.code) {
    case cmdSendImageCount: {
        if (!command.payload.empty())
            return reply(command, respBadSize);
        return reply(command, respImageCount,
                     littleEndian16(static_cast<std::uint16_t>(memory_.imageCount())));
    }
    case cmdSendImageNames:
        return imageName(command);
    case cmdSendImageMeta:
        return imageMetadata(command);
    case cmdSendImageData:
        return imageData(command);
    default:
        if (upload_.handles(command.code))
            return upload_.receive(command);
        return std::nullopt;
    }
}

const StoredImage* ImageCommands::storedImage(const Bytes& payload) const {
    const int slot = littleEndian16At(payload, 0);
    if (slot < 1 || slot > norixImageSlotCount)
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
    Bytes answer(imageMetaAnswerSize, 0);
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
    const std::size_t offset = littleEndian16At(command.payload, 2);
    if (!image || offset >= image->data.size())
        return reply(command, respFail);
    const std::size_t length =
        std::min(std::max<std::size_t>(config_.imagePieceSize, 1), image->data.size() - offset);
    Bytes answer = littleEndian16(static_cast<std::uint16_t>(offset));
    answer.insert(answer.end(), image->data.begin() + static_cast<std::ptrdiff_t>(offset),
                  image->data.begin() + static_cast<std::ptrdiff_t>(offset + length));
    return reply(command, respImageData, std::move(answer));
}

} // namespace norix::sim
