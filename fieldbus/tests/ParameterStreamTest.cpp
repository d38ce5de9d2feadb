#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fieldbus/ParameterStream.h"
#include "fieldbus/tests/support/MemoryDevice.h"

using fieldbus::BitStringValue;
using fieldbus::EnumValue;
using fieldbus::OpenParameterStream;
using fieldbus::ParameterStream;
using fieldbus::ToDottedName;
using fieldbus::testing::MemoryDevice;

namespace {

constexpr int kTb = 1;

using Bytes = std::vector<uint8_t>;

class ParameterStreamTest : public ::testing::Test {
protected:
    std::unique_ptr<ParameterStream> Open(const std::vector<std::string>& names, int block = kTb) {
        return OpenParameterStream(&device, block, names);
    }
    // The names of the device calls of one operation, in order.
    std::vector<std::string> Accessed(const std::string& op) const {
        std::vector<std::string> names;
        for (const auto& call : device.Calls()) {
            if (call.op == op) names.push_back(call.name + "/" + std::to_string(call.size));
        }
        return names;
    }
    MemoryDevice device;
};

}  // namespace

TEST(ParameterName, PathFormBecomesDottedForm) {
    EXPECT_EQ("SERVO_GAIN", ToDottedName("SERVO_GAIN"));
    EXPECT_EQ("SP", ToDottedName("SP/VALUE"));
    EXPECT_EQ("ACTUATOR_TYPE", ToDottedName("ACTUATOR_TYPE/ValueAsString"));
    EXPECT_EQ("BOOST_VALUE", ToDottedName("BOOST_VALUE/1"));
    EXPECT_EQ("BOOST_VALUE.2", ToDottedName("BOOST_VALUE/2"));
    EXPECT_EQ("MODE_BLK.TARGET", ToDottedName("MODE_BLK/TARGET"));
    EXPECT_EQ("FINAL_VALUE_RANGE.EU_0", ToDottedName("FINAL_VALUE_RANGE/EU_0"));
    // A "/1" followed by more characters (a member named 12) cuts all the same.
    EXPECT_EQ("REC", ToDottedName("REC/12"));
    EXPECT_EQ("A.1", ToDottedName("A/1/1"));  // the last "/1" only
    // The suffixes are tested in turn and only the first found applies; the rest converts.
    EXPECT_EQ("A.1", ToDottedName("A/1/VALUE"));
    EXPECT_EQ("A.VALUE", ToDottedName("A/VALUE/ValueAsString"));
    EXPECT_EQ("FINAL_VALUE", ToDottedName("FINAL_VALUE"));
}

TEST_F(ParameterStreamTest, MembersAreAccessedInDottedForm) {
    device.SetBytes(kTb, "MODE_BLK.TARGET", {0x08});
    auto stream = Open({"MODE_BLK/TARGET"});
    uint8_t mode = 0;
    EXPECT_EQ(0, stream->ReadRaw1(mode));
    EXPECT_EQ(0x08, mode);
    EXPECT_EQ((std::vector<std::string>{"MODE_BLK.TARGET/1"}), Accessed("ReadParameter"));
}

TEST_F(ParameterStreamTest, ArrayReadsTakeTheWholeArrayAndConsumeOneNamePerElement) {
    device.SetFloats(kTb, "BOOST_ON_THRESHOLD", {1.5f, -2.0f});
    device.SetFloat(kTb, "BOOST_OFF_THRESHOLD", 3.25f);
    auto stream = Open({"BOOST_ON_THRESHOLD/1", "BOOST_ON_THRESHOLD/2", "BOOST_OFF_THRESHOLD/1"});
    float pair[2] = {};
    float single = 0.0f;
    EXPECT_EQ(0, stream->ReadFloat2(pair));
    EXPECT_EQ(1, stream->Cursor());
    EXPECT_EQ(0, stream->ReadFloat(single));
    EXPECT_EQ(2, stream->Cursor());
    EXPECT_EQ(1, stream->IsGood());
    EXPECT_FLOAT_EQ(1.5f, pair[0]);
    EXPECT_FLOAT_EQ(-2.0f, pair[1]);
    EXPECT_FLOAT_EQ(3.25f, single);
    EXPECT_EQ((std::vector<std::string>{"BOOST_ON_THRESHOLD/8", "BOOST_OFF_THRESHOLD/4"}), Accessed("ReadParameter"));
}

