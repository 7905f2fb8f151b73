#include "core/language/CodeCompiler.h"

#include "core/language/SourceScan.h"
#include "core/language/SourceText.h"

#include <unordered_map>

namespace norix {
namespace {

std::string atInstruction(int n) {
    return "Compile error at instruction " + std::to_string(n) + ": ";
}

std::string argumentCountMessage(int n, std::string_view opcode, std::size_t expected,
                                 std::size_t found) {
    return atInstruction(n) + std::string(opcode) + " expects " + std::to_string(expected) +
           (expected == 1 ? " argument" : " arguments") + ", but found " + std::to_string(found) +
           ".";
}

void report(const TerminalSink& terminal, const std::string& message) {
    if (terminal)
        terminal(message);
}

using FunctionTable = std::unordered_map<std::string, std::uint32_t>;

// The first pass: the DIM table and every FUNC's instruction number, so that a
// CALL may stand before its FUNC. A bad DIM anywhere is reported before a bad
// FUNC, and the first bad FUNC before anything the second pass finds.
struct FirstPass {
    DimSymbols symbols;
    FunctionTable functions;
    std::size_t instructionCount = 0;
};

std::optional<FirstPass> readDimsAndFunctions(std::string_view code, const TerminalSink& terminal) {
    FirstPass pass;
    std::optional<std::string> functionError;
    std::uint32_t n = 0;
    SourceScanner scanner(code);
    while (scanner.next()) {
        if (scanner.mnemonic().isDim) {
            if (!addDimSymbol(scanner.tokens(), scanner.sourceLine(), pass.symbols, terminal))
                return std::nullopt;
            continue;
        }
        if (!scanner.isInstruction())
            continue;
        ++n;
        if (functionError || scanner.mnemonic().option->opcode != "FUNC")
            continue;
        const auto tokens = scanner.tokens();
        if (tokens.size() < 2) {
            functionError = "Compile error: FUNC at instruction " + std::to_string(n) +
                            " is missing a function name.";
            continue;
        }
        const std::string name(tokens[1]);
        std::string key = upperCased(name);
        if (key.size() > functionNameBytes) {
            functionError =
                "Compile error: Function '" + name + "' exceeds the 12-character limit.";
        } else if (const auto found = pass.functions.find(key); found != pass.functions.end()) {
            functionError = "Compile error: Function '" + name +
                            "' is defined more than once at instructions " +
                            std::to_string(found->second) + " and " + std::to_string(n) + ".";
        } else {
            pass.functions.emplace(std::move(key), n);
        }
    }
    if (functionError) {
        report(terminal, *functionError);
        return std::nullopt;
    }
    pass.instructionCount = n;
    return pass;
}

} // namespace

void appendLittleEndian(std::uint32_t word, Bytes& bytes) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
}

std::array<std::uint32_t, 3> packedFunctionName(std::string_view name) {
    const std::string upper = upperCased(name);
    std::size_t end = 0;
    for (int characters = 0; characters < static_cast<int>(functionNameBytes) && end < upper.size();
         ++characters)
        end += decodeUtf8At(upper, end).length;
    end = std::min(end, functionNameBytes);
    std::array<std::uint32_t, 3> words{};
    for (std::size_t i = 0; i < end; ++i)
        words[i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(upper[i]))
                        << (8 * (i % 4));
    return words;
}

std::optional<std::uint32_t> compiledArgumentWord(std::string_view token, const OpcodeArg& argument,
                                                  const DimSymbols& symbols, int instructionNumber,
                                                  int pinCount, const TerminalSink& terminal) {
    // Messages are built only on failure: this runs for every argument.
    const auto fail = [&](const std::string& rest) -> std::optional<std::uint32_t> {
        report(terminal, atInstruction(instructionNumber) + rest);
        return std::nullopt;
    };
    const auto quoted = [&] { return "'" + std::string(token) + "'"; };
    const auto value = compilerValue(token, symbols);
    if (!value)
        return fail(quoted() + " is not a valid number, #Rn reference, or DIM name.");
    const bool isRegister = value->kind == CompilerValueKind::registerReference;
    const std::uint32_t word = value->word;
    const std::string& label = argument.name;
    switch (argument.type) {
    case OpcodeArgType::value:
        return word;
    case OpcodeArgType::registerSlot:
        if (isRegister)
            return fail(quoted() + " represents #Rn, but " + label +
                        " requires a literal register number from 0 through 31.");
        if (word > 31)
            return fail(quoted() + " resolves to " + std::to_string(word) + ", but " + label +
                        " must be from 0 through 31.");
        return word;
    case OpcodeArgType::pin:
        if (isRegister)
            return fail(quoted() + " represents #Rn, but " + label +
                        " requires a literal pin number.");
        if (word == 0 || static_cast<std::int64_t>(word) > pinCount)
            return fail("Pin " + std::to_string(word) +
                        " is outside the valid range of 1 through " + std::to_string(pinCount) +
                        ".");
        return word;
    case OpcodeArgType::pinList:
        if (isRegister)
            return fail(label + " requires a literal packed pin value.");
        return word;
    case OpcodeArgType::sideBitfield:
        if (isRegister)
            return fail(label + " requires a literal bitfield.");
        return word;
    case OpcodeArgType::text:
        return fail("Unexpected text argument " + quoted() + ".");
    case OpcodeArgType::addressGroup:
        if (isRegister)
            return fail(label + " requires a literal address group.");
        if (word != 0 && word != 8 && word != 16 && word != 24)
            return fail(label + " must be 0, 8, 16, or 24.");
        return word;
    case OpcodeArgType::addressIndex:
        if (isRegister || word > 31)
            return fail(label + " must be a literal index from 0 through 31.");
        return word;
    }
    return std::nullopt;
}

std::optional<Bytes> compileChipCode(std::string_view code, int pinCount,
                                     const TerminalSink& terminal) {
    const auto first = readDimsAndFunctions(code, terminal);
    if (!first)
        return std::nullopt;

    Bytes image;
    image.reserve(first->instructionCount * instructionSize);
    int n = 0;
    SourceScanner scanner(code);
    while (scanner.next()) {
        if (!scanner.isInstruction())
            continue;
        ++n;
        const auto tokens = scanner.tokens();
        const OpcodeOption& option = *scanner.mnemonic().option;
        std::array<std::uint32_t, 4> words{*scanner.mnemonic().word, 0, 0, 0};
        if (option.opcode == "FUNC") {
            const auto name = packedFunctionName(tokens[1]);
            std::copy(name.begin(), name.end(), words.begin() + 1);
        } else if (option.opcode == "CALL") {
            if (tokens.size() < 2) {
                report(terminal, atInstruction(n) + "CALL requires a function name.");
                return std::nullopt;
            }
            const auto found = first->functions.find(upperCased(tokens[1]));
            if (found == first->functions.end()) {
                report(terminal, atInstruction(n) + "CALL references undefined function '" +
                                     std::string(tokens[1]) + "'.");
                return std::nullopt;
            }
            words[1] = found->second;
        } else {
            const std::size_t found = tokens.size() - 1;
            if (found != option.args.size()) {
                report(terminal, argumentCountMessage(n, option.opcode, option.args.size(), found));
                return std::nullopt;
            }
            for (std::size_t i = 0; i < found; ++i) {
                const auto word = compiledArgumentWord(tokens[i + 1], option.args[i],
                                                       first->symbols, n, pinCount, terminal);
                if (!word)
                    return std::nullopt;
                words[i + 1] = *word;
            }
        }
        for (std::uint32_t word : words)
            appendLittleEndian(word, image);
    }
    return image;
}

} // namespace norix
