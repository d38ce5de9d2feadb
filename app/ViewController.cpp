#include "app/ViewController.h"

#include <algorithm>

#include "app/BackgroundWork.h"
#include "app/MessageBoxText.h"
#include "config/CConfigData.h"
#include "fieldbus/DeviceCommands.h"
#include "fieldbus/DeviceManagement.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/StatusLog.h"
#include "logon/HasPrivilege.h"
#include "platform/Clock.h"
#include "platform/OffUiThread.h"
#include "platform/Ui.h"

using fieldbus::MessageLog;
using platform::Format;
using platform::GetClock;
using platform::GetUi;
using platform::ShowMessage;

namespace app {
namespace {

constexpr int kQuestion = platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2;
constexpr uint32_t kBeforeChangeMs = 1000;
constexpr uint32_t kSettleAfterChangeMs = 10000;

// Waits `ms` on the process clock with the window served; true when the progress window's
// button was pressed (or the window closed) meanwhile.
bool WaitOrCancel(platform::ProgressWindow* window, uint32_t ms) {
    const uint64_t start = GetClock().NowMs();
    while (GetClock().NowMs() - start < ms) {
        if (window && (window->ButtonPressed() || !window->IsOpen())) return true;
        GetUi().PumpMessages();
        GetClock().SleepMs(50);
    }
    return window && (window->ButtonPressed() || !window->IsOpen());
}

}  // namespace

ViewController::ViewController(fieldbus::FieldbusLink& link, ViewHost& host) : icons_(link), link_(link), host_(host) {}

// The window is being destroyed: its events are not served meanwhile.
ViewController::~ViewController() { icons_.Stop(false); }

void ViewController::Shutdown() { icons_.Stop(); }

void ViewController::StartDeviceThreads(int slot, bool companion) {
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    device.StartTbView3(notify_);
    if (companion) return;  // the companion shows its transducer values only
    device.StartAoView1(notify_);
    device.StartRbView1(notify_);
    device.StartPidView3(notify_);
    device.StartDi1View1(notify_);
    device.StartDi2View1(notify_);
    if (device.GetLinkMasterFlags().linkMasterType) device.StartSpltView1(notify_);
}

void ViewController::PauseDeviceThreads() {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || !link_.Device(slot).IsOpen()) return;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    device.StopTbView3();
    device.StopAoView1();
    device.StopRbView1();
    device.StopPidView3();
    device.StopDi1View1();
    device.StopDi2View1();
    device.StopSpltView1();
}

void ViewController::ResumeDeviceThreads() {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || !link_.Device(slot).IsOpen()) return;
    StartDeviceThreads(slot, false);
}

