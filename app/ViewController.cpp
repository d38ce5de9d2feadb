#include "app/ViewController.h"

#include "app/MessageBoxText.h"
#include "config/CConfigData.h"
#include "fieldbus/DeviceCommands.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/OperationState.h"
#include "logon/HasPrivilege.h"
#include "fieldbus/StatusLog.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

using fieldbus::MessageLog;
using platform::Format;
using platform::GetClock;
using platform::GetUi;
using platform::ShowMessage;

namespace app {
namespace {

constexpr int kQuestion = platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2;

void Wait(uint32_t ms) {
    const uint64_t start = GetClock().NowMs();
    while (GetClock().NowMs() - start < ms) {
        GetUi().PumpMessages();
        GetClock().SleepMs(50);
    }
}

}  // namespace

ViewController::ViewController(fieldbus::FieldbusLink& link, ViewHost& host) : link_(link), host_(host) {}

void ViewController::StartDeviceThreads(int slot, bool companion) {
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    ResetDisplay(slot, companion);
    device.StartTbView3(notify_);
    if (companion) return;  // the companion shows its transducer values only
    device.StartAoView1(notify_);
    device.StartRbView1(notify_);
    device.StartPidView3(notify_);
    device.StartDi1View1(notify_);
    device.StartDi2View1(notify_);
    if (device.GetLinkMasterFlags().linkMasterType) device.StartSpltView1(notify_);
}

void ViewController::StopDeviceThreads(int slot, bool companion) {
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    device.StopTbView3();
    device.StopAoView1();
    device.StopRbView1();
    device.StopPidView3();
    device.StopDi1View1();
    device.StopDi2View1();
    device.StopSpltView1();
    if (device.AnyThreadAlive() == 0) return;
    ShowMessage(companion ? "Thread shutting down for the companion device ..."
                          : "Thread shutting down for the selected device ...",
                platform::MB_OK | platform::MB_ICONINFORMATION);
    if (device.AnyThreadAlive() != 0)
        ShowMessage(companion ? "Error: There is some thread still alive for the companion device."
                              : "Error: There is some thread still alive for the selected device.");
}

void ViewController::ResetDisplay(int slot, bool companion) {
    DeviceDisplay& display = companion ? companionDisplay_ : display_;
    display = DeviceDisplay{};
    display.slot = slot;
    display.shownState = slot > 0 ? fieldbus::kUnnamedState : fieldbus::kOffline;
    host_.ShowDeviceDisplay(display, companion);
}

void ViewController::OnViewMessage(unsigned msg, int slot) {
    const bool companion = slot == link_.CompanionSlot() && slot != link_.CurrentSlot();
    if (slot <= 0 || (slot != link_.CurrentSlot() && !companion)) return;
    DeviceDisplay& display = companion ? companionDisplay_ : display_;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    auto setMode = [&](ShownBlock block, uint8_t mode) {
        display.hasMode[static_cast<size_t>(block)] = true;
        display.actualMode[static_cast<size_t>(block)] = mode;
    };
    // VIEW_1 and VIEW_3 begin with ST_REV and MODE_BLK: the actual mode is byte 3.
    switch (msg) {
        case fieldbus::WM_TBVIEW3_UPDATED: {
            fieldbus::TbView3Record r{};
            if (device.GetTbView3(r) != 0) return;
            setMode(ShownBlock::TB, r.modeBlk[1]);
            display.hasValues = true;
            display.actualPosition = r.finalPositionValue;
            display.setPoint = r.finalValue;
            display.outPressure = r.outPressure;
            display.servoOutput = r.servoOutputSignal;
            display.electTemp = r.electTemp;
            break;
        }
        case fieldbus::WM_AOVIEW1_UPDATED: {
            fieldbus::RawRecord33 r{};
            if (device.GetAoView1(r) == 0) setMode(ShownBlock::AO, r[3]);
            break;
        }
        case fieldbus::WM_RBVIEW1_UPDATED: {
            fieldbus::RawRecord22 r{};
            if (device.GetRbView1(r) == 0) setMode(ShownBlock::RB, r[3]);
            break;
        }
        case fieldbus::WM_PIDVIEW3_UPDATED: {
            fieldbus::RawRecord83 r{};
            if (device.GetPidView3(r) == 0) setMode(ShownBlock::PID, r[3]);
            break;
        }
        case fieldbus::WM_DI1VIEW1_UPDATED: {
            fieldbus::RawRecord22 r{};
            if (device.GetDi1View1(r) == 0) setMode(ShownBlock::DI1, r[3]);
            break;
        }
        case fieldbus::WM_DI2VIEW1_UPDATED: {
            fieldbus::RawRecord22 r{};
            if (device.GetDi2View1(r) == 0) setMode(ShownBlock::DI2, r[3]);
            break;
        }
        case fieldbus::WM_SPLTVIEW1_UPDATED: {
            fieldbus::RawRecord28 r{};
            if (device.GetSpltView1(r) == 0) setMode(ShownBlock::SPLT, r[3]);
            break;
        }
        default: return;
    }
    const auto mode = [&](ShownBlock block) { return display.actualMode[static_cast<size_t>(block)]; };
    const auto has = [&](ShownBlock block) { return display.hasMode[static_cast<size_t>(block)]; };
    if (has(ShownBlock::RB) && has(ShownBlock::TB) && has(ShownBlock::AO))
        display.shownState = fieldbus::ShownOperationState(device.IsOpen(), mode(ShownBlock::RB), mode(ShownBlock::TB),
                                                           mode(ShownBlock::AO));
    host_.ShowDeviceDisplay(display, companion);
}

DeviceIconKind ViewController::IconKind(int slot) {
    if (!link_.IsPositioner(slot)) return DeviceIconKind::NotPositioner;
    const std::string id = link_.GetDeviceId(slot);
    auto it = flagCache_.find(id);
    if (it == flagCache_.end()) {
        if (!link_.IsPresent(slot)) return DeviceIconKind::Positioner;
        fieldbus::LinkMasterFlags flags;
        // A failed query (link not ready yet) is asked again at the next rebuild.
        if (link_.Device(slot).QueryLinkMasterFlags(flags) != 0) return DeviceIconKind::Positioner;
        it = flagCache_.emplace(id, flags).first;
    }
    if (it->second.configuredAsLinkMaster) return DeviceIconKind::LinkMaster;
    if (it->second.linkMasterCapable) return DeviceIconKind::LinkMasterCapable;
    return DeviceIconKind::Positioner;
}

void ViewController::OnInitialUpdate(platform::WindowHandle notifyWindow) {
    notify_ = notifyWindow;
    link_.SetNotifyWindow(notifyWindow);
    if (link_.ScanLink() == 0) link_.StartLivePoll(notifyWindow);
    RebuildTree();
    host_.RefreshStatusPanes();
}

std::vector<DeviceTreeItem> ViewController::TreeItems() {
    std::vector<DeviceTreeItem> items;
    const int count = link_.DisplayItemCount();
    for (int item = 1; item < count; ++item) {
        DeviceTreeItem entry;
        entry.item = item;
        entry.slot = link_.ItemDevIndexMap(item);
        entry.tag = link_.GetTag(entry.slot);
        entry.present = link_.IsPresent(entry.slot);
        entry.kind = IconKind(entry.slot);
        items.push_back(entry);
    }
    return items;
}

int ViewController::ItemOfSlot(int slot) {
    const int count = link_.DisplayItemCount();
    for (int item = 1; item < count; ++item)
        if (link_.ItemDevIndexMap(item) == slot) return item;
    return 0;
}

void ViewController::RebuildTree() {
    busy_ = true;
    host_.ShowBusyText("Please wait while updating device list...");
    const int current = link_.CurrentSlot();
    host_.ShowDeviceTree(TreeItems(), current > 0 ? ItemOfSlot(current) : 0);
    host_.ShowBusyText("");
    busy_ = false;
}

bool ViewController::CanChangeSelection(int item) {
    if (busy_) return false;
    if (host_.IsFailSafeDialogOpen()) {
        ShowMessage("Please close the Fail Safe Status Dialog before switch the device selection.");
        return false;
    }
    const int current = link_.CurrentSlot();
    if (item == 0) {
        if (current > 0 && link_.Device(current).IsOpen())
            return ShowMessage("Attempting to switch from the selected device to OFFLINE file. \nAre you sure you "
                               "want to proceed ?",
                               kQuestion) == platform::IDYES;
        return true;
    }
    const int slot = link_.ItemDevIndexMap(item);
    if (!link_.IsPresent(slot) || !link_.IsPositioner(slot)) return false;
    if (slot == current) return true;
    if (current > 0)
        return ShowMessage("Attempting to switch the device selection. \nAre you sure you want to proceed ?",
                           kQuestion) == platform::IDYES;
    return true;
}

void ViewController::OnSelectionChanged(int item) {
    if (busy_) return;
    host_.SetOfflineTimer(item == 0);
    const int candidate = item == 0 ? -1 : link_.ItemDevIndexMap(item);
    const int current = link_.CurrentSlot();
    if (candidate == current && (candidate < 0 || link_.Device(candidate).IsOpen())) return;
    busy_ = true;
    if (current > 0 && candidate != current) CloseCurrentDevices();
    link_.SetCurrentSlot(candidate);
    if (candidate > 0) {
        if (OpenCurrentDevice() != 0) {
            link_.SetCurrentSlot(-1);
            host_.SelectTreeItem(0);
        } else {
            host_.ShowBusyText("Please wait while updating device data...");
            UpdateScheduleLabels(candidate);
            host_.DeviceOpened(candidate);
            StartDeviceThreads(candidate, false);
            host_.ShowBusyText("");
        }
    } else {
        host_.DeviceOpened(-1);
    }
    host_.RefreshStatusPanes();
    busy_ = false;
}

int ViewController::OpenCurrentDevice() { return OpenWithPrerequisites(link_.CurrentSlot()); }

int ViewController::OpenWithPrerequisites(int slot) {
    if (slot <= 0) return 1;
    if (link_.Device(slot).IsOpen()) return 0;
    if (!link_.IsAddressValid(slot, link_.GetNodeAddress(slot))) {
        ShowMessage("NOTE:  The device address is either invalid/uninitialized or non-unique. \n\nRight click the "
                    "device to select Tag/Address menu for changing or initialization \nbefore open the device.");
        return 1;
    }
    const std::string tag = link_.GetTag(slot);
    if (tag.empty() || !link_.IsTagUnique(slot, tag)) {
        ShowMessage("NOTE: The device tag is either empty or non-unique. \n\nRight click the device to select "
                    "Tag/Address menu for changing or initialization \nbefore open the device.");
        return 1;
    }
    if (link_.OpenDevice(slot) != 0) {
        ShowMessage("Error: Failed to open the device.");
        return 1;
    }
    return 0;
}

void ViewController::UpdateScheduleLabels(int slot) {
    if (slot <= 0) {
        host_.SetScheduleLabels("", "");
        return;
    }
    constexpr uint32_t kDisabled = 0xFFFFFFFFu;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    int number = 0;
    fieldbus::ScheduleEntry entry;
    std::string ao = "AO SCHED: Unknown";
    if (device.FindScheduleEntry(5000, number, entry) == 0 && number != 0) {
        ao = "AO SCHED: Yes";
        if (entry.startOffset == kDisabled) {
            const bool scheduled =
                ShowMessage("NOTE: AO Block is found unscheduled. To reschedule, the execution start time offset will "
                            "be set to 0.\n\nProceed to set the schedule for AO block with value of 0 ?",
                            platform::MB_YESNO | platform::MB_ICONINFORMATION | platform::MB_DEFBUTTON2) ==
                    platform::IDYES &&
                device.ResetBlockSchedule() == 0;
            if (!scheduled) {
                ao = "AO SCHED: No";
                ShowMessage("NOTE: AO Block is unscheduled and the positioner will not function without AO block "
                            "scheduled.");
            }
        }
    }
    std::string pid = "PID SCHED: Unknown";
    if (device.FindScheduleEntry(8000, number, entry) == 0 && number != 0)
        pid = entry.startOffset == kDisabled ? "PID SCHED: No" : "PID SCHED: Yes";
    host_.SetScheduleLabels(ao, pid);
}

void ViewController::CloseDevice(int slot, bool companion) {
    if (slot <= 0) return;
    host_.DeviceClosing(slot);
    StopDeviceThreads(slot, companion);
    link_.Device(slot).CloseDevice();
    ResetDisplay(-1, companion);
}

void ViewController::CloseCurrentDevices() {
    const int current = link_.CurrentSlot();
    const int companion = link_.CompanionSlot();
    host_.SetOfflineTimer(false);
    if (current > 0) host_.CloseDeviceWindows(current);
    if (companion > 0) host_.CloseDeviceWindows(companion);
    CloseDevice(companion, true);
    CloseDevice(current, false);
    if (companion > 0) {
        link_.SetCompanionSlot(-1);
        host_.CompanionOpened(-1);
    }
}

int ViewController::MakeCompanion(int slot) {
    const int current = link_.CurrentSlot();
    if (slot <= 0 || slot == current || !link_.IsPresent(slot) || !link_.IsPositioner(slot)) return 1;
    const int old = link_.CompanionSlot();
    if (old > 0 && old != slot) {
        host_.CloseDeviceWindows(old);
        CloseDevice(old, true);
    }
    link_.SetCompanionSlot(-1);
    if (OpenWithPrerequisites(slot) != 0) {
        host_.CompanionOpened(-1);
        host_.RefreshStatusPanes();
        return 1;
    }
    link_.SetCompanionSlot(slot);
    host_.CompanionOpened(slot);
    StartDeviceThreads(slot, true);
    host_.RefreshStatusPanes();
    return 0;
}

void ViewController::SelectCompanion() {
    std::vector<int> slots;
    std::vector<std::string> tags;
    for (const auto& entry : TreeItems()) {
        if (entry.slot == link_.CurrentSlot() || !entry.present || !link_.IsPositioner(entry.slot)) continue;
        slots.push_back(entry.slot);
        tags.push_back(entry.tag);
    }
    const int pick = GetUi().PickFromList("Companion Device", "Select the companion device:", tags);
    if (pick >= 0 && pick < static_cast<int>(slots.size())) MakeCompanion(slots[static_cast<size_t>(pick)]);
}

void ViewController::OnOfflineTimerTick() {
    if (link_.CurrentSlot() > 0) return;
    if (GetUi().IsKeyDown(platform::Key::Control) && GetUi().IsKeyDown(platform::Key::F)) host_.ShowFailSafeDialog();
}

void ViewController::SetOperationStateCommand(int state) {
    const int slot = link_.CurrentSlot();
    if (slot <= 0) return;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    fieldbus::RequestOperationState(device, state, config::CurrentConfig().option.bumplessTransfer != 0,
                                    display_.shownState);
    // Let the readers publish the new modes at once.
    device.RequestRefreshTbView3(true);
    device.RequestRefreshAoView1(true);
    device.RequestRefreshRbView1(true);
}

void ViewController::ShowOperationState() {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || OpenCurrentDevice() != 0) return;
    int state = display_.shownState;
    if (link_.Device(slot).ReadOperationState(state) == 0) display_.shownState = state;
    ShowMessage(Format("Device (%s) Operation State :\n\n", link_.GetTag(slot).c_str()) + "      ***** " +
                    fieldbus::OperationStateName(display_.shownState) + " *****",
                platform::MB_OK | platform::MB_ICONINFORMATION);
}

