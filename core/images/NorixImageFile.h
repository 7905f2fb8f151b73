#pragma once
// The image text file: name, width, height and size lines, a [data] marker,
// then one line per RLE record ("length high low" in decimal). The reader
// checks the records against the declared size and the Norix's limits and
// expands them into pixels.

#include "core/images/NorixImage.h"
#include "core/images/NorixImageFileError.h"
#include "core/util/AtomicFile.h"
#include "core/util/Expected.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace norix {

inline constexpr std::string_view noImageLoadedText = "No image loaded.";

namespace NorixImageFile {

// Reads a file as UTF-8 (a leading byte-order mark is dropped) and decodes it.
Expected<NorixImage, NorixImageFileError> load(const std::filesystem::path& path);

// Replaces the file with encode(image), atomically.
std::optional<FileError> save(const NorixImage& image, const std::filesystem::path& path);

// Name, width, height, the records exactly as read, and the expanded pixels.
Expected<NorixImage, NorixImageFileError> decode(std::string_view text);

// The image as file text, with no line feed after the last line; the text
// "No image loaded." when the image has no name.
std::string encode(const NorixImage& image);

} // namespace NorixImageFile

} // namespace norix
