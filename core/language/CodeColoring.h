#pragma once
// Syntax colouring of test code, one line at a time: which pieces of a line
// are opcodes, registers, comments or errors. The editor's highlighter paints
// these spans; nothing here knows about fonts or widgets.

#include <cstddef>
#include <set>
#include <string_view>
#include <vector>

namespace norix {

enum class CodeColor { plain, opcode, registerReference, comment, error };

// A coloured run of a line, in bytes of its UTF-8 text. Plain runs are left out.
struct ColoredSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    CodeColor color = CodeColor::plain;
    bool operator==(const ColoredSpan&) const = default;
};

// Argument tokens (the opcode is token 0, the first argument token 1) that the
// editor shows in red: register numbers outside 0 ... 31, and for pins, numbers
// outside 1 ... pinCount and faulty packed address values.
std::set<int> invalidRegisterArgumentIndexes(std::string_view line);
std::set<int> invalidPinArgumentIndexes(std::string_view line, int pinCount);

// The coloured spans of one line of test code (without its line break).
std::vector<ColoredSpan> colorizedLine(std::string_view line, int pinCount);
// Every line of the code, split at line breaks as the language does.
std::vector<std::vector<ColoredSpan>> colorizedCode(std::string_view code, int pinCount);

} // namespace norix
