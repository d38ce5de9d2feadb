#pragma once
// One device on the link, reached through the Fieldbus library: opened with its physical
// device, VFDs, blocks and management information base, with object-dictionary lookups and
// parameter access by name. One object per device slot of FieldbusLink, reused.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fieldbus/DeviceAccess.h"
#include "fieldbus/DeviceThreads.h"
#include "fieldbus/LinkContext.h"
#include "nifb/nifb.h"

namespace platform {
class ProgressWindow;
}

namespace fieldbus {

class FieldbusDevice : public DeviceAccess {
public:
    static constexpr int kMaxBlocks = 20;
    static constexpr int kTagLength = 32;

    FieldbusDevice();
    ~FieldbusDevice() override;
    FieldbusDevice(const FieldbusDevice&) = delete;
    FieldbusDevice& operator=(const FieldbusDevice&) = delete;

    // ---- Link-facing ---------------------------------------------------------------------
    void SetLink(LinkContext* link);  // set once by the link
    // Binds the object to its slot of the link (under the access lock).
    void BindSlot(int slot, const std::string& deviceId, const std::string& pdTag);
    int GetSlot() const override;
    const std::string& DeviceId() const { return deviceId_; }
    std::string Tag() const;  // the PD tag the slot was bound with
    // Opens the device with its progress window: 0 opened, 1 failed or cancelled.
    // An open device stays open unchanged (0).
    int OpenDevice();
    // Reads back the tag of every block into the block records: 0 ok.
    int ReadBackBlockTags();
    // Reads back only the tags the block list left blank: the list read at the open gives
    // every other block's tag already (used when the link opens a device).
    int ReadBackMissingBlockTags();
    int ReadBackBlockTag(int block);
    // Stops the device's threads and closes every descriptor.
    void CloseDevice();
    bool IsOpen() const override;
    int LastStatus() const;

    // ---- Blocks ------------------------------------------------------------------------
    std::string GetBlockTag(int block) const override;
    int GetBlockCount() const override;
    int BlockOf(BlockKind kind) const override;
    // The block numbers found when the device was opened (all -1 while it is closed).
    BlockIds GetBlockIds() const;
    BlockRecord GetBlockRecord(int block) const;
    std::vector<BlockRecord> GetBlockRecords() const;

