#include "gui/images/ImageManagerView.h"

#include "core/images/NorixImageFile.h"
#include "gui/images/ImagePixelView.h"
#include "gui/images/NewImageDialog.h"
#include "tests/gui/GuiTestSupport.h"

#include <QProgressBar>
#include <QToolButton>

namespace norix {
namespace {

using test::waitFor;

// The image window on its own link; dialogs answer from the test.
struct ImageWindow : test::LinkFixture {
    ImageWindow() : window(std::make_unique<ImageManagerView>(device)) {
        window->dialogs().showAlert = [this](const std::string& title, const std::string& message) {
            alerts.push_back(title + ": " + message);
        };
        window->dialogs().askAboutUnsavedChanges = [this] {
            ++questions;
            return answer;
        };
        window->show();
    }
    void newImage(const std::string& width, const std::string& height) {
        window->dialogs().askNewImage = [=] { return NewImageEntry{"pic", width, height}; };
        QTest::mouseClick(window->newButton(), Qt::LeftButton);
    }
    // Presses at the centre of pixel `from`, moves through `through`, releases.
    void drag(Qt::MouseButton button, QPoint from, std::vector<QPoint> through = {}) {
        ImagePixelView* canvas = window->canvas();
        const double scale = window->editor().editorScale();
        const auto at = [scale](QPoint pixel) {
            return QPointF((pixel.x() + 0.5) * scale, (pixel.y() + 0.5) * scale).toPoint();
        };
        QTest::mousePress(canvas, button, {}, at(from));
        for (QPoint point : through)
            QTest::mouseMove(canvas, at(point));
        QTest::mouseRelease(canvas, button, {}, at(through.empty() ? from : through.back()));
    }
    std::uint16_t pixel(int x, int y) const {
        const auto& image = window->editor().image();
        return image.imagePixels[static_cast<std::size_t>(y * image.imageWidth + x)];
    }

