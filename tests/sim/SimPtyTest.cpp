// The simulator on a real pseudo-terminal: a client opening the slave path the
// way the link does, a hang-up seen as end of file after the last answer, and
// replugging behind a fixed link path that is gone while unplugged. (The link
// itself talks to it in every chip session test.)

#include "core/link/ProtocolCodes.h"
#include "sim/PtySimulator.h"
#include "tests/sim/PtyClient.h"
#include "tests/support/SimulatedNorix.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace norix::testing {
namespace {

TEST(SimulatorOnPty, AnswersHangsUpAndReplugsBehindTheLinkPath) {
    ManualEventLoop loop;
    sim::PtySimulator pty{loop};
    const auto link =
        std::filesystem::temp_directory_path() / ("norix-sim-test-" + std::to_string(::getpid()));
    pty.setReplugDelay(Milliseconds(500));
    ASSERT_TRUE(pty.open()) << pty.lastError();
    pty.setLinkPath(link.string());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.slavePath());

    pty.simulator().faults().add({cmdUploadModeQuery, 1, sim::FaultAction::hangUpAfter, 0});
    {
        PtyClient client(link.string());
        client.send({cmdUploadModeQuery, 42, {}});
        EXPECT_EQ(client.receive(loop, true), (std::vector{SerialPacket{respUploadModeOn, 42, {}}}))
            << "the answer arrives before the end";
        EXPECT_TRUE(client.ended());
    }
    EXPECT_FALSE(pty.isOpen());
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "an unplugged device has no name";
    loop.advance(Milliseconds(500));
    ASSERT_TRUE(pty.isOpen());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.slavePath());
    PtyClient again(link.string());
    again.send({cmdSerialNumber, 2, {}});
    EXPECT_EQ(again.receive(loop),
              (std::vector{SerialPacket{respSerialNumber, 2, textBytes("SIM-0001")}}));
}

} // namespace
} // namespace norix::testing
