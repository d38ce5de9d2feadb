#include "cli/ConsoleUi.h"

#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/TerminalText.h"
#include "platform/WindowMessages.h"

namespace cli {

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_endingSignal{0};
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void SetDisposition(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

extern "C" void OnEndingSignal(int signal) {
    int none = 0;
    g_endingSignal.compare_exchange_strong(none, signal);
    g_interrupted = true;
    // Asked once: a second Ctrl+C or SIGTERM ends the program at once; a hang-up and a closed
    // pipe come again with every write and are no new request.
    SetDisposition(SIGINT, SIG_DFL);
    SetDisposition(SIGTERM, SIG_DFL);
    SetDisposition(SIGHUP, SIG_IGN);
    SetDisposition(SIGPIPE, SIG_IGN);
}

struct Choice {
    int answer;
    const char* word;
    char key;
};

std::vector<Choice> ChoicesOf(int flags) {
    using namespace platform;
    switch (ButtonsOf(flags)) {
        case MB_OKCANCEL: return {{IDOK, "OK", 'o'}, {IDCANCEL, "Cancel", 'c'}};
        case MB_ABORTRETRYIGNORE: return {{IDABORT, "Abort", 'a'}, {IDRETRY, "Retry", 'r'}, {IDIGNORE, "Ignore", 'i'}};
        case MB_YESNOCANCEL: return {{IDYES, "Yes", 'y'}, {IDNO, "No", 'n'}, {IDCANCEL, "Cancel", 'c'}};
        case MB_YESNO: return {{IDYES, "Yes", 'y'}, {IDNO, "No", 'n'}};
        case MB_RETRYCANCEL: return {{IDRETRY, "Retry", 'r'}, {IDCANCEL, "Cancel", 'c'}};
        default: return {{IDOK, "OK", 'o'}};
    }
}

const char* WordOf(int answer, int flags) {
    for (const Choice& c : ChoicesOf(flags))
        if (c.answer == answer) return c.word;
    return "?";
}

void WriteError(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

// A window nobody looks at: it keeps its text, writes its lines to standard error when the
// Ui says so, and its button counts as pressed once Ctrl+C was hit.
class ConsoleProgress : public platform::ProgressWindow {
public:
    ConsoleProgress(ConsoleUi& ui, std::string buttonText) : ui_(ui), button_(std::move(buttonText)) {}
    ~ConsoleProgress() override { Close(); }

    void AppendText(const std::string& text) override {
        text_ += text;
        Echo();
    }
    void SetText(const std::string& text) override {
        text_ = text;
        echoed_ = 0;
        Echo();
    }
    std::string Text() const override { return text_; }
    void SetButtonText(const std::string& text) override { button_ = text; }
    void EnableButton(bool) override {}
    bool ButtonPressed() const override { return Interrupted() && !pressedReset_; }
    void ResetButton() override { pressedReset_ = Interrupted(); }
    void Close() override {
        if (!open_) return;
        open_ = false;
        // What is left without a line end still belongs to the record.
        if (ui_.EchoProgress() && echoed_ < text_.size()) {
            const std::string rest = ToTerminal(text_.substr(echoed_));
            if (!rest.empty()) WriteError(rest + "\n");
        }
        echoed_ = text_.size();
        ui_.KeepProgressText(text_);
    }
    bool IsOpen() const override { return open_; }
    bool IsWatched() const override { return false; }

private:
    // Writes the complete lines not written yet.
    void Echo() {
        if (!ui_.EchoProgress()) return;
        const size_t end = text_.find_last_of('\n');
        if (end == std::string::npos || end + 1 <= echoed_) return;
        const std::string lines = ToTerminal(text_.substr(echoed_, end + 1 - echoed_));
        echoed_ = end + 1;
        if (!lines.empty()) WriteError(lines + "\n");
    }

    ConsoleUi& ui_;
    std::string button_;
    std::string text_;
    size_t echoed_ = 0;
    bool open_ = true;
    bool pressedReset_ = false;
};

}  // namespace

void InstallInterruptHandler() {
    for (int signal : kEndingSignals) SetDisposition(signal, OnEndingSignal);
}
bool Interrupted() { return g_interrupted.load(); }
int EndingSignal() { return g_endingSignal.load(); }
const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        case SIGPIPE: return "SIGPIPE";
        default: return "a signal";
    }
}
void ClearInterrupt() {
    g_interrupted = false;
    g_endingSignal = 0;
}

