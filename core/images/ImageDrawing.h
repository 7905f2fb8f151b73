#pragma once
// The drawing tools of the image editor as plain functions on an image's
// pixel list: lines, ellipses, circles and the flood fill. Points outside the
// image are skipped, so every shape is clipped at the edges; an image whose
// pixel list does not match its size is left alone.

#include "core/images/NorixImage.h"

#include <cstdint>

namespace norix {

// Writes one pixel when (x, y) lies inside the image.
void setImagePixel(NorixImage& image, std::int64_t x, std::int64_t y, std::uint16_t color);

// Integer Bresenham line, both ends included, in every direction.
void drawLine(NorixImage& image, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
              std::uint16_t color);

// The outline of the ellipse inscribed in the box the two points span (both
// ends included); a box one pixel wide or high draws the line between them.
void drawEllipse(NorixImage& image, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                 std::int64_t y1, std::uint16_t color);

// Midpoint circle around (centerX, centerY) through the point (x1, y1), its
// radius rounded half away from zero.
void drawCircle(NorixImage& image, std::int64_t centerX, std::int64_t centerY, std::int64_t x1,
                std::int64_t y1, std::uint16_t color);

// Four-way flood fill from (x, y) with an explicit stack; diagonal pixels do
// not connect.
void floodFill(NorixImage& image, std::int64_t x, std::int64_t y, std::uint16_t color);

} // namespace norix
