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

constexpr std::size_t fontNameOffset = 8;
constexpr std::size_t fontNameFieldEnd = 40;
constexpr std::size_t maximumNameBytes = 31;

// The slot is named in the texts: the upload goes into the slot the user chose.
ChunkedUploadTexts uploadTexts(std::int64_t slot) {
    const std::string slotText = std::to_string(slot);
    return {.steps = {{{cmdFontMetaBegin, "Preparing slot " + slotText + "\u2026",
                        "starting the font metadata upload", "Could not send FONT_META_BEGIN."},
                       {cmdFontMetaChunk, "Uploading font metadata\u2026",
                        "uploading font metadata", "Could not send FONT_META_CHUNK."},
                       {cmdFontMetaSave, "Saving font metadata\u2026", "saving font metadata",
                        "Could not send FONT_META_SAVE."},
                       {cmdFontDataBegin, "Preparing font data\u2026",
                        "starting the font-data upload", "Could not send FONT_DATA_BEGIN."},
                       {cmdFontDataChunk, "Uploading font data", "uploading font data",
                        "Could not send FONT_DATA_CHUNK."},
                       {cmdFontDataSave, "Saving font to slot " + slotText + "\u2026",
                        "saving the font", "Could not send FONT_DATA_SAVE."}}},
            .starting = "Starting font upload\u2026",
            .completed = "Font uploaded to slot " + slotText + ".",
            .badSize = "Norix rejected the upload size.",
            .failed = "Norix reported that the font upload failed.",
            .failureIsStatus = true};
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
    Bytes block(chunkedUploadMetadataSize, 0);
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
    : link_(link), upload_(link.loop(),
                           [&link](std::uint8_t code, std::span<const std::uint8_t> payload) {
                               return link.sendPacket(code, payload);
                           },
                           {.changed = [this] { changed.emit(); },
                            .failed = [this](const std::string& message,
                                             bool timedOut) { uploadFailed(message, timedOut); },
                            .completed = [this] { requestFontMetadata(pendingFontSlot_); }}),
      fontDeleteTimeout_(link.loop(), [this] { return pendingFontDeleteSequence_; }) {
    link.setRoute(fontDeleteRoute,
                  [this](const SerialPacket& packet) { return handleFontDeletePacket(packet); });
    link.setRoute(fontUploadRoute,
                  [this](const SerialPacket& packet) { return handleFontUploadPacket(packet); });
    link.setRoute(fontListRoute,
                  [this](const SerialPacket& packet) { return handleFontPacket(packet); });
    link.addLifecycleHooks({.opened = [this] { requestFontList(); },
                            .reconnected = [this] { requestFontList(); },
                            .closed = [this] { resetForDisconnect(); }});
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
        if (payload.size() < fontMetaAnswerSize) {
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
    const auto refuse = [this](const char* message) { upload_.refuse(message); };
    if (!link_.isConnected())
        return refuse("Norix is not connected.");
    if (upload_.isUploading())
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
    upload_.start(uploadTexts(slot), {static_cast<std::uint8_t>(slot)}, std::move(*metadata),
                  std::move(packed));
}

void FontSlotConversation::uploadFailed(const std::string& message, bool timedOut) {
    link_.setLastError(message);
    // A slot the Norix stopped answering about may hold half a font: read them all again.
    if (timedOut)
        requestFontList();
}

bool FontSlotConversation::handleFontUploadPacket(const SerialPacket& packet) {
    return upload_.handlePacket(packet);
}

// ---- Disconnect ----

void FontSlotConversation::resetForDisconnect() {
    norixFontSlots_ = NorixFontSlot::emptySlots();
    awaitingFontSlot_.fill(false);
    clearDeleteState();
    fontDeleteError_.reset();
    upload_.abandon("Font upload stopped because Norix disconnected.");
    changed.emit();
}

} // namespace norix
