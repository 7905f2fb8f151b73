// norix: the command-line tool. Parses the global options and hands the rest
// of the arguments to the command named by the first remaining word.

#include "cli/CliCommand.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace norix::cli {
namespace {

std::vector<CliCommand>& commandTable() {
    static std::vector<CliCommand> table;
    return table;
}

void printHelp() {
    std::cout
        << "usage: norix [-p PORT] [--timeout S] [-q] COMMAND [ARGS]\n"
           "       norix --help | --version\n\n"
           "options:\n"
           "  -p, --port PATH   serial port of the Norix; 'sim' starts the built-in simulator\n"
           "  --timeout S       seconds of device silence before giving up (default 5)\n"
           "  -q, --quiet       print only results and errors\n\n"
           "commands:\n";
    for (const auto& command : commandTable())
        std::cout << "  " << command.summary << "\n";
}

} // namespace

bool registerCommand(CliCommand command) {
    commandTable().push_back(std::move(command));
    return true;
}

const std::vector<CliCommand>& registeredCommands() {
    return commandTable();
}

int usageError(const std::string& message) {
    std::cerr << "norix: " << message << "\n";
    return exitUsage;
}

int runMain(int argc, char** argv) {
    GlobalOptions options;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::size_t index = 0;
    for (; index < args.size(); ++index) {
        const std::string& arg = args[index];
        if (arg == "--help" || arg == "-h") {
            printHelp();
            return exitSuccess;
        }
        if (arg == "--version") {
            std::cout << "norix " NORIX_VERSION "\n";
            return exitSuccess;
        }
        if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-p" || arg == "--port" || arg == "--timeout") {
            if (index + 1 >= args.size())
                return usageError("option " + arg + " needs a value");
            const std::string& value = args[++index];
            if (arg == "--timeout") {
                char* end = nullptr;
                options.timeoutSeconds = std::strtod(value.c_str(), &end);
                if (end == value.c_str() || *end != '\0' || !(options.timeoutSeconds > 0))
                    return usageError("--timeout needs a positive number of seconds");
            } else {
                options.port = value;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            break;
        }
    }
    if (index >= args.size())
        return usageError("no command given (see norix --help)");
    const std::string name = args[index];
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                                  args.end());
    for (const auto& command : commandTable()) {
        if (command.name == name)
            return command.run(options, rest);
    }
    return usageError("unknown command '" + name + "' (see norix --help)");
}

} // namespace norix::cli

int main(int argc, char** argv) {
    return norix::cli::runMain(argc, argv);
}
