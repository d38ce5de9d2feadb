#pragma once
// The process-wide owner of the Fieldbus connection: session, chosen interface, link, the
// live device list kept current by a poll thread, the display list of at most 31 devices
// and the 32 device slots with their device objects.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "fieldbus/LiveListEntry.h"
#include "platform/Event.h"

namespace fieldbus {

inline constexpr int kDeviceSlots = 32;       // slot 0 is reserved
inline constexpr int kMaxLiveRecords = 32;    // capacity of one live-list read
inline constexpr uint8_t kDefaultAddress = 248;

class FieldbusLink : public LinkContext {
public:
    static FieldbusLink& Instance();
    FieldbusLink();
    ~FieldbusLink() override;
    FieldbusLink(const FieldbusLink&) = delete;
    FieldbusLink& operator=(const FieldbusLink&) = delete;

    // True when a session can be opened (it is closed again at once).
    static bool IsServerAvailable();

    // Maker edition (default) or partner edition: decides which interfaces are usable.
    void SetMakerEdition(bool maker) { makerEdition_ = maker; }
    // Period of the live-list poll (3000 ms; tests shorten it).
    void SetPollPeriodMs(uint32_t ms) { pollPeriodMs_ = ms; }

    // 0 when the link is open with at least one device, 1 otherwise (work offline).
    int ScanLink();
    int StartLivePoll(platform::WindowHandle notifyWindow);
    // Stops the poll. A poll thread still waiting for the server after the limit is left
    // behind (it ends on its own once the server answers or goes) and never merges again.
    void StopLivePoll();
    bool IsPollRunning() const { return !threadEnded_.load(); }
    void SetPollPause(bool pause);
    // Stops the poll, closes every open device, the link and the session, resets the lists.
    // Bounded even when the server stopped answering.
    void CloseLink();
    // Closes every open device whose slot is no longer present. The poll only marks a device
    // that left the live list; its window closes it on the user-interface thread.
    void CloseAbsentDevices();
    // True while work is left waiting for a server that stopped answering (a poll thread or
    // descriptor closes); a program that ends then should not wait for it.
    bool HasAbandonedWork();

    int AddDevice(int liveIndex);  // 0 added or known, 1 stop adding (list full / error)
    int RemoveDevice(int slot);    // 0 removed, 1 refused
    int OpenDevice(int slot);      // 0 opened, 1 failed
    bool IsPresent(int slot);
    std::string GetDeviceId(int slot);
    std::string GetTag(int slot);
    uint8_t GetNodeAddress(int slot);
    uint32_t GetClassFlags(int slot);
    int ItemDevIndexMap(int item);
    int DevIndexItemMap(int slot);
    bool IsPositioner(int slot);
    static bool IsPositionerId(const std::string& deviceId);

    // Changes the device's PD tag and node address. Nothing changes when both equal the
    // slot's; the new tag and address are checked again first. `outcome`, when given, receives
    // a plain statement of the state the device is left in after a failure and how to recover.
    int ChangeTagAddress(int slot, const std::string& newTag, uint8_t newAddress, std::string* outcome = nullptr);
    bool IsTagUnique(int slot, const std::string& tag);
    bool IsAddressValid(int slot, uint8_t address);
    // Every address IsAddressValid accepts for the slot, in ascending order.
    std::vector<uint8_t> ValidAddresses(int slot);

    FieldbusDevice& Device(int slot) { return *devices_[static_cast<size_t>(slot)]; }
    int DisplayItemCount();  // 1 + number of listed devices
    int PresentCount();
    int OpenedCount();
    int LiveEntryCount();
    bool IsLinkOpen() const { return linkOpen_.load(); }
    std::string InterfaceName() const;
    uint8_t FirstUnpolledNode() const { return firstUnpolled_; }
    uint8_t NumUnpolledNodes() const { return numUnpolled_; }
    int CurrentSlot() const { return currentSlot_.load(); }
    int CompanionSlot() const { return companionSlot_.load(); }
    // The current device's block numbers become the process-wide ones when it is opened.
    void SetCurrentSlot(int slot) { currentSlot_ = slot; }
    void SetCompanionSlot(int slot) { companionSlot_ = slot; }
    int LastStatus() const { return lastStatus_.load(); }

    // LinkContext
    nifDesc_t LinkDescriptor() const override { return link_; }
    bool IsLinkHealthy() const override { return linkHealthy_.load(); }
    platform::WindowHandle NotifyWindow() const override { return notify_.load(); }
    void SetNotifyWindow(platform::WindowHandle window) { notify_ = window; }

private:
    struct Interfaces;
    int ChooseInterface(std::vector<nifInterfaceInfo>& all);
    bool InterfaceUsable(const nifInterfaceInfo& candidate, const std::vector<std::string>& bridged,
                         bool linkingSeen);
    void ResetDeviceLists();
    void InitialFill();
    // `fromPoll`: the entry comes from the poll thread, which shows no message itself.
    int AddEntryLocked(const LiveListEntry& entry, bool fromPoll);
    // A message of the list rules: shown at once, or queued for the window from the poll.
    void Tell(const std::string& text, bool fromPoll);
    void MergeAfterPoll(const std::vector<LiveListEntry>& live);
    void CountPresent();
    void ReadLinkSetting();
    void CloseSlotDevice(int slot);
    struct PollRun;
    void PollThread(std::shared_ptr<PollRun> run);
    // Joins poll threads left behind that have ended since.
    void ReapAbandonedPolls();
    int Log(int status, bool quiet = false);
    bool ValidSlot(int slot) const { return slot >= 1 && slot < kDeviceSlots; }

    std::atomic<bool> makerEdition_{true};
    std::atomic<uint32_t> pollPeriodMs_{3000};
    std::atomic<int> pauseFlag_{0};
    uint8_t firstUnpolled_ = 16;
    uint8_t numUnpolled_ = 0;
    std::atomic<bool> linkHealthy_{false};
    std::array<int, kDeviceSlots> itemMap_{};
    std::array<DeviceListSlot, kDeviceSlots> slots_{};
    std::recursive_mutex listLock_;
    std::mutex pollThreadLock_;
    std::thread pollThread_;
    std::shared_ptr<PollRun> pollRun_;  // of the running poll thread (poll-thread lock)
    struct AbandonedPoll {
        std::thread thread;
        std::shared_ptr<PollRun> run;
    };
    std::vector<AbandonedPoll> abandonedPolls_;  // poll-thread lock
    std::atomic<platform::WindowHandle> notify_{0};
    std::atomic<bool> threadEnded_{true};
    bool fullListNoted_ = false;  // the full-list note was queued since the last scan (list lock)
    int liveCount_ = 0;
    int itemCount_ = 1;
    int presentCount_ = 0;
    std::atomic<bool> linkOpen_{false};
    std::atomic<int> lastStatus_{0};
    nifDesc_t session_ = 0;
    nifInterfaceInfo interface_{};
    nifDesc_t link_ = 0;
    std::atomic<int> currentSlot_{-1};
    std::atomic<int> companionSlot_{-1};
    std::array<std::unique_ptr<FieldbusDevice>, kDeviceSlots> devices_;
    std::vector<nifLiveListEntry> raw_;
    std::vector<LiveListEntry> live_;
};

}  // namespace fieldbus
