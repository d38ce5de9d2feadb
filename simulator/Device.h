#pragma once
// One simulated field device: identity, live-list data, the function-block VFD with its
// blocks and the management information base (MIB), object access with the write checks a
// real device makes, block modes, restart and faults. Who may touch what: the call that
// holds the device's claim (simulator/DeviceClaim.h) works on it, with or without the
// segment lock; the fields marked "segment lock" below are also read by calls that hold only
// the segment lock, so they change only with both held.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simulator/Block.h"
#include "simulator/DeviceExtension.h"
#include "simulator/DeviceObject.h"

namespace simulator {

struct DeviceFaults {
    uint64_t silentFromMs = 0;  // the device does not answer in [silentFromMs, silentUntilMs)
    uint64_t silentUntilMs = 0;
    double commErrorRate = 0;   // share of transactions answered with E_COMM_ERROR
    bool vfdChangedOnce = false;
    uint64_t randomState = 0x9E3779B97F4A7C15ull;
    double NextRandom();  // deterministic, in [0, 1)
};

enum class Space { FbVfd, Mib };

// The process moves in steps of this length; after idle time at most kMaxCatchUpSteps
// (longer) steps cover the gap.
constexpr uint64_t kProcessStepMs = 100;
constexpr uint64_t kMaxCatchUpSteps = 100;

struct ObjectRef {
    Space space = Space::FbVfd;
    Block* block = nullptr;         // null for MIB objects and VFD-level objects
    DeviceObject* object = nullptr;
    int member = -1;                // -1: the whole object
};

class Device {
public:
    // A call works on the device (segment lock; see DeviceClaim).
    bool claimed = false;

    // Identity (segment lock).
    std::string deviceId;
    std::string pdTag;
    uint8_t address = 248;
    uint32_t classFlagsOverride = 0;  // 0: derived from the device's role
    bool listedWhenSilent = false;    // while not answering: listed with class flags 1, not left out
    uint32_t manufacturerId = 0;
    uint16_t deviceType = 0;
    uint8_t deviceRevision = 1;
    uint8_t ddRevision = 1;
    bool positioner = false;
    bool linkMasterType = false;
    std::string vfdTag = "FBAP_VFD";
    std::string vendorName;
    std::string modelName;
    std::string revisionText;

    std::vector<Block> blocks;             // tags: segment lock
    std::vector<DeviceObject> mib;         // management objects (own index space)
    std::vector<DeviceObject> vfdObjects;  // FB VFD objects outside blocks (link objects)

    DeviceFaults faults;        // segment lock
    uint64_t settleMs = 500;    // actual mode follows the target after this time
    uint64_t restartMs = 2000;  // time off the bus after a restart (segment lock)
    // A restart in progress. The device starts and ends one itself while it works (a write
    // of RESTART, a firmware activation) and calls holding only the segment lock ask whether
    // it answers: atomic. `restartUntilMs` is stored before `restarting` is set.
    std::atomic<uint64_t> restartUntilMs{0};
    std::atomic<bool> restarting{false};
    std::shared_ptr<DeviceExtension> extension;

    // Process state kept between steps.
    double position = 0;      // valve position, percent
    double pidPv = 0;         // filtered PID process value
    // The process the valve controls, as the transmitter that publishes PID IN measures it:
    // percent of the PID's PV scale, following the valve position with a lag.
    double processPercent = 50;
    // A slow swing of that process (a training segment's load changes), so that a
    // controlling valve keeps moving: amplitude in PV units, period.
    double processSwing = 0;
    uint64_t processSwingPeriodMs = 0;
    // The PID block's algorithm between steps: the last control error and process values
    // (percent of the PV scale); `pidPrimed` is false until the block first computes.
    bool pidPrimed = false;
    double pidLastError = 0;
    double pidLastPv = 0;
    double pidLastPvChange = 0;
    double travelRemainder = 0;
    uint64_t lastAdvanceMs = 0;
    bool advanced = false;

    // Lays out every block; false with `error` when the dictionary is inconsistent.
    bool Layout(std::string& error);

    bool IsAnswering(uint64_t nowMs) const;
    bool InLiveList(uint64_t nowMs) const { return IsAnswering(nowMs); }
    // Live-list record while not answering: only with listedWhenSilent.
    bool ListedSilent(uint64_t nowMs) const { return listedWhenSilent && !IsAnswering(nowMs); }
    uint32_t ClassFlags() const;
    bool ConfiguredAsLinkMaster() const;

    Block* BlockByTag(const std::string& tag);
    Block* BlockByKind(const std::string& kind, int nth = 0);
    DeviceObject* MibObject(const std::string& name);

    int Resolve(Space space, Block* onlyBlock, const std::string& name, ObjectRef& out);
    int Read(const ObjectRef& ref, std::vector<uint8_t>& out);
    int Write(const ObjectRef& ref, const std::vector<uint8_t>& bytes, uint64_t nowMs);
    uint16_t SizeOf(const ObjectRef& ref) const;
    std::string NameOf(const ObjectRef& ref) const;
    int SetBlockTag(Block& block, const std::string& tag);

    // Moves the device's state forward to `nowMs` (modes, process values, restart).
    void Advance(uint64_t nowMs);
    void Restart(uint64_t nowMs);
    // Refreshes derived values (views, header, actual modes) before a read.
    void RefreshDerived();

    uint8_t ComputeActual(const Block& block) const;
    bool CascadeFed(const Block& block, const std::string& input) const;
    // An input of the block that another device publishes over a link object (a VCR).
    bool RemotelyFed(const Block& block, const std::string& input) const;

private:
    int CheckWrite(const ObjectRef& ref, const std::vector<uint8_t>& bytes) const;
    int CheckValue(const ObjectRef& ref, const DeviceObject& o, const Member* m, const std::vector<uint8_t>& v,
                   size_t offset) const;
    void AfterWrite(const ObjectRef& ref, uint64_t nowMs);
};

// A valid mode target within `permitted` (one mode, CAS/RCAS/ROUT optionally with AUTO).
bool IsValidTarget(uint8_t target, uint8_t permitted);

}  // namespace simulator
