#include "config/ConfigTransfer.h"

#include <memory>

#include "config/ConfigGroupTransfer.h"
#include "config/StaticRevisions.h"
#include "fieldbus/DeviceAccess.h"
#include "fieldbus/DeviceManagement.h"
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/LinkMasterFlags.h"
#include "fieldbus/TypedValues.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace config {

using fieldbus::BlockKind;

LinkIdentity IdentityOnLink(fieldbus::FieldbusLink& link, int slot) {
    LinkIdentity identity;
    identity.pdTag = link.GetTag(slot);
    identity.nodeAddress = link.GetNodeAddress(slot);
    identity.addressValid = link.IsAddressValid(slot, identity.nodeAddress);
    identity.deviceId = link.GetDeviceId(slot);
    return identity;
}

// The progress window of one transfer: lines appended, the Cancel button asked between
// groups, and the ending (closing itself after a success, "&CLOSE" after a failure).
class TransferWindow {
public:
    TransferWindow(std::unique_ptr<platform::ProgressWindow> window, bool waitForClose)
        : window_(std::move(window)), waitForClose_(waitForClose) {}
    ~TransferWindow() {
        if (window_) window_->Close();
    }
    bool Created() const { return window_ != nullptr; }
    void SetText(const std::string& text) { window_->SetText(text); }
    void Append(const std::string& text) { window_->AppendText(text); }
    std::string Text() const { return window_->Text(); }
    // The button was pressed (or the window closed by its title bar).
    bool Cancelled() const { return window_->ButtonPressed() || !window_->IsOpen(); }

    // After a success the window stays one second, on the monotonic process clock; pressing
    // the button meanwhile turns the success into a cancel (true).
    bool LingerAfterSuccess() {
        if (!waitForClose_) return false;
        platform::Clock& clock = platform::GetClock();
        const uint64_t start = clock.NowMs();
        while (clock.NowMs() - start < ConfigTransfer::kCloseAfterSuccessMs) {
            if (Cancelled()) return true;
            platform::GetUi().PumpMessages();
            clock.SleepMs(20);
        }
        return Cancelled();
    }
    // After a failure the button becomes "&CLOSE" and the window stays until it is pressed.
    void OfferClose() {
        window_->SetButtonText("&CLOSE");
        window_->EnableButton(true);
        window_->ResetButton();
    }
    void WaitForClose() {
        if (!waitForClose_) return;
        while (!Cancelled()) {
            platform::GetUi().PumpMessages();
            platform::GetClock().SleepMs(50);
        }
    }

private:
    std::unique_ptr<platform::ProgressWindow> window_;
    bool waitForClose_;
};

namespace {

constexpr ConfigGroup kReadOrder[] = {ConfigGroup::General,  ConfigGroup::Position, ConfigGroup::Actuator,
                                      ConfigGroup::AoBlock,  ConfigGroup::PidBlock, ConfigGroup::Option};
constexpr ConfigGroup kDownloadOrder[] = {ConfigGroup::Position, ConfigGroup::Actuator, ConfigGroup::AoBlock,
                                          ConfigGroup::PidBlock, ConfigGroup::Option,   ConfigGroup::General};

std::string Line(const char* verb, ConfigGroup group, const char* ending) {
    return std::string(verb) + " " + GroupProgressName(group) + ending;
}

std::string StartLine(const char* verb, ConfigGroup group) { return Line(verb, group, " ...\r\n"); }
std::string DoneLine(const char* verb, ConfigGroup group) { return Line(verb, group, " successful.\r\n"); }
std::string SkippedLine(ConfigGroup group) {
    return std::string("The device has no block for the ") + GroupProgressName(group) + ": skipped.\r\n";
}

std::string NotHeldLine(ConfigGroup group) {
    return std::string("The configuration holds no ") + GroupProgressName(group) + ": not written.\r\n";
}

bool IsBootClassVersion(const std::string& version) {
    return version == "2.0" || version == "2.1" || version == "2.2" || version == "2.3" || version == "2.4";
}

std::string Hex(uint32_t value, const char* format) { return platform::Format(format, value); }

}  // namespace

