#pragma once
// A simulated Norix served on a pseudo-terminal, reached through the slave
// path exactly like a serial device. A hang-up closes the pair (the client sees
// the connection end); with a replug delay a fresh pair is opened afterwards,
// as if the cable were plugged in again, and an optional symlink always points
// at the current slave so that the client can reconnect by the same name.

#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"
#include "sim/PseudoTerminal.h"
#include "sim/SimulatedNorix.h"

#include <optional>
#include <string>

namespace norix::sim {

class PtySimulator {
public:
    explicit PtySimulator(EventLoop& loop, SimulatorConfig config = {});
    ~PtySimulator();
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Opens a pseudo-terminal and serves it; false with the system's reason in lastError().
    bool open();
    bool isOpen() const { return pty_ && pty_->isOpen(); }
    // The slave side to connect to; empty while unplugged.
    std::string slavePath() const { return isOpen() ? pty_->slavePath() : std::string(); }
    const std::string& lastError() const { return lastError_; }

    // Kept pointing at the current slave (replaced atomically); removed on destruction.
    void setLinkPath(std::string path);
    const std::string& linkPath() const { return linkPath_; }
    void setReplugDelay(std::optional<Milliseconds> delay) { replugDelay_ = delay; }

    SimulatedNorix& simulator() { return simulator_; }

    // Fires when the port opens, closes or is replaced by a fresh one.
    Signal<> changed;

private:
    void onDisconnected();
    void updateLink();

    SimulatedNorix simulator_;
    std::optional<PseudoTerminal> pty_;
    std::string lastError_;
    std::string linkPath_;
    std::optional<Milliseconds> replugDelay_;
    ScopedTimer replugTimer_;
    Connection disconnectedConnection_;
};

} // namespace norix::sim
