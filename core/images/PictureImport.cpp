#include "core/images/PictureImport.h"

#include "core/images/ImageRLE.h"
#include "core/images/PictureColorSpace.h"
#include "core/images/Rgb565.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace norix {
namespace {

using picture::distance;
using picture::expanded;
using picture::Rgb;
using picture::toRgb565;

std::size_t nearest(const Rgb& color, std::span<const Rgb> palette) {
    std::size_t best = 0;
    int bestDistance = distance(color, palette[0]);
    for (std::size_t i = 1; i < palette.size() && bestDistance > 0; ++i) {
        const int d = distance(color, palette[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

struct ColorCount {
    std::uint16_t color;
    std::uint32_t count;
    Rgb rgb;
};

struct Box {
    std::size_t begin;
    std::size_t end;
    std::uint64_t pixels;
    int range;
    int axis;
};

int component(const Rgb& rgb, int axis) {
    return axis == 0 ? rgb.red : axis == 1 ? rgb.green : rgb.blue;
}

Box measured(std::vector<ColorCount>& entries, std::size_t begin, std::size_t end) {
    std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
    std::uint64_t pixels = 0;
    for (std::size_t i = begin; i < end; ++i) {
        pixels += entries[i].count;
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], component(entries[i].rgb, axis));
            high[axis] = std::max(high[axis], component(entries[i].rgb, axis));
        }
    }
    Box box{begin, end, pixels, -1, 0};
    for (int axis = 0; axis < 3; ++axis) {
        if (high[axis] - low[axis] > box.range) {
            box.range = high[axis] - low[axis];
            box.axis = axis;
        }
    }
    return box;
}

} // namespace

std::pair<std::int64_t, std::int64_t> fittedPictureSize(std::int64_t width, std::int64_t height,
                                                        std::int64_t maxWidth,
                                                        std::int64_t maxHeight) {
    if (width <= 0 || height <= 0 || maxWidth <= 0 || maxHeight <= 0)
        return {1, 1};
    if (width <= maxWidth && height <= maxHeight)
        return {width, height};
    const double scale = std::min(static_cast<double>(maxWidth) / static_cast<double>(width),
                                  static_cast<double>(maxHeight) / static_cast<double>(height));
    const auto side = [scale](std::int64_t length, std::int64_t limit) {
        const auto scaled =
            static_cast<std::int64_t>(std::lround(static_cast<double>(length) * scale));
        return std::clamp<std::int64_t>(scaled, 1, limit);
    };
    return {side(width, maxWidth), side(height, maxHeight)};
}

RgbaPicture scalePictureDown(const RgbaPicture& picture, std::int64_t width, std::int64_t height) {
    RgbaPicture result{width, height,
                       std::vector<std::uint8_t>(static_cast<std::size_t>(width * height) * 4)};
    if (!picture.isValid() || width <= 0 || height <= 0)
        return result;
    const auto span = [](std::int64_t index, std::int64_t target, std::int64_t source) {
        const std::int64_t from = index * source / target;
        const std::int64_t to = std::max(from + 1, (index + 1) * source / target);
        return std::pair{from, std::min(to, source)};
    };
    for (std::int64_t y = 0; y < height; ++y) {
        const auto [top, bottom] = span(y, height, picture.height);
        for (std::int64_t x = 0; x < width; ++x) {
            const auto [left, right] = span(x, width, picture.width);
            std::array<std::uint64_t, 3> sum{};
            for (std::int64_t sy = top; sy < bottom; ++sy) {
                const std::uint8_t* row =
                    picture.rgba.data() + static_cast<std::size_t>(sy * picture.width) * 4;
                for (std::int64_t sx = left; sx < right; ++sx) {
                    const std::uint8_t* p = row + sx * 4;
                    for (int c = 0; c < 3; ++c)
                        sum[static_cast<std::size_t>(c)] += static_cast<std::uint64_t>(p[c]) * p[3];
                }
            }
            const std::uint64_t area =
                static_cast<std::uint64_t>((bottom - top) * (right - left)) * 255;
            std::uint8_t* out = result.rgba.data() + static_cast<std::size_t>(y * width + x) * 4;
            for (int c = 0; c < 3; ++c)
                out[c] =
                    static_cast<std::uint8_t>((sum[static_cast<std::size_t>(c)] + area / 2) / area);
            out[3] = 255;
        }
    }
    return result;
}

std::vector<std::uint16_t> rgb565Pixels(const RgbaPicture& picture) {
    std::vector<std::uint16_t> pixels;
    if (!picture.isValid())
        return pixels;
    pixels.reserve(picture.rgba.size() / 4);
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
        const double alpha = picture.rgba[i + 3] / 255.0;
        pixels.push_back(toRgb565(picture.rgba[i] * alpha, picture.rgba[i + 1] * alpha,
                                  picture.rgba[i + 2] * alpha));
    }
    return pixels;
}