std::string ViewController::LinkMasterCommandText() {
    const int slot = link_.CurrentSlot();
    const bool linkMaster = slot > 0 && link_.Device(slot).GetLinkMasterFlags().configuredAsLinkMaster;
    return linkMaster ? "Set as &Basic Device" : "Set as Link &Master";
}

bool ViewController::LinkMasterCommandEnabled() {
    const int slot = link_.CurrentSlot();
    return slot > 0 && link_.Device(slot).IsOpen() && link_.Device(slot).GetLinkMasterFlags().linkMasterCapable &&
           logon::HasPrivilege(3, false);
}

void ViewController::AfterRestart(int slot) {
    ShowMessage(Format("Device %s has been closed.", link_.GetTag(slot).c_str()),
                platform::MB_OK | platform::MB_ICONINFORMATION);
    flagCache_.clear();
    RescanLink(false);
}

void ViewController::LinkMasterCommand() {
    const int slot = link_.CurrentSlot();
    fieldbus::DeviceAccess* device = slot > 0 ? &link_.Device(slot) : nullptr;
    if (fieldbus::RequestLinkMasterChange(device) == 0) AfterRestart(slot);
}

void ViewController::RebootCommand() {
    const int slot = link_.CurrentSlot();
    fieldbus::DeviceAccess* device = slot > 0 ? &link_.Device(slot) : nullptr;
    if (fieldbus::RequestReboot(device) == 0) AfterRestart(slot);
}

