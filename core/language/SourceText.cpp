#include "core/language/SourceText.h"

#include <clocale>
#include <cwctype>
#include <limits>
#include <locale.h>
#include <wctype.h>

namespace norix {
namespace {

// A UTF-8 character classification that never touches the process locale.
// glibc's wchar_t holds code points, so the *_l functions classify them
// directly. Without a UTF-8 locale only ASCII letters are known.
locale_t utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (locale_t made = newlocale(LC_CTYPE_MASK, name, locale_t{}))
                return made;
        }
        return locale_t{};
    }();
    return locale;
}

bool isAsciiLetter(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

unsigned char byteAt(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

std::optional<unsigned> digitValue(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

// Sign and magnitude, the magnitude saturating above 2^64 - 1.
struct ParsedDigits {
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool overflow = false;
};

std::optional<ParsedDigits> parseDigits(std::string_view text, int radix) {
    ParsedDigits parsed;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        parsed.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    const auto base = static_cast<std::uint64_t>(radix);
    for (char c : text) {
        const auto digit = digitValue(c);
        if (!digit || *digit >= base)
            return std::nullopt;
        if (parsed.magnitude > (std::numeric_limits<std::uint64_t>::max() - *digit) / base)
            parsed.overflow = true;
        else
            parsed.magnitude = parsed.magnitude * base + *digit;
    }
    return parsed;
}

} // namespace

std::size_t lineBreakLengthOutsideAscii(std::string_view text, std::size_t index) {
    const unsigned char b = byteAt(text, index);
    if (b == 0xC2 && index + 1 < text.size() && byteAt(text, index + 1) == 0x85)
        return 2;
    if (b == 0xE2 && index + 2 < text.size() && byteAt(text, index + 1) == 0x80 &&
        (byteAt(text, index + 2) == 0xA8 || byteAt(text, index + 2) == 0xA9))
        return 3;
    return 0;
}

std::size_t separatorLengthOutsideAscii(std::string_view text, std::size_t index) {
    const unsigned char b = byteAt(text, index);
    const std::size_t rest = text.size() - index;
    const unsigned char b1 = rest > 1 ? byteAt(text, index + 1) : 0;
    const unsigned char b2 = rest > 2 ? byteAt(text, index + 2) : 0;
    switch (b) {
    case 0xC2: // U+0085 NEL, U+00A0 no-break space
        return (b1 == 0x85 || b1 == 0xA0) ? 2 : 0;
    case 0xE1: // U+1680 ogham space mark
        return (b1 == 0x9A && b2 == 0x80) ? 3 : 0;
    case 0xE2:
        if (b1 == 0x80 && ((b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF))
            return 3;                              // U+2000..U+200A, U+2028, U+2029, U+202F
        return (b1 == 0x81 && b2 == 0x9F) ? 3 : 0; // U+205F
    case 0xE3:                                     // U+3000 ideographic space
        return (b1 == 0x80 && b2 == 0x80) ? 3 : 0;
    default:
        return 0;
    }
}

std::vector<std::string_view> splitSourceLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = lineBreakLengthAt(text, i)) {
            lines.push_back(text.substr(start, i - start));
            i += length;
            start = i;
        } else {
            ++i;
        }
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string_view trimSource(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t length = separatorLengthAt(text, start);
        if (length == 0)
            break;
        start += length;
    }
    // From the end: a separator outside ASCII is two or three bytes whose
    // first byte (C2, E1, E2, E3) can only ever start a character, so matching
    // it backwards finds exactly what a forward scan would.
    std::size_t end = text.size();
    while (end > start) {
        if (separatorLengthAt(text, end - 1) == 1)
            --end;
        else if (end - start >= 2 && separatorLengthAt(text, end - 2) == 2)
            end -= 2;
        else if (end - start >= 3 && separatorLengthAt(text, end - 3) == 3)
            end -= 3;
        else
            break;
    }
    return text.substr(start, end - start);
}

std::vector<std::string_view> splitSourceTokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (const std::size_t length = separatorLengthAt(text, i)) {
            if (i > start)
                tokens.push_back(text.substr(start, i - start));
            i += length;
            start = i;
        } else {
            // Only ASCII and well-formed sequences can hold separators, so
            // stepping over a whole character never skips one.
            i += byteAt(text, i) < 0x80 ? 1 : decodeUtf8At(text, i).length;
        }
    }
    if (i > start)
        tokens.push_back(text.substr(start, i - start));
    return tokens;
}