// Closing the device stops its readers: asked to end together, released from a read of a
// device that does not answer by the closed descriptors, then waited for under one stop
// limit. The check for workers still alive comes after it.
void ViewController::StopThreadsAndClose(int slot, bool companion) {
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    // The close and the wait for the readers run off the user-interface thread.
    platform::RunServingEvents([&device] { device.CloseDevice(); });
    if (link_.HasAbandonedWork()) {
        // The server stopped answering: its calls hold the workers, and the user can do
        // nothing about them. Said in the message log instead of a box per worker.
        MessageLog::Instance().Append("Device " + link_.GetTag(slot) +
                                      " Error: The Fieldbus server does not answer; the device was closed without "
                                      "waiting for its reads" +
                                      fieldbus::TimeStamp() + "\r\n");
        OnDeviceMessage();
        return;
    }
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
    if (display.slot != slot) return;  // a message from before the display was reset
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    // What the page shows before the record, so that a record that changes nothing on it
    // (most of the block views: their modes stay) does not redraw it.
    const DeviceDisplay shown = display;
    auto setMode = [&](ShownBlock block, uint8_t mode, uint8_t normal) {
        display.hasMode[static_cast<size_t>(block)] = true;
        display.actualMode[static_cast<size_t>(block)] = mode;
        display.normalMode[static_cast<size_t>(block)] = normal;
    };
    // VIEW_1 and VIEW_3 begin with ST_REV and MODE_BLK (target, actual, permitted, normal):
    // the actual mode is byte 3, the normal one byte 5.
    switch (msg) {
        case fieldbus::WM_TBVIEW3_UPDATED: {
            fieldbus::TbView3Record r{};
            if (device.GetTbView3(r) != 0) return;
            setMode(ShownBlock::TB, r.modeBlk[1], r.modeBlk[3]);
            display.hasValues = true;
            display.valuesAtMs = GetClock().NowMs();
            display.staleSeconds = 0;
            display.actualPosition = r.finalPositionValue;
            display.setPoint = r.finalValue;
            display.outPressure = r.outPressure;
            display.servoOutput = r.servoOutputSignal;
            display.electTemp = r.electTemp;
            break;
        }
        case fieldbus::WM_AOVIEW1_UPDATED: {
            fieldbus::RawRecord33 r{};
            if (device.GetAoView1(r) == 0) setMode(ShownBlock::AO, r[3], r[5]);
            break;
        }
        case fieldbus::WM_RBVIEW1_UPDATED: {
            fieldbus::RawRecord22 r{};
            if (device.GetRbView1(r) == 0) setMode(ShownBlock::RB, r[3], r[5]);
            break;
        }
        case fieldbus::WM_PIDVIEW3_UPDATED: {
            fieldbus::RawRecord83 r{};
            if (device.GetPidView3(r) == 0) setMode(ShownBlock::PID, r[3], r[5]);
            break;
        }
        case fieldbus::WM_DI1VIEW1_UPDATED: {
            fieldbus::RawRecord22 r{};
            if (device.GetDi1View1(r) == 0) setMode(ShownBlock::DI1, r[3], r[5]);
            break;
        }
        case fieldbus::WM_DI2VIEW1_UPDATED: {
            fieldbus::RawRecord22 r{};
            if (device.GetDi2View1(r) == 0) setMode(ShownBlock::DI2, r[3], r[5]);
            break;
        }
        case fieldbus::WM_SPLTVIEW1_UPDATED: {
            fieldbus::RawRecord28 r{};
            if (device.GetSpltView1(r) == 0) setMode(ShownBlock::SPLT, r[3], r[5]);
            break;
        }
        default: return;
    }
    const auto mode = [&](ShownBlock block) { return display.actualMode[static_cast<size_t>(block)]; };
    const auto has = [&](ShownBlock block) { return display.hasMode[static_cast<size_t>(block)]; };
    if (has(ShownBlock::RB) && has(ShownBlock::TB) && has(ShownBlock::AO))
        display.shownState = fieldbus::ShownOperationState(device.IsOpen(), mode(ShownBlock::RB), mode(ShownBlock::TB),
                                                           mode(ShownBlock::AO));
    if (SameOnPage(shown, display)) return;
    host_.ShowDeviceDisplay(display, companion);
}

void ViewController::CheckValuesAge() {
    const uint64_t now = GetClock().NowMs();
    for (bool companion : {false, true}) {
        DeviceDisplay& display = companion ? companionDisplay_ : display_;
        if (display.slot <= 0 || !display.hasValues || now < display.valuesAtMs) continue;
        const uint64_t age = now - display.valuesAtMs;
        const int seconds = age > kStaleValuesMs ? static_cast<int>(age / 1000) : 0;
        if (seconds == display.staleSeconds) continue;
        display.staleSeconds = seconds;
        host_.ShowDeviceDisplay(display, companion);
    }
}

DeviceIconKind ViewController::IconKind(int slot) {
    if (!link_.IsPositioner(slot)) return DeviceIconKind::NotPositioner;
    fieldbus::LinkMasterFlags flags;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    if (device.IsOpen())
        flags = device.GetLinkMasterFlags();
    else if (!icons_.Known(link_.GetDeviceId(slot), flags))
        return DeviceIconKind::Positioner;
    if (flags.configuredAsLinkMaster) return DeviceIconKind::LinkMaster;
    if (flags.linkMasterCapable) return DeviceIconKind::LinkMasterCapable;
    return DeviceIconKind::Positioner;
}

