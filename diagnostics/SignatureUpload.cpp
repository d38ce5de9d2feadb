// Uploading stored measurements from the device: the selected database, its date, header and
// points paged 20 at a time; the chunks of a running high-resolution measurement; the
// standard signature kept in the device as baseline or record.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureProcedureState.h"
#include "platform/Clock.h"

namespace diagnostics {

namespace {

constexpr uint16_t kWindowPoints = 20;
constexpr uint16_t kMostPoints = 600;
constexpr int kRingPoints = 100;
constexpr int kChunkOverrunAhead = 80;     // before reading: further ahead, the bank is gone
constexpr int kChunkOverrunAfter = 130;    // after reading: further ahead, it was overwritten meanwhile
constexpr size_t kStepPointsBefore = 10;  // step response samples at the initial set point

// SIGN_UPLOAD_DATABASE of a kind and selector; 0 when there is none.
uint8_t DatabaseCode(uint8_t kindBit, int selector) {
    const int kind = KindOfBit(kindBit);
    if (selector == SelectLatest) {
        switch (kind) {
        case KindStandard: return 1;
        case KindExtended:
        case KindHighResolution: return 2;
        case KindStepResponse: return 3;
        case KindPositioner: return 4;
        default: return 0;
        }
    }
    if (kind == KindStandard && selector == SelectBaseline) return 5;
    if (kind == KindStandard && selector == SelectRecord) return 6;
    return 0;
}

}  // namespace

int SignatureProcedure::State::SelectDatabase(uint8_t code) {
    const uint64_t now = platform::GetClock().NowMs();
    if (code != 0 && selectedDatabase == code && now - selectedAtMs < kSelectionFreshMs) return 0;
    selectedDatabase = 0;
    if (WriteU8("SIGN_UPLOAD_DATABASE", code) != 0) return 1;
    selectedDatabase = code;
    selectedAtMs = now;
    return 0;
}

bool SignatureProcedure::IsOnline() { return state_->device.IsOpen(); }

std::string SignatureProcedure::GetDeviceTag() {
    std::lock_guard<std::mutex> lock(state_->mainLock);
    return state_->tag;
}

namespace {

// Whether the uploads read the program's own signature generator instead of the device.
bool HostControlled(SignatureProcedure::State& s) {
    std::lock_guard<std::mutex> lock(s.mainLock);
    return s.hostControlled;
}

}  // namespace

int SignatureProcedure::ReadSignatureDate(uint8_t kindBit, int selector, uint8_t date[7]) {
    State& s = *state_;
    if (HostControlled(s)) {
        std::lock_guard<std::mutex> lock(s.engineLock);
        const auto& d = s.engine.Date();
        std::copy(d.begin(), d.end(), date);
        return 0;
    }
    std::lock_guard<std::mutex> upload(s.uploadLock);
    const uint8_t code = DatabaseCode(kindBit, selector);
    if (code == 0 || s.SelectDatabase(code) != 0) {
        s.Report("Write SIGN_UPLOAD_DATABASE error");
        return 1;
    }
    uint16_t size = 7;
    if (s.device.ReadParameter(s.Tb(), "SIGN_MEAS_DATE", date, size) != 0 || size != 7) {
        s.Report("Read SIGN_MEAS_DATE error");
        return 1;
    }
    return 0;
}

int SignatureProcedure::ReadSignatureHeader(uint8_t kindBit, int selector, bool stepSeries, SignatureHeader& header) {
    State& s = *state_;
    if (HostControlled(s)) {
        std::lock_guard<std::mutex> lock(s.engineLock);
        const auto& h = s.engine.Header();
        std::copy(h.begin(), h.end(), header.begin());
        return 0;
    }
    {
        std::lock_guard<std::mutex> upload(s.uploadLock);
        const uint8_t code = DatabaseCode(kindBit, selector);
        if (code == 0 || s.SelectDatabase(code) != 0) {
            s.Report("Write SIGN_UPLOAD_DATABASE error");
            return 1;
        }
        if (s.ReadFloats("SIGN_HEADER_DATA", header.data(), header.size()) != 0) {
            s.Report("Read SIGN_HEADER_DATA error");
            return 1;
        }
    }
    if (KindOfBit(kindBit) == KindStepResponse) {
        // The program's own step settings: those of the run for a step of a series, else
        // unknown.
        std::lock_guard<std::mutex> lock(s.mainLock);
        for (int i = 1; i < 9; ++i)
            if (stepSeries) header[static_cast<size_t>(i)] = s.settings.At(2, i - 1);
            else if (i >= 5) header[static_cast<size_t>(i)] = -1.0f;
    }
    return 0;
}

int SignatureProcedure::ReadSignatureCount(uint8_t, uint16_t& count) {
    if (HostControlled(*state_)) {
        std::lock_guard<std::mutex> lock(state_->engineLock);
        count = state_->engine.RecordedCount();
        return 0;
    }
    if (state_->ReadU16("SIGN_MEAS_COUNTER", count) != 0) {
        state_->Report("Signature : SIGN_MEAS_COUNT Error");
        return 1;
    }
    return 0;
}

namespace {

// Reads `count` points of the selected database window by window: Y into `y` and, unless
// `x` is null, X into `x` from the same pointer position (one pointer write shows both
// windows). Points reading +infinity end the stored data: they and everything after
// them are left out of both.
int ReadWindows(SignatureProcedure::State& s, uint8_t code, uint16_t count, std::vector<float>* x,
                std::vector<float>& y) {
    y.clear();
    if (x != nullptr) x->clear();
    if (s.SelectDatabase(code) != 0) return 1;
    count = std::min(count, kMostPoints);
    for (uint16_t w = 0; w < count; w = static_cast<uint16_t>(w + kWindowPoints)) {
        float wy[kWindowPoints], wx[kWindowPoints];
        if (s.WriteU16("SIGN_UPLOAD_POINTER", w) != 0 || s.ReadFloats("SIGN_DATA_Y", wy, kWindowPoints) != 0 ||
            (x != nullptr && s.ReadFloats("SIGN_DATA_X", wx, kWindowPoints) != 0)) {
            s.selectedDatabase = 0;
            return 1;
        }
        const uint16_t take = std::min<uint16_t>(kWindowPoints, static_cast<uint16_t>(count - w));
        for (uint16_t i = 0; i < take; ++i) {
            if ((std::isinf(wy[i]) && wy[i] > 0) || (x != nullptr && std::isinf(wx[i]) && wx[i] > 0)) return 0;
            y.push_back(wy[i]);
            if (x != nullptr) x->push_back(wx[i]);
        }
    }
    return 0;
}

}  // namespace

int SignatureProcedure::ReadSignaturePoints(uint8_t kindBit, int selector, uint16_t& count, std::vector<float>& x,
                                            std::vector<float>& y) {
    State& s = *state_;
    const uint8_t code = DatabaseCode(kindBit, selector);
    const bool step = KindOfBit(kindBit) == KindStepResponse;
    if (HostControlled(s)) {
        std::lock_guard<std::mutex> lock(s.engineLock);
        const HostSignatureEngine& e = s.engine;
        if (e.RecordedCount() > e.ExpectedCount()) {
            s.Report("Data Array size is not reasonable");
            return 1;
        }
        const size_t n = std::min<size_t>(count, e.RecordedCount());
        x.assign(e.Pressures().begin(), e.Pressures().begin() + static_cast<long>(n));
        y.assign(e.Positions().begin(), e.Positions().begin() + static_cast<long>(n));
        count = static_cast<uint16_t>(n);
        return 0;
    }
    std::lock_guard<std::mutex> upload(s.uploadLock);
    if (code == 0 || ReadWindows(s, code, count, step ? nullptr : &x, y) != 0) {
        s.Report("Load Signature Data Error");
        return 1;
    }
    if (step) {
        // The set points of the step: the initial one for the samples before the step.
        float from = 0, to = 0;
        {
            std::lock_guard<std::mutex> lock(s.mainLock);
            from = s.stepFrom;
            to = s.stepTo;
        }
        if (from == to) {
            float header[9] = {};
            if (s.ReadFloats("SIGN_HEADER_DATA", header, 9) == 0) {
                from = header[1];
                to = header[2];
            }
        }
        x.clear();
        for (size_t i = 0; i < y.size(); ++i) x.push_back(i < kStepPointsBefore ? from : to);
    }
    count = static_cast<uint16_t>(y.size());
    return 0;
}

int SignatureProcedure::ReadHighResChunk(uint16_t first, uint16_t count, std::vector<float>& x, std::vector<float>& y) {
    State& s = *state_;
    std::lock_guard<std::mutex> upload(s.uploadLock);
    x.clear();
    y.clear();
    uint16_t counter = 0;
    if (s.ReadU16("SIGN_MEAS_COUNTER", counter) != 0) {
        s.Report("Load Signature Data Error");
        return 1;
    }
    if (static_cast<int>(counter) - first > kChunkOverrunAhead) return -1;
    if (s.SelectDatabase(2) != 0) {
        s.Report("Load Signature Data Error");
        return 1;
    }
    // Point k of the chunk sits in ring slot (first + k) mod 100: the bank of `first`
    // onwards, wrapping to the other bank for the rest of a measurement.
    for (int k = 0; k < count;) {
        const int slot = (first + k) % kRingPoints;
        float wx[kWindowPoints], wy[kWindowPoints];
        if (s.WriteU16("SIGN_UPLOAD_POINTER", static_cast<uint16_t>(slot)) != 0 ||
            s.ReadFloats("SIGN_DATA_X", wx, kWindowPoints) != 0 || s.ReadFloats("SIGN_DATA_Y", wy, kWindowPoints) != 0) {
            s.Report("Load Signature Data Error");
            return 1;
        }
        const int take = std::min({static_cast<int>(kWindowPoints), count - k, kRingPoints - slot});
        x.insert(x.end(), wx, wx + take);
        y.insert(y.end(), wy, wy + take);
        k += take;
    }
    if (s.ReadU16("SIGN_MEAS_COUNTER", counter) != 0) {
        s.Report("Load Signature Data Error");
        return 1;
    }
    return static_cast<int>(counter) - first > kChunkOverrunAfter ? -1 : 0;
}

int SignatureProcedure::ReadAxisRanges(SignatureAxis& pressure, SignatureAxis& position) {
    fieldbus::DeviceAccess& d = state_->device;
    const int tb = state_->Tb();
    fieldbus::ScalingRecord spring, range;
    std::string pressureUnit, positionUnit;
    if (d.ReadTbSpringRange(spring) != 0 || d.ReadTbFinalValueRange(range) != 0 ||
        d.GetEnumText(tb, "SPRING_RANGE.UNITS_INDEX", pressureUnit, spring.unitsIndex) != 0 ||
        d.GetEnumText(tb, "FINAL_VALUE_RANGE.UNITS_INDEX", positionUnit, range.unitsIndex) != 0)
        return 1;
    pressure = {spring.eu0, spring.eu100, pressureUnit};
    position = {range.eu0, range.eu100, positionUnit};
    return 0;
}

int SignatureProcedure::ReadOpenStopAdjustment(float& value) { return state_->device.ReadTbOpenStopAdj(value); }

int SignatureProcedure::SaveSignatureInDevice(bool asRecord) {
    State& s = *state_;
    {
        std::lock_guard<std::mutex> lock(s.mainLock);
        if (s.hostControlled) return 0;
    }
    uint8_t save = 0;
    if (s.ReadU8("SIGN_DATA_SAVE", save) != 0) {
        s.Report("Read SIGN_DATA_SAVE Error");
        return 1;
    }
    if (save != 1) {
        s.Report("SIGN_DATA_SAVE status is not OFF");
        return 1;
    }
    if (s.WriteU8("SIGN_DATA_SAVE", asRecord ? 3 : 2) != 0) {
        s.Report("Write SIGN_DATA_SAVE Error");
        return 1;
    }
    platform::Clock& clock = platform::GetClock();
    const uint64_t since = clock.NowMs();
    for (;;) {
        clock.SleepMs(kDataSavePollMs);
        if (s.ReadU8("SIGN_DATA_SAVE", save) != 0 || clock.NowMs() - since > kDataSaveLimitMs) break;
        if (save == 1) return 0;
    }
    s.Report("Write SIGN_DATA_SAVE time out.");
    return 1;
}

int SignatureProcedure::ReadSignatureSettings(uint8_t kindBit, std::vector<float>& values) {
    const int group = SettingsGroupOfKind(KindOfBit(kindBit));
    if (group < 0) return 1;
    values.assign(static_cast<size_t>(DeviceFloatCount(group)), 0.0f);
    return state_->ReadFloats(SettingsParameter(group), values.data(), values.size());
}

int SignatureProcedure::WriteSignatureSettings(uint8_t kindBit, const float* values) {
    const int group = SettingsGroupOfKind(KindOfBit(kindBit));
    if (group < 0) return 1;
    return state_->WriteFloats(SettingsParameter(group), values, static_cast<size_t>(DeviceFloatCount(group)));
}

int SignatureProcedure::ReadAllSignatureSettings(SignatureSettings& settings) {
    State& s = *state_;
    SignatureSettings read = settings;
    std::lock_guard<std::mutex> upload(s.uploadLock);
    // The bus library reads one object per request and has no list read: each settings
    // parameter is read whole, all its sub-indices in one request (four requests in all).
    for (int group = 0; group < kSettingsGroups; ++group)
        if (s.ReadFloats(SettingsParameter(group), &read.At(group, 0), static_cast<size_t>(DeviceFloatCount(group))) != 0)
            return 1;
    settings = read;
    return 0;
}

}  // namespace diagnostics
