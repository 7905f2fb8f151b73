#include "core/util/UnicodeText.h"

#include <array>
#include <limits>

namespace norix {
namespace {

// Multi-byte white space and line breaks, as UTF-8 byte sequences.
constexpr std::array<std::string_view, 16> multiByteSpaces = {
    "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83",
    "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};
constexpr std::array<std::string_view, 3> multiByteBreaks = {"\xC2\x85", "\xE2\x80\xA8",
                                                             "\xE2\x80\xA9"};

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t';
}
bool isAsciiBreak(char c) {
    return c >= '\n' && c <= '\r';
}

// Only these bytes can begin a multi-byte space or line break.
bool mayStartMultiByte(unsigned char c) {
    return c == 0xC2 || (c >= 0xE1 && c <= 0xE3);
}
// Only these bytes can end one.
bool mayEndMultiByte(unsigned char c) {
    return c >= 0x80 && c <= 0xAF;
}

// Length of the white space / line break at the start (or end) of `text`, 0 if none.
std::size_t leadingMatch(std::string_view text, bool spaces, bool breaks) {
    if (text.empty())
        return 0;
    const char first = text.front();
    if ((spaces && isAsciiSpace(first)) || (breaks && isAsciiBreak(first)))
        return 1;
    if (!mayStartMultiByte(static_cast<unsigned char>(first)))
        return 0;
    if (spaces)
        for (auto sequence : multiByteSpaces)
            if (text.starts_with(sequence))
                return sequence.size();
    if (breaks)
        for (auto sequence : multiByteBreaks)
            if (text.starts_with(sequence))
                return sequence.size();
    return 0;
}

std::size_t trailingMatch(std::string_view text, bool spaces, bool breaks) {
    if (text.empty())
        return 0;
    const char last = text.back();
    if ((spaces && isAsciiSpace(last)) || (breaks && isAsciiBreak(last)))
        return 1;
    if (!mayEndMultiByte(static_cast<unsigned char>(last)))
        return 0;
    if (spaces)
        for (auto sequence : multiByteSpaces)
            if (text.ends_with(sequence))
                return sequence.size();
    if (breaks)
        for (auto sequence : multiByteBreaks)
            if (text.ends_with(sequence))
                return sequence.size();
    return 0;
}

std::string_view trim(std::string_view text, bool spaces, bool breaks) {
    while (std::size_t n = leadingMatch(text, spaces, breaks))
        text.remove_prefix(n);
    while (std::size_t n = trailingMatch(text, spaces, breaks))
        text.remove_suffix(n);
    return text;
}

} // namespace

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0; // overlong
            if (lead == 0xED)
                high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90; // overlong
            if (lead == 0xF4)
                high = 0x8F; // above U+10FFFF
        } else {
            return false;
        }
        if (size - i < length)
            return false;
        if (bytes[i + 1] < low || bytes[i + 1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF)
                return false;
        i += length;
    }
    return true;
}

std::string_view withoutByteOrderMark(std::string_view text) {
    if (text.starts_with(utf8ByteOrderMark))
        text.remove_prefix(utf8ByteOrderMark.size());
    return text;
}

std::string_view trimWhitespace(std::string_view text) {
    return trim(text, true, false);
}
std::string_view trimWhitespaceAndNewlines(std::string_view text) {
    return trim(text, true, true);
}
std::string_view trimNewlines(std::string_view text) {
    return trim(text, false, true);
}

std::vector<std::string_view> splitAtLineBreaks(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = (isAsciiBreak(text[i]) || mayStartMultiByte(c))
                                  ? leadingMatch(text.substr(i), false, true)
                                  : 0;
        if (n == 0) {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        i += n;
        start = i;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string_view> splitAtLineFeeds(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::size_t splitAtWhitespace(std::string_view text, std::span<std::string_view> out) {
    std::size_t count = 0;
    std::size_t i = 0;
    std::size_t start = 0;
    auto emit = [&](std::size_t end) {
        if (end > start) {
            if (count < out.size())
                out[count] = text.substr(start, end - start);
            ++count;
        }
    };
    while (i < text.size()) {
        const std::size_t n = leadingMatch(text.substr(i), true, false);
        if (n == 0) {
            ++i;
            continue;
        }
        emit(i);
        i += n;
        start = i;
    }
    emit(text.size());
    return count;
}

std::vector<std::string_view> splitAtWhitespace(std::string_view text) {
    std::vector<std::string_view> parts(splitAtWhitespace(text, {}));
    splitAtWhitespace(text, parts);
    return parts;
}

std::string replaceCarriageReturns(std::string_view text, std::string_view replacement) {
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (;;) {
        const std::size_t cr = text.find('\r', start);
        if (cr == std::string_view::npos) {
            result.append(text.substr(start));
            return result;
        }
        result.append(text.substr(start, cr - start));
        result.append(replacement);
        start = cr + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
}

std::string asciiLowercase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::optional<std::int64_t> parseDecimalInt64(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Accumulate as a negative number: its range holds the most negative value.
    constexpr std::int64_t minimum = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (value < (minimum + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == minimum)
        return std::nullopt;
    return -value;
}

} // namespace norix
