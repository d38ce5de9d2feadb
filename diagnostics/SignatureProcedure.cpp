#include "diagnostics/SignatureProcedure.h"

#include <cstring>
#include <map>

#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureProcedureState.h"
#include "diagnostics/StepResponsePercent.h"
#include "fieldbus/OperationState.h"

namespace diagnostics {

uint8_t MeasurementCode(int kind) { return kind >= KindStandard && kind <= KindPositioner ? uint8_t(kind + 3) : 0; }

// ---- Parameter access of the state ------------------------------------------------------

int SignatureProcedure::State::ReadU8(const char* name, uint8_t& value) {
    uint16_t size = 1;
    return device.ReadParameter(Tb(), name, &value, size) == 0 && size == 1 ? 0 : 1;
}

int SignatureProcedure::State::WriteU8(const char* name, uint8_t value) {
    return device.WriteParameter(Tb(), name, &value, 1) == 0 ? 0 : 1;
}

int SignatureProcedure::State::ReadU16(const char* name, uint16_t& value) {
    uint8_t bytes[2] = {};
    uint16_t size = 2;
    if (device.ReadParameter(Tb(), name, bytes, size) != 0 || size != 2) return 1;
    value = static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
    return 0;
}

int SignatureProcedure::State::WriteU16(const char* name, uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)};
    return device.WriteParameter(Tb(), name, bytes, 2) == 0 ? 0 : 1;
}

int SignatureProcedure::State::ReadFloats(const char* name, float* values, size_t count) {
    std::vector<uint8_t> bytes(count * 4);
    uint16_t size = static_cast<uint16_t>(bytes.size());
    if (device.ReadParameter(Tb(), name, bytes.data(), size) != 0 || size != bytes.size()) return 1;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t bits = (uint32_t(bytes[4 * i]) << 24) | (uint32_t(bytes[4 * i + 1]) << 16) |
                              (uint32_t(bytes[4 * i + 2]) << 8) | bytes[4 * i + 3];
        std::memcpy(&values[i], &bits, 4);
    }
    return 0;
}

int SignatureProcedure::State::WriteFloats(const char* name, const float* values, size_t count) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i) {
        uint32_t bits = 0;
        std::memcpy(&bits, &values[i], 4);
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(bits >> shift));
    }
    return device.WriteParameter(Tb(), name, bytes.data(), static_cast<uint16_t>(bytes.size())) == 0 ? 0 : 1;
}

int SignatureProcedure::State::ReadDiagnosticModes(bool& bothOos) {
    bothOos = false;
    uint8_t ao = 0, tb = 0;
    if (device.ReadTargetMode(device.BlockOf(fieldbus::BlockKind::AO), ao) != 0) {
        Report("Raed MODE_BLK.TARGET of AO error");
        return 1;
    }
    if (device.ReadTargetMode(Tb(), tb) != 0) {
        Report("Raed MODE_BLK.TARGET of TB error");
        return 1;
    }
    bothOos = ao == fieldbus::kModeOos && tb == fieldbus::kModeOos;
    return 0;
}

int SignatureProcedure::State::WriteMeasurementCommand(uint8_t code) {
    // A measurement may leave the device's upload selection elsewhere.
    selectedDatabase = 0;
    bool oos = false;
    if (ReadDiagnosticModes(oos) != 0 || !oos || WriteU8("SIGN_MEAS_EXEC", code) != 0) {
        Report("Write SIGN_MEAS_EXEC Error");
        return 1;
    }
    return 0;
}

int SignatureProcedure::State::Cancel() {
    bool host = false;
    {
        std::lock_guard<std::mutex> lock(mainLock);
        host = hostControlled;
    }
    if (host) {
        // The generator's run ends as cancelled; between two runs the worker finishes.
        bool running = false;
        {
            std::lock_guard<std::mutex> engineGuard(engineLock);
            running = engine.Running();
            if (running) engine.RequestStop();
        }
        if (!running) {
            std::lock_guard<std::mutex> lock(mainLock);
            stopRequested = true;
        }
        return 0;
    }
    uint8_t exec = 0;
    if (ReadU8("SIGN_MEAS_EXEC", exec) != 0) return 1;
    if (exec == kExecOff) {
        std::lock_guard<std::mutex> lock(mainLock);
        stopRequested = true;
        return 0;
    }
    if (WriteMeasurementCommand(kExecCancel) != 0) return 1;
    std::lock_guard<std::mutex> lock(mainLock);
    stopRequested = false;
    return 0;
}

// ---- The object of a device ---------------------------------------------------------------

std::shared_ptr<SignatureProcedure> SignatureProcedure::For(fieldbus::DeviceAccess& device) {
    static std::mutex lock;
    static std::map<fieldbus::DeviceAccess*, std::shared_ptr<SignatureProcedure>> procedures;
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<SignatureProcedure>& p = procedures[&device];
    if (!p) p = std::make_shared<SignatureProcedure>(device);
    return p;
}

