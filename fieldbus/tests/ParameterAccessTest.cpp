// Parameter access by name on the fake bus: wire names, sizes, byte order, strings, mode
// rules, silence while the link is down and the device log lines of failures.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "fieldbus/BlockKind.h"
#include "fieldbus/MessageLog.h"
#include "support/DeviceTestBed.h"

namespace fieldbus::testing {
namespace {

using nifb::Op;

class ParameterAccessTest : public DeviceTestBed {
protected:
    void SetUp() override {
        DeviceTestBed::SetUp();
        OpenStandard();
    }
    FakeBlock& Block(int block) { return bus->Device(deviceNumber).blocks[static_cast<size_t>(block)]; }
    FakeCall LastCall() const { return bus->Calls().back(); }
};

TEST_F(ParameterAccessTest, ReadWithSizeZeroAsksTheSizeAndReturnsIt) {
    uint8_t buffer[16] = {};
    uint16_t size = 0;
    ASSERT_EQ(device.ReadParameter(kTb, "FINAL_VALUE", buffer, size), 0);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(buffer[0], 0x80);
    EXPECT_EQ(bus->CountCalls(Op::GetObjectSize), 1u);
    EXPECT_EQ(device.LastStatus(), E_OK);
}

TEST_F(ParameterAccessTest, TaggedBlocksAreAddressedThroughTheFirstVfd) {
    uint8_t buffer[5] = {};
    uint16_t size = sizeof buffer;
    ASSERT_EQ(device.ReadParameter(kAo, "OUT", buffer, size), 0);
    EXPECT_EQ(LastCall().name, "AO_1.OUT");
    EXPECT_EQ(LastCall().block, kAo);
}

TEST_F(ParameterAccessTest, BlockTagWithAPointOrNoTagUsesTheBareNameOnTheBlock) {
    Block(kAo).tag = "AO.1";
    Block(kTb).tag = "";
    ASSERT_EQ(device.ReadBackBlockTags(), 0);
    ASSERT_EQ(device.GetBlockTag(kAo), "AO.1");
    bus->ClearCalls();

    uint8_t buffer[5] = {};
    uint16_t size = sizeof buffer;
    ASSERT_EQ(device.ReadParameter(kAo, "OUT", buffer, size), 0);
    EXPECT_EQ(LastCall().name, "OUT");
    EXPECT_EQ(LastCall().block, kAo);
    size = sizeof buffer;
    ASSERT_EQ(device.ReadParameter(kTb, "FINAL_VALUE", buffer, size), 0);
    EXPECT_EQ(LastCall().name, "FINAL_VALUE");
    EXPECT_EQ(LastCall().block, kTb);
}

TEST_F(ParameterAccessTest, IndexAndManagementVariantsUseTheirOwnNames) {
    uint8_t buffer[32] = {};
    uint16_t size = 5;
    ASSERT_EQ(device.ReadParameterByIndex(kAo, 4, buffer, size), 0);  // OUT is the fourth parameter
    EXPECT_EQ(LastCall().name, "$I5004");
    EXPECT_EQ(buffer[0], 0x80);
    const uint8_t out[5] = {0x40, 1, 2, 3, 4};
    ASSERT_EQ(device.WriteParameterByIndex(kAo, 4, out, 5), 0);
    EXPECT_EQ(Block(kAo).parameters[3].bytes, std::vector<uint8_t>(out, out + 5));
    EXPECT_NE(device.WriteParameterBySubindex(kAo, 4, 2, out, 4), 0);  // the fake has no such member
    EXPECT_EQ(LastCall().name, "$I5004.2");
    size = 0;
    ASSERT_EQ(device.ReadManagementObject("FB_START_ENTRY.2", buffer, size), 0);
    EXPECT_EQ(size, 10);
}

TEST_F(ParameterAccessTest, TypedReadsConvertFromBigEndian) {
    StatusValue finalValue;
    ASSERT_EQ(device.ReadTbFinalValue(finalValue), 0);
    EXPECT_EQ(finalValue.status, 0x80);
    EXPECT_FLOAT_EQ(finalValue.value, 42.5f);
    ScalingRecord spring;
    ASSERT_EQ(device.ReadTbSpringRange(spring), 0);
    EXPECT_FLOAT_EQ(spring.eu100, 30.0f);
    EXPECT_FLOAT_EQ(spring.eu0, 5.0f);
    EXPECT_EQ(spring.unitsIndex, 1141);
    EXPECT_EQ(spring.decimals, 2);
    uint16_t unit = 0;
    ASSERT_EQ(device.ReadTbTemperatureUnit(unit), 0);
    EXPECT_EQ(unit, 1001);
    uint32_t manufacturer = 0;
    std::string text;
    ASSERT_EQ(device.ReadRbManufacIdText(manufacturer, text), 0);
    EXPECT_EQ(manufacturer, 0x42524Bu);
    EXPECT_EQ(text, "Maker Inc");
}

TEST_F(ParameterAccessTest, BitStringsKeepBitKAsBitKBothWays) {
    uint16_t options = 0;
    ASSERT_EQ(device.ReadTbDevOptions(options), 0);
    EXPECT_EQ(options, 0x8001);  // 0x80 0x01 on the wire: bits 0 and 15
    std::vector<std::string> texts;
    ASSERT_EQ(device.GetBitTexts(kTb, "DEV_OPTIONS", options, texts), 0);
    EXPECT_EQ(texts, (std::vector<std::string>{"Link Master", "Extended Servo"}));

    PutOutOfService();  // IO_OPTS is a configuration change
    ASSERT_EQ(device.WriteAoIoOpts(0x8001), 0);
    EXPECT_EQ(Block(kAo).parameters[5].bytes, (std::vector<uint8_t>{0x80, 0x01}));
    uint16_t back = 0;
    ASSERT_EQ(device.ReadAoIoOpts(back), 0);
    EXPECT_EQ(back, 0x8001);
}

TEST_F(ParameterAccessTest, EnumerationTextsAreTheEnglishPartWithoutLeadingBlanks) {
    std::string text;
    ASSERT_EQ(device.GetEnumText(kTb, "ACTUATOR_TYPE", text, 1), 0);
    EXPECT_EQ(text, "Single Acting");
    std::vector<std::string> texts;
    ASSERT_EQ(device.GetEnumTexts(kTb, "ACTUATOR_TYPE", texts), 0);
    EXPECT_EQ(texts, (std::vector<std::string>{"Single Acting", "Double Acting"}));

    // The found value comes in wire order, ready to be written.
    uint16_t unit = 0;
    ASSERT_EQ(device.FindEnumValue(kTb, "TEMPERATURE_UNIT", "degF", unit), 0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&unit);
    EXPECT_EQ(bytes[0], 0x03);
    EXPECT_EQ(bytes[1], 0xEA);
    ASSERT_EQ(device.WriteParameter(kTb, "TEMPERATURE_UNIT", &unit, 2), 0);
    uint16_t read = 0;
    ASSERT_EQ(device.ReadTbTemperatureUnit(read), 0);
    EXPECT_EQ(read, 1002);
    uint32_t bit = 0;
    ASSERT_EQ(device.FindBitValue(kTb, "DEV_OPTIONS", "Signature", bit), 0);
    EXPECT_EQ(bit, 2u);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ParameterAccessTest, EnumerationFailuresNameTheWireName) {
    std::string text;
    EXPECT_EQ(device.GetEnumText(kTb, "ACTUATOR_TYPE", text, 9), 1);
    EXPECT_EQ(device.GetEnumText(kTb, "SERVO_GAIN", text, 0), 1);
    EXPECT_EQ(device.GetEnumText(kTb, "DEV_OPTIONS", text, 1), 1);
    uint8_t value = 0;
    EXPECT_EQ(device.FindEnumValue(kTb, "ACTUATOR_TYPE", "Triple Acting", value), 1);
    bus->FailNext(Op::GetObjectAttributes, E_DD_LOOKUP_FAILED);
    EXPECT_EQ(device.GetEnumText(kTb, "ACTUATOR_TYPE", text, 1), 1);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{
                              "Error: Failed to find enum match in DD for TB_1.ACTUATOR_TYPE .",
                              "Error: Failed to find enum list in DD for TB_1.SERVO_GAIN .",
                              "Error: Unexpected attribute enum item type for TB_1.DEV_OPTIONS .",
                              "Error: Failed to find enum match in DD for TB_1.ACTUATOR_TYPE .",
                              "Error: Failed to get the attribute for TB_1.ACTUATOR_TYPE .",
                          }));
}

