#pragma once
// The positioner's command protocol for its own procedures: a command written into
// AUTO_TUNE_EXEC (stop finding, auto tune, self check), then AUTO_TUNE_STATE, AUTO_TUNE_RESULT
// and AUTO_TUNE_EXEC watched until the device reports a result other than 255 together with
// AUTO_TUNE_EXEC = 1. The progress window gets WM_PROCEDURE_PROGRESS with the state; the
// user cancels or confirms through flags that the window sets while messages are pumped
// between the reads. Travel calibration through TRAVEL_CALIB_EXEC.
#include <cstdint>
#include <string>

#include "fieldbus/DeviceAccess.h"
#include "platform/WindowMessages.h"

namespace calibration {

// Sent to the progress window with the procedure's state (0-100) as wParam.
inline constexpr unsigned WM_PROCEDURE_PROGRESS = 0x40F;
// Sent to the progress window while the device does not answer, with the seconds since its
// last answer as wParam (at least 1); 0 once it answers again.
inline constexpr unsigned WM_PROCEDURE_SILENT = 0x40D;

// AUTO_TUNE_EXEC command codes.
enum ProcedureCommand : uint8_t {
    kProcedureIdle = 1,
    kFindStops = 2,
    kAutoTune = 3,
    kStopsAndTune = 4,
    kCancelProcedure = 5,
    kManualStops = 7,
    kStopsAfterAdjust = 8,
    kSelfCheck = 255,
};
// AUTO_TUNE_RESULT while the procedure is unfinished.
inline constexpr uint8_t kResultUnfinished = 255;
// TRAVEL_CALIB_EXEC command codes.
enum TravelCalibrationCommand : uint8_t { kZeroCalibration = 2, kSpanCalibration = 3, kMidCalibration = 4 };

// The pace of the polling (messages are pumped meanwhile) and how long a procedure may take
// at most: well above the longest one (a self check or a stop finding with auto tune take
// about two minutes).
inline constexpr uint32_t kProcedurePollMs = 150;
inline constexpr uint64_t kProcedureLimitMs = 600000;
// A device that stops answering goes on with its procedure: it is read again at the same pace
// for up to this long before the run is given up.
inline constexpr uint64_t kProcedureLostLimitMs = 60000;
// Travel calibration: TRAVEL_CALIB_RESULT is read again while it reads 255.
inline constexpr uint32_t kTravelPollMs = 100;
inline constexpr uint64_t kTravelLimitMs = 10000;

// The outcome texts.
inline constexpr const char* kWriteExecFailed = "Write AUTO_TUNE_EXEC failed.";
inline constexpr const char* kReadResultFailed = "Read AUTO_TUNE_RESULT failed.";
inline constexpr const char* kReadExecFailed = "Read AUTO_TUNE_EXEC failed.";
inline constexpr const char* kWriteCancelFailed = "Write CANCEL to AUTO_TUNE_EXEC failed.";
inline constexpr const char* kProcedureDeviceLost =
    "Error: The device did not answer for 60 seconds during its procedure. It may still finish the procedure on its "
    "own: check the device before relying on the values shown.";
inline constexpr const char* kProcedureTimedOut =
    "Error: The device procedure did not finish within 10 minutes and was cancelled.";

// Runs procedure `command`: 0 done (the result text is the label of AUTO_TUNE_RESULT, also
// after a cancel), 1 failed (the result text names the failed step). Reads the device does
// not answer while the procedure runs are tried again (WM_PROCEDURE_SILENT tells the window)
// until kProcedureLostLimitMs passed without an answer. `cancel` is watched
// between the reads; `confirm` (manual stop finding), when given, makes the command be
// written again each time it is set (and it is cleared). `resultCode`, when given, receives
// the code of AUTO_TUNE_RESULT. The device is put out of service first, without a question;
// when that fails nothing is written.
int RunProcedure(fieldbus::DeviceAccess& device, uint8_t command, const bool& cancel, std::string& resultText,
                 platform::WindowHandle progressWindow, bool* confirm = nullptr, uint8_t* resultCode = nullptr);

// Writes the cancel command when AUTO_TUNE_EXEC does not read 1 (a procedure still runs).
void CancelRunningProcedure(fieldbus::DeviceAccess& device);

// Travel calibration `command` (2, 3 or 4): 0 with the code and label of
// TRAVEL_CALIB_RESULT, 1 when a step failed (or the result stayed 255 for 10 s).
int RunTravelCalibration(fieldbus::DeviceAccess& device, uint8_t command, uint8_t& resultCode,
                         std::string& resultText);

}  // namespace calibration