    std::unique_ptr<ImageManagerView> window;
    std::vector<std::string> alerts;
    UnsavedChoice answer = UnsavedChoice::cancel;
    int questions = 0;
};

TEST(ImageWindow, WithoutALinkSlotsAreEmptyAndANewImageNeedsASizeAndIsAskedAbout) {
    ImageWindow f;
    ImageManagerView& w = *f.window;
    EXPECT_EQ(w.slotList()->count(), 255);
    EXPECT_EQ(w.slotList()->item(6)->text(), QStringLiteral("007  [EMPTY]"));
    for (QPushButton* button : {w.refreshButton(), w.loadNorixButton(), w.saveNorixButton()})
        EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
    f.newImage("161", "10");
    EXPECT_EQ(f.alerts,
              std::vector<std::string>{"Cannot Create Image: Width must be between 1 and 160."});
    EXPECT_FALSE(w.canvas()->hasImage());
    EXPECT_EQ(w.imageCode()->toPlainText(), QStringLiteral("No image loaded."));

    // Unsaved work is asked about before it is replaced or closed.
    f.newImage("8", "8");
    f.drag(Qt::LeftButton, {0, 0});
    f.answer = UnsavedChoice::cancel;
    f.newImage("4", "4");
    EXPECT_EQ(f.questions, 1);
    EXPECT_EQ(f.window->editor().image().imageWidth, 8);
    EXPECT_FALSE(f.window->close());

    const auto saved = f.devices.path() / "saved.txt";
    f.window->dialogs().chooseImageSavePath = [&](const std::string& proposed) {
        EXPECT_EQ(proposed, "pic.txt");
        return std::optional(saved);
    };
    f.answer = UnsavedChoice::save;
    f.newImage("4", "4");
    EXPECT_EQ(f.window->editor().image().imageWidth, 4);
    EXPECT_EQ(NorixImageFile::load(saved)->imageWidth, 8);
    EXPECT_TRUE(f.window->close()); // nothing unsaved: no question
    EXPECT_EQ(f.questions, 3);

    // Once the user agreed to lose an edit, closing does not ask again.
    f.window->show();
    f.drag(Qt::LeftButton, {0, 0});
    f.answer = UnsavedChoice::discard;
    EXPECT_TRUE(f.window->confirmDiscardingChanges());
    EXPECT_TRUE(f.window->close());
    EXPECT_EQ(f.questions, 4);
}

TEST(ImageWindow, DrawingFollowsTheMouseTheToolAndColourButtonsUndoAndZoom) {
    ImageWindow f;
    f.newImage("20", "20");
    f.drag(Qt::LeftButton, {1, 1}, {{2, 1}, {3, 1}, {30, 1}});
    EXPECT_EQ(f.pixel(1, 1), 0xFFFF);
    EXPECT_EQ(f.pixel(3, 1), 0xFFFF);
    f.window->dialogs().chooseColor = [](const EditorColor&, const std::string&) {
        return std::optional(EditorColor{1.0, 0.0, 0.0});
    };
    QTest::mouseClick(f.window->colorWell(true), Qt::LeftButton);
    f.drag(Qt::RightButton, {2, 1});
    EXPECT_EQ(f.pixel(2, 1), 0xF800);
    EXPECT_TRUE(f.window->imageCode()->toPlainText().contains(QStringLiteral("1 248 0")));

    ASSERT_TRUE(test::activate(*f.window));
    QTest::keyClick(f.window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.pixel(2, 1), 0xFFFF);
    QTest::mouseClick(f.window->undoButton(), Qt::LeftButton);
    EXPECT_EQ(f.pixel(1, 1), 0x0000);
    EXPECT_FALSE(f.window->undoButton()->isEnabled());

    QTest::mouseClick(f.window->toolButton(ImageDrawingTool::circle), Qt::LeftButton);
    f.drag(Qt::LeftButton, {10, 10}, {{12, 10}, {13, 14}});
    EXPECT_EQ(f.pixel(15, 10), 0xFFFF);
    QTest::mouseClick(f.window->zoomInButton(), Qt::LeftButton);
    EXPECT_EQ(f.window->editorTitle()->text(), QStringLiteral("7×"));
    EXPECT_EQ(f.window->canvas()->size(), QSize(140, 140));
    QTest::keyClick(f.window.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(f.window->editorTitle()->text(), QStringLiteral("6×"));
}

TEST(ImageWindow, PngExportImportsBackAndABadPictureRaisesTheAlert) {
    ImageWindow f;
    f.newImage("16", "8");
    f.drag(Qt::LeftButton, {3, 2}); // the exact round trip of a picture is the command line's
    const NorixImage painted = f.window->editor().image();
    const auto png = f.devices.path() / "pic.png";
    f.window->dialogs().choosePngExportPath = [&](const std::string& proposed) {
        EXPECT_EQ(proposed, "pic.png");
        return std::optional(png);
    };
    f.window->exportPng();
    f.window->dialogs().choosePictureToImport = [&] { return std::optional(png); };
    f.answer = UnsavedChoice::discard;
    QTest::mouseClick(f.window->importButton(), Qt::LeftButton);
    EXPECT_EQ(f.window->editor().image().imagePixels, painted.imagePixels);
    EXPECT_TRUE(f.window->importSummary()->text().startsWith(QStringLiteral("Imported 16 × 8")));

    std::ofstream(f.devices.path() / "broken.png") << "not a picture";
    f.window->dialogs().choosePictureToImport = [&] {
        return std::optional(f.devices.path() / "broken.png");
    };
    QTest::mouseClick(f.window->importButton(), Qt::LeftButton);
    ASSERT_EQ(f.alerts.size(), 1U);
    EXPECT_TRUE(f.alerts[0].starts_with("Norix Image File Error: The picture could not be read: "));
    EXPECT_EQ(f.window->editor().image().imagePixels, painted.imagePixels);
}

// The whole road: list, load the sample logo, paint, save it to the Norix as a
// new image, list again, load that one back, lose the link during a load.
TEST(ImageWindow, ARoundTripThroughTheSimulatedNorix) {
    ImageWindow f;
    sim::BuiltInSimulator simulator(f.loop, f.link);
    f.connectTo(simulator);
    ImageManagerView& w = *f.window;
    auto& images = f.device.images();
    ASSERT_TRUE(waitFor([&] { return !images.isLoadingImageList(); }));
    QTest::mouseClick(w.refreshButton(), Qt::LeftButton);
    EXPECT_TRUE(w.busyIndicator()->isVisible());
    EXPECT_FALSE(w.refreshButton()->isEnabled());
    ASSERT_TRUE(waitFor([&] { return !images.isLoadingImageList(); }));
    EXPECT_EQ(w.listStatus()->text(), QStringLiteral("Norix image list loaded."));
    EXPECT_FALSE(w.busyIndicator()->isVisible());

    w.slotList()->setCurrentRow(1); // slot 2: empty
    EXPECT_FALSE(w.loadNorixButton()->isEnabled());
    w.slotList()->setCurrentRow(0);
    ASSERT_EQ(w.slotList()->currentItem()->text(), QStringLiteral("001  Norix Logo"));
    QTest::mouseClick(w.loadNorixButton(), Qt::LeftButton);
    EXPECT_FALSE(w.loadNorixButton()->isEnabled()); // the download runs
    ASSERT_TRUE(waitFor([&] { return images.loadedNorixImage().has_value(); }));
    EXPECT_EQ(w.nameValue()->text(), QStringLiteral("Norix Logo"));
    EXPECT_EQ(w.loadStatus()->text(), QStringLiteral("Loaded image from slot 1."));

    f.drag(Qt::LeftButton, {0, 0}, {{5, 0}});
    const NorixImage painted = w.editor().image();
    QTest::mouseClick(w.saveNorixButton(), Qt::LeftButton);
    EXPECT_FALSE(w.saveNorixButton()->isEnabled());
    ASSERT_TRUE(
        waitFor([&] { return !images.isUploadingNorixImage() && !images.isLoadingImageList(); }));
    EXPECT_EQ(w.uploadStatus()->text(), QStringLiteral("Image uploaded to Norix."));
    EXPECT_FALSE(w.editor().isModified());
    EXPECT_EQ(w.slotList()->item(1)->text(), QStringLiteral("002  Norix Logo"));

    // Isolated pixels all over the logo need more than 4,096 bytes of runs:
    // the size turns red and the image cannot go to the Norix until undone.
    auto& editor = w.editor();
    editor.beginImageEdit();
    for (std::int64_t y = 0; y < 32; ++y)
        for (std::int64_t x = y % 2; x < 64; x += 2)
            editor.applyDrawingTool(x, y, false);
    editor.finishImageEdit();
    EXPECT_FALSE(w.saveNorixButton()->isEnabled());
    EXPECT_FALSE(w.compressedSizeValue()->styleSheet().isEmpty());
    editor.undoImageEdit();
    EXPECT_TRUE(w.saveNorixButton()->isEnabled());
    EXPECT_TRUE(w.compressedSizeValue()->styleSheet().isEmpty());

    f.drag(Qt::LeftButton, {9, 9}); // unsaved again: loading asks first
    f.answer = UnsavedChoice::discard;
    w.slotList()->setCurrentRow(1);
    QTest::mouseClick(w.loadNorixButton(), Qt::LeftButton);
    EXPECT_EQ(f.questions, 1);
    ASSERT_TRUE(waitFor([&] { return images.loadedNorixImage().has_value(); }));
    EXPECT_EQ(w.editor().image(), painted);
    EXPECT_FALSE(w.undoButton()->isEnabled());

    // A link lost half-way through a download leaves the image and shows why.
    simulator.simulator().faults().resetCounts();
    simulator.simulator().faults().add({0xE8, 1, sim::FaultAction::hangUpBefore, 0});
    w.slotList()->setCurrentRow(0);
    QTest::mouseClick(w.loadNorixButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !images.isLoadingNorixImage(); }));
    EXPECT_EQ(w.editor().image(), painted);
    EXPECT_TRUE(w.linkError()->isVisibleTo(&w));
    EXPECT_EQ(w.linkError()->text().toStdString(), f.link.lastError().value_or("?"));
}

} // namespace
} // namespace norix
