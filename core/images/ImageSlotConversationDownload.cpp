// Download of one image: its metadata first, then the compressed data in the
// pieces the Norix chooses, each requested at the offset reached so far.

#include "core/images/ImageRLE.h"
#include "core/images/ImageSlotConversation.h"
#include "core/images/NorixImage.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/util/ByteOrder.h"
#include "core/util/DiagnosticLog.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <array>

namespace norix {
namespace {

constexpr std::size_t imageNameFieldSize = 32;

} // namespace

void ImageSlotConversation::loadNorixImage(std::int64_t slot) {
    const auto refuse = [this](const char* message) {
        imageLoadError_ = message;
        changed.emit();
    };
    if (!link_.isConnected())
        return refuse("Norix is not connected.");
    if (isLoadingNorixImage_)
        return refuse("An image is already being loaded.");
    if (slot < 1 || slot > norixImageSlotCount)
        return refuse("The selected image slot is invalid.");
    if (static_cast<std::size_t>(slot) > norixImageSlots_.size())
        return refuse("The selected image slot is unavailable.");
    if (norixImageSlots_[static_cast<std::size_t>(slot - 1)].isEmpty())
        return refuse("The selected image slot is empty.");

    clearImageLoadState();
    loadedNorixImage_.reset();
    imageLoadError_.reset();
    imageLoadStatus_ = "Loading metadata for image slot " + std::to_string(slot) + "\u2026";
    isLoadingNorixImage_ = true;
    pendingImageLoadSlot_ = slot;
    imageLoadStep_ = ImageLoadStep::waitingForMetadata;
    changed.emit();
    const auto payload = littleEndian16(static_cast<std::uint16_t>(slot));
    const auto sequence = link_.sendPacket(cmdSendImageMeta, payload);
    if (!sequence) {
        clearImageLoadState();
        imageLoadError_ = "Could not request the image metadata.";
        changed.emit();
        return;
    }
    pendingImageLoadSequence_ = sequence;
    imageLoadTimeout_.arm(*sequence,
                          [this] { failImageLoad("Norix did not return the image metadata."); });
}

bool ImageSlotConversation::handleImageLoadPacket(const SerialPacket& packet) {
    if (!isLoadingNorixImage_ || pendingImageLoadSequence_ != packet.sequence)
        return false;
    switch (packet.code) {
    case respImageMeta:
        if (imageLoadStep_ != ImageLoadStep::waitingForMetadata)
            return false;
        imageLoadTimeout_.cancel();
        acceptImageMetadata(packet.payload);
        return true;
    case respImageData:
        if (imageLoadStep_ != ImageLoadStep::waitingForData)
            return false;
        imageLoadTimeout_.cancel();
        acceptImageData(packet.payload);
        return true;
    case respBadSize:
        imageLoadTimeout_.cancel();
        failImageLoad("Norix rejected the image-load packet size.");
        return true;
    case respFail:
        imageLoadTimeout_.cancel();
        failImageLoad("Norix could not load the selected image.");
        return true;
    case respRetry: {
        const auto slot = pendingImageLoadSlot_;
        clearImageLoadState();
        changed.emit();
        if (slot)
            loadNorixImage(*slot);
        return true;
    }
    default:
        return false;
    }
}

void ImageSlotConversation::acceptImageMetadata(const Bytes& payload) {
    if (payload.size() < imageMetaAnswerSize)
        return failImageLoad("Norix returned invalid image metadata.");
    const auto nameEnd =
        std::find(payload.begin(), payload.begin() + imageNameFieldSize, std::uint8_t{0});
    std::string name(payload.begin(), nameEnd);
    if (!isValidUtf8(name))
        name = "Image";
    const std::int64_t width = payload[32];
    const std::int64_t height = payload[33];
    const std::uint32_t size = littleEndian32At(payload, 34);
    if (width < 1 || width > screenWidth || height < 1 || height > screenHeight)
        return failImageLoad("Norix returned invalid image dimensions.");
    if (size < 1 || size > maximumCompressedImageBytes)
        return failImageLoad("Norix returned an invalid compressed image size.");
    pendingImageName_ = std::move(name);
    pendingImageWidth_ = width;
    pendingImageHeight_ = height;
    pendingImageDataSize_ = size;
    pendingImageLoadSequence_.reset();
    pendingImageDataOffset_ = 0;
    pendingCompressedImageData_.clear();
    requestImageData();
}

void ImageSlotConversation::requestImageData() {
    if (!pendingImageLoadSlot_)
        return failImageLoad("The image slot was lost while loading.");
    if (pendingImageDataOffset_ >= pendingImageDataSize_)
        return completeImageLoad();
    imageLoadStep_ = ImageLoadStep::waitingForData;
    imageLoadStatus_ = "Loading image data " + std::to_string(pendingImageDataOffset_) + " of " +
                       std::to_string(pendingImageDataSize_) + " bytes\u2026";
    changed.emit();
    const auto slot = littleEndian16(static_cast<std::uint16_t>(*pendingImageLoadSlot_));
    const auto offset = littleEndian16(static_cast<std::uint16_t>(pendingImageDataOffset_));
    const std::array<std::uint8_t, 4> payload{slot[0], slot[1], offset[0], offset[1]};
    const auto sequence = link_.sendPacket(cmdSendImageData, payload);
    if (!sequence)
        return failImageLoad("Could not request the next image-data chunk.");
    pendingImageLoadSequence_ = sequence;
    imageLoadTimeout_.arm(
        *sequence, [this] { failImageLoad("Norix did not return the next image-data chunk."); });
}

void ImageSlotConversation::acceptImageData(const Bytes& payload) {
    if (payload.size() < 3)
        return failImageLoad("Norix returned an invalid image-data packet.");
    const std::size_t offset = littleEndian16At(payload, 0);
    if (offset != pendingImageDataOffset_)
        return failImageLoad("Norix returned offset " + std::to_string(offset) +
                             ", but the GUI requested " + std::to_string(pendingImageDataOffset_) +
                             ".");
    const std::size_t length = payload.size() - 2;
    if (pendingCompressedImageData_.size() + length > pendingImageDataSize_)
        return failImageLoad("Norix returned more image data than expected.");
    pendingCompressedImageData_.insert(pendingCompressedImageData_.end(), payload.begin() + 2,
                                       payload.end());
    pendingImageDataOffset_ += length;
    const std::size_t buffered = pendingCompressedImageData_.size();
    logLine("IMAGE CHUNK: offset " + std::to_string(offset) + ", chunk " + std::to_string(length) +
            ", buffer " + std::to_string(buffered) + " / " + std::to_string(pendingImageDataSize_));
    imageLoadStatus_ = "Loading image data " + std::to_string(buffered) + " of " +
                       std::to_string(pendingImageDataSize_) + " bytes\u2026";
    pendingImageLoadSequence_.reset();
    changed.emit();
    if (buffered >= pendingImageDataSize_)
        completeImageLoad();
    else
        requestImageData();
}

void ImageSlotConversation::completeImageLoad() {
    if (!pendingImageLoadSlot_)
        return failImageLoad("The selected image slot was lost.");
    const std::size_t buffered = pendingCompressedImageData_.size();
    if (buffered != pendingImageDataSize_)
        return failImageLoad("The image download was incomplete. Received " +
                             std::to_string(buffered) + " of " +
                             std::to_string(pendingImageDataSize_) + " bytes.");
    auto pixels =
        decompressImageRLE(pendingCompressedImageData_,
                           static_cast<std::size_t>(pendingImageWidth_ * pendingImageHeight_));
    if (!pixels)
        return failImageLoad("The downloaded image contains invalid RLE data.");
    LoadedNorixImage image{*pendingImageLoadSlot_, pendingImageName_,           pendingImageWidth_,
                           pendingImageHeight_,    pendingCompressedImageData_, std::move(*pixels)};
    clearImageLoadState();
    imageLoadStatus_ = "Loaded image from slot " + std::to_string(image.slot) + ".";
    loadedNorixImage_ = std::move(image);
    imageLoadError_.reset();
    changed.emit();
}

void ImageSlotConversation::failImageLoad(const std::string& message) {
    clearImageLoadState();
    imageLoadStatus_.clear();
    imageLoadError_ = message;
    changed.emit();
}

void ImageSlotConversation::clearImageLoadState(bool keepStatus) {
    imageLoadTimeout_.cancel();
    isLoadingNorixImage_ = false;
    imageLoadStep_ = ImageLoadStep::idle;
    pendingImageLoadSequence_.reset();
    pendingImageLoadSlot_.reset();
    pendingImageName_.clear();
    pendingImageWidth_ = 0;
    pendingImageHeight_ = 0;
    pendingImageDataSize_ = 0;
    pendingImageDataOffset_ = 0;
    pendingCompressedImageData_.clear();
    if (!keepStatus)
        imageLoadStatus_.clear();
}

} // namespace norix
