#pragma once
// EventLoop on poll(2) and the steady clock: serves the CLI and norix-sim.

#include "core/loop/EventLoop.h"
#include "core/loop/LoopQueues.h"

#include <functional>

namespace norix {

class PollEventLoop : public EventLoop {
public:
    void post(Task task) override { queues_.post(std::move(task)); }
    TimerId schedule(Milliseconds delay, Task task) override;
    void cancel(TimerId id) override { queues_.cancel(id); }
    WatchId watchReadable(int fd, Task task) override { return queues_.watch(fd, std::move(task)); }
    void unwatch(WatchId id) override { queues_.unwatch(id); }
    TimePoint now() const override;

    // Serves until quit() is called.
    void run();
    // Serves until the predicate holds or the time limit passes; returns the predicate.
    bool runUntil(const std::function<bool()>& done, Milliseconds limit);
    // One round: posted tasks, due timers, and descriptors ready within the wait.
    void runOnce(Milliseconds maxWait);
    void quit() { quit_ = true; }

private:
    LoopQueues queues_;
    bool quit_ = false;
};

// Waits up to `wait` for the watched descriptors and runs the tasks of those
// that are readable (or hung up). Shared with ManualEventLoop. Returns whether any ran.
bool serveReadyDescriptors(LoopQueues& queues, Milliseconds wait);

} // namespace norix