TEST_F(ParameterAccessTest, StringsAreTrimmedOnReadAndWrittenAs32Bytes) {
    std::string who;
    ASSERT_EQ(device.ReadTbXdCalWho(who), 0);
    EXPECT_EQ(who, "Smith");
    ASSERT_EQ(device.WriteTbXdCalWho("Jones"), 0);
    std::vector<uint8_t> expected(32, 0);
    std::memcpy(expected.data(), "Jones", 5);
    EXPECT_EQ(Block(kTb).parameters[8].bytes, expected);
    // A text longer than the field is cut to 32 characters.
    const std::string longText(40, 'x');
    ASSERT_EQ(device.WriteTbXdCalWho(longText), 0);
    EXPECT_EQ(Block(kTb).parameters[8].bytes, std::vector<uint8_t>(32, 'x'));
}

TEST_F(ParameterAccessTest, AoOutIsRefusedOutsideManWithNothingWritten) {
    Block(kAo).members["MODE_BLK.ACTUAL"] = {0x10};  // AUTO
    EXPECT_EQ(device.WriteAoOutValue(50.0f), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Write AO Out is only allowed in Man mode."});
    EXPECT_EQ(WritesOnBus(), 0u);

    Block(kAo).members["MODE_BLK.ACTUAL"] = {0x08};  // MAN
    EXPECT_EQ(device.WriteAoOutValue(50.0f), 0);
    EXPECT_EQ(LastCall().name, "AO_1.OUT.VALUE");
    EXPECT_EQ(Block(kAo).members["OUT.VALUE"], BigEndianFloat(50.0f));
}

TEST_F(ParameterAccessTest, PidModeRules) {
    auto& pid = Block(kPid);
    pid.members["MODE_BLK.ACTUAL"] = {0x01};  // OOS
    pid.members["MODE_BLK.TARGET"] = {0x10};  // AUTO
    EXPECT_EQ(device.WritePidSpValue(1.0f), 1);
    EXPECT_EQ(device.WritePidOutValue(1.0f), 1);
    EXPECT_EQ(device.WritePidFfGain(2.0f), 0);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Error: Write PID Out is only allowed in AUTO mode.",
                                                    "Error: Write PID Out is only allowed in MAN mode."}));
    EXPECT_EQ(WritesOnBus(), 1u);

    ui.Clear();
    pid.members["MODE_BLK.ACTUAL"] = {0x10};
    pid.members["MODE_BLK.TARGET"] = {0x08};
    EXPECT_EQ(device.WritePidSpValue(1.0f), 0);
    EXPECT_EQ(device.WritePidOutValue(1.0f), 0);
    EXPECT_EQ(device.WritePidFfGain(2.0f), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Write PID FF_GAIN is only allowed in MAN, OOS or IMAN mode."});

    // A mode that cannot be read fails the write without a write.
    ui.Clear();
    bus->ClearCalls();
    bus->FailObject(Op::ReadObject, "AO_1.MODE_BLK.ACTUAL", E_COMM_ERROR);
    EXPECT_EQ(device.WriteAoSpValue(3.0f), 1);
    EXPECT_EQ(WritesOnBus(), 0u);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ParameterAccessTest, UnhealthyLinkFailsSilentlyWithoutBusTraffic) {
    link.healthy = false;
    uint8_t buffer[5] = {};
    uint16_t size = 5;
    EXPECT_EQ(device.ReadParameter(kTb, "FINAL_VALUE", buffer, size), 1);
    EXPECT_EQ(device.WriteParameter(kTb, "FINAL_VALUE", buffer, 5), 1);
    StatusValue value;
    EXPECT_EQ(device.ReadTbFinalValue(value), 1);
    EXPECT_EQ(device.WriteAoOutValue(1.0f), 1);
    EXPECT_TRUE(bus->Calls().empty());
    EXPECT_EQ(MessageLog::Instance().Size(), 0u);
    EXPECT_TRUE(DeliverMessages().empty());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ParameterAccessTest, ClosedDeviceTellsTheWindowOnReadsAndTheUserOnWrites) {
    device.CloseDevice();
    bus->ClearCalls();
    uint8_t buffer[5] = {};
    uint16_t size = 5;
    EXPECT_EQ(device.ReadParameter(kTb, "FINAL_VALUE", buffer, size), 1);
    auto posted = DeliverMessages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, 0x41Au);
    EXPECT_EQ(posted[0].wParam, static_cast<uintptr_t>(kSlot));

    EXPECT_EQ(device.WriteParameter(kTb, "FINAL_VALUE", buffer, 5), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Device not open."});

    link.healthy = false;
    EXPECT_EQ(device.ReadParameter(kTb, "FINAL_VALUE", buffer, size), 1);
    EXPECT_TRUE(DeliverMessages().empty());
    EXPECT_TRUE(bus->Calls().empty());
}

