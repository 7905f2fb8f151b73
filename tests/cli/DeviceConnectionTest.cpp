// The connection helper of the norix device commands against the built-in simulator: the
// silence clock, a lost link, the progress bar. How commands end on silence: the fault matrix.

#include "cli/DeviceConnection.h"

#include "core/link/ProtocolCodes.h"

#include <gtest/gtest.h>

namespace norix::cli {
namespace {

TEST(DeviceConnection, EveryAnswerRestartsTheSilenceClock) {
    // Three answers 150 ms apart take longer than the 0.25 s limit, but the
    // device is never silent for that long.
    DeviceConnection connection({.port = "sim", .timeoutSeconds = 0.25, .quiet = true});
    ASSERT_TRUE(connection.open());
    connection.simulator()->simulator().faults().add(
        {cmdSerialNumber, std::nullopt, sim::FaultAction::delay, 150});
    int answers = 0;
    std::optional<std::uint8_t> pending = connection.link().sendPacket(cmdSerialNumber);
    connection.link().setRoute(lastRoute, [&](const SerialPacket& packet) {
        if (pending && packet.sequence == *pending && ++answers < 3)
            pending = connection.link().sendPacket(cmdSerialNumber);
        return true;
    });
    EXPECT_TRUE(connection.runUntil([&] { return answers == 3; }));
}

TEST(DeviceConnection, ALostLinkEndsTheWaitAndEveryNewLastErrorIsPrinted) {
    DeviceConnection connection({.port = "sim", .quiet = true});
    ASSERT_TRUE(connection.open());
    connection.simulator()->simulator().faults().add(
        {cmdSerialNumber, 1, sim::FaultAction::hangUpBefore, 0});
    ::testing::internal::CaptureStderr();
    connection.link().sendPacket(cmdSerialNumber);
    EXPECT_FALSE(connection.runUntil([] { return false; }));
    // The loss, once, and not the reconnect that the command will not wait for.
    EXPECT_TRUE(connection.link().isReconnectPending());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Norix closed the serial connection.\n");
}

TEST(ProgressBar, DrawsTheShareDoneInThirtyCells) {
    EXPECT_EQ(ProgressBar::render("Sending", 5, 10),
              "Sending [###############               ]  50%");
    EXPECT_EQ(ProgressBar::render("Sending", 12, 10),
              "Sending [##############################] 100%");
    EXPECT_EQ(ProgressBar::render("Empty", 0, 0), "Empty [##############################] 100%");
}

TEST(SilenceMessage, ShowsTheSecondsAsGiven) {
    EXPECT_EQ(silenceMessage(2.5), "Norix did not answer within 2.5 s.");
}

} // namespace
} // namespace norix::cli
