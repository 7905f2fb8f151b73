#include "core/images/NorixImageFile.h"
#include "core/images/Rgb565.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <random>

namespace norix {
namespace {

using Kind = NorixImageFileError::Kind;
using Pixels = std::vector<std::uint16_t>;
using ByteList = std::vector<std::uint8_t>;

TEST(Rgb565, FromComponents) {
    EXPECT_EQ(rgb565(1.0, 0.0, 0.0), 0xF800);
    EXPECT_EQ(rgb565(0.5, 0.5, 0.5), 0x8410); // halves round away from zero
    EXPECT_EQ(rgb565(0.0, 0.0, 0.0), 0x0000);
    EXPECT_EQ(rgb565(1.0, 1.0, 1.0), 0xFFFF);
    EXPECT_EQ(rgb565(0.0, 1.0, 0.0), 0x07E0);
    EXPECT_EQ(rgb565(2.0, -1.0, std::nan("")), 0xF800);
}

TEST(Rgb565, ToEightBitAndRgba) {
    EXPECT_EQ(rgb8FromRgb565(0x001F), (Rgb8{0, 0, 255}));
    EXPECT_EQ(rgb8FromRgb565(0x8000).red, 131); // red5 = 16
    EXPECT_EQ(rgb8FromRgb565(0x07E0), (Rgb8{0, 255, 0}));
    EXPECT_EQ(rgbaFromRgb565(Pixels{0xFFFF, 0x0000}), (ByteList{255, 255, 255, 255, 0, 0, 0, 255}));
}

TEST(ImageRle, EncodesRunsOfAtMost255) {
    EXPECT_TRUE(rebuildCompressedImageData(Pixels{}).empty());
    EXPECT_EQ(rebuildCompressedImageData(Pixels{0xF800}), (ByteList{1, 248, 0}));
    EXPECT_EQ(rebuildCompressedImageData(Pixels(255, 0xFFFF)), (ByteList{255, 255, 255}));
    EXPECT_EQ(rebuildCompressedImageData(Pixels(256, 0x1234)),
              (ByteList{255, 0x12, 0x34, 1, 0x12, 0x34}));
    EXPECT_EQ(rebuildCompressedImageData(Pixels(300, 0xFFFF)),
              (ByteList{255, 255, 255, 45, 255, 255}));
    EXPECT_EQ(rebuildCompressedImageData(Pixels{1, 1, 2, 1}),
              (ByteList{2, 0, 1, 1, 0, 2, 1, 0, 1}));
    const auto full = rebuildCompressedImageData(Pixels(160 * 128, 0x07E0));
    EXPECT_EQ(full.size(), 243u);
    EXPECT_EQ(full[240], 80);
}

TEST(ImageRle, DecoderRefusesBadData) {
    EXPECT_FALSE(decompressImageRLE(ByteList{}, 0));
    EXPECT_FALSE(decompressImageRLE(ByteList{1, 0, 0, 1}, 1));
    EXPECT_FALSE(decompressImageRLE(ByteList{0, 0, 0}, 0));
    EXPECT_FALSE(decompressImageRLE(ByteList{5, 0, 0}, 4));
    EXPECT_FALSE(decompressImageRLE(ByteList{3, 0, 0}, 4));
    EXPECT_EQ(decompressImageRLE(ByteList{2, 0xF8, 0, 1, 0, 0x1F}, 3),
              (Pixels{0xF800, 0xF800, 0x001F}));
}

TEST(ImageRle, RandomImagesRoundTrip) {
    std::mt19937 random(5);
    for (int i = 0; i < 200; ++i) {
        Pixels pixels(std::uniform_int_distribution<std::size_t>(1, 2000)(random));
        const int colours = std::uniform_int_distribution<int>(1, 4)(random);
        for (auto& p : pixels)
            p = static_cast<std::uint16_t>(
                std::uniform_int_distribution<int>(0, colours - 1)(random) * 0x1111);
        const auto data = rebuildCompressedImageData(pixels);
        EXPECT_EQ(decompressImageRLE(data, pixels.size()), pixels);
    }
}

NorixImage imageOf(std::string name, std::int64_t width, std::int64_t height, Pixels pixels) {
    NorixImage image{std::move(name), width, height, std::move(pixels), {}};
    image.rebuildCompressedImageData();
    return image;
}

TEST(ImageText, WritesTheDocumentedLayout) {
    const auto image = imageOf("Dot", 1, 1, {0xF800});
    EXPECT_EQ(generatedImageText(image),
              "name=Dot\n\nwidth=1\n\nheight=1\n\nsize=3\n\n[data]\n\n1 248 0");
    EXPECT_EQ(generatedImageText(NorixImage{}), "No image loaded.");
    NorixImage partial = image;
    partial.compressedImageData.push_back(7); // half a record is never written
    EXPECT_EQ(generatedImageText(partial),
              "name=Dot\n\nwidth=1\n\nheight=1\n\nsize=4\n\n[data]\n\n1 248 0");
}

using ImageFailure = testing::ReadFailure<Kind>;
class ImageReaderFailures : public testing::ReadFailureTest<Kind, &parseNorixImageText> {};
TEST_P(ImageReaderFailures, GiveTheExactMessage) {
    check();
}

const std::string twoByTwo = "name=T\nwidth=2\nheight=2\n[data]\n";

INSTANTIATE_TEST_SUITE_P(
    Errors, ImageReaderFailures,
    ::testing::Values(
        ImageFailure{"commas", twoByTwo + "  3,255,255 \n", Kind::invalidDataLine,
                     "Invalid image data line: 3,255,255"},
        ImageFailure{"byte range", twoByTwo + "3 256 0\n", Kind::invalidDataLine,
                     "Invalid image data line: 3 256 0"},
        ImageFailure{"four parts", twoByTwo + "1 2 3 4\n", Kind::invalidDataLine,
                     "Invalid image data line: 1 2 3 4"},
        ImageFailure{"negative", twoByTwo + "1 -0 3\n", Kind::invalidDataLine,
                     "Invalid image data line: 1 -0 3"},
        ImageFailure{"key in data", twoByTwo + "name=X\n", Kind::invalidDataLine,
                     "Invalid image data line: name=X"},
        ImageFailure{"zero run", twoByTwo + "0 0 0\n", Kind::zeroRun,
                     "An image data run has a count of zero."},
        ImageFailure{"size negative", "size=-1\n", Kind::invalidDeclaredSize,
                     "The file has an invalid size value."},
        ImageFailure{"size word", "size=abc\n", Kind::invalidDeclaredSize,
                     "The file has an invalid size value."},
        ImageFailure{"size space", "size= 5\n", Kind::invalidDeclaredSize,
                     "The file has an invalid size value."},
        ImageFailure{"no data section", "name=T\nwidth=2\nheight=2\n", Kind::missingDataSection,
                     "The file does not contain a [data] section."},
        ImageFailure{"key case", "name=T\nWidth=10\nheight=2\n[data]\n1 0 0\n",
                     Kind::invalidDimensions,
                     "The file has missing or invalid width and height values."},
        ImageFailure{"space after equals", "width= 2\nheight=2\n[data]\n1 0 0\n",
                     Kind::invalidDimensions,
                     "The file has missing or invalid width and height values."},
        ImageFailure{"zero height", "width=2\nheight=0\n[data]\n1 0 0\n", Kind::invalidDimensions,
                     "The file has missing or invalid width and height values."},
        ImageFailure{"too wide", "width=161\nheight=2\n[data]\n1 0 0\n", Kind::imageTooLarge,
                     "The image is larger than the Norix display limit of 160 \u00D7 128 pixels."},
        ImageFailure{"too tall", "width=1\nheight=129\n[data]\n1 0 0\n", Kind::imageTooLarge,
                     "The image is larger than the Norix display limit of 160 \u00D7 128 pixels."},
        ImageFailure{"no records", twoByTwo, Kind::noImageData,
                     "The file does not contain any image data."},
        ImageFailure{"declared size", "size=6\n" + twoByTwo + "4 0 0\n", Kind::sizeMismatch,
                     "The file declares 6 data bytes, but contains 3."},
        ImageFailure{"too many pixels", twoByTwo + "5 0 0\n", Kind::pixelCountMismatch,
                     "The image data expands to 5 pixels; 4 are required."},
        ImageFailure{"too few pixels", twoByTwo + "3 0 0\n", Kind::pixelCountMismatch,
                     "The image data expands to 3 pixels; 4 are required."}),
    testing::PrintedName());

TEST(ImageText, TooMuchCompressedData) {
    std::string text = "width=160\nheight=128\n[data]\n";
    for (int i = 0; i < 1366; ++i) // 4098 bytes
        text += "1 0 0\n";
    const auto result = parseNorixImageText(text);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "The compressed image data is larger than 4096 bytes.");
}

TEST(ImageText, HugeInputsFailCleanly) {
    std::string many = "width=160\nheight=128\nsize=99999999999999999999\n[data]\n";
    EXPECT_EQ(parseNorixImageText(many).error().kind, Kind::invalidDeclaredSize);
    many = "width=99999999999999999999\nheight=-5\n[data]\n";
    for (int i = 0; i < 300000; ++i) // megabytes of records
        many += "255 1 2\n";
    EXPECT_EQ(parseNorixImageText(many).error().kind, Kind::invalidDimensions);
    many.replace(0, many.find('['), "width=160\nheight=128\n");
    EXPECT_EQ(parseNorixImageText(many).error().kind, Kind::compressedTooLarge);
}

TEST(ImageText, LenientReading) {
    const std::string text = "name= Spaced name\r\n\r\nwidth=+2\rheight=2\n  junk line\n"
                             "width=oops\nwidth=2\n"
                             "[DATA]\r\n\t3 \u00A0 248   0\r\n[data]\r\n  1 0 31  \r\n";
    const auto image = parseNorixImageText(text);
    ASSERT_TRUE(image) << image.error().message();
    EXPECT_EQ(image->imageName, " Spaced name");
    EXPECT_EQ(image->imageWidth, 2);
    EXPECT_EQ(image->imageHeight, 2);
    EXPECT_EQ(image->compressedImageData, (ByteList{3, 248, 0, 1, 0, 31}));
    EXPECT_EQ(image->imagePixels, (Pixels{0xF800, 0xF800, 0xF800, 0x001F}));
    EXPECT_TRUE(image->isDisplayable());
}

TEST(ImageText, RecordsAreKeptAsReadEvenWhenNotMinimal) {
    const auto image = parseNorixImageText("width=2\nheight=1\n[data]\n1 0 5\n1 0 5\n");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->compressedImageData, (ByteList{1, 0, 5, 1, 0, 5}));
}

