#pragma once
// The app's BackgroundQueue: one worker thread that takes jobs in order, and
// hands each job's follow-up back to the Qt event loop. Destroying it waits
// for every job given, and drops the follow-ups that have not run yet.

#include "core/loop/BackgroundQueue.h"

#include <QObject>
#include <QThreadPool>
#include <memory>

namespace norix {

class QtBackgroundQueue : public BackgroundQueue {
public:
    QtBackgroundQueue();
    ~QtBackgroundQueue() override;
    QtBackgroundQueue(const QtBackgroundQueue&) = delete;
    QtBackgroundQueue& operator=(const QtBackgroundQueue&) = delete;

    void run(Task work, Task done) override;

private:
    QThreadPool pool_;
    // Receives the follow-ups on the loop's thread.
    std::unique_ptr<QObject> context_;
};

} // namespace norix
