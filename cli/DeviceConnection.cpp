#include "cli/DeviceConnection.h"

#include "core/link/ProtocolCodes.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace norix::cli {
namespace {

// Often enough to notice a lost link or a satisfied command promptly.
constexpr Milliseconds checkInterval{50};
constexpr std::size_t barWidth = 30;
// The one bar on standard error that is drawn right now, if any.
ProgressBar* drawnBar = nullptr;

} // namespace

std::string silenceMessage(double seconds) {
    char number[32];
    std::snprintf(number, sizeof number, "%g", seconds);
    return std::string("Norix did not answer within ") + number + " s.";
}

DeviceConnection::DeviceConnection(const GlobalOptions& options)
    : options_(options), norix_(std::make_unique<NorixConnection>(loop_)) {
    if (options_.quiet)
        quietSink_.emplace([](std::string_view) {});
    lastErrorWatch_ = link().changed.connect([this] { reportLastErrorChange(); });
}

DeviceConnection::~DeviceConnection() {
    lastErrorWatch_.reset();
    if (link().isConnected())
        link().disconnect(true, false);
    simulator_.reset();
    norix_.reset();
}

bool DeviceConnection::open() {
    if (options_.port == "sim") {
        simulator_ = std::make_unique<sim::BuiltInSimulator>(loop_, link());
        if (!simulator_->start()) {
            std::cerr << "norix: could not start the built-in simulator: "
                      << simulator_->lastError() << "\n";
            return false;
        }
        port_ = simulator_->portPath();
    } else if (!options_.port.empty()) {
        port_ = options_.port;
    } else {
        link().refreshPorts();
        if (link().availablePorts().empty()) {
            std::cerr << "norix: no Norix port found; connect a Norix, name its port with -p PATH, "
                         "or use -p sim for the built-in simulator\n";
            return false;
        }
        port_ = link().availablePorts().front();
    }
    if (!link().connect(port_)) {
        // The reason, when the link has one, is printed as its lastError.
        if (!link().lastError())
            reportError("Could not open " + port_ + ".");
        return false;
    }
    return true;
}

bool DeviceConnection::runUntil(const std::function<bool()>& done) {
    const auto silenceLimit = std::chrono::duration_cast<Milliseconds>(
        std::chrono::duration<double>(options_.timeoutSeconds));
    TimePoint lastHeard = loop_.now();
    // Wraps whatever the command installed, for as long as this call runs.
    auto previous = link().onBytesReceived;
    link().onBytesReceived = [&lastHeard, previous, this](const Bytes& bytes) {
        lastHeard = loop_.now();
        if (previous)
            previous(bytes);
    };
    // Without a chip session nothing follows up a refusal that no conversation
    // of the link claimed (the font slot queries keep no sequence numbers):
    // the request it answers will never be answered otherwise.
    std::optional<std::uint8_t> unclaimedRefusal;
    const bool watchRefusals = !link().hasRoute(lastRoute);
    if (watchRefusals)
        link().setRoute(lastRoute, [&unclaimedRefusal](const SerialPacket& packet) {
            if (packet.code == respRetry || packet.code == respFail || packet.code == respBadSize)
                unclaimedRefusal = packet.code;
            return true;
        });
    bool finished = false;
    while (true) {
        // A lost link also ends every conversation, which may look like done:
        // the loss decides. Its lastError has been printed when it was set.
        if (!link().isConnected())
            break;
        if (done()) {
            finished = true;
            break;
        }
        if (unclaimedRefusal) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", *unclaimedRefusal);
            reportError(std::string("norix: the Norix refused a request (response ") + code + ")");
            break;
        }
        const auto left = std::chrono::ceil<Milliseconds>(lastHeard + silenceLimit - loop_.now());
        if (left.count() <= 0) {
            reportError(silenceMessage(options_.timeoutSeconds));
            break;
        }
        loop_.runUntil([&] { return done() || !link().isConnected() || unclaimedRefusal; },
                       std::min(left, checkInterval));
    }
    link().onBytesReceived = previous;
    if (watchRefusals)
        link().setRoute(lastRoute, nullptr);
    return finished;
}

void DeviceConnection::runFor(Milliseconds duration) {
    loop_.runUntil([] { return false; }, duration);
}

void DeviceConnection::reportError(const std::string& line) {
    if (lastReportedError_ == line)
        return;
    lastReportedError_ = line;
    ProgressBar::clearDrawnBar();
    std::cerr << line << std::endl;
}

void DeviceConnection::reportLastErrorChange() {
    const auto& error = link().lastError();
    if (error == shownLastError_)
        return;
    shownLastError_ = error;
    // A command ends when its link is lost and never waits for the reconnect
    // that the link plans, so the plan's status would only mislead.
    if (error && !link().isReconnectPending())
        reportError(*error);
}

ProgressBar::ProgressBar(std::string label, bool quiet)
    : label_(std::move(label)), enabled_(!quiet && ::isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    finish();
}

std::string ProgressBar::render(const std::string& label, std::size_t done, std::size_t total) {
    const double fraction =
        total == 0 ? 1.0 : std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
    const auto filled = static_cast<std::size_t>(std::lround(fraction * barWidth));
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3ld%%", std::lround(fraction * 100));
    return label + " [" + std::string(filled, '#') + std::string(barWidth - filled, ' ') + "] " +
           percent;
}

void ProgressBar::update(std::size_t done, std::size_t total) {
    if (!enabled_)
        return;
    std::cerr << "\r" << render(label_, done, total) << std::flush;
    drawn_ = true;
    drawnBar = this;
}

void ProgressBar::clearDrawnBar() {
    if (drawnBar)
        drawnBar->finish();
}

void ProgressBar::finish() {
    if (!drawn_)
        return;
    // Blank the line and return to its start.
    std::cerr << "\r" << std::string(label_.size() + barWidth + 8, ' ') << "\r" << std::flush;
    drawn_ = false;
    if (drawnBar == this)
        drawnBar = nullptr;
}

} // namespace norix::cli
