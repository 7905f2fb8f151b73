#include "core/language/LoadedCodeFormatter.h"

#include "core/language/CodeCompiler.h"
#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceScan.h"
#include "core/language/SourceText.h"
#include "core/util/ByteOrder.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace norix {
namespace {

void appendHex(std::string& out, std::uint32_t value, int minimumDigits) {
    static constexpr char digits[] = "0123456789ABCDEF";
    char buffer[8];
    int count = 0;
    do {
        buffer[count++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (count < minimumDigits)
        buffer[count++] = '0';
    while (count > 0)
        out.push_back(buffer[--count]);
}

void appendLoadedWord(std::string& out, std::uint32_t word) {
    if ((word & 0xC0000000u) == 0x80000000u) {
        out += "#R";
        out += std::to_string(word & 0x3FFFFFFFu);
    } else {
        out += "0x";
        appendHex(out, word, 1);
    }
}

// Instruction word -> mnemonic and the number of argument words shown.
struct LoadedOpcode {
    std::string_view mnemonic; // empty: no opcode has this word
    std::size_t argumentCount = 0;
};

const std::array<LoadedOpcode, 256>& loadedOpcodes() {
    static const auto table = [] {
        std::array<LoadedOpcode, 256> made{};
        for (const auto& [mnemonic, word] : norixOpcodeWords()) {
            const OpcodeOption* option = opcodeOption(mnemonic);
            made[word] = {mnemonic, std::min<std::size_t>(option ? option->args.size() : 3, 3)};
        }
        return made;
    }();
    return table;
}

void appendInstructionLine(std::string& out, const std::array<std::uint32_t, 4>& w) {
    const LoadedOpcode* opcode = w[0] < 256 ? &loadedOpcodes()[w[0]] : nullptr;
    const std::optional<std::string_view> mnemonic =
        opcode && !opcode->mnemonic.empty() ? std::optional(opcode->mnemonic) : std::nullopt;
    if (!mnemonic) {
        out += "UNKNOWN_0x";
        appendHex(out, w[0], 8);
        for (int i = 1; i < 4; ++i) {
            out += " 0x";
            appendHex(out, w[static_cast<std::size_t>(i)], 1);
        }
        return;
    }
    if (*mnemonic == "FUNC") {
        const std::string name = unpackFunctionName(w[1], w[2], w[3]);
        out += name.empty() ? "FUNC" : "FUNC " + name;
        return;
    }
    if (*mnemonic == "ENDFUNC") {
        out += "ENDFUNC";
        return;
    }
    if (*mnemonic == "CALL") {
        out += "CALL 0x";
        appendHex(out, w[1], 1);
        return;
    }
    out += *mnemonic;
    for (std::size_t i = 0; i < opcode->argumentCount; ++i) {
        out.push_back(' ');
        appendLoadedWord(out, w[i + 1]);
    }
}

// The first two tokens of a line and how many there are (0, 1 or 2 for "two
// or more"), without splitting the rest.
int firstTwoTokens(std::string_view line, std::string_view& first, std::string_view& second) {
    std::string_view* targets[2] = {&first, &second};
    int found = 0;
    std::size_t i = 0;
    while (i < line.size() && found < 2) {
        if (const std::size_t length = separatorLengthAt(line, i)) {
            i += length;
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && separatorLengthAt(line, i) == 0)
            i += static_cast<unsigned char>(line[i]) < 0x80 ? 1 : decodeUtf8At(line, i).length;
        *targets[found++] = line.substr(start, i - start);
    }
    return found;
}

// No character outside ASCII upper-cases to a letter of FUNC or CALL, so an
// ASCII comparison is the upper-case comparison.
bool isWord(std::string_view token, std::string_view upperWord) {
    return token.size() == upperWord.size() && startsWithIgnoringAsciiCase(token, upperWord);
}

std::optional<std::int64_t> callTarget(std::string_view token) {
    if (startsWithIgnoringAsciiCase(token, "0x"))
        return parseInt64(token.substr(2), 16);
    return parseInt64(token, 10);
}

} // namespace

std::string formattedLoadedWord(std::uint32_t word) {
    std::string out;
    appendLoadedWord(out, word);
    return out;
}

std::string unpackFunctionName(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3) {
    std::string name;
    for (std::uint32_t word : {w1, w2, w3}) {
        for (int shift = 0; shift < 32; shift += 8) {
            const auto byte = static_cast<char>((word >> shift) & 0xFF);
            if (byte == '\0')
                return isWellFormedUtf8(name) ? name : std::string();
            name.push_back(byte);
        }
    }
    return isWellFormedUtf8(name) ? name : std::string();
}

std::string decompileLoadedFunctionCalls(std::string_view text) {
    // Line numbers count the non-blank lines, which are the instructions.
    std::vector<std::string_view> functionNames(1);
    std::string_view line;
    std::string_view first;
    std::string_view second;
    LineCursor functions(text);
    while (functions.next(line)) {
        const int count = firstTwoTokens(line, first, second);
        if (count == 0)
            continue;
        functionNames.emplace_back(); // this line's number is size() - 1
        if (count == 2 && isWord(first, "FUNC"))
            functionNames.back() = second;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t number = 0;
    bool firstLine = true;
    LineCursor calls(text);
    while (calls.next(line)) {
        if (!firstLine)
            out.push_back('\n');
        firstLine = false;
        const int count = firstTwoTokens(line, first, second);
        if (count > 0)
            ++number;
        if (count == 2 && isWord(first, "CALL")) {
            const auto target = callTarget(second);
            if (target && *target > 0 &&
                static_cast<std::uint64_t>(*target) < functionNames.size() &&
                !functionNames[static_cast<std::size_t>(*target)].empty()) {
                out += "CALL ";
                out += functionNames[static_cast<std::size_t>(*target)];
                continue;
            }
        }
        out += line;
    }
    return out;
}

std::string formatLoadedNorixCode(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return {};
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::size_t offset = 0; offset < bytes.size(); offset += instructionSize) {
        if (offset > 0)
            text.push_back('\n');
        const std::array<std::uint32_t, 4> words{
            littleEndian32At(bytes, offset), littleEndian32At(bytes, offset + 4),
            littleEndian32At(bytes, offset + 8), littleEndian32At(bytes, offset + 12)};
        appendInstructionLine(text, words);
    }
    return decompileLoadedFunctionCalls(text);
}

} // namespace norix
