#pragma once
// Window messages: any thread posts to a registered target; the messages are delivered
// later on the user-interface thread. Posting to a closed (unregistered) target is dropped.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace platform {

using WindowHandle = uint32_t;  // 0 is never a valid handle
constexpr unsigned WM_USER = 0x400;

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) = 0;
};

class MessageDispatcher {
public:
    static MessageDispatcher& Instance();

    WindowHandle Register(MessageTarget* target);
    // Removes the target and drops its undelivered messages.
    void Unregister(WindowHandle handle);
    bool IsRegistered(WindowHandle handle) const;

    // Thread-safe. Returns false when the target is not registered (message dropped).
    bool PostMessage(WindowHandle handle, unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0);

    // Delivers the queued messages in order; call on the user-interface thread.
    // Returns the number delivered. Messages posted while delivering wait for the next call.
    size_t DeliverPending();
    size_t PendingCount() const;

    // Called (from the posting thread) after a post; the Qt adapter uses it to schedule
    // DeliverPending on the user-interface thread.
    void SetWakeup(std::function<void()> wakeup);

private:
    struct Posted {
        WindowHandle handle;
        unsigned msg;
        uintptr_t wParam;
        intptr_t lParam;
    };
    mutable std::mutex mutex_;
    std::unordered_map<WindowHandle, MessageTarget*> targets_;
    std::deque<Posted> queue_;
    WindowHandle next_ = 1;
    std::function<void()> wakeup_;
};

inline bool PostMessage(WindowHandle handle, unsigned msg, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return MessageDispatcher::Instance().PostMessage(handle, msg, wParam, lParam);
}

}  // namespace platform
