#pragma once
// The client end of the simulator's pseudo-terminal, opened as the link opens a
// serial device, for tests that talk to the simulator without the link.

#include "core/link/FrameCodec.h"
#include "core/loop/ManualEventLoop.h"

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
    explicit PtyClient(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios attributes{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &attributes) == 0) {
            ::cfmakeraw(&attributes);
            ::tcsetattr(fd_, TCSANOW, &attributes);
        }
    }
    ~PtyClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    void send(const SerialPacket& packet) {
        const Bytes frame = encodeFrame(packet);
        ASSERT_EQ(::write(fd_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }
    // Serves the loop until a packet arrives or the connection ends. The client
    // reads from the loop like the link does, so that both ends take turns.
    std::vector<SerialPacket> receive(ManualEventLoop& loop) {
        std::vector<SerialPacket> packets;
        FrameDecoder decoder([&](const SerialPacket& packet) { packets.push_back(packet); }, {});
        ScopedWatch watch(loop);
        watch.watch(fd_, [&] {
            std::uint8_t buffer[512];
            const ssize_t count = ::read(fd_, buffer, sizeof buffer);
            if (count > 0)
                decoder.processReceivedBytes(
                    std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(count)));
            else if (count == 0 || errno != EAGAIN)
                ended_ = true;
            if (ended_)
                watch.reset();
        });
        loop.runUntil([&] { return !packets.empty() || ended_; });
        return packets;
    }
    // Whether the client sees the end of the connection (read returns 0 or fails for good).
    bool seesEnd(ManualEventLoop& loop) {
        loop.runUntil([&] {
            std::uint8_t byte;
            const ssize_t count = ::read(fd_, &byte, 1);
            ended_ = ended_ || count == 0 || (count < 0 && errno != EAGAIN);
            return ended_;
        });
        return ended_;
    }

private:
    int fd_ = -1;
    bool ended_ = false;
};

} // namespace norix::testing