TEST_F(ParameterStreamTest, NineFloatWriteIsOneBigEndianAccess) {
    device.SetFloats(kTb, "POSITION_CHAR", std::vector<float>(9, 0.0f));
    device.SetFloat(kTb, "SUPPLY_PRESSURE", 0.0f);
    std::vector<std::string> names;
    for (int i = 1; i <= 9; ++i) names.push_back("POSITION_CHAR/" + std::to_string(i));
    names.push_back("SUPPLY_PRESSURE");
    auto stream = Open(names);
    const float curve[9] = {0, 12.5f, 25, 37.5f, 50, 62.5f, 75, 87.5f, 100};
    EXPECT_EQ(0, stream->WriteFloat9(curve));
    EXPECT_EQ(0, stream->WriteFloat(4.0f));
    EXPECT_FLOAT_EQ(12.5f, device.FloatAt(kTb, "POSITION_CHAR", 1));
    EXPECT_FLOAT_EQ(100.0f, device.FloatAt(kTb, "POSITION_CHAR", 8));
    EXPECT_EQ((Bytes{0x40, 0x80, 0x00, 0x00}), device.Bytes(kTb, "SUPPLY_PRESSURE"));
    EXPECT_EQ((std::vector<std::string>{"POSITION_CHAR/36", "SUPPLY_PRESSURE/4"}), Accessed("WriteParameter"));
}

TEST_F(ParameterStreamTest, FirstFailureSkipsEveryLaterAccessAndKeepsCallerValues) {
    device.SetFloat(kTb, "SERVO_GAIN", 2.0f);
    device.SetFloat(kTb, "SERVO_RATE", 4.0f);
    device.SetFloat(kTb, "SERVO_DEADBAND", 5.0f);
    device.FailOn("ReadParameter", "SERVO_RESET");
    auto stream = Open({"SERVO_GAIN", "SERVO_RESET", "SERVO_RATE", "SERVO_DEADBAND", "SERVO_OFFSET"});
    float gain = 0, reset = -1, rate = -1, band[2] = {-1, -1};
    EXPECT_EQ(0, stream->ReadFloat(gain));
    EXPECT_NE(0, stream->ReadFloat(reset));
    EXPECT_NE(0, stream->ReadFloat(rate));
    EXPECT_NE(0, stream->ReadFloat2(band));
    EXPECT_NE(0, stream->WriteFloat(1.0f));
    EXPECT_EQ(0, stream->IsGood());
    EXPECT_EQ(2u, device.CallCount());
    EXPECT_EQ(0u, device.CallCount("WriteParameter"));
    EXPECT_FLOAT_EQ(2.0f, gain);
    EXPECT_FLOAT_EQ(-1.0f, reset);  // the caller's values are not disturbed
    EXPECT_FLOAT_EQ(-1.0f, rate);
    EXPECT_FLOAT_EQ(-1.0f, band[0]);
    // The cursor keeps moving; Reset does not clear the failed state.
    EXPECT_EQ(5, stream->Cursor());
    stream->Reset();
    EXPECT_EQ(-1, stream->Cursor());
    EXPECT_NE(0, stream->ReadFloat(gain));
    EXPECT_EQ(2u, device.CallCount());
}

TEST_F(ParameterStreamTest, ShortAnswerFailsTheAccess) {
    device.SetFloat(kTb, "DEVIATION_TIME_TH", 7.0f);  // 4 octets where 8 are expected
    auto stream = Open({"DEVIATION_TIME_TH/1", "DEVIATION_TIME_TH/2"});
    float pair[2] = {-1, -1};
    EXPECT_NE(0, stream->ReadFloat2(pair));
    EXPECT_EQ(0, stream->IsGood());
    EXPECT_FLOAT_EQ(-1.0f, pair[0]);
}

