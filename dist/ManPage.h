#pragma once
// Our manual pages are kept as light text (headings, paragraphs, term and
// definition pairs, bullets, indented examples, **bold** and *italic*) and
// turned into the roff that man(1) reads when the program is built.

#include <string>
#include <string_view>

namespace norix {

// The roff page for `text`, whose first line reads "name(section) - summary";
// `version` goes into the page footer. Malformed input gives an empty string.
std::string manTextToRoff(std::string_view text, std::string_view version);

} // namespace norix
