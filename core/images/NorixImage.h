#pragma once
// The image being edited: name, size, RGB565 pixels row after row, and their
// RLE encoding, which is what the image file and the Norix hold. The encoding
// is rebuilt from the pixels after every change.

#include "core/images/ImageRLE.h"
#include "core/link/ProtocolCodes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace norix {

inline constexpr std::int64_t screenWidth = 160; // the largest image
inline constexpr std::int64_t screenHeight = 128;
inline constexpr std::int64_t logoWidth = 132; // the start-up logo area
inline constexpr std::int64_t logoHeight = 118;
inline constexpr std::size_t maximumImageNameBytes = 31;

struct NorixImage {
    std::string imageName; // empty: no image loaded
    std::int64_t imageWidth = 0;
    std::int64_t imageHeight = 0;
    std::vector<std::uint16_t> imagePixels; // pixel (x, y) is entry y * imageWidth + x
    std::vector<std::uint8_t> compressedImageData;

    // Positive size and exactly width × height pixels.
    bool isDisplayable() const {
        return imageWidth > 0 && imageHeight > 0 &&
               imagePixels.size() ==
                   static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(imageHeight);
    }

    void rebuildCompressedImageData() {
        compressedImageData =
            norix::rebuildCompressedImageData(imagePixels, compressedImageData.size());
    }

    bool operator==(const NorixImage&) const = default;
};

} // namespace norix
