#pragma once
// The client end of the simulator's pseudo-terminal, opened as the link opens a
// serial device, for tests that talk to the simulator without the link.

#include "core/link/FrameCodec.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace norix::testing {

class PtyClient {
public:
    explicit PtyClient(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios attributes{};
        if (::tcgetattr(fd_.get(), &attributes) == 0) {
            ::cfmakeraw(&attributes);
            ::tcsetattr(fd_.get(), TCSANOW, &attributes);
        }
    }
    void send(const SerialPacket& packet) {
        const Bytes frame = encodeFrame(packet);
        ASSERT_EQ(::write(fd_.get(), frame.data(), frame.size()),
                  static_cast<ssize_t>(frame.size()));
    }
    // Serves the loop until a packet arrives or, with `untilEnd`, until the
    // connection ends. The client reads from the loop like the link does, so
    // that both ends take turns.
    std::vector<SerialPacket> receive(ManualEventLoop& loop, bool untilEnd = false) {
        std::vector<SerialPacket> packets;
        FrameDecoder decoder([&](const SerialPacket& packet) { packets.push_back(packet); }, {});
        ScopedWatch watch(loop);
        watch.watch(fd_.get(), [&] {
            std::uint8_t buffer[512];
            const ssize_t count = ::read(fd_.get(), buffer, sizeof buffer);
            if (count > 0)
                decoder.processReceivedBytes({buffer, static_cast<std::size_t>(count)});
            // End of file, or a read that fails for good.
            else if (count == 0 || errno != EAGAIN)
                ended_ = true;
            if (ended_)
                watch.reset();
        });
        loop.runUntil([&] { return ended_ || (!untilEnd && !packets.empty()); });
        return packets;
    }
    bool ended() const { return ended_; }

private:
    UniqueFd fd_;
    bool ended_ = false;
};

} // namespace norix::testing
