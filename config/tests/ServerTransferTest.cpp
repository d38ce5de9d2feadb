// A configuration read, saved, downloaded back and read again through the real `nifb`
// server serving the shipped default segment.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TransferTestBed.h"
#include "config/ConfigFile.h"
#include "fieldbus/MessageLog.h"
#include "nifb/Backend.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/ServerProcess.h"

using config::CConfigData;

namespace configtest {
namespace {

TEST(ServerTransfer, ReadSaveDownloadBackAndReadAgainGiveTheSameConfiguration) {
    nifUseServer();
    platform::testing::TempDir dir;
    // Simulated time runs faster, so the blocks take their new modes in a few milliseconds.
    simulator::testing::ServerProcess server{NIFB_SERVER_BINARY, dir.File("nifb.sock"), NIFB_DEFAULT_SEGMENT_FILE,
                                             dir.File("server.log"), {"--speed", "20"}};
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;  // the scan and the open wait on it
    fieldbus::FieldbusLink link;
    ASSERT_EQ(0, link.ScanLink());
    link.StartLivePoll(0);
    for (int i = 0; i < 1000 && !link.IsLinkHealthy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    int slot = -1;
    for (int item = 1; item < link.DisplayItemCount(); ++item)
        if (link.GetTag(link.ItemDevIndexMap(item)) == "FV-101") slot = link.ItemDevIndexMap(item);
    ASSERT_GT(slot, 0);
    ASSERT_EQ(0, link.OpenDevice(slot));
    fieldbus::FieldbusDevice& device = link.Device(slot);
    config::TransferOptions options;
    options.waitForClose = false;

    CConfigData first;
    ASSERT_EQ(0, config::ConfigTransfer(first, &device, config::IdentityOnLink(link, slot), options).ReadConfiguration());
    ASSERT_EQ(0, config::WriteConfigurationFile(first, dir.File("FV-101.dmp")));
    CConfigData file;
    ASSERT_EQ(0, config::ReadConfigurationFile(file, dir.File("FV-101.dmp")));
    file.position.servoGain = 133.0f;  // a change the device must take
    ASSERT_EQ(0, config::PrepareAndDownload(file, device, config::IdentityOnLink(link, slot), options));
    CConfigData again;
    ASSERT_EQ(0, config::ConfigTransfer(again, &device, config::IdentityOnLink(link, slot), options).ReadConfiguration());

    CConfigData expected = first;
    expected.position.servoGain = 133.0f;
    CopyNotDownloaded(again, expected);
    EXPECT_TRUE(expected.general == again.general);
    EXPECT_TRUE(expected.position == again.position);
    EXPECT_TRUE(expected.actuator == again.actuator);
    EXPECT_TRUE(expected.ao == again.ao);
    EXPECT_TRUE(expected.pid == again.pid);
    EXPECT_TRUE(expected.option == again.option);
    EXPECT_TRUE(ui.Messages().empty());
    link.CloseLink();
    unsetenv("NIFB_SOCKET");
    fieldbus::MessageLog::Instance().Clear();
}

}  // namespace
}  // namespace configtest
