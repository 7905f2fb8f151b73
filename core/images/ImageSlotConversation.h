#pragma once
// The link's conversations about the Norix's image slots: the name list (read
// one slot at a time), the download of one image (metadata, then the
// compressed data piece by piece) and the upload of a new image (128-byte
// metadata block, then the compressed data, 48 bytes a chunk). The three may
// run at once; their answers are told apart by sequence numbers.

#include "core/images/LoadedNorixImage.h"
#include "core/images/NorixImageSlot.h"
#include "core/link/ChunkedUpload.h"
#include "core/link/ResponseTimeout.h"
#include "core/link/RouteOrder.h"
#include "core/link/SerialPacket.h"
#include "core/util/Signal.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

class SerialPortManager;

// Where image answers sit in the routing order (the whole order: NorixConnection.h).
inline constexpr RouteOrder imageLoadRoute = 10;
inline constexpr RouteOrder imageUploadRoute = 11;
inline constexpr RouteOrder imageListRoute = 12;

enum class ImageLoadStep { idle, waitingForMetadata, waitingForData };

// The 128-byte block that opens an upload; nothing when a value does not fit its field.
std::optional<Bytes> makeImageMetadata(const std::string& name, std::int64_t width,
                                       std::int64_t height, std::uint64_t compressedSize);

class ImageSlotConversation {
public:
    // Registers at the link's image routes and lifecycle hooks.
    explicit ImageSlotConversation(SerialPortManager& link);
    ImageSlotConversation(const ImageSlotConversation&) = delete;
    ImageSlotConversation& operator=(const ImageSlotConversation&) = delete;

    const std::vector<NorixImageSlot>& norixImageSlots() const { return norixImageSlots_; }
    bool isLoadingImageList() const { return isLoadingImageList_; }
    const std::string& imageListStatus() const { return imageListStatus_; }
    const std::optional<std::string>& imageListError() const { return imageListError_; }
    // One past the last slot the list reads: names are asked for slots 1 up to it.
    std::int64_t imageNameRequestLimit() const { return imageNameRequestLimit_; }

    const std::optional<LoadedNorixImage>& loadedNorixImage() const { return loadedNorixImage_; }
    bool isLoadingNorixImage() const { return isLoadingNorixImage_; }
    const std::string& imageLoadStatus() const { return imageLoadStatus_; }
    const std::optional<std::string>& imageLoadError() const { return imageLoadError_; }
    ImageLoadStep imageLoadStep() const { return imageLoadStep_; }
    // Compressed bytes received so far and expected (0 until the metadata came).
    std::size_t imageLoadDoneBytes() const { return pendingCompressedImageData_.size(); }
    std::size_t imageLoadTotalBytes() const { return pendingImageDataSize_; }

    bool isUploadingNorixImage() const { return upload_.isUploading(); }
    const std::string& imageUploadStatus() const { return upload_.status(); }
    const std::optional<std::string>& imageUploadError() const { return upload_.error(); }
    ChunkedUploadStep imageUploadStep() const { return upload_.step(); }
    const ChunkedUpload& imageUpload() const { return upload_; }
    // Metadata and compressed bytes accepted so far, and their total.
    std::size_t imageUploadDoneBytes() const { return upload_.doneBytes(); }
    std::size_t imageUploadTotalBytes() const { return upload_.totalBytes(); }

    Signal<> changed;

    void requestImageList();
    void loadNorixImage(std::int64_t slot);
    void uploadNorixImage(const std::string& name, std::int64_t width, std::int64_t height,
                          const Bytes& compressedData);
    void clearCachedNorixImages();

    bool handleImageLoadPacket(const SerialPacket& packet);
    bool handleImageUploadPacket(const SerialPacket& packet);
    bool handleImageListPacket(const SerialPacket& packet);

private:
    // Name list (ImageSlotConversation.cpp).
    void requestNextImageName();
    void finishImageList();
    void endImageList(std::optional<std::string> error);
    void setSlotName(std::int64_t slot, std::optional<std::string> name);
    void resetForDisconnect();

    // Download (ImageSlotConversationDownload.cpp).
    void acceptImageMetadata(const Bytes& payload);
    void acceptImageData(const Bytes& payload);
    void requestImageData();
    void completeImageLoad();
    void failImageLoad(const std::string& message);
    void clearImageLoadState(bool keepStatus = false);

    SerialPortManager& link_;
    std::vector<NorixImageSlot> norixImageSlots_ = NorixImageSlot::emptySlots();

    bool isLoadingImageList_ = false;
    std::string imageListStatus_;
    std::optional<std::string> imageListError_;
    std::optional<std::uint8_t> pendingImageListSequence_;
    std::optional<std::int64_t> pendingImageNameIndex_;
    std::int64_t nextImageNameIndex_ = 1;
    std::int64_t imageNameRequestLimit_ = 1;

    std::optional<LoadedNorixImage> loadedNorixImage_;
    bool isLoadingNorixImage_ = false;
    std::string imageLoadStatus_;
    std::optional<std::string> imageLoadError_;
    ImageLoadStep imageLoadStep_ = ImageLoadStep::idle;
    std::optional<std::uint8_t> pendingImageLoadSequence_;
    std::optional<std::int64_t> pendingImageLoadSlot_;
    std::string pendingImageName_;
    std::int64_t pendingImageWidth_ = 0;
    std::int64_t pendingImageHeight_ = 0;
    std::size_t pendingImageDataSize_ = 0;
    std::size_t pendingImageDataOffset_ = 0;
    Bytes pendingCompressedImageData_;
    ResponseTimeout imageLoadTimeout_;

    ChunkedUpload upload_;
};

} // namespace norix