std::string_view firstSourceToken(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = separatorLengthAt(text, i);
        if (length == 0)
            break;
        i += length;
    }
    const std::size_t start = i;
    while (i < text.size() && separatorLengthAt(text, i) == 0)
        i += byteAt(text, i) < 0x80 ? 1 : decodeUtf8At(text, i).length;
    return text.substr(start, i - start);
}

DecodedChar decodeUtf8At(std::string_view text, std::size_t index) {
    const unsigned char lead = byteAt(text, index);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return {};
    }
    if (text.size() - index < length)
        return {};
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = byteAt(text, index + k);
        if ((next & 0xC0u) != 0x80u)
            return {};
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return {};
    return {codePoint, length};
}

bool isWellFormedUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (byteAt(text, i) < 0x80) {
            ++i;
            continue;
        }
        const DecodedChar decoded = decodeUtf8At(text, i);
        if (!decoded.codePoint)
            return false;
        i += decoded.length;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string upperCased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const locale_t locale = utf8Locale();
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = byteAt(text, i);
        if (b < 0x80) {
            out.push_back(b >= 'a' && b <= 'z' ? static_cast<char>(b - 'a' + 'A')
                                               : static_cast<char>(b));
            ++i;
            continue;
        }
        const DecodedChar decoded = decodeUtf8At(text, i);
        if (decoded.codePoint && locale != locale_t{}) {
            const wint_t upper = towupper_l(static_cast<wint_t>(*decoded.codePoint), locale);
            const auto mapped = static_cast<char32_t>(upper);
            const bool usable = mapped <= 0x10FFFF && !(mapped >= 0xD800 && mapped <= 0xDFFF);
            appendUtf8(out, usable ? mapped : *decoded.codePoint);
        } else {
            out.append(text.substr(i, decoded.length));
        }
        i += decoded.length;
    }
    return out;
}

std::string asciiLowerCased(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i];
        char b = prefix[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

bool isUnicodeLetter(char32_t c) {
    if (c < 0x80)
        return isAsciiLetter(c);
    const locale_t locale = utf8Locale();
    return locale != locale_t{} && iswalpha_l(static_cast<wint_t>(c), locale) != 0;
}

bool isUnicodeLetterOrDigit(char32_t c) {
    if (c < 0x80)
        return isAsciiLetter(c) || isAsciiDigit(c);
    const locale_t locale = utf8Locale();
    return locale != locale_t{} && iswalnum_l(static_cast<wint_t>(c), locale) != 0;
}

std::optional<std::uint32_t> parseUInt32(std::string_view text, int radix) {
    const auto parsed = parseDigits(text, radix);
    if (!parsed || parsed->overflow ||
        parsed->magnitude > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    if (parsed->negative && parsed->magnitude != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(parsed->magnitude);
}

std::optional<std::int64_t> parseInt64(std::string_view text, int radix) {
    const auto parsed = parseDigits(text, radix);
    if (!parsed || parsed->overflow)
        return std::nullopt;
    constexpr auto maximum = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (parsed->negative) {
        if (parsed->magnitude > maximum + 1)
            return std::nullopt;
        return parsed->magnitude == maximum + 1 ? std::numeric_limits<std::int64_t>::min()
                                                : -static_cast<std::int64_t>(parsed->magnitude);
    }
    if (parsed->magnitude > maximum)
        return std::nullopt;
    return static_cast<std::int64_t>(parsed->magnitude);
}

} // namespace norix
