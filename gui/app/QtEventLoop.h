#pragma once
// The application's EventLoop: posted tasks, single-shot timers and descriptor
// watches run on Qt's own event loop, so core objects (the link, the chip
// session, the built-in simulator) share the thread and queue of the widgets.

#include "core/loop/EventLoop.h"

#include <QObject>
#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace norix {

class QtEventLoop : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    void post(Task task) override;
    TimerId schedule(Milliseconds delay, Task task) override;
    void cancel(TimerId id) override;
    WatchId watchReadable(int fd, Task task) override;
    void unwatch(WatchId id) override;
    TimePoint now() const override;

    std::size_t activeTimerCount() const { return timers_.size(); }
    std::size_t activeWatchCount() const { return watches_.size(); }

private:
    // Parent of every timer and notifier and the context of posted tasks:
    // destroying it drops whatever is still queued for this loop.
    std::unique_ptr<QObject> context_;
    std::map<TimerId, QTimer*> timers_;
    std::map<WatchId, QSocketNotifier*> watches_;
    std::uint64_t nextId_ = 1;
};

} // namespace norix
