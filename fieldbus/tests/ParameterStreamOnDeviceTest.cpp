// Parameter streams over a real device object, through the Fieldbus library to the fake bus.
#include <gtest/gtest.h>

#include "fieldbus/ParameterStream.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {

class ParameterStreamOnDeviceTest : public DeviceTestBed {};

TEST_F(ParameterStreamOnDeviceTest, ReadsAndWritesATransducerTable) {
    OpenStandard();
    const char* const names[] = {"SERVO_GAIN", "DEV_OPTIONS",       "ACTUATOR_TYPE",    "ACTUATOR_TYPE/ValueAsString",
                                 "XD_CAL_WHO", "FINAL_VALUE/VALUE", "TEMPERATURE_UNIT", "SERVO_GAIN"};
    auto stream = OpenParameterStream(&device, kTb, names, 8);
    float gain = 0;
    BitStringValue options;
    EnumValue actuator;
    std::string who;
    StatusValue final;
    EXPECT_EQ(0, stream->ReadFloat(gain));
    EXPECT_EQ(0, stream->ReadBitString(options));
    EXPECT_EQ(0, stream->ReadEnum(actuator));
    EXPECT_EQ(0, stream->ReadText(who));
    EXPECT_EQ(0, stream->ReadStatusValue(final));
    EnumValue unit;
    unit.size = 2;
    unit.text = "degF";
    EXPECT_EQ(0, stream->WriteEnum(unit));
    EXPECT_EQ(0, stream->WriteFloat(2.5f));
    EXPECT_EQ(1, stream->IsGood());

    EXPECT_FLOAT_EQ(1.5f, gain);
    EXPECT_EQ(0x8001, options.value);
    EXPECT_EQ((std::vector<std::string>{"Link Master", "Extended Servo"}), options.setTexts);
    EXPECT_EQ((std::vector<uint32_t>{1u, 2u, 1u << 15}), options.bitValues);
    EXPECT_EQ(1u, actuator.value);
    EXPECT_EQ("Single Acting", actuator.text);
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), actuator.values);
    EXPECT_EQ("Smith", who);
    EXPECT_EQ(0x80, final.status);
    EXPECT_FLOAT_EQ(42.5f, final.value);
    EXPECT_TRUE(ui.Messages().empty());

    // The written values read back through a fresh stream.
    const char* const again[] = {"TEMPERATURE_UNIT", "TEMPERATURE_UNIT/ValueAsString", "SERVO_GAIN"};
    auto check = OpenParameterStream(&device, kTb, again, 3);
    EnumValue readUnit;
    readUnit.size = 2;
    EXPECT_EQ(0, check->ReadEnum(readUnit));
    EXPECT_EQ(1002u, readUnit.value);
    EXPECT_EQ("degF", readUnit.text);
    EXPECT_EQ(0, check->ReadFloat(gain));
    EXPECT_FLOAT_EQ(2.5f, gain);
}

TEST_F(ParameterStreamOnDeviceTest, AMissingParameterSkipsTheRestOfTheTable) {
    OpenStandard();
    const char* const names[] = {"SERVO_GAIN", "NO_SUCH_PARAMETER", "SERVO_GAIN"};
    auto stream = OpenParameterStream(&device, kTb, names, 3);
    float values[3] = {};
    EXPECT_EQ(0, stream->ReadFloat(values[0]));
    bus->ClearCalls();
    EXPECT_NE(0, stream->ReadFloat(values[1]));
    const size_t callsAfterFailure = bus->Calls().size();
    EXPECT_NE(0, stream->WriteFloat(3.0f));
    EXPECT_EQ(0, stream->IsGood());
    EXPECT_EQ(callsAfterFailure, bus->Calls().size());
    EXPECT_EQ(0u, WritesOnBus());
}

}  // namespace fieldbus::testing
