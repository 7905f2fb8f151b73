#pragma once
// The command side of a simulated Norix, without any transport: one command
// packet in, exactly one answer out. Every command the Norix understands is
// answered; malformed or unknown commands get a failure or bad-size answer.

#include "core/link/SerialPacket.h"
#include "sim/ChipCommands.h"
#include "sim/FontCommands.h"
#include "sim/ImageCommands.h"
#include "sim/NorixMemory.h"
#include "sim/SettingsCommands.h"
#include "sim/SimulatorConfig.h"

namespace norix::sim {

class NorixDevice {
public:
    explicit NorixDevice(SimulatorConfig config = {});
    NorixDevice(const NorixDevice&) = delete;
    NorixDevice& operator=(const NorixDevice&) = delete;

    SerialPacket answer(const SerialPacket& command);

    NorixMemory& memory() { return memory_; }
    const NorixMemory& memory() const { return memory_; }
    SimulatorConfig& config() { return config_; }
    const SimulatorConfig& config() const { return config_; }
    const ChipCommands& chipCommands() const { return chips_; }

private:
    SimulatorConfig config_;
    NorixMemory memory_;
    ChipCommands chips_;
    FontCommands fonts_;
    ImageCommands images_;
    SettingsCommands settings_;
};

} // namespace norix::sim