ConfigTransfer::ConfigTransfer(CConfigData& data, fieldbus::DeviceAccess* device, LinkIdentity link,
                               TransferOptions options)
    : data_(data), device_(device), link_(std::move(link)), options_(std::move(options)) {
    options_.runBus = OrInPlace(options_.runBus);
}

// The General group's identification from the link and the device object.
int ConfigTransfer::ReadGeneralFromLink(CConfigData& scratch) {
    GeneralGroup& g = scratch.general;
    g.pdTag = link_.pdTag;
    g.nodeAddress = link_.addressValid ? link_.nodeAddress : 0;
    g.deviceId = link_.deviceId;
    fieldbus::DeviceAccess& device = *device_;
    return options_.runBus([&] {
        const int rb = device.BlockOf(BlockKind::RB);
        uint32_t manufacturer = 0;
        uint16_t type = 0;
        uint8_t revision = 0, ddRevision = 0;
        using fieldbus::ReadTypedValue;
        using fieldbus::Wire;
        if (ReadTypedValue(device, rb, "MANUFAC_ID", manufacturer, Wire::U32) != 0 ||
            ReadTypedValue(device, rb, "DEV_TYPE", type, Wire::U16) != 0 ||
            ReadTypedValue(device, rb, "DEV_REV", revision, Wire::U8) != 0 ||
            ReadTypedValue(device, rb, "DD_REV", ddRevision, Wire::U8) != 0)
            return 1;
        g.manufacturerId = Hex(manufacturer, "%x");
        g.deviceType = Hex(type, "%04x");
        g.deviceRevision = Hex(revision, "%x");
        g.ddRevision = Hex(ddRevision, "%x");

        const fieldbus::LinkMasterFlags flags = device.GetLinkMasterFlags();
        g.linkMasterActivation = flags.linkMasterCapable ? 1 : 0;
        g.bootFunctionalClass = flags.configuredAsLinkMaster ? 1 : 0;
        g.splitterPresent = device.BlockOf(BlockKind::SPLT) >= 0 ? 1 : 0;
        g.extendedServoParameters = fieldbus::IsNewerRevision(type, revision) ? 1 : 0;

        const BlockKind kinds[] = {BlockKind::RB, BlockKind::TB, BlockKind::AO, BlockKind::DI1, BlockKind::DI2,
                                   BlockKind::PID};
        for (size_t i = 0; i < std::size(kinds); ++i) g.blockTags[i] = device.GetBlockTag(device.BlockOf(kinds[i]));
        g.blockTags[TagSPLT] = g.splitterPresent ? device.GetBlockTag(device.BlockOf(BlockKind::SPLT)) : "Not Installed";

        // The link's macro cycle as the device's management information base holds it.
        uint8_t cycle[4] = {};
        uint16_t size = sizeof cycle;
        if (device.ReadManagementObject("MACROCYCLE_DURATION", cycle, size) == 0 && size == sizeof cycle)
            g.macroCycleDuration = values::ValueCodec::Instance().ReadU32(cycle);
        return 0;
    });
}

