#include "core/loop/ManualEventLoop.h"
#include "core/loop/PollEventLoop.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace norix {
namespace {

using namespace std::chrono_literals;
using std::chrono::duration_cast;

// Each timer fires once the virtual clock reaches it, at its own time; ties
// go in the order they were scheduled.
TEST(ManualEventLoop, TimersFireInDueOrderEachAtItsOwnTime) {
    ManualEventLoop loop;
    const auto start = loop.now();
    std::vector<std::pair<std::string, long>> fired;
    auto record = [&](std::string name) {
        fired.emplace_back(name, duration_cast<Milliseconds>(loop.now() - start).count());
    };
    loop.schedule(1000ms, [&] { record("b"); });
    loop.schedule(500ms, [&] {
        record("a");
        loop.schedule(1000ms, [&] { record("d"); });
    });
    loop.schedule(1000ms, [&] { record("c"); });
    const TimerId cancelled = loop.schedule(10ms, [&] { record("cancelled"); });
    loop.cancel(cancelled);
    loop.cancel(cancelled); // twice is harmless
    loop.advance(499ms);
    EXPECT_TRUE(fired.empty());
    loop.advance(5001ms);
    EXPECT_EQ(fired, (std::vector<std::pair<std::string, long>>{
                         {"a", 500}, {"b", 1000}, {"c", 1000}, {"d", 1500}}));
}

TEST(ManualEventLoop, PostedTasksRunInOrderIncludingTasksTheyPost) {
    ManualEventLoop loop;
    std::string order;
    loop.post([&] {
        order += "1";
        loop.post([&] { order += "3"; });
    });
    loop.post([&] { order += "2"; });
    loop.runPending();
    EXPECT_EQ(order, "123");
}

TEST(ManualEventLoop, ServesAReadableDescriptorUntilDrainedOrUnwatched) {
    ManualEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    const WatchId watch = loop.watchReadable(fds[0], [&] {
        char byte = '?';
        ASSERT_EQ(::read(fds[0], &byte, 1), 1);
        received += byte;
    });
    ASSERT_EQ(::write(fds[1], "ab", 2), 2);
    loop.runPending();
    EXPECT_EQ(received, "ab");
    loop.unwatch(watch);
    ASSERT_EQ(::write(fds[1], "c", 1), 1);
    loop.runPending();
    EXPECT_EQ(received, "ab");
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PollEventLoop, RunUntilServesTimersAndDescriptorsInRealTime) {
    PollEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    bool readable = false;
    ScopedWatch watch(loop);
    watch.watch(fds[0], [&] {
        char byte;
        readable = ::read(fds[0], &byte, 1) == 1;
    });
    loop.schedule(5ms, [&] { ASSERT_EQ(::write(fds[1], "x", 1), 1); });
    EXPECT_TRUE(loop.runUntil([&] { return readable; }, 2000ms));
    EXPECT_FALSE(loop.runUntil([] { return false; }, 20ms));
    ::close(fds[0]);
    ::close(fds[1]);
}

} // namespace
} // namespace norix
