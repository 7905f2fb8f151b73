#include "gui/app/QtBackgroundQueue.h"

#include <QMetaObject>

namespace norix {

QtBackgroundQueue::QtBackgroundQueue() : context_(std::make_unique<QObject>()) {
    // One thread: jobs run in the order given, like a serial queue.
    pool_.setMaxThreadCount(1);
}

QtBackgroundQueue::~QtBackgroundQueue() {
    // Queued closes still run: a descriptor is never left open.
    pool_.waitForDone();
}

void QtBackgroundQueue::run(Task work, Task done) {
    QObject* context = context_.get();
    pool_.start([context, work = std::move(work), done = std::move(done)]() mutable {
        work();
        // Delivered on the context's (the loop's) thread; dropped if it is gone.
        QMetaObject::invokeMethod(context, std::move(done), Qt::QueuedConnection);
    });
}

} // namespace norix
