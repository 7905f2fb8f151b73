#pragma once
// Picture files (PNG, JPEG, BMP, GIF and whatever else Qt's image readers
// know) in and out of the RGBA buffers that the picture import works on.
// Needs Qt's GUI library but no display, so the CLI uses it too.

#include "core/images/NorixImage.h"
#include "core/images/PictureImport.h"
#include "core/util/Expected.h"

#include <filesystem>
#include <optional>
#include <string>

namespace norix {

// Decodes a picture no larger than a few times `maxWidth` × `maxHeight`: a
// huge picture is scaled while it is decoded (where its format allows), never
// held at full size. The error is the reader's reason.
Expected<RgbaPicture, std::string> readPictureFile(const std::filesystem::path& path,
                                                   std::int64_t maxWidth = screenWidth,
                                                   std::int64_t maxHeight = screenHeight);

// Decodes the whole picture at its own size, for pictures already small.
Expected<RgbaPicture, std::string> decodePicture(const std::string& bytes);

// Writes the image as a PNG at one pixel per pixel, atomically; the error's
// message, or nothing.
std::optional<std::string> writeImagePng(const NorixImage& image,
                                         const std::filesystem::path& path);

// The PNG file bytes of an image (empty for an image that is not displayable).
std::string encodeImagePng(const NorixImage& image);

} // namespace norix
