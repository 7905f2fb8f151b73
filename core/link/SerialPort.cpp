#include "core/link/SerialPort.h"

#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace norix {
namespace {

std::optional<speed_t> speedConstant(unsigned baudRate) {
    static constexpr std::array<std::pair<unsigned, speed_t>, 15> speeds{{
        {1200, B1200},
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
        {57600, B57600},
        {115200, B115200},
        {230400, B230400},
        {460800, B460800},
        {500000, B500000},
        {576000, B576000},
        {921600, B921600},
        {1000000, B1000000},
        {2000000, B2000000},
    }};
    for (const auto& [rate, constant] : speeds)
        if (rate == baudRate)
            return constant;
    return std::nullopt;
}

// The errors that mean the device itself went away (unplugged, reset).
bool meansDeviceGone(int errorNumber) {
    return errorNumber == ENXIO || errorNumber == ENODEV || errorNumber == EBADF ||
           errorNumber == EIO;
}

} // namespace

std::string systemErrorText(int errorNumber) {
    return std::strerror(errorNumber);
}

UniqueFd openSerialDevice(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isOpen())
        return fd;
    // The advisory lock is what other serial programs (and a second copy of
    // this one) look for, and it holds even against root, whom the exclusive
    // mode lets through. Its failure is reported the way the kernel reports an
    // exclusive port: busy.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        fd.close();
        errno = error;
        return fd;
    }
    // Not a terminal: the settings step that follows says so.
    ::ioctl(fd.get(), TIOCEXCL);
    return fd;
}

void closeSerialDevice(UniqueFd fd) {
    // A pseudo-terminal outlives our descriptor while its master is open, and
    // would stay closed to everyone else.
    if (fd.isOpen())
        ::ioctl(fd.get(), TIOCNXCL);
}

std::string openFailureMessage(const std::string& path, int errorNumber) {
    std::string message = "Unable to open " + path + ": " + systemErrorText(errorNumber);
    if (errorNumber == EACCES)
        message += ". This user may not use serial devices; on Debian-like systems, add it to "
                   "the dialout group and log in again.";
    else if (errorNumber == EBUSY)
        message += ". Another program is using this port; close the port there and connect "
                   "again.";
    return message;
}

std::string SerialSetupFailure::message() const {
    const char* prefix = step == SerialSetupStep::readSettings
                             ? "Unable to read serial settings: "
                             : "Unable to configure serial port: ";
    return prefix + systemErrorText(errorNumber);
}

std::optional<SerialSetupFailure> configureSerialDevice(int fd, unsigned baudRate) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return SerialSetupFailure{SerialSetupStep::readSettings, errno};
    const auto speed = speedConstant(baudRate);
    if (!speed)
        return SerialSetupFailure{SerialSetupStep::configure, EINVAL};
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, *speed);
    ::cfsetospeed(&settings, *speed);
    // Hardware flow control (CRTSCTS) is left as the driver has it.
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE);
    settings.c_cflag |= CS8;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 1;
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        return SerialSetupFailure{SerialSetupStep::configure, errno};
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    ::tcflush(fd, TCIOFLUSH);
    return std::nullopt;
}

SerialReadOutcome readSerialChunk(int fd, std::span<std::uint8_t> buffer) {
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count > 0)
        return {SerialReadOutcome::Kind::data, static_cast<std::size_t>(count), 0};
    if (count == 0)
        return {SerialReadOutcome::Kind::endOfFile, 0, 0};
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)
        return {SerialReadOutcome::Kind::nothingYet, 0, error};
    return {SerialReadOutcome::Kind::failed, 0, error};
}

std::optional<std::string> writeSerialBytes(int fd, std::span<const std::uint8_t> bytes,
                                            std::chrono::milliseconds deadline) {
    using Clock = std::chrono::steady_clock;
    const auto giveUpAt = Clock::now() + deadline;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        if (Clock::now() >= giveUpAt)
            return "Serial write timed out after " + std::to_string(deadline.count()) + " ms.";
        const ssize_t written = ::write(fd, bytes.data() + offset, bytes.size() - offset);
        if (written > 0) {
            offset += static_cast<std::size_t>(written);
            continue;
        }
        if (written == 0)
            return std::string("Serial write returned zero bytes.");
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            std::this_thread::sleep_for(std::chrono::microseconds(1000));
            continue;
        }
        if (meansDeviceGone(error))
            return "Norix disconnected during a write: " + systemErrorText(error);
        return "Serial write failed: " + systemErrorText(error);
    }
    return std::nullopt;
}

} // namespace norix