void ViewController::ReopenDevice() {
    if (host_.IsFailSafeDialogOpen()) {
        ShowMessage("Please close the Fail Safe Status Dialog before re-open device.");
        return;
    }
    const int slot = link_.CurrentSlot();
    if (slot <= 0) return;
    if (ShowMessage("You are trying to REOPEN the opened device. It will close everything\n"
                    "and reopen again. This process will take several minutes.\n\n"
                    "Are you sure you want to reopen the device?\n",
                    kQuestion) != platform::IDYES)
        return;
    CloseCurrentDevices();
    if (OpenCurrentDevice() != 0) {
        link_.SetCurrentSlot(-1);
        host_.SelectTreeItem(0);
        host_.DeviceOpened(-1);
    } else {
        UpdateScheduleLabels(slot);
        host_.DeviceOpened(slot);
        StartDeviceThreads(slot, false);
    }
    host_.RefreshStatusPanes();
}

void ViewController::RescanLink(bool ask) {
    if (host_.OpenTrendWindowCount() > 0) {
        ShowMessage("Please close all the trend windows before rescan the link for devices.");
        return;
    }
    if (ask && link_.DisplayItemCount() > 1 &&
        ShowMessage("NOTE: Rescan the link for devices will close all the opened devices, removes all non-responsive "
                    "or non-existing devices. \nAre you sure you want to proceed ?",
                    kQuestion) != platform::IDYES)
        return;
    if (host_.IsFailSafeDialogOpen()) {
        ShowMessage("Please close the Fail Safe Status Dialog before switch the device selection.");
        return;
    }
    busy_ = true;
    CloseCurrentDevices();
    link_.SetCurrentSlot(-1);
    link_.SetCompanionSlot(-1);
    host_.DeviceOpened(-1);
    link_.CloseLink();
    flagCache_.clear();
    busy_ = false;
    if (link_.ScanLink() == 0) link_.StartLivePoll(notify_);
    RebuildTree();
    host_.RefreshStatusPanes();
}

