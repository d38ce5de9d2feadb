#pragma once
// The records that a device's view readers and process poll publish, and the byte layout
// knowledge they need: the transducer view by member name, the float positions of the AO
// and PID views, the process values and their enable flags.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fieldbus/DeviceRecords.h"

namespace fieldbus {

#pragma pack(push, 1)
// The transducer block's monitored values, in host byte order (41 bytes, packed).
struct TbView3Record {
    uint16_t stRev;
    uint8_t modeBlk[4];  // target, actual, permitted, normal
    uint16_t blockErr;
    uint16_t transducerType;
    uint8_t xdError;
    uint8_t finalValueStatus;
    float finalValue;
    uint8_t finalPositionStatus;
    float finalPositionValue;
    uint8_t alarmSum[8];
    float electTemp;
    float outPressure;
    float servoOutputSignal;
};

// The single values the trend window polls, in host byte order (28 bytes, packed).
struct ProcessRecord {
    uint8_t finalPositionStatus;
    float finalPositionValue;
    uint8_t finalValueStatus;
    float finalValue;
    uint8_t pidPvStatus;
    float pidPv;
    uint8_t pidSpStatus;
    float pidSp;
    float outPressure;
    float servoOutputSignal;
};
#pragma pack(pop)

static_assert(sizeof(TbView3Record) == 41, "TbView3Record is 41 bytes");
static_assert(sizeof(ProcessRecord) == 28, "ProcessRecord is 28 bytes");

// Enable flags of the process poll, by index; the poll reads them in the order 0 to 5.
enum ProcessChannel {
    kChannelPidSp = 0,
    kChannelPidPv = 1,
    kChannelFinalValue = 2,
    kChannelFinalPositionValue = 3,
    kChannelOutPressure = 4,
    kChannelServoOutputSignal = 5,
    kProcessChannelCount = 6
};
using ProcessChannels = std::array<bool, kProcessChannelCount>;

// The members of the transducer view that TbView3Record holds, in the order they are looked
// up, with the number of bytes taken from each.
inline constexpr int kTbView3MemberCount = 11;
enum TbView3Member {
    kTbFinalValue,
    kTbFinalPositionValue,
    kTbElectTemp,
    kTbOutPressure,
    kTbServoOutputSignal,
    kTbStRev,
    kTbModeBlk,
    kTbBlockErr,
    kTbTransducerType,
    kTbXdError,
    kTbAlarmSum
};
inline constexpr const char* kTbView3MemberNames[kTbView3MemberCount] = {
    "FINAL_VALUE", "FINAL_POSITION_VALUE", "ELECT_TEMP", "OUT_PRESSURE", "SERVO_OUTPUT_SIGNAL", "ST_REV",
    "MODE_BLK",    "BLOCK_ERR",            "TRANSDUCER_TYPE", "XD_ERROR", "ALARM_SUM"};
inline constexpr uint16_t kTbView3MemberSizes[kTbView3MemberCount] = {5, 5, 4, 4, 4, 2, 4, 2, 2, 1, 8};

// Where the transducer view keeps its members. Learned once from the device's own view
// description; `known` stays false until every member was found.
struct TbView3Layout {
    bool known = false;
    uint16_t viewIndex = 0;  // object-dictionary index of the view object
    uint16_t size = 0;       // bytes of the whole view
    uint16_t offsets[kTbView3MemberCount] = {};
};

// Finds each wanted member among the view's members (names compared trimmed and without
// regard to case) and stores its byte offset: the sum of the sizes of the members before it.
// A member that is missing, has another size than the record takes, or lies outside
// `viewSize` fails the whole lookup (false) and leaves `offsets` unspecified.
bool LocateTbView3Members(const std::vector<std::string>& names, const std::vector<uint16_t>& sizes,
                          uint16_t viewSize, uint16_t offsets[kTbView3MemberCount]);
// Fills the record from a view image of at least the located size, converting big-endian
// numbers to host order.
void UnpackTbView3(const uint8_t* image, const uint16_t offsets[kTbView3MemberCount], TbView3Record& record);

// The seven view readers: the name part of their operations and the record they publish
// (the raw views as received, with the AO and PID floats in host order).
#define FIELDBUS_VIEW_READERS(X) \
    X(TbView3, TbView3Record)    \
    X(AoView1, RawRecord33)      \
    X(RbView1, RawRecord22)      \
    X(PidView3, RawRecord83)     \
    X(Di1View1, RawRecord22)     \
    X(Di2View1, RawRecord22)     \
    X(SpltView1, RawRecord28)

// The big-endian floats of the raw views that the readers convert to host order in place.
inline constexpr size_t kAoView1FloatOffsets[] = {9, 14, 19, 24, 29};
inline constexpr size_t kPidView3FloatOffsets[] = {9, 14, 19, 29, 44};
// Converts the float at each offset of `image` from big-endian to host order.
void ConvertViewFloats(uint8_t* image, size_t imageSize, const size_t* offsets, size_t count);

// A float of a published view image (host order after the reader's conversion).
inline float ViewFloat(const uint8_t* image, size_t offset) {
    float value;
    std::memcpy(&value, image + offset, sizeof value);
    return value;
}

}  // namespace fieldbus
