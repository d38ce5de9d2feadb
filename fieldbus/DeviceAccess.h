#pragma once
// The abstract device interface. Every dialog, procedure and thread reads and writes device
// parameters only through these operations. The defaults do nothing and report success or
// an empty value; FieldbusDevice implements them on the Fieldbus library and the host
// back-ends implement the same interface.
//
// Blocks are addressed by their block number in the opened device (BlockOf(BlockKind::AO));
// names are the dotted form ("MODE_BLK.TARGET", "SP.VALUE", "FB_START_ENTRY.1").
// Sizes are in bytes. Every operation returns 0 on success and nonzero on failure.
#include <cstdint>
#include <string>
#include <vector>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceRecords.h"
#include "fieldbus/LinkMasterFlags.h"
#include "fieldbus/TypedAccessorTable.h"
#include "fieldbus/ViewRecords.h"
#include "platform/WindowMessages.h"

namespace fieldbus {

class DeviceAccess {
public:
    virtual ~DeviceAccess() = default;

    // ---- State -------------------------------------------------------------------------
    virtual bool IsOpen() const { return false; }
    virtual int GetSlot() const { return -1; }
    virtual std::string GetBlockTag(int /*block*/) const { return {}; }
    virtual int GetBlockCount() const { return 0; }
    // The number of this device's block of that kind, -1 when it has none. A back-end that
    // keeps no numbers of its own answers with the process-wide ones.
    virtual int BlockOf(BlockKind kind) const { return BlockId(kind); }

    // ---- Generic access ----------------------------------------------------------------
    // size 0 on entry: the object's size is asked from the device first (the buffer must then
    // hold the whole object); on return `size` holds the number of bytes read.
    virtual int ReadParameter(int /*block*/, const std::string& /*name*/, void* /*buffer*/, uint16_t& /*size*/) {
        return 0;
    }
    // size 0: the object's size is asked from the device first.
    virtual int WriteParameter(int /*block*/, const std::string& /*name*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    // Relative index within the block (absolute index = block start index + relative index).
    virtual int ReadParameterByIndex(int /*block*/, int /*relativeIndex*/, void* /*buffer*/, uint16_t& /*size*/) {
        return 0;
    }
    virtual int WriteParameterByIndex(int /*block*/, int /*relativeIndex*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    virtual int WriteParameterBySubindex(int /*block*/, int /*relativeIndex*/, int /*subindex*/, const void* /*buffer*/,
                                         uint16_t /*size*/) {
        return 0;
    }
    // Management objects by name on the management information base.
    virtual int ReadManagementObject(const std::string& /*name*/, void* /*buffer*/, uint16_t& /*size*/) { return 0; }
    virtual int WriteManagementObject(const std::string& /*name*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    // A visible string: read with the size the device reports, blanks trimmed at both ends.
    virtual int ReadString(int /*block*/, const std::string& /*name*/, std::string& text) {
        text.clear();
        return 0;
    }
    // A visible string: the text (cut to 32 characters) in a 32-byte field.
    virtual int WriteString(int /*block*/, const std::string& /*name*/, const std::string& /*text*/) { return 0; }

