#pragma once
// Reading a positioner's whole configuration into a record and downloading a record to a
// positioner, group after group behind the modeless progress window ("Read configuration data
// from the device : <tag>" / "Download configuration data to the device : <tag>").
//
// Reading goes General, Position, Actuator, AO block, PID block, Option. Each group is read
// into a scratch copy and taken over only when it completed and Cancel was not pressed
// meanwhile, so a cancelled or failed read leaves the groups not yet read exactly as they
// were. Downloading goes Position, Actuator, AO block, PID block, Option, General and leaves
// the blocks out of service; in the standalone run mode it then brings the device's boot class
// to the record's, which restarts the device (waited for at most 60 s).
//
// Everything here talks to the user only through the platform ports, so a window and a
// command-line front end drive it alike. Results: 0 success, 1 failure or cancel.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/BusRunner.h"
#include "config/CConfigData.h"
#include "config/ConfigGroupTransfer.h"

namespace fieldbus {
class DeviceAccess;
class FieldbusLink;
}  // namespace fieldbus

namespace config {

// What the link knows about the device (the General group's identification).
struct LinkIdentity {
    std::string pdTag;
    uint8_t nodeAddress = 0;
    bool addressValid = false;
    std::string deviceId;
};
LinkIdentity IdentityOnLink(fieldbus::FieldbusLink& link, int slot);

enum class TransferOutcome { Succeeded, Failed, Cancelled };

struct TransferOptions {
    BusRunner runBus;  // empty: in place
    int runMode = RunModeStandalone;
    // The progress window closes itself one second after a success and waits for "&CLOSE"
    // after a failure; off, it closes as soon as the sequence ends (command line, tests).
    bool waitForClose = true;
    // Called before the device restarts for a new boot class (the window stops the device's
    // view readers there).
    std::function<void()> beforeRestart;
    // A read that never writes to the device (the command line's reading verbs): the AO
    // block's unsupported IO_OPTS bits are reported as the device holds them.
    bool readOnly = false;
};

class ConfigTransfer {
public:
    ConfigTransfer(CConfigData& data, fieldbus::DeviceAccess* device, LinkIdentity link, TransferOptions options = {});

    int ReadConfiguration();
    int DownloadConfiguration();
    // The plug-in's read while its device is not on the link: the configuration comes from the
    // host's database through `load` (0: loaded into the record), the tag and identifier from
    // the link identity the host gave. The data state becomes 3 when loaded, else 1 with the
    // record as it was. 0 on success.
    int ReadFromHostDatabase(const std::function<int()>& load);

    TransferOutcome Outcome() const { return outcome_; }
    // The progress text as it stood when the window closed.
    const std::string& ProgressText() const { return progressText_; }
    // The download restarted the device for a new boot class (the caller closes and rescans).
    bool Restarted() const { return restarted_; }
    // After a download: the groups written completely, and those that a failure or a cancel
    // left unwritten (groups the device has no block for or the record does not hold count in
    // neither list).
    const std::vector<ConfigGroup>& WrittenGroups() const { return written_; }
    const std::vector<ConfigGroup>& NotWrittenGroups() const { return notWritten_; }
    // "Written: ... Not written: ..." of a download that ended early.
    std::string HalfDoneSummary() const;

    // Milliseconds the window stays after a success (pressing its button meanwhile cancels).
    static constexpr uint32_t kCloseAfterSuccessMs = 1000;

private:
    int ReadGeneralFromLink(CConfigData& scratch);
    int ChangeBootClass(class TransferWindow& window);

    CConfigData& data_;
    fieldbus::DeviceAccess* device_;
    LinkIdentity link_;
    TransferOptions options_;
    TransferOutcome outcome_ = TransferOutcome::Failed;
    std::string progressText_;
    bool restarted_ = false;
    std::vector<ConfigGroup> written_;
    std::vector<ConfigGroup> notWritten_;
};

// "Position Data, Actuator Data" (progress names joined).
std::string GroupList(const std::vector<ConfigGroup>& groups);

// Takes the device's blocks out of service for a download: RB, TB and AO (AO before TB),
// then DI1 and DI2 (their results do not count), then PID, then SPLT when the device has one.
// Shows "Error: Failed to prepare the device for downloading." on failure. 0 when ready.
int PrepareDeviceForDownload(fieldbus::DeviceAccess& device, const BusRunner& runBus = {});

// The whole standalone download after the target was chosen: prepare the device, then
// download. 0 on success.
int PrepareAndDownload(CConfigData& data, fieldbus::DeviceAccess& device, const LinkIdentity& link,
                       const TransferOptions& options, bool* restarted = nullptr);

}  // namespace config
