#pragma once
// The software download operations on a positioner: checking a firmware file against the
// firmware in the device, preparing the device's download domain, streaming the file into
// it, and activating the new firmware. The device side is the Fieldbus software download
// class: the domain descriptor (index 410; sub-index 1 command, 2 state, whole record with
// the error code), the domain header (430) and the domain (440), with the resource block's
// SOFTDWN_PROTECT and SOFTDWN_ERROR.
//
// The operations run on the user-interface thread and keep it responsive: their waits pump
// the window messages, and the download itself runs on a worker thread. Every wait has a
// limit.
#include <cstdint>
#include <functional>
#include <string>

#include "fieldbus/DeviceAccess.h"
#include "firmware/FirmwareHeader.h"

namespace firmware {

inline constexpr uint32_t kDomainDescriptorIndex = 410;
inline constexpr uint32_t kDomainHeaderIndex = 430;
inline constexpr uint32_t kDomainIndex = 440;

enum DomainCommand : uint8_t { kCommandPrepare = 1, kCommandActivate = 2, kCommandCancel = 3 };
enum DomainState : uint8_t { kStateNotReady = 1, kStatePreparing = 2, kStateReady = 3, kStateComplete = 4 };

class FirmwareDevice {
public:
    static constexpr uint32_t kPreparePollMs = 500;
    static constexpr uint32_t kPrepareLimitMs = 60000;
    static constexpr uint32_t kActivatePollMs = 100;
    static constexpr uint32_t kActivateLimitMs = 120000;

    explicit FirmwareDevice(fieldbus::DeviceAccess& device) : device_(device) {}

    // A cancel request checked while preparing (the progress window's button).
    void SetCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
    bool WasCancelled() const { return wasCancelled_; }

    // Compares the file's header with the device's (manufacturer, family, type, domain name)
    // and shows the differences. 0 the file fits, 1 not (a file shorter than the header
    // never fits).
    int VerifyFirmwareFile(const std::string& path);
    // Cancel, then (not ready) unprotect and prepare; succeeds only when the device ends in
    // "ready for download". True when ready.
    bool PrepareDownload();
    // Streams the file into the domain: 0, or 1 after "Error: Download software failed".
    int DownloadFirmware(const std::string& path);
    // The text of the device's download error: 0, or 1 when it cannot be read.
    int DownloadErrorText(std::string& text);
    // The domain state reads "download complete".
    bool IsFirmwareReady();
    // Activates a downloaded firmware and waits for the device to report the outcome.
    // 0 activated, 1 failed. While the link is not healthy a failed access ends it with 0.
    int ActivateFirmware();
    // The header of the firmware in the device.
    int ReadDeviceHeader(FirmwareHeader& header);
    // The software revision of the firmware the device runs ("2.10.00"); empty when it cannot
    // be read.
    std::string RunningRevision();

private:
    // Waits `ms` with the messages pumped; false when a cancel was asked for (and allowed).
    bool Wait(uint32_t ms, bool cancellable);
    int WriteCommand(uint8_t command);
    int ReadState(uint8_t& state);

    fieldbus::DeviceAccess& device_;
    std::function<bool()> cancelled_;
    bool wasCancelled_ = false;
    uint16_t descriptorError_ = 0;  // the error code the descriptor last showed
};

}  // namespace firmware
