#pragma once
// The compiler's reading of a program, one line at a time and without a
// string per token: the tokens of the current line are views into the code,
// or into a buffer holding the line once its block comments are cut out.
// sourceTokenLines, the DIM table and the compiler are all built on it, and
// none of them keeps more than the line in hand.

#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceReader.h"
#include "core/language/TerminalSink.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norix {

// The lines of `text` split at every line break, one at a time.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool next(std::string_view& line);

private:
    std::string_view text_;
    std::size_t position_ = 0;
    bool finished_ = false;
};

class SourceScanner {
public:
    explicit SourceScanner(std::string_view code) : lines_(code) {}

    // Moves to the next line that has at least one token; false at the end.
    bool next();

    int sourceLine() const { return sourceLine_; }
    // Valid until the next call of next().
    std::span<const std::string_view> tokens() const { return tokens_; }
    // What the first token is.
    const Mnemonic& mnemonic() const { return mnemonic_; }
    // Neither a DIM line nor a line whose first token lacks an instruction word.
    bool isInstruction() const { return mnemonic_.word.has_value(); }

private:
    LineCursor lines_;
    bool inBlockComment_ = false;
    int sourceLine_ = 0;
    std::string cut_;
    std::vector<std::string_view> tokens_;
    Mnemonic mnemonic_;
};

// Checks one DIM line and enters its name; on failure writes the message and
// returns false. Lines are added in source order.
bool addDimSymbol(std::span<const std::string_view> tokens, int sourceLine, DimSymbols& symbols,
                  const TerminalSink& terminal);

} // namespace norix
