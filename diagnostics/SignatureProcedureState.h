#pragma once
// What a device's signature procedure shares with its worker thread. Only the procedure's own
// files include this.
#include <cstdint>
#include <memory>
#include <atomic>
#include <mutex>
#include <string>

#include "diagnostics/HostSignatureEngine.h"
#include "diagnostics/SignatureProcedure.h"
#include "fieldbus/BlockKind.h"
#include "platform/Event.h"

namespace diagnostics {

// One started worker: its stop request and its end. An abandoned worker keeps its own.
struct SignatureWorkerRun {
    platform::Event stop{false};
    platform::Event done{false};
    uint64_t generation = 0;
};

struct SignatureProcedure::State {
    explicit State(fieldbus::DeviceAccess& d) : device(d) {}

    fieldbus::DeviceAccess& device;

    // ---- Main lock: everything the page and the worker both touch ----
    mutable std::mutex mainLock;
    uint8_t mask = 0;
    SignatureSettings settings;
    bool hostControlled = false;
    bool simulation = false;
    bool resetOff = false;
    int stepIndex = 1, stepCount = 1;  // position in a step-response series
    float stepFrom = 0.0f, stepTo = 0.0f;
    float nextStepFrom = 0.0f, nextStepTo = 0.0f;  // of the step written, until it starts
    bool permitted = false;
    bool stopRequested = false;
    bool started = false;  // SIGN_MEAS_STATE has left 0 since the last start
    SignatureProgress progress;
    bool ended = true;
    platform::WindowHandle notify = 0;
    std::shared_ptr<SignatureWorkerRun> run;  // of the recorded worker
    uint64_t generation = 0;
    std::string resultText;
    // What the page shows when the run is over ("" when nothing): the limits of a
    // host-controlled run, a servo that could not be put back.
    std::string runMessage;
    std::string profileFile;
    std::string tag;

    // ---- Held while a stop waits for the worker, so that no start races it ----
    std::mutex threadStopLock;
    // ---- Held over one upload (database selection and its reads) ----
    std::mutex uploadLock;
    // The SIGN_UPLOAD_DATABASE this procedure wrote last and when (platform clock): the date,
    // header and points of one load select the same database, and a selection made moments
    // ago needs no second write. 0: not known (a measurement or a failure since).
    std::atomic<uint8_t> selectedDatabase{0};
    std::atomic<uint64_t> selectedAtMs{0};
    // ---- The program's own signature generator (host-controlled runs) ----
    std::mutex engineLock;
    HostSignatureEngine engine;

    int Tb() const { return device.BlockOf(fieldbus::BlockKind::TB); }
    void Report(const std::string& text) { device.ReportText(text); }

    // Reads and writes of the transducer block's signature parameters.
    int ReadU8(const char* name, uint8_t& value);
    int WriteU8(const char* name, uint8_t value);
    int ReadU16(const char* name, uint16_t& value);
    int WriteU16(const char* name, uint16_t value);
    // `count` big-endian floats into host order.
    int ReadFloats(const char* name, float* values, size_t count);
    int WriteFloats(const char* name, const float* values, size_t count);

    // SIGN_UPLOAD_DATABASE := `code`, unless this procedure selected that code less than
    // kSelectionFreshMs ago. Called under uploadLock. 0, 1 when the write failed.
    int SelectDatabase(uint8_t code);
    static constexpr uint64_t kSelectionFreshMs = 2000;

    // AO and TB both out of service (target modes); nonzero when a read failed, which is
    // reported as a device line.
    int ReadDiagnosticModes(bool& bothOos);
    // SIGN_MEAS_EXEC := `code`, written only while AO and TB are out of service.
    int WriteMeasurementCommand(uint8_t code);
    // Ends the device's measurement (SIGN_MEAS_EXEC 0xFF); when the device is idle, asks a
    // worker waiting between measurements to finish instead. 0, 1 when the device could not
    // be told.
    int Cancel();
};

// The worker's body: the device-controlled run of the state's selection (SignatureWorker.cpp).
void RunSignatureWorker(std::shared_ptr<SignatureProcedure::State> state, std::shared_ptr<SignatureWorkerRun> run);

}  // namespace diagnostics
