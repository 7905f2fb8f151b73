#pragma once
// A pseudo-terminal pair for a simulated Norix: the simulator serves the raw
// master side, and its slave path is opened like any serial device. The pair
// keeps one slave descriptor of its own open so that the master does not see
// a hang-up while no client is connected.

#include <cstddef>
#include <optional>
#include <string>

namespace norix::sim {

class PseudoTerminal {
public:
    // A new pair, or nothing with the system's reason in `error`.
    static std::optional<PseudoTerminal> open(std::string& error);

    PseudoTerminal(PseudoTerminal&& other) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&& other) noexcept;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    int masterDescriptor() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    bool isOpen() const { return master_ >= 0; }
    // Bytes written to the master that no client has read yet.
    std::size_t unreadInputBytes() const;
    // Closes both sides: every client sees the end of the connection.
    void close();

private:
    PseudoTerminal(int master, int slaveKeeper, std::string slavePath)
        : master_(master), slaveKeeper_(slaveKeeper), slavePath_(std::move(slavePath)) {}
    int master_ = -1;
    int slaveKeeper_ = -1;
    std::string slavePath_;
};

} // namespace norix::sim
