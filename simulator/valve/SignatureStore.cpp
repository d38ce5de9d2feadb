#include "simulator/valve/SignatureStore.h"

#include <algorithm>
#include <limits>

#include "simulator/Block.h"

namespace simulator::valve {

namespace {
constexpr float kInf = std::numeric_limits<float>::infinity();
}  // namespace

void StoredSignature::Clear(bool asRing) {
    header = {};
    date = {};
    ring = asRing;
    total = 0;
    x.assign(asRing ? kRingSlots : 0, kInf);
    y.assign(asRing ? kRingSlots : 0, kInf);
}

void StoredSignature::Add(float xValue, float yValue) {
    if (ring) {
        const size_t slot = total % kRingSlots;
        x[slot] = xValue;
        y[slot] = yValue;
    } else if (x.size() < kMostStoredPoints) {
        x.push_back(xValue);
        y.push_back(yValue);
    }
    ++total;
}

std::array<uint8_t, 7> FieldbusDate(std::time_t seconds, unsigned milliseconds) {
    std::tm t{};
    localtime_r(&seconds, &t);
    const unsigned ms = static_cast<unsigned>(t.tm_sec) * 1000u + milliseconds % 1000u;
    std::array<uint8_t, 7> d{};
    d[0] = static_cast<uint8_t>(ms >> 8);
    d[1] = static_cast<uint8_t>(ms & 0xFF);
    d[2] = static_cast<uint8_t>(t.tm_min & 0x3F);
    d[3] = static_cast<uint8_t>((t.tm_hour & 0x1F) | (t.tm_isdst > 0 ? 0x80 : 0));
    const int weekday = t.tm_wday == 0 ? 7 : t.tm_wday;  // Monday 1 .. Sunday 7
    d[4] = static_cast<uint8_t>((t.tm_mday & 0x1F) | (weekday << 5));
    d[5] = static_cast<uint8_t>((t.tm_mon + 1) & 0x3F);
    d[6] = static_cast<uint8_t>(t.tm_year % 100);
    return d;
}

StoredSignature& SignatureStore::Database(int code) {
    return databases_[static_cast<size_t>(std::clamp(code, 1, kDatabaseCount) - 1)];
}

const StoredSignature& SignatureStore::Database(int code) const {
    return databases_[static_cast<size_t>(std::clamp(code, 1, kDatabaseCount) - 1)];
}

void SignatureStore::Show(Block& tb) const {
    const StoredSignature& s = Database(selected_);
    for (size_t i = 0; i < s.header.size(); ++i) tb.SetFloat("SIGN_HEADER_DATA", s.header[i], 4 * i);
    for (size_t i = 0; i < s.date.size(); ++i) tb.SetByte("SIGN_MEAS_DATE", s.date[i], i);
    // Points not measured (past the end, or ring slots not yet filled) read +infinity.
    for (size_t i = 0; i < kUploadWindow; ++i) {
        const size_t at = static_cast<size_t>(pointer_) + i;
        tb.SetFloat("SIGN_DATA_X", at < s.x.size() ? s.x[at] : kInf, 4 * i);
        tb.SetFloat("SIGN_DATA_Y", at < s.y.size() ? s.y[at] : kInf, 4 * i);
    }
}

void SignatureStore::RequestSave(uint8_t code, uint64_t nowMs) {
    pendingSave_ = code;
    saveDueMs_ = nowMs + kDataSaveMs;
}

void SignatureStore::Advance(Block& tb, uint64_t nowMs) {
    if (pendingSave_ == 0 || nowMs < saveDueMs_) return;
    Database(pendingSave_ == 3 ? kDbRecord : kDbBaseline) = Database(kDbStandard);
    pendingSave_ = 0;
    tb.SetByte("SIGN_DATA_SAVE", 1);
}

}  // namespace simulator::valve
