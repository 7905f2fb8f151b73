// A port is this program's alone while it is open: a second link on the same
// pseudo-terminal is refused with the reason, the first keeps working, and
// the port is free again once the first lets go.

#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPort.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "tests/link/PtyDevice.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

namespace norix {
namespace {

using testing::PtyDevice;

class PortExclusivity : public ::testing::Test {
protected:
    std::vector<std::string> log;
    ScopedDiagnosticSink sink{[this](std::string_view line) { log.emplace_back(line); }};
    testing::TempDirectory dir;
    ManualEventLoop loop;
    SerialPortManager holder{loop, dir.path(), LinkConversations::None};
    SerialPortManager second{loop, dir.path(), LinkConversations::None};
    PtyDevice device;
};

TEST_F(PortExclusivity, ASecondLinkIsRefusedAndTheHolderKeepsWorking) {
    ASSERT_TRUE(holder.connect(device.slavePath()));
    EXPECT_FALSE(second.connect(device.slavePath()));
    EXPECT_EQ(second.lastError(),
              "Unable to open " + device.slavePath() +
                  ": Device or resource busy. Another program is using this port; close the "
                  "port there and connect again.");
    EXPECT_FALSE(second.isConnected());
    EXPECT_EQ(second.fileDescriptor(), -1);
    EXPECT_EQ(log.back(), "open() returned -1, errno=" + std::to_string(EBUSY));

    std::vector<SerialPacket> received;
    holder.onPacketReceived = [&](const SerialPacket& packet) { received.push_back(packet); };
    const SerialPacket answer{respAck, 7, Bytes{1, 2, 3}};
    device.write(encodeFrame(answer));
    ASSERT_TRUE(loop.runUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received.front(), answer);
    EXPECT_TRUE(holder.send(Bytes{0x01, 0x00}));
    EXPECT_EQ(device.read(), (Bytes{0x01, 0x00}));
    EXPECT_TRUE(holder.isConnected());
    EXPECT_EQ(holder.lastError(), std::nullopt);

    holder.disconnect();
    ASSERT_TRUE(second.connect(device.slavePath())) << second.lastError().value_or("");
}

TEST_F(PortExclusivity, TheDescriptorIsLockedAndNotInheritedByChildren) {
    ASSERT_TRUE(holder.connect(device.slavePath()));
    EXPECT_TRUE(::fcntl(holder.fileDescriptor(), F_GETFD) & FD_CLOEXEC);
    // Any other program that asks for the lock the usual way is told no.
    const int other = ::open(device.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (other >= 0) { // root may open an exclusive terminal; the lock still holds
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
        ::close(other);
    } else {
        EXPECT_EQ(errno, EBUSY);
    }
}

} // namespace
} // namespace norix
