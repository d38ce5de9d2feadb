#include "platform/ui/QtBackgroundJob.h"

#include <QMetaObject>

namespace platform {

QtBackgroundJob::~QtBackgroundJob() { Stop(); }

bool QtBackgroundJob::Start(std::function<void()> work, std::function<void()> done) {
    if (busy_ || stopping_) return false;
    if (thread_.joinable()) thread_.join();  // the last job has ended: its completion ran
    busy_ = true;
    // The context outlives the thread (its owner stops the job before it goes); a completion
    // still queued when the context is destroyed is dropped with it.
    thread_ = std::thread([this, work = std::move(work), done = std::move(done)] {
        work();
        QMetaObject::invokeMethod(
            context_,
            [this, done] {
                busy_ = false;
                if (!stopping_ && done) done();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void QtBackgroundJob::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

}  // namespace platform