    // ---- Generic access ----------------------------------------------------------------
    int ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) override;
    int WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) override;
    int ReadParameterByIndex(int block, int relativeIndex, void* buffer, uint16_t& size) override;
    int WriteParameterByIndex(int block, int relativeIndex, const void* buffer, uint16_t size) override;
    int WriteParameterBySubindex(int block, int relativeIndex, int subindex, const void* buffer,
                                 uint16_t size) override;
    int ReadManagementObject(const std::string& name, void* buffer, uint16_t& size) override;
    int WriteManagementObject(const std::string& name, const void* buffer, uint16_t size) override;
    int ReadString(int block, const std::string& name, std::string& text) override;
    int WriteString(int block, const std::string& name, const std::string& text) override;

    // ---- Enumerations and bit strings --------------------------------------------------
    int GetEnumText(int block, const std::string& name, std::string& text, uint32_t value) override;
    int GetEnumTexts(int block, const std::string& name, std::vector<std::string>& texts) override;
    int FindEnumValue(int block, const std::string& name, const std::string& text, uint8_t& value) override;
    int FindEnumValue(int block, const std::string& name, const std::string& text, uint16_t& value) override;
    int FindEnumValue(int block, const std::string& name, const std::string& text, uint32_t& value) override;
    int GetBitTexts(int block, const std::string& name, std::vector<std::string>& texts) override;
    int GetBitTexts(int block, const std::string& name, uint32_t value, std::vector<std::string>& texts) override;
    int FindBitValue(int block, const std::string& name, const std::string& text, uint32_t& value) override;

    // ---- Object dictionary -------------------------------------------------------------
    std::string GetParameterName(int block, int relativeIndex) override;
    std::string GetParameterName(int block, int relativeIndex, int subindex) override;
    int GetObjectSize(int block, int relativeIndex, int subindex, uint16_t& size) override;
    int GetObjectCode(int block, int relativeIndex, std::string& name) override;
    int GetDataType(int block, int relativeIndex, std::string& name) override;
    int GetObjectAttributes(int block, const std::string& name, ObjectAttributes& attributes) override;
    int SetBlockTag(int block, const std::string& tag) override;
    int ReadLinkObject(int index, LinkObject& record) override;
    int ClearLinkObject(int index) override;
    int ResetBlockSchedule() override;
    int ReadVfdObject(uint32_t index, uint32_t subindex, void* buffer, uint16_t& size) override;
    int WriteVfdObject(uint32_t index, uint32_t subindex, const void* buffer, uint16_t size) override;
    int DownloadDomain(uint32_t index, const std::string& filePath) override;
    bool IsLinkHealthy() const override { return LinkHealthy(); }
    int GetDeviceSummary(std::string& text) override;
    int GetBlockList(std::vector<std::string>& entries) override;
    int GetParameterNames(int block, std::vector<std::string>& names) override;
    int GetObjectType(int block, int relativeIndex, int subindex, ObjectTypeInfo& info) override;
    // Vendor, model and revision as the device's first VFD reported them at open.
    void GetIdentification(std::string& vendor, std::string& model, std::string& revision) const;
    // The schedule entry of the block with the given object index: entry number 1 to 4, or 0
    // when no entry names it (entry holds the entry read). Nonzero on a failed read.
    int FindScheduleEntry(uint16_t objectIndex, int& entryNumber, ScheduleEntry& entry);

    // ---- Typed accessors ---------------------------------------------------------------
#define FIELDBUS_OVERRIDE_READ(fn, kind, name, type, wire) int fn(type& value) override;
#define FIELDBUS_OVERRIDE_TEXT(fn, kind, name, type, wire) int fn(type& value, std::string& text) override;
#define FIELDBUS_OVERRIDE_WRITE(fn, kind, name, type, wire, rule) int fn(const type& value) override;
#define FIELDBUS_OVERRIDE_MODE_WRITE(fn) int fn(float value) override;
    FIELDBUS_READ_ACCESSORS(FIELDBUS_OVERRIDE_READ)
    FIELDBUS_TEXT_ACCESSORS(FIELDBUS_OVERRIDE_TEXT)
    FIELDBUS_WRITE_ACCESSORS(FIELDBUS_OVERRIDE_WRITE)
    FIELDBUS_MODE_RULE_WRITES(FIELDBUS_OVERRIDE_MODE_WRITE)
#undef FIELDBUS_OVERRIDE_READ
#undef FIELDBUS_OVERRIDE_TEXT
#undef FIELDBUS_OVERRIDE_WRITE
#undef FIELDBUS_OVERRIDE_MODE_WRITE
    int ReadBlockErr(int block, uint16_t& value) override;

    // ---- Modes and operation states (FieldbusDeviceModes.cpp, rules in ModeControl) -------
    int ReadActualMode(int block, uint8_t& mode) override;
    int ReadTargetMode(int block, uint8_t& mode) override;
    int ReadPermittedModes(int block, uint8_t& modes) override;
    int SetBlockMode(int block, uint8_t mode) override;
    int SetAoCascade() override;
    int SetPidMode(uint8_t target, uint8_t expected) override;
    int SetOperationState(int state, int kind, bool ask, bool bumpless) override;
    int NormalStateTransfer(bool bumpless) override;
    int CheckBumplessMismatch(bool& mismatch) override;
    int CanReleaseFailsafe() override;
    int ReadOperationState(int& state) override;
    // Out of service (warning kind 1, the user asked) before a configuration change.
    int PrepareConfigurationChange() override;

    // ---- Device management (FieldbusDeviceManagement.cpp, rules in DeviceManagement) -----
    LinkMasterFlags GetLinkMasterFlags() const override;
    // Reads the link-master flags afresh and keeps them: an open device through its own
    // descriptors; one that is not open is opened by its identifier on the link (physical
    // device, first VFD, its RB and TB blocks and the MIB) and closed again. 0 when every
    // read succeeded; failed reads leave the flags cleared.
    int QueryLinkMasterFlags(LinkMasterFlags& flags);
    // The same reads for any device of a link, by its identifier, on descriptors of this call
    // only and without touching a device object (for a worker that asks many devices).
    // `cancelled`, when given, is asked between the calls. 0 when every read succeeded.
    static int ProbeLinkMasterFlags(nifDesc_t link, const std::string& deviceId, LinkMasterFlags& flags, int& status,
                                    const std::function<bool()>& cancelled = {});
    bool IsActiveScheduler() override;
    int ReadDlmeClass(uint8_t& value) override;
    int SetBootClass(bool linkMaster) override;
    int SetLinkMaster(bool linkMaster, bool silent) override;
    int RestartDevice() override;
    int WaitRestart() override;