TEST_F(ParameterStreamTest, AbsentBlockNoDeviceAndTableEndFailWithoutDeviceCalls) {
    float value = 0;
    auto absent = Open({"SP_HI_LIM"}, -1);
    EXPECT_NE(0, absent->ReadFloat(value));
    EXPECT_EQ(0, absent->IsGood());

    auto none = OpenParameterStream(nullptr, kTb, std::vector<std::string>{"SP_HI_LIM"});
    EXPECT_NE(0, none->WriteFloat(1.0f));
    EXPECT_EQ(0, none->IsGood());

    device.SetFloat(kTb, "SP_HI_LIM", 1.0f);
    auto shortTable = Open({"SP_HI_LIM"});
    EXPECT_EQ(0, shortTable->ReadFloat(value));
    EXPECT_NE(0, shortTable->ReadFloat(value));
    EXPECT_EQ(0, shortTable->IsGood());
    EXPECT_EQ(1u, device.CallCount());
}

TEST_F(ParameterStreamTest, SkippingMovesTheCursor) {
    device.SetFloat(kTb, "D", 4.0f);
    device.SetFloat(kTb, "B", 2.0f);
    auto stream = Open({"A", "B", "C", "D", "E", "F"});
    stream->SkipForward(3);
    EXPECT_EQ(2, stream->Cursor());
    EXPECT_EQ(0, stream->Skip());
    EXPECT_EQ(3, stream->Cursor());
    stream->SkipBack(5);  // would pass 0: ignored
    EXPECT_EQ(3, stream->Cursor());
    stream->SkipBack(3);  // would reach 0: ignored
    EXPECT_EQ(3, stream->Cursor());
    stream->SkipBack(1);
    EXPECT_EQ(2, stream->Cursor());
    float d = 0;
    EXPECT_EQ(0, stream->ReadFloat(d));
    EXPECT_FLOAT_EQ(4.0f, d);
    stream->Reset();
    stream->SkipForward(1);
    float b = 0;
    EXPECT_EQ(0, stream->ReadFloat(b));
    EXPECT_FLOAT_EQ(2.0f, b);
    EXPECT_EQ(0u, device.CallCount("WriteParameter"));
}

TEST_F(ParameterStreamTest, EnumReadTakesValueTextsAndConsumesTwoNames) {
    device.SetU16(kTb, "SPRING_RANGE.UNITS_INDEX", 1133);
    device.SetEnum(kTb, "SPRING_RANGE.UNITS_INDEX", {{1130, "Pa"}, {1133, "kPa"}, {1141, "psi"}});
    device.SetBytes(kTb, "POSITION_CHAR_TYPE", {3});
    device.SetEnum(kTb, "POSITION_CHAR_TYPE", {{1, "Linear"}, {3, "Custom"}});
    auto stream = Open({"SPRING_RANGE/UNITS_INDEX", "SPRING_RANGE/UNITS_INDEX/ValueAsString", "POSITION_CHAR_TYPE",
                        "POSITION_CHAR_TYPE/ValueAsString"});
    EnumValue units;
    units.size = 2;
    EXPECT_EQ(0, stream->ReadEnum(units));
    EXPECT_EQ(1, stream->Cursor());
    EXPECT_EQ(1133u, units.value);
    EXPECT_EQ("kPa", units.text);
    EXPECT_EQ((std::vector<std::string>{"Pa", "kPa", "psi"}), units.texts);
    EXPECT_EQ((std::vector<uint32_t>{1130, 1133, 1141}), units.values);

    EnumValue type;  // 1 octet
    EXPECT_EQ(0, stream->ReadEnum(type));
    EXPECT_EQ(3u, type.value);
    EXPECT_EQ("Custom", type.text);
    EXPECT_EQ(3, stream->Cursor());
    EXPECT_EQ((std::vector<std::string>{"SPRING_RANGE.UNITS_INDEX/2", "POSITION_CHAR_TYPE/1"}),
              Accessed("ReadParameter"));
}

TEST_F(ParameterStreamTest, EnumValueWithoutDescriptionFailsTheStream) {
    device.SetU32(kTb, "VALVE_MAN_ID", 0x1E0B);
    device.SetEnum(kTb, "VALVE_MAN_ID", {{0x100, "Other"}});
    auto stream = Open({"VALVE_MAN_ID", "VALVE_MAN_ID/ValueAsString"});
    EnumValue maker;
    maker.size = 4;
    maker.text = "kept";
    EXPECT_NE(0, stream->ReadEnum(maker));
    EXPECT_EQ(0, stream->IsGood());
    EXPECT_EQ("kept", maker.text);
}

