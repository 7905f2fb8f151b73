#pragma once
// The font half of the simulated Norix: slot queries, the two-phase upload
// (a 128-byte metadata block, then the glyph columns, each in chunks appended
// in the order they arrive) into the slot named when the upload began, and
// deleting a slot. The default font cannot be deleted.

#include "core/link/SerialPacket.h"
#include "sim/NorixMemory.h"

#include <optional>

namespace norix::sim {

class FontCommands {
public:
    explicit FontCommands(NorixMemory& memory) : memory_(memory) {}

    // The answer to a font command, or nothing when the code is not a font command.
    std::optional<SerialPacket> handle(const SerialPacket& command);

private:
    enum class UploadStep { None, Metadata, MetadataSaved, Data };

    SerialPacket slotQuery(const SerialPacket& command);
    SerialPacket uploadStep(const SerialPacket& command);
    SerialPacket deleteFont(const SerialPacket& command);

    NorixMemory& memory_;
    UploadStep step_ = UploadStep::None;
    std::size_t slot_ = 0;
    Bytes metadata_;
    Bytes data_;
    std::size_t dataSize_ = 0;
};

} // namespace norix::sim
