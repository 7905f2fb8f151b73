#pragma once
// Numbers as the Norix stores and sends them: little-endian, low byte first.
// Every reader and writer of the device's records goes through these.

#include "core/util/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace norix {

// The number at `offset`, or 0 when it does not fit in `bytes`.
std::uint16_t littleEndian16At(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t littleEndian32At(std::span<const std::uint8_t> bytes, std::size_t offset);

// The two bytes of `value`, low byte first.
Bytes littleEndian16(std::uint16_t value);

// Writes `value` into `bytes` at `offset`, which must leave room for it.
void putLittleEndian16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);
void putLittleEndian32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value);

} // namespace norix
