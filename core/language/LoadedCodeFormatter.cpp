#include "core/language/LoadedCodeFormatter.h"

#include "core/language/CodeCompiler.h"
#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceText.h"

#include <algorithm>
#include <array>
#include <unordered_map>

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

void appendInstructionLine(std::string& out, const std::array<std::uint32_t, 4>& w) {
    const auto mnemonic = mnemonicForWord(w[0]);
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
    const OpcodeOption* option = opcodeOption(*mnemonic);
    const std::size_t count = std::min<std::size_t>(option ? option->args.size() : 3, 3);
    out += *mnemonic;
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(' ');
        appendLoadedWord(out, w[i + 1]);
    }
}

std::optional<std::int64_t> callTarget(std::string_view token) {
    if (startsWithIgnoringAsciiCase(token, "0x"))
        return parseInt64(token.substr(2), 16);
    return parseInt64(token, 10);
}

} // namespace

std::uint32_t littleEndianUInt32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset >= bytes.size() || bytes.size() - offset < 4)
        return 0;
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

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
    const std::vector<std::string_view> lines = splitSourceLines(text);
    // Line numbers count the non-blank lines, which are the instructions.
    std::unordered_map<std::int64_t, std::string_view> functionNames;
    std::int64_t number = 0;
    for (std::string_view line : lines) {
        if (trimSource(line).empty())
            continue;
        ++number;
        const auto tokens = splitSourceTokens(line);
        if (tokens.size() >= 2 && upperCased(tokens[0]) == "FUNC")
            functionNames.emplace(number, tokens[1]);
    }
    std::string out;
    out.reserve(text.size());
    number = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (index > 0)
            out.push_back('\n');
        const std::string_view line = lines[index];
        if (trimSource(line).empty()) {
            out += line;
            continue;
        }
        ++number;
        if (!functionNames.empty()) {
            const auto tokens = splitSourceTokens(line);
            if (tokens.size() >= 2 && upperCased(tokens[0]) == "CALL") {
                const auto target = callTarget(tokens[1]);
                if (const auto found = target ? functionNames.find(*target) : functionNames.end();
                    found != functionNames.end()) {
                    out += "CALL ";
                    out += found->second;
                    continue;
                }
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
            littleEndianUInt32(bytes, offset), littleEndianUInt32(bytes, offset + 4),
            littleEndianUInt32(bytes, offset + 8), littleEndianUInt32(bytes, offset + 12)};
        appendInstructionLine(text, words);
    }
    return decompileLoadedFunctionCalls(text);
}

} // namespace norix
