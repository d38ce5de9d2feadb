#include "fieldbus/WorkerNotice.h"

#include <deque>
#include <mutex>

#include "fieldbus/DeviceMessages.h"
#include "platform/WindowMessages.h"

namespace fieldbus {
namespace {

constexpr unsigned WM_WORKER_NOTICE = 0x4F0;

// Registered once with the dispatcher; each delivered notification shows the oldest text.
class WorkerNoticeTarget : public platform::MessageTarget {
public:
    WorkerNoticeTarget() : handle_(platform::MessageDispatcher::Instance().Register(this)) {}
    ~WorkerNoticeTarget() override { platform::MessageDispatcher::Instance().Unregister(handle_); }

    void Queue(const std::string& text, int flags) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.push_back({text, flags});
        }
        platform::PostMessage(handle_, WM_WORKER_NOTICE);
    }

    void OnMessage(unsigned msg, uintptr_t, intptr_t) override {
        if (msg != WM_WORKER_NOTICE) return;
        Notice notice;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (texts_.empty()) return;
            notice = texts_.front();
            texts_.pop_front();
        }
        platform::ShowMessage(notice.text, notice.flags);
    }

private:
    struct Notice {
        std::string text;
        int flags = 0;
    };
    std::mutex mutex_;
    std::deque<Notice> texts_;
    platform::WindowHandle handle_;
};

WorkerNoticeTarget& Target() {
    static WorkerNoticeTarget target;
    return target;
}

}  // namespace

void ShowErrorFromWorker(const std::string& text) { Target().Queue(text, platform::MB_OK | platform::MB_ICONSTOP); }

void ShowMessageFromWorker(const std::string& text, int flags) { Target().Queue(text, flags); }

}  // namespace fieldbus
