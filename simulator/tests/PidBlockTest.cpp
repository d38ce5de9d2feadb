// The PID block of a simulated positioner: the remote transmitter that owns PID IN while its
// link object exists, the loop closed through the valve, and READBACK's status.
#include "simulator/tests/DeviceFixture.h"

namespace simulator::testing {
namespace {

using PidBlockTest = DeviceFixture;

std::vector<uint8_t> StatusFloat(uint8_t status, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return {status, uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)};
}

TEST_F(PidBlockTest, PidInBelongsToItsPublisherUntilTheLinkObjectIsCleared) {
    nifDesc_t vfd = OpenVfd("FV-101");
    Advance(1000);
    ASSERT_EQ(Write(vfd, "FV101_PID.IN", StatusFloat(0x80, 5.0f)), E_OK);
    Advance(200);
    // The transmitter measures the process, which follows the valve (near 50 %).
    EXPECT_NEAR(ReadFloat(vfd, "FV101_PID.IN", 1), 50.0f, 5.0f);

    // The link object feeding IN (local index 8015) is cleared: the host's value stays.
    ASSERT_EQ(ReadU16(vfd, makeIndex(30002)), 8015);
    ASSERT_EQ(Write(vfd, makeIndex(30002), std::vector<uint8_t>(8, 0)), E_OK);
    ASSERT_EQ(Write(vfd, "FV101_PID.IN", StatusFloat(0x80, 5.0f)), E_OK);
    Advance(2000);
    EXPECT_EQ(ReadFloat(vfd, "FV101_PID.IN", 1), 5.0f);
}

TEST_F(PidBlockTest, ThePidBlockDrivesTheValveToItsSetPointThroughTheCascade) {
    nifDesc_t vfd = OpenVfd("FV-101");
    Advance(1000);
    ASSERT_EQ(ReadU8(vfd, "FV101_PID.MODE_BLK.ACTUAL"), MODE_AUTO);
    ASSERT_EQ(ReadU8(vfd, "FV101_AO.MODE_BLK.ACTUAL"), MODE_CAS);
    ASSERT_EQ(WriteFloat(vfd, "FV101_PID.GAIN", 0.8f), E_OK);
    ASSERT_EQ(WriteFloat(vfd, "FV101_PID.RESET", 6.0f), E_OK);
    ASSERT_EQ(WriteFloat(vfd, "FV101_PID.RATE", 0.5f), E_OK);
    ASSERT_EQ(WriteFloat(vfd, "FV101_PID.SP.VALUE", 70.0f), E_OK);
    for (int s = 0; s < 60; ++s) Advance(1000);
    EXPECT_NEAR(ReadFloat(vfd, "FV101_PID.PV", 1), 70.0f, 1.0f);
    EXPECT_NEAR(ReadFloat(vfd, "FV101_AO.READBACK", 1), 70.0f, 2.0f);
    EXPECT_NEAR(ReadFloat(vfd, "FV101_AO.CAS_IN", 1), ReadFloat(vfd, "FV101_PID.OUT", 1), 0.5f);

    // READBACK is good only while the transducer block is in service.
    EXPECT_EQ(Read(vfd, "FV101_AO.READBACK")[0], 0x80);
    ASSERT_EQ(WriteU8(vfd, "FV101_AO.MODE_BLK.TARGET", MODE_OOS), E_OK);
    ASSERT_EQ(WriteU8(vfd, "FV101_TB.MODE_BLK.TARGET", MODE_OOS), E_OK);
    Advance(1000);
    EXPECT_LT(Read(vfd, "FV101_AO.READBACK")[0], 0x80);
}

}  // namespace
}  // namespace simulator::testing
