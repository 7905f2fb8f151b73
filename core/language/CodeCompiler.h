#pragma once
// Compiles a test program into the Norix's instruction image: 16 bytes per
// instruction, the opcode word and three argument words, little-endian. Stops
// at the first error and writes its one message line to the terminal.

#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceReader.h"
#include "core/language/TerminalSink.h"
#include "core/link/SerialPacket.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace norix {

inline constexpr std::size_t instructionSize = 16;
inline constexpr std::size_t functionNameBytes = 12;

// The image of `code` for a chip of `pinCount` pins, or no value after an
// error has been written to `terminal`. A program without instructions gives
// an empty image.
std::optional<Bytes> compileChipCode(std::string_view code, int pinCount,
                                     const TerminalSink& terminal);

// The word of one argument token checked against its definition, or no value
// after writing the error message.
std::optional<std::uint32_t> compiledArgumentWord(std::string_view token, const OpcodeArg& argument,
                                                  const DimSymbols& symbols, int instructionNumber,
                                                  int pinCount, const TerminalSink& terminal);

// The upper-cased name's first 12 characters as UTF-8 in a zero-filled 12-byte
// buffer, read as three little-endian words.
std::array<std::uint32_t, 3> packedFunctionName(std::string_view name);

void appendLittleEndian(std::uint32_t word, Bytes& bytes);

} // namespace norix
