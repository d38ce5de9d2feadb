// What a simulated positioner finds wrong in a downloaded firmware file.
#include <gtest/gtest.h>

#include "simulator/FirmwareImage.h"

namespace simulator {
namespace {

TEST(FirmwareImage, EachFaultOfAFileHasItsErrorCode) {
    const FirmwareHeader running = PositionerFirmwareHeader(0x42524B, 7, 2, 1);
    FirmwareHeader update = running;
    update.softwareRevision = "2.10.00";
    update.deviceRevision = 3;  // not checked
    const std::vector<uint8_t> good = BuildFirmwareFile(update, 1000);
    ASSERT_EQ(good.size(), 44u + 1000u + 4u);
    EXPECT_EQ(CheckFirmwareFile(good, running), 0);

    auto with = [&](auto change) {
        FirmwareHeader h = update;
        change(h);
        return CheckFirmwareFile(BuildFirmwareFile(h, 1000), running);
    };
    EXPECT_EQ(with([](FirmwareHeader& h) { h.version = 2; }), kFwUnsupportedHeaderVersion);
    EXPECT_EQ(with([](FirmwareHeader& h) { h.size = 40; }), kFwAbnormalHeaderSize);
    EXPECT_EQ(with([](FirmwareHeader& h) { h.manufacturer = "4B5445"; }), kFwAbnormalManufacturer);
    EXPECT_EQ(with([](FirmwareHeader& h) { h.family = "KPX1"; }), kFwAbnormalFamily);
    EXPECT_EQ(with([](FirmwareHeader& h) { h.deviceType = "0001"; }), kFwAbnormalFamily);
    EXPECT_EQ(with([](FirmwareHeader& h) { h.domainName = "PX110BOT"; }), kFwFileType);

    std::vector<uint8_t> bad = good;
    bad[500] ^= 1;
    EXPECT_EQ(CheckFirmwareFile(bad, running), kFwChecksumInFile);
    EXPECT_EQ(CheckFirmwareFile({good.begin(), good.begin() + 46}, running), kFwEndCode);
    EXPECT_EQ(CheckFirmwareFile({good.begin(), good.begin() + 43}, running), kFwAbnormalHeaderSize);
}

}  // namespace
}  // namespace simulator
