#include "core/language/SourceReader.h"

#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceScan.h"
#include "core/language/SourceText.h"

namespace norix {
namespace {

void appendTokens(std::string_view text, std::vector<std::string_view>& tokens) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (const std::size_t length = separatorLengthAt(text, i)) {
            if (i > start)
                tokens.push_back(text.substr(start, i - start));
            i += length;
            start = i;
        } else {
            i += static_cast<unsigned char>(text[i]) < 0x80 ? 1 : decodeUtf8At(text, i).length;
        }
    }
    if (i > start)
        tokens.push_back(text.substr(start, i - start));
}

std::string dimError(int sourceLine, std::string_view rest) {
    return "Compile error on source line " + std::to_string(sourceLine) + ": " + std::string(rest);
}

bool isAsciiNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

bool LineCursor::next(std::string_view& line) {
    if (finished_)
        return false;
    for (std::size_t i = position_; i < text_.size();) {
        if (const std::size_t length = lineBreakLengthAt(text_, i)) {
            line = text_.substr(position_, i - position_);
            position_ = i + length;
            return true;
        }
        ++i;
    }
    line = text_.substr(position_);
    finished_ = true;
    return true;
}

bool SourceScanner::next() {
    std::string_view line;
    while (lines_.next(line)) {
        ++sourceLine_;
        // "/" and "*" never occur inside a multi-byte UTF-8 sequence, so the
        // comment markers can be found byte by byte. Most lines keep one
        // contiguous piece of themselves; only a block comment that starts or
        // ends inside the line needs the buffer.
        std::string_view kept;
        if (!inBlockComment_ && line.find("/*") == std::string_view::npos) {
            kept = line.substr(0, line.find("//"));
        } else {
            cut_.clear();
            for (std::size_t i = 0; i < line.size();) {
                const char c = line[i];
                const char after = i + 1 < line.size() ? line[i + 1] : '\0';
                if (inBlockComment_) {
                    if (c == '*' && after == '/') {
                        inBlockComment_ = false;
                        i += 2;
                    } else {
                        ++i;
                    }
                } else if (c == '/' && after == '*') {
                    inBlockComment_ = true;
                    i += 2;
                } else if (c == '/' && after == '/') {
                    break;
                } else {
                    cut_.push_back(c);
                    ++i;
                }
            }
            kept = cut_;
        }
        tokens_.clear();
        appendTokens(kept, tokens_);
        if (!tokens_.empty()) {
            mnemonic_ = classifyMnemonic(tokens_.front());
            return true;
        }
    }
    return false;
}

namespace {

std::vector<SourceLine> collectSourceLines(std::string_view code, bool instructionsOnly) {
    std::vector<SourceLine> result;
    SourceScanner scanner(code);
    while (scanner.next()) {
        if (instructionsOnly && !scanner.isInstruction())
            continue;
        SourceLine source{scanner.sourceLine(), {}};
        for (std::string_view token : scanner.tokens())
            source.tokens.emplace_back(token);
        result.push_back(std::move(source));
    }
    return result;
}

} // namespace

std::vector<SourceLine> sourceTokenLines(std::string_view code) {
    return collectSourceLines(code, false);
}

std::vector<SourceLine> sourceInstructionLines(std::string_view code) {
    return collectSourceLines(code, true);
}

std::optional<CompilerValue> compilerValue(std::string_view token, const DimSymbols& symbols) {
    const std::string_view trimmed = trimSource(token);
    // DIM names start with a letter or "_", numbers never do, so numbers skip
    // the table (and the upper-case copy it needs).
    if (!symbols.empty() && !trimmed.empty() && isAsciiNameStart(trimmed.front())) {
        if (const auto found = symbols.find(upperCased(trimmed)); found != symbols.end())
            return found->second;
    }
    // No character outside ASCII upper-cases to a digit or a prefix letter, so
    // numbers are read from the text itself, prefixes in either case.
    if (startsWithIgnoringAsciiCase(trimmed, "#R")) {
        const auto number = parseUInt32(trimmed.substr(2), 10);
        if (!number || *number > 31)
            return std::nullopt;
        return CompilerValue{registerReferenceBit + *number, CompilerValueKind::registerReference};
    }
    std::optional<std::uint32_t> number;
    if (startsWithIgnoringAsciiCase(trimmed, "0X"))
        number = parseUInt32(trimmed.substr(2), 16);
    else if (startsWithIgnoringAsciiCase(trimmed, "0B"))
        number = parseUInt32(trimmed.substr(2), 2);
    else
        number = parseUInt32(trimmed, 10);
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

bool addDimSymbol(std::span<const std::string_view> tokens, int line, DimSymbols& symbols,
                  const TerminalSink& terminal) {
    const auto fail = [&](std::string_view rest) {
        if (terminal)
            terminal(dimError(line, rest));
        return false;
    };
    if (tokens.size() != 3)
        return fail("DIM requires exactly a name and a value.");
    const std::string name(tokens[1]);
    const std::string valueText(tokens[2]);
    if (!isValidDimName(name))
        return fail("'" + name + "' is not a valid DIM name.");
    std::string key = upperCased(name);
    if (key == "DIM" || norixOpcodeWord(key))
        return fail("DIM name '" + name + "' conflicts with a Norix opcode.");
    if (symbols.contains(key))
        return fail("DIM name '" + name + "' is defined more than once.");
    const auto value = compilerValue(valueText, symbols);
    if (!value)
        return fail("DIM value '" + valueText +
                    "' must be a decimal, hexadecimal, binary, or #R0 through #R31 value.");
    symbols.emplace(std::move(key), *value);
    return true;
}

std::optional<DimSymbols> buildDimSymbols(std::string_view code, const TerminalSink& terminal) {
    DimSymbols symbols;
    SourceScanner scanner(code);
    while (scanner.next()) {
        if (scanner.mnemonic().isDim &&
            !addDimSymbol(scanner.tokens(), scanner.sourceLine(), symbols, terminal))
            return std::nullopt;
    }
    return symbols;
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
