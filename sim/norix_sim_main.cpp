// norix-sim: a simulated Norix on a pseudo-terminal. Prints the port to connect
// to (one line, again whenever a hang-up brings up a fresh port) and serves it
// until interrupted. Messages go to standard error, so that standard output
// holds nothing but port paths.

#include "core/loop/PollEventLoop.h"
#include "core/util/UniqueFd.h"
#include "sim/MemoryFile.h"
#include "sim/PtySimulator.h"
#include "sim/SampleContent.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <signal.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace norix::sim {
namespace {

constexpr int exitUsage = 2;

struct Options {
    SimulatorConfig config;
    std::vector<FaultRule> faults;
    std::optional<std::filesystem::path> storage;
    std::filesystem::path examples = defaultExamplesDirectory();
    bool empty = false;
    std::string linkPath;
    Milliseconds replugDelay{1000};
    bool verbose = false;
};

void printHelp() {
    std::cout
        << "usage: norix-sim [OPTIONS]\n\n"
           "Serves a simulated Norix on a pseudo-terminal and prints its path.\n\n"
           "  --serial TEXT        serial number (default SIM-0001)\n"
           "  --upload-mode on|off whether the device is in upload mode (default on)\n"
           "  --chip-part N        bytes per stored-chip metadata or code answer (default 64)\n"
           "  --image-piece N      bytes per image data answer (default 64)\n"
           "  --capacity N         chips the memory holds (default 128)\n"
           "  --fault RULE         misbehave: CODE[:N]:ACTION[:ARG], CODE like 0xCB or *,\n"
           "                       N the occurrence or *, ACTION one of drop, retry, fail,\n"
           "                       badsize, crc, delay:MS, split:K, hangup-before,\n"
           "                       hangup-after (repeatable)\n"
           "  --storage DIR        keep the device memory in DIR across runs\n"
           "  --examples DIR       sample content folder (default: the installed samples,\n"
           "                       or the source tree's)\n"
           "  --empty              start without sample content\n"
           "  --link PATH          keep a symbolic link PATH pointing at the current port\n"
           "  --replug MS          after a hang-up, open a fresh port after MS ms (default 1000)\n"
           "  -v, --verbose        log every command and answer to standard error\n";
}

int usage(const std::string& message) {
    std::cerr << "norix-sim: " << message << "\n";
    return exitUsage;
}

std::optional<std::size_t> positive(const std::string& text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value == 0 || value > 65535)
        return std::nullopt;
    return value;
}

// Returns an exit status when the program should stop at once.
std::optional<int> parseOptions(int argc, char** argv, Options& options) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            printHelp();
            return 0;
        }
        if (arg == "--empty") {
            options.empty = true;
            continue;
        }
        if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 >= args.size())
            return usage(arg.starts_with("-") ? "option " + arg + " needs a value"
                                              : "unexpected argument " + arg);
        const std::string& value = args[++i];
        if (arg == "--serial") {
            options.config.serialNumber = value;
        } else if (arg == "--upload-mode") {
            if (value != "on" && value != "off")
                return usage("--upload-mode takes on or off");
            options.config.uploadMode = value == "on";
        } else if (arg == "--chip-part" || arg == "--image-piece" || arg == "--capacity" ||
                   arg == "--replug") {
            const auto number = positive(value);
            if (!number)
                return usage(arg + " needs a number from 1 to 65535");
            if (arg == "--chip-part")
                options.config.chipPartSize = *number;
            else if (arg == "--image-piece")
                options.config.imagePieceSize = *number;
            else if (arg == "--capacity")
                options.config.chipCapacity = *number;
            else
                options.replugDelay = Milliseconds(*number);
        } else if (arg == "--fault") {
            const FaultRuleParse parsed = parseFaultRule(value);
            if (!parsed.rule)
                return usage("--fault " + value + ": " + parsed.error);
            options.faults.push_back(*parsed.rule);
        } else if (arg == "--storage") {
            options.storage = value;
        } else if (arg == "--examples") {
            options.examples = value;
        } else if (arg == "--link") {
            options.linkPath = value;
        } else {
            return usage("unknown option " + arg);
        }
    }
    return std::nullopt;
}

