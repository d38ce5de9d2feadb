#include "fieldbus/ViewRecords.h"

#include <cctype>

#include "fieldbus/DeviceMessages.h"
#include "values/ValueCodec.h"

namespace fieldbus {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

uint16_t U16(const uint8_t* bytes) {
    uint8_t copy[2] = {bytes[0], bytes[1]};
    return values::ValueCodec::Instance().ReadU16(copy);
}

float F32(const uint8_t* bytes) {
    uint8_t copy[4] = {bytes[0], bytes[1], bytes[2], bytes[3]};
    return values::ValueCodec::Instance().ReadFloat(copy);
}

}  // namespace

bool LocateTbView3Members(const std::vector<std::string>& names, const std::vector<uint16_t>& sizes,
                          uint16_t viewSize, uint16_t offsets[kTbView3MemberCount]) {
    if (names.size() != sizes.size()) return false;
    for (int wanted = 0; wanted < kTbView3MemberCount; ++wanted) {
        bool found = false;
        uint32_t offset = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            if (SameName(Trim(names[i]), kTbView3MemberNames[wanted])) {
                // The record takes a fixed number of bytes from the member: a member of
                // another size is not the one the record describes.
                if (sizes[i] != kTbView3MemberSizes[wanted] || offset + sizes[i] > viewSize) return false;
                offsets[wanted] = static_cast<uint16_t>(offset);
                found = true;
                break;
            }
            offset += sizes[i];
        }
        if (!found) return false;
    }
    return true;
}

void UnpackTbView3(const uint8_t* image, const uint16_t offsets[kTbView3MemberCount], TbView3Record& record) {
    record = {};
    record.stRev = U16(image + offsets[kTbStRev]);
    std::memcpy(record.modeBlk, image + offsets[kTbModeBlk], sizeof record.modeBlk);
    record.blockErr = U16(image + offsets[kTbBlockErr]);
    record.transducerType = U16(image + offsets[kTbTransducerType]);
    record.xdError = image[offsets[kTbXdError]];
    record.finalValueStatus = image[offsets[kTbFinalValue]];
    record.finalValue = F32(image + offsets[kTbFinalValue] + 1);
    record.finalPositionStatus = image[offsets[kTbFinalPositionValue]];
    record.finalPositionValue = F32(image + offsets[kTbFinalPositionValue] + 1);
    std::memcpy(record.alarmSum, image + offsets[kTbAlarmSum], sizeof record.alarmSum);
    record.electTemp = F32(image + offsets[kTbElectTemp]);
    record.outPressure = F32(image + offsets[kTbOutPressure]);
    record.servoOutputSignal = F32(image + offsets[kTbServoOutputSignal]);
}

void ConvertViewFloats(uint8_t* image, size_t imageSize, const size_t* offsets, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (offsets[i] + 4 > imageSize) continue;
        const float value = F32(image + offsets[i]);
        std::memcpy(image + offsets[i], &value, sizeof value);
    }
}

}  // namespace fieldbus