protected:
    // Reads the link-master flags after a successful open.
    virtual void ReadLinkMasterFlags();
    // Stops every polling and worker thread of the device before it closes.
    virtual void StopDeviceThreads();

private:
    struct OpenState;
    enum class Access { Read, Write };

    platform::WindowHandle NotifyWindow() const;
    bool LinkHealthy() const;
    // The device log rule for a failed library call.
    void ReportStatus(int status);
    void SetLastStatus(int status);

    // Opening, step by step (FieldbusDeviceOpen.cpp).
    int RunOpenSteps(OpenState& state, platform::ProgressWindow& window);
    static void CloseOpenState(OpenState& state);
    static void IdentifyBlock(int blockNumber, const BlockRecord& record, BlockIds& ids, std::string& progress);

    // Entry checks of every access: 0 when the access may go on the bus. A device that is not
    // open posts WM_DEVICE_NOT_OPEN (reads, while the link is healthy) or shows "Error:
    // Device not open." (writes).
    int CheckAccess(Access access);
    // The descriptor and object name for a parameter of a block (block tag form, or the bare
    // name on the block's own descriptor). False when the block does not exist.
    bool WireAddress(int block, const std::string& name, nifDesc_t& desc, std::string& wire) const;
    nifDesc_t FirstVfd() const;
    bool StartIndex(int block, uint32_t& index) const;
    // Where a library call goes: descriptor, object name, and the open it was looked up in.
    struct BusAddress {
        nifDesc_t desc = 0;
        std::string wire;
        uint64_t generation = 0;
    };
    // Look-ups under the access lock; the call itself is made after the lock is released.
    bool ResolveName(int block, const std::string& name, BusAddress& at) const;
    bool ResolveIndex(int block, int relativeIndex, int subindex, BusAddress& at) const;  // subindex -1: none
    bool ResolveManagement(const std::string& name, BusAddress& at) const;
    BusAddress At(nifDesc_t desc, const std::string& wire) const { return {desc, wire, openGeneration_.load()}; }
    // The library calls with the status kept and failures reported by the device log rule.
    // `capacity` bounds a read whose size was asked from the device.
    int ReadObject(const BusAddress& at, void* buffer, uint16_t& size, uint16_t capacity);
    int WriteObject(const BusAddress& at, const void* buffer, uint16_t size);
    // Keeps the status; reports it unless the device was closed (or reopened) since the
    // call was looked up.
    void ReportCallFailure(int status, uint64_t generation);
    int ReadTextObject(int block, const std::string& name, std::string& text, uint16_t capacity);
    // The mode byte member ("MODE_BLK.ACTUAL" or "MODE_BLK.TARGET") of a block.
    int ReadModeByte(int block, const char* member, uint8_t& mode);
    // Reads the attributes and keeps the items of the expected kind; shows the failure texts.
    int LoadItems(int block, const std::string& name, uint8_t kind, std::vector<AttributeItem>& items,
                  std::string& wire);
    // The value of the enumeration item or bit (`kind`) whose shown text matches.
    int FindItemValue(int block, const std::string& name, uint8_t kind, const std::string& text, uint32_t& value);

    LinkContext* link_ = nullptr;
    int slot_ = -1;
    std::string deviceId_;
    std::string pdTag_;

    std::atomic<bool> open_{false};
    std::atomic<uint64_t> openGeneration_{0};  // counts opens and closes
    std::atomic<int> lastStatus_{0};
    nifDesc_t physical_ = 0;
    std::vector<nifDesc_t> vfds_;  // function-block VFDs (the first carries the blocks)
    nifDesc_t mib_ = 0;            // management information base, 0 when it did not open
    std::vector<nifDesc_t> blocks_;
    std::vector<BlockRecord> blockRecords_;
    std::array<std::atomic<int>, kBlockKindCount> blockIds_;  // this device's, not the process-wide copy
    std::string vendor_, model_, revision_;
    char tagBuffer_[kTagLength + 1] = {};

    mutable std::recursive_mutex accessLock_;

    // ---- Device management ----
    int ReadLinkMasterFlagsById(LinkMasterFlags& flags);
    bool HasMib() const;
    LinkMasterFlags linkMasterFlags_;  // access lock

    // ---- View readers and process poll (FieldbusDeviceThreads.cpp, TbView3Layout.cpp) ----
