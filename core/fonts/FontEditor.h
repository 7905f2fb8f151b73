#pragma once
// The font window without the window: the font being edited, the chosen glyph
// and slot, the New Font values, the error alert, undo of glyph edits, the
// enabling of every button, and the font slot commands on the shared link.
// The window binds its widgets to this object and redraws on `changed`.

#include "core/fonts/FontLayout.h"
#include "core/fonts/GlyphNames.h"
#include "core/fonts/LoadedFont.h"
#include "core/fonts/NorixFontSlot.h"
#include "core/util/SavePathChooser.h"
#include "core/util/Signal.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norix {

class FontSlotConversation;
class SerialPortManager;

// What the window asks a person for a file to open; nothing when cancelled.
using OpenPathChooser = std::function<std::optional<std::filesystem::path>()>;

// The limits of the import of a desktop font; the glyphs themselves are drawn
// by the window, which has the desktop's fonts.
struct DesktopFontOptions {
    static constexpr std::int64_t maximumWidth = 32;
    static constexpr std::int64_t maximumHeight = maximumFontHeight;
    static constexpr std::int64_t maximumGlyphCount = 224;
    std::string family;
    std::int64_t width = 6;
    std::int64_t height = 8;
    std::int64_t glyphCount = printableGlyphCount;
};
// "{family} {width}x{height}".
std::string importedFontName(const DesktopFontOptions& options);

class FontEditor {
public:
    static constexpr std::int64_t maximumNewFontWidth = 32;
    static constexpr std::int64_t maximumNewFontHeight = maximumFontHeight;
    static constexpr std::int64_t maximumNewFontGlyphCount = 224;

    FontEditor(SerialPortManager& link, FontSlotConversation& fonts);
    ~FontEditor();
    FontEditor(const FontEditor&) = delete;
    FontEditor& operator=(const FontEditor&) = delete;

    // Fires after any state of the editor, the link or its font slots changed.
    Signal<> changed;

    // --- state ---
    const std::optional<LoadedFont>& loadedFont() const { return loadedFont_; }
    std::int64_t selectedGlyph() const { return selectedGlyph_; }
    const std::optional<std::int64_t>& selectedNorixSlot() const { return selectedNorixSlot_; }
    bool showingNewFontOptions() const { return showingNewFontOptions_; }
    const NewFontOptions& newFontOptions() const { return newFontOptions_; }
    bool showingImportError() const { return showingImportError_; }
    const std::string& importErrorMessage() const { return importErrorMessage_; }
    // Edits, an import or undo made the font differ from what was last opened, created or saved.
    bool isModified() const;
    const FontSlotConversation& fontSlots() const;
    bool isConnected() const;
    // Counts every change of the loaded font, so that views redraw only what changed.
    std::uint64_t fontRevision() const { return fontRevision_; }
    // The glyph that the latest revision changed; nothing when it changed the whole font.
    const std::optional<std::int64_t>& lastChangedGlyph() const { return lastChangedGlyph_; }
    // The line typed under the preview, and its glyphs placed on the Norix display.
    const std::string& previewText() const { return previewText_; }
    std::vector<PlacedGlyph> previewTextGlyphs() const;

    // --- derived values ---
    std::optional<NorixFontSlot> selectedNorixFontSlot() const;
    bool selectedNorixSlotIsEmpty() const;
    std::int64_t displayedGlyphCount() const;
    // A font is loaded and the selected glyph lies inside it.
    bool hasSelectedGlyph() const;
    std::vector<std::uint64_t> selectedGlyphColumns() const;
    std::string fontNameText() const;       // the name, or "No font file loaded"
    std::string selectedGlyphTitle() const; // "Glyph {i}"
    std::string selectedGlyphCode() const;  // "ASCII {code}"
    std::string fontFileText() const;       // generatedText, or "No font file loaded."
    std::vector<std::string> fontInformationValues() const; // in the order of fontInformationLabels
    static const std::vector<std::string>& fontInformationLabels();
    // The three lines of a slot button: "Slot {n}", the name or "Empty", and
    // "{w} × {h} • {n} glyphs" for the values present (empty for an empty slot).
    static std::vector<std::string> slotButtonLines(const NorixFontSlot& slot);

