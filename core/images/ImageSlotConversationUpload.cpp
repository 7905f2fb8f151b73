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

const ChunkedUploadTexts uploadTexts{
    .steps = {{{cmdImageMetaBegin, "Preparing the next image slot\u2026",
                "starting the image metadata upload", "Could not send the image upload packet."},
               {cmdImageMetaChunk, "Uploading image metadata\u2026", "uploading image metadata",
                "Could not send the image upload packet."},
               {cmdImageMetaSave, "Saving image metadata\u2026", "saving image metadata",
                "Could not send the image upload packet."},
               {cmdImageDataBegin, "Preparing image data\u2026", "starting the image-data upload",
                "Could not send the image upload packet."},
               {cmdImageDataChunk, "Uploading image data", "uploading image data",
                "Could not send the image upload packet."},
               {cmdImageDataSave, "Saving image to Norix\u2026", "saving the image",
                "Could not send the image upload packet."}}},
    .starting = "Starting image upload\u2026",
    .completed = "Image uploaded to Norix.",
    .badSize = "Norix rejected the image upload size.",
    .failed = "Norix reported that the image upload failed.",
    .failureIsStatus = false,
};

} // namespace

std::optional<Bytes> makeImageMetadata(const std::string& name, std::int64_t width,
                                       std::int64_t height, std::uint64_t compressedSize) {
    if (width < 0 || width > 255 || height < 0 || height > 255 ||
        compressedSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    Bytes block(chunkedUploadMetadataSize, 0);
    // Cut by bytes: the Norix keeps at most 31 of them and a terminating zero.
    std::copy_n(name.begin(), std::min(name.size(), maximumImageNameBytes), block.begin() + 2);
    block[34] = static_cast<std::uint8_t>(width);
    block[35] = static_cast<std::uint8_t>(height);
    for (std::size_t i = 0; i < 4; ++i)
        block[36 + i] = static_cast<std::uint8_t>(compressedSize >> (8 * i));
    return block;
}

void ImageSlotConversation::uploadNorixImage(const std::string& name, std::int64_t width,
                                             std::int64_t height, const Bytes& compressedData) {
    const auto refuse = [this](const char* message) { upload_.refuse(message); };
    if (!link_.isConnected())
        return refuse("Norix is not connected.");
    if (upload_.isUploading())
        return refuse("An image upload is already in progress.");
    if (width < 1 || width > screenWidth || height < 1 || height > screenHeight)
        return refuse("The image dimensions are invalid.");
    if (compressedData.empty() || compressedData.size() > maximumCompressedImageBytes ||
        compressedData.size() % 3 != 0)
        return refuse("The compressed image data is invalid.");
    auto metadata = makeImageMetadata(name, width, height, compressedData.size());
    if (!metadata)
        return refuse("Could not create the image metadata.");

    upload_.start(uploadTexts, {}, std::move(*metadata), compressedData);
}

bool ImageSlotConversation::handleImageUploadPacket(const SerialPacket& packet) {
    return upload_.handlePacket(packet);
}

} // namespace norix