TEST_F(ParameterStreamTest, EnumWritesUseTheValueOrTheDevicesValueForTheText) {
    device.SetU32(kTb, "ACT_MAN_ID", 0);
    device.SetEnum(kTb, "ACT_MAN_ID", {{0x00123456, "Maker A"}});
    device.SetU16(kTb, "TEMPERATURE_UNIT", 0);
    device.SetU16(kTb, "OTHER", 0);
    device.SetEnum(kTb, "TEMPERATURE_UNIT", {{1001, "degC"}});
    auto stream = Open({"ACT_MAN_ID", "TEMPERATURE_UNIT", "OTHER"});
    EnumValue maker;
    maker.size = 4;
    maker.text = "Maker A";  // value 0: the text decides
    EXPECT_EQ(0, stream->WriteEnum(maker));
    EnumValue unit;
    unit.size = 2;
    unit.value = 1002;
    unit.text = "degC";  // a value is given: it is written as it is
    EXPECT_EQ(0, stream->WriteEnum(unit));
    EXPECT_EQ(0, stream->WriteEnumU16(0x0102, ""));
    EXPECT_EQ((Bytes{0x00, 0x12, 0x34, 0x56}), device.Bytes(kTb, "ACT_MAN_ID"));
    EXPECT_EQ((Bytes{0x03, 0xEA}), device.Bytes(kTb, "TEMPERATURE_UNIT"));
    EXPECT_EQ((Bytes{0x01, 0x02}), device.Bytes(kTb, "OTHER"));
    EXPECT_EQ(1, stream->IsGood());
}

TEST_F(ParameterStreamTest, BitStringReadTakesTextsAndWriteRoundTrips) {
    device.SetBytes(kTb, "IO_OPTS", {0x80, 0x01});
    device.SetBits(kTb, "IO_OPTS", {{1u << 0, "Invert"}, {1u << 1, "SP tracks PV"}, {1u << 15, "Use PV for BKCAL_OUT"}});
    auto stream = Open({"IO_OPTS", "IO_OPTS"});
    BitStringValue options;
    EXPECT_EQ(0, stream->ReadBitString(options));
    EXPECT_EQ(0x8001, options.value);
    EXPECT_EQ((std::vector<std::string>{"Invert", "Use PV for BKCAL_OUT"}), options.setTexts);
    EXPECT_EQ(3u, options.texts.size());
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 0x8000}), options.bitValues);
    EXPECT_EQ(0, stream->Cursor());

    options.value &= 0xBFFE;  // bit 0 removed: only bit 15 stays
    EXPECT_EQ(0, stream->WriteBitString(options));
    EXPECT_EQ((Bytes{0x00, 0x01}), device.Bytes(kTb, "IO_OPTS"));

    // Only the texts known: the device's bits for them.
    stream->Reset();
    BitStringValue byText;
    byText.setTexts = {"SP tracks PV", "Invert"};
    EXPECT_EQ(0, stream->WriteBitString(byText));
    EXPECT_EQ((Bytes{0xC0, 0x00}), device.Bytes(kTb, "IO_OPTS"));
}

