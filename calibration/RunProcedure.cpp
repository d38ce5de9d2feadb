#include "calibration/RunProcedure.h"

#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace calibration {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;
using fieldbus::Wire;

namespace {

// The step of the waits between reads; messages are pumped at every step.
constexpr uint32_t kPumpStepMs = 10;

int Tb(DeviceAccess& device) { return device.BlockOf(BlockKind::TB); }

int WriteExec(DeviceAccess& device, uint8_t command) {
    return fieldbus::WriteTypedValue(device, Tb(device), "AUTO_TUNE_EXEC", command, Wire::U8);
}

int ReadExec(DeviceAccess& device, uint8_t& value) {
    return fieldbus::ReadTypedValue(device, Tb(device), "AUTO_TUNE_EXEC", value, Wire::U8);
}

// The code of AUTO_TUNE_RESULT and its label.
int ReadResult(DeviceAccess& device, uint8_t& code, std::string& text) {
    if (fieldbus::ReadTypedValue(device, Tb(device), "AUTO_TUNE_RESULT", code, Wire::U8) != 0) return 1;
    return device.GetEnumText(Tb(device), "AUTO_TUNE_RESULT", text, code);
}

// Waits `ms` while the user-interface thread handles its messages (the dialogs' buttons);
// returns at once when `stop` becomes set.
void PacedWait(uint32_t ms, const bool& stop, const bool* alsoStop = nullptr) {
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        platform::GetUi().PumpMessages();
        if (stop || (alsoStop && *alsoStop)) return;
        if (clock.NowMs() - start >= ms) return;
        clock.SleepMs(kPumpStepMs);
    }
}

}  // namespace

int RunProcedure(DeviceAccess& device, uint8_t command, const bool& cancel, std::string& resultText,
                 platform::WindowHandle progressWindow, bool* confirm, uint8_t* resultCode) {
    resultText.clear();
    // Out of service without a question; when the device cannot be put there, nothing is written.
    if (device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) != 0 ||
        WriteExec(device, command) != 0) {
        resultText = kWriteExecFailed;
        return 1;
    }
    platform::Clock& clock = platform::GetClock();
    const uint64_t started = clock.NowMs();
    int lastProgress = 0;
    uint8_t code = kResultUnfinished;
    uint64_t lastAnswer = started;
    bool silent = false;
    while (!cancel) {
        uint8_t state = 0;
        uint8_t exec = 0;
        const bool stateRead = fieldbus::ReadTypedValue(device, Tb(device), "AUTO_TUNE_STATE", state, Wire::U8) == 0;
        if (stateRead && state != lastProgress) {
            lastProgress = state;
            platform::PostMessage(progressWindow, WM_PROCEDURE_PROGRESS, state);
        }
        if (ReadResult(device, code, resultText) != 0 || ReadExec(device, exec) != 0) {
            // The device runs its procedure on its own: a lost answer is waited out, and the
            // run ends with what the device reports once it answers again.
            const uint64_t quiet = clock.NowMs() - lastAnswer;
            if (quiet >= kProcedureLostLimitMs) {
                resultText = kProcedureDeviceLost;
                return 1;
            }
            silent = true;
            platform::PostMessage(progressWindow, WM_PROCEDURE_SILENT, static_cast<uintptr_t>(quiet / 1000 + 1));
            PacedWait(kProcedurePollMs, cancel);
            continue;
        }
        lastAnswer = clock.NowMs();
        if (silent) {
            silent = false;
            platform::PostMessage(progressWindow, WM_PROCEDURE_SILENT, 0);
        }
        // Finished only when both say so: a result and the command off again.
        if (code != kResultUnfinished && exec == kProcedureIdle) {
            if (resultCode) *resultCode = code;
            return 0;
        }
        if (clock.NowMs() - started >= kProcedureLimitMs) {
            WriteExec(device, kCancelProcedure);
            resultText = kProcedureTimedOut;
            return 1;
        }
        PacedWait(kProcedurePollMs, cancel, confirm);
        if (confirm && *confirm && !cancel) {
            *confirm = false;
            if (WriteExec(device, command) != 0) {
                resultText = kWriteExecFailed;
                return 1;
            }
        }
    }
    // Cancelled: the device is told, and asked once for the result of the cancelled run.
    if (WriteExec(device, kCancelProcedure) != 0) {
        resultText = kWriteCancelFailed;
        return 1;
    }
    if (ReadResult(device, code, resultText) != 0) {
        resultText = kReadResultFailed;
        return 1;
    }
    if (resultCode) *resultCode = code;
    return 0;
}

void CancelRunningProcedure(DeviceAccess& device) {
    uint8_t exec = 0;
    if (ReadExec(device, exec) == 0 && exec != kProcedureIdle) {
        if (device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) == 0)
            WriteExec(device, kCancelProcedure);
    }
}

int RunTravelCalibration(DeviceAccess& device, uint8_t command, uint8_t& resultCode, std::string& resultText) {
    resultText.clear();
    resultCode = 0;
    const int tb = Tb(device);
    if (device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) != 0 ||
        fieldbus::WriteTypedValue(device, tb, "TRAVEL_CALIB_EXEC", command, Wire::U8) != 0)
        return 1;
    // A device may take a moment: the result is read again while it reads "not finished".
    platform::Clock& clock = platform::GetClock();
    const uint64_t started = clock.NowMs();
    const bool never = false;
    for (;;) {
        if (fieldbus::ReadTypedValue(device, tb, "TRAVEL_CALIB_RESULT", resultCode, Wire::U8) != 0) return 1;
        if (resultCode != kResultUnfinished) break;
        if (clock.NowMs() - started >= kTravelLimitMs) return 1;
        PacedWait(kTravelPollMs, never);
    }
    return device.GetEnumText(tb, "TRAVEL_CALIB_RESULT", resultText, resultCode) == 0 ? 0 : 1;
}

}  // namespace calibration