    // ---- Enumerations and bit strings (device-description texts) ------------------------
    // Text of one enumeration value (the English part of the description).
    virtual int GetEnumText(int /*block*/, const std::string& /*name*/, std::string& text, uint32_t /*value*/) {
        text.clear();
        return 0;
    }
    // All texts of an enumerated parameter in device-description order.
    virtual int GetEnumTexts(int /*block*/, const std::string& /*name*/, std::vector<std::string>& texts) {
        texts.clear();
        return 0;
    }
    // The value whose text matches, in wire order (big-endian), ready for WriteParameter.
    virtual int FindEnumValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                              uint8_t& value) {
        value = 0;
        return 0;
    }
    virtual int FindEnumValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                              uint16_t& value) {
        value = 0;
        return 0;
    }
    virtual int FindEnumValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                              uint32_t& value) {
        value = 0;
        return 0;
    }
    // Bit strings: `value` has bit k of the parameter as bit k (bit 0 = first bit on the wire).
    // With all texts: one per defined bit, in description order.
    virtual int GetBitTexts(int /*block*/, const std::string& /*name*/, std::vector<std::string>& texts) {
        texts.clear();
        return 0;
    }
    // One text per set bit of `value`.
    virtual int GetBitTexts(int /*block*/, const std::string& /*name*/, uint32_t /*value*/,
                            std::vector<std::string>& texts) {
        texts.clear();
        return 0;
    }
    // The bit (as 1 << k) whose text matches.
    virtual int FindBitValue(int /*block*/, const std::string& /*name*/, const std::string& /*text*/,
                             uint32_t& value) {
        value = 0;
        return 0;
    }

    // ---- Object dictionary -------------------------------------------------------------
    virtual std::string GetParameterName(int /*block*/, int /*relativeIndex*/) { return {}; }
    virtual std::string GetParameterName(int /*block*/, int /*relativeIndex*/, int /*subindex*/) { return {}; }
    virtual int GetObjectSize(int /*block*/, int /*relativeIndex*/, int /*subindex*/, uint16_t& size) {
        size = 0;
        return 0;
    }
    virtual int GetObjectCode(int /*block*/, int /*relativeIndex*/, std::string& name) {
        name.clear();
        return 0;
    }
    virtual int GetDataType(int /*block*/, int /*relativeIndex*/, std::string& name) {
        name.clear();
        return 0;
    }
    // The type description of an object (members of records and arrays included).
    virtual int GetObjectType(int /*block*/, int /*relativeIndex*/, int /*subindex*/, ObjectTypeInfo& info) {
        info = {};
        return 0;
    }
    virtual int GetObjectAttributes(int /*block*/, const std::string& /*name*/, ObjectAttributes& attributes) {
        attributes = {};
        return 0;
    }
    virtual int SetBlockTag(int /*block*/, const std::string& /*tag*/) { return 0; }
    virtual int ReadLinkObject(int /*index*/, LinkObject& record) {
        record = {};
        return 0;
    }
    virtual int ClearLinkObject(int /*index*/) { return 0; }
    virtual int ResetBlockSchedule() { return 0; }

    // Device summary for the query window: the identification lines and one line per block.
    virtual int GetDeviceSummary(std::string& text) {
        text.clear();
        return 0;
    }
    // "<tag> (<block number>)" for every block, for a block choice.
    virtual int GetBlockList(std::vector<std::string>& entries) {
        entries.clear();
        return 0;
    }
    // The names of all parameters of a block, in object-dictionary order.
    virtual int GetParameterNames(int /*block*/, std::vector<std::string>& names) {
        names.clear();
        return 0;
    }

    // ---- Software download -------------------------------------------------------------
    // Objects of the function-block VFD by object-dictionary index (subindex 0: the whole
    // object; `size` holds the buffer's capacity on entry and the bytes read on return), and
    // a file streamed into a domain object. A download takes the bus time of the file; it may
    // be called from a worker thread.
    virtual int ReadVfdObject(uint32_t /*index*/, uint32_t /*subindex*/, void* /*buffer*/, uint16_t& size) {
        size = 0;
        return 0;
    }
    virtual int WriteVfdObject(uint32_t /*index*/, uint32_t /*subindex*/, const void* /*buffer*/, uint16_t /*size*/) {
        return 0;
    }
    virtual int DownloadDomain(uint32_t /*index*/, const std::string& /*filePath*/) { return 0; }
    // Whether the link of the device is healthy (failures then count as the device's own).
    virtual bool IsLinkHealthy() const { return true; }

    // ---- Modes and operation states ----------------------------------------------------
    // Mode bytes have one bit per mode (OperationState.h); states are kNormalState,
    // kManualState, kOutOfService. Results: 0 done, 1 failed, 2 declined by the user.
    virtual int ReadActualMode(int /*block*/, uint8_t& mode) {
        mode = 0;
        return 0;
    }
    virtual int ReadTargetMode(int /*block*/, uint8_t& mode) {
        mode = 0;
        return 0;
    }
    virtual int ReadPermittedModes(int /*block*/, uint8_t& modes) {
        modes = 0;
        return 0;
    }
    // Writes the block's target mode and waits for it where the block needs that.
    virtual int SetBlockMode(int /*block*/, uint8_t /*mode*/) { return 0; }
    // AO into cascade with TB in AUTO, for PID control.
    virtual int SetAoCascade() { return 0; }
    // Writes the PID target and waits for the expected actual mode.
    virtual int SetPidMode(uint8_t /*target*/, uint8_t /*expected*/) { return 0; }
    // kind 1: the out-of-service warning of a configuration change; ask: show the warning.
    virtual int SetOperationState(int /*state*/, int /*kind*/, bool /*ask*/, bool /*bumpless*/) { return 0; }
    virtual int NormalStateTransfer(bool /*bumpless*/) { return 0; }
    // Whether AO READBACK differs from AO OUT or AO PV from AO SP.
    virtual int CheckBumplessMismatch(bool& mismatch) {
        mismatch = false;
        return 0;
    }
    // 0 when RELEASE_FAILSAFE may be written now.
    virtual int CanReleaseFailsafe() { return 0; }
    // The shown state from the actual modes of RB, TB and AO (OFFLINE when not open).
    virtual int ReadOperationState(int& state) {
        state = 4;  // the unnamed state: the modes are not known
        return 0;
    }
    // Called before every prepared write: takes the device out of service after asking.
    // 0 ready, 1 failed, 2 declined by the user.
    virtual int PrepareConfigurationChange() { return 0; }

    // ---- Device management ------------------------------------------------------------
    // The link-master flags as last read (at open, or when asked for the device tree).
    virtual LinkMasterFlags GetLinkMasterFlags() const { return {}; }
    // Configured as link master and PRIMARY_LINK_MASTER_FLAG set.
    virtual bool IsActiveScheduler() { return false; }
    // The third byte of DLME_BASIC_CHARACTERISTICS.
    virtual int ReadDlmeClass(uint8_t& value) {
        value = 0;
        return 0;
    }
    // BOOT_OPERAT_FUNCTIONAL_CLASS: 2 link master, 1 basic (takes effect at restart).
    virtual int SetBootClass(bool /*linkMaster*/) { return 0; }
    // Asks (unless silent), sets the boot class and restarts: 0 when told to restart.
    virtual int SetLinkMaster(bool /*linkMaster*/, bool /*silent*/) { return 0; }
    // RB RESTART = 4 (restart the processor).
    virtual int RestartDevice() { return 0; }
    // Reads RB RESTART every 100 ms until it reads 1 (run): 0; 1 when the device did not come
    // back within the restart limit.
    virtual int WaitRestart() { return 0; }

    // ---- Typed accessors ---------------------------------------------------------------
    // One read and, where the program changes it, one write per named parameter (the
    // table in TypedAccessorTable.h). Text forms give the description text of the value.
