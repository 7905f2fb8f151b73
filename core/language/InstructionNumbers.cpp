#include "core/language/InstructionNumbers.h"

#include "core/language/CodeValidator.h"
#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceReader.h"
#include "core/language/SourceText.h"

#include <algorithm>
#include <map>

namespace norix {
namespace {

// Lines that never carry a number: blank, DIM, and comment lines.
bool isUnnumberedLine(std::string_view line) {
    const std::string_view trimmed = trimSource(line);
    if (trimmed.empty() || trimmed.starts_with("//") || trimmed.starts_with("/*") ||
        trimmed.starts_with("*"))
        return true;
    return upperCased(firstSourceToken(trimmed)) == "DIM";
}

// A text that is equal for equal tables, whatever the order of their entries.
std::string symbolsKey(const DimSymbols& symbols) {
    std::map<std::string, CompilerValue> sorted(symbols.begin(), symbols.end());
    std::string key;
    for (const auto& [name, value] : sorted) {
        key += name;
        key += '=';
        key += std::to_string(value.word);
        key += value.kind == CompilerValueKind::registerReference ? 'r' : 'l';
        key += '\n';
    }
    return key;
}

} // namespace

std::vector<InstructionNumberMark> buildInstructionNumbers(std::string_view code, int pinCount,
                                                           const TerminalSink& terminal) {
    std::vector<InstructionNumberMark> marks;
    const auto symbols = buildDimSymbols(code, terminal);
    if (!symbols)
        return marks;
    int number = 1;
    for (std::string_view line : splitSourceLines(code)) {
        InstructionNumberMark& mark = marks.emplace_back();
        if (isUnnumberedLine(line))
            continue;
        mark.hasError = !validationErrors(line, number, *symbols, pinCount).empty();
        if (isExecutableOpcode(upperCased(firstSourceToken(line))))
            mark.number = number++;
    }
    return marks;
}

std::vector<InstructionNumberMark>
InstructionNumberCache::build(std::string_view code, int pinCount, const TerminalSink& terminal) {
    std::vector<InstructionNumberMark> marks;
    std::optional<std::string> dimMessage;
    const auto symbols =
        buildDimSymbols(code, [&dimMessage](const std::string& entry) { dimMessage = entry; });
    if (!symbols) {
        // The same broken DIM line is reported once, not on every keystroke.
        if (dimMessage && dimMessage != lastDimMessage_ && terminal)
            terminal(*dimMessage);
        lastDimMessage_ = dimMessage;
        return marks;
    }
    lastDimMessage_.reset();

    std::string key = symbolsKey(*symbols);
    if (key != symbolsKey_ || pinCount != pinCount_) {
        verdicts_.clear();
        symbolsKey_ = std::move(key);
        pinCount_ = pinCount;
    }

    const std::vector<std::string_view> lines = splitSourceLines(code);
    // Old line texts pile up while typing; start afresh now and then.
    if (verdicts_.size() > 4 * lines.size() + 1024)
        verdicts_.clear();

    marks.resize(lines.size());
    int number = 1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        auto found = verdicts_.find(line);
        if (found == verdicts_.end()) {
            LineVerdict verdict;
            if (!isUnnumberedLine(line)) {
                verdict.numbered = isExecutableOpcode(upperCased(firstSourceToken(line)));
                // Messages name the instruction number, but whether there are
                // any does not depend on it.
                verdict.hasError = !validationErrors(line, 1, *symbols, pinCount).empty();
            }
            found = verdicts_.emplace(std::string(line), verdict).first;
        }
        marks[i].hasError = found->second.hasError;
        if (found->second.numbered)
            marks[i].number = number++;
    }
    return marks;
}

} // namespace norix