void ViewController::WantIcons() {
    std::vector<std::pair<int, std::string>> wanted;
    const int count = link_.DisplayItemCount();
    for (int item = 1; item < count; ++item) {
        const int slot = link_.ItemDevIndexMap(item);
        if (link_.IsPresent(slot) && link_.IsPositioner(slot) && !link_.Device(slot).IsOpen())
            wanted.emplace_back(slot, link_.GetDeviceId(slot));
    }
    icons_.Want(wanted);
}

void ViewController::OnIconsChanged() {
    shownTree_ = TreeItems();
    host_.RefreshTreeIcons(shownTree_);
}

void ViewController::OnInitialUpdate(platform::WindowHandle notifyWindow) {
    notify_ = notifyWindow;
    link_.SetNotifyWindow(notifyWindow);
    // The window keeps serving its events during the scan; no device command starts meanwhile.
    BusyScope busy(*this);
    if (link_.ScanLink() == 0) {
        link_.StartLivePoll(notifyWindow);
        icons_.Start(notifyWindow);
    }
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
        entry.address = link_.GetNodeAddress(entry.slot);
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
    rebuilding_ = true;
    host_.ShowBusyText("Please wait while updating device list...");
    const int current = link_.CurrentSlot();
    shownTree_ = TreeItems();
    host_.ShowDeviceTree(shownTree_, current > 0 ? ItemOfSlot(current) : 0);
    host_.ShowBusyText("");
    rebuilding_ = false;
    WantIcons();
    // Notifications that arrived while the tree was drawn are handled now.
    if (!busy_) RunDeferred();
}

bool ViewController::CanChangeSelection(int item) {
    if (busy_ || rebuilding_) return false;
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
    if (busy_ || rebuilding_) return;
    host_.SetOfflineTimer(item == 0);
    const int candidate = item == 0 ? -1 : link_.ItemDevIndexMap(item);
    const int current = link_.CurrentSlot();
    if (candidate == current && (candidate < 0 || link_.Device(candidate).IsOpen())) return;
    BusyScope busy(*this);
    if (current > 0 && candidate != current) CloseCurrentDevices();
    link_.SetCurrentSlot(candidate);
    if (candidate > 0) {
        if (OpenCurrentDevice() != 0 || ShowOpenedDevice(candidate) != 0) {
            link_.SetCurrentSlot(-1);
            host_.SelectTreeItem(0);
            host_.DeviceOpened(-1);
            host_.SetOfflineTimer(true);
        }
    } else {
        host_.DeviceOpened(-1);
    }
    host_.RefreshStatusPanes();
}

int ViewController::ShowOpenedDevice(int slot) {
    host_.ShowBusyText("Please wait while updating device data...");
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    const DeviceData data = RunWhilePumping([&device] { return ReadDeviceData(device); });
    host_.ShowBusyText("");
    if (!data.ok) {
        // The device opened but does not answer: back to OFFLINE.
        CloseDevice(slot, false);
        ShowMessage(Format("Error: Failed to read the device data of %s. The device is closed.",
                           link_.GetTag(slot).c_str()));
        return 1;
    }
    ResetDisplay(slot, false);
    display_.identity = IdentityLine(data, link_.GetNodeAddress(slot), link_.GetDeviceId(slot));
    display_.positionUnit = data.positionUnit;
    display_.pressureUnit = data.pressureUnit;
    display_.temperatureUnit = data.temperatureUnit;
    host_.ShowDeviceDisplay(display_, false);
    ShowScheduleLabels(slot, data.ao, data.pid);
    host_.DeviceOpened(slot);
    StartDeviceThreads(slot, false);
    return 0;
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
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    ShowScheduleLabels(slot, ReadSchedule(device, kAoStartIndex), ReadSchedule(device, kPidStartIndex));
}

