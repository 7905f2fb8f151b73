#pragma once
// Test doubles for the far end of a serial link: a pseudo-terminal whose
// master side the test holds as "the Norix", and a scratch folder that plays
// the device directory.

#include "core/link/SerialPacket.h"
#include "core/util/UniqueFd.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <string>
#include <unistd.h>

namespace norix::testing {

class PtyDevice {
public:
    PtyDevice() {
        int masterFd = -1, slave = -1;
        char name[256] = {};
        if (::openpty(&masterFd, &slave, name, nullptr, nullptr) != 0)
            std::abort();
        master_.reset(masterFd);
        // The link opens the slave by its path, as it would a real device node.
        ::close(slave);
        slavePath_ = name;
        ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    }

    const std::string& slavePath() const { return slavePath_; }

    void write(const Bytes& bytes) {
        std::size_t offset = 0;
        while (offset < bytes.size()) {
            const ssize_t n = ::write(master_.get(), bytes.data() + offset, bytes.size() - offset);
            if (n > 0)
                offset += static_cast<std::size_t>(n);
            else
                ::poll(nullptr, 0, 1);
        }
    }

    // Everything that arrives until nothing more came for `quiet`.
    Bytes read(std::chrono::milliseconds quiet = std::chrono::milliseconds(100)) {
        Bytes received;
        pollfd fd{master_.get(), POLLIN, 0};
        while (::poll(&fd, 1, static_cast<int>(quiet.count())) > 0) {
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
            if (n <= 0)
                break;
            received.insert(received.end(), buffer, buffer + n);
        }
        return received;
    }

    // The device goes away: the slave node disappears and reads on it end.
    void unplug() { master_.close(); }

private:
    UniqueFd master_;
    std::string slavePath_;
};

class TempDirectory : public TempFolder {
public:
    std::string file(const std::string& name) const { return (path() / name).string(); }
    // A device node under a name of our choosing, pointing at a pty slave.
    std::string link(const std::string& name, const std::string& target) const {
        std::error_code ignored;
        std::filesystem::remove(file(name), ignored);
        std::filesystem::create_symlink(target, file(name));
        return file(name);
    }
};

} // namespace norix::testing
