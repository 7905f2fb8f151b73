// The font window's model: glyph names, pixel edits with undo, the files it
// opens and saves, the enabling of its buttons against the simulated Norix,
// and the sizes and placements of its pictures.

#include "core/fonts/FontEditor.h"

#include "core/fonts/FontFile.h"
#include "core/fonts/FontLayout.h"
#include "core/link/ProtocolCodes.h"
#include "sim/NorixMemory.h"
#include "tests/support/SimulatedNorix.h"

#include <fstream>

namespace norix::testing {
namespace {

// Printable ASCII has names; the glyphs past '~' only numbers.
TEST(GlyphNames, LabelAndHelpNameTheCharacterUpToTilde) {
    EXPECT_EQ(glyphButtonLabel(0), "SP");
    EXPECT_EQ(glyphHelp(0), "Glyph 0, ASCII 32, Character Space");
    EXPECT_EQ(glyphButtonLabel(94), "~");
    EXPECT_EQ(glyphHelp(94), "Glyph 94, ASCII 126, Character ~");
    EXPECT_EQ(glyphButtonLabel(95), "95");
    EXPECT_EQ(glyphHelp(95), "Glyph 95");
    EXPECT_EQ(glyphDisplayName(95), "Glyph 95");
}

class FontEditorTest : public ConversationFixture {
protected:
    // Three columns by four rows, two glyphs; glyph 1 selected.
    void loadSmallFont() {
        editor.loadImportedFont(LoadedFont("Small", 3, 4, {0, 0, 0, 0b1000, 0, 0}));
        editor.selectGlyph(1);
    }
    std::filesystem::path writeText(const std::string& name, const std::string& text) {
        std::ofstream(folder / name) << text;
        return folder / name;
    }
    std::vector<bool> buttons() const {
        return {editor.canSave(), editor.canSaveToNorix(), editor.canDeleteFontFromSlot()};
    }