SignatureProcedure::SignatureProcedure(fieldbus::DeviceAccess& device) : state_(std::make_shared<State>(device)) {
    state_->profileFile = ProgramProfileFile();
}

SignatureProcedure::~SignatureProcedure() { StopSignature(); }

fieldbus::DeviceAccess& SignatureProcedure::Device() const { return state_->device; }

void SignatureProcedure::SetProfileFile(std::string file) {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    state_->profileFile = std::move(file);
}

void SignatureProcedure::SetDeviceTag(std::string tag) {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    state_->tag = std::move(tag);
}

// ---- Operations of the page ------------------------------------------------------------

int SignatureProcedure::SetupSignature(uint8_t mask, const SignatureSettings& settings, bool simulation,
                                       bool resetOff) {
    State& s = *state_;
    bool host = false;
    {
        std::lock_guard<std::mutex> lock(s.mainLock);
        s.settings = settings;
        s.stepFrom = s.nextStepFrom = settings.At(2, kStepStart);
        s.stepTo = s.nextStepTo = settings.At(2, kStepEnd);
        s.simulation = simulation;
        host = s.hostControlled;
    }
    if (!host) {
        // Standard, extended (or high resolution), step response, positioner: each group's
        // device floats, only for the kinds selected ("Measure ALL" selects them all).
        static const uint8_t bits[kSettingsGroups] = {1, 2 | 4, 8, 16};
        for (int group = 0; group < kSettingsGroups; ++group) {
            if ((mask & bits[group]) == 0) continue;
            float values[kGroupFloats];
            for (int i = 0; i < kGroupFloats; ++i) values[i] = settings.At(group, i);
            if (s.WriteFloats(SettingsParameter(group), values, static_cast<size_t>(DeviceFloatCount(group))) != 0)
                return 1;
        }
    }
    std::lock_guard<std::mutex> lock(s.mainLock);
    s.mask = mask;
    s.resetOff = resetOff;
    return 0;
}

int SignatureProcedure::StartSignature(platform::WindowHandle notify) {
    State& s = *state_;
    std::lock_guard<std::mutex> stopLock(s.threadStopLock);
    if (thread_.joinable()) {
        // A worker that has ended is forgotten here, so that the next run can start.
        std::shared_ptr<SignatureWorkerRun> run;
        {
            std::lock_guard<std::mutex> lock(s.mainLock);
            run = s.run;
        }
        if (run && !run->done.IsSet()) return 1;
        thread_.join();
    }
    auto run = std::make_shared<SignatureWorkerRun>();
    {
        std::lock_guard<std::mutex> lock(s.mainLock);
        s.notify = notify;
        s.ended = false;
        s.run = run;
        run->generation = ++s.generation;
    }
    try {
        thread_ = std::thread(RunSignatureWorker, state_, run);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(s.mainLock);
        s.ended = true;
        s.run.reset();
        return 1;
    }
    return 0;
}

void SignatureProcedure::StopSignature() {
    State& s = *state_;
    std::lock_guard<std::mutex> stopLock(s.threadStopLock);
    if (!thread_.joinable()) return;
    std::shared_ptr<SignatureWorkerRun> run;
    {
        std::lock_guard<std::mutex> lock(s.mainLock);
        run = s.run;
        if (run) run->stop.Set();
    }
    if (!run || run->done.Wait(kWorkerStopLimitMs)) {
        thread_.join();
    } else {
        // It holds the state and its own run; it ends on its own and posts nothing more.
        thread_.detach();
        s.Report("Signature : Thread did not stop in time and was abandoned.");
    }
    std::lock_guard<std::mutex> lock(s.mainLock);
    s.run.reset();
    s.ended = true;
}

int SignatureProcedure::CancelSignature() { return state_->Cancel(); }

void SignatureProcedure::RequestStop() {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    state_->stopRequested = true;
}

void SignatureProcedure::PermitNextMeasurement(bool permit) {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    state_->permitted = permit;
}

void SignatureProcedure::SetHostControlled(bool on) {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    state_->hostControlled = on;
}

bool SignatureProcedure::IsSignatureEnded() const {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    return state_->ended;
}

bool SignatureProcedure::HasWorker() const {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    return state_->run != nullptr;
}

SignatureProgress SignatureProcedure::GetSignatureProgress() const {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    return state_->progress;
}

std::string SignatureProcedure::TakeRunMessage() {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    std::string text;
    text.swap(state_->runMessage);
    return text;
}

std::string SignatureProcedure::ResultText() const {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    return state_->resultText;
}

int SignatureProcedure::ReadFailsafeState(uint8_t& value, std::string& text) {
    return state_->device.ReadTbReleaseFailsafe(value) == 0 &&
                   state_->device.GetEnumText(state_->Tb(), "RELEASE_FAILSAFE", text, value) == 0
               ? 0
               : 1;
}

int SignatureProcedure::ReadMeasurementCommand(uint8_t& value) { return state_->ReadU8("SIGN_MEAS_EXEC", value); }

}  // namespace diagnostics
