#pragma once
// The POSIX side of a serial port: opening a device node, putting the line
// into raw 8N1 mode, reading what is there and writing a frame within a
// deadline. SerialPortManager decides what to do with each outcome.

#include "core/util/UniqueFd.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace norix {

// The system's text for an error number.
std::string systemErrorText(int errorNumber);

// Opens read-write, without becoming the controlling terminal, non-blocking,
// and for this program alone: the descriptor is not inherited by child
// processes, holds an advisory lock and puts the terminal into exclusive mode.
// The open descriptor, or none with errno set (EBUSY when another program
// holds the port).
UniqueFd openSerialDevice(const std::string& path);

// Leaves exclusive mode and closes.
void closeSerialDevice(UniqueFd fd);

// "Unable to open {path}: {reason}", with a hint when the system refused it
// (on Linux a serial device is usually only open to a group) or when another
// program holds the port.
std::string openFailureMessage(const std::string& path, int errorNumber);

enum class SerialSetupStep { readSettings, configure };

struct SerialSetupFailure {
    SerialSetupStep step;
    int errorNumber;
    // "Unable to read serial settings: {reason}" or "Unable to configure serial port: {reason}".
    std::string message() const;
};

// Raw mode at the baud rate, 8 data bits, no parity, one stop bit, receiver on,
// modem lines ignored; a read returns what is there (VMIN 0, VTIME 1). Then the
// descriptor is made non-blocking and both queues are flushed. A baud rate the
// terminal interface has no constant for fails as a configuration error (EINVAL).
std::optional<SerialSetupFailure> configureSerialDevice(int fd, unsigned baudRate);

// One read of at most the buffer's size.
struct SerialReadOutcome {
    enum class Kind { data, endOfFile, nothingYet, failed };
    Kind kind;
    std::size_t count = 0;
    int errorNumber = 0;
};
SerialReadOutcome readSerialChunk(int fd, std::span<std::uint8_t> buffer);

// Writes every byte before the deadline, retrying at once after EINTR and
// after a 1 ms pause on EAGAIN. Nothing on success; otherwise the failure text.
std::optional<std::string> writeSerialBytes(int fd, std::span<const std::uint8_t> bytes,
                                            std::chrono::milliseconds deadline);

} // namespace norix
