#pragma once
// Every way in which reading a font file can fail, each with the message the
// font window and the CLI show unchanged.

#include "core/util/FileReadError.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace norix {

enum class FontFileErrorKind {
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

using FontImportError = FileReadError<FontFileErrorKind>;

// The error of `kind` with the values its message inserts.
FontImportError fontFileError(FontFileErrorKind kind, std::string_view text = {},
                              std::int64_t first = 0, std::int64_t second = 0,
                              std::size_t line = 0);

} // namespace norix
