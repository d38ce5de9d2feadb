#include "platform/testing/ScriptedUi.h"

#include <gtest/gtest.h>

#include "platform/WindowMessages.h"

namespace platform::testing {
namespace {

class ScriptedProgress : public ProgressWindow {
public:
    explicit ScriptedProgress(std::shared_ptr<ProgressRecord> record) : r_(std::move(record)) {}
    void AppendText(const std::string& text) override {
        r_->text += text;
        ++r_->appends;
        if (r_->pressAfterAppends > 0 && r_->appends >= r_->pressAfterAppends) r_->buttonPressed = true;
    }
    void SetText(const std::string& text) override { r_->text = text; }
    std::string Text() const override { return r_->text; }
    void SetButtonText(const std::string& text) override { r_->buttonText = text; }
    void EnableButton(bool enable) override { r_->buttonEnabled = enable; }
    bool ButtonPressed() const override { return r_->buttonPressed; }
    // A scripted press that is still to come stays scripted.
    void ResetButton() override { r_->buttonPressed = false; }
    void Close() override { r_->closed = true; }
    bool IsOpen() const override { return !r_->closed; }

private:
    std::shared_ptr<ProgressRecord> r_;
};

}  // namespace

ScriptedUi::ScriptedUi() { SetUi(this); }

ScriptedUi::~ScriptedUi() {
    SetUi(nullptr);
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) were never asked for";
    EXPECT_TRUE(picks_.empty()) << picks_.size() << " scripted pick(s) were never asked for";
}

ScriptedUi& ScriptedUi::Pick(int index) {
    picks_.push_back(index);
    return *this;
}

int ScriptedUi::PickFromList(const std::string&, const std::string& prompt, const std::vector<std::string>& items) {
    pickLists_.push_back(items);
    if (picks_.empty()) {
        ADD_FAILURE() << "Unexpected pick list: \"" << prompt << "\"";
        return -1;
    }
    int index = picks_.front();
    picks_.pop_front();
    return index;
}

ScriptedUi& ScriptedUi::Answer(int answer, const std::string& expectedText) {
    answers_.push_back({answer, expectedText});
    return *this;
}

void ScriptedUi::SetKeyDown(Key key, bool down) {
    switch (key) {
        case Key::Shift: shift_ = down; break;
        case Key::Control: control_ = down; break;
        case Key::Escape: escape_ = down; break;
        case Key::F: f_ = down; break;
    }
}

void ScriptedUi::PressProgressButtonAfter(int appends) { nextPressAfter_ = appends; }

std::vector<std::string> ScriptedUi::Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages_) texts.push_back(m.text);
    return texts;
}

const ShownMessage& ScriptedUi::Last() const {
    static const ShownMessage none;
    return messages_.empty() ? none : messages_.back();
}

void ScriptedUi::Clear() {
    messages_.clear();
    progress_.clear();
}

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, int flags) {
    if (std::this_thread::get_id() != uiThread_) {
        ADD_FAILURE() << "A worker thread showed a message box: \"" << text << "\"";
        return DefaultAnswer(flags);
    }
    ShownMessage m{text, caption, ButtonsOf(flags), IconOf(flags), DefaultOf(flags), IDOK};
    if (ButtonsOf(flags) == MB_OK) {
        m.answer = IDOK;
    } else if (answers_.empty()) {
        ADD_FAILURE() << "Unexpected question: \"" << text << "\"";
        m.answer = DefaultAnswer(flags);
    } else {
        Scripted next = answers_.front();
        answers_.pop_front();
        if (!next.expectedText.empty() && text.find(next.expectedText) == std::string::npos)
            ADD_FAILURE() << "Question \"" << text << "\" does not contain \"" << next.expectedText << "\"";
        m.answer = next.answer;
    }
    messages_.push_back(m);
    if (deliver_) MessageDispatcher::Instance().DeliverPending();
    return m.answer;
}

void ScriptedUi::Beep(unsigned, unsigned) { ++beeps_; }
void ScriptedUi::PumpMessages() {
    ++pumps_;
    if (deliver_) MessageDispatcher::Instance().DeliverPending();
}

bool ScriptedUi::IsKeyDown(Key key) {
    switch (key) {
        case Key::Shift: return shift_;
        case Key::Control: return control_;
        case Key::Escape: return escape_;
        case Key::F: return f_;
    }
    return false;
}

std::unique_ptr<ProgressWindow> ScriptedUi::CreateProgressWindow(const std::string& caption,
                                                                 const std::string& buttonText) {
    auto record = std::make_shared<ProgressRecord>();
    record->caption = caption;
    record->buttonText = buttonText;
    record->pressAfterAppends = nextPressAfter_;
    nextPressAfter_ = 0;
    progress_.push_back(record);
    return std::make_unique<ScriptedProgress>(record);
}

}  // namespace platform::testing
