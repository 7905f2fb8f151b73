#pragma once
// Colour arithmetic shared by the picture import's palette and fit search:
// RGB565 values expanded to 8-bit components and the distance between two.

#include "core/images/Rgb565.h"

#include <cstdint>

namespace norix::picture {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

inline Rgb expanded(std::uint16_t color) {
    const Rgb8 c = rgb8FromRgb565(color);
    return {c.red, c.green, c.blue};
}

inline std::uint16_t toRgb565(double red, double green, double blue) {
    return rgb565(red / 255.0, green / 255.0, blue / 255.0);
}

// Green weighs most, as the eye sees it; enough to pick the nearest colour.
inline int distance(const Rgb& a, const Rgb& b) {
    const int dr = a.red - b.red, dg = a.green - b.green, db = a.blue - b.blue;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

} // namespace norix::picture
