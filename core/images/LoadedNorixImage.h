#pragma once
// An image as downloaded from a Norix slot: the compressed bytes exactly as the
// device stores them, and the RGB565 pixels they expand to.

#include "core/link/SerialPacket.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace norix {

struct LoadedNorixImage {
    std::int64_t slot = 0;
    std::string name;
    std::int64_t width = 0;
    std::int64_t height = 0;
    Bytes compressedData;
    std::vector<std::uint16_t> pixels; // width × height, row after row

    std::size_t compressedSize() const { return compressedData.size(); }

    bool operator==(const LoadedNorixImage&) const = default;
};

} // namespace norix
