// norix ports: the candidate serial ports, one path per line, as the app lists them.

#include "cli/CliCommand.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/PollEventLoop.h"

#include <iostream>

namespace norix::cli {
namespace {

int runPorts(const GlobalOptions&, const std::vector<std::string>& args) {
    if (!args.empty())
        return usageError("ports takes no arguments");
    PollEventLoop loop;
    SerialPortManager link(loop);
    link.refreshPorts();
    for (const auto& port : link.availablePorts())
        std::cout << port << "\n";
    return exitSuccess;
}

[[maybe_unused]] const bool portsRegistered = registerCommand(
    {"ports", "ports                     list the candidate serial ports, one per line", runPorts});

} // namespace
} // namespace norix::cli
