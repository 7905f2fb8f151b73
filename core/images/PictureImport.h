#pragma once
// Turning any picture into a Norix image: scaled down (never up) to fit the
// display keeping its aspect ratio, then reduced to a palette of RGB565
// colours by median cut, as many colours as still encode within the Norix's
// 4,096 bytes. Works on 8-bit RGBA buffers; decoding picture files is the
// caller's business.

#include "core/images/NorixImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norix {

// Four bytes per pixel (red, green, blue, alpha), rows from the top.
struct RgbaPicture {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::vector<std::uint8_t> rgba;

    bool isValid() const {
        return width > 0 && height > 0 &&
               rgba.size() == static_cast<std::size_t>(width * height) * 4;
    }
};

struct PictureFitOptions {
    std::int64_t maxWidth = screenWidth;
    std::int64_t maxHeight = screenHeight;
    std::optional<std::size_t> colors; // a fixed number instead of the search
    bool dither = false;               // Floyd–Steinberg; breaks runs, so off unless asked
    std::size_t byteLimit = maximumCompressedImageBytes;
};

struct PictureFit {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::vector<std::uint16_t> pixels;
    std::vector<std::uint8_t> compressedData;
    std::size_t colorCount = 0; // distinct colours in the result
    std::size_t minimumRun = 1; // short runs of each row were merged up to this length
};

// The largest size within maxWidth × maxHeight with the picture's aspect
// ratio, never larger than the picture itself; at least 1 × 1.
std::pair<std::int64_t, std::int64_t> fittedPictureSize(std::int64_t width, std::int64_t height,
                                                        std::int64_t maxWidth,
                                                        std::int64_t maxHeight);

// Averages the source pixels each target pixel covers; transparent parts are
// laid over black, as the Norix's screen is.
RgbaPicture scalePictureDown(const RgbaPicture& picture, std::int64_t width, std::int64_t height);

// RGB565 pixels of an opaque-over-black picture, without any reduction.
std::vector<std::uint16_t> rgb565Pixels(const RgbaPicture& picture);

// At most `count` colours chosen by median cut over the pixels' RGB565 values.
std::vector<std::uint16_t> medianCutPalette(std::span<const std::uint16_t> pixels,
                                            std::size_t count);

// Each pixel replaced by its nearest palette colour, optionally dithered.
std::vector<std::uint16_t> quantizePicture(const RgbaPicture& picture,
                                           std::span<const std::uint16_t> palette, bool dither);

// Within each row, merges every run shorter than `minimumRun` pixels into
// the neighbouring run of the nearer colour, shortest runs first.
void mergeShortRuns(std::vector<std::uint16_t>& pixels, std::int64_t width, std::size_t minimumRun);

// Scales, then searches the most colours whose encoding fits the byte limit.
// A photo's texture makes runs short even with few colours: then the short
// runs are merged, as little as lets at least four colours fit. When nothing
// fits, the two-colour result with the longest merging is returned anyway.
PictureFit fitPictureToNorix(const RgbaPicture& picture, const PictureFitOptions& options = {});

// A picture file's base name as an image name: at most 31 bytes, cut at a
// character boundary.
std::string pictureImageName(std::string_view baseName);

// "The picture could not be read: {reason}."
std::string pictureReadErrorText(std::string_view reason);

// What an import kept, for the window and the CLI:
// "{width} × {height} pixels, {n} colors, {bytes} bytes.", with
// ", runs of at least {k} pixels" before the bytes when runs were merged.
std::string pictureFitSummary(const PictureFit& fit);

} // namespace norix
