// norix asked for a port that a link in this test holds is refused with the reason and a
// hint, and sends nothing. That the holder's line carries on is checked with the link.

#include "core/link/SerialPortManager.h"
#include "core/loop/ManualEventLoop.h"
#include "tests/cli/CliRunner.h"
#include "tests/link/PtyDevice.h"

namespace norix {
namespace {

using PortInUse = clitest::CliFolderTest;

TEST_F(PortInUse, NorixIsToldAnotherProgramHoldsThePort) {
    ManualEventLoop loop;
    SerialPortManager holder{loop, "/nonexistent-norix-test"};
    testing::PtyDevice device;
    ASSERT_TRUE(holder.connect(device.slavePath()));
    globalArgs_ = {"-p", device.slavePath()};
    const clitest::Outcome run = norix({"chips"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to open " + device.slavePath() +
                           ": Device or resource busy. Another program is using this port; "
                           "close the port there and connect again.\n");
    EXPECT_NE(run.out.find("open() returned -1, errno=" + std::to_string(EBUSY) + "\n"),
              std::string::npos);
    EXPECT_TRUE(device.read(std::chrono::milliseconds(20)).empty());
}

} // namespace
} // namespace norix
