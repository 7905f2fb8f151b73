#include "core/language/CodeValidator.h"

#include "core/language/CodeCompiler.h"
#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceScan.h"
#include "core/language/SourceText.h"

#include <algorithm>
#include <array>
#include <span>
#include <unordered_map>

namespace norix {
namespace {

std::string linePrefix(int n) {
    return "Line " + std::to_string(n) + ": ";
}
std::string instructionPrefix(int n) {
    return "Instruction " + std::to_string(n) + ": ";
}

std::optional<std::int64_t> readPlainNumber(std::string_view text) {
    const std::string_view trimmed = trimSource(text);
    if (startsWithIgnoringAsciiCase(trimmed, "0x"))
        return parseInt64(trimmed.substr(2), 16);
    if (startsWithIgnoringAsciiCase(trimmed, "0b"))
        return parseInt64(trimmed.substr(2), 2);
    return parseInt64(trimmed, 10);
}

// The validator's view of one line, without allocating: the opcode and the
// first three arguments are all any check looks at; longer lines only need
// their count.
struct ValidatorLine {
    bool skipped = true;
    std::array<std::string_view, 4> tokens{};
    std::size_t tokenCount = 0;
    Mnemonic mnemonic;

    bool is(std::string_view opcode) const {
        return mnemonic.option && mnemonic.option->opcode == opcode;
    }
};

ValidatorLine readValidatorLine(std::string_view line) {
    ValidatorLine result;
    if (isValidatorCommentLine(line))
        return result;
    std::size_t start = 0;
    std::size_t i = 0;
    const auto add = [&](std::size_t end) {
        if (end > start) {
            if (result.tokenCount < result.tokens.size())
                result.tokens[result.tokenCount] = line.substr(start, end - start);
            ++result.tokenCount;
        }
    };
    while (i < line.size()) {
        if (const std::size_t length = separatorLengthAt(line, i)) {
            add(i);
            i += length;
            start = i;
        } else {
            i += static_cast<unsigned char>(line[i]) < 0x80 ? 1 : decodeUtf8At(line, i).length;
        }
    }
    add(i);
    result.skipped = result.tokenCount == 0;
    if (!result.skipped)
        result.mnemonic = classifyMnemonic(result.tokens[0]);
    return result;
}

void checkArgument(std::string_view token, const OpcodeArg& argument, int n,
                   const DimSymbols& symbols, int pinCount, std::vector<std::string>& messages) {
    switch (argument.type) {
    case OpcodeArgType::value:
        if (!compilerValue(token, symbols))
            messages.push_back(linePrefix(n) + "Unknown value '" + std::string(token) +
                               "'. Expected a number, #Rn, or DIM variable.");
        break;
    case OpcodeArgType::registerSlot: {
        const auto slot = registerSlotNumber(token);
        if (!slot || *slot < 0 || *slot > 31)
            messages.push_back(linePrefix(n) + "Register slot '" + std::string(token) +
                               "' must be between 0 and 31.");
        break;
    }
    case OpcodeArgType::pin: {
        const auto pin = pinNumber(token);
        if (!pin)
            messages.push_back(linePrefix(n) + "Pin '" + std::string(token) +
                               "' is not a valid pin number.");
        else if (*pin < 1 || *pin > pinCount)
            messages.push_back(linePrefix(n) + "Pin " + std::to_string(*pin) +
                               " exceeds the valid range of 1 through " + std::to_string(pinCount) +
                               ".");
        break;
    }
    case OpcodeArgType::pinList:
    case OpcodeArgType::sideBitfield:
    case OpcodeArgType::text:
    case OpcodeArgType::addressGroup:
    case OpcodeArgType::addressIndex:
        break;
    }
}

std::vector<std::string> errorsOfLine(const ValidatorLine& line, int n, const DimSymbols& symbols,
                                      int pinCount) {
    std::vector<std::string> messages;
    if (line.skipped)
        return messages;
    const OpcodeOption* option = line.mnemonic.option;
    if (!option) {
        messages.push_back(linePrefix(n) + "Unknown opcode '" + upperCased(line.tokens[0]) + "'.");
        return messages;
    }
    const std::size_t found = line.tokenCount - 1;
    const std::size_t expected = option->args.size();
    if (found != expected) {
        messages.push_back(linePrefix(n) + option->opcode + " expects " + std::to_string(expected) +
                           (expected == 1 ? " argument" : " arguments") + ", but found " +
                           std::to_string(found) + ".");
        return messages;
    }
    for (std::size_t i = 0; i < expected; ++i)
        checkArgument(line.tokens[i + 1], option->args[i], n, symbols, pinCount, messages);
    if (line.is("DEFADDR") || line.is("DEF8")) {
        auto packed = packedAddressValidation(std::span(line.tokens).subspan(1, found),
                                              option->opcode, n, pinCount);
        for (auto& message : packed.messages)
            messages.push_back(std::move(message));
    }
    return messages;
}

} // namespace

std::optional<std::int64_t> pinNumber(std::string_view text) {
    return readPlainNumber(text);
}

std::optional<std::int64_t> registerSlotNumber(std::string_view text) {
    return readPlainNumber(text);
}

bool isValidatorCommentLine(std::string_view line) {
    const std::string_view trimmed = trimSource(line);
    return trimmed.empty() || trimmed.starts_with("//") || trimmed.starts_with("/*") ||
           trimmed.starts_with("*");
}

std::vector<std::string> validationErrors(std::string_view line, int lineNumber,
                                          const DimSymbols& symbols, int pinCount) {
    return errorsOfLine(readValidatorLine(line), lineNumber, symbols, pinCount);
}

PackedAddressValidation packedAddressValidation(std::span<const std::string_view> arguments,
                                                std::string_view opcode, int lineNumber,
                                                int pinCount) {
    PackedAddressValidation result;
    if ((opcode != "DEFADDR" && opcode != "DEF8") || arguments.size() < 3)
        return result;
    const std::string prefix = linePrefix(lineNumber);
    const std::string op(opcode);
    std::vector<std::pair<int, int>> pins; // (pin, argument position)
    for (int position = 1; position <= 2; ++position) {
        const std::string_view value = trimSource(arguments[static_cast<std::size_t>(position)]);
        if (!startsWithIgnoringAsciiCase(value, "0x")) {
            result.messages.push_back(prefix + op + " packed pin values must begin with 0x.");
            result.invalidArgumentIndexes.insert(position);
            continue;
        }
        const auto bytes = packedPinBytes(value);
        if (!bytes) {
            result.messages.push_back(prefix + "'" + std::string(value) +
                                      "' is not a valid packed hexadecimal pin value. Each packed "
                                      "value may contain at most 4 pin bytes.");
            result.invalidArgumentIndexes.insert(position);
            continue;
        }
        bool gap = false;
        for (int pin : *bytes) {
            if (pin == 0) {
                gap = true;
                continue;
            }
            if (gap) {
                result.messages.push_back(prefix + op +
                                          " packed pin values cannot contain an unused 00 byte "
                                          "between defined pins.");
                result.invalidArgumentIndexes.insert(position);
            }
            pins.emplace_back(pin, position);
            if (pin > pinCount) {
                result.messages.push_back(prefix + "Address pin " + std::to_string(pin) +
                                          " exceeds the chip pin count of " +
                                          std::to_string(pinCount) + ".");
                result.invalidArgumentIndexes.insert(position);
            }
        }
    }
    const auto count = static_cast<std::int64_t>(pins.size());
    if (count > 8) {
        result.messages.push_back(prefix + op + " can define at most 8 address pins.");
        result.invalidArgumentIndexes.insert({1, 2});
    }
    if (opcode == "DEFADDR") {
        // Compared as base > 32 - count so that a huge base cannot overflow.
        if (const auto base = pinNumber(arguments[0]); base && *base > 32 - count) {
            result.messages.push_back(prefix + "DEFADDR starting at address bit " +
                                      std::to_string(*base) + " with " + std::to_string(count) +
                                      " pins exceeds the 32-bit address limit.");
            result.invalidArgumentIndexes.insert({0, 1, 2});
        }
    }
    // At most eight pins: a sorted copy finds the repeated ones in order.
    auto sorted = pins;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size();) {
        std::size_t end = i + 1;
        while (end < sorted.size() && sorted[end].first == sorted[i].first)
            ++end;
        if (end - i >= 2) {
            result.messages.push_back(prefix + "Address pin " + std::to_string(sorted[i].first) +
                                      " is used more than once.");
            for (std::size_t k = i; k < end; ++k)
                result.invalidArgumentIndexes.insert(sorted[k].second);
        }
        i = end;
    }
    return result;
}

