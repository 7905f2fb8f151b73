#pragma once
// Every way in which reading a chip file can fail, each with the message the
// windows and the CLI show unchanged.

#include "core/util/AtomicFile.h"

#include <string>
#include <variant>

namespace norix {

struct ChipFileCodecError {
    enum class Kind {
        unsupportedFileType, // carries the file type
        invalidPinCount,     // carries the value
        invalidChipType,     // carries the value
        invalidImageIndex,   // carries the value
        unreadableFile,
        emptyFile,
        missingChipSection,
        missingMetadata,
        missingName,
    };

    Kind kind = Kind::emptyFile;
    std::string value; // the offending text, trimmed; empty for the cases without one

    std::string message() const;
    bool operator==(const ChipFileCodecError&) const = default;
};

// A failed load: either the file system's own error or the reader's.
struct ChipFileLoadError {
    std::variant<FileError, ChipFileCodecError> cause;

    std::string message() const;
    bool operator==(const ChipFileLoadError&) const = default;
};

} // namespace norix
