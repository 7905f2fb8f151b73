#pragma once
// What a simulated Norix is like where the protocol leaves the choice to
// the device: its serial number, whether it starts in upload mode, how much it
// sends per answer and how many chips its memory holds.

#include <cstddef>
#include <string>

namespace norix::sim {

struct SimulatorConfig {
    std::string serialNumber = "SIM-0001";
    bool uploadMode = true;
    // Bytes of stored metadata or code per 0xBC / 0xBD answer.
    std::size_t chipPartSize = 64;
    // Bytes of compressed image data per 0xEA answer.
    std::size_t imagePieceSize = 64;
    // Chips the memory holds before a store answers "failed".
    std::size_t chipCapacity = 128;
};

} // namespace norix::sim
