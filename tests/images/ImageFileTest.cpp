#include "core/images/NorixImageFile.h"
#include "core/images/Rgb565.h"
#include "tests/support/ReadFailure.h"

#include <gtest/gtest.h>
#include <random>

namespace norix {
namespace {

using Kind = ImageFileErrorKind;
using Pixels = std::vector<std::uint16_t>;
using ByteList = std::vector<std::uint8_t>;

TEST(Rgb565, FromComponentsAndBack) {
    EXPECT_EQ(rgb565(1.0, 0.0, 0.0), 0xF800);
    EXPECT_EQ(rgb565(0.5, 0.5, 0.5), 0x8410); // halves round away from zero
    EXPECT_EQ(rgb565(2.0, -1.0, std::nan("")), 0xF800);
    EXPECT_EQ(rgb8FromRgb565(0x001F), (Rgb8{0, 0, 255}));
    EXPECT_EQ(rgb8FromRgb565(0x8000).red, 131); // red5 = 16
    EXPECT_EQ(rgbaFromRgb565(Pixels{0xFFFF, 0x0000}), (ByteList{255, 255, 255, 255, 0, 0, 0, 255}));
}

TEST(ImageRle, RunsOfAtMost255BothWays) {
    const std::vector<std::pair<Pixels, ByteList>> cases = {
        {{0xF800}, {1, 248, 0}},
        {Pixels(256, 0x1234), {255, 0x12, 0x34, 1, 0x12, 0x34}},
        {Pixels(300, 0xFFFF), {255, 255, 255, 45, 255, 255}},
        {{1, 1, 2, 1}, {2, 0, 1, 1, 0, 2, 1, 0, 1}},
    };
    for (const auto& [pixels, bytes] : cases) {
        EXPECT_EQ(rebuildCompressedImageData(pixels), bytes);
        EXPECT_EQ(decompressImageRLE(bytes, pixels.size()), pixels);
    }
    EXPECT_TRUE(rebuildCompressedImageData(Pixels{}).empty());
    // Nothing, half a record, a zero run, and more or fewer pixels than asked for.
    for (const auto& [bytes, count] : std::vector<std::pair<ByteList, std::size_t>>{
             {{}, 0}, {{1, 0, 0, 1}, 1}, {{0, 0, 0}, 0}, {{5, 0, 0}, 4}, {{3, 0, 0}, 4}})
        EXPECT_FALSE(decompressImageRLE(bytes, count));
}

NorixImage imageOf(std::string name, std::int64_t width, std::int64_t height, Pixels pixels) {
    NorixImage image{std::move(name), width, height, std::move(pixels), {}};
    image.rebuildCompressedImageData();
    return image;
}

TEST(ImageText, WritesTheDocumentedLayout) {
    const auto image = imageOf("Dot", 1, 1, {0xF800});
    EXPECT_EQ(NorixImageFile::encode(image),
              "name=Dot\n\nwidth=1\n\nheight=1\n\nsize=3\n\n[data]\n\n1 248 0");
    EXPECT_EQ(NorixImageFile::encode(NorixImage{}), "No image loaded.");
    NorixImage partial = image;
    partial.compressedImageData.push_back(7); // half a record is never written
    EXPECT_TRUE(NorixImageFile::encode(partial).ends_with("size=4\n\n[data]\n\n1 248 0"));
}

using ImageReadFailures = testing::ReadFailureTest<&NorixImageFile::load, &NorixImageFile::decode>;
using Row = ImageReadFailures::ParamType;
TEST_P(ImageReadFailures, GiveTheExactError) {
    check();
}

const std::string twoByTwo = "name=T\nwidth=2\nheight=2\n[data]\n";
const std::string tooWide =
    "The image is larger than the Norix display limit of 160 \u00D7 128 pixels.";
const std::string badSize = "The file has an invalid size value.";
const std::string badDimensions = "The file has missing or invalid width and height values.";

INSTANTIATE_TEST_SUITE_P(
    Errors, ImageReadFailures,
    ::testing::Values(
        Row{"commas", twoByTwo + "  3,255,255 \n", Kind::invalidDataLine, 5,
            "Invalid image data line: 3,255,255"},
        Row{"byte range", twoByTwo + "\r\n3 256 0\n", Kind::invalidDataLine, 6,
            "Invalid image data line: 3 256 0"},
        Row{"four parts", twoByTwo + "1 2 3 4\n", Kind::invalidDataLine, 5,
            "Invalid image data line: 1 2 3 4"},
        Row{"negative", twoByTwo + "1 -0 3\n", Kind::invalidDataLine, 5,
            "Invalid image data line: 1 -0 3"},
        Row{"key in data", twoByTwo + "\n\nname=X\n", Kind::invalidDataLine, 7,
            "Invalid image data line: name=X"},
        Row{"zero run", twoByTwo + "0 0 0\n", Kind::zeroRun, 5,
            "An image data run has a count of zero."},
        Row{"size negative", "size=-1\n", Kind::invalidDeclaredSize, 1, badSize},
        Row{"size space", "\rsize= 5\n", Kind::invalidDeclaredSize, 2, badSize},
        Row{"no data section", "name=T\nwidth=2\nheight=2\n", Kind::missingDataSection, 0,
            "The file does not contain a [data] section."},
        Row{"key case", "name=T\nWidth=10\nheight=2\n[data]\n1 0 0\n", Kind::invalidDimensions, 0,
            badDimensions},
        Row{"space after equals", "width= 2\nheight=2\n[data]\n1 0 0\n", Kind::invalidDimensions, 0,
            badDimensions},
        Row{"zero height", "width=2\nheight=0\n[data]\n1 0 0\n", Kind::invalidDimensions, 0,
            badDimensions},
        Row{"megabytes of records with bad dimensions",
            "width=99999999999999999999\nheight=-5\n[data]\n" +
                testing::repeated("255 1 2\n", 300000),
            Kind::invalidDimensions, 0, badDimensions},
        Row{"too wide", "width=161\nheight=2\n[data]\n1 0 0\n", Kind::imageTooLarge, 0, tooWide},
        Row{"too tall", "width=1\nheight=129\n[data]\n1 0 0\n", Kind::imageTooLarge, 0, tooWide},
        Row{"no records", twoByTwo, Kind::noImageData, 0,
            "The file does not contain any image data."},
        Row{"too much data", "width=160\nheight=128\n[data]\n" + testing::repeated("1 0 0\n", 1366),
            Kind::compressedTooLarge, 0, "The compressed image data is larger than 4096 bytes."},
        Row{"declared size", "size=6\n" + twoByTwo + "4 0 0\n", Kind::sizeMismatch, 0,
            "The file declares 6 data bytes, but contains 3."},
        Row{"too many pixels", twoByTwo + "5 0 0\n", Kind::pixelCountMismatch, 0,
            "The image data expands to 5 pixels; 4 are required."},
        Row{"too few pixels", twoByTwo + "3 0 0\n", Kind::pixelCountMismatch, 0,
            "The image data expands to 3 pixels; 4 are required."},
        Row{"not UTF-8", "name=\xFF\n", Kind::fileSystem, 0,
            "Invalid or incomplete multibyte or wide character", true},
        Row{"missing file", std::nullopt, Kind::fileSystem, 0, "No such file or directory"}),
    testing::PrintedName());

TEST(ImageText, LenientReadingKeepsTheRecordsAsRead) {
    const std::string text = "name= Spaced name\r\n\r\nwidth=+2\rheight=2\n  junk line\n"
                             "width=oops\nwidth=2\n"
                             "[DATA]\r\n\t2 \u00A0 248   0\r\n[data]\r\n1 248 0\n  1 0 31  \r\n";
    const auto image = NorixImageFile::decode(text);
    ASSERT_TRUE(image) << image.error().message();
    EXPECT_EQ(*image, (NorixImage{" Spaced name", 2, 2, Pixels{0xF800, 0xF800, 0xF800, 0x001F},
                                  ByteList{2, 248, 0, 1, 248, 0, 1, 0, 31}}));
    EXPECT_TRUE(image->isDisplayable());
}

TEST(ImageText, RandomImagesReadBackAsWritten) {
    const auto make = [](std::mt19937& random) {
        auto number = [&](int most) { return std::uniform_int_distribution<int>(1, most)(random); };
        const int width = number(160), height = number(128);
        Pixels pixels(static_cast<std::size_t>(width * height));
        std::uint16_t colour = 0;
        for (auto& p : pixels)
            p = colour = number(160) == 1 ? static_cast<std::uint16_t>(random()) : colour;
        return imageOf("Image " + std::to_string(width), width, height, pixels);
    };
    testing::expectRoundTrips<&NorixImageFile::save, &NorixImageFile::load, &NorixImageFile::encode,
                              &NorixImageFile::decode>(
        100, make, [](const NorixImage& read, const NorixImage& image) {
            EXPECT_EQ(read, image);
            EXPECT_EQ(decompressImageRLE(read.compressedImageData, read.imagePixels.size()),
                      read.imagePixels);
        });
}

} // namespace
} // namespace norix
