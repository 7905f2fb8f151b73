// Any stored image decompiles to text; that text compiles back to the same
// bytes for every instruction whose opcode has a word, as long as function
// names are unique. The input is used twice: as it is, and shaped into an
// image that only holds instructions the compiler can reproduce.

#include "core/language/CodeCompiler.h"
#include "core/language/LoadedCodeFormatter.h"
#include "core/language/SourceText.h"
#include "core/util/ByteOrder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace {

using norix::Bytes;
using norix::OpcodeArgType;

constexpr int pinCount = 40;

std::uint32_t wordAt(const Bytes& bytes, std::size_t offset) {
    return norix::littleEndian32At(bytes, offset);
}

std::vector<std::string_view> mnemonics() {
    std::vector<std::string_view> all;
    for (const auto& [mnemonic, word] : norix::norixOpcodeWords())
        all.push_back(mnemonic);
    return all;
}

// An argument word that decompiles to text compiling back to the same word.
std::uint32_t reproducible(std::uint32_t w, OpcodeArgType type) {
    const bool registerPattern = (w & 0xC0000000u) == 0x80000000u;
    switch (type) {
    case OpcodeArgType::value:
        return registerPattern ? 0x80000000u | (w & 31u) : w;
    case OpcodeArgType::registerSlot:
    case OpcodeArgType::addressIndex:
        return w % 32;
    case OpcodeArgType::pin:
        return 1 + w % pinCount;
    case OpcodeArgType::pinList:
    case OpcodeArgType::sideBitfield:
        return registerPattern ? w & 0x7FFFFFFFu : w;
    case OpcodeArgType::addressGroup:
        return (w % 4) * 8;
    case OpcodeArgType::text:
        return 0;
    }
    return 0;
}

// A stored name that survives the trip as it is: one token on a line of its
// own, already upper case, with nothing after its terminating zero.
bool isPlainName(const std::array<std::uint32_t, 4>& words, const std::string& name) {
    if (name.empty() || norix::upperCased(name) != name)
        return false;
    const auto lines = norix::sourceTokenLines("FUNC " + name);
    if (lines.size() != 1 || lines[0].tokens != std::vector<std::string>{"FUNC", name})
        return false;
    const auto packed = norix::packedFunctionName(name);
    return std::equal(packed.begin(), packed.end(), words.begin() + 1);
}

// Shapes the raw bytes into instructions the compiler can reproduce: every
// opcode drawn from the word table, arguments in range, function names kept
// when they are plain and unique (else F0, F1, ...), calls aimed at a FUNC.
Bytes shapedImage(const Bytes& raw) {
    static const std::vector<std::string_view> all = mnemonics();
    const std::size_t count = raw.size() / norix::instructionSize;
    std::vector<std::uint32_t> functionIndexes;
    std::vector<std::array<std::uint32_t, 4>> words(count);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t k = 0; k < 4; ++k)
            words[i][k] = wordAt(raw, i * 16 + k * 4);
        const std::string_view mnemonic = all[words[i][0] % all.size()];
        if (mnemonic == "FUNC")
            functionIndexes.push_back(static_cast<std::uint32_t>(i));
    }
    Bytes image;
    std::set<std::string> names;
    std::uint32_t functionNumber = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view mnemonic = all[words[i][0] % all.size()];
        std::array<std::uint32_t, 4> out{*norix::norixOpcodeWord(mnemonic), 0, 0, 0};
        if (mnemonic == "FUNC") {
            std::string name = norix::unpackFunctionName(words[i][1], words[i][2], words[i][3]);
            if (!isPlainName(words[i], name) || names.contains(name)) {
                do {
                    name = "F" + std::to_string(functionNumber++);
                } while (names.contains(name));
            }
            names.insert(name);
            const auto packed = norix::packedFunctionName(name);
            std::copy(packed.begin(), packed.end(), out.begin() + 1);
        } else if (mnemonic == "CALL") {
            // Calls are only left out when there is no FUNC at all, so no
            // FUNC position ever shifts.
            if (functionIndexes.empty())
                continue;
            out[1] = functionIndexes[words[i][1] % functionIndexes.size()] + 1;
        } else {
            const auto& args = norix::opcodeOption(mnemonic)->args;
            for (std::size_t k = 0; k < args.size(); ++k)
                out[k + 1] = reproducible(words[i][k + 1], args[k].type);
        }
        for (std::uint32_t word : out)
            norix::appendLittleEndian(word, image);
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes raw(data, data + size);
    const std::string text = norix::formatLoadedNorixCode(raw);
    if (raw.empty() != text.empty())
        std::abort();
    (void)norix::compileChipCode(text, pinCount, nullptr);

    const Bytes image = shapedImage(raw);
    const std::string source = norix::formatLoadedNorixCode(image);
    std::string message;
    const auto compiled =
        norix::compileChipCode(source, pinCount, [&](const std::string& m) { message = m; });
    if (!compiled || *compiled != image) {
        std::fprintf(stderr, "round trip failed: %s\n%s\n", message.c_str(), source.c_str());
        std::abort();
    }
    return 0;
}
