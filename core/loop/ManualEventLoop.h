#pragma once
// EventLoop on a virtual clock for tests: time moves only when the test says
// so, so reconnect series and 3 s time-outs are checked exactly and instantly.
// Descriptors are real: runPending() serves those that are readable right now.

#include "core/loop/EventLoop.h"
#include "core/loop/LoopQueues.h"

#include <functional>

namespace norix {

class ManualEventLoop : public EventLoop {
public:
    void post(Task task) override { queues_.post(std::move(task)); }
    TimerId schedule(Milliseconds delay, Task task) override {
        return queues_.schedule(now_ + delay, std::move(task));
    }
    void cancel(TimerId id) override { queues_.cancel(id); }
    WatchId watchReadable(int fd, Task task) override { return queues_.watch(fd, std::move(task)); }
    void unwatch(WatchId id) override { queues_.unwatch(id); }
    TimePoint now() const override { return now_; }

    // Runs posted work and readable descriptors until nothing is left to do.
    // Timers do not fire: the clock stands still.
    void runPending();
    // Moves the clock forward, firing due timers in order (with runPending after each).
    void advance(Milliseconds delta);
    // Like runPending, but also waits (in real time, up to the limit) for
    // descriptors, until the predicate holds. For peers in another process or thread.
    bool runUntil(const std::function<bool()>& done, Milliseconds realLimit = Milliseconds(2000));

private:
    LoopQueues queues_;
    TimePoint now_{};
};

} // namespace norix
