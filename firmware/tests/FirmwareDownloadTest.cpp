// Firmware download on positioners of the simulated segment: file checks, preparation of a
// protected device, device errors with their texts, activation; and a whole download with
// activation against the server program, after which the device runs the new software.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "fieldbus/MessageLog.h"
#include "firmware/FirmwareCommands.h"
#include "firmware/FirmwareDevice.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/FirmwareImage.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/ServerProcess.h"

namespace firmware {
namespace {

using platform::IDYES;

// A firmware file for FV-102 (RPX, device type 7) with software revision 2.10.00.
std::vector<uint8_t> Fv102File() {
    simulator::FirmwareHeader h = simulator::PositionerFirmwareHeader(0x42524B, 7, 2, 1);
    h.softwareRevision = "2.10.00";
    return simulator::BuildFirmwareFile(h, 4096);
}

class FirmwareTest : public ::testing::Test {
protected:
    void TearDown() override {
        device.CloseDevice();
        if (session) nifClose(session);
        fieldbus::MessageLog::Instance().Clear();
    }
    // Opens FV-102 on the library's current backend.
    void OpenFv102() {
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        nifInterfaceInfo interfaces[4] = {};
        uint16_t count = 4;
        ASSERT_EQ(nifGetInterfaceList(session, &count, interfaces), E_OK);
        ASSERT_EQ(nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link), E_OK);
        device.SetLink(&link);
        nifLiveListEntry entries[32] = {};
        count = 32;
        ASSERT_EQ(nifGetDeviceList(link.link, entries, &count, nullptr), E_OK);
        for (uint16_t i = 0; i < count; ++i)
            if (std::string("FV-102") == entries[i].pdTag) device.BindSlot(2, entries[i].deviceId, entries[i].pdTag);
        ASSERT_EQ(device.OpenDevice(), 0);
        ASSERT_EQ(device.ReadBackBlockTags(), 0);
        ui.Clear();
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    config::FileChooser Choose(const std::string& path) {
        return [path](const config::FileDialogRequest& request) {
            EXPECT_EQ(request.title, "Select firmware to be downloaded");
            EXPECT_EQ(request.fileName, "42524B0007_0007*.ffd");
            return config::FileDialogResult{true, path, 1};
        };
    }
    std::string SoftwareRevision() {
        FirmwareHeader header;
        EXPECT_EQ(FirmwareDevice(device).ReadDeviceHeader(header), 0);
        return FieldText(header.softwareRevision);
    }
    void AnswerBothDownloadQuestions() {
        ui.Answer(IDYES, "You have selected  fv102.ffd  to download to device FV-102.");
        ui.Answer(IDYES, "Proceed to download?");
    }

    const FirmwareTarget target{2, "FV-102", "42524B", "7"};
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    nifDesc_t session = 0;
    fieldbus::DirectLink link;
    fieldbus::FieldbusDevice device;
};

// The segment hosted in this process on a manual clock that follows the fake clock.
class FirmwareOnSegmentTest : public FirmwareTest {
protected:
    void SetUp() override {
        simulator::LoadOptions options;
        options.manualClock = true;
        options.latency = 0;
        std::string error;
        auto segment = simulator::LoadSegmentFile(NIFB_DEFAULT_SEGMENT_FILE, options, error);
        ASSERT_TRUE(segment) << error;
        backend = simulator::UseInProcessSegment(segment);
        uint64_t last = clock.NowMs();
        clock.OnSleep([this, last](uint64_t now) mutable {
            backend->GetSegment().clock.Advance(now - last);
            last = now;
        });
        OpenFv102();
    }
    void TearDown() override {
        FirmwareTest::TearDown();
        nifb::UseInProcessBackend(nullptr);
    }
    void Control(const std::string& command) {
        std::string answer;
        ASSERT_EQ(backend->GetSegment().Control(command, answer), 0) << answer;
    }
    const platform::testing::ProgressRecord& Progress() const { return *ui.Progress().back(); }

