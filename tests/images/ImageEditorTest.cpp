#include "core/images/ImageEditor.h"

#include "core/device/NorixConnection.h"
#include "core/images/ImageSlotConversation.h"
#include "core/images/NorixImageFile.h"
#include "core/loop/ManualEventLoop.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace norix {
namespace {

namespace fs = std::filesystem;

// An editor on a link that is not connected (an empty device folder).
class ImageEditorTest : public ::testing::Test {
protected:
    ImageEditorTest() : device(loop, folder.string()), editor(device.link(), device.images()) {}

    void create(std::int64_t width = 8, std::int64_t height = 6) {
        ASSERT_EQ(editor.createNewImage({"test", std::to_string(width), std::to_string(height)}),
                  std::nullopt);
    }
    // One gesture with the primary (or secondary) button through the given pixels.
    void drag(std::initializer_list<std::pair<std::int64_t, std::int64_t>> points,
              bool right = false) {
        editor.beginImageEdit();
        for (const auto& [x, y] : points)
            editor.applyDrawingTool(x, y, right);
        editor.finishImageEdit();
    }
    std::uint16_t pixel(std::int64_t x, std::int64_t y) const {
        const auto& image = editor.image();
        return image.imagePixels[static_cast<std::size_t>(y * image.imageWidth + x)];
    }

