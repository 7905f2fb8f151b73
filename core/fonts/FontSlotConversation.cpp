#include "core/fonts/FontSlotConversation.h"

#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/util/DiagnosticLog.h"
#include "core/util/UnicodeText.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace norix {
namespace {

constexpr std::size_t fontMetaResponseMinimum = 40;
constexpr std::size_t fontNameOffset = 8;
constexpr std::size_t fontNameFieldEnd = 40;
constexpr std::size_t maximumNameBytes = 31;

struct UploadStepText {
    std::uint8_t code;
    const char* operation;   // completes "Norix did not respond while {operation}."
    const char* sendFailure; // the step could not be written
};

UploadStepText stepText(FontUploadStep step) {
    switch (step) {
    case FontUploadStep::waitingForMetaBegin:
        return {cmdFontMetaBegin, "starting the font metadata upload",
                "Could not send FONT_META_BEGIN."};
    case FontUploadStep::waitingForMetaChunk:
        return {cmdFontMetaChunk, "uploading font metadata", "Could not send FONT_META_CHUNK."};
    case FontUploadStep::waitingForMetaSave:
        return {cmdFontMetaSave, "saving font metadata", "Could not send FONT_META_SAVE."};
    case FontUploadStep::waitingForDataBegin:
        return {cmdFontDataBegin, "starting the font-data upload",
                "Could not send FONT_DATA_BEGIN."};
    case FontUploadStep::waitingForDataChunk:
        return {cmdFontDataChunk, "uploading font data", "Could not send FONT_DATA_CHUNK."};
    case FontUploadStep::waitingForDataSave:
    case FontUploadStep::idle:
        break;
    }
    return {cmdFontDataSave, "saving the font", "Could not send FONT_DATA_SAVE."};
}

std::string decodeSlotName(std::span<const std::uint8_t> payload) {
    const auto field = payload.subspan(fontNameOffset, fontNameFieldEnd - fontNameOffset);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    std::string name(field.begin(), end);
    // Bytes that are not UTF-8 cannot be shown as a name: the slot counts as empty.
    return isValidUtf8(name) ? name : std::string();
}

} // namespace

