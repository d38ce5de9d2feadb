// The query commands: lines left out where a read fails, the temperature unit, the limit
// lines, and the whole list and a block's parameters on a simulated positioner.
#include <gtest/gtest.h>

#include "DeviceTestBed.h"
#include "SegmentDevice.h"
#include "fieldbus/BlockKind.h"
#include "query/BlockParameters.h"
#include "query/QueryDevice.h"

namespace query {
namespace {

using namespace fieldbus::testing;

int CommandIndex(const QueryDevice& q, const std::string& name) {
    for (int i = 0; i < q.CommandCount(); ++i)
        if (q.CommandName(i) == name) return i;
    return -1;
}

class QueryOnFakeBus : public DeviceTestBed {
protected:
    void SetUp() override {
        DeviceTestBed::SetUp();
        FakeDevice fake = StandardPositioner();
        FakeBlock& tb = fake.blocks[kTb];
        auto add = [&tb](const char* name, std::vector<uint8_t> bytes) { tb.parameters.push_back({name, bytes}); };
        add("ADVAL_FW", BigEndianU16(0x1234));
        add("SERVO_OUTPUT_SIGNAL", BigEndianFloat(55.5f));
        add("ELECT_TEMP", BigEndianFloat(24.3f));
        add("XD_ERROR", {26});
        tb.items["XD_ERROR"] = {{NIF_ITEM_ENUM, 0, "|en|No Error"}, {NIF_ITEM_ENUM, 18, "|en|Calibration error"}};
        add("DEVIATION_LIM", BigEndianFloat(110.0f));
        std::vector<uint8_t> times = BigEndianFloat(10.0f);
        for (uint8_t b : BigEndianFloat(-1.0f)) times.push_back(b);
        add("DEVIATION_TIME_TH", times);
        add("NEAR_CLOSE_THRESHOLD", BigEndianFloat(3.0f));
        for (const char* total : {"TOTAL_TRAVEL", "TOTAL_CYCLE_COUNT", "TOTAL_OPEN_TIME", "TOTAL_CLOSE_TIME",
                                  "TOTAL_NEAR_CLOSE_TIM"})
            add(total, BigEndianU32(10));
        for (const char* limit : {"TRAVEL_LIM", "CYCLE_COUNT_LIM", "OPEN_TIME_LIM", "CLOSE_TIME_LIM",
                                  "NEAR_CLOSE_TIME_LIM"})
            add(limit, BigEndianU32(10));
        AddDevice(fake);
        ASSERT_EQ(device.OpenDevice(), 0);
        ASSERT_EQ(device.ReadBackBlockTags(), 0);
        ui.Clear();
    }
    void SetTb(const std::string& name, std::vector<uint8_t> bytes) {
        for (FakeParameter& p : bus->Device(deviceNumber).blocks[kTb].parameters)
            if (p.name == name) p.bytes = bytes;
    }
};

TEST_F(QueryOnFakeBus, AFailedReadLeavesOutItsLineOnly) {
    QueryDevice q(&device, {});
    // The set point is the command's first read.
    bus->FailObject(nifb::Op::ReadObject, "TB_1.FINAL_VALUE", E_COMM_ERROR);
    EXPECT_EQ(q.ComposeAnswer(CommandIndex(q, "Read Raw Data")),
              "Read Raw Data :\r\n\r\nRaw Position=0x1234 .\r\nI/P output=55.50% .\r\nElect Temp=24.3(degC) .\r\n");
    bus->FailObject(nifb::Op::ReadObject, "TB_1.FINAL_VALUE", 0);
    SetTb("TEMPERATURE_UNIT", BigEndianU16(1002));
    EXPECT_NE(q.ComposeAnswer(CommandIndex(q, "Read Raw Data")).find("Elect Temp=24.3(degF) .\r\n"), std::string::npos);

    // A status value the description does not name is shown by its number.
    EXPECT_EQ(q.ComposeAnswer(CommandIndex(q, "Read Status")), "Read Status :\r\n\r\nStatus (XD Error)=0x1a .\r\n");
    SetTb("XD_ERROR", {18});
    EXPECT_EQ(q.ComposeAnswer(CommandIndex(q, "Read Status")),
              "Read Status :\r\n\r\nStatus (XD Error)=Calibration error .\r\n");
    EXPECT_TRUE(ui.Messages().empty());

    EXPECT_EQ(q.ComposeAnswer(-1), "");
    EXPECT_EQ(q.ComposeAnswer(q.CommandCount()), "");
    device.CloseDevice();
    EXPECT_EQ(q.ComposeAnswer(0), "");
}

TEST_F(QueryOnFakeBus, ErrorLimitsListOnlyTheTotalsAboveTheirLimits) {
    QueryDevice q(&device, {});
    const int index = CommandIndex(q, "Read Error Limits");
    const std::string limits =
        "Read Error Limits :\r\n\r\nDeviation Limit=110.0% .\r\nDeviation Time Th=10.000000 s .\r\nNear Close Th=3.0% .\r\n";
    EXPECT_EQ(q.ComposeAnswer(index), limits);  // totals equal to their limits
    SetTb("TOTAL_TRAVEL", BigEndianU32(12));
    SetTb("TOTAL_NEAR_CLOSE_TIM", BigEndianU32(4000000000u));
    EXPECT_EQ(q.ComposeAnswer(index), limits + "Travel Limit Exceed: 12 exceeds 10 .\r\n"
                                               "Total Near Close Time Limit Exceed: 4000000000 exceeds 10 .\r\n");
}

TEST(QueryOnSegment, AnswersEveryCommandAndListsABlocksParameters) {
    platform::testing::ScriptedUi ui;
    SegmentDevice bed("FV-102");
    ASSERT_TRUE(bed.Opened());
    fieldbus::FieldbusDevice& device = bed.Device();
    QueryIdentity identity;
    identity.deviceId = device.DeviceId();
    device.GetIdentification(identity.vendor, identity.model, identity.hardwareRevision);
    QueryDevice q(&device, identity);
    ASSERT_EQ(q.CommandCount(), 20);

    const std::string id = q.ComposeAnswer(0);
    EXPECT_EQ(id.rfind("Read Identifier :\r\n\r\nMfg ID=42524b .\r\nMfg Device Type=7 .\r\nDevice ID=" +
                           identity.deviceId + " .\r\nVendor=BRK Controls .\r\nSoftware Revision (DD Rev)=1 .\r\n",
                       0),
              0u)
        << id;
    EXPECT_NE(id.find("Style Code=RPX110 /LC /AP .\r\n"), std::string::npos);
    EXPECT_EQ(q.ComposeAnswer(CommandIndex(q, "Read Limit Switces")),
              "Read Limit Switces :\r\n\r\nLimit Switch 1 Status=Off .\r\nLimit Switch 2 Status=Off .\r\n");
    EXPECT_NE(q.ComposeAnswer(CommandIndex(q, "Read Raw Data")).find("(degC) .\r\n"), std::string::npos);
    const std::string configuration = q.ComposeAnswer(CommandIndex(q, "Read Configuration"));
    uint8_t failAction = 0;
    ASSERT_EQ(device.ReadTbActFailAction(failAction), 0);
    EXPECT_NE(configuration.find(std::string("Air To Open=") + (failAction == 1 ? "TRUE" : "FALSE") +
                                 " .\r\nControl Dir="),
              std::string::npos)
        << configuration;
    EXPECT_NE(configuration.find(" .\r\nActuator Type=Single Acting .\r\n"), std::string::npos);
    // Pressures carry the device's pressure unit, the percentages their sign.
    const std::string results = q.ComposeAnswer(CommandIndex(q, "Read Signature Results"));
    for (const char* unit : {"%", " kPa"})
        EXPECT_NE(results.find(std::string(unit) + " .\r\n"), std::string::npos) << unit << results;
    EXPECT_NE(results.find("Measured Press Supply="), std::string::npos);
    EXPECT_NE(results.substr(results.find("Measured Press Supply=")).find(" kPa .\r\n"), std::string::npos);
    EXPECT_NE(q.ComposeAnswer(CommandIndex(q, "Read All Variables")).find(" kPa .\r\n"), std::string::npos);
    for (int i = 0; i < q.CommandCount(); ++i) {
        const std::string answer = q.ComposeAnswer(i);
        EXPECT_EQ(answer.rfind(q.CommandName(i) + " :\r\n\r\n", 0), 0u);
        EXPECT_GT(answer.size(), q.CommandName(i).size() + 9) << q.CommandName(i);
    }

    BlockLayout layout;
    ASSERT_EQ(ReadBlockLayout(device, device.BlockOf(fieldbus::BlockKind::AO), layout), 0);
    std::vector<ParameterRow> rows;
    ASSERT_EQ(ReadBlockValues(device, layout, rows), 0);
    ASSERT_EQ(rows.size(), layout.FieldCount());
    auto value = [&rows](const std::string& name) {
        for (const ParameterRow& row : rows)
            if (row.name == name) return row.value;
        return std::string("(missing)");
    };
    EXPECT_FALSE(value("MODE_BLK.PERMITTED").empty());
    EXPECT_EQ(value("MODE_BLK.PERMITTED").find("missing"), std::string::npos);
    EXPECT_EQ(value("PV_SCALE.EU_100"), "100");
    EXPECT_EQ(value("SP_HI_LIM"), "100");
    EXPECT_EQ(value("CHANNEL"), "0x0001");
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace query
