#pragma once
// Loading one chip stored on the Norix back into the editor: its metadata in
// parts (128 bytes), the code size and then the code in parts, turned back
// into source text, then its eight strings one by one. Nothing is retried;
// an unanswered request stays outstanding until the link is lost.

#include "core/chips/ChipEditor.h"
#include "core/chips/Terminal.h"
#include "core/link/SerialPacket.h"
#include "core/link/SerialPortManager.h"
#include "core/util/Signal.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

// The bytes before the first zero byte as ASCII text; empty text when any is 0x80 or above.
std::string cleanLoadedString(const Bytes& bytes);

class NorixChipLoad {
public:
    NorixChipLoad(SerialPortManager& link, Terminal& terminal, ChipEditor& editor);

    const std::optional<std::size_t>& loadingNorixChipIndex() const {
        return loadingNorixChipIndex_;
    }
    bool isLoadingNorixChip() const { return loadingNorixChipIndex_.has_value(); }
    const std::optional<std::uint8_t>& pendingLoadMetadataSequence() const {
        return pendingLoadMetadataSequence_;
    }
    const std::optional<std::uint8_t>& pendingLoadCodeSequence() const {
        return pendingLoadCodeSequence_;
    }
    const std::optional<std::uint8_t>& pendingLoadStringSequence() const {
        return pendingLoadStringSequence_;
    }
    std::size_t loadedNorixCodeSize() const { return loadedNorixCodeSize_; }
    std::size_t loadedNorixCodeReceived() const { return loadedNorixCode_.size(); }
    std::size_t loadingStringIndex() const { return loadingStringIndex_; }
    bool waitingForNorixCodeHeader() const { return waitingForNorixCodeHeader_; }
    // Why the last load's metadata was not applied (the code is still loaded).
    const std::optional<std::string>& metadataProblem() const { return metadataProblem_; }

    // "Load Selected": `selection` indexes `norixChips`.
    void loadSelectedNorixChip(const std::optional<std::size_t>& selection,
                               const std::vector<std::string>& norixChips);
    // Dispatcher steps 7 to 9.
    bool handleLoadPacket(const SerialPacket& packet);
    // The link was lost: every request is forgotten.
    void reset();

    // Observers subscribe through the const view the session hands out.
    mutable Signal<> changed;
    // The load ended: true when the metadata was applied and the code (and
    // strings, if there was code) arrived.
    mutable Signal<bool> loadFinished;

private:
    std::optional<std::uint8_t> send(std::uint8_t command, const Bytes& payload,
                                     std::string_view fallbackMessage);
    void handleMetadata(const SerialPacket& packet);
    void handleCode(const SerialPacket& packet);
    void handleString(const SerialPacket& packet);
    void requestNextNorixMetadataChunk();
    void applyLoadedNorixMetadata();
    void requestLoadedNorixChipCode();
    void requestNextNorixCodeChunk();
    void requestLoadedNorixChipStrings();
    void requestLoadedNorixChipString(std::size_t index);
    void endLoad(bool reachedEnd);
    void write(std::string_view text) { terminal_.appendTerminal(text); }

    SerialPortManager& link_;
    Terminal& terminal_;
    ChipEditor& editor_;
    std::optional<std::size_t> loadingNorixChipIndex_;
    bool metadataApplied_ = false;
    std::optional<std::string> metadataProblem_;
    Bytes loadedNorixMetadata_;
    std::optional<std::uint8_t> pendingLoadMetadataSequence_;
    Bytes loadedNorixCode_;
    std::size_t loadedNorixCodeSize_ = 0;
    bool waitingForNorixCodeHeader_ = false;
    std::optional<std::uint8_t> pendingLoadCodeSequence_;
    std::size_t loadingStringIndex_ = 0;
    std::optional<std::uint8_t> pendingLoadStringSequence_;
};

} // namespace norix
