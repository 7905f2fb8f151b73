#include "core/loop/ManualEventLoop.h"
#include "core/loop/PollEventLoop.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace norix {
namespace {

using namespace std::chrono_literals;

TEST(ManualEventLoop, TimersFireInDueOrderOnlyWhenTheClockReachesThem) {
    ManualEventLoop loop;
    std::vector<std::string> fired;
    loop.schedule(1000ms, [&] { fired.push_back("b"); });
    loop.schedule(500ms, [&] { fired.push_back("a"); });
    loop.schedule(1000ms, [&] { fired.push_back("c"); }); // same due time: order of scheduling
    loop.advance(499ms);
    EXPECT_TRUE(fired.empty());
    loop.advance(1ms);
    EXPECT_EQ(fired, std::vector<std::string>({"a"}));
    loop.advance(500ms);
    EXPECT_EQ(fired, std::vector<std::string>({"a", "b", "c"}));
}

TEST(ManualEventLoop, TimerScheduledByATimerUsesTheTimeItFiredAt) {
    ManualEventLoop loop;
    std::vector<long> firedAt;
    const auto start = loop.now();
    auto elapsed = [&] {
        return std::chrono::duration_cast<Milliseconds>(loop.now() - start).count();
    };
    loop.schedule(1000ms, [&] {
        firedAt.push_back(elapsed());
        loop.schedule(1000ms, [&] { firedAt.push_back(elapsed()); });
    });
    loop.advance(5000ms);
    EXPECT_EQ(firedAt, std::vector<long>({1000, 2000}));
}

TEST(ManualEventLoop, CancelledAndScopedTimersNeverFire) {
    ManualEventLoop loop;
    int fired = 0;
    auto id = loop.schedule(10ms, [&] { ++fired; });
    loop.cancel(id);
    loop.cancel(id); // twice is harmless
    {
        ScopedTimer timer(loop);
        timer.start(10ms, [&] { ++fired; });
        EXPECT_TRUE(timer.isActive());
    }
    ScopedTimer restarted(loop);
    restarted.start(10ms, [&] { fired += 10; });
    restarted.start(20ms, [&] { fired += 100; }); // replaces the first
    loop.advance(1s);
    EXPECT_EQ(fired, 100);
    EXPECT_FALSE(restarted.isActive());
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

TEST(ManualEventLoop, ServesReadableDescriptorsAndStopsWhenUnwatched) {
    ManualEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    WatchId watch = WatchId::none;
    watch = loop.watchReadable(fds[0], [&] {
        char buffer[16];
        const auto n = ::read(fds[0], buffer, sizeof buffer);
        received.append(buffer, static_cast<std::size_t>(n));
        if (received.size() >= 4)
            loop.unwatch(watch);
    });
    ASSERT_EQ(::write(fds[1], "ab", 2), 2);
    loop.runPending();
    EXPECT_EQ(received, "ab");
    ASSERT_EQ(::write(fds[1], "cd", 2), 2);
    ASSERT_EQ(::write(fds[1], "ef", 2), 2);
    loop.runPending();
    EXPECT_EQ(received, "abcdef");
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PollEventLoop, RunUntilServesTimersAndDescriptorsInRealTime) {
    PollEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    bool readable = false;
    bool timerFired = false;
    ScopedWatch watch(loop);
    watch.watch(fds[0], [&] {
        char byte;
        readable = ::read(fds[0], &byte, 1) == 1;
    });
    loop.schedule(5ms, [&] {
        timerFired = true;
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
    });
    EXPECT_TRUE(loop.runUntil([&] { return readable; }, 2000ms));
    EXPECT_TRUE(timerFired);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 20ms));
    ::close(fds[0]);
    ::close(fds[1]);
}

} // namespace
} // namespace norix
