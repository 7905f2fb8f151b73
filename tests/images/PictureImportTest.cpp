#include "core/images/PictureImport.h"

#include "core/images/ImageRLE.h"
#include "core/images/Rgb565.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace norix {
namespace {

RgbaPicture
pictureOf(std::int64_t width, std::int64_t height,
          const std::function<std::array<std::uint8_t, 4>(std::int64_t, std::int64_t)>& at) {
    RgbaPicture picture{width, height, {}};
    for (std::int64_t y = 0; y < height; ++y)
        for (std::int64_t x = 0; x < width; ++x)
            for (std::uint8_t byte : at(x, y))
                picture.rgba.push_back(byte);
    return picture;
}

// Smooth shading with fine texture: many colours, few equal neighbours, as a photo has.
RgbaPicture photoLike(std::int64_t width, std::int64_t height) {
    return pictureOf(width, height, [=](std::int64_t x, std::int64_t y) {
        const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
        const double texture = 12.0 * std::sin(x * 0.9) * std::cos(y * 1.3);
        const auto clamp = [](double value) {
            return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
        };
        return std::array<std::uint8_t, 4>{clamp(40 + 200 * u + texture),
                                           clamp(30 + 180 * v * (1 - u) + texture),
                                           clamp(220 - 190 * v + texture), 255};
    });
}

TEST(PictureImport, FittedSizeKeepsTheAspectRatioAndNeverEnlarges) {
    using Size = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(fittedPictureSize(3000, 2000, 160, 128), Size(160, 107)); // 106.7 rounds up
    EXPECT_EQ(fittedPictureSize(3000, 4000, 160, 128), Size(96, 128));
    EXPECT_EQ(fittedPictureSize(10000, 10000, 132, 118), Size(118, 118));
    EXPECT_EQ(fittedPictureSize(100, 50, 160, 128), Size(100, 50));
    EXPECT_EQ(fittedPictureSize(5000, 1, 160, 128), Size(160, 1));
    EXPECT_EQ(fittedPictureSize(0, 10, 160, 128), Size(1, 1));
}

TEST(PictureImport, ScalingAveragesAndLaysTransparencyOverBlack) {
    const RgbaPicture checker = pictureOf(4, 2, [](std::int64_t x, std::int64_t y) {
        const std::uint8_t level = (x + y) % 2 ? 201 : 0;
        return std::array<std::uint8_t, 4>{level, level, level, 255};
    });
    const RgbaPicture halved = scalePictureDown(checker, 2, 1);
    EXPECT_EQ(halved.rgba, (std::vector<std::uint8_t>{101, 101, 101, 255, 101, 101, 101, 255}));
    const RgbaPicture ghost = pictureOf(1, 1, [](auto, auto) {
        return std::array<std::uint8_t, 4>{255, 255, 255, 0};
    });
    EXPECT_EQ(rgb565Pixels(ghost), std::vector<std::uint16_t>{0});
}

TEST(PictureImport, AFewColourPictureKeepsExactlyItsColours) {
    const std::array<std::uint16_t, 3> colors{0xF800, 0x07E0, 0x001F};
    const RgbaPicture stripes = pictureOf(30, 20, [&](std::int64_t x, std::int64_t) {
        const Rgb8 c = rgb8FromRgb565(colors[static_cast<std::size_t>(x / 10)]);
        return std::array<std::uint8_t, 4>{c.red, c.green, c.blue, 255};
    });
    const PictureFit fit = fitPictureToNorix(stripes);
    EXPECT_EQ(fit.width, 30);
    EXPECT_EQ(fit.colorCount, 3U);
    EXPECT_EQ(fit.pixels, rgb565Pixels(stripes));
    EXPECT_EQ(fit.compressedData, rebuildCompressedImageData(fit.pixels));
}

TEST(PictureImport, APhotoFitsIntoTheNorixWithTheMostColoursThatDo) {
    const PictureFit fit = fitPictureToNorix(photoLike(640, 480));
    EXPECT_EQ(fit.width, 160);
    EXPECT_EQ(fit.height, 120);
    EXPECT_LE(fit.compressedData.size(), maximumCompressedImageBytes);
    EXPECT_GE(fit.colorCount, 4U);
    EXPECT_EQ(fit.minimumRun, 1U);
    // One more colour only fits when short runs are merged.
    PictureFitOptions more;
    more.colors = fit.colorCount + 1;
    const PictureFit crowded = fitPictureToNorix(photoLike(640, 480), more);
    EXPECT_GT(crowded.minimumRun, 1U);
    EXPECT_LE(crowded.compressedData.size(), maximumCompressedImageBytes);
    EXPECT_NE(pictureFitSummary(crowded).find("runs of at least"), std::string::npos);
}

TEST(PictureImport, AFixedColourCountAndDitheringAreHonoured) {
    PictureFitOptions options;
    options.colors = 6;
    options.byteLimit = 1 << 20; // no merging of runs, to see what dithering does
    const PictureFit plain = fitPictureToNorix(photoLike(160, 128), options);
    EXPECT_LE(plain.colorCount, 6U);
    options.dither = true;
    const PictureFit dithered = fitPictureToNorix(photoLike(160, 128), options);
    EXPECT_LE(dithered.colorCount, 6U);
    EXPECT_GT(dithered.compressedData.size(), plain.compressedData.size()); // dithering breaks runs
}

TEST(PictureImport, ShortRunsMergeIntoTheNearerNeighbourRowByRow) {
    const std::uint16_t a = 0xFFFF, b = 0xF7DE, c = 0x0000, d = 0x001F;
    std::vector<std::uint16_t> pixels{a, a, a, b, c, c, c, c, //
                                      d, c, c, c, a, a, a, a};
    mergeShortRuns(pixels, 8, 2);
    EXPECT_EQ(pixels, (std::vector<std::uint16_t>{a, a, a, a, c, c, c, c, //
                                                  c, c, c, c, a, a, a, a}));
    std::vector<std::uint16_t> narrow{a, b, a};
    mergeShortRuns(narrow, 3, 8);
    EXPECT_EQ(narrow, (std::vector<std::uint16_t>{a, a, a}));
}

TEST(PictureImport, MedianCutSplitsWhereThePixelsAre) {
    std::vector<std::uint16_t> pixels(100, 0x0000);
    pixels.insert(pixels.end(), 100, 0xFFFF);
    pixels.insert(pixels.end(), 5, 0x0841);
    const auto palette = medianCutPalette(pixels, 2);
    ASSERT_EQ(palette.size(), 2U);
    EXPECT_TRUE(std::set<std::uint16_t>(palette.begin(), palette.end()).count(0xFFFF));
    EXPECT_EQ(medianCutPalette(pixels, 10).size(), 3U);
}

TEST(PictureImport, NamesAreCutToThirtyOneBytesAtACharacterBoundary) {
    // 30 ASCII bytes and a two-byte character: the character does not fit.
    EXPECT_EQ(pictureImageName(std::string(30, 'a') + "\u00E9b"), std::string(30, 'a'));
    EXPECT_EQ(pictureImageName(std::string(29, 'a') + "\u00E9b"), std::string(29, 'a') + "\u00E9");
    EXPECT_EQ(pictureReadErrorText("Unsupported image format"),
              "The picture could not be read: Unsupported image format.");
}

} // namespace
} // namespace norix
