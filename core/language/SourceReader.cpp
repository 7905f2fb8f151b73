#include "core/language/SourceReader.h"

#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceText.h"

namespace norix {
namespace {

void appendTokens(std::string_view text, std::vector<std::string>& tokens) {
    for (std::string_view token : splitSourceTokens(text))
        tokens.emplace_back(token);
}

bool isDimLine(const SourceLine& line) {
    return upperCased(line.tokens.front()) == "DIM";
}

std::string dimError(int sourceLine, std::string_view rest) {
    return "Compile error on source line " + std::to_string(sourceLine) + ": " + std::string(rest);
}

} // namespace

std::vector<SourceLine> sourceTokenLines(std::string_view code) {
    std::vector<SourceLine> result;
    bool inBlockComment = false;
    std::string kept;
    int lineNumber = 0;
    for (std::string_view line : splitSourceLines(code)) {
        ++lineNumber;
        kept.clear();
        // "/", "*" never occur inside a multi-byte UTF-8 sequence, so the
        // comment markers can be found byte by byte.
        std::size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            const char next = i + 1 < line.size() ? line[i + 1] : '\0';
            if (inBlockComment) {
                if (c == '*' && next == '/') {
                    inBlockComment = false;
                    i += 2;
                } else {
                    ++i;
                }
            } else if (c == '/' && next == '*') {
                inBlockComment = true;
                i += 2;
            } else if (c == '/' && next == '/') {
                break;
            } else {
                kept.push_back(c);
                ++i;
            }
        }
        SourceLine source{lineNumber, {}};
        appendTokens(kept, source.tokens);
        if (!source.tokens.empty())
            result.push_back(std::move(source));
    }
    return result;
}

std::vector<SourceLine> instructionLinesOf(std::vector<SourceLine> lines) {
    std::vector<SourceLine> instructions;
    instructions.reserve(lines.size());
    for (SourceLine& line : lines) {
        const std::string first = upperCased(line.tokens.front());
        if (first != "DIM" && norixOpcodeWord(first))
            instructions.push_back(std::move(line));
    }
    return instructions;
}

std::vector<SourceLine> sourceInstructionLines(std::string_view code) {
    return instructionLinesOf(sourceTokenLines(code));
}

std::optional<CompilerValue> compilerValue(std::string_view token, const DimSymbols& symbols) {
    const std::string key = upperCased(trimSource(token));
    if (!symbols.empty()) {
        if (const auto found = symbols.find(key); found != symbols.end())
            return found->second;
    }
    const std::string_view view = key;
    if (view.starts_with("#R")) {
        const auto number = parseUInt32(view.substr(2), 10);
        if (!number || *number > 31)
            return std::nullopt;
        return CompilerValue{registerReferenceBit + *number, CompilerValueKind::registerReference};
    }
    std::optional<std::uint32_t> number;
    if (view.starts_with("0X"))
        number = parseUInt32(view.substr(2), 16);
    else if (view.starts_with("0B"))
        number = parseUInt32(view.substr(2), 2);
    else
        number = parseUInt32(view, 10);
    if (!number)
        return std::nullopt;
    return CompilerValue{*number, CompilerValueKind::literal};
}

bool isValidDimName(std::string_view name) {
    if (name.empty())
        return false;
    bool first = true;
    for (std::size_t i = 0; i < name.size();) {
        const DecodedChar decoded = decodeUtf8At(name, i);
        if (!decoded.codePoint)
            return false;
        const char32_t c = *decoded.codePoint;
        const bool allowed = c == U'_' || (first ? isUnicodeLetter(c) : isUnicodeLetterOrDigit(c));
        if (!allowed)
            return false;
        first = false;
        i += decoded.length;
    }
    return true;
}

std::optional<DimSymbols> buildDimSymbols(const std::vector<SourceLine>& lines,
                                          const TerminalSink& terminal) {
    DimSymbols symbols;
    const auto fail = [&](int sourceLine, std::string_view rest) {
        if (terminal)
            terminal(dimError(sourceLine, rest));
        return std::nullopt;
    };
    for (const SourceLine& line : lines) {
        if (!isDimLine(line))
            continue;
        if (line.tokens.size() != 3)
            return fail(line.sourceLine, "DIM requires exactly a name and a value.");
        const std::string& name = line.tokens[1];
        const std::string& valueText = line.tokens[2];
        if (!isValidDimName(name))
            return fail(line.sourceLine, "'" + name + "' is not a valid DIM name.");
        std::string key = upperCased(name);
        if (key == "DIM" || norixOpcodeWord(key))
            return fail(line.sourceLine, "DIM name '" + name + "' conflicts with a Norix opcode.");
        if (symbols.contains(key))
            return fail(line.sourceLine, "DIM name '" + name + "' is defined more than once.");
        const auto value = compilerValue(valueText, symbols);
        if (!value)
            return fail(line.sourceLine, "DIM value '" + valueText +
                                             "' must be a decimal, hexadecimal, binary, or #R0 "
                                             "through #R31 value.");
        symbols.emplace(std::move(key), *value);
    }
    return symbols;
}

std::optional<DimSymbols> buildDimSymbols(std::string_view code, const TerminalSink& terminal) {
    return buildDimSymbols(sourceTokenLines(code), terminal);
}

std::string normalizeArg(std::string_view text) {
    const std::string_view trimmed = trimSource(text);
    std::optional<std::int64_t> number;
    if (startsWithIgnoringAsciiCase(trimmed, "0b"))
        number = parseInt64(trimmed.substr(2), 2);
    else if (startsWithIgnoringAsciiCase(trimmed, "0x"))
        number = parseInt64(trimmed.substr(2), 16);
    return number ? std::to_string(*number) : std::string(trimmed);
}

std::optional<std::vector<int>> packedPinBytes(std::string_view text) {
    const std::string lower = asciiLowerCased(trimSource(text));
    if (!std::string_view(lower).starts_with("0x"))
        return std::nullopt;
    std::string digits = lower.substr(2);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    for (char c : digits) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    }
    if (digits.size() % 2 != 0)
        digits.insert(digits.begin(), '0');
    std::vector<int> bytes;
    for (std::size_t end = digits.size(); end > 0; end -= 2)
        bytes.push_back(
            static_cast<int>(*parseUInt32(std::string_view(digits).substr(end - 2, 2), 16)));
    return bytes;
}

} // namespace norix
