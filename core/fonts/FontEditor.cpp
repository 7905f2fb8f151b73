#include "core/fonts/FontEditor.h"

#include "core/fonts/FontFile.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/link/SerialPortManager.h"
#include "core/util/UnicodeText.h"

#include <algorithm>

namespace norix {

std::string importedFontName(const DesktopFontOptions& options) {
    return options.family + " " + std::to_string(options.width) + "x" +
           std::to_string(options.height);
}

FontEditor::FontEditor(SerialPortManager& link, FontSlotConversation& fonts)
    : link_(link), fonts_(fonts) {
    connections_.push_back(link_.changed.connect([this] { changed.emit(); }));
    connections_.push_back(fonts_.changed.connect([this] { changed.emit(); }));
}

FontEditor::~FontEditor() = default;

bool FontEditor::isModified() const {
    return cleanDepth_ != undoDepth_;
}

const FontSlotConversation& FontEditor::fontSlots() const {
    return fonts_;
}

bool FontEditor::isConnected() const {
    return link_.isConnected();
}

std::optional<NorixFontSlot> FontEditor::selectedNorixFontSlot() const {
    if (!selectedNorixSlot_)
        return std::nullopt;
    for (const auto& slot : fontSlots().norixFontSlots())
        if (slot.slot() == *selectedNorixSlot_)
            return slot;
    return std::nullopt;
}

bool FontEditor::selectedNorixSlotIsEmpty() const {
    const auto slot = selectedNorixFontSlot();
    return !slot || slot->isEmpty();
}

std::int64_t FontEditor::displayedGlyphCount() const {
    return loadedFont_ ? loadedFont_->glyphCount() : printableGlyphCount;
}

bool FontEditor::hasSelectedGlyph() const {
    return loadedFont_ && selectedGlyph_ >= 0 && selectedGlyph_ < loadedFont_->glyphCount();
}

std::vector<std::uint64_t> FontEditor::selectedGlyphColumns() const {
    return loadedFont_ ? loadedFont_->columnsForGlyph(selectedGlyph_)
                       : std::vector<std::uint64_t>{};
}

std::string FontEditor::fontNameText() const {
    return loadedFont_ ? loadedFont_->name : "No font file loaded";
}

std::string FontEditor::selectedGlyphTitle() const {
    return "Glyph " + std::to_string(selectedGlyph_);
}

std::string FontEditor::selectedGlyphCode() const {
    return "ASCII " + std::to_string(firstGlyphCharacter + selectedGlyph_);
}

std::string FontEditor::fontFileText() const {
    return loadedFont_ ? loadedFont_->generatedText() : "No font file loaded.";
}

const std::vector<std::string>& FontEditor::fontInformationLabels() {
    static const std::vector<std::string> labels{
        "Name:",          "Width:",         "Height:", "Glyphs:", "Columns per glyph:",
        "Declared size:", "Loaded columns:"};
    return labels;
}

std::vector<std::string> FontEditor::fontInformationValues() const {
    if (!loadedFont_)
        return {"—", "— pixels", "— pixels", "—", "—", "—", "—"};
    const LoadedFont& font = *loadedFont_;
    return {font.name,
            std::to_string(font.width()) + " pixels",
            std::to_string(font.height()) + " pixels",
            std::to_string(font.glyphCount()),
            std::to_string(font.width()),
            std::to_string(font.size()),
            std::to_string(font.columns.size())};
}

std::vector<std::string> FontEditor::slotButtonLines(const NorixFontSlot& slot) {
    std::vector<std::string> lines{"Slot " + std::to_string(slot.slot()),
                                   slot.name ? *slot.name : "Empty", ""};
    if (slot.isEmpty())
        return lines;
    std::string size;
    if (slot.width && slot.height)
        size = std::to_string(*slot.width) + " × " + std::to_string(*slot.height);
    std::string count = slot.glyphCount ? std::to_string(*slot.glyphCount) + " glyphs" : "";
    lines[2] = size.empty() || count.empty() ? size + count : size + " • " + count;
    return lines;
}

bool FontEditor::canSaveToNorix() const {
    const auto& fonts = fontSlots();
    return isConnected() && !fonts.isUploadingFont() && !fonts.isDeletingFont() &&
           loadedFont_.has_value() && selectedNorixSlot_.has_value();
}

bool FontEditor::canDeleteFontFromSlot() const {
    const auto& fonts = fontSlots();
    return isConnected() && !fonts.isUploadingFont() && !fonts.isDeletingFont() &&
           !selectedNorixSlotIsEmpty();
}

bool FontEditor::canCreateNewFont() const {
    return !trimWhitespaceAndNewlines(newFontOptions_.name).empty();
}

void FontEditor::selectGlyph(std::int64_t index) {
    if (index == selectedGlyph_)
        return;
    endStroke();
    selectedGlyph_ = index;
    changed.emit();
}

void FontEditor::moveGlyphSelection(std::int64_t delta) {
    const std::int64_t last = std::max<std::int64_t>(0, displayedGlyphCount() - 1);
    selectGlyph(std::clamp<std::int64_t>(selectedGlyph_ + delta, 0, last));
}

bool FontEditor::selectGlyphForCharacter(char32_t character) {
    const std::int64_t index = static_cast<std::int64_t>(character) - firstGlyphCharacter;
    if (index < 0 || index >= displayedGlyphCount())
        return false;
    selectGlyph(index);
    return true;
}

void FontEditor::setPreviewText(std::string text) {
    if (text == previewText_)
        return;
    previewText_ = std::move(text);
    changed.emit();
}

std::vector<PlacedGlyph> FontEditor::previewTextGlyphs() const {
    return loadedFont_ ? layoutTextOnDisplay(*loadedFont_, previewText_)
                       : std::vector<PlacedGlyph>{};
}

void FontEditor::selectNorixSlot(std::int64_t slot) {
    if (selectedNorixSlot_ == slot)
        return;
    selectedNorixSlot_ = slot;
    changed.emit();
}

bool FontEditor::pixelIsEditable(std::int64_t column, std::int64_t row) const {
    if (!hasSelectedGlyph())
        return false;
    const LoadedFont& font = *loadedFont_;
    if (column < 0 || column >= font.width() || row < 0 || row >= font.height())
        return false;
    // A font read from a file has at most 8 rows; a hand-made one might claim more than a column
    // holds.
    return selectedGlyph_ * font.width() + column < font.size() && font.height() - 1 - row < 64;
}

bool FontEditor::setSelectedGlyphPixel(std::int64_t column, std::int64_t row, bool lit) {
    if (!pixelIsEditable(column, row))
        return false;
    LoadedFont& font = *loadedFont_;
    auto& value = font.columns[static_cast<std::size_t>(selectedGlyph_ * font.width() + column)];
    const std::uint64_t bit = std::uint64_t{1} << (font.height() - 1 - row);
    const std::uint64_t updated = lit ? (value | bit) : (value & ~bit);
    if (updated == value)
        return false;
    value = updated;
    ++fontRevision_;
    lastChangedGlyph_ = selectedGlyph_;
    return true;
}

void FontEditor::recordEdit(std::vector<std::uint64_t> before) {
    std::vector<std::uint64_t> after = selectedGlyphColumns();
    if (after == before)
        return;
    history_.resize(undoDepth_);
    if (cleanDepth_ && *cleanDepth_ > undoDepth_)
        cleanDepth_.reset(); // the saved state can no longer be reached by undo or redo
    history_.push_back({selectedGlyph_, std::move(before), std::move(after)});
    undoDepth_ = history_.size();
}

void FontEditor::toggleSelectedGlyphPixel(std::int64_t column, std::int64_t row) {
    if (!pixelIsEditable(column, row))
        return;
    endStroke();
    auto before = selectedGlyphColumns();
    setSelectedGlyphPixel(column, row,
                          !glyphPixelIsLit(before, loadedFont_->height(), column, row));
    recordEdit(std::move(before));
    changed.emit();
}

void FontEditor::beginStroke(std::int64_t column, std::int64_t row) {
    if (!pixelIsEditable(column, row))
        return;
    endStroke();
    auto before = selectedGlyphColumns();
    const bool lit = !glyphPixelIsLit(before, loadedFont_->height(), column, row);
    stroke_ = Stroke{std::move(before), lit};
    setSelectedGlyphPixel(column, row, lit);
    changed.emit();
}

void FontEditor::continueStroke(std::int64_t column, std::int64_t row) {
    if (stroke_ && setSelectedGlyphPixel(column, row, stroke_->lit))
        changed.emit();
}

void FontEditor::endStroke() {
    if (!stroke_)
        return;
    auto before = std::move(stroke_->before);
    stroke_.reset();
    recordEdit(std::move(before));
    changed.emit();
}

void FontEditor::applyColumns(std::int64_t glyph, const std::vector<std::uint64_t>& columns) {
    LoadedFont& font = *loadedFont_;
    std::copy(columns.begin(), columns.end(),
              font.columns.begin() + static_cast<std::ptrdiff_t>(glyph * font.width()));
    selectedGlyph_ = glyph;
    ++fontRevision_;
    lastChangedGlyph_ = glyph;
}

void FontEditor::undo() {
    endStroke();
    if (!canUndo())
        return;
    const GlyphEdit& edit = history_[--undoDepth_];
    applyColumns(edit.glyph, edit.before);
    changed.emit();
}

void FontEditor::redo() {
    endStroke();
    if (!canRedo())
        return;
    const GlyphEdit& edit = history_[undoDepth_++];
    applyColumns(edit.glyph, edit.after);
    changed.emit();
}

void FontEditor::showNewFontOptions() {
    newFontOptions_ = NewFontOptions{};
    showingNewFontOptions_ = true;
    changed.emit();
}

void FontEditor::setNewFontOptions(NewFontOptions options) {
    options.width = std::clamp<std::int64_t>(options.width, 1, maximumNewFontWidth);
    options.height = std::clamp<std::int64_t>(options.height, 1, maximumNewFontHeight);
    options.glyphCount = std::clamp<std::int64_t>(options.glyphCount, 1, maximumNewFontGlyphCount);
    newFontOptions_ = std::move(options);
    changed.emit();
}

void FontEditor::cancelNewFont() {
    showingNewFontOptions_ = false;
    changed.emit();
}

void FontEditor::createNewFont() {
    auto font = makeNewFont(newFontOptions_);
    if (!font)
        return;
    showingNewFontOptions_ = false;
    replaceFont(std::move(*font), false);
}

void FontEditor::replaceFont(LoadedFont font, bool modified) {
    stroke_.reset();
    loadedFont_ = std::move(font);
    ++fontRevision_;
    lastChangedGlyph_.reset();
    selectedGlyph_ = 0;
    history_.clear();
    undoDepth_ = 0;
    cleanDepth_ = modified ? std::nullopt : std::optional<std::size_t>(0);
    changed.emit();
}

void FontEditor::showError(std::string message) {
    importErrorMessage_ = std::move(message);
    showingImportError_ = true;
    changed.emit();
}

void FontEditor::dismissImportError() {
    showingImportError_ = false;
    changed.emit();
}

void FontEditor::openFontFile(const OpenPathChooser& choose) {
    if (const auto path = choose())
        openFont(*path);
}

void FontEditor::openFont(const std::filesystem::path& path) {
    auto result = FontFile::load(path);
    if (!result) {
        showError(result.error().message());
        return;
    }
    replaceFont(std::move(result).value(), false);
}

bool FontEditor::writeTo(const std::filesystem::path& path) {
    endStroke();
    if (auto error = FontFile::save(*loadedFont_, path)) {
        showError("The font file could not be saved: " + error->message());
        return false;
    }
    loadedFont_->sourceURL = path;
    cleanDepth_ = undoDepth_;
    changed.emit();
    return true;
}

void FontEditor::saveFont(const SavePathChooser& choose) {
    if (!loadedFont_)
        return;
    if (!loadedFont_->sourceURL) {
        saveFontAs(choose);
        return;
    }
    writeTo(*loadedFont_->sourceURL);
}

void FontEditor::saveFontAs(const SavePathChooser& choose) {
    if (!loadedFont_)
        return;
    if (const auto path = choose(safeFontFilename(loadedFont_->name)))
        writeTo(*path);
}

void FontEditor::loadImportedFont(LoadedFont font) {
    replaceFont(std::move(font), true);
}

void FontEditor::uploadCurrentFontToSelectedSlot() {
    if (!selectedNorixSlot_ || !loadedFont_)
        return;
    endStroke();
    const LoadedFont& font = *loadedFont_;
    if (font.height() > maximumFontHeight) {
        showError("Norix fonts currently have a maximum height of 8 pixels.");
        return;
    }
    fonts_.uploadFont(font.name, font.width(), font.height(), font.columns, *selectedNorixSlot_);
}

void FontEditor::deleteSelectedNorixFont() {
    if (!selectedNorixSlot_ || selectedNorixSlotIsEmpty())
        return;
    fonts_.deleteFont(*selectedNorixSlot_);
}

} // namespace norix
