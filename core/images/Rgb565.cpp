#include "core/images/Rgb565.h"

#include <cmath>

namespace norix {
namespace {

std::uint16_t scaled(double component, double maximum) {
    if (!(component > 0.0))
        return 0;
    if (component > 1.0)
        component = 1.0;
    return static_cast<std::uint16_t>(std::round(component * maximum));
}

} // namespace

std::uint16_t rgb565(double red, double green, double blue) {
    return static_cast<std::uint16_t>((scaled(red, 31.0) << 11) | (scaled(green, 63.0) << 5) |
                                      scaled(blue, 31.0));
}

Rgb8 rgb8FromRgb565(std::uint16_t value) {
    const unsigned red5 = value >> 11;
    const unsigned green6 = (value >> 5) & 63U;
    const unsigned blue5 = value & 31U;
    return {static_cast<std::uint8_t>(red5 * 255 / 31),
            static_cast<std::uint8_t>(green6 * 255 / 63),
            static_cast<std::uint8_t>(blue5 * 255 / 31)};
}

std::vector<std::uint8_t> rgbaFromRgb565(std::span<const std::uint16_t> pixels) {
    std::vector<std::uint8_t> buffer;
    buffer.reserve(pixels.size() * 4);
    for (std::uint16_t pixel : pixels) {
        const Rgb8 colour = rgb8FromRgb565(pixel);
        buffer.push_back(colour.red);
        buffer.push_back(colour.green);
        buffer.push_back(colour.blue);
        buffer.push_back(255);
    }
    return buffer;
}

} // namespace norix