    std::shared_ptr<simulator::SegmentBackend> backend;
};

TEST_F(FirmwareOnSegmentTest, VerificationComparesTheFourFieldsAndNeedsAWholeHeader) {
    FirmwareDevice firmware(device);
    EXPECT_EQ(firmware.VerifyFirmwareFile(Write("good.ffd", Fv102File())), 0);
    EXPECT_TRUE(ui.Messages().empty());

    // Only the device type differs: one line.
    std::vector<uint8_t> other = Fv102File();
    std::copy_n("0009", 4, other.begin() + 14);
    EXPECT_EQ(firmware.VerifyFirmwareFile(Write("other.ffd", other)), 1);
    EXPECT_EQ(ui.Last().text,
              "FFD file verification failed because of following reason(s): \n\n"
              "\tDifferent Device Type: 0009 / 0007 \n"
              "\nThe firmware downloading process will be terminated.");

    std::vector<uint8_t> cut = Fv102File();
    cut.resize(43);
    EXPECT_EQ(firmware.VerifyFirmwareFile(Write("cut.ffd", cut)), 1);
    EXPECT_NE(ui.Last().text.find("shorter than the 44-byte download header"), std::string::npos);
}

TEST_F(FirmwareOnSegmentTest, AProtectedDeviceIsUnprotectedPreparedAndReportsAChecksumError) {
    uint8_t protect = 0;
    ASSERT_EQ(device.ReadRbSoftdwnProtect(protect), 0);
    ASSERT_EQ(protect, 2);
    std::vector<uint8_t> file = Fv102File();
    file[100] ^= 0xFF;
    const std::string path = Write("fv102.ffd", file);
    AnswerBothDownloadQuestions();
    ui.PressProgressButtonAfter(6);
    EXPECT_EQ(FirmwareDownloadCommand(device, target, Choose(path)), 1);
    EXPECT_EQ(Progress().caption, "Downloading Firmware");
    EXPECT_EQ(Progress().text,
              "Verifying FFD file ...\r\n\tFFD file OK\r\n"
              "Prepare for Downloading ...\r\n\tReady for downloading .\r\n"
              "Starting to Download ...\r\n\tDownloading failed : Checksum error in file\r\n");
    EXPECT_EQ(Progress().buttonText, "&CLOSE");
    EXPECT_TRUE(Progress().closed);
    EXPECT_EQ(ui.Last().text, "Error: Download software failed");
    ASSERT_EQ(device.ReadRbSoftdwnProtect(protect), 0);
    EXPECT_EQ(protect, 1);
    EXPECT_EQ(SoftwareRevision(), "2.00.00");  // the old firmware stays
}

TEST_F(FirmwareOnSegmentTest, PreparationEndingAnywhereButReadyFailsWithTheDevicesText) {
    Control(R"({"command":"firmwareError","device":"FV-102","at":"prepare","code":"0x800F"})");
    const std::string path = Write("fv102.ffd", Fv102File());
    AnswerBothDownloadQuestions();
    ui.PressProgressButtonAfter(4);
    EXPECT_EQ(FirmwareDownloadCommand(device, target, Choose(path)), 1);
    EXPECT_EQ(Progress().text,
              "Verifying FFD file ...\r\n\tFFD file OK\r\nPrepare for Downloading ...\r\n"
              "\tFailed: Polling error during FlashROM erasing\r\n\r\n");
}

TEST_F(FirmwareOnSegmentTest, ActivationNeedsADownloadedFirmwareAndReportsADeviceError) {
    EXPECT_EQ(FirmwareActivateCommand(device), 1);
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"No new firmware available to activate."});

    // Downloaded without activation; the activation on its own then fails in the device.
    const std::string path = Write("fv102.ffd", Fv102File());
    AnswerBothDownloadQuestions();
    ui.Answer(platform::IDNO, "Do you wish to ACTIVATE the new firmware now?");
    ui.PressProgressButtonAfter(6);
    ASSERT_EQ(FirmwareDownloadCommand(device, target, Choose(path)), 0);
    FirmwareDevice firmware(device);
    EXPECT_TRUE(firmware.IsFirmwareReady());
    Control(R"({"command":"firmwareError","device":"FV-102","at":"activate","code":32801})");
    ui.Answer(IDYES, "Tessaro is ready to activate the new firmware.");
    ui.Answer(IDYES, "The device will be reset and loss of process control will occur.\r\nDo you want");
    EXPECT_EQ(FirmwareActivateCommand(device), 1);
    EXPECT_EQ(ui.Last().text, "Activating Firmware Failed. Firmware error");
    EXPECT_EQ(SoftwareRevision(), "2.00.00");
}

