// The font window's widgets on the offscreen platform: pixel clicks and drags
// with undo, the glyph grid, the dialogs answered by the test, the slot panel
// against the in-process simulator, and the import of a desktop font.

#include "core/fonts/FontSlotConversation.h"
#include "core/link/ProtocolCodes.h"
#include "gui/fonts/DesktopFontImport.h"
#include "gui/fonts/FontManagerView.h"
#include "gui/fonts/FontPreviewViews.h"
#include "gui/fonts/FontSlotsPanel.h"
#include "gui/fonts/GlyphEditorPanel.h"
#include "gui/fonts/GlyphGridView.h"
#include "gui/fonts/NewFontDialog.h"
#include "sim/BuiltInSimulator.h"
#include "tests/gui/GuiTestSupport.h"

#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <bit>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>

namespace norix {
namespace {

using test::waitFor;

struct FontWindow {
    FontWindow()
        : link((test::application(), loop), devices.path().string(), LinkConversations::Included),
          window(std::make_unique<FontManagerView>(link)) {
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
            return std::optional(files.path() / proposed);
        };
        dialogs.runDialog = [this](QDialog& dialog) {
            dialog.show();
            answerDialog(dialog);
            dialog.hide();
            return dialog.result() == QDialog::Accepted;
        };
        window->show();
    }
    ~FontWindow() {
        window.reset();
        link.disconnect(true, false);
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
    std::string glyphLine(int glyph) const {
        const auto text = window->fontFileText()->toPlainText().toStdString();
        const std::string header = "# Glyph " + std::to_string(glyph) + " - ";
        const auto at = text.find('\n', text.find(header));
        return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
    }
    std::vector<std::uint64_t> glyph(int index) const {
        return window->editor().loadedFont()->columnsForGlyph(index);
    }

    test::TempFolder devices;
    test::TempFolder files;
    QtEventLoop loop;
    SerialPortManager link;
    std::unique_ptr<FontManagerView> window;
    std::vector<std::string> alerts;
    std::vector<std::string> proposedNames;
    std::function<void(QDialog&)> answerDialog = [](QDialog& dialog) { dialog.reject(); };
    UnsavedChoice unsavedAnswer = UnsavedChoice::cancel;
    int questions = 0;
};

TEST(FontWindow, StartsEmptyWithTheDashesAndNinetyFiveGlyphButtons) {
    FontWindow f;
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("Font Window"));
    EXPECT_EQ(f.window->size(), QSize(1200, 850));
    EXPECT_EQ(f.window->fontNameLabel()->text(), QStringLiteral("No font file loaded"));
    EXPECT_FALSE(f.window->saveButton()->isEnabled());
    EXPECT_FALSE(f.window->saveAsButton()->isEnabled());
    EXPECT_EQ(f.window->informationValues()[1]->text(), QStringLiteral("— pixels"));
    EXPECT_TRUE(f.window->noFontPreviewLabel()->isVisible());
    EXPECT_EQ(f.window->fontFileText()->toPlainText(), QStringLiteral("No font file loaded."));

    GlyphGridView* grid = f.window->glyphGrid();
    ASSERT_EQ(grid->buttonCount(), 95);
    EXPECT_EQ(grid->labelAt(0), QStringLiteral("SP"));
    EXPECT_EQ(grid->labelAt(1), QStringLiteral("!"));
    EXPECT_EQ(grid->labelAt(94), QStringLiteral("~"));
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->buttonRect(33).center());
    EXPECT_EQ(f.window->editor().selectedGlyph(), 33);
    EXPECT_TRUE(f.window->glyphEditor()->emptyTitleLabel()->isVisible());
    EXPECT_EQ(f.window->glyphEditor()->emptyMessageLabel()->text(),
              QStringLiteral("Open a font file or create a new font to begin."));
}

TEST(FontWindow, NewFontDialogCreatesOnlyWithANameAndEscapeCancels) {
    FontWindow f;
    f.answerDialog = [](QDialog& dialog) {
        auto& newFont = static_cast<NewFontDialog&>(dialog);
        EXPECT_TRUE(newFont.createButton()->isDefault());
        EXPECT_EQ(newFont.widthField()->text(), QStringLiteral("Width: 8 pixels"));
        EXPECT_EQ(newFont.heightField()->maximum(), 8);
        EXPECT_EQ(newFont.glyphCountField()->maximum(), 224);
        newFont.nameField()->setText(QStringLiteral("  \t"));
        EXPECT_FALSE(newFont.createButton()->isEnabled());
        QTest::keyClick(newFont.nameField(), Qt::Key_Return);
        EXPECT_EQ(newFont.result(), QDialog::Rejected); // still open: nothing to create
        QTest::keyClick(&newFont, Qt::Key_Escape);
    };
    QTest::mouseClick(f.window->newFontButton(), Qt::LeftButton);
    EXPECT_FALSE(f.window->editor().loadedFont());

    f.answerDialog = [](QDialog& dialog) {
        auto& newFont = static_cast<NewFontDialog&>(dialog);
        newFont.nameField()->setText(QStringLiteral("Wide"));
        newFont.widthField()->setValue(32);
        newFont.glyphCountField()->setValue(224);
        QTest::keyClick(newFont.nameField(), Qt::Key_Return);
    };
    QTest::mouseClick(f.window->newFontButton(), Qt::LeftButton);
    ASSERT_TRUE(f.window->editor().loadedFont());
    EXPECT_EQ(f.window->fontNameLabel()->text(), QStringLiteral("Wide"));
    EXPECT_EQ(f.window->glyphGrid()->labelAt(100), QStringLiteral("100"));
    GlyphGridView* grid = f.window->glyphGrid();
    EXPECT_EQ(grid->toolTipAt(grid->buttonRect(100).center()), QStringLiteral("Glyph 100"));
    EXPECT_EQ(grid->toolTipAt(grid->buttonRect(33).center()),
              QStringLiteral("Glyph 33, ASCII 65, Character A"));
}

