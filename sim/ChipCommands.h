#pragma once
// The chip half of the simulated Norix: the upload of one chip (metadata,
// strings, code), storing it, the stored chip list, reading a stored chip back
// part by part, and deleting.

#include "core/link/SerialPacket.h"
#include "sim/NorixMemory.h"
#include "sim/SimulatorConfig.h"

#include <optional>

namespace norix::sim {

class ChipCommands {
public:
    ChipCommands(NorixMemory& memory, const SimulatorConfig& config)
        : memory_(memory), config_(config) {}

    // The answer to a chip command, or nothing when the code is not a chip command.
    std::optional<SerialPacket> handle(const SerialPacket& command);

    // The chip uploaded last and completely (what button 2 would run).
    const std::optional<StoredChip>& uploadedChip() const { return uploadedChip_; }

private:
    enum class UploadStep { none, metadata, strings, stringsDone, codeLength, complete };

    SerialPacket uploadMetadata(const SerialPacket& command);
    SerialPacket uploadStep(const SerialPacket& command);
    SerialPacket saveChip(const SerialPacket& command);
    SerialPacket chipName(const SerialPacket& command);
    SerialPacket loadMetadata(const SerialPacket& command);
    SerialPacket loadCode(const SerialPacket& command);
    SerialPacket loadString(const SerialPacket& command);
    SerialPacket deleteChip(const SerialPacket& command);
    std::optional<std::size_t> chipIndex(const Bytes& payload) const;

    NorixMemory& memory_;
    const SimulatorConfig& config_;

    UploadStep uploadStep_ = UploadStep::none;
    StoredChip upload_;
    std::size_t expectedCodeSize_ = 0;
    std::optional<StoredChip> uploadedChip_;

    // Reading a stored chip back: a copy of the item being sent and how far it got.
    struct ReadCursor {
        Bytes bytes;
        std::size_t offset = 0;
        bool active = false;
    };
    ReadCursor metadataCursor_;
    ReadCursor codeCursor_;
};

} // namespace norix::sim
