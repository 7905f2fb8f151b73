#include "gui/app/QtEventLoop.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>

namespace norix {

QtEventLoop::QtEventLoop() : context_(std::make_unique<QObject>()) {}

QtEventLoop::~QtEventLoop() {
    // The children go with the context; clearing the maps first keeps a task
    // that cancels from a destructor away from dangling pointers.
    timers_.clear();
    watches_.clear();
}

void QtEventLoop::post(Task task) {
    // Queued invocations on one receiver are delivered in the order posted.
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

TimerId QtEventLoop::schedule(Milliseconds delay, Task task) {
    const auto id = TimerId{nextId_++};
    auto* timer = new QTimer(context_.get());
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, context_.get(),
                     [this, id, timer, task = std::move(task)] {
                         timers_.erase(id);
                         // The task may schedule or cancel others; the timer
                         // itself goes only when control is back in Qt.
                         timer->deleteLater();
                         task();
                     });
    timers_.emplace(id, timer);
    timer->start(std::chrono::milliseconds(std::max<Milliseconds::rep>(delay.count(), 0)));
    return id;
}

void QtEventLoop::cancel(TimerId id) {
    auto found = timers_.find(id);
    if (found == timers_.end())
        return;
    found->second->stop();
    found->second->deleteLater();
    timers_.erase(found);
}

WatchId QtEventLoop::watchReadable(int fd, Task task) {
    const auto id = WatchId{nextId_++};
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, context_.get());
    QObject::connect(notifier, &QSocketNotifier::activated, context_.get(),
                     [task = std::move(task)] { task(); });
    watches_.emplace(id, notifier);
    return id;
}

void QtEventLoop::unwatch(WatchId id) {
    auto found = watches_.find(id);
    if (found == watches_.end())
        return;
    // Usually called from the notifier's own task (end of file): disable now,
    // delete once its signal has returned.
    found->second->setEnabled(false);
    found->second->deleteLater();
    watches_.erase(found);
}

TimePoint QtEventLoop::now() const {
    return std::chrono::steady_clock::now();
}

} // namespace norix
