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

bool ChipEditor::validateChipInformation() {
    bool valid = true;
    if (trimWhitespaceAndNewlines(chipName_).empty()) {
        write("Chip name is required.");
        valid = false;
    }
    if (selectedType_ == 0) {
        write("Select a chip type.");
        valid = false;
    }
    if (selectedPins_ < 2 || selectedPins_ > 40) {
        write("Chip pin count must be between 2 and 40.");
        valid = false;
    }
    return valid;
}

void ChipEditor::newChipFile() {
    applyChipDocument(ChipDocument());
    currentFileURL_.reset();
    changed.emit();
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

void ChipEditor::loadSelectedChipFile() {
    if (!selectedChip_) {
        write("Select a chip file first.");
        return;
    }
    const auto location = chipFileURLs_.find(*selectedChip_);
    if (location == chipFileURLs_.end()) {
        write("The selected chip file could not be found.");
        return;
    }
    const std::filesystem::path path = location->second;
    auto document = ChipFileCodec::load(path);
    if (!document) {
        write("Load failed: " + document.error().message());
        return;
    }
    applyChipDocument(*document);
    currentFileURL_ = path;
    changed.emit();
    write("Loaded " + fileName(path) + ".");
}

void ChipEditor::saveChipFile(const SavePathChooser& choosePath) {
    if (!validateChipInformation())
        return;
    if (!currentFileURL_) {
        saveChipFileAs(choosePath);
        return;
    }
    const ChipDocument document = currentChipDocument();
    if (auto error = ChipFileCodec::save(document, *currentFileURL_)) {
        write("Save failed: " + error->message());
        return;
    }
    write("Saved " + fileName(*currentFileURL_) + ".");
    warnAboutBracketedCodeLine(document);
}

void ChipEditor::saveChipFileAs(const SavePathChooser& choosePath) {
    logLine("SAVE AS 1: function entered");
    if (!validateChipInformation())
        return;
    logLine("SAVE AS 2: panel created");
    logLine("SAVE AS 3: before runModal");
    std::optional<std::filesystem::path> chosen;
    if (choosePath)
        chosen = choosePath(chipName_ + ".chip");
    logLine("SAVE AS 4: panel returned " + std::string(chosen ? "1" : "0"));
    if (!chosen || chosen->empty()) {
        logLine("SAVE AS CANCELLED");
        return;
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
        write("Save failed: " + error->message());
        return;
    }
    logLine("SAVE AS 9: codec save returned");
    currentFileURL_ = target;
    changed.emit();
    write("Saved " + fileName(target) + ".");
    warnAboutBracketedCodeLine(document);
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
