#pragma once
// The settings of the simulated Norix: the whole 14-byte record on request, and
// one setting changed per command, answered with the whole new record.

#include "core/link/SerialPacket.h"
#include "sim/NorixMemory.h"

#include <optional>

namespace norix::sim {

class SettingsCommands {
public:
    explicit SettingsCommands(NorixMemory& memory) : memory_(memory) {}

    // The answer to a settings command, or nothing when the code is another one.
    std::optional<SerialPacket> handle(const SerialPacket& command);

private:
    NorixMemory& memory_;
};

} // namespace norix::sim
