#pragma once
// The instruction-number gutter of the editor: for every line, the number the
// validator uses for it (instructions only) and whether the line has errors.
// InstructionNumberCache remembers the verdict per line text, so that a
// keystroke in a long program revalidates only the line that changed.

#include "core/language/TerminalSink.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace norix {

struct InstructionNumberMark {
    std::optional<int> number; // shown for instructions
    bool hasError = false;     // a red "*"
    bool operator==(const InstructionNumberMark&) const = default;
};

// One mark per line of `code`. When the DIM symbols cannot be built the
// gutter is empty and the DIM message goes to `terminal`.
std::vector<InstructionNumberMark> buildInstructionNumbers(std::string_view code, int pinCount,
                                                           const TerminalSink& terminal);

class InstructionNumberCache {
public:
    // Same marks as buildInstructionNumbers; a failing DIM line is written to
    // the terminal once, until the DIM table builds again.
    std::vector<InstructionNumberMark> build(std::string_view code, int pinCount,
                                             const TerminalSink& terminal);

private:
    struct LineVerdict {
        bool numbered = false; // an instruction: it gets the next number
        bool hasError = false;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    // Verdicts hold for one DIM table and pin count; a change of either starts afresh.
    std::unordered_map<std::string, LineVerdict, TextHash, std::equal_to<>> verdicts_;
    std::string symbolsKey_;
    int pinCount_ = -1;
    std::optional<std::string> lastDimMessage_;
};

} // namespace norix
