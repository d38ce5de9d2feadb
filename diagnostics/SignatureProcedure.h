#pragma once
// The signature test of one device: the operations the signature page uses (setup, start,
// cancel, stop, progress), the worker thread that makes the device measure kind after kind
// (or all of them in one device run) and tells the page through posted messages, and the
// upload of the stored measurements for the record loaders. One object per device
// (SignatureProcedure::For); its worker is the only one of that device.
//
// The worker never touches a window. What it shares with the page (flags, settings, the last
// progress record) lives under one lock in a state object the worker holds on to, so a worker
// abandoned after the stop limit still finds it.
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "diagnostics/SignatureLoader.h"
#include "diagnostics/SignatureProgress.h"
#include "diagnostics/SignatureSettings.h"
#include "fieldbus/DeviceAccess.h"
#include "platform/WindowMessages.h"

namespace diagnostics {

// SIGN_MEAS_EXEC codes.
inline constexpr uint8_t kExecOff = 1;
inline constexpr uint8_t kExecAll = 2;
inline constexpr uint8_t kExecCancel = 0xFF;
// SIGN_MEAS_EXEC code of a kind (3 to 7); 0 for other kinds.
uint8_t MeasurementCode(int kind);

// Pauses of the worker (ms) and how long it waits for the device.
inline constexpr uint32_t kPollPauseMs = 200;
inline constexpr uint32_t kStartPollMs = 500;
inline constexpr uint64_t kStartLimitMs = 10000;
inline constexpr uint32_t kBusyRetryMs = 2000;
inline constexpr uint32_t kDataSavePollMs = 100;
inline constexpr uint64_t kDataSaveLimitMs = 10000;
inline constexpr uint32_t kWorkerStopLimitMs = 3000;
// The pause before a step-response run ("Signature Interval(sec)" of the profile) is kept
// within this many seconds.
inline constexpr int kLongestIntervalS = 60;

class SignatureProcedure : public SignatureDevice {
public:
    // The object of `device`, made on first use and kept as long as the program runs (the
    // device objects of the link are never destroyed either).
    static std::shared_ptr<SignatureProcedure> For(fieldbus::DeviceAccess& device);

    explicit SignatureProcedure(fieldbus::DeviceAccess& device);
    ~SignatureProcedure() override;  // stops the worker
    SignatureProcedure(const SignatureProcedure&) = delete;
    SignatureProcedure& operator=(const SignatureProcedure&) = delete;

    fieldbus::DeviceAccess& Device() const;

    // ---- Operations of the page (user-interface thread) ---------------------------------
    // Keeps the selection (kind bits or kMeasureAll) and the settings, and writes the device's
    // settings parameters of the selected kinds (all four for "Measure ALL"). 0, or 1 when a
    // write failed.
    int SetupSignature(uint8_t mask, const SignatureSettings& settings, bool simulation, bool resetOff);
    // Starts the worker posting to `notify` unless one runs. 0 started, 1 one runs already
    // or the thread could not be made.
    int StartSignature(platform::WindowHandle notify);
    // Signals the stop and waits for the worker at most kWorkerStopLimitMs; a worker that does
    // not end by then is abandoned (reported as a device line) and ends on its own.
    void StopSignature();
    // Ends the measurement the device runs (SIGN_MEAS_EXEC 0xFF), or, when it is idle, asks a
    // worker waiting between measurements to finish. 0, 1 when the device could not be told.
    int CancelSignature();
    void PermitNextMeasurement(bool permit);
    void SetHostControlled(bool on);
    bool IsSignatureEnded() const;
    SignatureProgress GetSignatureProgress() const;
    // Whether a worker is recorded (started and not yet forgotten by StopSignature).
    bool HasWorker() const;
    // RELEASE_FAILSAFE and its text.
    int ReadFailsafeState(uint8_t& value, std::string& text);
    // SIGN_MEAS_EXEC.
    int ReadMeasurementCommand(uint8_t& value);
    // Asks a worker waiting between measurements to finish.
    void RequestStop();
    // The device's label of the latest warning or error result ("" when none was met).
    std::string ResultText() const;
    // What the page shows once the run is over, taken only once ("" when nothing).
    std::string TakeRunMessage();
    // The profile file that holds "Signature Interval(sec)" (default: the program's).
    void SetProfileFile(std::string file);
    // The device's PD tag, which names the records loaded from it.
    void SetDeviceTag(std::string tag);

    // ---- Upload (record loaders, any thread) -------------------------------------------
    bool IsOnline() override;
    std::string GetDeviceTag() override;
    int ReadSignatureDate(uint8_t kindBit, int selector, uint8_t date[7]) override;
    int ReadSignatureHeader(uint8_t kindBit, int selector, bool stepSeries, SignatureHeader& header) override;
    int ReadSignatureCount(uint8_t kindBit, uint16_t& count) override;
    int ReadSignaturePoints(uint8_t kindBit, int selector, uint16_t& count, std::vector<float>& x,
                            std::vector<float>& y) override;
    int ReadHighResChunk(uint16_t first, uint16_t count, std::vector<float>& x, std::vector<float>& y) override;
    int ReadAxisRanges(SignatureAxis& pressure, SignatureAxis& position) override;
    int ReadOpenStopAdjustment(float& value) override;
    int SaveSignatureInDevice(bool asRecord) override;
    // The kind's settings parameter (3, 6, 4 or 5 floats).
    int ReadSignatureSettings(uint8_t kindBit, std::vector<float>& values);
    int WriteSignatureSettings(uint8_t kindBit, const float* values);
    // The 18 device floats of the four settings parameters (STD_ACT_SIGN_SET 1-3,
    // EXT_ACT_SIGN_SET 1-6, STEP_RESP_SET 1-4, POSITIONER_SIGN_SET 1-5), each parameter read
    // whole in one request, into their groups of `settings`; the other floats are left alone.
    // 0, 1 when a read failed (then `settings` is unchanged).
    int ReadAllSignatureSettings(SignatureSettings& settings);

    struct State;  // shared with the worker (SignatureWorker.cpp)

private:
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace diagnostics
