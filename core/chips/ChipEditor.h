#pragma once
// The chip in the main window's editor and the "Chip Files" list beside it:
// converting the fields to and from a ChipDocument, validating them, knowing
// whether they hold unsaved changes, and adding, loading, saving and removing
// chip files. File dialogs belong to the window, so their answers come in as
// arguments.

#include "core/chips/ChipDocument.h"
#include "core/chips/Terminal.h"
#include "core/util/SavePathChooser.h"
#include "core/util/Signal.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace norix {

// Whether an existing file may be replaced by the one being saved.
using ReplaceConfirmer = std::function<bool(const std::filesystem::path& existing)>;

enum class ChipFileOutcome { succeeded, cancelled, failed };

// How loading or saving a chip file ended; a failure carries what the
// terminal was told (one line per failed check, joined by line feeds).
struct ChipFileResult {
    ChipFileOutcome outcome = ChipFileOutcome::succeeded;
    std::string failure;

    bool succeeded() const { return outcome == ChipFileOutcome::succeeded; }
};

inline constexpr std::string_view initialChipCode = "\n/* code starts here */";

class ChipEditor {
public:
    explicit ChipEditor(Terminal& terminal);

    // Editor fields.
    const std::string& chipName() const { return chipName_; }
    std::int64_t selectedPins() const { return selectedPins_; }
    std::int64_t selectedType() const { return selectedType_; }
    std::int64_t selectedImage() const { return selectedImage_; }
    const std::string& chipCode() const { return chipCode_; }
    const std::vector<std::string>& chipStrings() const { return chipStrings_; }
    const std::optional<std::filesystem::path>& currentFileURL() const { return currentFileURL_; }

    void setChipName(std::string name);
    void setSelectedPins(std::int64_t pins);
    void setSelectedType(std::int64_t type);
    void setSelectedImage(std::int64_t image);
    void setChipCode(std::string code);
    // Index 0 to 7; other indexes change nothing.
    void setChipString(std::size_t index, std::string text);
    void setChipStrings(std::vector<std::string> strings);
    // The editor no longer refers to a chip file (after loading a chip from the Norix).
    void forgetCurrentFile();

    // "Chip Files" list.
    const std::vector<std::string>& chips() const { return chips_; }
    const std::map<std::string, std::filesystem::path>& chipFileURLs() const {
        return chipFileURLs_;
    }
    const std::optional<std::string>& selectedChip() const { return selectedChip_; }
    void setSelectedChip(std::optional<std::string> name);

    ChipDocument currentChipDocument() const;
    void applyChipDocument(const ChipDocument& document);
    // Writes every failing check to the terminal; true when none fails.
    bool validateChipInformation();

    // The fields differ from what was last started, loaded or saved.
    bool isModified() const;
    // What the editor holds now counts as unchanged: a chip that arrived from
    // the Norix, or the last chip of a batch, for which the user already
    // agreed to lose the chip before.
    void markUnmodified();

    void newChipFile();
    void addChipFiles(const std::vector<std::filesystem::path>& files);
    ChipFileResult loadSelectedChipFile();
    // A new chip asks `choosePath`; without `mayReplace` an existing file is replaced.
    ChipFileResult saveChipFile(const SavePathChooser& choosePath,
                                const ReplaceConfirmer& mayReplace = {});
    ChipFileResult saveChipFileAs(const SavePathChooser& choosePath,
                                  const ReplaceConfirmer& mayReplace = {});
    void removeSelectedChipFile();
    void clearChipFiles();

    Signal<> changed;

private:
    void write(std::string_view text) { terminal_.appendTerminal(text); }
    // Writes every failing check to the terminal.
    ChipFileResult checkChipInformation();
    // Writes the failure to the terminal and returns it.
    ChipFileResult fail(std::string text);
    // The save panel's answer, after asking about replacing the file really written.
    std::optional<std::filesystem::path> chooseTarget(const SavePathChooser& choosePath,
                                                      const ReplaceConfirmer& mayReplace) const;
    // The file is written all the same: the code is the user's, and the
    // terminal says what reading it back will lose.
    void warnAboutBracketedCodeLine(const ChipDocument& document);

    Terminal& terminal_;
    std::string chipName_;
    std::int64_t selectedPins_ = defaultPinCount;
    std::int64_t selectedType_ = 1;
    std::int64_t selectedImage_ = 0;
    std::string chipCode_{initialChipCode};
    std::vector<std::string> chipStrings_ = std::vector<std::string>(chipStringCount);
    std::optional<std::filesystem::path> currentFileURL_;
    ChipDocument unmodifiedDocument_ = currentChipDocument();
    std::vector<std::string> chips_;
    std::map<std::string, std::filesystem::path> chipFileURLs_;
    std::optional<std::string> selectedChip_;
};

} // namespace norix
