#pragma once
// Checks a whole test program without compiling it and lists every problem
// with the number of the instruction it belongs to. It reads lines more simply
// than the compiler: a line is a comment only when it starts with //, /* or *,
// and nothing after an instruction is removed. The per-line check also marks
// the editor's gutter, so it is cheap enough to run on every keystroke.

#include "core/language/SourceReader.h"
#include "core/language/TerminalSink.h"

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norix {

// Writes one terminal entry: the messages joined by line feeds, or
// "No errors."; after a bad DIM only the DIM message. Returns true when the
// program has no errors.
bool validateCode(std::string_view code, int pinCount, const TerminalSink& terminal);

// All messages of one line, given the instruction number it would have;
// empty for a good line and for a comment line.
std::vector<std::string> validationErrors(std::string_view line, int lineNumber,
                                          const DimSymbols& symbols, int pinCount);

struct PackedAddressValidation {
    std::vector<std::string> messages;
    std::set<int> invalidArgumentIndexes; // 0-based argument positions
};

// The packed pin values of DEFADDR and DEF8; `arguments` are the tokens after
// the opcode, `opcode` is upper case. Anything else gives nothing.
PackedAddressValidation packedAddressValidation(std::span<const std::string_view> arguments,
                                                std::string_view opcode, int lineNumber,
                                                int pinCount);

// Trimmed text as 0x hex, 0b binary or signed decimal; no DIM names, no #R.
std::optional<std::int64_t> pinNumber(std::string_view text);
std::optional<std::int64_t> registerSlotNumber(std::string_view text);

// A line the validator skips: blank, or starting with //, /* or * once trimmed.
bool isValidatorCommentLine(std::string_view line);

} // namespace norix
