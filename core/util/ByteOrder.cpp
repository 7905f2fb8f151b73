#include "core/util/ByteOrder.h"

namespace norix {
namespace {

std::uint32_t readLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                               std::size_t width) {
    if (offset >= bytes.size() || bytes.size() - offset < width)
        return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

void writeLittleEndian(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value,
                       std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::uint16_t littleEndian16At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(readLittleEndian(bytes, offset, 2));
}

std::uint32_t littleEndian32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return readLittleEndian(bytes, offset, 4);
}

Bytes littleEndian16(std::uint16_t value) {
    Bytes bytes(2);
    putLittleEndian16(bytes, 0, value);
    return bytes;
}

void putLittleEndian16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    writeLittleEndian(bytes, offset, value, 2);
}

void putLittleEndian32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    writeLittleEndian(bytes, offset, value, 4);
}

} // namespace norix