TEST(FontWindow, AClickTogglesAPixelAndTheFontFileTextFollows) {
    FontWindow f;
    f.createNewFont();
    ASSERT_TRUE(f.window->editor().loadedFont());
    EXPECT_EQ(f.window->glyphEditor()->titleLabel()->text(), QStringLiteral("Glyph 0"));
    EXPECT_EQ(f.window->glyphEditor()->codeLabel()->text(), QStringLiteral("ASCII 32"));
    GlyphCanvas* canvas = f.window->glyphEditor()->canvas();
    EXPECT_EQ(canvas->toolTipAt(canvas->pixelCentre(0, 1)),
              QStringLiteral("Column 0, Row 1, Bit 6: Off"));

    f.clickPixel(0, 1);
    EXPECT_EQ(f.glyphLine(0).substr(0, 22), "0b01000000, 0b00000000");
    EXPECT_EQ(canvas->toolTipAt(canvas->pixelCentre(0, 1)),
              QStringLiteral("Column 0, Row 1, Bit 6: On"));
    f.clickPixel(0, 1);
    EXPECT_EQ(f.glyphLine(0).substr(0, 22), "0b00000000, 0b00000000");
}

TEST(FontWindow, ADragPaintsSeveralPixelsAsOneUndoStep) {
    FontWindow f;
    f.createNewFont();
    GlyphCanvas* canvas = f.window->glyphEditor()->canvas();
    QTest::mousePress(canvas, Qt::LeftButton, {}, canvas->pixelCentre(1, 7));
    for (int column = 2; column <= 4; ++column)
        QTest::mouseMove(canvas, canvas->pixelCentre(column, 7));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, canvas->pixelCentre(4, 7));
    EXPECT_EQ(f.glyph(0), (std::vector<std::uint64_t>{0, 1, 1, 1, 1, 0, 0, 0}));
    EXPECT_TRUE(f.window->editor().isModified());

    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f.glyph(0), std::vector<std::uint64_t>(8, 0));
    QTest::keyClick(f.window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(f.glyph(0), (std::vector<std::uint64_t>{0, 1, 1, 1, 1, 0, 0, 0}));
}

TEST(FontWindow, ArrowKeysAndTypedCharactersChooseTheGlyph) {
    FontWindow f;
    f.createNewFont();
    GlyphGridView* grid = f.window->glyphGrid();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(f.window->editor().selectedGlyph(), 1 + grid->columnCount());
    QTest::keyClicks(grid, QStringLiteral("A"));
    EXPECT_EQ(f.window->editor().selectedGlyph(), 33);
    EXPECT_EQ(f.window->glyphEditor()->titleLabel()->text(), QStringLiteral("Glyph 33"));
}