#define FIELDBUS_DECLARE_READ(fn, kind, name, type, wire) \
    virtual int fn(type& value) {                        \
        value = type{};                                  \
        return 0;                                        \
    }
#define FIELDBUS_DECLARE_TEXT(fn, kind, name, type, wire) \
    virtual int fn(type& value, std::string& text) {     \
        value = type{};                                  \
        text.clear();                                    \
        return 0;                                        \
    }
#define FIELDBUS_DECLARE_WRITE(fn, kind, name, type, wire, rule) \
    virtual int fn(const type& /*value*/) { return 0; }
#define FIELDBUS_DECLARE_MODE_WRITE(fn) \
    virtual int fn(float /*value*/) { return 0; }
    FIELDBUS_READ_ACCESSORS(FIELDBUS_DECLARE_READ)
    FIELDBUS_TEXT_ACCESSORS(FIELDBUS_DECLARE_TEXT)
    FIELDBUS_WRITE_ACCESSORS(FIELDBUS_DECLARE_WRITE)
    FIELDBUS_MODE_RULE_WRITES(FIELDBUS_DECLARE_MODE_WRITE)
#undef FIELDBUS_DECLARE_READ
#undef FIELDBUS_DECLARE_TEXT
#undef FIELDBUS_DECLARE_WRITE
#undef FIELDBUS_DECLARE_MODE_WRITE
    // BLOCK_ERR of any block (bit string).
    virtual int ReadBlockErr(int /*block*/, uint16_t& value) {
        value = 0;
        return 0;
    }

    // ---- View readers and process poll ----------------------------------------------
    // One worker thread per view: StartX stops a running X first, then starts it posting
    // its message (slot as wParam) to `notify` after the first read, after every change and
    // after a requested refresh; the window copies the record with GetX. StopX returns when
    // the worker has ended or was abandoned after 3000 ms. IsXEnded: no worker of the latest
    // start runs.
#define FIELDBUS_DECLARE_VIEW_READER(X, Record)                                     \
    virtual int Start##X(platform::WindowHandle /*notify*/) { return 0; }           \
    virtual void Stop##X() {}                                                       \
    virtual int Get##X(Record& record) {                                            \
        record = Record{};                                                          \
        return 0;                                                                   \
    }                                                                               \
    virtual void RequestRefresh##X(bool /*flag*/) {}                                \
    virtual bool Is##X##Ended() { return true; }
    FIELDBUS_VIEW_READERS(FIELDBUS_DECLARE_VIEW_READER)
#undef FIELDBUS_DECLARE_VIEW_READER
    // One read of the transducer view on the calling thread (a worker's own poll), in the
    // form the TB view reader publishes; `error` receives a text for the user-interface thread.
    virtual int ReadTransducerView(TbView3Record& record, std::string& error) {
        record = TbView3Record{};
        error.clear();
        return 0;
    }
    // The process poll posts WM_PROCESS_POLLED every period with the enabled values.
    virtual int StartProcessPoll(platform::WindowHandle /*notify*/) { return 0; }
    virtual void StopProcessPoll() {}
    virtual int GetProcessPoll(ProcessRecord& record) {
        record = ProcessRecord{};
        return 0;
    }
    virtual bool IsProcessPollEnded() { return true; }
    virtual void SetProcessChannels(const ProcessChannels& /*channels*/) {}
    virtual void SetProcessPollPeriod(uint32_t /*ms*/) {}
    // 1 when started, 0 when one was already running.
    virtual int StartProcessPollIfIdle(platform::WindowHandle /*notify*/) { return 0; }
    // Shows the alive text of each worker still running; 1 when any still runs.
    virtual int AnyThreadAlive() { return 0; }
    // "Device <tag> <text>  @ hh:mm:ss" into the message log, and the main window is told.
    virtual void ReportText(const std::string& /*text*/) {}
    // Progress and events reported to an asset-management host (code 17 procedure
    // progress, 18 setup wizard, 19 diagnostics events); the standalone device ignores them.
    virtual void ReportToHost(int /*code*/, const std::string& /*text*/) {}
    // The device log line of a library status.
    virtual void ReportLibraryError(int /*code*/) {}
};

}  // namespace fieldbus