    testing::TempFolder folder;
    ManualEventLoop loop;
    NorixConnection device;
    ImageEditor editor;
};

// The name is checked first, then the width, then the height.
TEST_F(ImageEditorTest, NewImageEntriesAreCheckedInOrder) {
    const std::string euros = "\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC";
    const std::string badWidth = "Width must be between 1 and 160.";
    const std::string badHeight = "Height must be between 1 and 128.";
    EXPECT_EQ(editor.createNewImage({" \t\n", "abc", "0"}), "Enter an image name.");
    EXPECT_EQ(editor.createNewImage({euros, "8", "8"}),
              "The image name must be 31 characters or fewer."); // 33 bytes
    EXPECT_EQ(editor.createNewImage({"a", "0", "x"}), badWidth);
    EXPECT_EQ(editor.createNewImage({"a", "161", "1"}), badWidth);
    EXPECT_EQ(editor.createNewImage({"a", "160", "129"}), badHeight);
    EXPECT_EQ(editor.createNewImage({"a", "16", " 12"}), badHeight);
    EXPECT_FALSE(editor.image().isDisplayable());
    EXPECT_EQ(editor.createNewImage({std::string(31, 'a'), "160", "128"}), std::nullopt);
    EXPECT_EQ(editor.createNewImage({" logo\n", "1", "1"}), std::nullopt);
    EXPECT_EQ(editor.image().imageName, "logo");
}

TEST_F(ImageEditorTest, ANewImageIsBlackWithItsEncodingAndNoHistory) {
    create(160, 128);
    EXPECT_EQ(editor.image().imagePixels, std::vector<std::uint16_t>(160 * 128, 0));
    EXPECT_EQ(editor.compressedSizeText(), "243 / 4096 bytes");
    EXPECT_FALSE(editor.isModified());
    EXPECT_FALSE(editor.canUndo());
}

TEST_F(ImageEditorTest, EachButtonPaintsItsColourAndPaintingAColourOnItselfIsNoStep) {
    create();
    drag({{0, 0}, {1, 0}, {2, 0}});
    editor.setRightDrawingColor({0.0, 0.0, 1.0});
    drag({{0, 0}}, true);
    EXPECT_EQ(pixel(0, 0), 0x001F);
    EXPECT_EQ(pixel(2, 0), 0xFFFF);
    drag({{0, 0}}, true);
    editor.setSelectedDrawingTool(ImageDrawingTool::fill);
    drag({{0, 0}}, true);
    EXPECT_EQ(editor.undoHistory().size(), 2U);
    EXPECT_TRUE(editor.isModified());
    editor.undoImageEdit();
    EXPECT_EQ(pixel(0, 0), 0xFFFF);
    EXPECT_EQ(editor.image().compressedImageData,
              rebuildCompressedImageData(editor.image().imagePixels));
    drag({{3, 3}}); // fills the black around the white line
    EXPECT_EQ(pixel(5, 5), 0xFFFF);
    EXPECT_EQ(editor.undoHistory().size(), 2U);
}

TEST_F(ImageEditorTest, TheHistoryKeepsTheTwentyNewestSnapshots) {
    create(30, 1);
    for (std::int64_t x = 0; x < 25; ++x)
        drag({{x, 0}});
    ASSERT_EQ(editor.undoHistory().size(), 20U);
    for (int i = 0; i < 20; ++i)
        editor.undoImageEdit();
    EXPECT_EQ(
        std::count(editor.image().imagePixels.begin(), editor.image().imagePixels.end(), 0xFFFF),
        5);
    editor.undoImageEdit(); // nothing left: nothing happens
    EXPECT_FALSE(editor.canUndo());
}

TEST_F(ImageEditorTest, AShapeFollowsTheMouseWithoutTrailsAndIsOneStep) {
    create(12, 12);
    editor.setSelectedDrawingTool(ImageDrawingTool::line);
    drag({{0, 0}, {11, 0}, {0, 11}});
    EXPECT_EQ(pixel(11, 0), 0); // the first preview is gone
    EXPECT_EQ(pixel(0, 11), 0xFFFF);
    EXPECT_EQ(editor.undoHistory().size(), 1U);
}

TEST_F(ImageEditorTest, PointsMapToPixelsByTheScaleAndOutsidePointsAreIgnored) {
    create(4, 4); // scale 6
    editor.beginImageEdit();
    editor.applyDrawingToolAtPoint(23.9, 6.0, false);
    editor.applyDrawingToolAtPoint(24.0, 0.0, false);
    editor.applyDrawingToolAtPoint(-7.0, 0.0, false);
    editor.finishImageEdit();
    EXPECT_EQ(pixel(3, 1), 0xFFFF);
    EXPECT_EQ(
        std::count(editor.image().imagePixels.begin(), editor.image().imagePixels.end(), 0xFFFF),
        1);
}

TEST_F(ImageEditorTest, ZoomStaysBetweenTwoAndTwenty) {
    for (int i = 0; i < 20; ++i)
        editor.zoomEditorIn();
    EXPECT_EQ(editor.editorTitle(), "20×");
    EXPECT_FALSE(editor.canZoomIn());
    for (int i = 0; i < 20; ++i)
        editor.zoomEditorOut();
    EXPECT_EQ(editor.editorTitle(), "2×");
    EXPECT_FALSE(editor.canZoomOut());
}

TEST(ImageEditorRules, PreviewScaleFitsThreeHundredTwentyByTwoHundredFiftySix) {
    EXPECT_EQ(previewScale(32, 32), 8); // the height decides
    EXPECT_EQ(previewScale(160, 1), 2);
    EXPECT_EQ(previewScale(0, 10), 1);
}

TEST(ImageEditorRules, TheWellMarkIsBlackOnLightColoursAndWhiteOnDarkOnes) {
    EXPECT_EQ(contrastingColor({0.0, 1.0, 0.0}), blackColor); // 0.587
    EXPECT_EQ(contrastingColor({1.0, 0.0, 0.0}), whiteColor); // 0.299
    EXPECT_EQ(contrastingColor({0.6, 0.6, 0.6}), blackColor);
    EXPECT_EQ(contrastingColor({0.5, 0.5, 0.5}), whiteColor);
}

TEST_F(ImageEditorTest, FilesLoadSaveAndReportErrorsWithoutChangingTheImage) {
    EXPECT_EQ(editor.proposedImageFileName(), "Norix Image.txt");
    EXPECT_EQ(editor.imageFileSaveProblem(), "The file does not contain any image data.");
    create();
    drag({{1, 2}});
    const fs::path file = folder / "test.txt";
    EXPECT_EQ(editor.proposedImageFileName(), "test.txt");
    EXPECT_EQ(editor.saveImageFile(file), std::nullopt);
    EXPECT_FALSE(editor.isModified());
    const NorixImage saved = editor.image();

    std::ofstream(folder / "bad.txt") << "width=2\nheight=2\n[data]\n5 0 0\n";
    EXPECT_EQ(editor.loadImageFile(folder / "bad.txt"),
              "The image data expands to 5 pixels; 4 are required.");
    EXPECT_EQ(editor.image(), saved);
    EXPECT_TRUE(editor.canUndo());

    EXPECT_EQ(editor.createNewImage({"other", "2", "2"}), std::nullopt);
    EXPECT_EQ(editor.loadImageFile(file), std::nullopt);
    EXPECT_EQ(editor.image(), saved);
    EXPECT_FALSE(editor.canUndo());
}

TEST_F(ImageEditorTest, AnImportIsOneUndoStepThatBringsBackTheOldNameAndSize) {
    create(8, 6);
    PictureFit fit{2,
                   1,
                   {0xF800, 0x07E0},
                   rebuildCompressedImageData(std::vector<std::uint16_t>{0xF800, 0x07E0}),
                   2};
    editor.importPicture(fit, "a-very-long-picture-name-that-goes-on-and-on");
    EXPECT_EQ(editor.image().imageName, "a-very-long-picture-name-that-g");
    EXPECT_EQ(editor.image().imageWidth, 2);
    EXPECT_EQ(editor.importSummary(), "Imported 2 × 1 pixels, 2 colors, 6 bytes.");
    EXPECT_TRUE(editor.isModified());
    editor.undoImageEdit();
    EXPECT_EQ(editor.image().imageName, "test");
    EXPECT_EQ(editor.image().imagePixels.size(), 48U);
}

} // namespace
} // namespace norix
