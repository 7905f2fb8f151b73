#pragma once
// The font half of the simulated Norix: slot queries, the two-phase upload
// (a 128-byte metadata block, then the glyph columns, each in chunks appended
// in the order they arrive) into the slot named when the upload began, and
// deleting a slot. The default font cannot be deleted.

#include "core/link/SerialPacket.h"
#include "sim/ChunkedReceiver.h"
#include "sim/NorixMemory.h"

#include <optional>

namespace norix::sim {

class FontCommands {
public:
    explicit FontCommands(NorixMemory& memory);

    // The answer to a font command, or nothing when the code is not a font command.
    std::optional<SerialPacket> handle(const SerialPacket& command);

private:
    SerialPacket slotQuery(const SerialPacket& command);
    SerialPacket deleteFont(const SerialPacket& command);

    NorixMemory& memory_;
    std::size_t slot_ = 0;
    ChunkedReceiver upload_;
};

} // namespace norix::sim
