// Block modes and the write checks of a simulated positioner, on a manual clock with a
// settle time of 500 ms.
#include <cmath>
#include <limits>

#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {


class ModesTest : public DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        vfd_ = OpenVfd("FV-101");
    }
    uint8_t Actual(const std::string& block) { return ReadU8(vfd_, "FV101_" + block + ".MODE_BLK.ACTUAL"); }
    uint8_t Target(const std::string& block) { return ReadU8(vfd_, "FV101_" + block + ".MODE_BLK.TARGET"); }
    int SetTarget(const std::string& block, uint8_t mode) {
        return WriteU8(vfd_, "FV101_" + block + ".MODE_BLK.TARGET", mode);
    }
    void ToOos() {
        ASSERT_EQ(SetTarget("AO", OOS), E_OK);
        ASSERT_EQ(SetTarget("TB", OOS), E_OK);
        Advance(500);
        ASSERT_EQ(Actual("TB"), OOS);
    }
    nifDesc_t vfd_ = 0;
};

TEST_F(ModesTest, ActualFollowsTheTargetAfterTheSettleTime) {
    EXPECT_EQ(Actual("TB"), AUTO);
    ASSERT_EQ(SetTarget("TB", MAN), E_OK);
    EXPECT_EQ(Target("TB"), MAN);
    Advance(400);
    EXPECT_EQ(Actual("TB"), AUTO);
    Advance(100);
    EXPECT_EQ(Actual("TB"), MAN);
}

TEST_F(ModesTest, ResourceBlockOutOfServiceTakesEveryBlockOutOfService) {
    ASSERT_EQ(SetTarget("RES", OOS), E_OK);
    Advance(500);
    for (const char* b : {"RES", "TB", "AO", "DI1", "DI2", "PID"}) EXPECT_EQ(Actual(b), OOS) << b;
    EXPECT_EQ(Target("TB"), AUTO);  // targets stay
    ASSERT_EQ(SetTarget("RES", AUTO), E_OK);
    Advance(500);
    EXPECT_EQ(Actual("TB"), AUTO);
    EXPECT_EQ(Actual("AO"), CAS);
}

TEST_F(ModesTest, AnalogOutputIsInCascadeOnlyWhileItsCascadeIsFed) {
    EXPECT_EQ(Target("AO"), CAS | AUTO);
    EXPECT_EQ(Actual("AO"), CAS);  // PID OUT feeds CAS_IN through a link object
    ASSERT_EQ(SetTarget("PID", OOS), E_OK);
    Advance(500);
    EXPECT_EQ(Actual("AO"), AUTO);
    ASSERT_EQ(SetTarget("PID", MAN), E_OK);
    Advance(500);
    EXPECT_EQ(Actual("AO"), CAS);
}

TEST_F(ModesTest, ImpossibleTargetsAreRefusedAndLeaveTheModeAlone) {
    EXPECT_EQ(SetTarget("TB", MAN | AUTO), E_PARAMETER_CHECK);
    EXPECT_EQ(SetTarget("TB", CAS), E_PARAMETER_CHECK);  // not permitted for the transducer
    EXPECT_EQ(SetTarget("RES", MAN), E_PARAMETER_CHECK);
    EXPECT_EQ(SetTarget("AO", 0x02), E_PARAMETER_CHECK);  // IMAN is never a target
    EXPECT_EQ(SetTarget("AO", 0), E_PARAMETER_CHECK);
    EXPECT_EQ(WriteU8(vfd_, "FV101_TB.MODE_BLK.ACTUAL", OOS), E_DATA_NEVER_WRITABLE);
    Advance(500);
    EXPECT_EQ(Target("TB"), AUTO);
    EXPECT_EQ(Actual("TB"), AUTO);
}

TEST_F(ModesTest, WritesTheDeviceRefusesGetTheMatchingStatus) {
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SERVO_GAIN", 150), E_WRONG_MODE_FOR_REQUEST);  // needs OOS
    EXPECT_EQ(WriteFloat(vfd_, "FV101_AO.OUT.VALUE", 40), E_WRONG_MODE_FOR_REQUEST);     // needs MAN
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.FINAL_POSITION_VALUE.VALUE", 1), E_DATA_NEVER_WRITABLE);
    EXPECT_EQ(Write(vfd_, "FV101_AO.VIEW_1", std::vector<uint8_t>(33, 0)), E_OBJECT_ACCESS_UNSUPPORTED);
    // Scales change out of service only, member by member or whole.
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SPRING_RANGE.EU_100", 90), E_WRONG_MODE_FOR_REQUEST);
    EXPECT_EQ(Write(vfd_, "FV101_PID.PV_SCALE", Read(vfd_, "FV101_PID.PV_SCALE")), E_WRONG_MODE_FOR_REQUEST);
    // Names and tags compare exactly, as the device compares them.
    int st = E_OK;
    Read(vfd_, "FV101_TB.servo_gain", &st);
    EXPECT_EQ(st, E_NOT_FOUND);
    Read(vfd_, "fv101_tb.SERVO_GAIN", &st);
    EXPECT_EQ(st, E_NOT_FOUND);
    Read(vfd_, "FV101_TB.MODE_BLK.target", &st);
    EXPECT_EQ(st, E_NOT_FOUND);
    ToOos();
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SPRING_RANGE.EU_100", 90), E_OK);
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SERVO_GAIN", 150), E_OK);
    EXPECT_FLOAT_EQ(ReadFloat(vfd_, "FV101_TB.SERVO_GAIN"), 150.0f);
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.OPEN_STOP_ADJ", 59.9f), E_EXCEED_LIMIT);
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.OPEN_STOP_ADJ", 60.0f), E_OK);
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SERVO_GAIN", std::numeric_limits<float>::quiet_NaN()), E_PARAMETER_CHECK);
    EXPECT_EQ(WriteU8(vfd_, "FV101_TB.VALVE_TYPE", 3), E_PARAMETER_CHECK);  // not an enumeration value
    EXPECT_EQ(WriteU8(vfd_, "FV101_TB.VALVE_TYPE", 2), E_OK);
    EXPECT_EQ(Write(vfd_, "FV101_AO.IO_OPTS", {0x00, 0x20}), E_PARAMETER_CHECK);  // bit 10 is undefined
    EXPECT_EQ(Write(vfd_, "FV101_AO.IO_OPTS", {0x80, 0x40}), E_OK);
    // Infinity is a legal rate limit.
    EXPECT_EQ(WriteFloat(vfd_, "FV101_AO.SP_RATE_UP", std::numeric_limits<float>::infinity()), E_OK);
}

