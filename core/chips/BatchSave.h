#pragma once
// "Batch Save to Norix": reads every listed chip file first, then uploads and
// stores the chips one after another, and tells the Norix when the batch is
// over. A chip that cannot be saved is skipped with a line naming it, so one
// bad file does not stall the run; the final line counts the chips saved.

#include "core/chips/ChipDocument.h"
#include "core/chips/ChipUpload.h"
#include "core/chips/Terminal.h"
#include "core/link/SerialPacket.h"
#include "core/link/SerialPortManager.h"
#include "core/util/Signal.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace norix {

struct BatchChip {
    std::string name;
    ChipDocument document;
};

class BatchSave {
public:
    BatchSave(SerialPortManager& link, Terminal& terminal, ChipUpload& upload);

    bool batchSaveActive() const { return batchSaveActive_; }
    const std::vector<BatchChip>& batchDocuments() const { return batchDocuments_; }
    std::size_t batchIndex() const { return batchIndex_; }
    const std::optional<std::uint8_t>& batchFinishSequence() const { return batchFinishSequence_; }
    // Chips of the current (or last) run that were stored, and those that were not.
    std::size_t savedCount() const { return savedCount_; }
    const std::vector<std::string>& failedChips() const { return failedChips_; }
    // Files of the last start that could not be read or located.
    const std::vector<std::string>& unreadableFiles() const { return unreadableFiles_; }

    // Puts the chip into the editor and starts its upload; false when it did
    // not start (validation, compile error). Installed by ChipSession.
    std::function<bool(const ChipDocument&)> beginChip;

    // saveAllChipsToNorix: refusals, reading of the files, then the first chip.
    void saveAllChipsToNorix(const std::vector<std::string>& chips,
                             const std::map<std::string, std::filesystem::path>& chipFileURLs);
    // The store of the current chip was answered with done.
    void advanceBatchAfterSave();
    // The current chip's upload or store failed: skip it and go on.
    void skipFailedChip();
    // The answer to the finish command (dispatcher step 4).
    bool handleFinishPacket(const SerialPacket& packet);
    // Ends the run without telling the Norix anything more.
    void cancelBatchSave();

    // Observers subscribe through the const view the session hands out.
    mutable Signal<> changed;
    // The run ended: true when the Norix answered the finish with done; false
    // for a failure answer, a finish that could not be sent, or a cancel.
    mutable Signal<bool> ended;

private:
    void beginCurrentBatchChip();
    void finishBatchSave();
    void endRun(bool finishedByNorix);
    std::string position() const;
    void write(std::string_view text) { terminal_.appendTerminal(text); }

    SerialPortManager& link_;
    Terminal& terminal_;
    ChipUpload& upload_;
    std::vector<BatchChip> batchDocuments_;
    std::size_t batchIndex_ = 0;
    bool batchSaveActive_ = false;
    std::optional<std::uint8_t> batchFinishSequence_;
    std::size_t savedCount_ = 0;
    std::vector<std::string> failedChips_;
    std::vector<std::string> unreadableFiles_;
    // Set while beginChip runs, so a failure reported from inside it is not
    // handled twice (once by the failure signal, once by the return value).
    bool startingChip_ = false;
    bool currentChipFailed_ = false;
};

} // namespace norix
