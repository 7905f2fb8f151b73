#pragma once
// The norix tool's commands register themselves here, one file per group of
// commands, so that main.cpp only parses the global options and dispatches.

#include <functional>
#include <string>
#include <vector>

namespace norix::cli {

inline constexpr int exitSuccess = 0;
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;

// The global options, as parsed before the command word.
struct GlobalOptions {
    std::string port; // empty: the first listed port; "sim": the built-in simulator
    double timeoutSeconds = 5.0;
    bool quiet = false;
};

struct CliCommand {
    std::string name;    // the first word ("compile", "chip", "settings", ...)
    std::string summary; // one line for --help, "usage  description"
    std::function<int(const GlobalOptions&, const std::vector<std::string>& args)> run;
};

// Registers a command at static-initialisation time; returns a dummy value.
bool registerCommand(CliCommand command);
const std::vector<CliCommand>& registeredCommands();

// Prints "norix: {message}" to standard error and returns exitUsage.
int usageError(const std::string& message);

} // namespace norix::cli
