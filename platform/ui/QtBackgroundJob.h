#pragma once
// Bus work of a modeless window: one job at a time runs on a worker thread while the window
// keeps serving its events; when it ends, its completion runs on the window's thread. A
// window that closes asks the job to stop (Stopping()) and waits for it; completions of a
// window that is gone are dropped.
#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

namespace platform {

class QtBackgroundJob {
public:
    // `context`: the object whose thread runs the completions (the window).
    explicit QtBackgroundJob(QObject* context) : context_(context) {}
    ~QtBackgroundJob();
    QtBackgroundJob(const QtBackgroundJob&) = delete;
    QtBackgroundJob& operator=(const QtBackgroundJob&) = delete;

    // Starts `work` unless a job runs (false then); `done` follows on the context's thread.
    bool Start(std::function<void()> work, std::function<void()> done);
    bool Busy() const { return busy_; }
    // Set while the owner is closing: long work checks it between its bus calls.
    const std::atomic<bool>& Stopping() const { return stopping_; }
    // Asks the job to stop and waits for it (its completion is not run).
    void Stop();

private:
    QObject* context_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    bool busy_ = false;  // context thread only
};

}  // namespace platform
