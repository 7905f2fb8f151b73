#include "sim/NorixMemory.h"

#include "core/util/ByteOrder.h"

#include <algorithm>

namespace norix::sim {
namespace {

// Text stored in a fixed field: the bytes up to the first zero, or the whole field.
std::string fieldText(const Bytes& bytes, std::size_t offset, std::size_t length) {
    if (offset >= bytes.size())
        return {};
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto limit =
        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), offset + length));
    return std::string(begin, std::find(begin, limit, std::uint8_t{0}));
}

// The name field of the font and image blocks: at most 31 bytes and a terminator.
void writeBlockName(Bytes& block, const std::string& name) {
    const std::size_t length = std::min<std::size_t>(name.size(), 31);
    std::copy_n(name.begin(), length, block.begin() + 2);
}

} // namespace

std::string StoredChip::name() const {
    return fieldText(metadata, 2, 32);
}

std::uint16_t StoredChip::declaredCodeSize() const {
    return littleEndian16At(metadata, 38);
}

Bytes StoredChip::stringBytes(std::size_t index) const {
    const std::string text = fieldText(strings, index * chipStringSlotSize, chipStringSlotSize);
    return Bytes(text.begin(), text.end());
}

std::string StoredFont::name() const {
    return fieldText(metadata, 2, 32);
}
std::uint32_t StoredFont::declaredDataSize() const {
    return littleEndian32At(metadata, 40);
}
std::string StoredImage::name() const {
    return fieldText(metadata, 2, 32);
}
std::uint32_t StoredImage::declaredDataSize() const {
    return littleEndian32At(metadata, 36);
}

Bytes makeChipUploadMetadata(const std::string& name, std::uint16_t chipType, std::uint8_t pins,
                             std::uint8_t imageIndex, std::uint16_t codeSize,
                             std::uint8_t stringCount) {
    Bytes metadata(chipUploadMetadataSize, 0);
    putLittleEndian16(metadata, 0, chipMetadataMarker);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 32), metadata.begin() + 2);
    putLittleEndian16(metadata, 34, chipType);
    metadata[36] = pins;
    metadata[37] = imageIndex;
    putLittleEndian16(metadata, 38, codeSize);
    metadata[40] = stringCount;
    return metadata;
}

StoredChip makeStoredChip(const std::string& name, std::uint16_t chipType, std::uint8_t pins,
                          std::uint8_t imageIndex, const std::vector<std::string>& strings,
                          const Bytes& code) {
    StoredChip chip;
    Bytes strBlock(chipStringsSize, 0);
    std::uint8_t nonEmpty = 0;
    for (std::size_t i = 0; i < std::min(strings.size(), chipStringCount); ++i) {
        const std::string& text = strings[i];
        std::copy_n(text.begin(), std::min<std::size_t>(text.size(), chipStringSlotSize - 1),
                    strBlock.begin() + static_cast<std::ptrdiff_t>(i * chipStringSlotSize));
        if (!text.empty())
            ++nonEmpty;
    }
    chip.metadata = makeChipUploadMetadata(name, chipType, pins, imageIndex,
                                           static_cast<std::uint16_t>(code.size()), nonEmpty);
    chip.metadata.resize(chipStoredMetadataSize, 0);
    chip.strings = std::move(strBlock);
    chip.code = code;
    return chip;
}

Bytes makeFontMetadataBlock(const std::string& name, std::uint8_t width, std::uint8_t height,
                            std::uint8_t glyphCount, std::uint32_t dataSize) {
    Bytes block(chunkedUploadMetadataSize, 0);
    writeBlockName(block, name);
    block[34] = width;
    block[35] = height;
    block[36] = width;
    block[37] = glyphCount;
    putLittleEndian32(block, 40, dataSize);
    return block;
}

Bytes makeImageMetadataBlock(const std::string& name, std::uint8_t width, std::uint8_t height,
                             std::uint32_t dataSize) {
    Bytes block(chunkedUploadMetadataSize, 0);
    writeBlockName(block, name);
    block[34] = width;
    block[35] = height;
    putLittleEndian32(block, 36, dataSize);
    return block;
}

