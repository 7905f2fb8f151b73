// Deleting the font of one slot: one command, one answer, a 3 s time-out.

#include "core/fonts/FontSlotConversation.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"

namespace norix {

void FontSlotConversation::deleteFont(std::int64_t slot) {
    const auto refuse = [this](const char* message) {
        fontDeleteError_ = message;
        changed.emit();
    };
    if (!link_.isConnected())
        return refuse("Norix is not connected.");
    if (isUploadingFont() || isDeletingFont_)
        return refuse("Another font operation is already in progress.");
    if (slot < 0 || slot >= norixFontSlotCount)
        return refuse("The selected font slot is invalid.");
    const auto index = static_cast<std::size_t>(slot);
    if (index >= norixFontSlots_.size() || norixFontSlots_[index].isEmpty())
        return refuse("The selected font slot is empty.");

    fontDeleteError_.reset();
    fontDeleteStatus_ = "Deleting font from slot " + std::to_string(slot) + "\u2026";
    isDeletingFont_ = true;
    pendingFontDeleteSlot_ = slot;
    changed.emit();
    const Bytes payload{static_cast<std::uint8_t>(slot)};
    const auto sequence = link_.sendPacket(cmdDeleteFont, payload);
    if (!sequence) {
        clearDeleteState();
        fontDeleteError_ = "Could not send the delete command to Norix.";
        changed.emit();
        return;
    }
    pendingFontDeleteSequence_ = sequence;
    fontDeleteTimeout_.arm(*sequence, [this] {
        clearDeleteState();
        fontDeleteError_ = "Norix did not respond to the delete-font command.";
        changed.emit();
    });
}

bool FontSlotConversation::handleFontDeletePacket(const SerialPacket& packet) {
    if (!isDeletingFont_ || pendingFontDeleteSequence_ != packet.sequence)
        return false;
    fontDeleteTimeout_.cancel();
    const std::optional<std::int64_t> slot = pendingFontDeleteSlot_;
    switch (packet.code) {
    case respAck:
    case respDone:
        clearDeleteState();
        if (slot) {
            setSlot(static_cast<std::size_t>(*slot), NorixFontSlot(*slot));
            fontDeleteStatus_ = "Font deleted from slot " + std::to_string(*slot) + ".";
            changed.emit();
            requestFontMetadata(*slot);
        } else {
            fontDeleteStatus_ = "Font deleted.";
            changed.emit();
            requestFontList();
        }
        break;
    case respRetry:
        clearDeleteState();
        changed.emit();
        if (slot)
            deleteFont(*slot);
        break;
    case respBadSize:
        clearDeleteState();
        fontDeleteError_ = "Norix rejected the delete command size.";
        changed.emit();
        break;
    case respFail:
        clearDeleteState();
        fontDeleteError_ = "Norix could not delete that font. If it is the default font, "
                           "select another default font first.";
        changed.emit();
        break;
    default:
        // Claimed but not understood: the delete goes on waiting for a real answer.
        break;
    }
    return true;
}

void FontSlotConversation::clearDeleteState() {
    fontDeleteTimeout_.cancel();
    pendingFontDeleteSequence_.reset();
    pendingFontDeleteSlot_.reset();
    isDeletingFont_ = false;
    fontDeleteStatus_.clear();
}

} // namespace norix
