// The simulator on a real pseudo-terminal, with the application's link as the
// other end: a hang-up seen as the end of the connection after the last
// answer, and replugging behind a fixed link path that is gone while unplugged.

#include "core/link/ProtocolCodes.h"
#include "tests/support/SimulatedNorix.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace norix::testing {
namespace {

using SimulatorOnPty = PtyNorixFixture<SerialPortManager>;

TEST_F(SimulatorOnPty, AnswersHangsUpAndReplugsBehindTheLinkPath) {
    std::vector<SerialPacket> answers;
    link.setRoute(lastRoute, [&](const SerialPacket& packet) {
        answers.push_back(packet);
        return true;
    });
    const auto path =
        std::filesystem::temp_directory_path() / ("norix-sim-test-" + std::to_string(::getpid()));
    sim.setReplugDelay(Milliseconds(500));
    sim.setLinkPath(path.string());
    EXPECT_EQ(std::filesystem::read_symlink(path).string(), sim.slavePath());

    addFault(cmdUploadModeQuery, 1, sim::FaultAction::hangUpAfter);
    ASSERT_TRUE(link.connect(path.string()));
    const auto first = link.sendPacket(cmdUploadModeQuery);
    ASSERT_TRUE(runUntil([this] { return !link.isConnected(); }));
    EXPECT_EQ(answers, (std::vector{SerialPacket{respUploadModeOn, *first, {}}}))
        << "the answer arrives before the end";
    EXPECT_FALSE(sim.isOpen());
    EXPECT_FALSE(std::filesystem::is_symlink(path)) << "an unplugged device has no name";
    loop.advance(Milliseconds(500));
    ASSERT_TRUE(sim.isOpen());
    EXPECT_EQ(std::filesystem::read_symlink(path).string(), sim.slavePath());

    link.disconnect();
    ASSERT_TRUE(link.connect(path.string()));
    const auto second = link.sendPacket(cmdSerialNumber);
    ASSERT_TRUE(runUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1], (SerialPacket{respSerialNumber, *second, textBytes("SIM-0001")}));
}

} // namespace
} // namespace norix::testing