std::vector<std::uint16_t> medianCutPalette(std::span<const std::uint16_t> pixels,
                                            std::size_t count) {
    std::vector<std::uint32_t> histogram(65536);
    for (std::uint16_t p : pixels)
        ++histogram[p];
    std::vector<ColorCount> entries;
    for (std::size_t color = 0; color < histogram.size(); ++color) {
        if (histogram[color] > 0) {
            const auto value = static_cast<std::uint16_t>(color);
            entries.push_back({value, histogram[color], expanded(value)});
        }
    }
    if (entries.empty() || count == 0)
        return {};

    // Always split the box that spans most colour range times pixels, at the
    // pixel-weighted median of its widest axis.
    std::vector<Box> boxes{measured(entries, 0, entries.size())};
    while (boxes.size() < count) {
        auto widest = boxes.end();
        double widestScore = 0.0;
        for (auto box = boxes.begin(); box != boxes.end(); ++box) {
            const double score = static_cast<double>(box->range) * static_cast<double>(box->pixels);
            if (box->end - box->begin > 1 && score > widestScore) {
                widestScore = score;
                widest = box;
            }
        }
        if (widest == boxes.end())
            break;
        const Box box = *widest;
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [axis = box.axis](const ColorCount& a, const ColorCount& b) {
            return component(a.rgb, axis) < component(b.rgb, axis);
        });
        std::uint64_t seen = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += entries[i].count;
            split = i + 1;
            if (seen * 2 >= box.pixels)
                break;
        }
        *widest = measured(entries, box.begin, split);
        boxes.push_back(measured(entries, split, box.end));
    }

    std::vector<std::uint16_t> palette;
    for (const Box& box : boxes) {
        std::array<double, 3> sum{};
        for (std::size_t i = box.begin; i < box.end; ++i) {
            sum[0] += static_cast<double>(entries[i].rgb.red) * entries[i].count;
            sum[1] += static_cast<double>(entries[i].rgb.green) * entries[i].count;
            sum[2] += static_cast<double>(entries[i].rgb.blue) * entries[i].count;
        }
        const auto pixelsInBox = static_cast<double>(box.pixels);
        const std::uint16_t color =
            box.end - box.begin == 1
                ? entries[box.begin].color
                : toRgb565(sum[0] / pixelsInBox, sum[1] / pixelsInBox, sum[2] / pixelsInBox);
        if (std::find(palette.begin(), palette.end(), color) == palette.end())
            palette.push_back(color);
    }
    return palette;
}

std::vector<std::uint16_t> quantizePicture(const RgbaPicture& picture,
                                           std::span<const std::uint16_t> palette, bool dither) {
    const std::vector<std::uint16_t> exact = rgb565Pixels(picture);
    if (palette.empty())
        return exact;
    std::vector<Rgb> colors;
    for (std::uint16_t p : palette)
        colors.push_back(expanded(p));
    std::vector<std::uint16_t> result(exact.size());
    if (!dither) {
        std::vector<std::int32_t> cache(65536, -1);
        for (std::size_t i = 0; i < exact.size(); ++i) {
            auto& slot = cache[exact[i]];
            if (slot < 0)
                slot = static_cast<std::int32_t>(nearest(expanded(exact[i]), colors));
            result[i] = palette[static_cast<std::size_t>(slot)];
        }
        return result;
    }
    // Floyd–Steinberg: each pixel's error goes on to its unvisited neighbours.
    const auto width = static_cast<std::size_t>(picture.width);
    std::vector<std::array<double, 3>> error(exact.size() + width + 1);
    for (std::size_t i = 0; i < exact.size(); ++i) {
        const Rgb base = expanded(exact[i]);
        const std::array<double, 3> wanted{std::clamp(base.red + error[i][0], 0.0, 255.0),
                                           std::clamp(base.green + error[i][1], 0.0, 255.0),
                                           std::clamp(base.blue + error[i][2], 0.0, 255.0)};
        const Rgb target{static_cast<int>(std::lround(wanted[0])),
                         static_cast<int>(std::lround(wanted[1])),
                         static_cast<int>(std::lround(wanted[2]))};
        const std::size_t chosen = nearest(target, colors);
        result[i] = palette[chosen];
        const std::array<double, 3> miss{wanted[0] - colors[chosen].red,
                                         wanted[1] - colors[chosen].green,
                                         wanted[2] - colors[chosen].blue};
        const std::size_t x = i % width;
        for (int c = 0; c < 3; ++c) {
            const auto k = static_cast<std::size_t>(c);
            if (x + 1 < width)
                error[i + 1][k] += miss[k] * 7 / 16;
            if (x > 0)
                error[i + width - 1][k] += miss[k] * 3 / 16;
            error[i + width][k] += miss[k] * 5 / 16;
            if (x + 1 < width)
                error[i + width + 1][k] += miss[k] * 1 / 16;
        }
    }
    return result;
}

std::string pictureImageName(std::string_view baseName) {
    std::size_t end = std::min(baseName.size(), maximumImageNameBytes);
    // Never end inside a character: back off continuation bytes and the lead byte they follow.
    if (end < baseName.size()) {
        while (end > 0 && (static_cast<unsigned char>(baseName[end]) & 0xC0) == 0x80)
            --end;
    }
    return std::string(baseName.substr(0, end));
}

std::string pictureReadErrorText(std::string_view reason) {
    std::string text = "The picture could not be read: ";
    text += reason;
    if (!text.ends_with('.'))
        text += '.';
    return text;
}

std::string pictureFitSummary(const PictureFit& fit) {
    std::string summary = std::to_string(fit.width) + " × " + std::to_string(fit.height) +
                          " pixels, " + std::to_string(fit.colorCount) +
                          (fit.colorCount == 1 ? " color, " : " colors, ");
    if (fit.minimumRun > 1)
        summary += "runs of at least " + std::to_string(fit.minimumRun) + " pixels, ";
    return summary + std::to_string(fit.compressedData.size()) + " bytes.";
}

} // namespace norix