void ViewController::RemoveDevice(int slot) {
    if (ShowMessage(Format("Remove non-existing device %s from this device list display ?", link_.GetTag(slot).c_str()),
                    platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) != platform::IDYES)
        return;
    if (host_.HasTrendWindow(slot)) {
        ShowMessage("Please close the opened trend window used for this device before remove this device.");
        return;
    }
    host_.CloseDeviceWindows(slot);
    link_.RemoveDevice(slot);
    RebuildTree();
    host_.RefreshStatusPanes();
}

void ViewController::ChangeTagAddress(int slot) {
    if (host_.IsFailSafeDialogOpen()) {
        ShowMessage("Please close the Fail Safe Status Dialog before change Tag/Address.");
        return;
    }
    const std::string oldTag = link_.GetTag(slot);
    const uint8_t oldAddress = link_.GetNodeAddress(slot);
    std::string newTag;
    bool hasAddress = false;
    uint8_t newAddress = 0;
    if (!host_.AskTagAddress(oldTag, link_.IsAddressValid(slot, oldAddress), oldAddress, newTag, hasAddress,
                             newAddress))
        return;
    if (!hasAddress) {
        ShowMessage("Error: The device address is not selected. No Tag/Address change will take into effect.");
        return;
    }
    if (!link_.IsTagUnique(slot, newTag)) {
        ShowMessage("Error: The device tag is not unique. No Tag/Address change will take into effect.");
        return;
    }
    auto dialog = GetUi().CreateProgressWindow("Handle Device Tag/Address Change : " + oldTag, "Cancel");
    dialog->EnableButton(false);
    dialog->AppendText(Format("Current Tag/Address before change : %s / 0x%02x\r\n\r\n", oldTag.c_str(), oldAddress));
    dialog->AppendText(
        Format("Attempting new Tag/Address :            %s / 0x%02x\r\n\r\n", newTag.c_str(), newAddress));
    dialog->AppendText("Processing Tag/Address change ...\r\n\r\n");
    const bool paused = slot == link_.CompanionSlot() && slot != link_.CurrentSlot();
    if (slot == link_.CurrentSlot()) {
        CloseCurrentDevices();
        link_.StopLivePoll();
    } else if (paused) {
        CloseDevice(slot, true);
        link_.SetPollPause(true);
    }
    Wait(1000);
    const int result = link_.ChangeTagAddress(slot, newTag, newAddress);
    if (result == 0) Wait(10000);
    dialog->SetButtonText("&CLOSE");
    dialog->EnableButton(true);
    dialog->ResetButton();
    dialog->AppendText(result == 0 ? "\r\n\r\nChanging device tag/address successful.\r\n"
                                   : "\r\n\r\nChanging device tag/address failed.\r\n");
    while (!dialog->ButtonPressed() && dialog->IsOpen()) {
        GetUi().PumpMessages();
        GetClock().SleepMs(50);
    }
    dialog->Close();
    link_.SetPollPause(false);
    RescanLink(false);
}

