#pragma once
// One packet of the Norix link: a code, the sequence number that pairs a
// command with its answers, and a payload of any length.

#include "core/util/Bytes.h"

#include <cstdint>

namespace norix {

struct SerialPacket {
    std::uint8_t code = 0;
    std::uint8_t sequence = 0;
    Bytes payload;

    bool operator==(const SerialPacket&) const = default;
};

} // namespace norix
