#pragma once
// The software download objects of a simulated positioner and how the device handles them:
//
//   index 410  domain descriptor, 24 bytes: COMMAND (u8; 1 prepare, 2 activate, 3 cancel),
//              STATE (u8; 1 not ready, 2 preparing, 3 ready for download, 4 download
//              complete), ERROR_CODE (u16), 20 reserved bytes
//   index 430  domain header: the 44-byte download header of the running firmware
//   index 440  domain: the target of a domain download
//
// with the resource block's SOFTDWN_PROTECT (1 unprotected) and SOFTDWN_ERROR. Preparing
// takes kPrepareMs, activating kActivateMs; an activated firmware replaces the header and
// restarts the device kRestartAfterActivateMs later. A downloaded file is checked as
// CheckFirmwareFile says. Every error code can also be injected for the next prepare,
// download or activation (InjectError, or the control command "firmwareError").
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/DeviceExtension.h"
#include "simulator/FirmwareImage.h"

namespace simulator {

inline constexpr uint16_t kDomainDescriptorIndex = 410;
inline constexpr uint16_t kDomainHeaderIndex = 430;
inline constexpr uint16_t kDomainIndex = 440;

class FirmwareDomain : public DeviceExtension {
public:
    static constexpr uint64_t kPrepareMs = 1500;
    static constexpr uint64_t kActivateMs = 1000;
    static constexpr uint64_t kRestartAfterActivateMs = 300;

    enum class Stage { Prepare, Download, Activate };
    enum State : uint8_t { kNotReady = 1, kPreparing = 2, kReady = 3, kComplete = 4 };

    // Adds the objects to a positioner and makes the device use this extension.
    static void Install(Device& device);

    // The next operation of `stage` ends with `code` (0 clears).
    void InjectError(Stage stage, uint16_t code);
    uint8_t GetState() const { return state_; }

    int OnWrite(Device& device, Block* block, DeviceObject& object, int member, const std::vector<uint8_t>& bytes,
                uint64_t nowMs, bool& handled) override;
    void Advance(Device& device, uint64_t fromMs, uint64_t toMs) override;
    int DownloadDomain(Device& device, const std::string& domain, const std::vector<uint8_t>& bytes,
                       uint64_t nowMs) override;
    // {"command":"firmwareError","device":"FV-102","at":"prepare"|"download"|"activate",
    //  "code":"0x800A"} (or the code as a number).
    int Control(Device& device, const std::string& command, const JsonValue& args, uint64_t nowMs,
                JsonValue& reply, std::string& error) override;

private:
    void SetState(Device& device, uint8_t state, uint16_t errorCode);
    void Fail(Device& device, uint16_t code);
    static FirmwareHeader RunningHeader(Device& device);

    uint8_t state_ = kNotReady;
    uint64_t prepareDoneAt_ = 0;   // 0: no preparation running
    uint64_t activateDoneAt_ = 0;  // 0: no activation running
    uint64_t restartAt_ = 0;       // 0: no restart due
    std::vector<uint8_t> image_;   // downloaded, not yet activated
    uint16_t injected_[3] = {0, 0, 0};
};

}  // namespace simulator
