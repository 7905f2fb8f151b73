#pragma once
// Large PNG pictures read row by row and averaged down while they are read,
// so that a 10,000 × 10,000 picture of any colour type never sits in memory
// whole (Qt's reader decodes palette and grey pictures at full size first).

#include "core/images/PictureImport.h"
#include "core/util/Expected.h"

#include <filesystem>
#include <optional>
#include <string>

namespace norix {

// The picture averaged down to fit `maxWidth` × `maxHeight` (never enlarged),
// or the reader's error; nothing when the file is no PNG or is interlaced,
// which the caller then reads another way.
std::optional<Expected<RgbaPicture, std::string>>
readPngScaledDown(const std::filesystem::path& path, std::int64_t maxWidth, std::int64_t maxHeight);

} // namespace norix
