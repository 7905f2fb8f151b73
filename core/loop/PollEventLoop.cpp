#include "core/loop/PollEventLoop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <vector>

namespace norix {

bool serveReadyDescriptors(LoopQueues& queues, Milliseconds wait) {
    const auto watches = queues.watches();
    std::vector<pollfd> fds;
    fds.reserve(watches.size());
    for (const auto& [id, fd] : watches)
        fds.push_back(pollfd{fd, POLLIN, 0});
    const int timeout = static_cast<int>(std::max<Milliseconds::rep>(0, wait.count()));
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready <= 0)
        return false;
    bool ran = false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0)
            continue;
        // A task may have removed this watch (or a later one) in the meantime.
        if (auto task = queues.watchTask(watches[i].first)) {
            (*task)();
            ran = true;
        }
    }
    return ran;
}

TimerId PollEventLoop::schedule(Milliseconds delay, Task task) {
    return queues_.schedule(now() + delay, std::move(task));
}

TimePoint PollEventLoop::now() const {
    return std::chrono::steady_clock::now();
}

void PollEventLoop::runOnce(Milliseconds maxWait) {
    for (auto& task : queues_.takePosted())
        task();
    while (auto task = queues_.takeDueTimer(now()))
        (*task)();
    if (queues_.hasPosted()) {
        serveReadyDescriptors(queues_, Milliseconds(0));
        return;
    }
    Milliseconds wait = maxWait;
    if (auto due = queues_.nextDue()) {
        auto untilDue = std::chrono::ceil<Milliseconds>(*due - now());
        wait = std::clamp(untilDue, Milliseconds(0), maxWait);
    }
    if (queues_.watches().empty() && wait.count() > 0) {
        ::poll(nullptr, 0, static_cast<int>(wait.count()));
        return;
    }
    serveReadyDescriptors(queues_, wait);
}

void PollEventLoop::run() {
    quit_ = false;
    while (!quit_)
        runOnce(Milliseconds(1000));
}

bool PollEventLoop::runUntil(const std::function<bool()>& done, Milliseconds limit) {
    const auto deadline = now() + limit;
    quit_ = false;
    while (!done()) {
        const auto left = std::chrono::ceil<Milliseconds>(deadline - now());
        if (left.count() <= 0 || quit_)
            return done();
        runOnce(std::min(left, Milliseconds(50)));
    }
    return true;
}

} // namespace norix
