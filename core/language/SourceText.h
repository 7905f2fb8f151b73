#pragma once
// How the test language sees raw text: which characters break lines, which
// separate tokens, what counts as a letter, and how text is upper-cased. Every
// function works on bytes and accepts any input, valid UTF-8 or not; a byte
// that does not start a well-formed UTF-8 sequence stands for itself.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norix {

std::size_t lineBreakLengthOutsideAscii(std::string_view text, std::size_t index);
std::size_t separatorLengthOutsideAscii(std::string_view text, std::size_t index);

// Length in bytes of the line break (LF, VT, FF, CR, NEL, U+2028, U+2029) that
// starts at `index`, or 0. Inline: it runs once per byte of every program.
inline std::size_t lineBreakLengthAt(std::string_view text, std::size_t index) {
    const auto b = static_cast<unsigned char>(text[index]);
    if (b >= 0x0A && b <= 0x0D)
        return 1;
    return b < 0x80 ? 0 : lineBreakLengthOutsideAscii(text, index);
}

// Length in bytes of the white space (tab, space, no-break space, the other
// Unicode space separators) or line break that starts at `index`, or 0.
inline std::size_t separatorLengthAt(std::string_view text, std::size_t index) {
    const auto b = static_cast<unsigned char>(text[index]);
    if (b == ' ' || (b >= 0x09 && b <= 0x0D))
        return 1;
    return b < 0x80 ? 0 : separatorLengthOutsideAscii(text, index);
}

// Splits at every line-break character; CR LF gives an empty line between the
// two. An empty text gives one empty line. The views point into `text`.
std::vector<std::string_view> splitSourceLines(std::string_view text);
// Removes white space and line breaks at both ends.
std::string_view trimSource(std::string_view text);
// The runs of characters between white space and line breaks; no empty pieces.
std::vector<std::string_view> splitSourceTokens(std::string_view text);
// The first token, or an empty view when there is none.
std::string_view firstSourceToken(std::string_view text);

// One decoded character: its code point, or no value for a byte that does not
// start a well-formed sequence (then `length` is 1).
struct DecodedChar {
    std::optional<char32_t> codePoint;
    std::size_t length = 1;
};
DecodedChar decodeUtf8At(std::string_view text, std::size_t index);
bool isWellFormedUtf8(std::string_view text);
void appendUtf8(std::string& out, char32_t codePoint);

// Upper case, character by character, with the Unicode simple case mapping
// (ASCII letters without a table look-up). Malformed bytes are copied.
std::string upperCased(std::string_view text);
// Lower case of ASCII letters only; enough for the 0x / 0b prefixes.
std::string asciiLowerCased(std::string_view text);
bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

// Unicode letters and digits as the C library's UTF-8 locale classifies them.
bool isUnicodeLetter(char32_t codePoint);
bool isUnicodeLetterOrDigit(char32_t codePoint);

// Number readers with the usual rules of the language: an optional '+' or '-'
// sign, then one or more ASCII digits of the radix (either case), nothing else.
// An unsigned reader accepts '-' only before a zero value.
std::optional<std::uint32_t> parseUInt32(std::string_view text, int radix);
std::optional<std::int64_t> parseInt64(std::string_view text, int radix);

} // namespace norix
