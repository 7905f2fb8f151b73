#include "sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace norix::sim {

std::optional<PseudoTerminal> PseudoTerminal::open(std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    auto fail = [&](int slave) {
        error = std::strerror(errno);
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return std::nullopt;
    };
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return fail(-1);
    const char* name = ::ptsname(master);
    if (!name)
        return fail(-1);
    std::string path = name;
    // Raw in both directions: no echo of the answers back into the simulator,
    // no line editing, no translation of the zero delimiters or carriage returns.
    termios attributes{};
    if (::tcgetattr(master, &attributes) != 0)
        return fail(-1);
    ::cfmakeraw(&attributes);
    if (::tcsetattr(master, TCSANOW, &attributes) != 0)
        return fail(-1);
    const int keeper = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (keeper < 0)
        return fail(-1);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(keeper, F_SETFD, FD_CLOEXEC);
    return PseudoTerminal(master, keeper, std::move(path));
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slaveKeeper_(std::exchange(other.slaveKeeper_, -1)), slavePath_(std::move(other.slavePath_)) {
}

PseudoTerminal& PseudoTerminal::operator=(PseudoTerminal&& other) noexcept {
    if (this != &other) {
        close();
        master_ = std::exchange(other.master_, -1);
        slaveKeeper_ = std::exchange(other.slaveKeeper_, -1);
        slavePath_ = std::move(other.slavePath_);
    }
    return *this;
}

PseudoTerminal::~PseudoTerminal() {
    close();
}

std::size_t PseudoTerminal::unreadInputBytes() const {
    int count = 0;
    if (slaveKeeper_ < 0 || ::ioctl(slaveKeeper_, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<std::size_t>(count);
}

void PseudoTerminal::close() {
    if (master_ >= 0)
        ::close(master_);
    if (slaveKeeper_ >= 0)
        ::close(slaveKeeper_);
    master_ = -1;
    slaveKeeper_ = -1;
}

} // namespace norix::sim
