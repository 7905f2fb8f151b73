#include "core/language/CodeColoring.h"

#include "core/language/CodeValidator.h"
#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceText.h"

#include <string>

namespace norix {
namespace {

bool isSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimSpacesAndTabs(std::string_view text) {
    while (!text.empty() && isSpaceOrTab(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpaceOrTab(text.back()))
        text.remove_suffix(1);
    return text;
}

// The opcode and its argument tokens when the first token is a catalogue
// opcode given exactly as many arguments as it defines; otherwise nothing.
struct CheckedLine {
    const OpcodeOption* option = nullptr;
    std::vector<std::string_view> arguments;
};

std::optional<CheckedLine> checkedLine(std::string_view line) {
    std::vector<std::string_view> tokens = splitSourceTokens(line);
    if (tokens.empty())
        return std::nullopt;
    const OpcodeOption* option = opcodeOption(tokens.front());
    if (!option || tokens.size() - 1 != option->args.size())
        return std::nullopt;
    return CheckedLine{option, std::vector<std::string_view>(tokens.begin() + 1, tokens.end())};
}

bool isRegisterReferenceText(std::string_view piece) {
    return piece.size() >= 2 && piece[0] == '#' && (piece[1] == 'R' || piece[1] == 'r');
}

} // namespace

std::set<int> invalidRegisterArgumentIndexes(std::string_view line) {
    std::set<int> invalid;
    const auto checked = checkedLine(line);
    if (!checked)
        return invalid;
    for (std::size_t i = 0; i < checked->arguments.size(); ++i) {
        const std::string_view token = checked->arguments[i];
        const int tokenNumber = static_cast<int>(i) + 1;
        if (checked->option->args[i].type == OpcodeArgType::registerSlot) {
            const auto slot = registerSlotNumber(token);
            if (!slot || *slot < 0 || *slot > 31)
                invalid.insert(tokenNumber);
        }
        if (isRegisterReferenceText(token)) {
            const auto number = parseInt64(token.substr(2), 10);
            if (!number || *number < 0 || *number > 31)
                invalid.insert(tokenNumber);
        }
    }
    return invalid;
}

std::set<int> invalidPinArgumentIndexes(std::string_view line, int pinCount) {
    std::set<int> invalid;
    const auto checked = checkedLine(line);
    if (!checked)
        return invalid;
    for (std::size_t i = 0; i < checked->arguments.size(); ++i) {
        if (checked->option->args[i].type != OpcodeArgType::pin)
            continue;
        const auto pin = pinNumber(checked->arguments[i]);
        if (!pin || *pin < 1 || *pin > pinCount)
            invalid.insert(static_cast<int>(i) + 1);
    }
    const std::string& opcode = checked->option->opcode;
    if (opcode == "DEFADDR" || opcode == "DEF8") {
        const auto packed = packedAddressValidation(checked->arguments, opcode, 0, pinCount);
        for (int index : packed.invalidArgumentIndexes)
            invalid.insert(index + 1);
    }
    return invalid;
}

std::vector<ColoredSpan> colorizedLine(std::string_view line, int pinCount) {
    std::vector<ColoredSpan> spans;
    const std::string_view trimmed = trimSpacesAndTabs(line);
    if (trimmed.empty())
        return spans;
    if (trimmed.starts_with("/*") || trimmed.starts_with("*") || trimmed.starts_with("//")) {
        spans.push_back({0, line.size(), CodeColor::comment});
        return spans;
    }

    std::set<int> invalid = invalidRegisterArgumentIndexes(line);
    invalid.merge(invalidPinArgumentIndexes(line, pinCount));

    // Pieces between single spaces, so that the spacing as typed is kept; only
    // pieces with something in them count as tokens.
    int tokenNumber = 0;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos)
            end = line.size();
        const std::string_view piece = line.substr(start, end - start);
        if (!trimSource(piece).empty()) {
            const std::string upper = upperCased(piece);
            CodeColor color = CodeColor::plain;
            if (invalid.contains(tokenNumber))
                color = CodeColor::error;
            else if (isExecutableOpcode(upper) || upper == "DIM")
                color = CodeColor::opcode;
            else if (upper.starts_with("#R"))
                color = CodeColor::registerReference;
            else if (tokenNumber == 0)
                color = CodeColor::error;
            if (color != CodeColor::plain)
                spans.push_back({start, piece.size(), color});
            ++tokenNumber;
        }
        start = end + 1;
    }
    return spans;
}

std::vector<std::vector<ColoredSpan>> colorizedCode(std::string_view code, int pinCount) {
    std::vector<std::vector<ColoredSpan>> lines;
    for (std::string_view line : splitSourceLines(code))
        lines.push_back(colorizedLine(line, pinCount));
    return lines;
}

} // namespace norix