ConsoleUi::ConsoleUi() { platform::SetUi(this); }
ConsoleUi::~ConsoleUi() { platform::SetUi(nullptr); }

void ConsoleUi::AnswerQuestion(const std::string& match, int answer, const std::string& reason) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({match, answer, reason});
}

std::string ConsoleUi::LastProgressText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastProgress_;
}

void ConsoleUi::KeepProgressText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    lastProgress_ = text;
}

int ConsoleUi::MessageBox(const std::string& text, const std::string&, int flags) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteError(ToTerminal(text) + "\n");
    if (platform::ButtonsOf(flags) == platform::MB_OK) return platform::IDOK;

    int answer = 0;
    std::string why;
    for (const GivenAnswer& given : answers_)
        if (text.find(given.match) != std::string::npos) {
            answer = given.answer;
            why = given.reason;
        }
    if (answer == 0 && yes_) {
        for (const Choice& c : ChoicesOf(flags))
            if (c.answer == platform::IDYES || c.answer == platform::IDOK) answer = c.answer;
        why = "--yes";
    }
    if (answer == 0 && interactive_) return AskOnTerminal(flags);
    if (answer == 0) {
        answer = platform::DefaultAnswer(flags);
        why = "the default answer: no terminal to ask; --yes answers Yes";
    }
    WriteError(std::string("-> ") + WordOf(answer, flags) + (why.empty() ? "" : " (" + why + ")") + "\n");
    return answer;
}

int ConsoleUi::AskOnTerminal(int flags) {
    const std::vector<Choice> choices = ChoicesOf(flags);
    const int fallback = platform::DefaultAnswer(flags);
    std::string prompt = "[";
    for (size_t i = 0; i < choices.size(); ++i) {
        if (i) prompt += "/";
        prompt += choices[i].answer == fallback ? static_cast<char>(std::toupper(choices[i].key)) : choices[i].key;
    }
    prompt += "] ";
    for (int attempt = 0; attempt < 5; ++attempt) {
        WriteError(prompt);
        std::string line;
        if (!std::getline(std::cin, line)) break;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (line.empty()) return fallback;
        const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        for (const Choice& c : choices)
            if (c.key == key) return c.answer;
    }
    WriteError(std::string("-> ") + WordOf(fallback, flags) + "\n");
    return fallback;
}

void ConsoleUi::PumpMessages() { platform::MessageDispatcher::Instance().DeliverPending(); }

std::unique_ptr<platform::ProgressWindow> ConsoleUi::CreateProgressWindow(const std::string&,
                                                                         const std::string& buttonText) {
    return std::make_unique<ConsoleProgress>(*this, buttonText);
}

int ConsoleUi::PickFromList(const std::string&, const std::string& prompt, const std::vector<std::string>& items) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteError(ToTerminal(prompt) + "\n");
    for (size_t i = 0; i < items.size(); ++i) WriteError("  " + std::to_string(i + 1) + ". " + ToUtf8(items[i]) + "\n");
    if (!interactive_) {
        WriteError("-> none (no terminal to ask)\n");
        return -1;
    }
    WriteError("Number (empty: none): ");
    std::string line;
    if (!std::getline(std::cin, line) || line.empty()) return -1;
    const int pick = std::atoi(line.c_str());
    return pick >= 1 && pick <= static_cast<int>(items.size()) ? pick - 1 : -1;
}

}  // namespace cli
