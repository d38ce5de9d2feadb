#pragma once
// Serves the library's calls from a Segment: hands out descriptors for sessions, links,
// devices, VFDs and blocks, resolves object names, applies bus latency, unanswered devices
// and communication faults, and answers with the statuses a real stack gives. Used
// in-process by tests and behind the socket by the `nifb` server.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>

#include "nifb/Backend.h"
#include "simulator/Segment.h"

namespace simulator {

// Descriptors one session may hold; a session that asks for more gets E_RESOURCES.
constexpr uint32_t kMaxDescriptorsPerSession = 100000;
// Longest object name or tag a request may carry.
constexpr size_t kMaxNameBytes = 1024;
// Largest domain download a device takes.
constexpr size_t kMaxDomainBytes = 8u * 1024u * 1024u;

class SegmentBackend : public nifb::Backend {
public:
    explicit SegmentBackend(std::shared_ptr<Segment> segment);

    // A call from this process (tests, the in-process segment): any descriptor is served.
    nifb::Response Call(const nifb::Request& request) override;
    // A call that came over a connection of the server. `connectionSession` is the session
    // the connection belongs to (0 before it opened or attached one): a connection reaches
    // only descriptors of its own session, and attaches to a session only with its key.
    nifb::Response Serve(const nifb::Request& request, uint32_t& connectionSession);

    // Closes a session with everything opened through it (its last connection went away).
    void CloseSession(uint32_t session);
    // Ends every waiting call and refuses new ones (server shutdown).
    void Shutdown();
    // Called once when the segment's "server dies" fault fires. Without a handler the
    // backend behaves like a vanished server: every call answers E_SERVER_CONNECTION_LOST.
    void OnDeath(std::function<void()> handler) { onDeath_ = std::move(handler); }
    bool IsDead() const { return dead_; }
    // Lets a due "server dies" fault fire even while no call arrives.
    void Poll();
    Segment& GetSegment() { return *segment_; }
    size_t OpenDescriptorCount();

private:
    enum class Kind { Session, Link, Device, Vfd, Mib, Block };
    struct Desc {
        Kind kind = Kind::Session;
        uint32_t parent = 0;
        uint32_t session = 0;
        int iface = -1;
        Device* device = nullptr;
        Block* block = nullptr;
        std::unordered_set<uint32_t> children;  // opened through this one
        uint64_t key = 0;                       // sessions: what an attaching connection shows
        uint32_t owned = 0;                     // sessions: descriptors opened in the session
    };
    using Lock = std::unique_lock<std::mutex>;

    nifb::Response Handle(const nifb::Request& r, uint32_t* connectionSession);
    nifb::Response Dispatch(Lock& lock, const nifb::Request& r);
    // A new descriptor, or 0 when its session holds kMaxDescriptorsPerSession already.
    uint32_t Add(Desc d);
    void CloseTree(uint32_t desc);
    bool Alive(uint32_t desc) const;
    bool WaitSim(Lock& lock, uint32_t desc, uint64_t simMs);
    // Work on a device: the device's claim, then, with the segment lock released, its catch-up
    // with the clock and `work` (when given) whose status is returned; the lock is held again
    // on return. E_INVALID_DESCRIPTOR (and no work) when `desc` closed meanwhile. Without
    // `advance` the work catches the device up itself.
    using DeviceWork = std::function<int()>;
    int WorkOn(Lock& lock, uint32_t desc, Device& device, const DeviceWork& work, bool advance = true);
    // Bus latency, an unanswered device and communication errors, then the device's work as
    // in WorkOn (the work is left out on a communication error); E_OK when the device took
    // the request and the work succeeded.
    int Transact(Lock& lock, uint32_t desc, size_t bytes, const DeviceWork& work = {});
    // An object access on the claimed device, without the segment lock.
    nifb::Response ServeObject(const Desc& d, const nifb::Request& r, bool onBus);
    int ResolveObject(const Desc& d, const std::string& name, ObjectRef& out);
    void CheckDeath();
    std::string Describe(const Desc& d) const;

    std::shared_ptr<Segment> segment_;
    std::unordered_map<uint32_t, Desc> descs_;
    uint32_t next_ = 1;
    std::mt19937 random_{std::random_device{}()};
    bool shutdown_ = false;
    std::atomic<bool> dead_{false};
    std::function<void()> onDeath_;
};

}  // namespace simulator
