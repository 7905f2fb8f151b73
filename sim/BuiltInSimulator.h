#pragma once
// The simulated Norix that the app and the CLI offer to a user without a
// device: it runs in-process on the caller's loop, behind a pseudo-terminal,
// starts with the sample content, and is registered with the link as an extra
// port shown as "Norix simulator", so connecting to it goes through exactly
// the same serial code as a real Norix.

#include "core/link/SerialPortManager.h"
#include "sim/PtySimulator.h"
#include "sim/SampleContent.h"

#include <filesystem>
#include <string>

namespace norix::sim {

inline constexpr const char* builtInSimulatorName = "Norix simulator";

class BuiltInSimulator {
public:
    BuiltInSimulator(EventLoop& loop, SerialPortManager& link, SimulatorConfig config = {});

    // Opens the port, fills the memory with the samples of `examples` and
    // registers the port with the link. False with the reason in lastError().
    bool start(const std::filesystem::path& examples = defaultExamplesDirectory());

    // The slave path listed by the link; empty before start().
    const std::string& portPath() const { return portPath_; }
    const std::string& lastError() const { return pty_.lastError(); }
    const SampleContentReport& sampleReport() const { return sampleReport_; }
    PtySimulator& pty() { return pty_; }
    SimulatedNorix& simulator() { return pty_.simulator(); }

private:
    SerialPortManager& link_;
    PtySimulator pty_;
    std::string portPath_;
    SampleContentReport sampleReport_;
};

} // namespace norix::sim
