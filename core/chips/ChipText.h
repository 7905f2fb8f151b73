#pragma once
// Text helpers of the chip conversations: the device sends names, strings and
// serial numbers as raw bytes, and failure answers are reported with their
// code in hexadecimal. These turn bytes into the texts the terminal shows.

#include "core/util/ByteOrder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace norix {

// "0x%02X" and "0x%04X".
std::string hexByte(std::uint8_t value);
std::string hexWord(std::uint16_t value);
// Every byte as two upper-case hexadecimal digits, separated by single spaces.
std::string spacedHex(std::span<const std::uint8_t> bytes);

// The bytes before the first zero byte, or all of them.
std::span<const std::uint8_t> bytesBeforeZero(std::span<const std::uint8_t> bytes);
// The bytes as text when every one is below 0x80.
std::optional<std::string> asciiText(std::span<const std::uint8_t> bytes);
// The bytes as text when they are well-formed UTF-8.
std::optional<std::string> utf8Text(std::span<const std::uint8_t> bytes);

// Removes white space, line breaks and control characters (C0, DEL, C1) from both ends.
std::string trimmedDeviceText(std::string_view text);

// The bytes before the first zero byte as UTF-8 text, trimmed as above;
// nothing when they are not UTF-8. Chip names arrive this way.
std::optional<std::string> deviceNameText(std::span<const std::uint8_t> bytes);

} // namespace norix
