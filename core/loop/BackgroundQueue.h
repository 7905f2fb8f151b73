#pragma once
// Work that may block for a while (listing the device folder, closing a serial
// device whose driver drains slowly) runs away from the loop so that the
// windows on it stay live; what follows runs as a task on the loop again.

#include "core/loop/EventLoop.h"

namespace norix {

class BackgroundQueue {
public:
    virtual ~BackgroundQueue() = default;
    // `work` runs on another thread, one job at a time in the order given, and
    // must touch nothing that the loop's tasks touch; `done` then runs on the loop.
    virtual void run(Task work, Task done) = 0;
};

} // namespace norix