TEST_F(ParameterStreamTest, RecordsTextsDatesAndStatusValues) {
    device.SetBytes(kTb, "FF_VAL", {0x80, 0x42, 0xC8, 0x00, 0x00});
    device.SetFloat(kTb, "FF_VAL.VALUE", 0.0f);
    device.SetText(kTb, "TAG_DESC", "  Feed pump ");
    device.SetBytes(kTb, "XD_CAL_DATE", Bytes(7, 0));
    device.SetU32(kTb, "TRAVEL_LIM", 0);
    auto stream = Open({"FF_VAL/VALUE", "FF_VAL", "TAG_DESC", "TAG_DESC", "XD_CAL_DATE", "TRAVEL_LIM"});
    fieldbus::StatusValue ff;
    EXPECT_EQ(0, stream->ReadStatusValue(ff));
    EXPECT_EQ(0x80, ff.status);
    EXPECT_FLOAT_EQ(100.0f, ff.value);
    EXPECT_EQ(0, stream->WriteStatusValue(2.0f));
    EXPECT_EQ((Bytes{0x40, 0x00, 0x00, 0x00}), device.Bytes(kTb, "FF_VAL.VALUE"));

    std::string text;
    EXPECT_EQ(0, stream->ReadText(text));
    EXPECT_EQ("Feed pump", text);
    EXPECT_EQ(0, stream->WriteText("Valve 7"));
    const Bytes field = device.Bytes(kTb, "TAG_DESC");
    EXPECT_EQ("Valve 7" + std::string(25, ' '), std::string(field.begin(), field.end()));

    values::FieldbusDate date;
    date.seconds = 42;
    date.minutes = 30;
    date.hours = 14;
    date.dayOfMonth = 9;
    date.month = 3;
    date.year = 24;
    date.dayOfWeek = 6;
    EXPECT_EQ(0, stream->WriteDate(date));
    stream->SkipBack(1);
    values::FieldbusDate back;
    EXPECT_EQ(0, stream->ReadDate(back));
    EXPECT_EQ(42000, back.milliseconds);
    EXPECT_EQ(14, back.hours);
    EXPECT_EQ(9, back.dayOfMonth);

    EXPECT_EQ(0, stream->WriteU32(0x01020304));
    EXPECT_EQ((Bytes{1, 2, 3, 4}), device.Bytes(kTb, "TRAVEL_LIM"));
    EXPECT_EQ(1, stream->IsGood());
}

TEST_F(ParameterStreamTest, LongTextsAreCut) {
    device.SetText(kTb, "MODEL", std::string(250, 'm') + " ", 300);
    device.SetBytes(kTb, "VALVE_SN", {' ', 'S', 'N', '1', 0, 'x', 'x'});
    device.SetText(kTb, "ACT_SN", "");
    auto stream = Open({"MODEL", "VALVE_SN", "ACT_SN"});
    std::string model, serial;
    EXPECT_EQ(0, stream->ReadText(model));
    EXPECT_EQ(std::string(239, 'm'), model);
    EXPECT_EQ(0, stream->ReadText(serial));
    EXPECT_EQ("SN1", serial);
    EXPECT_EQ(0, stream->WriteText(std::string(40, 'w')));
    EXPECT_EQ(Bytes(32, 'w'), device.Bytes(kTb, "ACT_SN"));
}

TEST_F(ParameterStreamTest, ReadAllFillsOneRecordAndTheTextList) {
    device.SetFloat(kTb, "GAIN", 1.0f);
    device.SetText(kTb, "TAG_DESC", " PID loop ");
    device.SetBytes(kTb, "BYPASS", {0x01});
    device.SetU16(kTb, "PV_SCALE.UNITS_INDEX", 1342);
    auto stream = Open({"GAIN", "TAG_DESC", "BYPASS", "PV_SCALE/UNITS_INDEX"});
    EXPECT_EQ(0, stream->ReadAll({4, 0, 1, 2}));
    EXPECT_EQ((Bytes{0x3F, 0x80, 0x00, 0x00, 0x01, 0x05, 0x3E}), stream->Record());
    EXPECT_EQ((std::vector<std::string>{"PID loop"}), stream->Texts());
    EXPECT_EQ(3, stream->Cursor());
    EXPECT_EQ(1, stream->IsGood());

    // A second run starts afresh and stops at the first failure.
    device.FailOn("ReadParameter", "BYPASS");
    device.ClearCalls();
    EXPECT_NE(0, stream->ReadAll({4, 0, 1, 2}));
    EXPECT_EQ(0, stream->IsGood());
    EXPECT_EQ(4u, stream->Record().size());
    EXPECT_EQ(3u, device.CallCount());
    EXPECT_NE(0, stream->ReadAll({4, 0, 1, 2}));
    EXPECT_EQ(3u, device.CallCount());
}

TEST_F(ParameterStreamTest, ReadAllNeedsOneSizePerName) {
    device.SetFloat(kTb, "GAIN", 1.0f);
    auto stream = Open({"GAIN", "RESET"});
    EXPECT_NE(0, stream->ReadAll({4}));
    EXPECT_EQ(0, stream->IsGood());
    EXPECT_EQ(0u, device.CallCount());
}
