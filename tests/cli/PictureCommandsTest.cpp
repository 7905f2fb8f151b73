// norix image import / export, by running the real binary on pictures made here.

#include "core/images/NorixImageFile.h"
#include "core/images/Rgb565.h"
#include "pictures/PictureFile.h"
#include "tests/cli/CliRunner.h"

#include <QImage>
#include <cmath>

namespace norix::clitest {
namespace {

class PictureCommandsTest : public CliFolderTest {
protected:
    // A picture of smooth shading with fine texture, written in `format`.
    void writePhoto(const std::string& name, int width, int height, const char* format) {
        QImage image(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int t = static_cast<int>(10.0 * std::sin(x * 0.07) * std::cos(y * 0.05));
                image.setPixel(x, y,
                               qRgb(40 + 200 * x / width + t, 30 + 180 * y / height,
                                    220 - 190 * y / height - t));
            }
        ASSERT_TRUE(image.save(QString::fromStdString((folder_ / name).string()), format));
    }
};

TEST_F(PictureCommandsTest, ImportFitsAPhotoIntoTheNorixAndNamesItAfterTheFile) {
    writePhoto("holiday.jpg", 800, 600, "JPG");
    const Outcome run = norix({"image", "import", "holiday.jpg"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("160 × 120 pixels, ")) << run.out;
    EXPECT_TRUE(run.out.ends_with(" bytes.\nWrote holiday.txt\n")) << run.out;
    const auto image = NorixImageFile::load(folder_ / "holiday.txt");
    ASSERT_TRUE(image) << image.error().message();
    EXPECT_EQ(image->imageName, "holiday");

    EXPECT_EQ(norix({"image", "import", "holiday.jpg"}).err,
              "holiday.txt exists; add --force to replace it.\n");
}

TEST_F(PictureCommandsTest, ImportHonoursSizeColoursAndName) {
    writePhoto("wide.png", 400, 100, "PNG");
    const Outcome run = norix({"-q", "image", "import", "wide.png", "-o", "logo.txt", "--size",
                               "132x118", "--colors", "3", "--name", "Wide One"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto image = NorixImageFile::load(folder_ / "logo.txt");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->imageName, "Wide One");
    EXPECT_EQ(run.out, "132 × 33 pixels, 3 colors, " +
                           std::to_string(image->compressedImageData.size()) + " bytes.\n");
}

TEST_F(PictureCommandsTest, ExportWritesOnePixelPerPixelAndImportReadsItBackExactly) {
    const std::vector<std::uint16_t> pixels{0xF800, 0xF800, 0x07E0, 0x001F, 0xFFFF, 0x8410};
    const NorixImage image{"six", 3, 2, pixels, rebuildCompressedImageData(pixels)};
    ASSERT_FALSE(NorixImageFile::save(image, folder_ / "six.txt"));
    ASSERT_EQ(norix({"image", "export", "six.txt", "-o", "six.png"}).status, 0);
    const QImage png(QString::fromStdString((folder_ / "six.png").string()));
    ASSERT_EQ(png.size(), QSize(3, 2));
    const Rgb8 grey = rgb8FromRgb565(0x8410);
    EXPECT_EQ(png.pixel(2, 1), qRgb(grey.red, grey.green, grey.blue));

    ASSERT_EQ(norix({"image", "import", "six.png", "-o", "back.txt"}).status, 0);
    const auto back = NorixImageFile::load(folder_ / "back.txt");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->imagePixels, pixels);
}

// A large grey PNG is averaged down row by row while it is read; the result
// is the one the core's scale-down gives on the whole decoded picture.
TEST_F(PictureCommandsTest, ALargeGreyPngIsScaledWhileItIsRead) {
    QImage grey(2000, 1000, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.scanLine(y)[x] = static_cast<uchar>((x / 7 + y / 3) % 256);
    const auto path = folder_ / "grey.png";
    ASSERT_TRUE(grey.save(QString::fromStdString(path.string()), "PNG"));
    const auto streamed = readPictureFile(path);
    ASSERT_TRUE(streamed) << streamed.error();
    const auto whole = decodePicture(readFile(path));
    ASSERT_TRUE(whole);
    EXPECT_EQ(streamed->rgba, scalePictureDown(*whole, 640, 320).rgba);
}

class PictureRuns : public CliRun {};

TEST_P(PictureRuns, PrintAndExitAsExpected) {
    check({{"junk.png", "this is no picture"}, {"bad.txt", "width=1\nheight=1\n[data]\n0 0 0\n"}});
    EXPECT_FALSE(fs::exists(folder_ / "junk.txt"));
}

const std::string importUsage = "norix: usage: norix image import PICTURE [-o FILE] [--name NAME] "
                                "[--size WxH] [--colors N] [--dither] [--force]\n";
INSTANTIATE_TEST_SUITE_P(
    Cli, PictureRuns,
    ::testing::Values(
        RunCase{"UnreadablePicture", "image import junk.png", 1, "",
                "The picture could not be read: Unsupported image format.\n"},
        RunCase{"SizeTooLarge", "image import junk.png --size 200x10", 2, "", importUsage},
        RunCase{"ZeroColours", "image import junk.png --colors 0", 2, "", importUsage},
        RunCase{"ExportWithoutOutput", "image export bad.txt", 2, "",
                "norix: usage: norix image export FILE -o PICTURE.png\n"},
        RunCase{"ExportOfABadFile", "image export bad.txt -o x.png", 1, "",
                "An image data run has a count of zero.\n"}),
    ::testing::PrintToStringParamName());

} // namespace
} // namespace norix::clitest
