#pragma once
// The decisions of the standalone main view: which device is current, opening, closing and
// switching devices, rescans, removal, tag and address changes and the handling of the
// link's notifications. The Qt view forwards its events here and shows what it is told.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/DeviceDisplay.h"
#include "app/DeviceTreeItem.h"
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
    // Asks for a new tag and address; false when cancelled. `hasAddress` tells whether an
    // address was chosen.
    virtual bool AskTagAddress(const std::string& currentTag, bool offerAddress, uint8_t currentAddress,
                               std::string& newTag, bool& hasAddress, uint8_t& newAddress) = 0;
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
    // The "AO SCHED: ..." and "PID SCHED: ..." labels.
    virtual void SetScheduleLabels(const std::string& ao, const std::string& pid) = 0;
};

class ViewController {
public:
    ViewController(fieldbus::FieldbusLink& link, ViewHost& host);

    // First show: scan the link, build the tree and start the live-list poll.
    void OnInitialUpdate(platform::WindowHandle notifyWindow);

    // Before the selection moves to `item` (0 = OFFLINE): false keeps the old selection.
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
    // One tick of the OFFLINE timer: Ctrl+F opens the fail-safe status dialog.
    void OnOfflineTimerTick();

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

    // Notifications from the link and the devices.
    void OnLiveListChanged();
    void OnDeviceMessage();
    void OnDeviceNotOpen(int slot);
    void OnServerConnectionLost(int status);
    // A view reader published a record (msg is its message, slot the device).
    void OnViewMessage(unsigned msg, int slot);
    const DeviceDisplay& Display() const { return display_; }

    int CurrentSlot() const { return link_.CurrentSlot(); }
    int CompanionSlot() const { return link_.CompanionSlot(); }
    const std::string& MessageBoxText() const { return messages_; }
    std::vector<DeviceTreeItem> TreeItems();
    bool IsBusy() const { return busy_; }
    void RebuildTree();

    // The kind of device for its icon; link-master flags are asked for once per device and
    // kept until the next rescan or restart.
    DeviceIconKind IconKind(int slot);

private:
    void CloseDevice(int slot, bool companion);
    // Opens a slot with the view's prerequisites (valid address, unique tag): 0 open.
    int OpenWithPrerequisites(int slot);
    void AfterRestart(int slot);

    void StartDeviceThreads(int slot, bool companion);
    void StopDeviceThreads(int slot, bool companion);
    void ResetDisplay(int slot, bool companion);

    std::map<std::string, fieldbus::LinkMasterFlags> flagCache_;
    DeviceDisplay display_;
    DeviceDisplay companionDisplay_;
    int ItemOfSlot(int slot);

    fieldbus::FieldbusLink& link_;
    ViewHost& host_;
    platform::WindowHandle notify_ = 0;
    std::string messages_;
    bool busy_ = false;
};

}  // namespace app
