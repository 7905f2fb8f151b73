#include "core/chips/NorixChipLoad.h"

#include "core/chips/ChipText.h"
#include "core/language/LoadedCodeFormatter.h"
#include "core/link/ProtocolCodes.h"

#include <algorithm>
#include <cstdio>

namespace norix {
namespace {

// Asks for the next part of the same item.
const Bytes continueMarker = {chipContinueMarker, chipContinueMarker};

Bytes indexBytes(std::size_t index) {
    return littleEndian16(static_cast<std::uint16_t>(index));
}

bool matches(const std::optional<std::uint8_t>& pending, const SerialPacket& packet) {
    return pending && *pending == packet.sequence;
}

} // namespace

std::string cleanLoadedString(const Bytes& bytes) {
    return asciiText(bytesBeforeZero(bytes)).value_or(std::string());
}

NorixChipLoad::NorixChipLoad(SerialPortManager& link, Terminal& terminal, ChipEditor& editor)
    : link_(link), terminal_(terminal), editor_(editor) {}

std::optional<std::uint8_t> NorixChipLoad::send(std::uint8_t command, const Bytes& payload,
                                                std::string_view fallbackMessage) {
    const auto sequence = link_.sendPacket(command, payload);
    if (!sequence)
        write(link_.lastError().value_or(std::string(fallbackMessage)));
    return sequence;
}

void NorixChipLoad::loadSelectedNorixChip(const std::optional<std::size_t>& selection,
                                          const std::vector<std::string>& norixChips) {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (!selection || *selection >= norixChips.size()) {
        write("Select a chip from the Norix list first.");
        return;
    }
    // A second load while the first is still receiving code or strings would
    // mix the two chips in the editor, so it waits for the whole load.
    if (pendingLoadMetadataSequence_ || loadingNorixChipIndex_) {
        write("A chip is already being loaded from Norix.");
        return;
    }
    const std::size_t index = *selection;
    loadingNorixChipIndex_ = index;
    metadataApplied_ = false;
    metadataProblem_.reset();
    loadedNorixMetadata_.clear();
    loadedNorixCodeSize_ = 0;
    const auto sequence = send(cmdLoadChipMetadata, indexBytes(index),
                               "Could not request the selected chip metadata.");
    if (!sequence) {
        loadingNorixChipIndex_.reset();
        changed.emit();
        return;
    }
    pendingLoadMetadataSequence_ = sequence;
    changed.emit();
    write("Loading " + norixChips[index] + " from Norix...");
}

void NorixChipLoad::endLoad(bool reachedEnd) {
    loadingNorixChipIndex_.reset();
    changed.emit();
    loadFinished.emit(reachedEnd && metadataApplied_);
}

void NorixChipLoad::handleMetadata(const SerialPacket& packet) {
    pendingLoadMetadataSequence_.reset();
    if (packet.code != respChipMetadata) {
        loadedNorixMetadata_.clear();
        write("Chip metadata request failed with response " + hexByte(packet.code) + ".");
        endLoad(false);
        return;
    }
    loadedNorixMetadata_.insert(loadedNorixMetadata_.end(), packet.payload.begin(),
                                packet.payload.end());
    if (loadedNorixMetadata_.size() < chipStoredMetadataSize) {
        requestNextNorixMetadataChunk();
        return;
    }
    loadedNorixMetadata_.resize(chipStoredMetadataSize);
    applyLoadedNorixMetadata();
    loadedNorixMetadata_.clear();
    requestLoadedNorixChipCode();
}

void NorixChipLoad::requestNextNorixMetadataChunk() {
    const auto sequence = link_.sendPacket(cmdLoadChipMetadata, continueMarker);
    if (!sequence) {
        loadedNorixMetadata_.clear();
        write(link_.lastError().value_or("Could not continue loading chip metadata."));
        endLoad(false);
        return;
    }
    pendingLoadMetadataSequence_ = sequence;
    changed.emit();
}

void NorixChipLoad::applyLoadedNorixMetadata() {
    if (loadedNorixMetadata_.size() < chipStoredMetadataSize) {
        metadataProblem_ = "Norix returned incomplete chip metadata.";
        write(*metadataProblem_);
        return;
    }
    const std::uint16_t marker = littleEndian16At(loadedNorixMetadata_, 0);
    if (marker != chipMetadataMarker) {
        metadataProblem_ = "Selected chip has invalid metadata marker " + hexWord(marker) + ".";
        write(*metadataProblem_);
        return;
    }
    const std::span<const std::uint8_t> metadata(loadedNorixMetadata_);
    const std::string name = deviceNameText(metadata.subspan(2, 32)).value_or(std::string());
    loadedNorixCodeSize_ = littleEndian16At(loadedNorixMetadata_, 38);
    editor_.setChipName(name);
    editor_.setSelectedType(littleEndian16At(loadedNorixMetadata_, 34));
    editor_.setSelectedPins(loadedNorixMetadata_[36]);
    editor_.setSelectedImage(loadedNorixMetadata_[37]);
    editor_.setChipCode(std::string());
    editor_.setChipStrings({});
    editor_.forgetCurrentFile();
    metadataApplied_ = true;
    write("Loaded metadata for " + name +
          ". Stored code size: " + std::to_string(loadedNorixCodeSize_) + " bytes.");
}

void NorixChipLoad::requestLoadedNorixChipCode() {
    if (!loadingNorixChipIndex_) {
        write("The selected Norix chip index was lost.");
        loadFinished.emit(false);
        return;
    }
    loadedNorixCode_.clear();
    waitingForNorixCodeHeader_ = true;
    const auto sequence = send(cmdLoadChipCode, indexBytes(*loadingNorixChipIndex_),
                               "Could not request the selected chip code.");
    if (!sequence) {
        waitingForNorixCodeHeader_ = false;
        endLoad(false);
        return;
    }
    pendingLoadCodeSequence_ = sequence;
    changed.emit();
}

void NorixChipLoad::handleCode(const SerialPacket& packet) {
    pendingLoadCodeSequence_.reset();
    if (packet.code != respChipCode) {
        waitingForNorixCodeHeader_ = false;
        loadedNorixCode_.clear();
        write("Chip code request failed with response " + hexByte(packet.code) + ".");
        endLoad(false);
        return;
    }
    if (waitingForNorixCodeHeader_) {
        waitingForNorixCodeHeader_ = false;
        if (packet.payload.size() < 2) {
            loadedNorixCode_.clear();
            write("Norix returned an invalid chip code length.");
            endLoad(false);
            return;
        }
        loadedNorixCodeSize_ = littleEndian16At(packet.payload, 0);
        loadedNorixCode_.clear();
        if (loadedNorixCodeSize_ == 0) {
            editor_.setChipCode(std::string());
            write("The selected chip contains no test code.");
            endLoad(true);
            return;
        }
        requestNextNorixCodeChunk();
        return;
    }
    if (packet.payload.empty()) {
        loadedNorixCode_.clear();
        write("Norix stopped sending code before the complete test was received.");
        endLoad(false);
        return;
    }
    const std::size_t missing = loadedNorixCodeSize_ - loadedNorixCode_.size();
    const std::size_t taken = std::min(missing, packet.payload.size());
    loadedNorixCode_.insert(loadedNorixCode_.end(), packet.payload.begin(),
                            packet.payload.begin() + static_cast<std::ptrdiff_t>(taken));
    if (loadedNorixCode_.size() < loadedNorixCodeSize_) {
        changed.emit();
        requestNextNorixCodeChunk();
        return;
    }
    editor_.setChipCode(formatLoadedNorixCode(loadedNorixCode_));
    write("Loaded " + std::to_string(loadedNorixCodeSize_) + " bytes of test code.");
    loadedNorixCode_.clear();
    requestLoadedNorixChipStrings();
}

void NorixChipLoad::requestNextNorixCodeChunk() {
    const auto sequence = link_.sendPacket(cmdLoadChipCode, continueMarker);
    if (!sequence) {
        write(link_.lastError().value_or("Could not continue loading the selected chip code."));
        pendingLoadCodeSequence_.reset();
        loadedNorixCode_.clear();
        endLoad(false);
        return;
    }
    pendingLoadCodeSequence_ = sequence;
    changed.emit();
}

void NorixChipLoad::requestLoadedNorixChipStrings() {
    editor_.setChipStrings({});
    loadingStringIndex_ = 0;
    requestLoadedNorixChipString(0);
}

void NorixChipLoad::requestLoadedNorixChipString(std::size_t index) {
    if (!loadingNorixChipIndex_) {
        write("Lost selected chip while requesting strings.");
        loadFinished.emit(false);
        return;
    }
    Bytes payload = indexBytes(*loadingNorixChipIndex_);
    payload.push_back(static_cast<std::uint8_t>(index));
    const auto sequence =
        send(cmdLoadChipString, payload, "Could not request the selected chip string.");
    if (!sequence) {
        pendingLoadStringSequence_.reset();
        endLoad(false);
        return;
    }
    pendingLoadStringSequence_ = sequence;
    changed.emit();
}

void NorixChipLoad::handleString(const SerialPacket& packet) {
    pendingLoadStringSequence_.reset();
    if (packet.code != respChipString) {
        char text[64];
        std::snprintf(text, sizeof text, "String %d request failed (0x%02X).",
                      static_cast<int>(loadingStringIndex_), static_cast<unsigned>(packet.code));
        write(text);
        endLoad(false);
        return;
    }
    editor_.setChipString(loadingStringIndex_, cleanLoadedString(packet.payload));
    ++loadingStringIndex_;
    if (loadingStringIndex_ < chipStringCount) {
        requestLoadedNorixChipString(loadingStringIndex_);
        return;
    }
    write("Loaded all chip strings.");
    endLoad(true);
}

bool NorixChipLoad::handleLoadPacket(const SerialPacket& packet) {
    if (matches(pendingLoadMetadataSequence_, packet))
        handleMetadata(packet);
    else if (matches(pendingLoadCodeSequence_, packet))
        handleCode(packet);
    else if (matches(pendingLoadStringSequence_, packet))
        handleString(packet);
    else
        return false;
    return true;
}

void NorixChipLoad::reset() {
    pendingLoadMetadataSequence_.reset();
    pendingLoadCodeSequence_.reset();
    pendingLoadStringSequence_.reset();
    loadingNorixChipIndex_.reset();
    loadedNorixMetadata_.clear();
    loadedNorixCode_.clear();
    loadedNorixCodeSize_ = 0;
    waitingForNorixCodeHeader_ = false;
    loadingStringIndex_ = 0;
    changed.emit();
}

} // namespace norix
