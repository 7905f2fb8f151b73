#pragma once
// File names for chips read back from the Norix. A chip's name is whatever
// the device sent, so it is made harmless before it names a file: no path
// separators, no leading dots, nothing a shell would trip over, and never an
// existing file unless the caller asks for it.

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace norix {

// The chip name made into a plain file name without extension ("chip" when
// nothing usable is left), at most 100 bytes of UTF-8.
std::string chipFileBaseName(std::string_view chipName);

// The file a chosen save name is written to: it must end in ".chip" (any
// case); another extension is replaced.
std::filesystem::path withChipExtension(std::filesystem::path path);

// "{base}.chip" in `folder`, or "{base}-2.chip", "{base}-3.chip", ...: the first
// name not in `taken` and, unless `overwrite`, not on disk. The name is added to `taken`.
std::filesystem::path chipFilePathIn(const std::filesystem::path& folder, std::string_view chipName,
                                     std::set<std::string>& taken, bool overwrite);

} // namespace norix
