#include "core/chips/BatchSave.h"

#include "core/chips/ChipFileCodec.h"
#include "core/chips/ChipText.h"
#include "core/link/ProtocolCodes.h"

namespace norix {

BatchSave::BatchSave(SerialPortManager& link, Terminal& terminal, ChipUpload& upload)
    : link_(link), terminal_(terminal), upload_(upload) {}

void BatchSave::saveAllChipsToNorix(
    const std::vector<std::string>& chips,
    const std::map<std::string, std::filesystem::path>& chipFileURLs) {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (batchSaveActive_) {
        write("A batch save is already running.");
        return;
    }
    if (upload_.isUploading()) {
        write("An upload is already in progress.");
        return;
    }
    // Every file is read before the first packet, so the run sends what the
    // files held when it started.
    std::vector<BatchChip> kept;
    std::vector<std::string> skipped;
    for (const auto& name : chips) {
        const auto location = chipFileURLs.find(name);
        if (location == chipFileURLs.end()) {
            write("Skipping " + name + ": file URL is unavailable.");
            skipped.push_back(name);
            continue;
        }
        auto document = ChipFileCodec::load(location->second);
        if (!document) {
            write("Skipping " + name + ": " + document.error().message());
            skipped.push_back(name);
            continue;
        }
        kept.push_back({name, std::move(*document)});
    }
    unreadableFiles_ = std::move(skipped);
    if (kept.empty()) {
        write("There are no chip files available for batch saving.");
        return;
    }
    batchDocuments_ = std::move(kept);
    batchIndex_ = 0;
    batchSaveActive_ = true;
    batchFinishSequence_.reset();
    savedCount_ = 0;
    failedChips_.clear();
    upload_.reset();
    changed.emit();
    write("Starting batch save of " + std::to_string(batchDocuments_.size()) + " chip files...");
    beginCurrentBatchChip();
}

std::string BatchSave::position() const {
    return std::to_string(batchIndex_ + 1) + "/" + std::to_string(batchDocuments_.size());
}

void BatchSave::beginCurrentBatchChip() {
    while (batchSaveActive_ && batchIndex_ < batchDocuments_.size()) {
        const BatchChip& chip = batchDocuments_[batchIndex_];
        upload_.reset();
        write("Batch " + position() + ": uploading " + chip.name + "...");
        startingChip_ = true;
        currentChipFailed_ = false;
        const bool started = beginChip && beginChip(chip.document);
        startingChip_ = false;
        if (!batchSaveActive_)
            return; // the link went away while the chip was being started
        if (started && !currentChipFailed_)
            return; // the answers drive the run from here
        write("Batch " + position() + ": skipped " + chip.name + ".");
        failedChips_.push_back(chip.name);
        ++batchIndex_;
        changed.emit();
    }
    finishBatchSave();
}

void BatchSave::advanceBatchAfterSave() {
    if (!batchSaveActive_)
        return;
    ++savedCount_;
    ++batchIndex_;
    changed.emit();
    beginCurrentBatchChip();
}

void BatchSave::skipFailedChip() {
    if (!batchSaveActive_ || batchIndex_ >= batchDocuments_.size())
        return;
    if (startingChip_) {
        currentChipFailed_ = true;
        return;
    }
    write("Batch " + position() + ": skipped " + batchDocuments_[batchIndex_].name + ".");
    failedChips_.push_back(batchDocuments_[batchIndex_].name);
    ++batchIndex_;
    changed.emit();
    beginCurrentBatchChip();
}

void BatchSave::finishBatchSave() {
    if (!batchSaveActive_ || batchFinishSequence_)
        return;
    write(failedChips_.empty() ? "All chips saved. Finishing batch..." : "Finishing batch...");
    const auto sequence = link_.sendPacket(cmdFinishBatch);
    if (!sequence) {
        write(link_.lastError().value_or("Could not finish the batch save."));
        cancelBatchSave();
        return;
    }
    batchFinishSequence_ = *sequence;
    changed.emit();
}

bool BatchSave::handleFinishPacket(const SerialPacket& packet) {
    if (!batchFinishSequence_ || *batchFinishSequence_ != packet.sequence)
        return false;
    batchFinishSequence_.reset();
    if (packet.code != respDone) {
        write("Batch finish failed with response " + hexByte(packet.code) + ".");
    } else if (failedChips_.empty()) {
        write("Batch save completed successfully. " + std::to_string(savedCount_) +
              " chips saved.");
    } else {
        std::string names;
        for (const auto& name : failedChips_)
            names += (names.empty() ? "" : ", ") + name;
        write("Batch save completed. " + std::to_string(savedCount_) +
              " chips saved; not saved: " + names + ".");
    }
    endRun(packet.code == respDone);
    return true;
}

void BatchSave::cancelBatchSave() {
    endRun(false);
}

void BatchSave::endRun(bool finishedByNorix) {
    const bool wasActive = batchSaveActive_;
    batchSaveActive_ = false;
    batchDocuments_.clear();
    batchIndex_ = 0;
    batchFinishSequence_.reset();
    upload_.reset();
    changed.emit();
    if (wasActive)
        ended.emit(finishedByNorix);
}

} // namespace norix