TEST_F(ParameterAccessTest, FailuresAreLoggedByTheDeviceRuleOnly) {
    bus->FailNext(Op::ReadObject, E_COMM_ERROR);
    bus->FailNext(Op::WriteObject, E_WRITE_IS_PROHIBITED);
    uint8_t buffer[5] = {};
    uint16_t size = 5;
    EXPECT_EQ(device.ReadParameter(kTb, "FINAL_VALUE", buffer, size), 1);
    EXPECT_EQ(device.LastStatus(), E_COMM_ERROR);
    EXPECT_EQ(device.WriteTbServoOffset(1.0f), 1);
    EXPECT_EQ(device.LastStatus(), E_WRITE_IS_PROHIBITED);

    const auto lines = MessageLog::Instance().Peek();
    ASSERT_EQ(lines.size(), 2u);
    const std::regex quiet(R"(Device PT-101 Comm Error \(-11\): E_COMM_ERROR @ \d\d:\d\d:\d\d\r\n)");
    const std::regex loud(R"(Device PT-101 Error \(-40\): E_WRITE_IS_PROHIBITED @ \d\d:\d\d:\d\d\r\n)");
    EXPECT_TRUE(std::regex_match(lines[0], quiet)) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], loud)) << lines[1];
    const auto posted = DeliverMessages();
    ASSERT_EQ(posted.size(), 2u);
    for (const PostedMessage& m : posted) {
        EXPECT_EQ(m.msg, 0x419u);
        EXPECT_EQ(m.wParam, static_cast<uintptr_t>(kSlot));
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ParameterAccessTest, AbsentBlockFailsWithoutTraffic) {
    StatusValue value;
    EXPECT_EQ(device.ReadPidPv(value), 1);  // the standard positioner's PID has no PV
    bus->ClearCalls();
    EXPECT_EQ(device.BlockOf(BlockKind::PID2), -1);
    float gain = 0;
    uint16_t size = 4;
    EXPECT_EQ(device.ReadParameter(device.BlockOf(BlockKind::PID2), "GAIN", &gain, size), 1);
    EXPECT_TRUE(bus->Calls().empty());
}

class DecliningDevice : public FieldbusDevice {
public:
    int PrepareConfigurationChange() override {
        ++prepared;
        return answer;
    }
    int prepared = 0;
    int answer = 2;
};

TEST_F(ParameterAccessTest, PreparedWritesAskFirstAndStopWhenDeclined) {
    DecliningDevice declining;
    declining.SetLink(&link);
    declining.BindSlot(4, kDeviceId, kPdTag);
    ASSERT_EQ(declining.OpenDevice(), 0);
    bus->ClearCalls();
    EXPECT_EQ(declining.WriteTbServoGain(2.0f), 2);
    EXPECT_EQ(WritesOnBus(), 0u);
    EXPECT_EQ(declining.WriteTbXdCalWho("Lee"), 0);  // a plain write is not prepared
    EXPECT_EQ(declining.prepared, 1);
    declining.answer = 0;
    EXPECT_EQ(declining.WriteTbServoGain(2.0f), 0);
    EXPECT_EQ(declining.prepared, 2);
    EXPECT_EQ(Block(kTb).parameters[9].bytes, BigEndianFloat(2.0f));
    declining.CloseDevice();
}

}  // namespace
}  // namespace fieldbus::testing
