#pragma once
// Small UTF-8 text helpers shared by the readers of chip, font and image files:
// validation, trimming of white space and line breaks, splitting at line
// breaks, and strict decimal parsing. They work on bytes and never fail, so
// they are safe on text that is not valid UTF-8.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norix {

inline constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

// Removes one leading U+FEFF, if present.
std::string_view withoutByteOrderMark(std::string_view text);

// White space is the tab and the Unicode space separators (space, no-break
// space, the typographic spaces, ideographic space). Line breaks are LF, VT,
// FF, CR, NEL and the Unicode line and paragraph separators.
std::string_view trimWhitespace(std::string_view text);
std::string_view trimWhitespaceAndNewlines(std::string_view text);
std::string_view trimNewlines(std::string_view text);

// Splits at every line-break character; a CR LF pair yields an empty line
// between them. An empty text gives one empty line.
std::vector<std::string_view> splitAtLineBreaks(std::string_view text);
// Splits at LF only, keeping empty lines.
std::vector<std::string_view> splitAtLineFeeds(std::string_view text);
// Parts separated by runs of white space; no empty parts.
std::vector<std::string_view> splitAtWhitespace(std::string_view text);
// The same without allocating: stores the first parts in `out` and returns
// how many parts there are in all.
std::size_t splitAtWhitespace(std::string_view text, std::span<std::string_view> out);

// CR LF pairs and lone CRs become one `replacement` each.
std::string replaceCarriageReturns(std::string_view text, std::string_view replacement);

std::string asciiLowercase(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// An optional '+' or '-' followed by one or more ASCII digits, nothing else,
// within the range of a signed 64-bit integer.
std::optional<std::int64_t> parseDecimalInt64(std::string_view text);

} // namespace norix
