#pragma once
// Whole-file reading and crash-safe replacement of a file. Every writer of chip,
// font and image files goes through writeFileAtomically: the new text goes to a
// temporary file beside the target and only a completed, synced file is renamed
// over it, so a failed save never leaves a half-written or missing file.

#include "core/util/Expected.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace norix {

// A failure of the file system, with the system's own reason (strerror text).
struct FileError {
    int code = 0; // the errno value
    std::string reason;

    const std::string& message() const { return reason; }
    bool operator==(const FileError&) const = default;

    static FileError fromErrno(int errorNumber);
};

// No chip, font or image file comes anywhere near this; the limit keeps a
// device node or a mistaken pick from filling the memory.
inline constexpr std::size_t maximumReadBytes = 64 * 1024 * 1024;

// All bytes of a file, as they are on disk; "File too large" past `limit`.
Expected<std::string, FileError> readWholeFile(const std::filesystem::path& path,
                                               std::size_t limit = maximumReadBytes);

// Replaces (or creates) `path` with `contents`. An existing file keeps its
// permission bits. On failure the old file is untouched and no temporary file
// is left behind.
std::optional<FileError> writeFileAtomically(const std::filesystem::path& path,
                                             std::string_view contents);

} // namespace norix
