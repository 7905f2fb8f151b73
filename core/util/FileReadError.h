#pragma once
// The one shape in which every file reader fails: what went wrong (each format
// lists its own kinds), the line it was found on, and the text that the windows
// and the CLI show unchanged.

#include "core/util/AtomicFile.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace norix {

template <typename K> struct FileReadError {
    using Kind = K;

    Kind kind{};
    std::size_t line = 0; // from 1; 0 when no single line is to blame
    std::string text;

    const std::string& message() const { return text; }
    bool operator==(const FileReadError&) const = default;

    // A file that could not be read at all fails with the system's own reason.
    static FileReadError fromFileError(const FileError& error) {
        return {Kind::fileSystem, 0, error.reason};
    }
};

// The line, from 1, of `text` on which `position` starts; `position` views a
// part of `text`. Every line break that splitAtLineBreaks knows ends a line, and
// CR LF ends one, as in an editor.
std::size_t lineNumberAt(std::string_view text, std::string_view position);

} // namespace norix