void ViewController::ShowScheduleLabels(int slot, const ScheduleRead& aoEntry, const ScheduleRead& pidEntry) {
    constexpr uint32_t kDisabled = 0xFFFFFFFFu;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    std::string ao = "AO SCHED: Unknown";
    if (aoEntry.read && aoEntry.entry != 0) {
        ao = "AO SCHED: Yes";
        if (aoEntry.startOffset == kDisabled) {
            const bool scheduled =
                ShowMessage("NOTE: AO Block is found unscheduled. To reschedule, the execution start time offset will "
                            "be set to 0.\n\nProceed to set the schedule for AO block with value of 0 ?",
                            platform::MB_YESNO | platform::MB_ICONINFORMATION | platform::MB_DEFBUTTON2) ==
                    platform::IDYES &&
                RunWhilePumping([&device] { return device.ResetBlockSchedule(); }) == 0;
            if (!scheduled) {
                ao = "AO SCHED: No";
                ShowMessage("NOTE: AO Block is unscheduled and the positioner will not function without AO block "
                            "scheduled.");
            }
        }
    }
    std::string pid = "PID SCHED: Unknown";
    if (pidEntry.read && pidEntry.entry != 0) pid = pidEntry.startOffset == kDisabled ? "PID SCHED: No" : "PID SCHED: Yes";
    host_.SetScheduleLabels(ao, pid);
}

void ViewController::CloseDevice(int slot, bool companion) {
    if (slot <= 0) return;
    host_.DeviceClosing(slot);
    StopThreadsAndClose(slot, companion);
    ResetDisplay(-1, companion);
    if (!companion) host_.SetScheduleLabels("", "");
}

void ViewController::CloseCurrentDevices() {
    BusyScope busy(*this);
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
    host_.RefreshStatusPanes();
}

int ViewController::MakeCompanion(int slot) {
    if (busy_) return 1;
    const int current = link_.CurrentSlot();
    if (slot <= 0 || slot == current || !link_.IsPresent(slot) || !link_.IsPositioner(slot)) return 1;
    BusyScope busy(*this);
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
    ResetDisplay(slot, true);
    StartDeviceThreads(slot, true);
    host_.RefreshStatusPanes();
    return 0;
}

void ViewController::SelectCompanion() {
    if (busy_) return;
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
    if (link_.CurrentSlot() > 0 || busy_) return;
    if (GetUi().IsKeyDown(platform::Key::Control) && GetUi().IsKeyDown(platform::Key::F)) host_.ShowFailSafeDialog();
}

