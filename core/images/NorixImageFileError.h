#pragma once
// Every way in which reading an image file can fail, each with the message the
// image window and the CLI show unchanged.

#include "core/util/FileReadError.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace norix {

enum class ImageFileErrorKind {
    invalidDataLine,    // text: the line, trimmed
    sizeMismatch,       // first: declared size, second: bytes found
    pixelCountMismatch, // first: pixels required, second: pixels expanded
    missingDataSection,
    invalidDimensions,
    imageTooLarge,
    invalidDeclaredSize,
    zeroRun,
    noImageData,
    compressedTooLarge,
    fileSystem, // text: the system's reason; a file that is not UTF-8 counts as unreadable
};

using NorixImageFileError = FileReadError<ImageFileErrorKind>;

// The error of `kind` with the values its message inserts.
NorixImageFileError imageFileError(ImageFileErrorKind kind, std::string_view text = {},
                                   std::int64_t first = 0, std::int64_t second = 0,
                                   std::size_t line = 0);

} // namespace norix
