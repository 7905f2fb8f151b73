#include "core/chips/ChipUpload.h"

#include "core/chips/ChipText.h"
#include "core/link/ChunkedUpload.h"
#include "core/link/ProtocolCodes.h"
#include "core/util/ByteOrder.h"

#include <algorithm>

namespace norix {
namespace {

std::uint8_t clampedByte(std::int64_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

} // namespace

std::optional<Bytes> buildUploadMetadata(const ChipDocument& chip, std::size_t codeSize) {
    if (codeSize > maximumUploadCodeSize)
        return std::nullopt;
    Bytes metadata(chipUploadMetadataSize, 0);
    putLittleEndian16(metadata, 0, chipMetadataMarker);
    const std::size_t nameLength = std::min<std::size_t>(chip.name.size(), 32);
    std::copy_n(chip.name.begin(), nameLength, metadata.begin() + 2);
    const auto type = static_cast<std::uint16_t>(std::clamp<std::int64_t>(chip.chipType, 0, 65535));
    putLittleEndian16(metadata, 34, type);
    metadata[36] = clampedByte(chip.pinCount);
    metadata[37] = clampedByte(chip.imageIndex);
    putLittleEndian16(metadata, 38, static_cast<std::uint16_t>(codeSize));
    const auto nonEmpty = std::count_if(chip.strings.begin(), chip.strings.end(),
                                        [](const std::string& s) { return !s.empty(); });
    metadata[40] = clampedByte(nonEmpty);
    return metadata;
}

Bytes buildUploadStrings(const std::vector<std::string>& strings) {
    Bytes block(chipStringsSize, 0);
    for (std::size_t slot = 0; slot < chipStringCount && slot < strings.size(); ++slot) {
        const std::string& text = strings[slot];
        const std::size_t length = std::min(text.size(), chipStringSlotSize - 1);
        std::copy_n(text.begin(), length,
                    block.begin() + static_cast<std::ptrdiff_t>(slot * chipStringSlotSize));
    }
    return block;
}

ChipUpload::ChipUpload(SerialPortManager& link, Terminal& terminal)
    : link_(link), terminal_(terminal) {}

bool ChipUpload::isUploading() const {
    return uploadStage_ != NorixUploadStage::idle && uploadStage_ != NorixUploadStage::complete;
}

bool ChipUpload::isStoring() const {
    return uploadStage_ == NorixUploadStage::idle && uploadExpectedSequence_.has_value();
}

void ChipUpload::begin(Bytes metadata, Bytes strings, Bytes code) {
    uploadCodeBytes_ = std::move(code);
    uploadStringBytes_ = std::move(strings);
    uploadStringOffset_ = 0;
    uploadCodeOffset_ = 0;
    uploadStage_ = NorixUploadStage::metadata;
    const std::size_t size = uploadCodeBytes_.size();
    write("Uploading " + std::to_string(size / 16) + " instructions (" + std::to_string(size) +
          " bytes)...");
    changed.emit();
    sendUploadPacket(cmdChipMetadata, std::move(metadata));
}

void ChipUpload::store() {
    uploadStage_ = NorixUploadStage::idle;
    uploadExpectedSequence_.reset();
    write("Saving uploaded chip to Norix...");
    changed.emit();
    sendUploadPacket(cmdSaveChip, {});
}

void ChipUpload::reset() {
    uploadStage_ = NorixUploadStage::idle;
    uploadExpectedSequence_.reset();
    changed.emit();
}

bool ChipUpload::sendUploadPacket(std::uint8_t command, Bytes payload) {
    const auto sequence = link_.sendPacket(command, payload);
    if (!sequence) {
        write(link_.lastError().value_or("Could not send upload packet."));
        fail();
        return false;
    }
    uploadExpectedSequence_ = *sequence;
    uploadLastPayload_ = std::move(payload);
    changed.emit();
    return true;
}

void ChipUpload::fail() {
    uploadStage_ = NorixUploadStage::idle;
    uploadExpectedSequence_.reset();
    changed.emit();
    uploadFailed.emit();
}

bool ChipUpload::handleUploadPacket(const SerialPacket& packet) {
    if (!uploadExpectedSequence_ || *uploadExpectedSequence_ != packet.sequence)
        return false;
    if (packet.code == respRetry) {
        write("Norix requested a retry.");
        retryCurrentUploadPacket();
        return true;
    }
    if (packet.code != respDone) {
        write("Upload failed with response " + hexByte(packet.code) + ".");
        fail();
        return true;
    }
    uploadExpectedSequence_.reset();
    switch (uploadStage_) {
    case NorixUploadStage::metadata:
        uploadStage_ = NorixUploadStage::stringBegin;
        write("Metadata accepted. Uploading strings...");
        sendUploadPacket(cmdChipStringsBegin, {});
        break;
    case NorixUploadStage::stringBegin:
        uploadStringOffset_ = 0;
        sendNextStringChunk();
        break;
    case NorixUploadStage::stringChunk:
        uploadStringOffset_ += uploadLastPayload_.size();
        sendNextStringChunk();
        break;
    case NorixUploadStage::stringEnd:
        uploadStage_ = NorixUploadStage::codeLength;
        write("Strings accepted. Sending code length...");
        sendUploadPacket(cmdChipCodeLength,
                         littleEndian16(static_cast<std::uint16_t>(uploadCodeBytes_.size())));
        break;
    case NorixUploadStage::codeLength:
        uploadCodeOffset_ = 0;
        write("Code length accepted. Uploading code...");
        sendNextCodeChunk();
        break;
    case NorixUploadStage::codeChunk:
        uploadCodeOffset_ += uploadLastPayload_.size();
        sendNextCodeChunk();
        break;
    case NorixUploadStage::complete:
        changed.emit();
        break;
    case NorixUploadStage::idle:
        write("Chip saved successfully.");
        changed.emit();
        chipStored.emit();
        break;
    }
    return true;
}

void ChipUpload::sendNextStringChunk() {
    if (uploadStringOffset_ >= uploadStringBytes_.size()) {
        uploadStage_ = NorixUploadStage::stringEnd;
        sendUploadPacket(cmdChipStringsEnd, {});
        return;
    }
    uploadStage_ = NorixUploadStage::stringChunk;
    sendUploadPacket(cmdChipStringsChunk,
                     chunkAt(uploadStringBytes_, uploadStringOffset_, chipUploadChunkSize));
}

void ChipUpload::sendNextCodeChunk() {
    if (uploadCodeOffset_ >= uploadCodeBytes_.size()) {
        uploadStage_ = NorixUploadStage::complete;
        uploadExpectedSequence_.reset();
        changed.emit();
        uploadCompleted.emit();
        return;
    }
    uploadStage_ = NorixUploadStage::codeChunk;
    sendUploadPacket(cmdChipCodeChunk,
                     chunkAt(uploadCodeBytes_, uploadCodeOffset_, chipUploadChunkSize));
}

void ChipUpload::retryCurrentUploadPacket() {
    std::uint8_t command = 0;
    switch (uploadStage_) {
    case NorixUploadStage::metadata:
        command = cmdChipMetadata;
        break;
    case NorixUploadStage::stringBegin:
        command = cmdChipStringsBegin;
        break;
    case NorixUploadStage::stringChunk:
        command = cmdChipStringsChunk;
        break;
    case NorixUploadStage::stringEnd:
        // The Norix is asked again with the command the step sent first.
        command = cmdChipStringsEnd;
        break;
    case NorixUploadStage::codeLength:
        command = cmdChipCodeLength;
        break;
    case NorixUploadStage::codeChunk:
        command = cmdChipCodeChunk;
        break;
    case NorixUploadStage::idle:
    case NorixUploadStage::complete:
        return;
    }
    sendUploadPacket(command, uploadLastPayload_);
}

} // namespace norix
