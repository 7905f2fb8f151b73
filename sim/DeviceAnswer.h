#pragma once
// Small helpers shared by the simulator's command handlers: an answer carries
// the sequence number of the command it answers, and numbers are little-endian.

#include "core/link/SerialPacket.h"
#include "core/util/ByteOrder.h"

#include <cstddef>
#include <cstdint>

namespace norix::sim {

inline SerialPacket reply(const SerialPacket& command, std::uint8_t code, Bytes payload = {}) {
    return SerialPacket{code, command.sequence, std::move(payload)};
}

// The command handlers' spelling of the byte-order helpers of core/util.
inline std::uint16_t readUint16(const Bytes& bytes, std::size_t offset = 0) {
    return littleEndian16At(bytes, offset);
}

inline void appendUint16(Bytes& bytes, std::uint16_t value) {
    const Bytes encoded = littleEndian16(value);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
}

} // namespace norix::sim
