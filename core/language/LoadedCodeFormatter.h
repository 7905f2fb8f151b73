#pragma once
// Turns a chip's stored instruction image, as loaded back from the Norix, into
// editable source text: one line per 16-byte instruction, numbers in base 16,
// register references as #Rn and calls by the name of the function they call.
// DIM names, comments and the original number formats are not stored, so they
// do not come back.

#include "core/link/SerialPacket.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace norix {

// The source text of `bytes`; lines joined by line feeds, none after the last.
// A trailing piece shorter than 16 bytes still gives one line.
std::string formatLoadedNorixCode(std::span<const std::uint8_t> bytes);

// #Rn for a register reference (top bits 10), else 0x and upper-case hex.
std::string formattedLoadedWord(std::uint32_t word);

// The name packed in three words, up to its first zero byte; empty when the
// bytes are not UTF-8.
std::string unpackFunctionName(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3);

// Replaces "CALL 0xN" by "CALL name" where line N is a named FUNC.
std::string decompileLoadedFunctionCalls(std::string_view text);

} // namespace norix
