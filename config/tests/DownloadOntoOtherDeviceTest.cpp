// One configuration downloaded onto devices other than the one it was read from: the target's
// own capabilities decide what is written, a group the record does not hold is never written,
// a download that ends early says what the device holds, and a read-only read never writes.
#include <gtest/gtest.h>

#include "TransferTestBed.h"

using config::CConfigData;

namespace configtest {
namespace {

class DownloadOntoOtherDeviceTest : public TransferTestBed {
protected:
    uint32_t AoIoOpts(const std::string& tag) {
        uint32_t bits = 0;
        WithSimBlock(tag, "AO", [&](simulator::Block& b) { bits = simulator::BitsFromWire(b.Obj("IO_OPTS")->value, 0, 2); });
        return bits;
    }
    uint8_t PvDecimals(const std::string& tag) {
        uint8_t decimals = 0;
        WithSimBlock(tag, "PID", [&](simulator::Block& b) { decimals = b.Obj("PV_SCALE")->value[10]; });
        return decimals;
    }
};

TEST_F(DownloadOntoOtherDeviceTest, AnExtendedServoFileConfiguresADeviceWithoutThemAndNamesWhatItSkipped) {
    CConfigData file;
    ASSERT_EQ(0, Read(file, "FV-102"));
    ASSERT_EQ(1u, file.general.extendedServoParameters);
    file.position.servoGain = 133.0f;
    file.general.pdTag = "FV-101";

    ASSERT_EQ(0, Download(file, "FV-101")) << lastProgress;
    EXPECT_EQ(133.0f, SimFloat("FV-101", "TB", "SERVO_GAIN"));
    EXPECT_NE(std::string::npos, lastProgress.find("The device has no extended servo parameters; not written: "
                                                   "SERVO_WARN_HI_LIM SERVO_WARN_LO_LIM SERVO_TIME_TH"))
        << lastProgress;
    EXPECT_NE(std::string::npos, lastProgress.find("Downloading device configuration data successful."));

    // The same file onto a device that has them writes them.
    file.position.servoWarnHigh = 42.0f;
    ASSERT_EQ(0, Download(file, "FV-102"));
    EXPECT_EQ(42.0f, SimFloat("FV-102", "TB", "SERVO_WARN_HI_LIM"));
    EXPECT_EQ(std::string::npos, lastProgress.find("no extended servo"));
}

TEST_F(DownloadOntoOtherDeviceTest, AFileWithoutAPidBlockLeavesTheTargetsPidBlockAlone) {
    CConfigData file;
    ASSERT_EQ(0, Read(file, "KV-202"));
    ASSERT_TRUE(file.general.blockTags[config::TagPID].empty());
    WithSimBlock("FV-101", "PID", [](simulator::Block& b) { b.Obj("PV_SCALE")->value[10] = 2; });
    const float gain = SimFloat("FV-101", "PID", "GAIN");
    file.pid.gain = gain + 7.0f;  // a placeholder that must not arrive

    ASSERT_EQ(0, Download(file, "FV-101")) << lastProgress;
    EXPECT_EQ(2, PvDecimals("FV-101"));
    EXPECT_EQ(gain, SimFloat("FV-101", "PID", "GAIN"));
    EXPECT_NE(std::string::npos, lastProgress.find("The configuration holds no PID Block Data: not written.\r\n"));
}

TEST_F(DownloadOntoOtherDeviceTest, AReadOnlyReadKeepsAnUnsupportedIoOptionInTheDeviceAndTheRecord) {
    // Out of service, the block would take the correction.
    Open("KV-202");
    ASSERT_EQ(0, config::PrepareDeviceForDownload(Device("KV-202")));
    ASSERT_EQ(1u, AoIoOpts("KV-202") & 1u);
    CConfigData data;
    config::TransferOptions options;
    options.readOnly = true;
    ASSERT_EQ(0, Read(data, "KV-202", options));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(1u, data.ao.ioOptions.value & 1u);
    EXPECT_EQ(1u, AoIoOpts("KV-202") & 1u);

    // The window's read still removes it, with its warning.
    ASSERT_EQ(0, Read(data, "KV-202"));
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ(0u, AoIoOpts("KV-202") & 1u);
}

TEST_F(DownloadOntoOtherDeviceTest, ACancelledDownloadNamesTheGroupsWrittenAndThoseNot) {
    CConfigData data;
    ASSERT_EQ(0, Read(data, "FV-101"));
    // Pressed while the AO block is written (its start line is the fourth append): the
    // group completes, the next is not begun.
    ui.PressProgressButtonAfter(4);
    EXPECT_EQ(1, Download(data, "FV-101"));
    EXPECT_NE(std::string::npos,
              lastProgress.find("Downloading device configuration data cancelled.\r\n\r\n"
                                "Written: Position Data, Actuator Data, AO Block Data.\r\n"
                                "Not written: PID Block Data, Option Data, General Data.\r\n"
                                "The device now holds a mix of the new and its former configuration; its blocks are "
                                "out of service.\r\n"))
        << lastProgress;
}

}  // namespace
}  // namespace configtest
