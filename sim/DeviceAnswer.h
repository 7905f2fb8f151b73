#pragma once
// Small helpers shared by the simulator's command handlers: an answer carries
// the sequence number of the command it answers, and numbers are little-endian.

#include "core/link/SerialPacket.h"

#include <cstddef>
#include <cstdint>

namespace norix::sim {

inline SerialPacket reply(const SerialPacket& command, std::uint8_t code, Bytes payload = {}) {
    return SerialPacket{code, command.sequence, std::move(payload)};
}

inline std::uint16_t readUint16(const Bytes& bytes, std::size_t offset = 0) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline void appendUint16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

} // namespace norix::sim
