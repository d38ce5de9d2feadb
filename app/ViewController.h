#pragma once
// The decisions of the standalone main view: which device is current, opening, closing and
// switching devices, rescans, removal, tag and address changes and the handling of the
// link's notifications. The Qt view forwards its events here and shows what it is told.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/DeviceData.h"
#include "app/DeviceDisplay.h"
#include "app/DeviceTreeItem.h"
#include "app/IconProbe.h"
#include "config/ConfigSheetOk.h"
#include "config/ConfigTransfer.h"
#include "config/DeviceDiagnosticsSource.h"
#include "fieldbus/BlockModes.h"
#include "fieldbus/FieldbusLink.h"

namespace app {

// What the controller needs from the window.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    // Replaces the tree: "OFFLINE" (item 0) and the given items; selects `selectItem`.
    virtual void ShowDeviceTree(const std::vector<DeviceTreeItem>& items, int selectItem) = 0;
    virtual void SelectTreeItem(int item) = 0;
    virtual void SetMessageBoxText(const std::string& text) = 0;
    virtual void ShowBusyText(const std::string& text) = 0;  // "" hides it
    virtual void RefreshStatusPanes() = 0;
    // The device became current and open (fill the pages, start the readers) or none is.
    virtual void DeviceOpened(int slot) = 0;
    virtual void DeviceClosing(int slot) = 0;
    // Windows bound to devices.
    virtual int OpenTrendWindowCount() const = 0;
    virtual bool HasTrendWindow(int slot) const = 0;
    virtual void CloseDeviceWindows(int slot) = 0;  // trend and query windows of the device
    virtual bool IsFailSafeDialogOpen() const = 0;
    // Asks for a new tag and address; false when cancelled. Only the `offered` addresses can
    // be chosen; the current one is preselected when `offerCurrent`. `hasAddress` tells
    // whether an address was chosen.
    virtual bool AskTagAddress(const std::string& currentTag, const std::vector<uint8_t>& offered, bool offerCurrent,
                               uint8_t currentAddress, std::string& newTag, bool& hasAddress,
                               uint8_t& newAddress) = 0;
    // Closes the main window once no other top-level window is open (server lost).
    virtual void StartCloseWhenAlone() = 0;
    // New values of the current device (or of the companion device, `companion` set).
    virtual void ShowDeviceDisplay(const DeviceDisplay& display, bool companion) = 0;
    // The companion device was opened (or -1: there is none).
    virtual void CompanionOpened(int slot) = 0;
    // Opens the fail-safe status dialog, or activates it when it is open.
    virtual void ShowFailSafeDialog() = 0;
    // Starts or stops the 3000 ms timer that runs while OFFLINE is selected.
    virtual void SetOfflineTimer(bool running) = 0;
    // The "AO SCHED: ..." and "PID SCHED: ..." labels ("" clears them).
    virtual void SetScheduleLabels(const std::string& ao, const std::string& pid) = 0;
    // Redraws the tree's icons (the link-master flags of a device became known).
    virtual void RefreshTreeIcons(const std::vector<DeviceTreeItem>& items) = 0;
};

class ViewController {
public:
    ViewController(fieldbus::FieldbusLink& link, ViewHost& host);
    ~ViewController();

    // First show: scan the link, build the tree and start the live-list poll.
    void OnInitialUpdate(platform::WindowHandle notifyWindow);

    // Before the selection moves to `item` (0 = OFFLINE): false keeps the old selection (and
    // while the view waits for the bus: opening, closing, a restart or an address change).
    bool CanChangeSelection(int item);
    // After the selection moved to `item`.
    void OnSelectionChanged(int item);

    // Commands.
    int OpenCurrentDevice();  // with the prerequisites; 0 open
    void ReopenDevice();
    void RescanLink(bool ask = true);
    void RemoveDevice(int slot);
    void ChangeTagAddress(int slot);
    void CloseCurrentDevices();
    // The companion device: picked from a list of the displayed positioners, or made
    // companion from the tree.
    void SelectCompanion();
    int MakeCompanion(int slot);
    // Configurations: read from the current device; downloaded to a device chosen from the
    // list while none is open (tag and address changed to the record's afterwards); the static
    // revision check before a dialog works on the configuration (ConfigCommands.cpp).
    int ReadConfigurationCommand();
    int DownloadConfigurationCommand();
    int RefreshConfigurationIfChanged();
    // Configure: the sheet (shown by `runSheet`) on the current device, or on the record alone
    // without one. Before it the static revisions are checked; after it they are remembered
    // when the device was written, and a new tag or address goes through the view's tag and
    // address change (the record takes them when it succeeded). 0 unless OK failed.
    int ConfigureCommand(const std::function<config::SheetOutcome(const config::SheetTarget&)>& runSheet);
    // Whether the configuration in memory was read from (or written to) the device of `slot`;
    // when not, offers to read the device's own first. False leaves the record as it is.
    // Configure, the setup wizard and calibration show and update the record, so each asks
    // this before it starts on a device.
    bool RecordBelongsTo(int slot);
    // The current device as the source of the totals and measurements refreshed before a save
    // (null without one).
    config::ActuatorDiagnosticsSource* DiagnosticsSource();
    // One tick of the OFFLINE timer: Ctrl+F opens the fail-safe status dialog.
    void OnOfflineTimerTick();

    // The current device's readers stop while a tool drives the device (calibration) and
    // start again afterwards (also after a tool that took them for itself, the PID
    // controller).
    void PauseDeviceThreads();
    void ResumeDeviceThreads();

