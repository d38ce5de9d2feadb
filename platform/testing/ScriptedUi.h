#pragma once
// A Ui for tests: records every message box and progress window, answers questions from a
// script, and fails the running test when a question arrives that the script did not expect,
// or when any box is shown by another thread than the one that made the Ui (a worker thread
// must never show a window).
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Ui.h"

namespace platform::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
    int buttons = 0;
    int icon = 0;
    int defaultButton = 0;
    int answer = 0;
};

// What a progress window went through; stays readable after the window was destroyed.
struct ProgressRecord {
    std::string caption;
    std::string buttonText;
    std::string text;
    bool closed = false;
    bool buttonEnabled = true;
    bool buttonPressed = false;
    // When > 0 the button counts as pressed once the text was appended to this many times.
    int pressAfterAppends = 0;
    int appends = 0;
};

class ScriptedUi : public Ui {
public:
    ScriptedUi();  // installs itself as the process Ui
    ~ScriptedUi() override;  // restores the silent default; fails when scripted answers are left

    // Queues the answer to the next question (a box with more than an OK button).
    // `expectedText`, when not empty, must be contained in the question's text.
    ScriptedUi& Answer(int answer, const std::string& expectedText = {});
    // Queues the choice for the next pick list (index, or -1 for no pick).
    ScriptedUi& Pick(int index);
    // Plain OK boxes need no script; they are answered IDOK.
    void SetKeyDown(Key key, bool down);
    // Makes the next progress window's button count as pressed after `appends` text appends.
    void PressProgressButtonAfter(int appends);
    // Behaves like a real event loop: posted window messages are delivered whenever messages
    // are pumped and while a message box is up (before its answer returns).
    void DeliverPostedMessages(bool on) { deliver_ = on; }

    const std::vector<ShownMessage>& Messages() const { return messages_; }
    std::vector<std::string> Texts() const;
    const ShownMessage& Last() const;
    size_t PendingAnswers() const { return answers_.size(); }
    void Clear();
    const std::vector<std::shared_ptr<ProgressRecord>>& Progress() const { return progress_; }
    // The item lists offered by pick lists, in order.
    const std::vector<std::vector<std::string>>& PickLists() const { return pickLists_; }
    int Beeps() const { return beeps_; }
    int PumpCount() const { return pumps_; }
    int WaitCursorDepth() const { return waitDepth_; }

    int MessageBox(const std::string& text, const std::string& caption, int flags) override;
    void Beep(unsigned hz, unsigned ms) override;
    void PumpMessages() override;
    bool IsKeyDown(Key key) override;
    void BeginWaitCursor() override { ++waitDepth_; }
    void EndWaitCursor() override { --waitDepth_; }
    std::unique_ptr<ProgressWindow> CreateProgressWindow(const std::string& caption,
                                                         const std::string& buttonText) override;
    int PickFromList(const std::string& caption, const std::string& prompt,
                     const std::vector<std::string>& items) override;

private:
    std::deque<int> picks_;
    std::vector<std::vector<std::string>> pickLists_;
    struct Scripted {
        int answer;
        std::string expectedText;
    };
    std::vector<ShownMessage> messages_;
    std::deque<Scripted> answers_;
    std::vector<std::shared_ptr<ProgressRecord>> progress_;
    bool shift_ = false, control_ = false, escape_ = false, f_ = false;
    int nextPressAfter_ = 0;
    bool deliver_ = false;
    std::thread::id uiThread_ = std::this_thread::get_id();
    int beeps_ = 0;
    int pumps_ = 0;
    int waitDepth_ = 0;
};

}  // namespace platform::testing
