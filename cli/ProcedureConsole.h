#pragma once
// Device procedures (stop finding, auto tune, self check) run from a terminal: their progress
// dialogs become progress lines on standard error and Ctrl+C is their "Cancel"; the answers
// to the questions on the way are kept, so that a verb tells "declined" from "failed".
#include <cstdint>
#include <memory>
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "cli/Context.h"
#include "fieldbus/DeviceAccess.h"
#include "platform/Ui.h"

namespace cli {

class ConsoleProcedureDialogs : public calibration::ProcedureDialogs {
public:
    explicit ConsoleProcedureDialogs(Context& ctx) : ctx_(ctx) {}

    std::unique_ptr<calibration::ProcedureDialog> OpenProgressCancel(const std::string& action, bool& cancel) override;
    // Confirming each stop by hand is not offered on a terminal: nullptr.
    std::unique_ptr<calibration::ProcedureDialog> OpenConfirmCancel(const std::string& action,
                                                                    const std::string& instruction,
                                                                    const std::string& firstCaption,
                                                                    const std::string& secondCaption, bool& cancel,
                                                                    bool& confirm) override;
    void EnableParent(bool) override {}

    bool Opened() const { return opened_; }        // a procedure was started
    bool Cancelled() const { return cancelled_; }  // Ctrl+C cancelled it

private:
    Context& ctx_;
    bool opened_ = false;
    bool cancelled_ = false;
};

// While it lives, the questions of the logic go through it to the console Ui, and it notes
// whether one of them was answered No.
class QuestionRecord : public platform::Ui {
public:
    explicit QuestionRecord(platform::Ui& inner);
    ~QuestionRecord() override;
    QuestionRecord(const QuestionRecord&) = delete;
    QuestionRecord& operator=(const QuestionRecord&) = delete;

    bool Declined() const { return declined_; }

    int MessageBox(const std::string& text, const std::string& caption, int flags) override;
    void Beep(unsigned hz, unsigned ms) override { inner_.Beep(hz, ms); }
    void PumpMessages() override { inner_.PumpMessages(); }
    bool IsKeyDown(platform::Key key) override { return inner_.IsKeyDown(key); }
    void BeginWaitCursor() override { inner_.BeginWaitCursor(); }
    void EndWaitCursor() override { inner_.EndWaitCursor(); }
    std::unique_ptr<platform::ProgressWindow> CreateProgressWindow(const std::string& caption,
                                                                   const std::string& buttonText) override {
        return inner_.CreateProgressWindow(caption, buttonText);
    }
    int PickFromList(const std::string& caption, const std::string& prompt,
                     const std::vector<std::string>& items) override {
        return inner_.PickFromList(caption, prompt, items);
    }

private:
    platform::Ui& inner_;
    bool declined_ = false;
};

// The outcome of a procedure run through AUTO_TUNE_EXEC, by the result text it left and the
// code the device reports afterwards.
struct ProcedureVerdict {
    int exitStatus = 1;  // 0: success or a warning (codes 1, 21-99); 1: failed or cancelled
    int code = -1;       // AUTO_TUNE_RESULT, -1 when not read
};
ProcedureVerdict JudgeProcedure(fieldbus::DeviceAccess& device, const std::string& resultText, bool cancelled);

// What the device's AUTO_TUNE_RESULT code means: "success", "cancelled", "warning" or "error".
std::string ResultKind(int code);

}  // namespace cli
