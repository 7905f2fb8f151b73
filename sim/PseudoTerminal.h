#pragma once
// A pseudo-terminal pair for a simulated Norix: the simulator serves the raw
// master side, and its slave path is opened like any serial device. The pair
// keeps one slave descriptor of its own open so that the master does not see
// a hang-up while no client is connected.

#include "core/util/UniqueFd.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace norix::sim {

class PseudoTerminal {
public:
    // A new pair, or nothing with the system's reason in `error`.
    static std::optional<PseudoTerminal> open(std::string& error);

    int masterDescriptor() const { return master_.get(); }
    const std::string& slavePath() const { return slavePath_; }
    bool isOpen() const { return master_.isOpen(); }
    // Bytes written to the master that no client has read yet.
    std::size_t unreadInputBytes() const;
    // Closes both sides: every client sees the end of the connection.
    void close();

private:
    PseudoTerminal(UniqueFd master, UniqueFd slaveKeeper, std::string slavePath)
        : master_(std::move(master)), slaveKeeper_(std::move(slaveKeeper)),
          slavePath_(std::move(slavePath)) {}
    UniqueFd master_;
    UniqueFd slaveKeeper_;
    std::string slavePath_;
};

} // namespace norix::sim
