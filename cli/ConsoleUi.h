#pragma once
// The user-interface port on a terminal. Message boxes are written to standard error with
// their own texts. A question is answered Yes by --yes; otherwise it is asked on the
// terminal, and without a terminal it takes the box's default button (what Enter does in the
// program), which for every warning is No. Progress windows have nobody watching them: their
// lines go to standard error only when asked for, their Cancel is Ctrl+C, and the pauses
// that let a reader see the outcome are skipped.
#include <functional>
#include <mutex>
#include <string>

#include "platform/Ui.h"

namespace cli {

// The signals that end a command the way scripts end one: Ctrl+C (SIGINT), `timeout` and
// service managers (SIGTERM), a closed terminal (SIGHUP) and a reader that went away (SIGPIPE,
// `| head`). The first of them asks the running work to stop as the window's Cancel would (a
// progress window's Cancel, the end of a watch or a recording), so that what a verb changed
// on a device is put back and what it recorded is saved; no new device is opened after it. A
// second SIGINT or SIGTERM ends the program at once; a hang-up or a closed pipe repeats by
// itself and is ignored from then on.
void InstallInterruptHandler();
bool Interrupted();
// The signal that asked the work to stop, 0 when none did.
int EndingSignal();
// Its name ("SIGTERM"), for messages.
const char* SignalName(int signal);
void ClearInterrupt();

class ConsoleUi : public platform::Ui {
public:
    ConsoleUi();  // installs itself as the process Ui
    ~ConsoleUi() override;
    ConsoleUi(const ConsoleUi&) = delete;
    ConsoleUi& operator=(const ConsoleUi&) = delete;

    void SetAnswerYes(bool yes) { yes_ = yes; }
    // Progress window lines on standard error.
    void SetEchoProgress(bool echo) { echo_ = echo; }
    bool EchoProgress() const { return echo_; }
    // Whether questions can be asked on a terminal (standard input and error are terminals).
    void SetInteractive(bool interactive) { interactive_ = interactive; }
    // A verb's own answer to questions whose text contains `match` (IDYES, IDNO, ...);
    // `reason` is shown with it.
    void AnswerQuestion(const std::string& match, int answer, const std::string& reason);
    // The text of the last progress window, as it stood when it closed.
    std::string LastProgressText() const;

    int MessageBox(const std::string& text, const std::string& caption, int flags) override;
    void Beep(unsigned, unsigned) override {}
    void PumpMessages() override;
    bool IsKeyDown(platform::Key) override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::unique_ptr<platform::ProgressWindow> CreateProgressWindow(const std::string& caption,
                                                                   const std::string& buttonText) override;
    int PickFromList(const std::string& caption, const std::string& prompt,
                     const std::vector<std::string>& items) override;

    // Called by a progress window as it goes.
    void KeepProgressText(const std::string& text);

private:
    int AskOnTerminal(int flags);

    mutable std::mutex mutex_;
    bool yes_ = false;
    bool echo_ = false;
    bool interactive_ = false;
    struct GivenAnswer {
        std::string match;
        int answer;
        std::string reason;
    };
    std::vector<GivenAnswer> answers_;
    std::string lastProgress_;
};

}  // namespace cli
