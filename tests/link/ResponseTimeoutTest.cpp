// The 3 s answer time-out fires only for the command still outstanding.

#include "core/link/ResponseTimeout.h"

#include "core/loop/ManualEventLoop.h"
#include "tests/support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace norix {
namespace {

struct Conversation {
    ManualEventLoop loop;
    std::optional<std::uint8_t> pending;
    int timeouts = 0;
    std::optional<ResponseTimeout> timeout{std::in_place, loop, [this] { return pending; }};

    void send(std::uint8_t sequence) {
        pending = sequence;
        timeout->arm(sequence, [this] { ++timeouts; });
    }
};

struct TimeoutCase {
    const char* name;
    std::function<void(Conversation&)> afterSend; // runs 1 s after the command with sequence 9
    int expectedTimeouts;
    friend void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }
};

class ResponseTimeoutCases : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(ResponseTimeoutCases, FiresOnlyForTheOutstandingCommand) {
    Conversation conversation;
    conversation.send(9);
    conversation.loop.advance(Milliseconds(1000));
    GetParam().afterSend(conversation);
    conversation.loop.advance(Milliseconds(1999));
    EXPECT_EQ(conversation.timeouts, 0);
    conversation.loop.advance(Milliseconds(1));
    EXPECT_EQ(conversation.timeouts, GetParam().expectedTimeouts);
    conversation.loop.advance(Milliseconds(10000));
    EXPECT_EQ(conversation.timeouts, GetParam().expectedTimeouts) << "single-shot";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResponseTimeoutCases,
    ::testing::Values(TimeoutCase{"NoAnswer", [](Conversation&) {}, 1},
                      TimeoutCase{"Answered", [](Conversation& c) { c.pending.reset(); }, 0},
                      TimeoutCase{"NewerCommandSentWithoutRearming",
                                  [](Conversation& c) { c.pending = 10; }, 0},
                      TimeoutCase{"Cancelled", [](Conversation& c) { c.timeout->cancel(); }, 0},
                      TimeoutCase{"Destroyed", [](Conversation& c) { c.timeout.reset(); }, 0}),
    testing::PrintedName());

TEST(ResponseTimeout, ARearmedTimeoutFires3000MsAfterTheNewCommand) {
    Conversation conversation;
    conversation.send(255);
    conversation.loop.advance(Milliseconds(2000));
    conversation.send(0);
    EXPECT_EQ(conversation.timeout->armedSequence(), 0);
    conversation.loop.advance(Milliseconds(2999));
    EXPECT_EQ(conversation.timeouts, 0);
    conversation.loop.advance(Milliseconds(1));
    EXPECT_EQ(conversation.timeouts, 1);
    EXPECT_FALSE(conversation.timeout->isArmed());
    EXPECT_EQ(conversation.timeout->armedSequence(), std::nullopt);
}

TEST(ResponseTimeout, TheHandlerMayArmTheNextTimeout) {
    Conversation conversation;
    std::function<void()> retry = [&] {
        ++conversation.timeouts;
        if (conversation.timeouts < 3)
            conversation.timeout->arm(*conversation.pending, retry);
    };
    conversation.pending = 4;
    conversation.timeout->arm(4, retry);
    conversation.loop.advance(Milliseconds(9000));
    EXPECT_EQ(conversation.timeouts, 3);
}

} // namespace
} // namespace norix
