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
    std::function<void(Conversation&)> afterSend; // runs 1 s after the command with sequence 255
    std::optional<int> firesAfterMs;              // counted from that command
    friend void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }
};

class ResponseTimeoutCases : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(ResponseTimeoutCases, FiresOnceAndOnlyForTheOutstandingCommand) {
    Conversation conversation;
    conversation.send(255);
    conversation.loop.advance(Milliseconds(1000));
    GetParam().afterSend(conversation);
    const int firesAt = GetParam().firesAfterMs.value_or(3000);
    conversation.loop.advance(Milliseconds(firesAt - 1001));
    EXPECT_EQ(conversation.timeouts, 0);
    conversation.loop.advance(Milliseconds(1));
    const int expected = GetParam().firesAfterMs ? 1 : 0;
    EXPECT_EQ(conversation.timeouts, expected);
    conversation.loop.advance(Milliseconds(10000));
    EXPECT_EQ(conversation.timeouts, expected) << "single-shot";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResponseTimeoutCases,
    ::testing::Values(
        TimeoutCase{"NoAnswer", [](Conversation&) {}, 3000},
        TimeoutCase{"Answered", [](Conversation& c) { c.pending.reset(); }, {}},
        TimeoutCase{"NewerCommandSentWithoutRearming", [](Conversation& c) { c.pending = 10; }, {}},
        // Sequence 0 after 255: a wrapped sequence is still a sequence.
        TimeoutCase{"RearmedForTheNextCommand", [](Conversation& c) { c.send(0); }, 4000},
        TimeoutCase{"Cancelled", [](Conversation& c) { c.timeout->cancel(); }, {}},
        TimeoutCase{"Destroyed", [](Conversation& c) { c.timeout.reset(); }, {}}),
    testing::PrintedName());

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
