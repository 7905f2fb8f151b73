// The font window's widgets, with its dialogs answered by the test.

#include "gui/fonts/DesktopFontImport.h"
#include "gui/fonts/FontManagerView.h"
#include "gui/fonts/FontPreviewViews.h"
#include "gui/fonts/FontSlotsPanel.h"
#include "gui/fonts/GlyphEditorPanel.h"
#include "gui/fonts/GlyphGridView.h"
#include "gui/fonts/NewFontDialog.h"
#include "tests/gui/GuiTestSupport.h"

#include <QFontComboBox>
#include <QSpinBox>
#include <bit>
#include <numeric>

namespace norix {
namespace {

using test::waitFor;

struct FontWindow : test::LinkFixture {
    FontWindow() : window(std::make_unique<FontManagerView>(device)) {
        auto& dialogs = window->dialogs();
        dialogs.showAlert = [this](const QString& title, const QString& message) {
            alerts.push_back((title + ": " + message).toStdString());
        };
        dialogs.askAboutUnsavedChanges = [this] {
            ++questions;
            return unsavedAnswer;
        };
        dialogs.chooseSavePath = [this](const std::string& proposed) {
            proposedNames.push_back(proposed);
            return std::optional(devices.path() / proposed);
        };
        dialogs.runDialog = [this](QDialog& dialog) {
            dialog.show();
            answerDialog(dialog);
            dialog.hide();
            return dialog.result() == QDialog::Accepted;
        };
        window->show();
    }
    // A new font through the New Font dialog, with its default values.
    void createNewFont() {
        answerDialog = [](QDialog& dialog) {
            QTest::mouseClick(static_cast<NewFontDialog&>(dialog).createButton(), Qt::LeftButton);
        };
        QTest::mouseClick(window->newFontButton(), Qt::LeftButton);
    }
    void clickPixel(int column, int row) {
        GlyphCanvas* canvas = window->glyphEditor()->canvas();
        QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->pixelCentre(column, row));
    }
    std::vector<std::uint64_t> glyph(int index) const {
        return window->editor().loadedFont()->columnsForGlyph(index);
    }

    std::unique_ptr<FontManagerView> window;
    std::vector<std::string> alerts;
    std::vector<std::string> proposedNames;
    std::function<void(QDialog&)> answerDialog = [](QDialog& dialog) { dialog.reject(); };
    UnsavedChoice unsavedAnswer = UnsavedChoice::cancel;
    int questions = 0;
};

TEST(FontWindow, NewFontDialogCreatesOnlyWithANameAndUnsavedEditsAreAskedAbout) {
    FontWindow f;
    f.answerDialog = [](QDialog& dialog) {
        auto& newFont = static_cast<NewFontDialog&>(dialog);
        newFont.nameField()->setText(QStringLiteral("  \t"));
        EXPECT_FALSE(newFont.createButton()->isEnabled());
        QTest::keyClick(newFont.nameField(), Qt::Key_Return);
        EXPECT_EQ(newFont.result(), QDialog::Rejected); // still open: nothing to create
        newFont.nameField()->setText(QStringLiteral("Wide"));
        newFont.widthField()->setValue(32);
        newFont.glyphCountField()->setValue(224);
        QTest::keyClick(newFont.nameField(), Qt::Key_Return);
    };
    QTest::mouseClick(f.window->newFontButton(), Qt::LeftButton);
    ASSERT_TRUE(f.window->editor().loadedFont());
    EXPECT_EQ(f.window->fontNameLabel()->text(), QStringLiteral("Wide"));
    EXPECT_EQ(f.window->editor().loadedFont()->width(), 32);
    EXPECT_EQ(f.window->glyphGrid()->buttonCount(), 224);

    f.clickPixel(0, 0);
    f.unsavedAnswer = UnsavedChoice::cancel;
    QTest::mouseClick(f.window->newFontButton(), Qt::LeftButton);
    EXPECT_FALSE(f.window->close());
    EXPECT_EQ(f.questions, 2);
    EXPECT_EQ(f.glyph(0)[0], 0x80u);
    f.unsavedAnswer = UnsavedChoice::save;
    EXPECT_TRUE(f.window->close());
    EXPECT_EQ(f.proposedNames, std::vector<std::string>{"Wide.txt"});

    // Saved: opening asks nothing; the font the Norix cannot show stays out.
    f.window->show();
    const auto tall = f.devices.path() / "tall.txt";
    std::ofstream(tall) << "name=Tall\nwidth=1\nheight=9\nsize=1\n[data]\n";
    f.window->dialogs().chooseFontToOpen = [tall] { return std::optional(tall); };
    QTest::mouseClick(f.window->openFontButton(), Qt::LeftButton);
    EXPECT_EQ(f.questions, 3);
    EXPECT_EQ(f.alerts, std::vector<std::string>{
                            "Could Not Open Font: Norix fonts currently support a maximum height "
                            "of 8 pixels. The file declares a height of 9 pixels."});
}

TEST(FontWindow, TheGridChoosesTheGlyphAndTheCanvasPaintsItWithUndo) {
    FontWindow f;
    f.createNewFont();
    GlyphGridView* grid = f.window->glyphGrid();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->buttonRect(40).center());
    EXPECT_EQ(f.window->editor().selectedGlyph(), 40);
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(f.window->editor().selectedGlyph(), 41 + grid->columnCount());
    QTest::keyClicks(grid, QStringLiteral("A"));
    EXPECT_EQ(f.window->editor().selectedGlyph(), 33);
    EXPECT_EQ(f.window->glyphEditor()->titleLabel()->text(), QStringLiteral("Glyph 33"));