void ViewController::OnLiveListChanged() {
    for (int slot : {link_.CurrentSlot(), link_.CompanionSlot()}) {
        if (slot <= 0 || link_.IsPresent(slot)) continue;
        CloseDevice(slot, slot == link_.CompanionSlot());
        ShowMessage(Format("********** Error ********** \n\nDevice %s not responsive ! \n\nConnection terminated.",
                           link_.GetTag(slot).c_str()));
        if (slot == link_.CurrentSlot()) {
            link_.SetCurrentSlot(-1);
            host_.DeviceOpened(-1);
        } else {
            link_.SetCompanionSlot(-1);
        }
    }
    RebuildTree();
    host_.RefreshStatusPanes();
}

void ViewController::OnDeviceMessage() {
    AppendMessageLines(messages_, MessageLog::Instance().Drain());
    host_.SetMessageBoxText(messages_);
}

void ViewController::OnDeviceNotOpen(int slot) {
    const std::string tag = link_.GetTag(slot);
    if (slot > 0 && (slot == link_.CurrentSlot() || slot == link_.CompanionSlot())) {
        if (slot == link_.CurrentSlot()) {
            link_.SetCurrentSlot(-1);
            host_.DeviceOpened(-1);
        } else {
            link_.SetCompanionSlot(-1);
        }
        ShowMessage(Format("********** Error ********** \n\nDevice %s not open and it is deselected !", tag.c_str()),
                    platform::MB_OK | platform::MB_ICONWARNING);
        host_.SelectTreeItem(0);
    }
    MessageLog::Instance().Append("Device " + tag + " Error: Device Not Open" + fieldbus::TimeStamp() + "\r\n");
    OnDeviceMessage();
}

void ViewController::OnServerConnectionLost(int status) {
    ShowMessage(Format("Error (%d): %s", status, fieldbus::StatusName(status).c_str()));
    CloseCurrentDevices();
    link_.SetCurrentSlot(-1);
    link_.SetCompanionSlot(-1);
    host_.DeviceOpened(-1);
    host_.StartCloseWhenAlone();
}

}  // namespace app
