// The simulator on a real pseudo-terminal: a client opening the slave path the
// way the link does, hang-ups seen as end of file, replugging behind a fixed
// link path, and the link itself (SerialPortManager) talking to it.

#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "sim/PtySimulator.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace norix::testing {
namespace {

// The client end, opened as the link opens a serial device.
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

TEST(SimulatorOnPty, AnswersAClientThatOpensTheSlavePath) {
    ManualEventLoop loop;
    PtySimulator pty(loop);
    ASSERT_TRUE(pty.open()) << pty.lastError();
    PtyClient client(pty.slavePath());
    ASSERT_TRUE(client.isOpen());
    client.send({cmdSerialNumber, 42, {}});
    const auto answers = client.receive(loop);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0],
              (SerialPacket{respSerialNumber, 42, Bytes{'S', 'I', 'M', '-', '0', '0', '0', '1'}}));
}

TEST(SimulatorOnPty, HangingUpAfterAnsweringEndsTheConnectionForTheClient) {
    ManualEventLoop loop;
    PtySimulator pty(loop);
    ASSERT_TRUE(pty.open());
    pty.simulator().faults().add({cmdUploadModeQuery, 1, FaultAction::hangUpAfter, 0});
    PtyClient client(pty.slavePath());
    client.send({cmdUploadModeQuery, 1, {}});
    const auto answers = client.receive(loop);
    ASSERT_EQ(answers.size(), 1u) << "the answer arrives before the end";
    EXPECT_EQ(answers[0].code, respUploadModeOn);
    EXPECT_TRUE(client.seesEnd(loop));
    EXPECT_FALSE(pty.isOpen());
}

TEST(SimulatorOnPty, ReplugsBehindTheLinkPathAfterAHangUp) {
    ManualEventLoop loop;
    PtySimulator pty(loop);
    const auto link =
        std::filesystem::temp_directory_path() / ("norix-sim-test-" + std::to_string(::getpid()));
    pty.setReplugDelay(Milliseconds(500));
    ASSERT_TRUE(pty.open());
    pty.setLinkPath(link.string());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.slavePath());

    pty.simulator().faults().add({cmdSerialNumber, 1, FaultAction::hangUpBefore, 0});
    {
        PtyClient client(link.string());
        client.send({cmdSerialNumber, 1, {}});
        EXPECT_TRUE(client.seesEnd(loop));
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "an unplugged device has no name";
    loop.advance(Milliseconds(500));
    ASSERT_TRUE(pty.isOpen());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.slavePath());
    PtyClient again(link.string());
    again.send({cmdSerialNumber, 2, {}});
    const auto answers = again.receive(loop);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].sequence, 2);
}

TEST(SimulatorOnPty, TheLinkConnectsThroughTheSlavePathAndSeesTheHangUp) {
    ManualEventLoop loop;
    PtySimulator pty(loop);
    ASSERT_TRUE(pty.open());
    const auto folder =
        std::filesystem::temp_directory_path() / ("norix-sim-devdir-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    SerialPortManager link(loop, folder.string(), LinkConversations::None);
    std::vector<SerialPacket> packets;
    bool disconnected = false;
    link.onPacketReceived = [&](const SerialPacket& packet) { packets.push_back(packet); };
    link.onDisconnected = [&] { disconnected = true; };
    ASSERT_TRUE(link.connect(pty.slavePath())) << link.lastError().value_or("");

    const auto sequence = link.sendPacket(cmdChipCount);
    ASSERT_TRUE(sequence.has_value());
    ASSERT_TRUE(loop.runUntil([&] { return !packets.empty(); }));
    EXPECT_EQ(packets[0], (SerialPacket{respChipCount, *sequence, {0, 0}}));

    pty.simulator().faults().add({cmdSerialNumber, std::nullopt, FaultAction::hangUpBefore, 0});
    link.sendPacket(cmdSerialNumber);
    ASSERT_TRUE(loop.runUntil([&] { return disconnected; }));
    EXPECT_FALSE(link.isConnected());
    EXPECT_TRUE(link.lastError().has_value());
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace norix::testing
