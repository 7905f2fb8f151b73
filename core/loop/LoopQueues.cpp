#include "core/loop/LoopQueues.h"

namespace norix {

TimerId LoopQueues::schedule(TimePoint due, Task task) {
    const auto id = nextId_++;
    timers_.emplace(TimerKey{due, id}, std::move(task));
    timerDue_.emplace(id, due);
    return static_cast<TimerId>(id);
}

void LoopQueues::cancel(TimerId id) {
    const auto raw = static_cast<std::uint64_t>(id);
    auto found = timerDue_.find(raw);
    if (found == timerDue_.end())
        return;
    timers_.erase(TimerKey{found->second, raw});
    timerDue_.erase(found);
}

std::optional<Task> LoopQueues::takeDueTimer(TimePoint time) {
    if (timers_.empty() || timers_.begin()->first.due > time)
        return std::nullopt;
    auto first = timers_.begin();
    Task task = std::move(first->second);
    timerDue_.erase(first->first.id);
    timers_.erase(first);
    return task;
}

std::optional<TimePoint> LoopQueues::nextDue() const {
    if (timers_.empty())
        return std::nullopt;
    return timers_.begin()->first.due;
}

WatchId LoopQueues::watch(int fd, Task task) {
    const auto id = nextId_++;
    watches_.emplace(id, std::make_pair(fd, std::move(task)));
    return static_cast<WatchId>(id);
}

void LoopQueues::unwatch(WatchId id) {
    watches_.erase(static_cast<std::uint64_t>(id));
}

std::vector<std::pair<WatchId, int>> LoopQueues::watches() const {
    std::vector<std::pair<WatchId, int>> result;
    result.reserve(watches_.size());
    for (const auto& [id, entry] : watches_)
        result.emplace_back(static_cast<WatchId>(id), entry.first);
    return result;
}

std::optional<Task> LoopQueues::watchTask(WatchId id) const {
    auto found = watches_.find(static_cast<std::uint64_t>(id));
    if (found == watches_.end())
        return std::nullopt;
    return found->second.second;
}

} // namespace norix