    // Operation states of the current device.
    void SetOperationStateCommand(int state);
    void ShowOperationState();
    // Link master / basic device, and reboot; a restarted device is closed and the link rescanned.
    void LinkMasterCommand();
    void RebootCommand();
    // Menu state: the entry text ("Set as &Basic Device" / "Set as Link &Master") and whether
    // it may be used (current device link-master capable, user allowed to manage devices).
    std::string LinkMasterCommandText();
    bool LinkMasterCommandEnabled();
    // The shown state of the current device (kept from the view readers).
    int ShownState() const { return display_.shownState; }
    // Reads the AO and PID schedule entries of the open device, offers to schedule an
    // unscheduled AO block, and shows the labels.
    void UpdateScheduleLabels(int slot);
    void ShowScheduleLabels(int slot, const ScheduleRead& ao, const ScheduleRead& pid);

    // Notifications from the link and the devices.
    void OnLiveListChanged();
    void OnDeviceMessage();
    // Adds a line about the device `tag` to the communication messages (completed commands).
    void LogDeviceLine(const std::string& tag, const std::string& text);
    void OnDeviceNotOpen(int slot);
    void OnServerConnectionLost(int status);
    // The icon probe learned a device's link-master flags.
    void OnIconsChanged();
    // A view reader published a record (msg is its message, slot the device).
    void OnViewMessage(unsigned msg, int slot);
    const DeviceDisplay& Display() const { return display_; }
    // Whether the current or the companion device's values are on the page (their age is
    // checked every second meanwhile).
    bool ShowsDevice() const { return display_.slot > 0 || companionDisplay_.slot > 0; }
    // Called every second by the window: values not updated for kStaleValuesMs are marked
    // stale with their age (the device or the server stopped answering).
    void CheckValuesAge();

    int CurrentSlot() const { return link_.CurrentSlot(); }
    int CompanionSlot() const { return link_.CompanionSlot(); }
    const std::string& MessageBoxText() const { return messages_; }
    std::vector<DeviceTreeItem> TreeItems();
    // Waiting for the bus: selection changes and commands are refused meanwhile.
    bool IsBusy() const { return busy_; }
    void RebuildTree();

    // The kind of device for its icon: an open device's flags as read at open, the others'
    // as the icon probe learned them (a plain positioner until then).
    DeviceIconKind IconKind(int slot);
    IconProbe& Icons() { return icons_; }
    // Ends the background work (icon probe) before the link closes.
    void Shutdown();

private:
    friend class BusyScope;
    void CloseDevice(int slot, bool companion);
    // Opens a slot with the view's prerequisites (valid address, unique tag): 0 open.
    int OpenWithPrerequisites(int slot);
    // After opening: reads the device data off the user-interface thread, shows it and starts
    // the readers; 1 (the device closed again) when the device does not answer.
    int ShowOpenedDevice(int slot);
    void AfterRestart(int slot, bool cameBack);
    // The tag/address change after its checks: progress window, the change, the rescan.
    // 0 when the device took the new tag and address.
    int RunTagAddressChange(int slot, const std::string& newTag, uint8_t newAddress);
    // The download command once the target slot was chosen and accepted.
    int DownloadTo(int slot);
    // Logs a configuration transfer that succeeded or was cancelled.
    void LogTransfer(const std::string& tag, config::TransferOutcome outcome, const char* what);
    // After a download: offers the blocks the modes they had before it and names the blocks
    // that stay out of service.
    void OfferPriorModes(fieldbus::FieldbusDevice& device, const std::string& tag,
                         const fieldbus::BlockModeList& priorModes);
    void RestartCommand(bool linkMaster);
    // Closes the devices, closes and scans the link again, restarts the poll and the probe.
    void Rescan();
    // Notifications that came while the view waited for the bus are handled afterwards.
    void RunDeferred();
    void DeviceLost(int slot);

    void StartDeviceThreads(int slot, bool companion);
    void StopThreadsAndClose(int slot, bool companion);
    void ResetDisplay(int slot, bool companion);
    // Tells the icon probe which devices the tree wants to know about.
    void WantIcons();

    IconProbe icons_;
    DeviceDisplay display_;
    DeviceDisplay companionDisplay_;
    int ItemOfSlot(int slot);

    fieldbus::FieldbusLink& link_;
    ViewHost& host_;
    platform::WindowHandle notify_ = 0;
    std::string messages_;
    bool busy_ = false;        // waiting for the bus: selection changes and commands refused
    bool rebuilding_ = false;  // the tree is being rebuilt: selection changes ignored
    // Deferred notifications.
    bool liveListPending_ = false;
    int serverLostPending_ = 0;
    std::vector<int> notOpenPending_;
    bool serverLostShown_ = false;
    // What the tree shows now: a live-list poll that changes none of it leaves the tree alone.
    std::vector<DeviceTreeItem> shownTree_;
    std::unique_ptr<config::DeviceDiagnosticsSource> diagnostics_;
    int diagnosticsSlot_ = -1;
};

// Marks the view busy for its lifetime; the outermost one runs the deferred notifications.
class BusyScope {
public:
    explicit BusyScope(ViewController& view) : view_(view), outer_(!view.busy_) { view_.busy_ = true; }
    ~BusyScope() {
        if (!outer_) return;
        view_.busy_ = false;
        // The commands refused meanwhile are offered again.
        view_.host_.RefreshStatusPanes();
        view_.RunDeferred();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ViewController& view_;
    bool outer_;
};

}  // namespace app