    TempFolder scratch;
    const std::filesystem::path& folder = scratch.path();
    FontEditor editor{link, fonts};
};

TEST_F(FontEditorTest, ATogglePaintsOneBitOfTheSelectedGlyphAndNothingOutsideIt) {
    editor.toggleSelectedGlyphPixel(0, 0); // no font yet
    EXPECT_FALSE(editor.loadedFont());
    EXPECT_EQ(editor.displayedGlyphCount(), 95);
    EXPECT_FALSE(editor.hasSelectedGlyph());

    loadSmallFont();
    const std::vector<std::pair<int, int>> outside{{-1, 0}, {3, 0}, {0, -1}, {0, 4}};
    for (const auto& [column, row] : outside)
        editor.toggleSelectedGlyphPixel(column, row);
    editor.selectGlyph(2); // past the two glyphs
    EXPECT_FALSE(editor.hasSelectedGlyph());
    editor.toggleSelectedGlyphPixel(0, 0);
    editor.beginStroke(0, 0);
    editor.endStroke();
    EXPECT_FALSE(editor.canUndo());

    editor.selectGlyph(1);
    editor.toggleSelectedGlyphPixel(0, 0); // lit: goes dark
    editor.toggleSelectedGlyphPixel(2, 3);
    editor.toggleSelectedGlyphPixel(1, 2);
    EXPECT_EQ(editor.loadedFont()->columns,
              (std::vector<std::uint64_t>{0, 0, 0, 0, 0b0010, 0b0001}));
}

TEST_F(FontEditorTest, AStrokePaintsTheFirstPixelsNewStateAsOneUndoStep) {
    loadSmallFont();
    editor.undo();               // nothing to undo yet
    editor.beginStroke(1, 0);    // dark: the stroke lights
    editor.continueStroke(0, 0); // already lit: stays lit
    editor.continueStroke(2, 0);
    editor.continueStroke(2, 9); // outside: ignored
    editor.endStroke();
    EXPECT_EQ(editor.selectedGlyphColumns(), (std::vector<std::uint64_t>{0b1000, 0b1000, 0b1000}));

    editor.beginStroke(0, 0); // lit: this stroke darkens
    editor.continueStroke(1, 0);
    editor.endStroke();
    EXPECT_EQ(editor.selectedGlyphColumns(), (std::vector<std::uint64_t>{0, 0, 0b1000}));

    editor.selectGlyph(0);
    editor.undo(); // brings glyph 1 back into view
    EXPECT_EQ(editor.selectedGlyph(), 1);
    EXPECT_EQ(editor.selectedGlyphColumns(), (std::vector<std::uint64_t>{0b1000, 0b1000, 0b1000}));
    editor.undo();
    EXPECT_EQ(editor.selectedGlyphColumns(), (std::vector<std::uint64_t>{0b1000, 0, 0}));
    EXPECT_FALSE(editor.canUndo());
    editor.redo();
    editor.redo();
    EXPECT_EQ(editor.selectedGlyphColumns(), (std::vector<std::uint64_t>{0, 0, 0b1000}));
    EXPECT_FALSE(editor.canRedo());
}

TEST_F(FontEditorTest, ModifiedFollowsSaveUndoAndANewFont) {
    editor.showNewFontOptions();
    editor.createNewFont();
    EXPECT_FALSE(editor.isModified());
    std::vector<std::string> proposed;
    const SavePathChooser choose = [&](const std::string& name) {
        proposed.push_back(name);
        return std::optional(folder / "mine.txt");
    };
    editor.toggleSelectedGlyphPixel(0, 0);
    EXPECT_TRUE(editor.isModified());
    editor.saveFont(choose);
    editor.saveFont(choose); // now writes to mine.txt without asking
    EXPECT_EQ(proposed, std::vector<std::string>{"New Font.txt"});
    EXPECT_FALSE(editor.isModified());
    EXPECT_EQ(FontFile::load(folder / "mine.txt")->columns, editor.loadedFont()->columns);

    editor.undo();
    EXPECT_TRUE(editor.isModified());
    editor.redo();
    EXPECT_FALSE(editor.isModified());
    editor.undo();
    editor.toggleSelectedGlyphPixel(1, 1); // the saved state is now out of reach
    EXPECT_TRUE(editor.isModified());

    editor.openFont(folder / "mine.txt");
    EXPECT_FALSE(editor.isModified());
    EXPECT_FALSE(editor.canUndo());
}

TEST_F(FontEditorTest, NewFontDialogTrimsTheNameAndHoldsTheRanges) {
    editor.showNewFontOptions();
    EXPECT_TRUE(editor.showingNewFontOptions());
    editor.setNewFontOptions({" \n ", 40, 0, 300});
    EXPECT_FALSE(editor.canCreateNewFont());
    editor.createNewFont();
    EXPECT_FALSE(editor.loadedFont());
    EXPECT_EQ(editor.newFontOptions().width, 32);
    EXPECT_EQ(editor.newFontOptions().height, 1);
    EXPECT_EQ(editor.newFontOptions().glyphCount, 224);

    editor.setNewFontOptions({" Wide\t", 32, 8, 224});
    editor.createNewFont();
    ASSERT_TRUE(editor.loadedFont());
    EXPECT_FALSE(editor.showingNewFontOptions());
    EXPECT_EQ(
        editor.fontInformationValues(),
        (std::vector<std::string>{"Wide", "32 pixels", "8 pixels", "224", "32", "7168", "7168"}));
    editor.showNewFontOptions(); // starts again from the defaults
    EXPECT_EQ(editor.newFontOptions().name, "New Font");
}

TEST_F(FontEditorTest, FailedOpensAndSavesAreShownAndKeepTheFontAndItsFile) {
    const auto ok = writeText("ok.txt", "name=Ok\nwidth=1\nheight=2\nsize=1\n[data]\n0b10\n");
    const auto tall = writeText("tall.txt", "name=Tall\nwidth=1\nheight=9\nsize=1\n[data]\n");
    editor.openFont(ok);
    editor.openFontFile([&] { return std::optional(tall); });
    EXPECT_TRUE(editor.showingImportError());
    EXPECT_EQ(editor.importErrorMessage(), FontFile::load(tall).error().message());
    EXPECT_EQ(editor.loadedFont()->name, "Ok");
    editor.dismissImportError();
    editor.openFontFile([] { return std::optional<std::filesystem::path>(); }); // cancelled
    EXPECT_FALSE(editor.showingImportError());

    // A file where a folder should be: the message carries the system's reason.
    editor.toggleSelectedGlyphPixel(0, 1);
    editor.saveFontAs([&](const std::string&) { return std::optional(ok / "x.txt"); });
    EXPECT_EQ(editor.importErrorMessage(), "The font file could not be saved: Not a directory");
    EXPECT_EQ(editor.loadedFont()->sourceURL, ok);
    EXPECT_TRUE(editor.isModified());
}

TEST_F(FontEditorTest, ButtonsFollowTheFontTheLinkAndTheSelectedSlot) {
    EXPECT_EQ(buttons(), (std::vector<bool>{false, false, false}));
    loadSmallFont();
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false})); // not connected

    sim.simulator().memory().setFont(2, sim::makeStoredFont("Tiny", 3, 5, Bytes(30, 0x11)));
    connect();
    EXPECT_EQ(buttons(), (std::vector<bool>{true, true, false})); // slot 0 is empty
    editor.selectNorixSlot(2);
    EXPECT_EQ(buttons(), (std::vector<bool>{true, true, true}));

    editor.deleteSelectedNorixFont();
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false})); // while it deletes
    ASSERT_TRUE(runUntil([&] { return !fonts.isDeletingFont(); }));
    settle();
    EXPECT_TRUE(editor.selectedNorixSlotIsEmpty());

    editor.uploadCurrentFontToSelectedSlot();
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false})); // while it uploads
    ASSERT_TRUE(runUntil([&] { return !fonts.isUploadingFont(); }));
    settle();
    EXPECT_EQ(editor.selectedNorixFontSlot(), NorixFontSlot(2, "Small", 3, 4, 2));
    EXPECT_EQ(FontEditor::slotButtonLines(*editor.selectedNorixFontSlot()),
              (std::vector<std::string>{"Slot 2", "Small", "3 × 4 • 2 glyphs"}));

    editor.selectNorixSlot(9); // no such slot: nothing to delete
    EXPECT_EQ(buttons(), (std::vector<bool>{true, true, false}));
}