TEST(ImageText, RandomImagesRoundTripThroughText) {
    std::mt19937 random(11);
    for (int i = 0; i < 100; ++i) {
        const std::int64_t width = std::uniform_int_distribution<std::int64_t>(1, 160)(random);
        const std::int64_t height = std::uniform_int_distribution<std::int64_t>(1, 128)(random);
        Pixels pixels(static_cast<std::size_t>(width * height));
        std::uint16_t colour = 0;
        for (auto& p : pixels) {
            if (std::uniform_int_distribution<int>(0, 200)(random) == 0)
                colour = static_cast<std::uint16_t>(random());
            p = colour;
        }
        const auto image = imageOf("Image " + std::to_string(i), width, height, pixels);
        if (image.compressedImageData.size() > maximumCompressedImageBytes)
            continue;
        const std::string text = generatedImageText(image);
        const auto read = parseNorixImageText(text);
        ASSERT_TRUE(read) << read.error().message();
        EXPECT_EQ(*read, image);
        EXPECT_EQ(generatedImageText(*read), text);
    }
}

class ImageFiles : public ::testing::Test {
protected:
    testing::TempFolder scratch;
    const std::filesystem::path& folder = scratch.path();
};

TEST_F(ImageFiles, SaveLoadAndUnreadableFiles) {
    const auto image = imageOf("Dots", 3, 1, {1, 1, 2});
    const auto path = folder / "Dots.txt";
    ASSERT_FALSE(saveNorixImageFile(image, path));
    const auto read = loadNorixImageFile(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, image);

    ASSERT_FALSE(writeFileAtomically(path, "\xEF\xBB\xBF" + generatedImageText(image)));
    EXPECT_EQ(loadNorixImageFile(path)->imageName, "Dots");

    ASSERT_FALSE(writeFileAtomically(path, "name=\xFF\n"));
    EXPECT_FALSE(loadNorixImageFile(path));
    EXPECT_EQ(loadNorixImageFile(folder / "nothing.txt").error().message(),
              "No such file or directory");
}

TEST_F(ImageFiles, ExampleLogoReadsBack) {
    const char* source = std::getenv("NORIX_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const auto path = std::filesystem::path(source) / "examples" / "images" / "NorixLogo.txt";
    const auto image = loadNorixImageFile(path);
    ASSERT_TRUE(image) << image.error().message();
    EXPECT_TRUE(image->isDisplayable());
    EXPECT_LE(image->imageWidth, logoWidth);
    EXPECT_LE(image->imageHeight, logoHeight);
    EXPECT_EQ(generatedImageText(*image) + "\n", *readWholeFile(path));
}

} // namespace
} // namespace norix
