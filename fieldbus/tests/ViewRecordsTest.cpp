// The byte layouts of the published views: locating the transducer view's members by name
// (and refusing descriptions that do not fit), unpacking it, and the AO and PID floats.
#include <gtest/gtest.h>

#include <cstring>

#include "fieldbus/ViewRecords.h"

namespace fieldbus {
namespace {

// The transducer view members as the segment's positioners order them, with one extra.
struct View {
    std::vector<std::string> names = {"ST_REV",         "MODE_BLK", "BLOCK_ERR",   "TRANSDUCER_TYPE",
                                      "XD_ERROR",       "FINAL_VALUE", "FINAL_POSITION_VALUE",
                                      "SERVO_OUTPUT_SIGNAL", "OUT_PRESSURE", "SUPPLY_PRESSURE",
                                      "ELECT_TEMP",     "ALARM_SUM"};
    std::vector<uint16_t> sizes = {2, 4, 2, 2, 1, 5, 5, 4, 4, 4, 4, 8};
    uint16_t Size() const {
        uint16_t n = 0;
        for (uint16_t s : sizes) n = static_cast<uint16_t>(n + s);
        return n;
    }
};

void PutFloat(uint8_t* at, float value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    for (int i = 0; i < 4; ++i) at[i] = bytes[3 - i];  // big-endian on the wire
}

TEST(ViewRecordsTest, MembersAreFoundByNameWhereverTheDevicePutsThem) {
    View view;
    view.names[5] = "  final_value ";
    uint16_t offsets[kTbView3MemberCount] = {};
    ASSERT_TRUE(LocateTbView3Members(view.names, view.sizes, view.Size(), offsets));
    EXPECT_EQ(offsets[kTbStRev], 0);
    EXPECT_EQ(offsets[kTbModeBlk], 2);
    EXPECT_EQ(offsets[kTbXdError], 10);
    EXPECT_EQ(offsets[kTbFinalValue], 11);
    EXPECT_EQ(offsets[kTbFinalPositionValue], 16);
    EXPECT_EQ(offsets[kTbServoOutputSignal], 21);
    EXPECT_EQ(offsets[kTbElectTemp], 33);
    EXPECT_EQ(offsets[kTbAlarmSum], 37);

    std::vector<uint8_t> image(view.Size());
    image[0] = 0x01;
    image[1] = 0x02;                                   // ST_REV 0x0102
    image[3] = 0x10;                                   // MODE_BLK actual
    image[8] = 0x12;                                   // TRANSDUCER_TYPE 0x1234
    image[9] = 0x34;
    image[10] = 7;                                     // XD_ERROR
    image[11] = 0x80;                                  // FINAL_VALUE status
    PutFloat(&image[12], 42.5f);
    PutFloat(&image[17], 41.0f);
    PutFloat(&image[21], 63.0f);                       // SERVO_OUTPUT_SIGNAL
    PutFloat(&image[33], 21.5f);                       // ELECT_TEMP
    image[44] = 0xAA;                                  // last byte of ALARM_SUM
    TbView3Record record{};
    UnpackTbView3(image.data(), offsets, record);
    EXPECT_EQ(uint16_t{record.stRev}, 0x0102);
    EXPECT_EQ(record.modeBlk[1], 0x10);
    EXPECT_EQ(uint16_t{record.transducerType}, 0x1234);
    EXPECT_EQ(record.xdError, 7);
    EXPECT_EQ(record.finalValueStatus, 0x80);
    EXPECT_EQ(float{record.finalValue}, 42.5f);
    EXPECT_EQ(float{record.finalPositionValue}, 41.0f);
    EXPECT_EQ(float{record.servoOutputSignal}, 63.0f);
    EXPECT_EQ(float{record.electTemp}, 21.5f);
    EXPECT_EQ(record.alarmSum[7], 0xAA);
}

TEST(ViewRecordsTest, DescriptionsThatDoNotFitTheRecordAreRefused) {
    uint16_t offsets[kTbView3MemberCount] = {};
    View missing;
    missing.names.erase(missing.names.begin() + 10);
    missing.sizes.erase(missing.sizes.begin() + 10);
    EXPECT_FALSE(LocateTbView3Members(missing.names, missing.sizes, missing.Size(), offsets));

    View truncated;
    EXPECT_FALSE(LocateTbView3Members(truncated.names, truncated.sizes, truncated.Size() - 1, offsets));
    EXPECT_FALSE(LocateTbView3Members(truncated.names, truncated.sizes, 0, offsets));

    View resized;
    resized.sizes[5] = 4;  // FINAL_VALUE without its status byte
    EXPECT_FALSE(LocateTbView3Members(resized.names, resized.sizes, resized.Size(), offsets));

    View uneven;
    uneven.sizes.pop_back();
    EXPECT_FALSE(LocateTbView3Members(uneven.names, uneven.sizes, 200, offsets));
}

TEST(ViewRecordsTest, TheAoAndPidFloatsAreTurnedToHostOrderInPlace) {
    RawRecord33 ao{};
    for (size_t offset : kAoView1FloatOffsets) PutFloat(&ao[offset], static_cast<float>(offset));
    ao[8] = 0x80;
    ConvertViewFloats(ao.data(), ao.size(), kAoView1FloatOffsets, std::size(kAoView1FloatOffsets));
    for (size_t offset : kAoView1FloatOffsets) EXPECT_EQ(ViewFloat(ao.data(), offset), static_cast<float>(offset));
    EXPECT_EQ(ao[8], 0x80);

    RawRecord83 pid{};
    PutFloat(&pid[24], 5.0f);  // not one of the converted values: stays as received
    for (size_t offset : kPidView3FloatOffsets) PutFloat(&pid[offset], 1.5f);
    ConvertViewFloats(pid.data(), pid.size(), kPidView3FloatOffsets, std::size(kPidView3FloatOffsets));
    for (size_t offset : kPidView3FloatOffsets) EXPECT_EQ(ViewFloat(pid.data(), offset), 1.5f);
    EXPECT_EQ(pid[24], 0x40);

    // An image too short for an offset leaves that float alone.
    uint8_t shortImage[12] = {};
    PutFloat(&shortImage[9 - 1], 2.0f);
    const uint8_t before = shortImage[9];
    ConvertViewFloats(shortImage, sizeof shortImage, kAoView1FloatOffsets, std::size(kAoView1FloatOffsets));
    EXPECT_EQ(shortImage[9], before);
}

}  // namespace
}  // namespace fieldbus
