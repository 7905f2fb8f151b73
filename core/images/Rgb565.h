#pragma once
// RGB565 pixels: red in bits 15-11, green in 10-5, blue in 4-0. Conversions
// from colour components for the colour wells and to 8-bit RGBA for drawing.

#include <cstdint>
#include <span>
#include <vector>

namespace norix {

// Components 0.0 to 1.0 (values outside are clamped, NaN counts as 0), scaled
// to 31, 63 and 31 and rounded half away from zero.
std::uint16_t rgb565(double red, double green, double blue);

struct Rgb8 {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb8&) const = default;
};

// Each component scaled to 255 by integer division (red 16 gives 131).
Rgb8 rgb8FromRgb565(std::uint16_t value);

// Four bytes per pixel, red, green, blue, 255, in the order of `pixels`.
std::vector<std::uint8_t> rgbaFromRgb565(std::span<const std::uint16_t> pixels);

} // namespace norix
