#pragma once
// Bookkeeping shared by the loops that run on this thread: the posted queue,
// the timer list ordered by due time and sequence, and the descriptor watches.

#include "core/loop/EventLoop.h"

#include <deque>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace norix {

class LoopQueues {
public:
    void post(Task task) { posted_.push_back(std::move(task)); }

    TimerId schedule(TimePoint due, Task task);
    void cancel(TimerId id);
    // Removes and returns the earliest timer due at or before the time, if any.
    std::optional<Task> takeDueTimer(TimePoint time);
    std::optional<TimePoint> nextDue() const;

    WatchId watch(int fd, Task task);
    void unwatch(WatchId id);
    // Snapshot of the watches, so a task may add or remove watches while they are served.
    std::vector<std::pair<WatchId, int>> watches() const;
    // The task of a watch that still exists (it may have been removed meanwhile).
    std::optional<Task> watchTask(WatchId id) const;

    // Takes all posted tasks queued so far; tasks posted while they run wait for the next round.
    std::deque<Task> takePosted() { return std::exchange(posted_, {}); }
    bool hasPosted() const { return !posted_.empty(); }

private:
    struct TimerKey {
        TimePoint due;
        std::uint64_t id;
        bool operator<(const TimerKey& other) const {
            return due != other.due ? due < other.due : id < other.id;
        }
    };
    std::deque<Task> posted_;
    std::map<TimerKey, Task> timers_;
    std::map<std::uint64_t, TimePoint> timerDue_;
    std::map<std::uint64_t, std::pair<int, Task>> watches_;
    std::uint64_t nextId_ = 1;
};

} // namespace norix
