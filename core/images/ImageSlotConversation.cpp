#include "core/images/ImageSlotConversation.h"

#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/util/ByteOrder.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <array>

namespace norix {

ImageSlotConversation::ImageSlotConversation(SerialPortManager& link)
    : link_(link), imageLoadTimeout_(link.loop(), [this] { return pendingImageLoadSequence_; }),
      upload_(link.loop(),
              [&link](std::uint8_t code, std::span<const std::uint8_t> payload) {
                  return link.sendPacket(code, payload);
              },
              {.changed = [this] { changed.emit(); },
               .failed = [this](const std::string& message, bool) { link_.setLastError(message); },
               .completed = [this] { requestImageList(); }}) {
    link.setRoute(imageLoadRoute,
                  [this](const SerialPacket& packet) { return handleImageLoadPacket(packet); });
    link.setRoute(imageUploadRoute,
                  [this](const SerialPacket& packet) { return handleImageUploadPacket(packet); });
    link.setRoute(imageListRoute,
                  [this](const SerialPacket& packet) { return handleImageListPacket(packet); });
    link.addLifecycleHooks({.opened = [this] { requestImageList(); },
                            .reconnected = {},
                            .closed = [this] { resetForDisconnect(); }});
}

void ImageSlotConversation::clearCachedNorixImages() {
    norixImageSlots_ = NorixImageSlot::emptySlots();
    changed.emit();
}

// ---- Name list ----

void ImageSlotConversation::requestImageList() {
    if (!link_.isConnected() || isLoadingImageList_)
        return;
    norixImageSlots_ = NorixImageSlot::emptySlots();
    imageListError_.reset();
    imageListStatus_ = "Loading Norix images\u2026";
    isLoadingImageList_ = true;
    pendingImageNameIndex_.reset();
    nextImageNameIndex_ = 1;
    imageNameRequestLimit_ = 1;
    changed.emit();
    const auto sequence = link_.sendPacket(cmdSendImageCount);
    if (!sequence) {
        endImageList("Could not request the image count from Norix.");
        return;
    }
    pendingImageListSequence_ = sequence;
}

void ImageSlotConversation::requestNextImageName() {
    if (nextImageNameIndex_ >= imageNameRequestLimit_ || nextImageNameIndex_ > norixImageSlotCount)
        return finishImageList();
    const std::int64_t index = nextImageNameIndex_++;
    imageListStatus_ = "Loading image " + std::to_string(index) + " of " +
                       std::to_string(std::max<std::int64_t>(1, imageNameRequestLimit_ - 1)) +
                       "\u2026";
    changed.emit();
    const Bytes payload = littleEndian16(static_cast<std::uint16_t>(index));
    const auto sequence = link_.sendPacket(cmdSendImageNames, payload);
    if (!sequence) {
        endImageList("Could not request image slot " + std::to_string(index) + ".");
        return;
    }
    pendingImageListSequence_ = sequence;
    pendingImageNameIndex_ = index;
}

void ImageSlotConversation::finishImageList() {
    pendingImageListSequence_.reset();
    pendingImageNameIndex_.reset();
    isLoadingImageList_ = false;
    imageListStatus_ = "Norix image list loaded.";
    imageListError_.reset();
    changed.emit();
}

void ImageSlotConversation::endImageList(std::optional<std::string> error) {
    pendingImageListSequence_.reset();
    pendingImageNameIndex_.reset();
    isLoadingImageList_ = false;
    imageListStatus_.clear();
    imageListError_ = std::move(error);
    changed.emit();
}

void ImageSlotConversation::setSlotName(std::int64_t slot, std::optional<std::string> name) {
    if (slot < 1 || static_cast<std::size_t>(slot) > norixImageSlots_.size())
        return;
    norixImageSlots_[static_cast<std::size_t>(slot - 1)].name = std::move(name);
    changed.emit();
}

bool ImageSlotConversation::handleImageListPacket(const SerialPacket& packet) {
    if (!pendingImageListSequence_ || *pendingImageListSequence_ != packet.sequence)
        return false;
    const Bytes& payload = packet.payload;
    switch (packet.code) {
    case respImageCount:
        // The count answers the first request only; a name request is not answered by it.
        if (pendingImageNameIndex_)
            return true;
        if (payload.size() < 2) {
            endImageList("Norix returned an invalid image count.");
            return true;
        }
        imageNameRequestLimit_ =
            std::min<std::int64_t>(std::max<std::int64_t>(littleEndian16At(payload, 0), 1), 256);
        nextImageNameIndex_ = 1;
        pendingImageListSequence_.reset();
        requestNextImageName();
        return true;
    case respImageName: {
        if (!pendingImageNameIndex_)
            return true;
        const auto end = std::find(payload.begin(), payload.end(), std::uint8_t{0});
        std::string name(payload.begin(), end);
        const std::int64_t slot = *pendingImageNameIndex_;
        pendingImageListSequence_.reset();
        pendingImageNameIndex_.reset();
        if (!name.empty() && isValidUtf8(name))
            setSlotName(slot, std::move(name));
        else
            setSlotName(slot, std::nullopt);
        requestNextImageName();
        return true;
    }
    case respFail:
        if (pendingImageNameIndex_) {
            // An empty slot: the list goes on with the next one.
            const std::int64_t slot = *pendingImageNameIndex_;
            pendingImageListSequence_.reset();
            pendingImageNameIndex_.reset();
            setSlotName(slot, std::nullopt);
            requestNextImageName();
        } else {
            // The Norix could not count its images: there are none to list.
            finishImageList();
        }
        return true;
    default:
        return false;
    }
}

// ---- Disconnect ----

void ImageSlotConversation::resetForDisconnect() {
    norixImageSlots_ = NorixImageSlot::emptySlots();
    pendingImageListSequence_.reset();
    pendingImageNameIndex_.reset();
    nextImageNameIndex_ = 1;
    imageNameRequestLimit_ = 1;
    isLoadingImageList_ = false;
    imageListStatus_.clear();
    imageListError_.reset();

    clearImageLoadState();
    loadedNorixImage_.reset();
    imageLoadError_.reset();

    upload_.abandon("Image upload stopped because Norix disconnected.");
    changed.emit();
}

} // namespace norix