int ConfigTransfer::ReadConfiguration() {
    outcome_ = TransferOutcome::Failed;
    progressText_.clear();
    if (device_ == nullptr || !device_->IsOpen()) return 1;
    TransferWindow window(platform::GetUi().CreateProgressWindow(
                              "Read configuration data from the device : " + link_.pdTag, "Cancel"),
                          options_.waitForClose);
    if (!window.Created()) {
        platform::ShowMessage("Error: Failed to create message display dialog.");
        return 1;
    }
    GroupContext context{device_, options_.runBus, options_.readOnly, false, nullptr};
    const bool amsFirst = options_.runMode == RunModeAmsSnapOn || options_.runMode == RunModeQamPlugIn;
    bool failed = false, cancelled = false;
    for (size_t i = 0; i < std::size(kReadOrder) && !failed && !cancelled; ++i) {
        const ConfigGroup group = kReadOrder[i];
        CConfigData scratch = data_;
        if (group == ConfigGroup::General) {
            if (amsFirst) failed = ReadGeneralFromLink(scratch) != 0;
            window.SetText(StartLine("Reading", group));
            if (!amsFirst && !failed) failed = ReadGeneralFromLink(scratch) != 0;
        }
        const bool present = DeviceHasGroupBlock(group, *device_);
        if (!failed && present) failed = ReadGroup(group, scratch, context) != 0;
        if (failed) break;
        context.internalGainRead = group == ConfigGroup::Position && present;
        if (window.Cancelled()) {
            cancelled = true;  // the group read meanwhile is dropped
            break;
        }
        CommitGroup(group, scratch, data_);
        window.Append(present ? DoneLine("Reading", group) : SkippedLine(group));
        if (i + 1 < std::size(kReadOrder)) window.Append(StartLine("Reading", kReadOrder[i + 1]));
    }

    if (cancelled)
        window.Append("\r\nReading device configuration data cancelled.\r\n");
    else if (!failed)
        window.Append("\r\nReading device configuration data successful.\r\n");
    else
        window.Append("\r\nReading device configuration failed.\r\n");
    if (options_.runMode != RunModeStandalone)
        data_.dataState = cancelled ? StateReadCancelled : failed ? StateReadFailed : StateConsistent;

    if (!failed && !cancelled) {
        cancelled = window.LingerAfterSuccess();
    } else if (failed) {
        window.OfferClose();
        window.WaitForClose();
    }
    progressText_ = window.Text();

    data_.blockStaticRevisions.fill(0);
    data_.groupStaleFlags.fill(0);
    RememberStaticRevisions(data_, *device_, options_.runBus);

    outcome_ = cancelled ? TransferOutcome::Cancelled : failed ? TransferOutcome::Failed : TransferOutcome::Succeeded;
    return outcome_ == TransferOutcome::Succeeded ? 0 : 1;
}

int ConfigTransfer::ReadFromHostDatabase(const std::function<int()>& load) {
    outcome_ = TransferOutcome::Failed;
    progressText_.clear();
    TransferWindow window(platform::GetUi().CreateProgressWindow(
                              "Read configuration data from the device : " + link_.pdTag, "Cancel"),
                          options_.waitForClose);
    if (!window.Created()) {
        platform::ShowMessage("Error: Failed to create message display dialog.");
        return 1;
    }
    window.SetText("Current device is OFFLINE.\r\n\r\n");
    window.Append("Reading data from database...\r\n");
    const bool failed = load() != 0;
    if (failed) {
        window.Append("Reading OFFLINE configuration data failed.\r\n");
        window.Append("Default value will be used.\r\n");
        data_.dataState = StateDefaults;
    } else {
        // The host's own record of the device names it; the identification numbers and the
        // capabilities came with the loaded data set.
        data_.general.pdTag = link_.pdTag;
        data_.general.nodeAddress = link_.addressValid ? link_.nodeAddress : 0;
        data_.general.deviceId = link_.deviceId;
        window.Append("Reading OFFLINE configuration data successfully.\r\n");
        data_.dataState = StateLoadedFromHost;
    }
    window.Append(failed ? "\r\nReading device configuration failed.\r\n"
                         : "\r\nReading device configuration data successful.\r\n");
    bool cancelled = false;
    if (!failed) {
        cancelled = window.LingerAfterSuccess();
    } else {
        window.OfferClose();
        window.WaitForClose();
    }
    progressText_ = window.Text();
    data_.blockStaticRevisions.fill(0);
    data_.groupStaleFlags.fill(0);
    outcome_ = cancelled ? TransferOutcome::Cancelled : failed ? TransferOutcome::Failed : TransferOutcome::Succeeded;
    return outcome_ == TransferOutcome::Succeeded ? 0 : 1;
}

