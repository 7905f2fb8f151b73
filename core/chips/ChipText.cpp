#include "core/chips/ChipText.h"

#include "core/util/UnicodeText.h"

#include <algorithm>
#include <cstdio>

namespace norix {
namespace {

// Length of a control character at the start (or end) of the text, 0 if none.
std::size_t leadingControl(std::string_view text) {
    if (text.empty())
        return 0;
    const auto first = static_cast<unsigned char>(text[0]);
    if (first < 0x20 || first == 0x7F)
        return 1;
    if (first == 0xC2 && text.size() >= 2) {
        const auto second = static_cast<unsigned char>(text[1]);
        if (second >= 0x80 && second <= 0x9F)
            return 2;
    }
    return 0;
}

std::size_t trailingControl(std::string_view text) {
    if (text.empty())
        return 0;
    const auto last = static_cast<unsigned char>(text.back());
    if (last < 0x20 || last == 0x7F)
        return 1;
    if (text.size() >= 2 && static_cast<unsigned char>(text[text.size() - 2]) == 0xC2 &&
        last >= 0x80 && last <= 0x9F)
        return 2;
    return 0;
}

} // namespace

std::string hexByte(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
    return text;
}

std::string hexWord(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string spacedHex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(byte));
        text += digits;
    }
    return text;
}

std::span<const std::uint8_t> bytesBeforeZero(std::span<const std::uint8_t> bytes) {
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

std::optional<std::string> asciiText(std::span<const std::uint8_t> bytes) {
    if (std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= 0x80; }))
        return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

std::optional<std::string> utf8Text(std::span<const std::uint8_t> bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (!isValidUtf8(text))
        return std::nullopt;
    return text;
}

std::string trimmedDeviceText(std::string_view text) {
    for (;;) {
        const std::size_t before = text.size();
        text = trimWhitespaceAndNewlines(text);
        while (std::size_t n = leadingControl(text))
            text.remove_prefix(n);
        while (std::size_t n = trailingControl(text))
            text.remove_suffix(n);
        if (text.size() == before)
            return std::string(text);
    }
}

std::optional<std::string> deviceNameText(std::span<const std::uint8_t> bytes) {
    auto text = utf8Text(bytesBeforeZero(bytes));
    if (!text)
        return std::nullopt;
    return trimmedDeviceText(*text);
}

} // namespace norix