TEST_F(FirmwareOnSegmentTest, ADeviceThatStaysBusyIsGivenUpAfterTheLimits) {
    FirmwareDevice firmware(device);
    const std::string path = Write("fv102.ffd", Fv102File());
    // The segment's clock stands still: the preparation never ends.
    clock.OnSleep([](uint64_t) {});
    const uint64_t start = clock.NowMs();
    EXPECT_FALSE(firmware.PrepareDownload());
    EXPECT_GE(clock.NowMs() - start, 60000u);
    EXPECT_LT(clock.NowMs() - start, 61000u);
    EXPECT_EQ(ui.Last().text, "Error: The device did not get ready for the download within 60 seconds.");
    uint8_t state = 0;
    uint16_t size = 1;
    ASSERT_EQ(device.ReadVfdObject(kDomainDescriptorIndex, 2, &state, size), 0);
    EXPECT_EQ(state, kStateNotReady);  // told to cancel

    // Prepared and downloaded with the clock running, then an activation that never ends.
    uint64_t last = clock.NowMs();
    clock.OnSleep([this, last](uint64_t now) mutable {
        backend->GetSegment().clock.Advance(now - last);
        last = now;
    });
    ASSERT_TRUE(firmware.PrepareDownload());
    ASSERT_EQ(firmware.DownloadFirmware(path), 0);
    clock.OnSleep([](uint64_t) {});
    EXPECT_EQ(firmware.ActivateFirmware(), 1);
    EXPECT_EQ(ui.Last().text, "Error: The device did not finish activating the new firmware within 120 seconds.");
}

// The server program on a clock 20 times as fast as the wall clock; the program's waits
// pass on the fake clock at about the same pace (a 50 ms slice takes 3 ms).
class FirmwareOnServerTest : public FirmwareTest {
protected:
    void SetUp() override {
        nifUseServer();
        clock.OnSleep([](uint64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(3)); });
        OpenFv102();
    }
    simulator::testing::ServerProcess server{NIFB_SERVER_BINARY, dir.File("nifb.sock"), NIFB_DEFAULT_SEGMENT_FILE,
                                             dir.File("server.log"), {"--speed", "20"}};
};

TEST_F(FirmwareOnServerTest, ADownloadedAndActivatedFirmwareRunsAfterTheRestart) {
    ASSERT_EQ(SoftwareRevision(), "2.00.00");
    const std::string path = Write("fv102.ffd", Fv102File());
    AnswerBothDownloadQuestions();
    ui.Answer(IDYES, "Tessaro is ready to activate the new firmware.");
    ui.Answer(IDYES, "After new firmware is activated, a 'Device Not Responsive' message box will pop up.");
    ui.PressProgressButtonAfter(8);
    EXPECT_EQ(FirmwareDownloadCommand(device, target, Choose(path)), 0);
    const auto& progress = *ui.Progress().back();
    const std::string done = "Starting to Download ...\r\n\tDownloading firmware successful.\r\n\tThe download took ";
    EXPECT_EQ(progress.text.substr(0, progress.text.find(done) + done.size()),
              "Verifying FFD file ...\r\n\tFFD file OK\r\n"
              "Prepare for Downloading ...\r\n\tReady for downloading .\r\n" +
                  done);
    // The time the download really took, in seconds: a short download is not called 30 minutes.
    const std::string took = progress.text.substr(progress.text.find(done) + done.size());
    EXPECT_NE(std::string::npos, took.find(" s.\r\nActivating new firmware ...\r\n\tNew firmware has been activated.\r\n"))
        << took;
    EXPECT_EQ(std::string::npos, took.find("min")) << took;
    // The device restarts with the new firmware; a read waits until it answers again.
    EXPECT_EQ(SoftwareRevision(), "2.10.00");
    FirmwareDevice firmware(device);
    EXPECT_FALSE(firmware.IsFirmwareReady());
}

}  // namespace
}  // namespace firmware

namespace firmware {
namespace {

TEST(FirmwareDownloadRefusal, APositionerOfAnotherTypeIsToldWhyNothingHappens) {
    platform::testing::ScriptedUi ui;
    fieldbus::FieldbusDevice device;
    FirmwareTarget target{1, "FV-101", "42524B", "1"};
    int chooserCalls = 0;
    const config::FileChooser chooser = [&](const config::FileDialogRequest&) {
        ++chooserCalls;
        return config::FileDialogResult{};
    };
    EXPECT_EQ(2, FirmwareDownloadCommand(device, target, chooser));
    EXPECT_EQ(0, chooserCalls);
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Firmware Download is offered for positioners of device type 7 only; FV-101 is of device type 1. "
              "Nothing was downloaded.",
              ui.Last().text);
}

}  // namespace
}  // namespace firmware
