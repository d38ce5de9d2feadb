#pragma once
// A mutex whose lock can wait with a limit (try_lock_until), built on a plain mutex and a
// condition variable. std::timed_mutex waits through a call the thread checker does not
// follow, so every timed lock looked to it like an unlock of an unlocked mutex; this one
// is seen whole. Meets the standard's TimedLockable: std::unique_lock works with it.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class TimedMutex {
public:
    void lock() {
        std::unique_lock<std::mutex> l(m_);
        free_.wait(l, [this] { return !held_; });
        held_ = true;
    }
    bool try_lock() {
        std::lock_guard<std::mutex> l(m_);
        if (held_) return false;
        held_ = true;
        return true;
    }
    template <typename Clock, typename Duration>
    bool try_lock_until(const std::chrono::time_point<Clock, Duration>& deadline) {
        std::unique_lock<std::mutex> l(m_);
        if (!free_.wait_until(l, deadline, [this] { return !held_; })) return false;
        held_ = true;
        return true;
    }
    template <typename Rep, typename Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& wait) {
        return try_lock_until(std::chrono::steady_clock::now() + wait);
    }
    void unlock() {
        {
            std::lock_guard<std::mutex> l(m_);
            held_ = false;
        }
        free_.notify_one();
    }

private:
    std::mutex m_;
    std::condition_variable free_;
    bool held_ = false;
};

}  // namespace platform