std::string hexBytes(const Bytes& bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        text += digits;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

void logExchange(const SerialPacket& command, const std::optional<SerialPacket>& answer,
                 const std::optional<FaultRule>& fault) {
    char head[48];
    std::snprintf(head, sizeof head, "-> 0x%02X #%u [", command.code, command.sequence);
    std::cerr << head << hexBytes(command.payload) << "]";
    if (answer) {
        std::snprintf(head, sizeof head, "  <- 0x%02X [", answer->code);
        std::cerr << head << hexBytes(answer->payload) << "]";
    }
    if (fault)
        std::cerr << "  fault " << describeFaultRule(*fault);
    std::cerr << "\n";
}

// SIGINT and SIGTERM reach the loop through a pipe: the handler only writes a
// byte to this end, which run() owns for as long as the handlers are installed.
int signalPipeWriteEnd = -1;

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(signalPipeWriteEnd, &byte, 1);
}

bool prepareMemory(const Options& options, NorixMemory& memory, std::optional<MemoryStore>& store) {
    if (options.storage) {
        store.emplace(memory, *options.storage);
        if (store->hasSavedMemory()) {
            if (auto error = store->load()) {
                std::cerr << "norix-sim: " << store->filePath().string() << ": " << error->message
                          << "\n";
                return false;
            }
            store->saveOnChange();
            return true;
        }
    }
    if (!options.empty) {
        const SampleContentReport report = loadSampleContent(memory, options.examples);
        for (const auto& problem : report.problems)
            std::cerr << "norix-sim: sample skipped: " << problem << "\n";
        std::cerr << "norix-sim: sample content: " << report.chips << " chips, " << report.fonts
                  << " fonts, " << report.images << " images\n";
    }
    if (store) {
        if (auto error = store->save()) {
            std::cerr << "norix-sim: " << store->filePath().string() << ": " << error->message
                      << "\n";
            return false;
        }
        store->saveOnChange();
    }
    return true;
}

int run(int argc, char** argv) {
    Options options;
    if (auto status = parseOptions(argc, argv, options))
        return *status;

    PollEventLoop loop;
    PtySimulator pty(loop, options.config);
    SimulatedNorix& sim = pty.simulator();
    for (const auto& rule : options.faults)
        sim.faults().add(rule);
    if (options.verbose)
        sim.onExchange = logExchange;
    std::optional<MemoryStore> store;
    if (!prepareMemory(options, sim.memory(), store))
        return 1;

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return 1;
    const UniqueFd signalRead(ends[0]);
    const UniqueFd signalWrite(ends[1]);
    signalPipeWriteEnd = signalWrite.get();
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    ScopedWatch signalWatch(loop);
    signalWatch.watch(signalRead.get(), [&loop] { loop.quit(); });

    pty.setReplugDelay(options.replugDelay);
    Connection announce = pty.changed.connect([&pty] {
        if (pty.isOpen())
            std::cout << pty.slavePath() << std::endl;
        else
            std::cerr << "norix-sim: hung up\n";
    });
    if (!pty.open()) {
        std::cerr << "norix-sim: cannot open a pseudo-terminal: " << pty.lastError() << "\n";
        return 1;
    }
    if (!options.linkPath.empty()) {
        pty.setLinkPath(options.linkPath);
        if (!pty.lastError().empty()) {
            std::cerr << "norix-sim: " << options.linkPath << ": " << pty.lastError() << "\n";
            return 1;
        }
    }
    loop.run();
    return 0;
}

} // namespace
} // namespace norix::sim

int main(int argc, char** argv) {
    return norix::sim::run(argc, argv);
}