void ViewController::SetOperationStateCommand(int state) {
    const int slot = link_.CurrentSlot();
    if (slot <= 0 || busy_) return;
    BusyScope busy(*this);
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
    if (slot <= 0 || busy_) return;
    BusyScope busy(*this);
    if (OpenCurrentDevice() != 0) return;
    int state = display_.shownState;
    fieldbus::FieldbusDevice& device = link_.Device(slot);
    if (RunWhilePumping([&device, &state] { return device.ReadOperationState(state); }) == 0)
        display_.shownState = state;
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

// The device was told to restart: it is closed and the link scanned again, whether or not it
// reported back in time.
void ViewController::AfterRestart(int slot, bool cameBack) {
    const std::string tag = link_.GetTag(slot);
    CloseCurrentDevices();
    link_.SetCurrentSlot(-1);
    host_.DeviceOpened(-1);
    if (!cameBack)
        ShowMessage(Format("NOTE: Device %s did not report back within %d seconds after the restart. The link is "
                           "scanned again; if the device is missing, wait for it and rescan the link.",
                           tag.c_str(), static_cast<int>(fieldbus::DeviceManagement::kRestartLimitMs / 1000)));
    ShowMessage(Format("Device %s has been closed.", tag.c_str()), platform::MB_OK | platform::MB_ICONINFORMATION);
    Rescan();
}

void ViewController::RestartCommand(bool linkMaster) {
    if (busy_) return;
    const int slot = link_.CurrentSlot();
    fieldbus::DeviceAccess* device = slot > 0 ? &link_.Device(slot) : nullptr;
    BusyScope busy(*this);
    // The readers are stopped first (the device will leave the bus), then the wait runs off
    // the user-interface thread; the live list's news about the device waits until it is over.
    const fieldbus::RestartWait wait = [this, slot](fieldbus::DeviceAccess& d) {
        link_.Device(slot).StopViewReaders();
        platform::WaitCursor cursor;
        return RunWhilePumping([&d] { return d.WaitRestart(); });
    };
    bool restarted = false;
    const int result = linkMaster ? fieldbus::RequestLinkMasterChange(device, wait, &restarted)
                                  : fieldbus::RequestReboot(device, wait, &restarted);
    if (restarted) AfterRestart(slot, result == 0);
}

void ViewController::LinkMasterCommand() { RestartCommand(true); }

void ViewController::RebootCommand() { RestartCommand(false); }

void ViewController::ReopenDevice() {
    if (busy_) return;
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
    BusyScope busy(*this);
    CloseCurrentDevices();
    if (OpenCurrentDevice() != 0 || ShowOpenedDevice(slot) != 0) {
        link_.SetCurrentSlot(-1);
        host_.SelectTreeItem(0);
        host_.DeviceOpened(-1);
    }
    host_.RefreshStatusPanes();
}

void ViewController::RescanLink(bool ask) {
    if (busy_) return;
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
    Rescan();
}

void ViewController::Rescan() {
    BusyScope busy(*this);
    CloseCurrentDevices();
    link_.SetCurrentSlot(-1);
    link_.SetCompanionSlot(-1);
    host_.DeviceOpened(-1);
    icons_.Stop();
    icons_.Forget();
    // Closing the link waits for the poll thread and the server: off the user-interface thread.
    platform::RunServingEvents([this] { link_.CloseLink(); });
    serverLostShown_ = false;
    if (link_.ScanLink() == 0) {
        link_.StartLivePoll(notify_);
        icons_.Start(notify_);
    }
    // What the live list said about the old link no longer applies.
    liveListPending_ = false;
    notOpenPending_.clear();
    RebuildTree();
    host_.RefreshStatusPanes();
}

void ViewController::RemoveDevice(int slot) {
    if (busy_) return;
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
    if (busy_ || slot <= 0) return;
    if (host_.IsFailSafeDialogOpen()) {
        ShowMessage("Please close the Fail Safe Status Dialog before change Tag/Address.");
        return;
    }
    const std::string oldTag = link_.GetTag(slot);
    const uint8_t oldAddress = link_.GetNodeAddress(slot);
    std::string newTag;
    bool hasAddress = false;
    uint8_t newAddress = 0;
    if (!host_.AskTagAddress(oldTag, link_.ValidAddresses(slot), link_.IsAddressValid(slot, oldAddress), oldAddress,
                             newTag, hasAddress, newAddress))
        return;
    if (!hasAddress) {
        ShowMessage("Error: The device address is not selected. No Tag/Address change will take into effect.");
        return;
    }
    if (newTag == oldTag && newAddress == oldAddress) return;  // nothing changed: nothing to do
    if (!link_.IsTagUnique(slot, newTag)) {
        ShowMessage("Error: The device tag is not unique. No Tag/Address change will take into effect.");
        return;
    }
    if (!link_.IsAddressValid(slot, newAddress)) {
        ShowMessage(Format("Error: The device address 0x%02x is either invalid or non-unique. No Tag/Address change "
                           "will take into effect.",
                           newAddress));
        return;
    }
    RunTagAddressChange(slot, newTag, newAddress);
}

int ViewController::RunTagAddressChange(int slot, const std::string& newTag, uint8_t newAddress) {
    const std::string oldTag = link_.GetTag(slot);
    const uint8_t oldAddress = link_.GetNodeAddress(slot);
    BusyScope busy(*this);
    auto dialog = GetUi().CreateProgressWindow("Handle Device Tag/Address Change : " + oldTag, "Cancel");
    if (!dialog) {
        ShowMessage("Error: Failed to create message display dialog.");
        return 1;
    }
    dialog->EnableButton(true);
    dialog->AppendText(Format("Current Tag/Address before change : %s / 0x%02x\r\n\r\n", oldTag.c_str(), oldAddress));
    dialog->AppendText(
        Format("Attempting new Tag/Address :            %s / 0x%02x\r\n\r\n", newTag.c_str(), newAddress));
    dialog->AppendText("Processing Tag/Address change ...\r\n\r\n");
    const bool companion = slot == link_.CompanionSlot() && slot != link_.CurrentSlot();
    if (slot == link_.CurrentSlot()) {
        CloseCurrentDevices();
        link_.SetCurrentSlot(-1);
        host_.DeviceOpened(-1);
        link_.StopLivePoll();
    } else if (companion) {
        CloseDevice(slot, true);
        link_.SetCompanionSlot(-1);
        host_.CompanionOpened(-1);
        link_.SetPollPause(true);
    } else {
        link_.SetPollPause(true);
    }
    // Until the change starts, Cancel leaves the device as it is.
    const bool cancelled = WaitOrCancel(dialog.get(), kBeforeChangeMs);
    int result = 1;
    std::string outcome;
    if (!cancelled) {
        result = RunWhilePumping(
            [this, slot, &newTag, newAddress, &outcome] { return link_.ChangeTagAddress(slot, newTag, newAddress, &outcome); });
        // The device settles at its new address; Cancel only ends the wait.
        if (result == 0) WaitOrCancel(dialog.get(), kSettleAfterChangeMs);
    }
    dialog->SetButtonText("&CLOSE");
    dialog->EnableButton(true);
    dialog->ResetButton();
    if (cancelled)
        dialog->AppendText("\r\n\r\nChanging device tag/address cancelled.\r\n");
    else if (result == 0)
        dialog->AppendText("\r\n\r\nChanging device tag/address successful.\r\n");
    else
        dialog->AppendText("\r\n\r\nChanging device tag/address failed.\r\n" +
                           (outcome.empty() ? std::string() : "\r\n" + outcome + "\r\n"));
    while (!dialog->ButtonPressed() && dialog->IsOpen()) {
        GetUi().PumpMessages();
        GetClock().SleepMs(50);
    }
    dialog->Close();
    link_.SetPollPause(false);
    Rescan();
    return cancelled ? 1 : result;
}

// A device that left the live list: closed, deselected, and said once.
void ViewController::DeviceLost(int slot) {
    const bool current = slot == link_.CurrentSlot();
    const std::string tag = link_.GetTag(slot);
    CloseDevice(slot, !current);
    if (current) {
        link_.SetCurrentSlot(-1);
        host_.DeviceOpened(-1);
        host_.SetOfflineTimer(true);
    } else {
        link_.SetCompanionSlot(-1);
        host_.CompanionOpened(-1);
    }
    RebuildTree();
    host_.RefreshStatusPanes();
    ShowMessage(Format("********** Error ********** \n\nDevice %s not responsive ! \n\nConnection terminated.",
                       tag.c_str()));
}

// The poll only redraws the tree when no open device left: the window is not marked busy for
// it, so the commands stay available (a poll that comes while the tree is drawn waits for it).
void ViewController::OnLiveListChanged() {
    if (busy_ || rebuilding_) {
        liveListPending_ = true;
        return;
    }
    std::vector<int> lost;
    for (int slot : {link_.CompanionSlot(), link_.CurrentSlot()})
        if (slot > 0 && !link_.IsPresent(slot)) lost.push_back(slot);
    if (lost.empty()) {
        link_.CloseAbsentDevices();
        // The poll comes every few seconds; most find the list as it was.
        if (TreeItems() == shownTree_) {
            WantIcons();
            return;
        }
        RebuildTree();
        host_.RefreshStatusPanes();
        return;
    }
    BusyScope busy(*this);
    // The current and companion slots are cleared before the message is shown, so a
    // notification delivered while it is up does not find the device again.
    for (int slot : lost) DeviceLost(slot);
    link_.CloseAbsentDevices();
}

void ViewController::OnDeviceMessage() {
    AppendMessageLines(messages_, MessageLog::Instance().Drain());
    host_.SetMessageBoxText(messages_);
}

void ViewController::LogDeviceLine(const std::string& tag, const std::string& text) {
    MessageLog::Instance().Append(fieldbus::DeviceLine(tag, text));
    OnDeviceMessage();
}

void ViewController::OnDeviceNotOpen(int slot) {
    if (busy_ || rebuilding_) {
        notOpenPending_.push_back(slot);
        return;
    }
    const std::string tag = link_.GetTag(slot);
    if (slot > 0 && (slot == link_.CurrentSlot() || slot == link_.CompanionSlot())) {
        BusyScope busy(*this);
        const bool current = slot == link_.CurrentSlot();
        CloseDevice(slot, !current);
        if (current) {
            link_.SetCurrentSlot(-1);
            host_.DeviceOpened(-1);
        } else {
            link_.SetCompanionSlot(-1);
            host_.CompanionOpened(-1);
        }
        host_.SelectTreeItem(0);
        host_.RefreshStatusPanes();
        ShowMessage(Format("********** Error ********** \n\nDevice %s not open and it is deselected !", tag.c_str()),
                    platform::MB_OK | platform::MB_ICONWARNING);
    }
    MessageLog::Instance().Append("Device " + tag + " Error: Device Not Open" + fieldbus::TimeStamp() + "\r\n");
    OnDeviceMessage();
}

void ViewController::OnServerConnectionLost(int status) {
    if (busy_ || rebuilding_) {
        serverLostPending_ = status;
        return;
    }
    if (serverLostShown_) return;  // said once; the program is on its way out
    serverLostShown_ = true;
    BusyScope busy(*this);
    const std::string error = Format("Error (%d): %s", status, fieldbus::StatusName(status).c_str()) + "\n\n";
    if (status == E_SERVER_NOT_RESPONDING) {
        // A server that paused may answer again: the link can be scanned again instead of
        // ending the program.
        if (ShowMessage(error +
                            "The Fieldbus server does not answer any more, so the devices cannot be reached and "
                            "the values shown are not updated.\n\nYes: close the open devices and scan the link "
                            "again (once the server answers; Rescan Link tries again later).\nNo: close the open "
                            "devices and end Tessaro.",
                        platform::MB_YESNO | platform::MB_ICONWARNING) == platform::IDYES) {
            Rescan();
            return;
        }
    } else {
        ShowMessage(error +
                    "The Fieldbus server has stopped, so the devices cannot be reached. Tessaro closes the open "
                    "devices and ends.\nStart Tessaro again: it offers to launch the Fieldbus server.");
    }
    icons_.Stop();
    CloseCurrentDevices();
    link_.SetCurrentSlot(-1);
    link_.SetCompanionSlot(-1);
    host_.DeviceOpened(-1);
    host_.StartCloseWhenAlone();
}

void ViewController::RunDeferred() {
    if (serverLostPending_ != 0) {
        const int status = serverLostPending_;
        serverLostPending_ = 0;
        OnServerConnectionLost(status);
    }
    if (liveListPending_) {
        liveListPending_ = false;
        OnLiveListChanged();
    }
    std::vector<int> notOpen;
    notOpen.swap(notOpenPending_);
    for (int slot : notOpen) OnDeviceNotOpen(slot);
}

}  // namespace app
