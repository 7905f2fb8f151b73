#pragma once
// Small helpers shared by the simulator's command handlers: an answer carries
// the sequence number of the command it answers; numbers go through core/util/ByteOrder.h.

#include "core/link/SerialPacket.h"
#include "core/util/ByteOrder.h"

#include <cstddef>
#include <cstdint>

namespace norix::sim {

inline SerialPacket reply(const SerialPacket& command, std::uint8_t code, Bytes payload = {}) {
    return SerialPacket{code, command.sequence, std::move(payload)};
}

} // namespace norix::sim
