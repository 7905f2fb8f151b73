#pragma once
// The main window's terminal: every chip conversation, the compiler and the
// validator report here, line by line. It keeps the newest 500 lines at most,
// dropping the oldest 100 at once so that a chatty run does not shift it on
// every single line.

#include "core/util/Signal.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace norix {

class Terminal {
public:
    static constexpr std::size_t maximumLines = 500;
    static constexpr std::size_t linesDroppedWhenFull = 100;

    // Line breaks are removed from both ends; a text that is then empty is not written.
    void appendTerminal(std::string_view text);
    void clear();

    const std::deque<std::string>& terminalLines() const { return lines_; }
    // All lines joined with line feeds, as the terminal view shows them.
    std::string joinedText() const;

    // Fires after every change of the lines.
    Signal<> changed;
    // Fires for each line written, with the line as stored (the CLI prints these).
    Signal<const std::string&> lineAppended;

private:
    std::deque<std::string> lines_;
};

} // namespace norix
