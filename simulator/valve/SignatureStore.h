#pragma once
// The signature measurements a positioner keeps for upload: the latest standard, extended (or
// high-resolution), step-response and positioner measurements, and the standard signature
// kept as baseline and as record. The host selects one with SIGN_UPLOAD_DATABASE and pages
// through its points 20 at a time with SIGN_UPLOAD_POINTER; SIGN_DATA_X, SIGN_DATA_Y,
// SIGN_HEADER_DATA and SIGN_MEAS_DATE show the selected window. Writing SIGN_DATA_SAVE keeps
// the latest standard signature and reads "Off" again shortly after.
#include <array>
#include <cstdint>
#include <ctime>
#include <vector>

namespace simulator {
struct Block;
}

namespace simulator::valve {

// SIGN_UPLOAD_DATABASE codes.
enum SignatureDatabase : uint8_t {
    kDbStandard = 1,
    kDbExtended = 2,  // also the high-resolution measurement
    kDbStepResponse = 3,
    kDbPositioner = 4,
    kDbBaseline = 5,
    kDbRecord = 6,
};
inline constexpr int kDatabaseCount = 6;
inline constexpr size_t kUploadWindow = 20;
inline constexpr size_t kMostStoredPoints = 600;
// A high-resolution measurement is kept in a ring of this many points.
inline constexpr size_t kRingSlots = 100;
// SIGN_DATA_SAVE reads "Off" again this long after a save was asked for.
inline constexpr uint64_t kDataSaveMs = 300;

struct StoredSignature {
    std::array<float, 9> header{};
    std::array<uint8_t, 7> date{};  // Fieldbus date of the measurement
    std::vector<float> x, y;        // index = point, or ring slot for a ring
    bool ring = false;
    uint32_t total = 0;             // points measured (a ring keeps the latest kRingSlots)

    void Clear(bool asRing);
    // Adds a point (dropped beyond kMostStoredPoints unless this is a ring).
    void Add(float xValue, float yValue);
};

// The 7-byte Fieldbus date of a time: milliseconds within the minute, minute, hour, weekday
// and day, month, year (two digits).
std::array<uint8_t, 7> FieldbusDate(std::time_t seconds, unsigned milliseconds);

class SignatureStore {
public:
    StoredSignature& Database(int code);
    const StoredSignature& Database(int code) const;

    // What the host selected; both are taken as written.
    void Select(uint8_t database) { selected_ = database; }
    void Point(uint16_t pointer) { pointer_ = pointer; }
    // Fills the upload parameters of the transducer block from the selection.
    void Show(Block& tb) const;

    // SIGN_DATA_SAVE written with `code` (2 baseline, 3 record) at `nowMs`.
    void RequestSave(uint8_t code, uint64_t nowMs);
    // Completes a save that is due: the copy is kept and SIGN_DATA_SAVE reads 1 again.
    void Advance(Block& tb, uint64_t nowMs);

private:
    std::array<StoredSignature, kDatabaseCount> databases_;
    uint8_t selected_ = kDbStandard;
    uint16_t pointer_ = 0;
    uint8_t pendingSave_ = 0;
    uint64_t saveDueMs_ = 0;
};

}  // namespace simulator::valve
