#pragma once
// Everything a simulated Norix remembers: stored chips, the six font slots,
// image slots 1 to 255 and the settings record. Items keep the bytes exactly as
// they were uploaded; their fields are read from those bytes, so what is read
// back is what was sent. `changed` fires after every modification.

#include "core/chips/ChipDocument.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPacket.h"
#include "core/util/Signal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix::sim {

using SettingsRecord = std::array<std::uint8_t, norixSettingsSize>;

struct StoredChip {
    Bytes metadata; // 128 bytes: the 41 upload bytes, then zeros
    Bytes strings;  // 512 bytes: eight zero-padded slots of 64
    Bytes code;

    std::string name() const;
    std::uint16_t declaredCodeSize() const;
    // The bytes of string slot 0..7 up to its first zero byte.
    Bytes stringBytes(std::size_t index) const;
    bool operator==(const StoredChip&) const = default;
};

struct StoredFont {
    Bytes metadata; // the 128-byte upload block
    Bytes data;     // one byte per glyph column

    std::string name() const;
    std::uint8_t width() const { return metadata[34]; }
    std::uint8_t height() const { return metadata[35]; }
    std::uint8_t glyphCount() const { return metadata[37]; }
    std::uint32_t declaredDataSize() const;
    bool operator==(const StoredFont&) const = default;
};

struct StoredImage {
    Bytes metadata; // the 128-byte upload block
    Bytes data;     // RLE records

    std::string name() const;
    std::uint8_t width() const { return metadata[34]; }
    std::uint8_t height() const { return metadata[35]; }
    std::uint32_t declaredDataSize() const;
    bool operator==(const StoredImage&) const = default;
};

// Builders for content that does not arrive over the link (samples, tests),
// producing the same bytes the application would upload.
StoredChip makeStoredChip(const std::string& name, std::uint16_t chipType, std::uint8_t pins,
                          std::uint8_t imageIndex, const std::vector<std::string>& strings,
                          const Bytes& code);
StoredFont makeStoredFont(const std::string& name, std::uint8_t width, std::uint8_t height,
                          const Bytes& columns);
StoredImage makeStoredImage(const std::string& name, std::uint8_t width, std::uint8_t height,
                            const Bytes& rle);

// The 41-byte chip upload metadata as the application builds it.
Bytes makeChipUploadMetadata(const std::string& name, std::uint16_t chipType, std::uint8_t pins,
                             std::uint8_t imageIndex, std::uint16_t codeSize,
                             std::uint8_t stringCount);
// The 128-byte font or image metadata blocks as the application builds them.
Bytes makeFontMetadataBlock(const std::string& name, std::uint8_t width, std::uint8_t height,
                            std::uint8_t glyphCount, std::uint32_t dataSize);
Bytes makeImageMetadataBlock(const std::string& name, std::uint8_t width, std::uint8_t height,
                             std::uint32_t dataSize);

SettingsRecord defaultSettingsRecord();

// The whole memory as a plain value, for saving and restoring.
struct MemorySnapshot {
    std::vector<StoredChip> chips;
    std::array<std::optional<StoredFont>, norixFontSlotCount> fonts;
    std::vector<std::optional<StoredImage>> images =
        std::vector<std::optional<StoredImage>>(static_cast<std::size_t>(norixImageSlotCount));
    SettingsRecord settings = defaultSettingsRecord();
    bool operator==(const MemorySnapshot&) const = default;
};

class NorixMemory {
public:
    NorixMemory();

    const std::vector<StoredChip>& chips() const { return chips_; }
    const std::optional<StoredFont>& font(std::size_t slot) const { return fonts_.at(slot); }
    // Slot 1..255.
    const std::optional<StoredImage>& image(int slot) const;
    // The record as the device reports it: numFonts counts the used font slots.
    SettingsRecord settings() const;
    std::size_t usedFontSlots() const;
    // Highest used image slot + 1, or 1 when there is none.
    int imageCount() const;
    std::optional<int> firstFreeImageSlot() const;

    enum class StoreResult { appended, replaced, full };
    // A chip of the same name is replaced; otherwise it is appended if there is room.
    StoreResult storeChip(StoredChip chip, std::size_t capacity);
    bool deleteChip(std::size_t index);
    void deleteAllChips();
    void setFont(std::size_t slot, StoredFont font);
    void clearFont(std::size_t slot);
    void setImage(int slot, StoredImage image);
    void clearImage(int slot);
    void setSettingsRecord(const SettingsRecord& record);
    void setSettingByte(std::size_t offset, std::uint8_t value);
    // Empties chips, fonts and images and restores the default settings.
    void clear() { restore(MemorySnapshot{}); }
    MemorySnapshot snapshot() const { return MemorySnapshot{chips_, fonts_, images_, settings_}; }
    // Replaces everything (images must hold 255 entries).
    void restore(MemorySnapshot snapshot);

    Signal<> changed;

private:
    std::vector<StoredChip> chips_;
    std::array<std::optional<StoredFont>, norixFontSlotCount> fonts_;
    std::vector<std::optional<StoredImage>> images_; // index slot - 1
    SettingsRecord settings_;
};

} // namespace norix::sim
