#pragma once
// Sample glyph columns and image data for the conversation tests. No two
// neighbours are alike, so a chunk sent twice or skipped always shows.

#include "core/images/ImageRLE.h"
#include "core/util/Bytes.h"

#include <cstdint>
#include <vector>

namespace norix::testing {

inline std::vector<std::uint64_t> sampleColumns(std::size_t count) {
    std::vector<std::uint64_t> columns;
    for (std::size_t i = 0; i < count; ++i)
        columns.push_back((i * 37 + 11) & 0x7F);
    return columns;
}

// RLE records of `count` single pixels: 3 bytes a pixel.
inline Bytes distinctPixels(std::size_t count, std::uint32_t seed = 0) {
    std::vector<std::uint16_t> pixels;
    for (std::uint32_t i = 0; i < count; ++i)
        pixels.push_back(static_cast<std::uint16_t>((seed + i) * 2654435761u));
    return rebuildCompressedImageData(pixels);
}

} // namespace norix::testing
