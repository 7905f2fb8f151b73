#include "core/loop/ManualEventLoop.h"

#include "core/loop/PollEventLoop.h"

#include <algorithm>

namespace norix {

void ManualEventLoop::runPending() {
    // Bounded so that a descriptor that stays readable forever (a test bug) cannot hang the suite.
    for (int round = 0; round < 100000; ++round) {
        bool worked = false;
        for (auto& task : queues_.takePosted()) {
            task();
            worked = true;
        }
        if (serveReadyDescriptors(queues_, Milliseconds(0)))
            worked = true;
        if (!worked && !queues_.hasPosted())
            return;
    }
}

void ManualEventLoop::advance(Milliseconds delta) {
    const auto target = now_ + delta;
    runPending();
    while (auto due = queues_.nextDue()) {
        if (*due > target)
            break;
        now_ = std::max(now_, *due);
        if (auto task = queues_.takeDueTimer(now_))
            (*task)();
        runPending();
    }
    now_ = target;
    runPending();
}

bool ManualEventLoop::runUntil(const std::function<bool()>& done, Milliseconds realLimit) {
    const auto deadline = std::chrono::steady_clock::now() + realLimit;
    runPending();
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        serveReadyDescriptors(queues_, Milliseconds(10));
        runPending();
    }
    return true;
}

} // namespace norix
