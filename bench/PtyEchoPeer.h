#pragma once
// The cheapest possible Norix: a pseudo-terminal whose master side sends back
// every byte it receives, served on the caller's event loop. A link connected
// to slavePath() gets each command back as its own "answer", so the time of a
// request/response through it is the floor every conversation is measured
// against.

#include "core/loop/EventLoop.h"
#include "core/util/UniqueFd.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <unistd.h>

namespace norix::bench {

class PtyEchoPeer {
public:
    explicit PtyEchoPeer(EventLoop& loop) : watch_(loop) {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            std::abort();
        master_.reset(master);
        ::close(slave); // the link opens it by path, like a device node
        slavePath_ = name;
        ::fcntl(master_.get(), F_SETFL, ::fcntl(master_.get(), F_GETFL) | O_NONBLOCK);
        watch_.watch(master_.get(), [this] { echo(); });
    }
    PtyEchoPeer(const PtyEchoPeer&) = delete;
    PtyEchoPeer& operator=(const PtyEchoPeer&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    std::uint64_t bytesEchoed() const { return bytesEchoed_; }

private:
    void echo() {
        std::uint8_t buffer[4096];
        const ssize_t count = ::read(master_.get(), buffer, sizeof buffer);
        if (count <= 0) {
            // Nobody holds the slave open (yet): poll reports a hang-up until the link connects.
            if (count == 0 || errno == EIO)
                ::usleep(100);
            return;
        }
        ssize_t offset = 0;
        while (offset < count) {
            const ssize_t written =
                ::write(master_.get(), buffer + offset, static_cast<std::size_t>(count - offset));
            if (written > 0)
                offset += written;
        }
        bytesEchoed_ += static_cast<std::uint64_t>(count);
    }

    UniqueFd master_; // declared before watch_, so the watch ends before the close
    std::string slavePath_;
    ScopedWatch watch_;
    std::uint64_t bytesEchoed_ = 0;
};

} // namespace norix::bench
