#include "core/chips/NorixChipList.h"

#include "core/chips/ChipText.h"
#include "core/link/ProtocolCodes.h"

#include <algorithm>

namespace norix {
namespace {

Bytes indexBytes(std::size_t index) {
    return littleEndian16(static_cast<std::uint16_t>(index));
}

} // namespace

NorixChipList::NorixChipList(SerialPortManager& link, Terminal& terminal)
    : link_(link), terminal_(terminal), fontListTimer_(link.loop()) {}

void NorixChipList::setSelectedNorixChipIndex(std::optional<std::size_t> index) {
    selectedNorixChipIndex_ = index;
    changed.emit();
}

std::optional<std::uint8_t> NorixChipList::send(std::uint8_t command, const Bytes& payload,
                                                std::string_view fallbackMessage) {
    const auto sequence = link_.sendPacket(command, payload);
    if (!sequence)
        write(link_.lastError().value_or(std::string(fallbackMessage)));
    return sequence;
}

// ---- List ------------------------------------------------------------------

void NorixChipList::requestChipList() {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (isLoadingChipList()) {
        write("The Norix chip list is already being loaded.");
        return;
    }
    norixChips_.clear();
    selectedNorixChipIndex_.reset();
    pendingChipCount_ = 0;
    nextChipIndex_ = 0;
    changed.emit();
    const auto sequence = send(cmdChipCount, {}, "Could not request the Norix chip count.");
    if (!sequence)
        return;
    pendingChipCountSequence_ = sequence;
    changed.emit();
    write("Loading chips from Norix...");
}

void NorixChipList::handleChipCount(const SerialPacket& packet) {
    pendingChipCountSequence_.reset();
    changed.emit();
    if (packet.code != respChipCount) {
        write("Norix chip-count request failed with response " + hexByte(packet.code) + ".");
        listFinished.emit(false);
        return;
    }
    if (packet.payload.size() < 2) {
        write("Norix returned an invalid chip count.");
        listFinished.emit(false);
        return;
    }
    pendingChipCount_ = littleEndian16At(packet.payload, 0);
    nextChipIndex_ = 0;
    changed.emit();
    if (pendingChipCount_ == 0) {
        write("No chips are stored on Norix.");
        scheduleFontList();
        listFinished.emit(true);
        return;
    }
    requestNextNorixChipName();
}

void NorixChipList::requestNextNorixChipName() {
    if (nextChipIndex_ < pendingChipCount_) {
        const std::string fallback =
            "Could not request Norix chip " + std::to_string(nextChipIndex_) + ".";
        const auto sequence = send(cmdChipName, indexBytes(nextChipIndex_), fallback);
        if (!sequence) {
            listFinished.emit(false);
            return;
        }
        pendingChipNameSequence_ = sequence;
        changed.emit();
        return;
    }
    pendingChipNameSequence_.reset();
    changed.emit();
    const std::size_t n = norixChips_.size();
    write(n == 1 ? "Loaded 1 chip from Norix."
                 : "Loaded " + std::to_string(n) + " chips from Norix.");
    scheduleFontList();
    listFinished.emit(true);
}

void NorixChipList::scheduleFontList() {
    fontListTimer_.start(connectionStepDelay, [this] {
        if (link_.isConnected() && requestFontList)
            requestFontList();
    });
}

void NorixChipList::handleChipName(const SerialPacket& packet) {
    pendingChipNameSequence_.reset();
    if (packet.code != respChipName) {
        changed.emit();
        write("Norix chip-name request failed with response " + hexByte(packet.code) + ".");
        listFinished.emit(false);
        return;
    }
    std::string name = deviceNameText(packet.payload).value_or(std::string());
    if (name.empty())
        name = "Unnamed Chip " + std::to_string(nextChipIndex_ + 1);
    norixChips_.push_back(std::move(name));
    ++nextChipIndex_;
    changed.emit();
    requestNextNorixChipName();
}

// ---- Delete ----------------------------------------------------------------

void NorixChipList::deleteSelectedChipFromNorix() {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (!selectedNorixChipIndex_ || *selectedNorixChipIndex_ >= norixChips_.size()) {
        write("Select a chip from the Norix list first.");
        return;
    }
    const std::size_t index = *selectedNorixChipIndex_;
    const std::string name = norixChips_[index];
    write("Deleting Norix slot " + std::to_string(index) + ", shown as " + name + ".");
    if (pendingDeleteChipSequence_) {
        write("A chip delete request is already in progress.");
        return;
    }
    if (uploadBusy && uploadBusy()) {
        write("Wait for the current upload to finish before deleting a chip.");
        return;
    }
    const auto sequence =
        send(cmdDeleteChip, indexBytes(index), "Could not send the delete-chip command.");
    if (!sequence)
        return;
    pendingDeleteChipSequence_ = sequence;
    changed.emit();
    write("Deleting " + name + " from Norix...");
}

void NorixChipList::deleteAllChipsFromNorix() {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (pendingDeleteAllChipsSequence_) {
        write("A delete-all-chips request is already in progress.");
        return;
    }
    if (uploadBusy && uploadBusy()) {
        write("Wait for the current upload to finish before deleting all chips.");
        return;
    }
    const auto sequence =
        send(cmdDeleteAllChips, {}, "Could not send the delete-all-chips command.");
    if (!sequence)
        return;
    pendingDeleteAllChipsSequence_ = sequence;
    changed.emit();
    write("Erasing all chips from Norix...");
}

void NorixChipList::handleDelete(const SerialPacket& packet) {
    pendingDeleteChipSequence_.reset();
    if (packet.code != respDone) {
        changed.emit();
        write("Delete chip failed with response " + hexByte(packet.code) + ".");
        deleteFinished.emit(false);
        return;
    }
    selectedNorixChipIndex_.reset();
    changed.emit();
    write("Chip deleted from Norix.");
    deleteFinished.emit(true);
    requestChipList();
}

void NorixChipList::handleDeleteAll(const SerialPacket& packet) {
    pendingDeleteAllChipsSequence_.reset();
    if (packet.code != respDone) {
        changed.emit();
        write("Delete all chips failed with response " + hexByte(packet.code) + ".");
        deleteFinished.emit(false);
        return;
    }
    norixChips_.clear();
    selectedNorixChipIndex_.reset();
    changed.emit();
    write("All chips were erased from Norix.");
    deleteFinished.emit(true);
}

// ---- Routing and reset -----------------------------------------------------

namespace {
bool matches(const std::optional<std::uint8_t>& pending, const SerialPacket& packet) {
    return pending && *pending == packet.sequence;
}
} // namespace

bool NorixChipList::handleDeletePacket(const SerialPacket& packet) {
    if (matches(pendingDeleteChipSequence_, packet)) {
        handleDelete(packet);
        return true;
    }
    if (matches(pendingDeleteAllChipsSequence_, packet)) {
        handleDeleteAll(packet);
        return true;
    }
    return false;
}

bool NorixChipList::handleListPacket(const SerialPacket& packet) {
    if (matches(pendingChipCountSequence_, packet))
        handleChipCount(packet);
    else if (matches(pendingChipNameSequence_, packet))
        handleChipName(packet);
    else
        return false;
    return true;
}

void NorixChipList::reset() {
    fontListTimer_.cancel();
    pendingChipCountSequence_.reset();
    pendingChipNameSequence_.reset();
    pendingChipCount_ = 0;
    nextChipIndex_ = 0;
    norixChips_.clear();
    selectedNorixChipIndex_.reset();
    pendingDeleteChipSequence_.reset();
    pendingDeleteAllChipsSequence_.reset();
    changed.emit();
}

} // namespace norix