std::optional<Bytes> makeFontMetadata(const std::string& name, std::int64_t width,
                                      std::int64_t height, std::int64_t glyphCount,
                                      std::uint64_t dataSize) {
    const auto fitsByte = [](std::int64_t value) { return value >= 0 && value <= 255; };
    if (!fitsByte(width) || !fitsByte(height) || !fitsByte(glyphCount) ||
        dataSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    Bytes block(fontMetadataSize, 0);
    // The name is cut by bytes, not characters: the Norix reads at most 31 of them.
    const std::size_t nameLength = std::min(name.size(), maximumNameBytes);
    std::copy_n(name.begin(), nameLength, block.begin() + 2);
    block[34] = static_cast<std::uint8_t>(width);
    block[35] = static_cast<std::uint8_t>(height);
    block[36] = static_cast<std::uint8_t>(width);
    block[37] = static_cast<std::uint8_t>(glyphCount);
    for (int i = 0; i < 4; ++i)
        block[40 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(dataSize >> (8 * i));
    return block;
}

FontSlotConversation::FontSlotConversation(SerialPortManager& link)
    : link_(link), responseTimeout_(link.loop(), [this] { return pendingFontSequence_; }),
      fontDeleteTimeout_(link.loop(), [this] { return pendingFontDeleteSequence_; }) {
    link.setRoute(LinkRoute::FontDelete,
                  [this](const SerialPacket& packet) { return handleFontDeletePacket(packet); });
    link.setRoute(LinkRoute::FontUpload,
                  [this](const SerialPacket& packet) { return handleFontUploadPacket(packet); });
    link.setRoute(LinkRoute::FontList,
                  [this](const SerialPacket& packet) { return handleFontPacket(packet); });
    link.addLifecycleHooks({.opened = [this] { requestFontList(); },
                            .reconnected = [this] { requestFontList(); },
                            .closed = [this] { resetForDisconnect(); }});
}

std::size_t FontSlotConversation::fontUploadDoneBytes() const {
    if (!isUploadingFont_)
        return 0;
    if (fontUploadStep_ >= FontUploadStep::waitingForDataBegin)
        return pendingFontMetadata_.size() + pendingDataOffset_;
    return pendingMetadataOffset_;
}

std::size_t FontSlotConversation::fontUploadTotalBytes() const {
    return isUploadingFont_ ? pendingFontMetadata_.size() + pendingFontData_.size() : 0;
}

// ---- Slot list ----

void FontSlotConversation::requestFontList() {
    if (!link_.isConnected())
        return;
    norixFontSlots_ = NorixFontSlot::emptySlots();
    changed.emit();
    for (int slot = 0; slot < norixFontSlotCount; ++slot)
        requestFontMetadata(slot);
}

void FontSlotConversation::requestFontMetadata(std::int64_t slot) {
    if (!link_.isConnected() || slot < 0 || slot >= norixFontSlotCount)
        return;
    logLine("Requesting font slot " + std::to_string(slot));
    const Bytes payload{static_cast<std::uint8_t>(slot)};
    // Answers carry their slot, so no sequence is remembered and nothing times out.
    if (link_.sendPacket(cmdSendFontMeta, payload)) {
        awaitingFontSlot_[static_cast<std::size_t>(slot)] = true;
        changed.emit();
    }
}

void FontSlotConversation::clearCachedNorixFonts() {
    norixFontSlots_ = NorixFontSlot::emptySlots();
    changed.emit();
}

void FontSlotConversation::setSlot(std::size_t slot, NorixFontSlot record) {
    if (slot < awaitingFontSlot_.size())
        awaitingFontSlot_[slot] = false;
    if (slot < norixFontSlots_.size())
        norixFontSlots_[slot] = std::move(record);
    changed.emit();
}

bool FontSlotConversation::isLoadingFontList() const {
    return std::find(awaitingFontSlot_.begin(), awaitingFontSlot_.end(), true) !=
           awaitingFontSlot_.end();
}

bool FontSlotConversation::handleFontPacket(const SerialPacket& packet) {
    const Bytes& payload = packet.payload;
    if (packet.code == respFontMeta) {
        if (payload.size() < fontMetaResponseMinimum) {
            logLine("Invalid font metadata response: " + std::to_string(payload.size()) + " bytes");
            return true;
        }
        const std::size_t slot = payload[0];
        if (slot >= static_cast<std::size_t>(norixFontSlotCount)) {
            logLine("Invalid font slot " + std::to_string(slot));
            return true;
        }
        std::string name = decodeSlotName(payload);
        if (name.empty()) {
            logLine("Font slot " + std::to_string(slot) + " returned an empty name");
            setSlot(slot, NorixFontSlot(static_cast<std::int64_t>(slot)));
            return true;
        }
        logLine("Loaded font slot " + std::to_string(slot) + ": " + name + ", " +
                std::to_string(payload[1]) + "x" + std::to_string(payload[2]) + ", " +
                std::to_string(payload[3]) + " glyphs");
        setSlot(slot, NorixFontSlot(static_cast<std::int64_t>(slot), std::move(name), payload[1],
                                    payload[2], payload[3]));
        return true;
    }
    if (packet.code == respFontEmpty) {
        if (payload.empty()) {
            logLine("Invalid empty-font response");
            return true;
        }
        const std::size_t slot = payload[0];
        if (slot >= static_cast<std::size_t>(norixFontSlotCount)) {
            logLine("Invalid empty font slot " + std::to_string(slot));
            return true;
        }
        logLine("Font slot " + std::to_string(slot) + " is empty");
        setSlot(slot, NorixFontSlot(static_cast<std::int64_t>(slot)));
        return true;
    }
    return false;
}

// ---- Upload ----

void FontSlotConversation::uploadFont(const std::string& name, std::int64_t width,
                                      std::int64_t height,
                                      const std::vector<std::uint64_t>& columns,
                                      std::int64_t slot) {
    const auto refuse = [this](const char* message) {
        fontUploadError_ = message;
        changed.emit();
    };
    if (!link_.isConnected())
        return refuse("Norix is not connected.");
    if (isUploadingFont_)
        return refuse("A font upload is already in progress.");
    if (slot < 0 || slot >= norixFontSlotCount)
        return refuse("The selected font slot is invalid.");
    if (width < 1 || width > 255)
        return refuse("The font width is invalid.");
    if (height < 1 || height > 8)
        return refuse("Norix fonts must be between 1 and 8 pixels high.");
    if (columns.empty())
        return refuse("The font contains no glyph data.");
    if (columns.size() % static_cast<std::size_t>(width) != 0)
        return refuse("The font data does not contain complete glyphs.");
    if (columns.size() > 65535)
        return refuse("The font contains too much data.");
    Bytes packed;
    packed.reserve(columns.size());
    for (std::uint64_t column : columns)
        packed.push_back(static_cast<std::uint8_t>(column & 0xFF));
    if (packed.size() > 65535)
        return refuse("The packed font data is too large.");
    const auto glyphCount = static_cast<std::int64_t>(columns.size()) / width;
    if (glyphCount < 1 || glyphCount > 255)
        return refuse("The font glyph count is invalid.");
    auto metadata = makeFontMetadata(name, width, height, glyphCount, packed.size());
    if (!metadata)
        return refuse("Could not create the font metadata.");

    pendingFontSlot_ = slot;
    pendingFontMetadata_ = std::move(*metadata);
    pendingFontData_ = std::move(packed);
    pendingMetadataOffset_ = 0;
    pendingDataOffset_ = 0;
    fontUploadError_.reset();
    fontUploadStatus_ = "Starting font upload\u2026";
    isUploadingFont_ = true;
    changed.emit();
    sendUploadStep(FontUploadStep::waitingForMetaBegin);
}

void FontSlotConversation::sendUploadStep(FontUploadStep step) {
    // A chunk step past the end of its buffer is the save that follows it.
    if (step == FontUploadStep::waitingForMetaChunk &&
        pendingMetadataOffset_ >= pendingFontMetadata_.size())
        step = FontUploadStep::waitingForMetaSave;
    if (step == FontUploadStep::waitingForDataChunk &&
        pendingDataOffset_ >= pendingFontData_.size())
        step = FontUploadStep::waitingForDataSave;

    const auto chunkOf = [](const Bytes& buffer, std::size_t offset) {
        const std::size_t end = std::min(offset + fontUploadChunkSize, buffer.size());
        return Bytes(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                     buffer.begin() + static_cast<std::ptrdiff_t>(end));
    };
    Bytes payload;
    switch (step) {
    case FontUploadStep::waitingForMetaBegin:
        payload = {static_cast<std::uint8_t>(fontMetadataSize & 0xFF),
                   static_cast<std::uint8_t>(fontMetadataSize >> 8),
                   static_cast<std::uint8_t>(pendingFontSlot_)};
        fontUploadStatus_ = "Preparing slot " + std::to_string(pendingFontSlot_) + "\u2026";
        break;
    case FontUploadStep::waitingForMetaChunk:
        payload = chunkOf(pendingFontMetadata_, pendingMetadataOffset_);
        fontUploadStatus_ = "Uploading font metadata\u2026";
        break;
    case FontUploadStep::waitingForMetaSave:
        fontUploadStatus_ = "Saving font metadata\u2026";
        break;
    case FontUploadStep::waitingForDataBegin:
        payload = {static_cast<std::uint8_t>(pendingFontData_.size() & 0xFF),
                   static_cast<std::uint8_t>(pendingFontData_.size() >> 8)};
        fontUploadStatus_ = "Preparing font data\u2026";
        break;
    case FontUploadStep::waitingForDataChunk: {
        payload = chunkOf(pendingFontData_, pendingDataOffset_);
        const std::size_t end = pendingDataOffset_ + payload.size();
        fontUploadStatus_ = "Uploading font data " + std::to_string(end) + " of " +
                            std::to_string(pendingFontData_.size()) + "\u2026";
        break;
    }
    case FontUploadStep::waitingForDataSave:
    case FontUploadStep::idle:
        step = FontUploadStep::waitingForDataSave;
        fontUploadStatus_ = "Saving font to slot " + std::to_string(pendingFontSlot_) + "\u2026";
        break;
    }
    fontUploadStep_ = step;
    changed.emit();

    const UploadStepText text = stepText(step);
    const auto sequence = link_.sendPacket(text.code, payload);
    if (!sequence) {
        failFontUpload(text.sendFailure);
        return;
    }
    pendingFontSequence_ = sequence;
    responseTimeout_.arm(*sequence, [this, operation = std::string(text.operation)] {
        failFontUpload("Norix did not respond while " + operation + ".");
        requestFontList();
    });
}

bool FontSlotConversation::handleFontUploadPacket(const SerialPacket& packet) {
    if (!isUploadingFont_ || pendingFontSequence_ != packet.sequence)
        return false;
    responseTimeout_.cancel();
    switch (packet.code) {
    case respAck:
    case respDone:
        continueFontUpload();
        return true;
    case respRetry:
        sendUploadStep(fontUploadStep_);
        return true;
    case respBadSize:
        failFontUpload("Norix rejected the upload size.");
        return true;
    case respFail:
        failFontUpload("Norix reported that the font upload failed.");
        return true;
    default:
        // Not an upload answer: left for others, while the upload keeps waiting
        // (now without a time-out) for one that is.
        return false;
    }
}

void FontSlotConversation::continueFontUpload() {
    pendingFontSequence_.reset();
    switch (fontUploadStep_) {
    case FontUploadStep::idle:
        return;
    case FontUploadStep::waitingForMetaBegin:
        pendingMetadataOffset_ = 0;
        sendUploadStep(FontUploadStep::waitingForMetaChunk);
        return;
    case FontUploadStep::waitingForMetaChunk:
        pendingMetadataOffset_ =
            std::min(pendingMetadataOffset_ + fontUploadChunkSize, pendingFontMetadata_.size());
        sendUploadStep(FontUploadStep::waitingForMetaChunk);
        return;
    case FontUploadStep::waitingForMetaSave:
        sendUploadStep(FontUploadStep::waitingForDataBegin);
        return;
    case FontUploadStep::waitingForDataBegin:
        pendingDataOffset_ = 0;
        sendUploadStep(FontUploadStep::waitingForDataChunk);
        return;
    case FontUploadStep::waitingForDataChunk:
        pendingDataOffset_ =
            std::min(pendingDataOffset_ + fontUploadChunkSize, pendingFontData_.size());
        sendUploadStep(FontUploadStep::waitingForDataChunk);
        return;
    case FontUploadStep::waitingForDataSave:
        completeFontUpload();
        return;
    }
}

void FontSlotConversation::completeFontUpload() {
    const std::int64_t slot = pendingFontSlot_;
    clearUploadState();
    fontUploadStatus_ = "Font uploaded to slot " + std::to_string(slot) + ".";
    changed.emit();
    requestFontMetadata(slot);
}

void FontSlotConversation::failFontUpload(const std::string& message) {
    clearUploadState();
    fontUploadError_ = message;
    fontUploadStatus_ = message;
    changed.emit();
    link_.setLastError(message);
}

void FontSlotConversation::clearUploadState() {
    responseTimeout_.cancel();
    fontUploadStep_ = FontUploadStep::idle;
    pendingFontSequence_.reset();
    pendingFontMetadata_.clear();
    pendingFontData_.clear();
    pendingMetadataOffset_ = 0;
    pendingDataOffset_ = 0;
    isUploadingFont_ = false;
}

// ---- Disconnect ----

void FontSlotConversation::resetForDisconnect() {
    norixFontSlots_ = NorixFontSlot::emptySlots();
    awaitingFontSlot_.fill(false);
    clearDeleteState();
    fontDeleteError_.reset();
    if (isUploadingFont_) {
        clearUploadState();
        fontUploadStatus_ = "Font upload stopped because Norix disconnected.";
    }
    changed.emit();
}

} // namespace norix