int ConfigTransfer::ChangeBootClass(TransferWindow& window) {
    fieldbus::DeviceAccess& device = *device_;
    if (!device.GetLinkMasterFlags().linkMasterCapable) return 0;
    uint8_t dlmeClass = 0;
    if (options_.runBus([&] { return device.ReadDlmeClass(dlmeClass); }) != 0) return 1;
    const bool linkMaster = data_.general.bootFunctionalClass == 1;
    if (fieldbus::IsLinkMasterClass(dlmeClass) == linkMaster) return 0;

    window.Append("Changing Device Boot Operat Class ...\r\n");
    window.Append(linkMaster ? "Setting Device to Link Master and Reboot ...\r\n"
                             : "Setting Device to Basic and Reboot ...\r\n");
    if (options_.beforeRestart) options_.beforeRestart();
    if (options_.runBus([&] { return device.SetLinkMaster(linkMaster, true); }) != 0) return 1;
    restarted_ = true;
    // The device leaves the bus while it restarts; the wait gives up after its limit.
    if (options_.runBus([&] { return device.WaitRestart(); }) != 0) {
        platform::ShowMessage(platform::Format(
            "Error: Device %s did not come back within %d seconds after the restart for its new boot class.",
            link_.pdTag.c_str(), static_cast<int>(fieldbus::DeviceManagement::kRestartLimitMs / 1000)));
        return 1;
    }
    if (!window.Cancelled())
        window.Append(linkMaster ? "Setting Device to Link Master and Reboot successful.\r\n"
                                 : "Setting Device to Basic and Reboot successful.\r\n");
    return 0;
}

int ConfigTransfer::DownloadConfiguration() {
    outcome_ = TransferOutcome::Failed;
    progressText_.clear();
    restarted_ = false;
    written_.clear();
    notWritten_.clear();
    if (device_ == nullptr || !device_->IsOpen()) return 1;
    TransferWindow window(platform::GetUi().CreateProgressWindow(
                              "Download configuration data to the device : " + link_.pdTag, "Cancel"),
                          options_.waitForClose);
    if (!window.Created()) {
        platform::ShowMessage("Error: Failed to create message display dialog.");
        return 1;
    }
    std::string notes;
    const GroupContext context{device_, options_.runBus, false, false, &notes};
    bool failed = false, cancelled = false;
    size_t next = 0;  // the first group not (completely) written
    window.SetText(StartLine("Writing", kDownloadOrder[0]));
    for (; next < std::size(kDownloadOrder); ++next) {
        const ConfigGroup group = kDownloadOrder[next];
        const bool present = DeviceHasGroupBlock(group, *device_);
        const bool held = RecordHoldsGroup(group, data_);
        notes.clear();
        if (present && held && DownloadGroup(group, data_, context) != 0) {
            failed = true;
            break;
        }
        if (!notes.empty()) window.Append(notes);
        if (present && held) written_.push_back(group);
        if (window.Cancelled()) {
            // The group that was being written when Cancel was pressed is complete.
            ++next;
            cancelled = true;
            break;
        }
        window.Append(!present ? SkippedLine(group) : !held ? NotHeldLine(group) : DoneLine("Writing", group));
        if (next + 1 < std::size(kDownloadOrder)) window.Append(StartLine("Writing", kDownloadOrder[next + 1]));
    }
    for (size_t i = next; i < std::size(kDownloadOrder); ++i)
        if (DeviceHasGroupBlock(kDownloadOrder[i], *device_) && RecordHoldsGroup(kDownloadOrder[i], data_))
            notWritten_.push_back(kDownloadOrder[i]);
    if (!failed && !cancelled && options_.runMode == RunModeStandalone && IsBootClassVersion(data_.dataVersion))
        failed = ChangeBootClass(window) != 0;
    if (!failed && !cancelled && window.Cancelled()) cancelled = true;

    if (cancelled)
        window.Append("\r\nDownloading device configuration data cancelled.\r\n");
    else if (!failed)
        window.Append("\r\nDownloading device configuration data successful.\r\n");
    else
        window.Append("\r\nDownloading device configuration failed.\r\n");
    outcome_ = cancelled ? TransferOutcome::Cancelled : failed ? TransferOutcome::Failed : TransferOutcome::Succeeded;
    if (failed || cancelled) window.Append(HalfDoneSummary());

    if (!failed && !cancelled) {
        cancelled = window.LingerAfterSuccess();
    } else if (failed) {
        window.OfferClose();
        window.WaitForClose();
    }
    progressText_ = window.Text();
    // What the device holds now is what the record says: our own writes are not news.
    if (!failed && !restarted_) RememberStaticRevisions(data_, *device_, options_.runBus);

    outcome_ = cancelled ? TransferOutcome::Cancelled : failed ? TransferOutcome::Failed : TransferOutcome::Succeeded;
    return outcome_ == TransferOutcome::Succeeded ? 0 : 1;
}

