#pragma once
// One device on the link, reached through the Fieldbus library: opened with its physical
// device, VFDs, blocks and management information base, with object-dictionary lookups and
// parameter access by name. One object per device slot of FieldbusLink, reused.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "fieldbus/DeviceAccess.h"
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
    int ReadBackBlockTag(int block);
    // Stops the device's threads and closes every descriptor.
    void CloseDevice();
    bool IsOpen() const override;
    int LastStatus() const;

    // ---- Blocks ------------------------------------------------------------------------
    std::string GetBlockTag(int block) const override;
    int GetBlockCount() const override;
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
    int GetDeviceSummary(std::string& text) override;
    int GetBlockList(std::vector<std::string>& entries) override;
    int GetParameterNames(int block, std::vector<std::string>& names) override;

protected:
    // Reads the link-master flags after a successful open (device management fills it).
    virtual void ReadLinkMasterFlags() {}
    // Stops every polling and worker thread of the device before it closes.
    virtual void StopDeviceThreads() {}

private:
    struct OpenState;

    platform::WindowHandle NotifyWindow() const;
    bool LinkHealthy() const;
    void ReportStatus(int status);

    LinkContext* link_ = nullptr;
    int slot_ = -1;
    std::string deviceId_;
    std::string pdTag_;

    bool open_ = false;
    int lastStatus_ = 0;
    nifDesc_t physical_ = 0;
    std::vector<nifDesc_t> vfds_;  // function-block VFDs (the first carries the blocks)
    nifDesc_t mib_ = 0;            // management information base, 0 when it did not open
    std::vector<nifDesc_t> blocks_;
    std::vector<BlockRecord> blockRecords_;
    char tagBuffer_[kTagLength + 1] = {};

    mutable std::recursive_mutex accessLock_;
};

}  // namespace fieldbus