    // A click toggles one pixel; a drag paints as one undo step.
    f.clickPixel(0, 7);
    EXPECT_TRUE(f.window->fontFileText()->toPlainText().contains(QStringLiteral("0b00000001")));
    GlyphCanvas* canvas = f.window->glyphEditor()->canvas();
    QTest::mousePress(canvas, Qt::LeftButton, {}, canvas->pixelCentre(1, 7));
    for (int column = 2; column <= 4; ++column)
        QTest::mouseMove(canvas, canvas->pixelCentre(column, 7));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, canvas->pixelCentre(4, 7));
    EXPECT_EQ(f.glyph(33), (std::vector<std::uint64_t>{1, 1, 1, 1, 1, 0, 0, 0}));

    ASSERT_TRUE(test::activate(*f.window));
    QTest::keyClick(f.window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.glyph(33), (std::vector<std::uint64_t>{1, 0, 0, 0, 0, 0, 0, 0}));
    QTest::keyClick(f.window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.glyph(33), (std::vector<std::uint64_t>{1, 1, 1, 1, 1, 0, 0, 0}));
}

TEST(FontWindow, ImportedDejaVuSansMonoHasALitAAndABlankSpace) {
    FontWindow f;
    f.answerDialog = [](QDialog& dialog) {
        auto& import = static_cast<DesktopFontDialog&>(dialog);
        import.familyField()->setCurrentFont(QFont(QStringLiteral("DejaVu Sans Mono")));
        import.widthField()->setValue(6);
        import.heightField()->setValue(8);
        QTest::mouseClick(import.importButton(), Qt::LeftButton);
    };
    QTest::mouseClick(f.window->importFontButton(), Qt::LeftButton);
    const auto& font = f.window->editor().loadedFont();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->name, "DejaVu Sans Mono 6x8");
    EXPECT_EQ(f.glyph(0), std::vector<std::uint64_t>(6, 0));
    const auto a = f.glyph(33);
    const int lit = std::accumulate(a.begin(), a.end(), 0, [](int sum, std::uint64_t column) {
        return sum + std::popcount(column);
    });
    EXPECT_GE(lit, 8);

    // The typed text lights the Norix display.
    QTest::keyClicks(f.window->previewTextField(), QStringLiteral("AAA"));
    const QImage screen = f.window->displayPreview()->grab().toImage();
    int bright = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            bright += qGray(screen.pixel(x, y)) > 200 ? 1 : 0;
    EXPECT_EQ(bright, 3 * lit * NorixDisplayPreview::scale * NorixDisplayPreview::scale);
}

// The window against the in-process simulator: its slot list, an upload and a delete.
TEST(FontWindow, SlotButtonsFollowTheSimulatorAndSaveToNorixFillsASlot) {
    FontWindow f;
    sim::BuiltInSimulator simulator(f.loop, f.link);
    f.connectTo(simulator);
    FontSlotsPanel* slots = f.window->slotsPanel();
    const auto slotText = [slots](std::size_t slot) {
        return slots->slotButtons().at(slot)->text();
    };
    EXPECT_EQ(slotText(2), QStringLiteral("Slot 2\nEmpty"));
    QTest::mouseClick(slots->slotButtons()[2], Qt::LeftButton);
    EXPECT_TRUE(slots->slotButtons()[2]->isChecked());
    EXPECT_FALSE(slots->slotButtons()[0]->isChecked());
    EXPECT_FALSE(slots->saveToNorixButton()->isEnabled()); // no font yet

    f.createNewFont();
    QTest::mouseClick(slots->saveToNorixButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !f.device.fonts().norixFontSlots()[2].isEmpty(); }));
    EXPECT_EQ(slotText(2), QStringLiteral("Slot 2\nNew Font\n8 × 8 • 95 glyphs"));
    EXPECT_EQ(slots->uploadStatusLabel()->text(), QStringLiteral("Font uploaded to slot 2."));
    EXPECT_FALSE(slots->uploadStatusLabel()->isHidden());

    QTest::mouseClick(slots->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return f.device.fonts().norixFontSlots()[2].isEmpty(); }));
    EXPECT_EQ(slotText(2), QStringLiteral("Slot 2\nEmpty"));
    EXPECT_FALSE(slots->deleteButton()->isEnabled());
}

} // namespace
} // namespace norix