public:
#define FIELDBUS_OVERRIDE_VIEW_READER(X, Record)             \
    int Start##X(platform::WindowHandle notify) override; \
    void Stop##X() override;                              \
    int Get##X(Record& record) override;                  \
    void RequestRefresh##X(bool flag) override;           \
    bool Is##X##Ended() override;
    FIELDBUS_VIEW_READERS(FIELDBUS_OVERRIDE_VIEW_READER)
#undef FIELDBUS_OVERRIDE_VIEW_READER
    int ReadTransducerView(TbView3Record& record, std::string& error) override { return ReadTbView3(record, error); }
    int StartProcessPoll(platform::WindowHandle notify) override;
    void StopProcessPoll() override;
    int GetProcessPoll(ProcessRecord& record) override;
    bool IsProcessPollEnded() override;
    void SetProcessChannels(const ProcessChannels& channels) override;
    void SetProcessPollPeriod(uint32_t ms) override;
    int StartProcessPollIfIdle(platform::WindowHandle notify) override;
    int AnyThreadAlive() override;
    // Stops the seven view readers together under one stop limit.
    void StopViewReaders();
    void ReportText(const std::string& text) override;
    void ReportLibraryError(int code) override;
    bool RefreshRequested(DeviceThread thread) const;
    // The wait between reads of a worker, and the stop limit (tests shorten both).
    void SetThreadPeriod(DeviceThread thread, uint32_t ms);
    void SetThreadStopLimit(uint32_t ms);

private:
    friend class FieldbusDeviceThreadHost;
    static std::unique_ptr<DeviceThreadHost> MakeThreadHost(FieldbusDevice& device);
    // Reads the transducer view, learning its layout first, under the TB view lock; `error`
    // receives a text to be shown on the user-interface thread.
    int ReadTbView3(TbView3Record& record, std::string& error);
    int LearnTbView3Layout(std::string& error);
    // Stops and waits for every worker, abandoned ones included (destruction).
    void EndDeviceThreads();

    std::mutex tbViewLock_;
    TbView3Layout tbLayout_;                  // TB view lock
    std::atomic<bool> tbLayoutStale_{false};  // set on close: learn the layout again
    std::unique_ptr<DeviceThreadHost> threadHost_ = MakeThreadHost(*this);
    std::unique_ptr<DeviceThreads> threads_ = std::make_unique<DeviceThreads>(*threadHost_);
};

}  // namespace fieldbus