bool validateCode(std::string_view code, int pinCount, const TerminalSink& terminal) {
    const auto symbols = buildDimSymbols(code, terminal);
    if (!symbols)
        return false;
    // Both passes read the lines afresh: cheaper than keeping them all.
    const auto forEachLine = [&code](auto&& visit) {
        LineCursor cursor(code);
        std::string_view text;
        while (cursor.next(text)) {
            const ValidatorLine line = readValidatorLine(text);
            if (!line.skipped && !line.mnemonic.isDim)
                visit(line);
        }
    };

    std::vector<std::string> messages;
    std::unordered_map<std::string, int> functions;
    int n = 1;
    forEachLine([&](const ValidatorLine& line) {
        if (line.is("FUNC")) {
            if (line.tokenCount != 2) {
                messages.push_back(instructionPrefix(n) +
                                   "FUNC requires exactly one function name.");
                ++n;
                return;
            }
            const std::string name(line.tokens[1]);
            std::string key = upperCased(name);
            if (key.size() >= functionNameBytes + 1)
                messages.push_back(instructionPrefix(n) + "Function '" + name +
                                   "' exceeds the 12-character limit.");
            if (const auto found = functions.find(key); found == functions.end())
                functions.emplace(std::move(key), n);
            else
                messages.push_back(instructionPrefix(n) + "Function '" + name +
                                   "' is already defined at instruction " +
                                   std::to_string(found->second) + ".");
        }
        if (line.mnemonic.option)
            ++n;
    });

    n = 1;
    forEachLine([&](const ValidatorLine& line) {
        for (auto& message : errorsOfLine(line, n, *symbols, pinCount))
            messages.push_back(std::move(message));
        if (line.is("CALL") && line.tokenCount == 2 &&
            !functions.contains(upperCased(line.tokens[1])))
            messages.push_back(instructionPrefix(n) + "CALL references undefined function '" +
                               std::string(line.tokens[1]) + "'.");
        if (line.mnemonic.option)
            ++n;
    });

    if (messages.empty()) {
        if (terminal)
            terminal("No errors.");
        return true;
    }
    std::string entry = messages.front();
    for (std::size_t i = 1; i < messages.size(); ++i) {
        entry.push_back('\n');
        entry += messages[i];
    }
    if (terminal)
        terminal(entry);
    return false;
}

} // namespace norix
