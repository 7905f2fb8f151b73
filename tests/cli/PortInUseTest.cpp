// The real norix binary asked to use a port that a link in this test holds:
// it is refused with the reason and a hint, and the holder's line carries on.

#include "core/link/FrameCodec.h"
#include "core/link/ProtocolCodes.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "tests/cli/CliRunner.h"
#include "tests/link/PtyDevice.h"

#include <gtest/gtest.h>

namespace norix {
namespace {

class PortInUse : public clitest::CliFolderTest {
protected:
    ScopedDiagnosticSink quiet{[](std::string_view) {}};
    ManualEventLoop loop;
    SerialPortManager holder{loop, "/nonexistent-norix-test"};
    testing::PtyDevice device;
};

TEST_F(PortInUse, NorixIsToldAnotherProgramHoldsThePort) {
    ASSERT_TRUE(holder.connect(device.slavePath()));
    globalArgs_ = {"-p", device.slavePath()};
    for (const auto& command : {std::vector<std::string>{"chips"},
                                std::vector<std::string>{"settings", "set", "leds", "on"}}) {
        const clitest::Outcome run = norix(command);
        EXPECT_EQ(run.status, 1) << command.front();
        EXPECT_EQ(run.err, "Unable to open " + device.slavePath() +
                               ": Device or resource busy. Another program is using this port; "
                               "close the port there and connect again.\n");
        EXPECT_NE(run.out.find("open() returned -1, errno=" + std::to_string(EBUSY) + "\n"),
                  std::string::npos);
    }
    // Nothing reached the device from norix, and the holder's line still works both ways.
    EXPECT_TRUE(device.read(std::chrono::milliseconds(20)).empty());
    std::vector<SerialPacket> received;
    holder.setRoute(lastRoute, [&](const SerialPacket& packet) {
        received.push_back(packet);
        return true;
    });
    device.write(encodeFrame(SerialPacket{respAck, 3, {}}));
    ASSERT_TRUE(loop.runUntil([&] { return !received.empty(); }));
    EXPECT_EQ(holder.sendPacket(cmdSettings, Bytes{settingsGetAll}).has_value(), true);
    EXPECT_FALSE(device.read().empty());
    EXPECT_TRUE(holder.isConnected());
}

} // namespace
} // namespace norix