TEST_F(ModesTest, TheWriteLockStopsEveryWriteButItself) {
    ASSERT_EQ(WriteU8(vfd_, "FV101_RES.WRITE_LOCK", 2), E_OK);
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SUPPLY_PRESSURE", 150), E_WRITE_IS_PROHIBITED);
    EXPECT_EQ(SetTarget("TB", MAN), E_WRITE_IS_PROHIBITED);
    ASSERT_EQ(WriteU8(vfd_, "FV101_RES.WRITE_LOCK", 1), E_OK);
    EXPECT_EQ(WriteFloat(vfd_, "FV101_TB.SUPPLY_PRESSURE", 150), E_OK);
}

TEST_F(ModesTest, StaticRevisionRisesOnStaticWritesOnly) {
    uint16_t before = ReadU16(vfd_, "FV101_TB.ST_REV");
    ASSERT_EQ(WriteFloat(vfd_, "FV101_TB.SUPPLY_PRESSURE", 150), E_OK);
    EXPECT_EQ(ReadU16(vfd_, "FV101_TB.ST_REV"), before + 1);
    ASSERT_EQ(SetTarget("TB", MAN), E_OK);  // mode and values are not static
    Advance(500);
    ASSERT_EQ(WriteFloat(vfd_, "FV101_TB.FINAL_VALUE.VALUE", 30), E_OK);
    EXPECT_EQ(ReadU16(vfd_, "FV101_TB.ST_REV"), before + 1);
    // The views carry the same revision.
    auto view = Read(vfd_, "FV101_RES.VIEW_1");
    EXPECT_EQ((view[0] << 8) | view[1], ReadU16(vfd_, "FV101_RES.ST_REV"));
}

TEST_F(ModesTest, ThePositionFollowsTheFinalValueAndPressuresFollowThePosition) {
    ToOos();
    ASSERT_EQ(WriteFloat(vfd_, "FV101_TB.FINAL_VALUE.VALUE", 80), E_OK);
    float start = ReadFloat(vfd_, "FV101_TB.FINAL_POSITION_VALUE", 1);
    Advance(1000);
    float mid = ReadFloat(vfd_, "FV101_TB.FINAL_POSITION_VALUE", 1);
    Advance(5000);
    float end = ReadFloat(vfd_, "FV101_TB.FINAL_POSITION_VALUE", 1);
    EXPECT_GT(mid, start + 5.0f);
    EXPECT_NEAR(end, 80.0f, 0.5f);  // within the positioner's accuracy
    // The pressure holds the stem against its spring, within the friction band.
    std::string state;
    ASSERT_EQ(nifb::SendControl(session_, R"({"command":"valveState","device":"FV-101"})", state), E_OK);
    JsonValue valve;
    std::string error;
    ASSERT_TRUE(ParseJson(state, valve, error)) << error;
    const double low = valve["springRangeKpa"][0], high = valve["springRangeKpa"][1];
    const double travel = valve["travel"], friction = valve["frictionKpa"];
    float pressure = ReadFloat(vfd_, "FV101_TB.OUT_PRESSURE");
    EXPECT_NEAR(pressure, low + (high - low) * travel / 100.0, friction + 0.2);
    EXPECT_NEAR(ReadFloat(vfd_, "FV101_AO.READBACK", 1), end, 0.05f);
}

TEST_F(ModesTest, InNormalOperationTheValveFollowsThePidOutput) {
    ASSERT_EQ(SetTarget("PID", MAN), E_OK);
    Advance(500);
    ASSERT_EQ(WriteFloat(vfd_, "FV101_PID.OUT.VALUE", 25), E_OK);
    Advance(5000);
    EXPECT_EQ(Actual("AO"), CAS);
    EXPECT_NEAR(ReadFloat(vfd_, "FV101_AO.SP", 1), 25.0f, 0.01f);
    EXPECT_NEAR(ReadFloat(vfd_, "FV101_TB.FINAL_POSITION_VALUE", 1), 25.0f, 0.5f);
}

}  // namespace
}  // namespace simulator::testing