StoredFont makeStoredFont(const std::string& name, std::uint8_t width, std::uint8_t height,
                          const Bytes& columns) {
    const auto glyphs = static_cast<std::uint8_t>(width == 0 ? 0 : columns.size() / width);
    return StoredFont{makeFontMetadataBlock(name, width, height, glyphs,
                                            static_cast<std::uint32_t>(columns.size())),
                      columns};
}

StoredImage makeStoredImage(const std::string& name, std::uint8_t width, std::uint8_t height,
                            const Bytes& rle) {
    return StoredImage{
        makeImageMetadataBlock(name, width, height, static_cast<std::uint32_t>(rle.size())), rle};
}

SettingsRecord defaultSettingsRecord() {
    // Celsius, firmware version 1, mid contrast, logo shown at medium speed,
    // LEDs and AUX in their power-on state, font slot 0, temperature limits.
    return SettingsRecord{1, 1, 8, 0, 1, 0, 0, 0, 0, 0, 10, 40, 50, 104};
}

NorixMemory::NorixMemory()
    : images_(static_cast<std::size_t>(norixImageSlotCount)), settings_(defaultSettingsRecord()) {}

const std::optional<StoredImage>& NorixMemory::image(int slot) const {
    return images_.at(static_cast<std::size_t>(slot - 1));
}

SettingsRecord NorixMemory::settings() const {
    SettingsRecord record = settings_;
    record[settingsNumFontsOffset] = static_cast<std::uint8_t>(usedFontSlots());
    return record;
}

std::size_t NorixMemory::usedFontSlots() const {
    return static_cast<std::size_t>(std::count_if(
        fonts_.begin(), fonts_.end(), [](const auto& font) { return font.has_value(); }));
}

int NorixMemory::imageCount() const {
    for (int slot = norixImageSlotCount; slot >= 1; --slot) {
        if (image(slot))
            return slot + 1;
    }
    return 1;
}

std::optional<int> NorixMemory::firstFreeImageSlot() const {
    for (int slot = 1; slot <= norixImageSlotCount; ++slot) {
        if (!image(slot))
            return slot;
    }
    return std::nullopt;
}

NorixMemory::StoreResult NorixMemory::storeChip(StoredChip chip, std::size_t capacity) {
    const std::string name = chip.name();
    auto same = std::find_if(chips_.begin(), chips_.end(),
                             [&](const StoredChip& stored) { return stored.name() == name; });
    if (same != chips_.end()) {
        *same = std::move(chip);
        changed.emit();
        return StoreResult::replaced;
    }
    if (chips_.size() >= capacity)
        return StoreResult::full;
    chips_.push_back(std::move(chip));
    changed.emit();
    return StoreResult::appended;
}

bool NorixMemory::deleteChip(std::size_t index) {
    if (index >= chips_.size())
        return false;
    chips_.erase(chips_.begin() + static_cast<std::ptrdiff_t>(index));
    changed.emit();
    return true;
}

void NorixMemory::deleteAllChips() {
    chips_.clear();
    changed.emit();
}

void NorixMemory::setFont(std::size_t slot, StoredFont font) {
    fonts_.at(slot) = std::move(font);
    changed.emit();
}

void NorixMemory::clearFont(std::size_t slot) {
    fonts_.at(slot).reset();
    changed.emit();
}

void NorixMemory::setImage(int slot, StoredImage image) {
    images_.at(static_cast<std::size_t>(slot - 1)) = std::move(image);
    changed.emit();
}

void NorixMemory::clearImage(int slot) {
    images_.at(static_cast<std::size_t>(slot - 1)).reset();
    changed.emit();
}

void NorixMemory::setSettingsRecord(const SettingsRecord& record) {
    settings_ = record;
    changed.emit();
}

void NorixMemory::setSettingByte(std::size_t offset, std::uint8_t value) {
    settings_.at(offset) = value;
    changed.emit();
}

void NorixMemory::restore(MemorySnapshot snapshot) {
    snapshot.images.resize(static_cast<std::size_t>(norixImageSlotCount));
    chips_ = std::move(snapshot.chips);
    fonts_ = std::move(snapshot.fonts);
    images_ = std::move(snapshot.images);
    settings_ = snapshot.settings;
    changed.emit();
}

} // namespace norix::sim
