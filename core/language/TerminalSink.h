#pragma once
// Where the compiler, the validator and the DIM reader write their messages:
// the main window's terminal in the app, standard output or error in the CLI,
// a vector in the tests. One call is one terminal entry (it may hold several
// lines separated by line feeds, without a final one).

#include <functional>
#include <string>

namespace norix {

using TerminalSink = std::function<void(const std::string& entry)>;

} // namespace norix
