#pragma once
// Every way in which reading a font file can fail, each with the message the
// font window and the CLI show unchanged.

#include <cstdint>
#include <string>

namespace norix {

struct FontImportError {
    enum class Kind {
        invalidWidth,             // text: the value
        invalidHeight,            // text: the value
        invalidSize,              // text: the value
        invalidBinaryValue,       // text: the token
        columnTooTall,            // first: the declared height
        sizeMismatch,             // first: declared size, second: columns found
        incompleteGlyph,          // first: size, second: width
        inconsistentColumnHeight, // first: height, second: digit count, text: the token
        unreadableFile,
        missingName,
        missingWidth,
        missingHeight,
        missingSize,
        missingDataSection,
        missingFontData,
    };

    Kind kind = Kind::unreadableFile;
    std::string text;
    std::int64_t first = 0;
    std::int64_t second = 0;

    std::string message() const;
    bool operator==(const FontImportError&) const = default;
};

} // namespace norix
