// The simulator on a real pseudo-terminal: a client opening the slave path the
// way the link does, hang-ups seen as end of file, and replugging behind a
// fixed link path. (The link itself talks to it in every chip session test.)

#include "core/link/ProtocolCodes.h"
#include "core/loop/ManualEventLoop.h"
#include "sim/PtySimulator.h"
#include "tests/sim/PtyClient.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace norix::testing {
namespace {

class SimulatorOnPty : public ::testing::Test {
protected:
    ManualEventLoop loop;
    sim::PtySimulator pty{loop};
};

TEST_F(SimulatorOnPty, AnswersAndThenHangsUpSoThatTheClientSeesTheEnd) {
    ASSERT_TRUE(pty.open()) << pty.lastError();
    pty.simulator().faults().add({cmdUploadModeQuery, 1, sim::FaultAction::HangUpAfter, 0});
    PtyClient client(pty.slavePath());
    ASSERT_TRUE(client.isOpen());
    client.send({cmdUploadModeQuery, 42, {}});
    const auto answers = client.receive(loop);
    ASSERT_EQ(answers.size(), 1u) << "the answer arrives before the end";
    EXPECT_EQ(answers[0], (SerialPacket{respUploadModeOn, 42, {}}));
    EXPECT_TRUE(client.seesEnd(loop));
    EXPECT_FALSE(pty.isOpen());
}

TEST_F(SimulatorOnPty, ReplugsBehindTheLinkPathAfterAHangUp) {
    const auto link =
        std::filesystem::temp_directory_path() / ("norix-sim-test-" + std::to_string(::getpid()));
    pty.setReplugDelay(Milliseconds(500));
    ASSERT_TRUE(pty.open());
    pty.setLinkPath(link.string());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.slavePath());

    pty.simulator().faults().add({cmdSerialNumber, 1, sim::FaultAction::HangUpBefore, 0});
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
    EXPECT_EQ(answers[0],
              (SerialPacket{respSerialNumber, 2, Bytes{'S', 'I', 'M', '-', '0', '0', '0', '1'}}));
}

} // namespace
} // namespace norix::testing
