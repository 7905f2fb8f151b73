#include "core/images/ImageRLE.h"

namespace norix {
namespace {

constexpr unsigned maximumRunLength = 255;

void appendRun(std::vector<std::uint8_t>& data, unsigned length, std::uint16_t colour) {
    data.push_back(static_cast<std::uint8_t>(length));
    data.push_back(static_cast<std::uint8_t>(colour >> 8));
    data.push_back(static_cast<std::uint8_t>(colour & 0xFF));
}

} // namespace

std::vector<std::uint8_t> rebuildCompressedImageData(std::span<const std::uint16_t> pixels,
                                                     std::size_t reserveBytes) {
    std::vector<std::uint8_t> data;
    if (pixels.empty())
        return data;
    data.reserve(reserveBytes);
    std::uint16_t colour = pixels[0];
    unsigned length = 1;
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        if (pixels[i] == colour && length < maximumRunLength) {
            ++length;
            continue;
        }
        appendRun(data, length, colour);
        colour = pixels[i];
        length = 1;
    }
    appendRun(data, length, colour);
    return data;
}

std::optional<std::vector<std::uint16_t>> decompressImageRLE(std::span<const std::uint8_t> data,
                                                             std::size_t expectedPixelCount) {
    if (data.empty() || data.size() % 3 != 0)
        return std::nullopt;
    std::vector<std::uint16_t> pixels;
    pixels.reserve(expectedPixelCount < (data.size() / 3) * maximumRunLength
                       ? expectedPixelCount
                       : (data.size() / 3) * maximumRunLength);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t length = data[i];
        const auto colour = static_cast<std::uint16_t>((data[i + 1] << 8) | data[i + 2]);
        if (length == 0 || pixels.size() + length > expectedPixelCount)
            return std::nullopt;
        pixels.insert(pixels.end(), length, colour);
    }
    if (pixels.size() != expectedPixelCount)
        return std::nullopt;
    return pixels;
}

} // namespace norix
