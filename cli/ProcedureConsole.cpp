#include "cli/ProcedureConsole.h"

#include "calibration/RunProcedure.h"
#include "cli/ConsoleUi.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/TypedValues.h"

namespace cli {

namespace {

// The dialog's own reminder to look at Ctrl+C, delivered whenever the procedure pumps messages.
constexpr unsigned kLookForInterrupt = platform::WM_USER + 0x3F0;

// A progress dialog nobody sees: its text and every tenth of the way as progress lines, and
// Ctrl+C as its "Cancel" (which sets the cancel flag and closes it).
class ConsoleProcedureDialog : public calibration::ProcedureDialog, public platform::MessageTarget {
public:
    ConsoleProcedureDialog(Context& ctx, std::string action, bool& cancel, bool& cancelled)
        : ctx_(ctx), action_(std::move(action)), cancel_(cancel), cancelled_(cancelled) {
        handle_ = platform::MessageDispatcher::Instance().Register(this);
        ctx_.Progress(action_ + " (Ctrl+C cancels)");
        platform::PostMessage(handle_, kLookForInterrupt);
    }
    ~ConsoleProcedureDialog() override { platform::MessageDispatcher::Instance().Unregister(handle_); }

    platform::WindowHandle Handle() const override { return handle_; }
    void Close() override {}

    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t) override {
        if (msg == calibration::WM_PROCEDURE_PROGRESS) {
            const int percent = static_cast<int>(wParam);
            if (percent / 10 > shown_ / 10) {
                shown_ = percent;
                ctx_.Progress(action_ + " " + std::to_string(percent) + " %");
            }
        } else if (msg == kLookForInterrupt && !cancel_) {
            if (Interrupted()) {
                cancel_ = true;
                cancelled_ = true;
                ctx_.Progress("Cancel: the procedure is told to stop ...");
            } else {
                platform::PostMessage(handle_, kLookForInterrupt);
            }
        }
    }

private:
    Context& ctx_;
    std::string action_;
    bool& cancel_;
    bool& cancelled_;
    platform::WindowHandle handle_ = 0;
    int shown_ = 0;
};

bool IsStepFailure(const std::string& text) {
    for (const char* failure : {calibration::kWriteExecFailed, calibration::kReadResultFailed,
                                calibration::kReadExecFailed, calibration::kWriteCancelFailed,
                                calibration::kProcedureTimedOut})
        if (text == failure) return true;
    return false;
}

}  // namespace

std::unique_ptr<calibration::ProcedureDialog> ConsoleProcedureDialogs::OpenProgressCancel(const std::string& action,
                                                                                          bool& cancel) {
    opened_ = true;
    return std::make_unique<ConsoleProcedureDialog>(ctx_, action, cancel, cancelled_);
}

std::unique_ptr<calibration::ProcedureDialog> ConsoleProcedureDialogs::OpenConfirmCancel(
    const std::string&, const std::string&, const std::string&, const std::string&, bool&, bool&) {
    return nullptr;
}

QuestionRecord::QuestionRecord(platform::Ui& inner) : inner_(inner) { platform::SetUi(this); }
QuestionRecord::~QuestionRecord() { platform::SetUi(&inner_); }

int QuestionRecord::MessageBox(const std::string& text, const std::string& caption, int flags) {
    const int answer = inner_.MessageBox(text, caption, flags);
    if (platform::ButtonsOf(flags) != platform::MB_OK && answer != platform::IDYES && answer != platform::IDOK)
        declined_ = true;
    return answer;
}

ProcedureVerdict JudgeProcedure(fieldbus::DeviceAccess& device, const std::string& resultText, bool cancelled) {
    ProcedureVerdict verdict;
    if (IsStepFailure(resultText)) return verdict;
    uint8_t code = 0;
    if (fieldbus::ReadTypedValue(device, device.BlockOf(fieldbus::BlockKind::TB), "AUTO_TUNE_RESULT", code,
                                 fieldbus::Wire::U8) != 0)
        return verdict;
    verdict.code = code;
    if (!cancelled && ResultKind(code) != "error") verdict.exitStatus = 0;
    return verdict;
}

std::string ResultKind(int code) {
    if (code == 1) return "success";
    if (code == 2) return "cancelled";
    if (code >= 21 && code <= 99) return "warning";
    return "error";
}

}  // namespace cli
