#pragma once
// Every way in which reading a chip file can fail, each with the message the
// windows and the CLI show unchanged.

#include "core/util/FileReadError.h"

#include <cstddef>
#include <string_view>

namespace norix {

enum class ChipFileErrorKind {
    unsupportedFileType, // carries the file type
    invalidPinCount,     // carries the value
    invalidChipType,     // carries the value
    invalidImageIndex,   // carries the value
    unreadableFile,
    emptyFile,
    missingChipSection,
    missingMetadata,
    missingName,
    fileSystem, // carries the system's reason
};

using ChipFileCodecError = FileReadError<ChipFileErrorKind>;

// The error of `kind`; `value` is the offending text, trimmed, for the kinds
// that carry one.
ChipFileCodecError chipFileError(ChipFileErrorKind kind, std::string_view value = {},
                                 std::size_t line = 0);

} // namespace norix
