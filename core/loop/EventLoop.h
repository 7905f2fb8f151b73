#pragma once
// The one loop that drives the application, the CLI and the simulator. Every
// piece of state is touched only from tasks run by this loop, so no locks are
// needed. The app maps it onto Qt, the CLI onto poll(2), and tests onto a
// virtual clock (ManualEventLoop).

#include <chrono>
#include <cstdint>
#include <functional>

namespace norix {

using Task = std::function<void()>;
using Milliseconds = std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

enum class TimerId : std::uint64_t { none = 0 };
enum class WatchId : std::uint64_t { none = 0 };

class EventLoop {
public:
    virtual ~EventLoop() = default;

    // Runs the task soon, after the current task, in order of posting.
    virtual void post(Task task) = 0;
    // Runs the task once after the delay; cancel() before it fires drops it.
    virtual TimerId schedule(Milliseconds delay, Task task) = 0;
    // Cancelling an unknown or already fired timer is harmless.
    virtual void cancel(TimerId id) = 0;
    // Calls the task each time the descriptor is readable (or at end of file / error).
    virtual WatchId watchReadable(int fd, Task task) = 0;
    virtual void unwatch(WatchId id) = 0;
    virtual TimePoint now() const = 0;
};

// Owns one scheduled timer: cancels it on reassignment and destruction, so an
// object that arms time-outs can never be called back after it is gone.
class ScopedTimer {
public:
    explicit ScopedTimer(EventLoop& loop) : loop_(&loop) {}
    ~ScopedTimer() { cancel(); }
    ScopedTimer(const ScopedTimer&) = delete;
    ScopedTimer& operator=(const ScopedTimer&) = delete;

    void start(Milliseconds delay, Task task) {
        cancel();
        id_ = loop_->schedule(delay, [this, task = std::move(task)] {
            id_ = TimerId::none;
            task();
        });
    }
    void cancel() {
        if (id_ != TimerId::none)
            loop_->cancel(id_);
        id_ = TimerId::none;
    }
    bool isActive() const { return id_ != TimerId::none; }

private:
    EventLoop* loop_;
    TimerId id_ = TimerId::none;
};

// Owns one descriptor watch; unwatches on reset and destruction.
class ScopedWatch {
public:
    explicit ScopedWatch(EventLoop& loop) : loop_(&loop) {}
    ~ScopedWatch() { reset(); }
    ScopedWatch(const ScopedWatch&) = delete;
    ScopedWatch& operator=(const ScopedWatch&) = delete;

    void watch(int fd, Task task) {
        reset();
        id_ = loop_->watchReadable(fd, std::move(task));
    }
    void reset() {
        if (id_ != WatchId::none)
            loop_->unwatch(id_);
        id_ = WatchId::none;
    }
    bool isActive() const { return id_ != WatchId::none; }

private:
    EventLoop* loop_;
    WatchId id_ = WatchId::none;
};

} // namespace norix
