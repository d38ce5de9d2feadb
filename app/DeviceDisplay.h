#pragma once
// What the main view shows of a device from its view readers: the actual mode of each
// block, the operation state derived from them and the transducer block's key values.
#include <array>
#include <cstdint>
#include <string>

namespace app {

enum class ShownBlock { RB, TB, AO, PID, DI1, DI2, SPLT, Count };
inline constexpr int kShownBlockCount = static_cast<int>(ShownBlock::Count);
inline constexpr const char* kShownBlockNames[kShownBlockCount] = {"RB", "TB", "AO", "PID", "DI1", "DI2", "SPLT"};

// The transducer values are read every second; after this long without a new record they are
// shown as stale (the device or the server does not answer).
inline constexpr uint64_t kStaleValuesMs = 5000;

struct DeviceDisplay {
    int slot = -1;
    std::array<bool, kShownBlockCount> hasMode{};
    std::array<uint8_t, kShownBlockCount> actualMode{};
    std::array<uint8_t, kShownBlockCount> normalMode{};  // MODE_BLK.NORMAL (0: not known)
    int shownState = 3;  // OFFLINE
    bool hasValues = false;
    float actualPosition = 0;  // FINAL_POSITION_VALUE
    float setPoint = 0;        // FINAL_VALUE
    float outPressure = 0;
    float servoOutput = 0;
    float electTemp = 0;
    // When the transducer values were last read (process clock), and for how many whole
    // seconds they have not been updated once that is longer than kStaleValuesMs (0: fresh).
    uint64_t valuesAtMs = 0;
    int staleSeconds = 0;
    // Read once when the device was opened.
    std::string identity;         // type, revision, address and identifier
    std::string positionUnit;     // of the actual position and set point ("%")
    std::string pressureUnit;     // of the actuator pressure
    std::string temperatureUnit;  // of the electronics temperature
};

// Whether two displays show the same on the page (modes, state, values and their age; not
// when the values were read).
bool SameOnPage(const DeviceDisplay& a, const DeviceDisplay& b);

// "AUTO", "CAS AUTO" style text of a mode byte: the names of its set bits, highest first.
std::string ModeText(uint8_t mode);

// The blocks whose actual mode is none of their normal modes, as "PID OOS (normal AUTO)",
// joined by ", "; "" when every known block is in its normal mode. The operation state is
// derived from RB, TB and AO only, so a PID or DI block left out of service shows here.
std::string BlocksOutOfNormalMode(const DeviceDisplay& display);

}  // namespace app
