#pragma once
// The simulated H1 segment: its interfaces with their live lists and devices, the
// simulation clock, bus latency and the faults injected into it. `mutex` guards the
// segment-wide state (interfaces, bus booking, the devices' identities and faults); the work
// on one device is done under that device's claim, mostly without the mutex (DeviceClaim.h
// has the lock order). Waits release the mutex and wake on `changed`, which also announces
// a released claim.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "nifb/nifb.h"
#include "simulator/Device.h"
#include "simulator/Json.h"
#include "simulator/SimClock.h"

namespace simulator {

// The longest a transaction waits for a device that does not answer (segment files may set
// less); the library's call limit lies well above it.
constexpr int64_t kMaxResponseTimeoutMs = 20000;
// Longest control command text; longest time a control command may name (30 days).
constexpr size_t kMaxControlBytes = 64 * 1024;
constexpr int64_t kMaxControlTimeMs = 30LL * 24 * 3600 * 1000;
// Speed factors of the simulation clock.
constexpr double kMinSpeed = 0.01;
constexpr double kMaxSpeed = 1000;

struct Interface {
    std::string name;
    std::string description;
    bool ethernet = false;
    std::string hostId;           // device identifier of the host interface itself
    uint8_t hostAddress = 0x10;
    std::unique_ptr<Device> host;  // the host interface itself (H1 links), opened by its identifier
    std::vector<std::unique_ptr<Device>> devices;
    std::vector<nifLiveListEntry> extraEntries;  // records listed as they are (Ethernet)
    uint64_t busFreeAtMs = 0;    // end of the last transaction on the bus
};

class Segment {
public:
    explicit Segment(double speed = 1.0, bool manualClock = false);

    std::mutex mutex;
    std::condition_variable changed;
    SimClock clock;
    std::string name;
    std::vector<Interface> interfaces;
    bool latency = false;            // model the bus time of every transaction
    uint32_t latencyOverheadMs = 10; // scheduling overhead per transaction (simulated ms)
    uint64_t responseTimeoutMs = 4000;
    // What the latency model charged so far: transactions and their bus time (simulated ms).
    uint64_t modelledTransactions = 0;
    uint64_t modelledBusMs = 0;
    uint64_t dieAtMs = 0;            // the server ends abruptly at this simulated time (0: never)
    bool dieRequested = false;       // ... or at once
    int logLevel = 0;
    std::function<void(const std::string&)> logSink;

    void Log(int level, const std::string& text);

    // Live records of an interface, sorted by node address (lock held). `classFlags`, when
    // given, holds each device's class flags as read under its claim; without it they are
    // read here (no call may be working on the devices then).
    std::vector<nifLiveListEntry> LiveList(const Interface& ifc, uint64_t nowMs,
                                           const std::vector<uint32_t>* classFlags = nullptr) const;
    // Device on an interface by identifier or PD tag (lock held); nullptr when absent.
    Device* FindDevice(Interface& ifc, bool byId, const std::string& name);
    // Device anywhere by identifier or PD tag (lock held).
    Device* FindAnyDevice(const std::string& idOrTag, Interface** ifc = nullptr);
    // Runs `work` with the device of identifier or PD tag `idOrTag` (nullptr when there is
    // none) claimed and the lock held: tests look at or change a device's state this way
    // while clients may be working on the segment. Lock NOT held by the caller.
    void WithDevice(const std::string& idOrTag, const std::function<void(Device*)>& work);
    // Bus time of a transaction carrying `bytes` bytes at 31.25 kbit/s, in simulated ms.
    uint64_t TransactionMs(size_t bytes) const;

    // Run-time control (fault injection, clock): a JSON command as text, parsed before the
    // lock is taken. Lock NOT held by the caller. Returns E_OK or E_BAD_ARGUMENT and a JSON
    // answer text ({"ok":true,...} or {"ok":false,"error":"..."}); any text is safe to pass.
    int Control(const std::string& commandText, std::string& answer);
    int Control(const JsonValue& command, std::string& answer);
};

}  // namespace simulator
