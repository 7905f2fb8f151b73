#pragma once
// Run-length encoding of RGB565 images as the Norix stores them: three-byte
// records (run length 1 to 255, colour high byte, colour low byte), runs
// following the pixels row after row, with no header and no terminator.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace norix {

// The encoding of `pixels`, in one pass. `reserveBytes` is room to reserve
// up front (the editor passes the size of the previous encoding).
std::vector<std::uint8_t> rebuildCompressedImageData(std::span<const std::uint16_t> pixels,
                                                     std::size_t reserveBytes = 0);

// The pixels of RLE data read from the Norix; nothing for empty data, a
// length that is not a multiple of 3, a zero run, or a pixel count other than
// `expectedPixelCount`.
std::optional<std::vector<std::uint16_t>> decompressImageRLE(std::span<const std::uint8_t> data,
                                                             std::size_t expectedPixelCount);

} // namespace norix
