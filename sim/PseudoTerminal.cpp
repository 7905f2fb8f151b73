#include "sim/PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <utility>

namespace norix::sim {

std::optional<PseudoTerminal> PseudoTerminal::open(std::string& error) {
    const auto fail = [&error] {
        error = std::strerror(errno);
        return std::nullopt;
    };
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY));
    if (!master.isOpen())
        return fail();
    if (::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0)
        return fail();
    const char* name = ::ptsname(master.get());
    if (!name)
        return fail();
    std::string path = name;
    // Raw in both directions: no echo of the answers back into the simulator,
    // no line editing, no translation of the zero delimiters or carriage returns.
    termios attributes{};
    if (::tcgetattr(master.get(), &attributes) != 0)
        return fail();
    ::cfmakeraw(&attributes);
    if (::tcsetattr(master.get(), TCSANOW, &attributes) != 0)
        return fail();
    UniqueFd keeper(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!keeper.isOpen())
        return fail();
    ::fcntl(master.get(), F_SETFD, FD_CLOEXEC);
    ::fcntl(keeper.get(), F_SETFD, FD_CLOEXEC);
    return PseudoTerminal(std::move(master), std::move(keeper), std::move(path));
}

std::size_t PseudoTerminal::unreadInputBytes() const {
    int count = 0;
    if (!slaveKeeper_.isOpen() || ::ioctl(slaveKeeper_.get(), FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<std::size_t>(count);
}

void PseudoTerminal::close() {
    master_.close();
    slaveKeeper_.close();
}

} // namespace norix::sim
