#include "core/chips/ChipEditor.h"

#include "core/chips/ChipFileCodec.h"
#include "core/chips/ChipFileName.h"
#include "core/util/DiagnosticLog.h"
#include "core/util/UnicodeText.h"

#include <algorithm>

namespace norix {
namespace {

std::string fileName(const std::filesystem::path& path) {
    return path.filename().string();
}

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool sameDocument(const ChipDocument& a, const ChipDocument& b) {
    return a.name == b.name && a.pinCount == b.pinCount && a.chipType == b.chipType &&
           a.imageIndex == b.imageIndex && a.code == b.code && a.strings == b.strings;
}

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

} // namespace

ChipEditor::ChipEditor(Terminal& terminal) : terminal_(terminal) {}

void ChipEditor::setChipName(std::string name) {
    chipName_ = std::move(name);
    changed.emit();
}

void ChipEditor::setSelectedPins(std::int64_t pins) {
    selectedPins_ = pins;
    changed.emit();
}

void ChipEditor::setSelectedType(std::int64_t type) {
    selectedType_ = type;
    changed.emit();
}

void ChipEditor::setSelectedImage(std::int64_t image) {
    selectedImage_ = image;
    changed.emit();
}

void ChipEditor::setChipCode(std::string code) {
    chipCode_ = std::move(code);
    changed.emit();
}

void ChipEditor::setChipString(std::size_t index, std::string text) {
    if (index >= chipStrings_.size())
        return;
    chipStrings_[index] = std::move(text);
    changed.emit();
}

void ChipEditor::setChipStrings(std::vector<std::string> strings) {
    strings.resize(chipStringCount);
    chipStrings_ = std::move(strings);
    changed.emit();
}

void ChipEditor::forgetCurrentFile() {
    currentFileURL_.reset();
    changed.emit();
}

void ChipEditor::setSelectedChip(std::optional<std::string> name) {
    selectedChip_ = std::move(name);
    changed.emit();
}

ChipDocument ChipEditor::currentChipDocument() const {
    return ChipDocument(chipName_, selectedPins_, selectedType_, selectedImage_, chipCode_,
                        chipStrings_);
}

void ChipEditor::applyChipDocument(const ChipDocument& document) {
    chipName_ = document.name;
    selectedPins_ = document.pinCount;
    selectedType_ = document.chipType;
    selectedImage_ = document.imageIndex;
    chipCode_ = document.code;
    std::vector<std::string> strings = document.strings;
    strings.resize(chipStringCount);
    chipStrings_ = std::move(strings);
    changed.emit();
}

ChipFileResult ChipEditor::checkChipInformation() {
    std::vector<std::string> problems;
    if (trimWhitespaceAndNewlines(chipName_).empty())
        problems.emplace_back("Chip name is required.");
    if (selectedType_ == 0)
        problems.emplace_back("Select a chip type.");
    if (selectedPins_ < 2 || selectedPins_ > 40)
        problems.emplace_back("Chip pin count must be between 2 and 40.");
    if (problems.empty())
        return {};
    for (const auto& problem : problems)
        write(problem);
    return {ChipFileOutcome::failed, joinedLines(problems)};
}

bool ChipEditor::validateChipInformation() {
    return checkChipInformation().succeeded();
}

bool ChipEditor::isModified() const {
    return !sameDocument(currentChipDocument(), unmodifiedDocument_);
}

void ChipEditor::markUnmodified() {
    unmodifiedDocument_ = currentChipDocument();
    changed.emit();
}

ChipFileResult ChipEditor::fail(std::string text) {
    write(text);
    return {ChipFileOutcome::failed, std::move(text)};
}

void ChipEditor::newChipFile() {
    applyChipDocument(ChipDocument());
    currentFileURL_.reset();
    markUnmodified();
    write("New chip file.");
}

void ChipEditor::addChipFiles(const std::vector<std::filesystem::path>& files) {
    if (files.empty())
        return;
    for (const auto& file : files) {
        const std::string name = fileName(file);
        chipFileURLs_[name] = file;
        if (std::find(chips_.begin(), chips_.end(), name) == chips_.end())
            chips_.push_back(name);
    }
    changed.emit();
    const std::size_t n = files.size();
    write("Added " + std::to_string(n) + (n == 1 ? " chip file." : " chip files."));
}

ChipFileResult ChipEditor::loadSelectedChipFile() {
    if (!selectedChip_)
        return fail("Select a chip file first.");
    const auto location = chipFileURLs_.find(*selectedChip_);
    if (location == chipFileURLs_.end())
        return fail("The selected chip file could not be found.");
    const std::filesystem::path path = location->second;
    auto document = ChipFileCodec::load(path);
    if (!document)
        return fail("Load failed: " + document.error().message());
    applyChipDocument(*document);
    currentFileURL_ = path;
    markUnmodified();
    write("Loaded " + fileName(path) + ".");
    return {};
}

ChipFileResult ChipEditor::saveChipFile(const SavePathChooser& choosePath,
                                        const ReplaceConfirmer& mayReplace) {
    if (auto invalid = checkChipInformation(); !invalid.succeeded())
        return invalid;
    if (!currentFileURL_)
        return saveChipFileAs(choosePath, mayReplace);
    const ChipDocument document = currentChipDocument();
    if (auto error = ChipFileCodec::save(document, *currentFileURL_))
        return fail("Save failed: " + error->message());
    markUnmodified();
    write("Saved " + fileName(*currentFileURL_) + ".");
    warnAboutBracketedCodeLine(document);
    return {};
}

std::optional<std::filesystem::path>
ChipEditor::chooseTarget(const SavePathChooser& choosePath,
                         const ReplaceConfirmer& mayReplace) const {
    if (!choosePath)
        return std::nullopt;
    auto chosen = choosePath(chipName_ + ".chip");
    if (!chosen || chosen->empty() || !mayReplace)
        return chosen;
    // Asked about the file that will really be written: the name may still
    // gain ".chip" after the panel, which a native panel never sees.
    const std::filesystem::path target = withChipExtension(*chosen);
    std::error_code ignored;
    if (std::filesystem::exists(target, ignored) && !mayReplace(target))
        return std::nullopt;
    return chosen;
}

ChipFileResult ChipEditor::saveChipFileAs(const SavePathChooser& choosePath,
                                          const ReplaceConfirmer& mayReplace) {
    logLine("SAVE AS 1: function entered");
    if (auto invalid = checkChipInformation(); !invalid.succeeded())
        return invalid;
    logLine("SAVE AS 2: panel created");
    logLine("SAVE AS 3: before runModal");
    const auto chosen = chooseTarget(choosePath, mayReplace);
    logLine("SAVE AS 4: panel returned " + std::string(chosen ? "1" : "0"));
    if (!chosen || chosen->empty()) {
        logLine("SAVE AS CANCELLED");
        return {ChipFileOutcome::cancelled, {}};
    }
    logLine("SAVE AS 5: selected URL = " + chosen->string());
    const std::filesystem::path target = withChipExtension(*chosen);
    logLine("SAVE AS 6: final URL = " + target.string());
    const ChipDocument document = currentChipDocument();
    logLine("SAVE AS 7: document created; code length = " +
            std::to_string(characterCount(document.code)) +
            ", strings = " + std::to_string(document.strings.size()));
    logLine("SAVE AS 8: calling ChipFileCodec.save");
    if (auto error = ChipFileCodec::save(document, target)) {
        logLine("SAVE AS ERROR: " + error->message());
        return fail("Save failed: " + error->message());
    }
    logLine("SAVE AS 9: codec save returned");
    currentFileURL_ = target;
    markUnmodified();
    write("Saved " + fileName(target) + ".");
    warnAboutBracketedCodeLine(document);
    return {};
}

void ChipEditor::warnAboutBracketedCodeLine(const ChipDocument& document) {
    if (const auto line = ChipFileCodec::firstBracketedCodeLine(document.code))
        write(ChipFileCodec::bracketedCodeLineWarning(*line));
}

void ChipEditor::removeSelectedChipFile() {
    if (!selectedChip_)
        return;
    const std::string name = *selectedChip_;
    std::erase(chips_, name);
    chipFileURLs_.erase(name);
    selectedChip_.reset();
    changed.emit();
}

void ChipEditor::clearChipFiles() {
    chips_.clear();
    chipFileURLs_.clear();
    selectedChip_.reset();
    changed.emit();
}

} // namespace norix