TEST_F(FontEditorTest, AFontHigherThanEightPixelsIsNeverSent) {
    connect();
    editor.loadImportedFont(LoadedFont("Tall", 2, 9, {1, 2}));
    ASSERT_TRUE(editor.canSaveToNorix());
    editor.uploadCurrentFontToSelectedSlot();
    EXPECT_EQ(editor.importErrorMessage(),
              "Norix fonts currently have a maximum height of 8 pixels.");
    EXPECT_TRUE(editor.showingImportError());
    EXPECT_TRUE(commandsWithCode(cmdFontMetaBegin).empty());
}

TEST_F(FontEditorTest, WithoutAFontEveryValueIsADash) {
    EXPECT_EQ(editor.fontNameText(), "No font file loaded");
    EXPECT_EQ(editor.fontFileText(), "No font file loaded.");
    EXPECT_EQ(editor.fontInformationValues(),
              (std::vector<std::string>{"—", "— pixels", "— pixels", "—", "—", "—", "—"}));
    EXPECT_EQ(FontEditor::slotButtonLines(NorixFontSlot(4)),
              (std::vector<std::string>{"Slot 4", "Empty", ""}));
    EXPECT_TRUE(editor.selectGlyphForCharacter(U'~'));
    EXPECT_EQ(editor.selectedGlyph(), 94);
    EXPECT_FALSE(editor.selectGlyphForCharacter(U'\u00e9')); // past the 95 glyphs shown
    editor.moveGlyphSelection(10);
    EXPECT_EQ(editor.selectedGlyph(), 94);
    editor.moveGlyphSelection(-200);
    EXPECT_EQ(editor.selectedGlyph(), 0);
}

TEST(FontEditorTexts, PixelHelpNamesColumnRowBitAndState) {
    const std::vector<std::uint64_t> columns{0b0100};
    EXPECT_EQ(glyphPixelHelp(columns, 4, 0, 1), "Column 0, Row 1, Bit 2: On");
    EXPECT_EQ(glyphPixelHelp(columns, 4, 1, 1), "Column 1, Row 1, Bit 2: Off"); // no such column
}

TEST(FontLayoutRules, PreviewPixelsShrinkAsTheGlyphsGrow) {
    EXPECT_EQ(previewPixelSize(LoadedFont("F", 8, 8, {})), 3);
    EXPECT_EQ(previewPixelSize(LoadedFont("F", 9, 8, {})), 2);
    EXPECT_EQ(previewPixelSize(LoadedFont("F", 8, 9, {})), 2);
    EXPECT_EQ(previewPixelSize(LoadedFont("F", 12, 12, {})), 2);
    EXPECT_EQ(previewPixelSize(LoadedFont("F", 13, 8, {})), 1.5);
    EXPECT_EQ(previewColumnMinimumWidth(LoadedFont("F", 16, 8, {})), 34); // 34 at the least
    EXPECT_EQ(previewColumnMinimumWidth(LoadedFont("F", 32, 8, {})), 58);
}

TEST(FontLayoutRules, GlyphEditorPixelsFitThePanelBetweenTwoAndThirty) {
    EXPECT_EQ(glyphEditorPixelSize(424, 468, 8, 8), 30);  // 50 would fit
    EXPECT_EQ(glyphEditorPixelSize(184, 468, 8, 8), 20);  // the width decides
    EXPECT_EQ(glyphEditorPixelSize(1000, 148, 8, 8), 10); // the height decides
    EXPECT_EQ(glyphEditorPixelSize(10, 10, 32, 8), 2);
}

TEST(FontLayoutRules, AdaptiveColumnsFillTheWidth) {
    EXPECT_EQ(adaptiveColumns(78, 36, 44, 6).count, 2); // two just fit, with the gap between
    EXPECT_EQ(adaptiveColumns(84, 36, 44, 6).width, 39);
    EXPECT_EQ(adaptiveColumns(77, 36, 44, 6).count, 1);
    EXPECT_EQ(adaptiveColumns(77, 36, 44, 6).width, 44);
}

TEST(FontLayoutRules, TypedTextWrapsAtTheDisplayEdgeAndStopsAtTheBottom) {
    const LoadedFont font("F", 40, 8, std::vector<std::uint64_t>(40 * 95, 0));
    const auto placed = layoutTextOnDisplay(font, "ABCDE\n!\xC3\xA9~");
    ASSERT_EQ(placed.size(), 7u);
    EXPECT_EQ(placed[3], (PlacedGlyph{36, 120, 0}));
    EXPECT_EQ(placed[4], (PlacedGlyph{37, 0, 8}));   // E wraps
    EXPECT_EQ(placed[5], (PlacedGlyph{1, 0, 16}));   // the line feed
    EXPECT_EQ(placed[6], (PlacedGlyph{94, 80, 16})); // é has no glyph but keeps its cell
    EXPECT_EQ(layoutTextOnDisplay(font, std::string(200, 'x')).size(), 64u); // 4 × 16 lines
}

} // namespace
} // namespace norix::testing