TEST(FontWindow, FirstSaveOfANewFontProposesItsNameThenSavesInPlace) {
    FontWindow f;
    f.createNewFont();
    f.clickPixel(0, 0);
    QTest::mouseClick(f.window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(f.proposedNames, std::vector<std::string>{"New Font.txt"});
    EXPECT_TRUE(std::filesystem::exists(f.files.path() / "New Font.txt"));
    f.clickPixel(1, 0);
    QTest::mouseClick(f.window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(f.proposedNames.size(), 1u);
    EXPECT_FALSE(f.window->editor().isModified());
    EXPECT_TRUE(f.alerts.empty());
}

TEST(FontWindow, AFileOfHeightNineShowsTheAlertAndKeepsTheFont) {
    FontWindow f;
    f.createNewFont();
    const auto tall = f.files.path() / "tall.txt";
    std::ofstream(tall) << "name=Tall\nwidth=1\nheight=9\nsize=1\n[data]\n";
    f.window->dialogs().chooseFontToOpen = [tall] { return std::optional(tall); };
    QTest::mouseClick(f.window->openFontButton(), Qt::LeftButton);
    EXPECT_EQ(f.alerts, std::vector<std::string>{
                            "Could Not Open Font: Norix fonts currently support a maximum height "
                            "of 8 pixels. The file declares a height of 9 pixels."});
    EXPECT_EQ(f.window->fontNameLabel()->text(), QStringLiteral("New Font"));
}

TEST(FontWindow, UnsavedEditsAreAskedAboutBeforeTheyAreReplacedOrClosed) {
    FontWindow f;
    f.createNewFont();
    f.clickPixel(0, 0);
    f.unsavedAnswer = UnsavedChoice::cancel;
    QTest::mouseClick(f.window->newFontButton(), Qt::LeftButton);
    EXPECT_FALSE(f.window->close());
    EXPECT_EQ(f.questions, 2);
    EXPECT_EQ(f.glyph(0)[0], 0x80u);

    f.unsavedAnswer = UnsavedChoice::save;
    EXPECT_TRUE(f.window->close());
    EXPECT_EQ(f.proposedNames, std::vector<std::string>{"New Font.txt"});
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
    EXPECT_EQ(font->glyphCount(), 95);
    EXPECT_EQ(f.glyph(0), std::vector<std::uint64_t>(6, 0));
    const auto a = f.glyph(33);
    const int lit = std::accumulate(a.begin(), a.end(), 0, [](int sum, std::uint64_t column) {
        return sum + std::popcount(column);
    });
    EXPECT_GE(lit, 8) << f.glyphLine(33);
    EXPECT_TRUE(f.window->editor().isModified());

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
struct SimulatorFontWindow : FontWindow {
    SimulatorFontWindow() : simulator(loop, link) {
        EXPECT_TRUE(simulator.start()) << simulator.lastError();
        EXPECT_TRUE(link.connect(simulator.portPath())) << link.lastError().value_or("");
        EXPECT_TRUE(waitFor([this] { return !link.fonts().isLoadingFontList(); }));
    }
    QString slotText(std::size_t slot) const {
        return window->slotsPanel()->slotButtons().at(slot)->text();
    }
    BuiltInSimulator simulator;
};

TEST(FontWindow, SlotButtonsFollowTheSimulatorAndSaveToNorixFillsASlot) {
    SimulatorFontWindow f;
    FontSlotsPanel* slots = f.window->slotsPanel();
    ASSERT_EQ(slots->slotButtons().size(), 6u);
    const NorixFontSlot& first = f.link.fonts().norixFontSlots()[0];
    ASSERT_FALSE(first.isEmpty()); // the simulator's sample font
    EXPECT_TRUE(f.slotText(0).startsWith(QStringLiteral("Slot 0\n") +
                                         QString::fromStdString(*first.name) + "\n"));
    EXPECT_TRUE(slots->slotButtons()[0]->isChecked());
    EXPECT_EQ(f.slotText(2), QStringLiteral("Slot 2\nEmpty"));
    EXPECT_TRUE(slots->deleteButton()->isEnabled());

    QTest::mouseClick(slots->slotButtons()[2], Qt::LeftButton);
    EXPECT_TRUE(slots->slotButtons()[2]->isChecked());
    EXPECT_FALSE(slots->slotButtons()[0]->isChecked());
    EXPECT_FALSE(slots->deleteButton()->isEnabled());      // "Empty"
    EXPECT_FALSE(slots->saveToNorixButton()->isEnabled()); // no font yet

    f.createNewFont();
    ASSERT_TRUE(slots->saveToNorixButton()->isEnabled());
    QTest::mouseClick(slots->saveToNorixButton(), Qt::LeftButton);
    EXPECT_FALSE(slots->saveToNorixButton()->isEnabled());
    EXPECT_FALSE(slots->uploadStatusLabel()->isHidden());
    ASSERT_TRUE(waitFor([&] { return !f.link.fonts().norixFontSlots()[2].isEmpty(); }));
    EXPECT_EQ(f.slotText(2), QStringLiteral("Slot 2\nNew Font\n8 × 8 • 95 glyphs"));
    EXPECT_EQ(slots->uploadStatusLabel()->text(), QStringLiteral("Font uploaded to slot 2."));
    EXPECT_TRUE(slots->deleteButton()->isEnabled());

    QTest::mouseClick(slots->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return f.link.fonts().norixFontSlots()[2].isEmpty(); }));
    EXPECT_EQ(f.slotText(2), QStringLiteral("Slot 2\nEmpty"));
    EXPECT_FALSE(slots->deleteButton()->isEnabled());
}

TEST(FontWindow, ALinkLostMidUploadShowsWhyAndFreesTheButtons) {
    SimulatorFontWindow f;
    f.simulator.simulator().faults().add({cmdFontDataChunk, 1u, FaultAction::hangUpBefore, 0});
    f.createNewFont();
    FontSlotsPanel* slots = f.window->slotsPanel();
    QTest::mouseClick(slots->saveToNorixButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !f.link.fonts().isUploadingFont(); }));
    EXPECT_EQ(slots->uploadStatusLabel()->text(),
              QStringLiteral("Font upload stopped because Norix disconnected."));
    EXPECT_FALSE(slots->uploadStatusLabel()->isHidden());
    // Whatever the reconnect does, the buttons follow the link, not the lost upload.
    ASSERT_TRUE(waitFor([&] { return !f.link.isReconnectPending(); }));
    EXPECT_EQ(slots->saveToNorixButton()->isEnabled(), f.link.isConnected());
}

} // namespace
} // namespace norix
