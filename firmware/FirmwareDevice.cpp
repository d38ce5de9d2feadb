#include "firmware/FirmwareDevice.h"

#include <algorithm>
#include <chrono>
#include <future>

#include "firmware/DownloadErrors.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace firmware {

namespace {
constexpr uint32_t kSliceMs = 50;
constexpr uint16_t kDescriptorBytes = 24;
}  // namespace

bool FirmwareDevice::Wait(uint32_t ms, bool cancellable) {
    platform::Clock& clock = platform::GetClock();
    const uint64_t end = clock.NowMs() + ms;
    for (;;) {
        platform::GetUi().PumpMessages();
        if (cancellable && cancelled_ && cancelled_()) {
            wasCancelled_ = true;
            return false;
        }
        const uint64_t now = clock.NowMs();
        if (now >= end) return true;
        clock.SleepMs(static_cast<uint32_t>(std::min<uint64_t>(kSliceMs, end - now)));
    }
}

int FirmwareDevice::WriteCommand(uint8_t command) {
    return device_.WriteVfdObject(kDomainDescriptorIndex, 1, &command, 1);
}

int FirmwareDevice::ReadState(uint8_t& state) {
    uint16_t size = 1;
    return device_.ReadVfdObject(kDomainDescriptorIndex, 2, &state, size);
}

int FirmwareDevice::ReadDeviceHeader(FirmwareHeader& header) {
    char bytes[kHeaderBytes] = {};
    uint16_t size = sizeof bytes;
    if (device_.ReadVfdObject(kDomainHeaderIndex, 0, bytes, size) != 0) return 1;
    return ParseFirmwareHeader(std::string_view(bytes, size), header) ? 0 : 1;
}

std::string FirmwareDevice::RunningRevision() {
    FirmwareHeader header;
    return ReadDeviceHeader(header) == 0 ? FieldText(header.softwareRevision) : std::string();
}

int FirmwareDevice::VerifyFirmwareFile(const std::string& path) {
    constexpr const char* kHead = "FFD file verification failed because of following reason(s): \n\n";
    constexpr const char* kTail = "\nThe firmware downloading process will be terminated.";
    FirmwareHeader file, device;
    std::string why;
    if (ReadFirmwareHeader(path, file, why) != 0) {
        platform::ShowMessage(std::string(kHead) + "\t" + why + " \n" + kTail);
        return 1;
    }
    if (ReadDeviceHeader(device) != 0) return 1;
    const std::vector<std::string> differences = HeaderDifferences(file, device);
    if (differences.empty()) return 0;
    std::string text = kHead;
    for (const std::string& line : differences) text += line;
    platform::ShowMessage(text + kTail);
    return 1;
}

bool FirmwareDevice::PrepareDownload() {
    wasCancelled_ = false;
    descriptorError_ = 0;
    uint8_t state = 0;
    if (WriteCommand(kCommandCancel) != 0 || ReadState(state) != 0 || state != kStateNotReady) return false;
    uint8_t protect = 0;
    if (device_.ReadRbSoftdwnProtect(protect) != 0) return false;
    if (protect != 1 && device_.WriteRbSoftdwnProtect(1) != 0) return false;
    if (WriteCommand(kCommandPrepare) != 0) return false;
    const uint64_t start = platform::GetClock().NowMs();
    for (;;) {
        if (!Wait(kPreparePollMs, true)) {
            WriteCommand(kCommandCancel);
            return false;
        }
        if (ReadState(state) != 0) return false;
        // Only "ready for download" is a successful end; any other end state is a failure.
        if (state != kStatePreparing) return state == kStateReady;
        if (platform::GetClock().NowMs() - start >= kPrepareLimitMs) {
            platform::ShowMessage("Error: The device did not get ready for the download within 60 seconds.");
            WriteCommand(kCommandCancel);
            return false;
        }
    }
}

int FirmwareDevice::DownloadFirmware(const std::string& path) {
    // The library call takes the bus time of the whole file (and gives up after its own
    // limit); meanwhile the windows go on being served.
    std::future<int> download =
        std::async(std::launch::async, [this, path] { return device_.DownloadDomain(kDomainIndex, path); });
    while (download.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        platform::GetUi().PumpMessages();
    if (download.get() != 0) {
        platform::ShowMessage("Error: Download software failed");
        return 1;
    }
    return 0;
}

int FirmwareDevice::DownloadErrorText(std::string& text) {
    uint16_t code = 0;
    if (device_.ReadRbSoftdwnError(code) != 0) {
        text = firmware::DownloadErrorText(descriptorError_);
        return 1;
    }
    text = firmware::DownloadErrorText(code != 0 ? code : descriptorError_);
    return 0;
}

bool FirmwareDevice::IsFirmwareReady() {
    uint8_t state = 0;
    return ReadState(state) == 0 && state == kStateComplete;
}

int FirmwareDevice::ActivateFirmware() {
    descriptorError_ = 0;
    if (!IsFirmwareReady()) return 1;
    // A failed access fails the activation while the link is healthy; otherwise the device
    // has gone to restart with its new firmware.
    auto accessFailed = [this] { return device_.IsLinkHealthy() ? 1 : 0; };
    if (WriteCommand(kCommandActivate) != 0) return accessFailed();
    auto readDescriptor = [this](uint8_t& state, uint16_t& code) {
        uint8_t bytes[kDescriptorBytes] = {};
        uint16_t size = kDescriptorBytes;
        if (device_.ReadVfdObject(kDomainDescriptorIndex, 0, bytes, size) != 0 || size < 4) return 1;
        state = bytes[1];
        code = static_cast<uint16_t>(bytes[2] << 8 | bytes[3]);
        return 0;
    };
    const uint64_t start = platform::GetClock().NowMs();
    for (;;) {
        Wait(kActivatePollMs, false);  // an activation cannot be called back
        uint8_t state = 0;
        uint16_t code = 0;
        if (readDescriptor(state, code) != 0) return accessFailed();
        if (code != 0) {  // the device reports a failure, whatever its state
            descriptorError_ = code;
            return 1;
        }
        if (state == kStateNotReady) {
            if (readDescriptor(state, code) != 0) return accessFailed();
            descriptorError_ = code;
            return code == 0 ? 0 : 1;
        }
        if (platform::GetClock().NowMs() - start >= kActivateLimitMs) {
            platform::ShowMessage("Error: The device did not finish activating the new firmware within 120 seconds.");
            return 1;
        }
    }
}

}  // namespace firmware
