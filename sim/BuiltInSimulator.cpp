#include "sim/BuiltInSimulator.h"

namespace norix::sim {

BuiltInSimulator::BuiltInSimulator(EventLoop& loop, SerialPortManager& link, SimulatorConfig config)
    : link_(link), pty_(loop, std::move(config)) {}

bool BuiltInSimulator::start(const std::filesystem::path& examples) {
    if (!pty_.open())
        return false;
    sampleReport_ = loadSampleContent(pty_.simulator().memory(), examples);
    portPath_ = pty_.slavePath();
    link_.addExtraPort(portPath_, builtInSimulatorName);
    return true;
}

} // namespace norix::sim
