// The search for the picture import's result: the most colours, with as
// little merging of short runs as needed, whose encoding fits the Norix.

#include "core/images/ImageRLE.h"
#include "core/images/PictureColorSpace.h"
#include "core/images/PictureImport.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace norix {
namespace {

using picture::distance;
using picture::expanded;
using picture::Rgb;

std::size_t countDistinct(std::span<const std::uint16_t> pixels) {
    std::vector<bool> seen(65536);
    std::size_t distinct = 0;
    for (std::uint16_t p : pixels) {
        if (!seen[p]) {
            seen[p] = true;
            ++distinct;
        }
    }
    return distinct;
}

PictureFit makeFit(std::int64_t width, std::int64_t height, std::vector<std::uint16_t> pixels) {
    PictureFit fit{width, height, std::move(pixels), {}, 0};
    fit.compressedData = rebuildCompressedImageData(fit.pixels);
    fit.colorCount = countDistinct(fit.pixels);
    return fit;
}

} // namespace

void mergeShortRuns(std::vector<std::uint16_t>& pixels, std::int64_t width,
                    std::size_t minimumRun) {
    if (width <= 0 || minimumRun <= 1)
        return;
    struct Run {
        std::uint16_t color;
        std::size_t length;
    };
    const auto rowWidth = static_cast<std::size_t>(width);
    std::vector<Run> runs;
    for (std::size_t row = 0; row + rowWidth <= pixels.size(); row += rowWidth) {
        runs.clear();
        for (std::size_t x = 0; x < rowWidth; ++x) {
            if (!runs.empty() && runs.back().color == pixels[row + x])
                ++runs.back().length;
            else
                runs.push_back({pixels[row + x], 1});
        }
        while (runs.size() > 1) {
            // Shortest first; among equals, a run between two of one colour,
            // whose merging removes two edges.
            const auto rank = [&runs](std::size_t i) {
                const bool between =
                    i > 0 && i + 1 < runs.size() && runs[i - 1].color == runs[i + 1].color;
                return runs[i].length * 2 + (between ? 0 : 1);
            };
            std::size_t shortest = 0;
            for (std::size_t i = 1; i < runs.size(); ++i)
                if (rank(i) < rank(shortest))
                    shortest = i;
            if (runs[shortest].length >= minimumRun)
                break;
            const Rgb own = expanded(runs[shortest].color);
            std::size_t into = shortest == 0 ? 1 : shortest - 1;
            if (shortest > 0 && shortest + 1 < runs.size() &&
                distance(own, expanded(runs[shortest + 1].color)) <
                    distance(own, expanded(runs[shortest - 1].color)))
                into = shortest + 1;
            runs[into].length += runs[shortest].length;
            runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(shortest));
            // The neighbours on both sides of the merged run may now share a colour.
            const std::size_t left =
                std::min(into, shortest) == 0 ? 0 : std::min(into, shortest) - 1;
            for (std::size_t i = left; i + 1 < runs.size() && i <= left + 1; ++i) {
                if (runs[i].color == runs[i + 1].color) {
                    runs[i].length += runs[i + 1].length;
                    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i) + 1);
                    break;
                }
            }
        }
        std::size_t x = row;
        for (const Run& run : runs)
            for (std::size_t i = 0; i < run.length; ++i)
                pixels[x++] = run.color;
    }
}

PictureFit fitPictureToNorix(const RgbaPicture& picture, const PictureFitOptions& options) {
    if (!picture.isValid())
        return {};
    // Plain names rather than a structured binding: the lambdas below capture them.
    const auto fitted =
        fittedPictureSize(picture.width, picture.height, options.maxWidth, options.maxHeight);
    const std::int64_t width = fitted.first, height = fitted.second;
    const RgbaPicture scaled = width == picture.width && height == picture.height
                                   ? picture
                                   : scalePictureDown(picture, width, height);
    const std::vector<std::uint16_t> exact = rgb565Pixels(scaled);
    const std::size_t distinct = countDistinct(exact);
    std::map<std::size_t, std::vector<std::uint16_t>> quantized;
    const auto reduced = [&](std::size_t colors, std::size_t minimumRun) {
        auto found = quantized.find(colors);
        if (found == quantized.end()) {
            std::vector<std::uint16_t> pixels =
                colors >= distinct && !options.dither
                    ? exact
                    : quantizePicture(scaled, medianCutPalette(exact, colors), options.dither);
            found = quantized.emplace(colors, std::move(pixels)).first;
        }
        std::vector<std::uint16_t> pixels = found->second;
        mergeShortRuns(pixels, width, minimumRun);
        PictureFit fit = makeFit(width, height, std::move(pixels));
        fit.minimumRun = minimumRun;
        return fit;
    };
    const auto fits = [&](const PictureFit& fit) {
        return fit.compressedData.size() <= options.byteLimit;
    };
    static constexpr std::array<std::size_t, 13> runLengths{1,  2,  3,  4,  5,  6, 8,
                                                            10, 12, 16, 20, 24, 32};
    if (options.colors) {
        const std::size_t colors = std::max<std::size_t>(1, *options.colors);
        for (std::size_t run : runLengths) {
            PictureFit fit = reduced(colors, run);
            if (fits(fit) || run == runLengths.back())
                return fit;
        }
    }

    // The encoded size grows with the number of colours, so search upward by
    // doubling, then bisect. More colours than runs can never fit.
    const std::size_t most = std::min(distinct, options.byteLimit / 3);
    const auto mostColorsFitting = [&](std::size_t run) -> std::optional<PictureFit> {
        PictureFit best = reduced(std::min<std::size_t>(2, distinct), run);
        if (!fits(best))
            return std::nullopt;
        if (most <= best.colorCount)
            return best;
        std::size_t good = 2, bad = most + 1;
        for (std::size_t colors = 4; colors <= most; colors *= 2) {
            PictureFit attempt = reduced(colors, run);
            if (!fits(attempt)) {
                bad = colors;
                break;
            }
            good = colors;
            best = std::move(attempt);
        }
        if (bad == most + 1 && good < most) {
            PictureFit attempt = reduced(most, run);
            if (fits(attempt))
                return attempt;
            bad = most;
        }
        while (bad - good > 1) {
            const std::size_t middle = good + (bad - good) / 2;
            PictureFit attempt = reduced(middle, run);
            if (fits(attempt)) {
                good = middle;
                best = std::move(attempt);
            } else {
                bad = middle;
            }
        }
        return best;
    };

    const std::size_t wanted = std::min<std::size_t>(4, distinct);
    std::optional<PictureFit> fallback;
    for (std::size_t run : runLengths) {
        auto fit = mostColorsFitting(run);
        if (fit && fit->colorCount >= wanted)
            return std::move(*fit);
        if (fit && !fallback)
            fallback = std::move(fit);
    }
    if (fallback)
        return std::move(*fallback);
    return reduced(std::min<std::size_t>(2, distinct), runLengths.back());
}

} // namespace norix
