#pragma once
// Reads test program text the way the compiler consumes it: numbered lines of
// tokens with comments removed, the instruction lines, the DIM constants and
// the value of one argument token. Also the two small readers the opcode panel
// and the validator share (normalizeArg, packedPinBytes).

#include "core/language/TerminalSink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace norix {

struct SourceLine {
    int sourceLine = 0;              // 1-based line number in the text
    std::vector<std::string> tokens; // never empty
    bool operator==(const SourceLine&) const = default;
};

enum class CompilerValueKind { literal, registerReference };

// A resolved argument: a literal, or a register reference #Rn with word
// 0x80000000 + n.
struct CompilerValue {
    std::uint32_t word = 0;
    CompilerValueKind kind = CompilerValueKind::literal;
    bool operator==(const CompilerValue&) const = default;
};

inline constexpr std::uint32_t registerReferenceBit = 0x80000000u;

// Upper-case DIM name -> value.
using DimSymbols = std::unordered_map<std::string, CompilerValue>;

// Lines with at least one token after removing // and /* */ comments. Block
// comments carry over from line to line and do not nest.
std::vector<SourceLine> sourceTokenLines(std::string_view code);

// The source lines that compile to an instruction: neither DIM lines nor lines
// whose first token has no instruction word (SEVSEG, misspelt opcodes).
std::vector<SourceLine> sourceInstructionLines(std::string_view code);

// The value of one token: a DIM name, #R0..#R31, 0x hex, 0b binary or decimal,
// each within 32 unsigned bits; no value otherwise.
std::optional<CompilerValue> compilerValue(std::string_view token, const DimSymbols& symbols);

// A letter or "_" first, then letters, digits and "_".
bool isValidDimName(std::string_view name);

// The DIM table of the whole program. On the first bad DIM line its message is
// written to `terminal` and no table is returned.
std::optional<DimSymbols> buildDimSymbols(std::string_view code, const TerminalSink& terminal);

// Trimmed argument text with 0x and 0b numbers rewritten in decimal.
std::string normalizeArg(std::string_view text);

// "0x" and 1 to 8 hex digits -> bytes from the least significant, or no value.
std::optional<std::vector<int>> packedPinBytes(std::string_view text);

} // namespace norix
