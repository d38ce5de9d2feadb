#include "platform/WindowMessages.h"

namespace platform {

MessageDispatcher& MessageDispatcher::Instance() {
    static MessageDispatcher instance;
    return instance;
}

WindowHandle MessageDispatcher::Register(MessageTarget* target) {
    std::lock_guard<std::mutex> lock(mutex_);
    WindowHandle handle = next_++;
    if (next_ == 0) next_ = 1;
    targets_[handle] = target;
    return handle;
}

void MessageDispatcher::Unregister(WindowHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    targets_.erase(handle);
    std::erase_if(queue_, [handle](const Posted& p) { return p.handle == handle; });
}

bool MessageDispatcher::IsRegistered(WindowHandle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return targets_.count(handle) != 0;
}

bool MessageDispatcher::PostMessage(WindowHandle handle, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (targets_.count(handle) == 0) return false;
        queue_.push_back({handle, msg, wParam, lParam});
        wakeup = wakeup_;
    }
    if (wakeup) wakeup();
    return true;
}

size_t MessageDispatcher::DeliverPending() {
    size_t budget;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        budget = queue_.size();
    }
    size_t delivered = 0;
    while (budget-- > 0) {
        Posted p;
        MessageTarget* target = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) break;
            p = queue_.front();
            queue_.pop_front();
            auto it = targets_.find(p.handle);
            if (it == targets_.end()) continue;
            target = it->second;
        }
        // Delivered without the lock held: the target may post or unregister while handling.
        target->OnMessage(p.msg, p.wParam, p.lParam);
        ++delivered;
    }
    return delivered;
}

size_t MessageDispatcher::PendingCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

void MessageDispatcher::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeup_ = std::move(wakeup);
}

}  // namespace platform
