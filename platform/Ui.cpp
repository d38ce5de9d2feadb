#include "platform/Ui.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace platform {
namespace {

// Answers every question with its default button and shows nothing.
class SilentUi : public Ui {
public:
    int MessageBox(const std::string&, const std::string&, int flags) override { return DefaultAnswer(flags); }
    void Beep(unsigned, unsigned) override {}
    void PumpMessages() override {}
    bool IsKeyDown(Key) override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::unique_ptr<ProgressWindow> CreateProgressWindow(const std::string&, const std::string&) override {
        return std::make_unique<SilentProgress>();
    }
    int PickFromList(const std::string&, const std::string&, const std::vector<std::string>&) override { return -1; }

private:
    class SilentProgress : public ProgressWindow {
    public:
        void AppendText(const std::string& t) override { text_ += t; }
        void SetText(const std::string& t) override { text_ = t; }
        std::string Text() const override { return text_; }
        void SetButtonText(const std::string&) override {}
        void EnableButton(bool) override {}
        bool ButtonPressed() const override { return false; }
        void ResetButton() override {}
        void Close() override { open_ = false; }
        bool IsOpen() const override { return open_; }

    private:
        std::string text_;
        bool open_ = true;
    };
};

SilentUi g_silent;
std::atomic<Ui*> g_ui{nullptr};
std::mutex g_captionMutex;
std::string g_caption = "Tessaro";

}  // namespace

Ui& GetUi() {
    Ui* ui = g_ui.load();
    return ui ? *ui : g_silent;
}

void SetUi(Ui* ui) { g_ui.store(ui); }

void SetAppCaption(const std::string& caption) {
    std::lock_guard<std::mutex> lock(g_captionMutex);
    g_caption = caption;
}

std::string AppCaption() {
    std::lock_guard<std::mutex> lock(g_captionMutex);
    return g_caption;
}

int ShowMessage(const std::string& text, int flags) { return GetUi().MessageBox(text, AppCaption(), flags); }

int DefaultAnswer(int flags) {
    static const std::vector<std::vector<int>> answers = {
        {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO}, {IDRETRY, IDCANCEL},
    };
    const int set = ButtonsOf(flags);
    const auto& list = set < static_cast<int>(answers.size()) ? answers[set] : answers[0];
    size_t index = static_cast<size_t>(DefaultOf(flags) >> 8);
    if (index >= list.size()) index = 0;
    return list[index];
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    return out;
}

}  // namespace platform
