#include "core/images/ImageDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace norix {
namespace {

std::int64_t roundHalfAway(double value) {
    return static_cast<std::int64_t>(std::round(value));
}

} // namespace

void setImagePixel(NorixImage& image, std::int64_t x, std::int64_t y, std::uint16_t color) {
    if (x < 0 || y < 0 || x >= image.imageWidth || y >= image.imageHeight || !image.isDisplayable())
        return;
    image.imagePixels[static_cast<std::size_t>(y * image.imageWidth + x)] = color;
}

void drawLine(NorixImage& image, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
              std::uint16_t color) {
    if (!image.isDisplayable())
        return;
    const std::int64_t dx = std::llabs(x1 - x0);
    const std::int64_t sx = x0 < x1 ? 1 : -1;
    const std::int64_t dy = -std::llabs(y1 - y0);
    const std::int64_t sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;
    while (true) {
        setImagePixel(image, x0, y0, color);
        if (x0 == x1 && y0 == y1)
            break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void drawEllipse(NorixImage& image, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                 std::int64_t y1, std::uint16_t color) {
    if (!image.isDisplayable())
        return;
    const std::int64_t minX = std::min(x0, x1), maxX = std::max(x0, x1);
    const std::int64_t minY = std::min(y0, y1), maxY = std::max(y0, y1);
    const double rx = static_cast<double>(maxX - minX) / 2.0;
    const double ry = static_cast<double>(maxY - minY) / 2.0;
    if (rx == 0.0 || ry == 0.0) {
        drawLine(image, x0, y0, x1, y1, color);
        return;
    }
    const double cx = static_cast<double>(minX) + rx;
    const double cy = static_cast<double>(minY) + ry;
    // Columns alone leave gaps where the outline is steep, rows alone where it
    // is flat: together they close it. Only the part inside the image is walked.
    const auto spread = [](double t) { return std::sqrt(std::max(0.0, 1.0 - t * t)); };
    for (std::int64_t x = std::max<std::int64_t>(minX, 0);
         x <= std::min(maxX, image.imageWidth - 1); ++x) {
        const double s = spread((static_cast<double>(x) - cx) / rx);
        setImagePixel(image, x, roundHalfAway(cy - ry * s), color);
        setImagePixel(image, x, roundHalfAway(cy + ry * s), color);
    }
    for (std::int64_t y = std::max<std::int64_t>(minY, 0);
         y <= std::min(maxY, image.imageHeight - 1); ++y) {
        const double s = spread((static_cast<double>(y) - cy) / ry);
        setImagePixel(image, roundHalfAway(cx - rx * s), y, color);
        setImagePixel(image, roundHalfAway(cx + rx * s), y, color);
    }
}

void drawCircle(NorixImage& image, std::int64_t centerX, std::int64_t centerY, std::int64_t x1,
                std::int64_t y1, std::uint16_t color) {
    if (!image.isDisplayable())
        return;
    const double dx = static_cast<double>(x1 - centerX);
    const double dy = static_cast<double>(y1 - centerY);
    const std::int64_t radius = roundHalfAway(std::sqrt(dx * dx + dy * dy));
    std::int64_t x = radius, y = 0, d = 1 - radius;
    while (x >= y) {
        for (const auto& [px, py] : {std::pair{x, y}, std::pair{y, x}}) {
            setImagePixel(image, centerX + px, centerY + py, color);
            setImagePixel(image, centerX - px, centerY + py, color);
            setImagePixel(image, centerX + px, centerY - py, color);
            setImagePixel(image, centerX - px, centerY - py, color);
        }
        ++y;
        if (d < 0) {
            d += 2 * y + 1;
        } else {
            --x;
            d += 2 * (y - x) + 1;
        }
    }
}

void floodFill(NorixImage& image, std::int64_t x, std::int64_t y, std::uint16_t color) {
    if (!image.isDisplayable() || x < 0 || y < 0 || x >= image.imageWidth || y >= image.imageHeight)
        return;
    auto& pixels = image.imagePixels;
    const std::size_t width = static_cast<std::size_t>(image.imageWidth);
    const std::size_t height = static_cast<std::size_t>(image.imageHeight);
    const std::size_t start = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
    const std::uint16_t target = pixels[start];
    if (target == color)
        return;
    pixels[start] = color;
    std::vector<std::size_t> stack;
    stack.reserve(width + height);
    stack.push_back(start);
    const auto visit = [&](std::size_t index) {
        if (pixels[index] == target) {
            pixels[index] = color;
            stack.push_back(index);
        }
    };
    while (!stack.empty()) {
        const std::size_t index = stack.back();
        stack.pop_back();
        const std::size_t px = index % width, py = index / width;
        if (px > 0)
            visit(index - 1);
        if (px + 1 < width)
            visit(index + 1);
        if (py > 0)
            visit(index - width);
        if (py + 1 < height)
            visit(index + width);
    }
}

} // namespace norix
