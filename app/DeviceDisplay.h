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

struct DeviceDisplay {
    int slot = -1;
    std::array<bool, kShownBlockCount> hasMode{};
    std::array<uint8_t, kShownBlockCount> actualMode{};
    int shownState = 3;  // OFFLINE
    bool hasValues = false;
    float actualPosition = 0;  // FINAL_POSITION_VALUE
    float setPoint = 0;        // FINAL_VALUE
    float outPressure = 0;
    float servoOutput = 0;
    float electTemp = 0;
    // Read once when the device was opened.
    std::string identity;         // type, revision, address and identifier
    std::string positionUnit;     // of the actual position and set point ("%")
    std::string pressureUnit;     // of the actuator pressure
    std::string temperatureUnit;  // of the electronics temperature
};

// "AUTO", "CAS AUTO" style text of a mode byte: the names of its set bits, highest first.
std::string ModeText(uint8_t mode);

}  // namespace app