    // --- enabling ---
    bool canSave() const { return loadedFont_.has_value(); }
    bool canSaveToNorix() const;
    bool canDeleteFontFromSlot() const;
    bool canUndo() const { return undoDepth_ > 0; }
    bool canRedo() const { return undoDepth_ < history_.size(); }
    // The New Font dialog's "Create": the trimmed name is not empty.
    bool canCreateNewFont() const;

    // --- selection ---
    void selectGlyph(std::int64_t index);
    // Moves by `delta` glyphs, held inside the displayed glyphs.
    void moveGlyphSelection(std::int64_t delta);
    // Selects the glyph of a typed character; false when there is none.
    bool selectGlyphForCharacter(char32_t character);
    void selectNorixSlot(std::int64_t slot);
    void setPreviewText(std::string text);

    // --- glyph edits ---
    // Flips one pixel of the selected glyph: one undo step.
    void toggleSelectedGlyphPixel(std::int64_t column, std::int64_t row);
    // A stroke: the first pixel flips, later pixels take the first pixel's new
    // state; the whole stroke is one undo step once it ends.
    void beginStroke(std::int64_t column, std::int64_t row);
    void continueStroke(std::int64_t column, std::int64_t row);
    void endStroke();
    void undo();
    void redo();

    // --- New Font dialog ---
    void showNewFontOptions(); // resets the values to the defaults
    void setNewFontOptions(NewFontOptions options);
    void cancelNewFont();
    void createNewFont();

    // --- files ---
    void openFontFile(const OpenPathChooser& choose);
    void openFont(const std::filesystem::path& path);
    void saveFont(const SavePathChooser& choose);
    void saveFontAs(const SavePathChooser& choose);
    // A font made outside the file reader (the desktop font import); unsaved.
    void loadImportedFont(LoadedFont font);
    void dismissImportError();

    // --- Norix ---
    void uploadCurrentFontToSelectedSlot();
    void deleteSelectedNorixFont();

private:
    // One undo step: the columns of one glyph before and after.
    struct GlyphEdit {
        std::int64_t glyph = 0;
        std::vector<std::uint64_t> before;
        std::vector<std::uint64_t> after;
    };
    struct Stroke {
        std::vector<std::uint64_t> before;
        bool lit = false;
    };

    void replaceFont(LoadedFont font, bool modified);
    void showError(std::string message);
    bool writeTo(const std::filesystem::path& path);
    // Sets one pixel of the selected glyph; false when it is outside or unchanged.
    bool setSelectedGlyphPixel(std::int64_t column, std::int64_t row, bool lit);
    bool pixelIsEditable(std::int64_t column, std::int64_t row) const;
    void recordEdit(std::vector<std::uint64_t> before);
    void applyColumns(std::int64_t glyph, const std::vector<std::uint64_t>& columns);

    SerialPortManager& link_;
    FontSlotConversation& fonts_;
    std::optional<LoadedFont> loadedFont_;
    std::int64_t selectedGlyph_ = 0;
    std::optional<std::int64_t> selectedNorixSlot_ = 0;
    bool showingNewFontOptions_ = false;
    NewFontOptions newFontOptions_;
    bool showingImportError_ = false;
    std::string importErrorMessage_;

    std::vector<GlyphEdit> history_;
    std::size_t undoDepth_ = 0;                 // steps of history_ that are applied
    std::optional<std::size_t> cleanDepth_ = 0; // undoDepth_ at the last open, create or save
    std::optional<Stroke> stroke_;
    std::uint64_t fontRevision_ = 0;
    std::optional<std::int64_t> lastChangedGlyph_;
    std::string previewText_;
    std::vector<Connection> connections_;
};

} // namespace norix
