#pragma once
// The list of chips stored on the Norix: reading it (the count, then one name
// at a time), the selection in it, and deleting one chip or all of them. No
// request has a time-out: an unanswered one stays outstanding until the link
// is lost and reset() runs.

#include "core/chips/Terminal.h"
#include "core/link/SerialPacket.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norix {

inline constexpr Milliseconds connectionStepDelay{250};

class NorixChipList {
public:
    NorixChipList(SerialPortManager& link, Terminal& terminal);

    const std::vector<std::string>& norixChips() const { return norixChips_; }
    const std::optional<std::size_t>& selectedNorixChipIndex() const {
        return selectedNorixChipIndex_;
    }
    void setSelectedNorixChipIndex(std::optional<std::size_t> index);

    std::size_t pendingChipCount() const { return pendingChipCount_; }
    std::size_t nextChipIndex() const { return nextChipIndex_; }
    const std::optional<std::uint8_t>& pendingChipCountSequence() const {
        return pendingChipCountSequence_;
    }
    const std::optional<std::uint8_t>& pendingChipNameSequence() const {
        return pendingChipNameSequence_;
    }
    bool isLoadingChipList() const { return pendingChipCountSequence_ || pendingChipNameSequence_; }

    const std::optional<std::uint8_t>& pendingDeleteChipSequence() const {
        return pendingDeleteChipSequence_;
    }
    const std::optional<std::uint8_t>& pendingDeleteAllChipsSequence() const {
        return pendingDeleteAllChipsSequence_;
    }

    // Installed by ChipSession: whether an upload or batch save is under way
    // (deletes wait for it), and the font list request that follows the list.
    std::function<bool()> uploadBusy;
    std::function<void()> requestFontList;

    void requestChipList();
    void deleteSelectedChipFromNorix();
    void deleteAllChipsFromNorix();

    // Dispatcher steps 2 and 3.
    bool handleDeletePacket(const SerialPacket& packet);
    // Dispatcher steps 5 and 6.
    bool handleListPacket(const SerialPacket& packet);

    // The link was lost: every request is forgotten, the list emptied.
    void reset();

    // Observers subscribe through the const view the session hands out.
    mutable Signal<> changed;
    // The list request ended: true when every name arrived (or there are none).
    mutable Signal<bool> listFinished;
    // A delete or delete-all ended: true when the Norix answered done.
    mutable Signal<bool> deleteFinished;

private:
    std::optional<std::uint8_t> send(std::uint8_t command, const Bytes& payload,
                                     std::string_view fallbackMessage);
    void handleChipCount(const SerialPacket& packet);
    void handleChipName(const SerialPacket& packet);
    void handleDelete(const SerialPacket& packet);
    void handleDeleteAll(const SerialPacket& packet);

    void requestNextNorixChipName();
    void scheduleFontList();
    void write(std::string_view text) { terminal_.appendTerminal(text); }

    SerialPortManager& link_;
    Terminal& terminal_;
    ScopedTimer fontListTimer_;

    std::vector<std::string> norixChips_;
    std::optional<std::size_t> selectedNorixChipIndex_;
    std::size_t pendingChipCount_ = 0;
    std::size_t nextChipIndex_ = 0;
    std::optional<std::uint8_t> pendingChipCountSequence_;
    std::optional<std::uint8_t> pendingChipNameSequence_;

    std::optional<std::uint8_t> pendingDeleteChipSequence_;
    std::optional<std::uint8_t> pendingDeleteAllChipsSequence_;
};

} // namespace norix
