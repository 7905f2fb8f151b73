#pragma once
// Every way in which reading an image file can fail, each with the message the
// image window and the CLI show unchanged.

#include "core/util/AtomicFile.h"

#include <cstdint>
#include <string>
#include <variant>

namespace norix {

struct NorixImageFileError {
    enum class Kind {
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
    };

    Kind kind = Kind::noImageData;
    std::string text;
    std::int64_t first = 0;
    std::int64_t second = 0;

    std::string message() const;
    bool operator==(const NorixImageFileError&) const = default;
};

// A failed load: the file system's error (a file that is not UTF-8 counts as
// unreadable) or the reader's.
struct NorixImageLoadError {
    std::variant<FileError, NorixImageFileError> cause;

    std::string message() const;
    bool operator==(const NorixImageLoadError&) const = default;
};

} // namespace norix