std::string ConfigTransfer::HalfDoneSummary() const {
    std::string text = "\r\nWritten: " + (written_.empty() ? std::string("none") : GroupList(written_)) + ".\r\n";
    text += "Not written: " + (notWritten_.empty() ? std::string("none") : GroupList(notWritten_));
    if (outcome_ == TransferOutcome::Failed && !notWritten_.empty())
        text += std::string(" (") + GroupProgressName(notWritten_.front()) + " failed and may be partly written)";
    text += ".\r\n";
    text += written_.empty() ? "The device keeps its former configuration; its blocks are out of service.\r\n"
                             : "The device now holds a mix of the new and its former configuration; its blocks are "
                               "out of service.\r\n";
    return text;
}

std::string GroupList(const std::vector<ConfigGroup>& groups) {
    std::string text;
    for (ConfigGroup group : groups) text += (text.empty() ? "" : ", ") + std::string(GroupProgressName(group));
    return text;
}

int PrepareDeviceForDownload(fieldbus::DeviceAccess& device, const BusRunner& runBus) {
    constexpr uint8_t kOutOfService = 0x01;
    const int result = OrInPlace(runBus)([&device] {
        for (BlockKind kind : {BlockKind::RB, BlockKind::TB, BlockKind::AO})
            if (device.SetBlockMode(device.BlockOf(kind), kOutOfService) != 0) return 1;
        for (BlockKind kind : {BlockKind::DI1, BlockKind::DI2})
            if (device.BlockOf(kind) >= 0) device.SetBlockMode(device.BlockOf(kind), kOutOfService);
        if (device.BlockOf(BlockKind::PID) >= 0 && device.SetBlockMode(device.BlockOf(BlockKind::PID), kOutOfService) != 0)
            return 1;
        if (device.BlockOf(BlockKind::SPLT) >= 0 &&
            device.SetBlockMode(device.BlockOf(BlockKind::SPLT), kOutOfService) != 0)
            return 1;
        return 0;
    });
    if (result != 0) platform::ShowMessage("Error: Failed to prepare the device for downloading.");
    return result;
}

int PrepareAndDownload(CConfigData& data, fieldbus::DeviceAccess& device, const LinkIdentity& link,
                       const TransferOptions& options, bool* restarted) {
    if (restarted) *restarted = false;
    if (PrepareDeviceForDownload(device, options.runBus) != 0) return 1;
    ConfigTransfer transfer(data, &device, link, options);
    const int result = transfer.DownloadConfiguration();
    if (restarted) *restarted = transfer.Restarted();
    return result;
}

}  // namespace config
