// Upload of a new image: a 128-byte metadata block, then the compressed data,
// each in 48-byte chunks that the Norix appends in the order received. The
// Norix chooses the slot; the name list read afterwards shows which.

#include "core/images/ImageSlotConversation.h"
#include "core/images/NorixImage.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"

#include <algorithm>
#include <limits>

namespace norix {
namespace {

struct UploadStepText {
    std::uint8_t code;
    const char* status;
    const char* operation; // completes "Norix did not respond while {operation}."
};

UploadStepText stepText(ImageUploadStep step) {
    switch (step) {
    case ImageUploadStep::waitingForMetaBegin:
        return {cmdImageMetaBegin, "Preparing the next image slot\u2026",
                "starting the image metadata upload"};
    case ImageUploadStep::waitingForMetaChunk:
        return {cmdImageMetaChunk, "Uploading image metadata\u2026", "uploading image metadata"};
    case ImageUploadStep::waitingForMetaSave:
        return {cmdImageMetaSave, "Saving image metadata\u2026", "saving image metadata"};
    case ImageUploadStep::waitingForDataBegin:
        return {cmdImageDataBegin, "Preparing image data\u2026", "starting the image-data upload"};
    case ImageUploadStep::waitingForDataChunk:
        return {cmdImageDataChunk, "", "uploading image data"};
    case ImageUploadStep::waitingForDataSave:
    case ImageUploadStep::idle:
        break;
    }
    return {cmdImageDataSave, "Saving image to Norix\u2026", "saving the image"};
}

} // namespace

std::optional<Bytes> makeImageMetadata(const std::string& name, std::int64_t width,
                                       std::int64_t height, std::uint64_t compressedSize) {
    if (width < 0 || width > 255 || height < 0 || height > 255 ||
        compressedSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    Bytes block(imageMetadataSize, 0);
    // Cut by bytes: the Norix keeps at most 31 of them and a terminating zero.
    std::copy_n(name.begin(), std::min(name.size(), maximumImageNameBytes), block.begin() + 2);
    block[34] = static_cast<std::uint8_t>(width);
    block[35] = static_cast<std::uint8_t>(height);
    for (std::size_t i = 0; i < 4; ++i)
        block[36 + i] = static_cast<std::uint8_t>(compressedSize >> (8 * i));
    return block;
}

std::size_t ImageSlotConversation::imageUploadDoneBytes() const {
    if (!isUploadingNorixImage_)
        return 0;
    if (imageUploadStep_ >= ImageUploadStep::waitingForDataBegin)
        return pendingImageUploadMetadata_.size() + pendingImageUploadDataOffset_;
    return pendingImageUploadMetadataOffset_;
}

std::size_t ImageSlotConversation::imageUploadTotalBytes() const {
    return isUploadingNorixImage_
               ? pendingImageUploadMetadata_.size() + pendingImageUploadData_.size()
               : 0;
}

void ImageSlotConversation::uploadNorixImage(const std::string& name, std::int64_t width,
                                             std::int64_t height, const Bytes& compressedData) {
    const auto refuse = [this](const char* message) {
        imageUploadError_ = message;
        changed.emit();
    };
    if (!link_.isConnected())
        return refuse("Norix is not connected.");
    if (isUploadingNorixImage_)
        return refuse("An image upload is already in progress.");
    if (width < 1 || width > screenWidth || height < 1 || height > screenHeight)
        return refuse("The image dimensions are invalid.");
    if (compressedData.empty() || compressedData.size() > maximumCompressedImageBytes ||
        compressedData.size() % 3 != 0)
        return refuse("The compressed image data is invalid.");
    auto metadata = makeImageMetadata(name, width, height, compressedData.size());
    if (!metadata)
        return refuse("Could not create the image metadata.");

    pendingImageUploadMetadata_ = std::move(*metadata);
    pendingImageUploadData_ = compressedData;
    pendingImageUploadMetadataOffset_ = 0;
    pendingImageUploadDataOffset_ = 0;
    imageUploadError_.reset();
    imageUploadStatus_ = "Starting image upload\u2026";
    isUploadingNorixImage_ = true;
    changed.emit();
    sendImageUploadStep(ImageUploadStep::waitingForMetaBegin);
}

void ImageSlotConversation::sendImageUploadStep(ImageUploadStep step) {
    if (step == ImageUploadStep::waitingForMetaChunk &&
        pendingImageUploadMetadataOffset_ >= pendingImageUploadMetadata_.size())
        step = ImageUploadStep::waitingForMetaSave;
    if (step == ImageUploadStep::waitingForDataChunk &&
        pendingImageUploadDataOffset_ >= pendingImageUploadData_.size())
        step = ImageUploadStep::waitingForDataSave;
    if (step == ImageUploadStep::idle)
        step = ImageUploadStep::waitingForDataSave;

    const auto chunkOf = [](const Bytes& buffer, std::size_t offset) {
        const std::size_t end = std::min(offset + imageUploadChunkSize, buffer.size());
        return Bytes(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                     buffer.begin() + static_cast<std::ptrdiff_t>(end));
    };
    const UploadStepText text = stepText(step);
    Bytes payload;
    imageUploadStatus_ = text.status;
    switch (step) {
    case ImageUploadStep::waitingForMetaBegin:
        payload = {static_cast<std::uint8_t>(imageMetadataSize & 0xFF),
                   static_cast<std::uint8_t>(imageMetadataSize >> 8)};
        break;
    case ImageUploadStep::waitingForMetaChunk:
        payload = chunkOf(pendingImageUploadMetadata_, pendingImageUploadMetadataOffset_);
        break;
    case ImageUploadStep::waitingForDataBegin:
        payload = {static_cast<std::uint8_t>(pendingImageUploadData_.size() & 0xFF),
                   static_cast<std::uint8_t>(pendingImageUploadData_.size() >> 8)};
        break;
    case ImageUploadStep::waitingForDataChunk:
        payload = chunkOf(pendingImageUploadData_, pendingImageUploadDataOffset_);
        imageUploadStatus_ = "Uploading image data " +
                             std::to_string(pendingImageUploadDataOffset_ + payload.size()) +
                             " of " + std::to_string(pendingImageUploadData_.size()) + "\u2026";
        break;
    case ImageUploadStep::waitingForMetaSave:
    case ImageUploadStep::waitingForDataSave:
    case ImageUploadStep::idle:
        break;
    }
    imageUploadStep_ = step;
    changed.emit();

    const auto sequence = link_.sendPacket(text.code, payload);
    if (!sequence)
        return failImageUpload("Could not send the image upload packet.");
    pendingImageUploadSequence_ = sequence;
    imageUploadTimeout_.arm(*sequence, [this, operation = std::string(text.operation)] {
        failImageUpload("Norix did not respond while " + operation + ".");
    });
}

bool ImageSlotConversation::handleImageUploadPacket(const SerialPacket& packet) {
    if (!isUploadingNorixImage_ || pendingImageUploadSequence_ != packet.sequence)
        return false;
    imageUploadTimeout_.cancel();
    switch (packet.code) {
    case respAck:
    case respDone:
        continueImageUpload();
        return true;
    case respRetry:
        sendImageUploadStep(imageUploadStep_);
        return true;
    case respBadSize:
        failImageUpload("Norix rejected the image upload size.");
        return true;
    case respFail:
        failImageUpload("Norix reported that the image upload failed.");
        return true;
    default:
        // Not an upload answer: left for others, while the upload keeps waiting
        // (now without a time-out) for one that is.
        return false;
    }
}

void ImageSlotConversation::continueImageUpload() {
    pendingImageUploadSequence_.reset();
    switch (imageUploadStep_) {
    case ImageUploadStep::idle:
        return;
    case ImageUploadStep::waitingForMetaBegin:
        pendingImageUploadMetadataOffset_ = 0;
        return sendImageUploadStep(ImageUploadStep::waitingForMetaChunk);
    case ImageUploadStep::waitingForMetaChunk:
        pendingImageUploadMetadataOffset_ =
            std::min(pendingImageUploadMetadataOffset_ + imageUploadChunkSize,
                     pendingImageUploadMetadata_.size());
        return sendImageUploadStep(ImageUploadStep::waitingForMetaChunk);
    case ImageUploadStep::waitingForMetaSave:
        return sendImageUploadStep(ImageUploadStep::waitingForDataBegin);
    case ImageUploadStep::waitingForDataBegin:
        pendingImageUploadDataOffset_ = 0;
        return sendImageUploadStep(ImageUploadStep::waitingForDataChunk);
    case ImageUploadStep::waitingForDataChunk:
        pendingImageUploadDataOffset_ = std::min(
            pendingImageUploadDataOffset_ + imageUploadChunkSize, pendingImageUploadData_.size());
        return sendImageUploadStep(ImageUploadStep::waitingForDataChunk);
    case ImageUploadStep::waitingForDataSave:
        return completeImageUpload();
    }
}

void ImageSlotConversation::completeImageUpload() {
    clearImageUploadState();
    imageUploadStatus_ = "Image uploaded to Norix.";
    imageUploadError_.reset();
    changed.emit();
    requestImageList();
}

void ImageSlotConversation::failImageUpload(const std::string& message) {
    clearImageUploadState();
    imageUploadError_ = message;
    imageUploadStatus_.clear();
    changed.emit();
    link_.setLastError(message);
}

void ImageSlotConversation::clearImageUploadState(bool keepStatus) {
    imageUploadTimeout_.cancel();
    isUploadingNorixImage_ = false;
    imageUploadStep_ = ImageUploadStep::idle;
    pendingImageUploadSequence_.reset();
    pendingImageUploadMetadata_.clear();
    pendingImageUploadData_.clear();
    pendingImageUploadMetadataOffset_ = 0;
    pendingImageUploadDataOffset_ = 0;
    if (!keepStatus)
        imageUploadStatus_.clear();
}

} // namespace norix
