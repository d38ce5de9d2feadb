#pragma once
// The library's calls carried to a linking device over HSE. Links and live lists come from
// SM Identify, devices are found by SM Find Tag Query (by PD tag) or by the live list, tags
// and addresses are set and cleared with SM Set Assignment Info / Clear Address / Clear
// Assignment Info, and objects are reached with FMS services on the device's VFDs (opened
// with FMS Initiate) by index and subindex. Names the program uses are resolved through
// the device description of the device's identity (read from its resource block); the
// labels, help and enumerations come from the description, no bus involved. What HSE does
// not offer (the simulator's control commands, block tags) answers
// E_OBJECT_ACCESS_UNSUPPORTED.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/dd/DeviceDescription.h"
#include "nifb/hse/FdaChannel.h"
#include "platform/TimedMutex.h"
#include "nifb/nifb.h"

namespace nifb::hse {

// The FB VFD's directory of blocks (see the simulator's linking device).
constexpr uint32_t kDirectoryIndex = 256;
// Resource block parameters that tell the device's identity, relative to its start.
constexpr uint32_t kRbManufacturerId = 10;
constexpr uint32_t kRbDeviceType = 11;
constexpr uint32_t kRbDeviceRevision = 12;
// DLME_BASIC_CHARACTERISTICS: the device class in the third byte's low two bits.
constexpr uint8_t kDlmeClassLinkMaster = 2;

class HseSession : public Backend {
public:
    explicit HseSession(Target target);
    ~HseSession() override;
    Response Call(const Request& request) override;
    Response CallCancellable(const Request& request, CallToken& token) override;
    void Release(uint32_t desc) override;
    void EndSession(uint32_t session) override;

private:
    enum class Kind { Session, Link, Device, Vfd, Mib, Block };
    // What the library learned about one device, shared by its VFD and block descriptors.
    struct DeviceState {
        platform::TimedMutex mutex;
        bool fbHeld = false;  // the device descriptor holds a context on the function-block VFD
        bool blocksRead = false;
        std::vector<nifBlockInfo> blocks;
        std::vector<dd::BlockPlace> places;
        bool descriptionLooked = false;
        int descriptionStatus = E_SYMBOL_FILE_NOT_FOUND;
        std::string descriptionError;
        std::shared_ptr<const dd::Description> description;
    };
    struct Node {
        Kind kind = Kind::Session;
        uint32_t parent = 0;
        uint16_t link = 0;
        uint8_t node = 0;
        std::string deviceId;
        std::string pdTag;
        bool linkingInterface = false;  // the linking device's own H1 interface: management only
        std::shared_ptr<DeviceState> device;
        int block = -1;  // position in the device's block list
    };
    // Where an object is on the device: index, subindex, and what the description says of it.
    struct ObjectPlace {
        uint32_t index = 0;
        uint32_t subindex = 0;
        uint16_t size = 0;  // 0: not known
        dd::Resolved resolved;  // the description's object, when the description was looked at
        std::shared_ptr<const dd::Description> description;  // keeps `resolved` alive
    };

    Response Serve(const Request& r, CallToken* token);
    Response OpenSession();
    int Exchange(Protocol p, uint8_t service, uint32_t fda, std::vector<uint8_t> body, Message& answer,
                 CallToken* token);
    bool Find(uint32_t desc, Node& out);
    uint32_t Add(Node n);
    int Links(CallToken* token, std::vector<uint16_t>& links, std::string& ldTag);
    int LiveList(uint16_t link, CallToken* token, std::vector<nifLiveListEntry>& out);
    // A field device's class in the live list: SM Identify does not tell a link master, so
    // it is read from the device's MIB (DLME_BASIC_CHARACTERISTICS, named through the
    // device's description), as the socket server derives it. Basic when that cannot be read.
    uint32_t FieldDeviceClass(uint16_t link, uint8_t node, CallToken* token);
    void ForgetNodes(uint16_t link);  // after this session changed a tag or an address there
    // FMS contexts (FMS Initiate) by FDA address, shared by the descriptors that use them: the
    // first user initiates, the last one gone sends FMS Abort.
    int Acquire(uint32_t fda, CallToken* token);
    void ReleaseContext(uint32_t fda);
    int HoldFbVfd(const Node& n, CallToken* token);
    int ReadIndex(uint32_t fda, uint32_t index, uint32_t subindex, std::vector<uint8_t>& out, CallToken* token);
    int LoadBlocks(const Node& n, CallToken* token);
    int LoadDescription(const Node& n, CallToken* token);
    // Where `name` is on the device. An index name needs no description unless `named` (the
    // call wants the object's name, label or help).
    int Resolve(const Node& n, const std::string& name, ObjectPlace& out, CallToken* token, bool named);
    uint32_t FbVfd(const Node& n) const { return FdaAddress(n.link, n.node, kSelectorFbVfd); }
    uint32_t VfdAddress(const Node& n) const;

    FdaChannel channel_;
    std::mutex mutex_;
    std::map<uint32_t, Node> nodes_;
    std::map<uint32_t, int> contexts_;  // FMS contexts by FDA address, and their users
    // What the live list's nodes were when last identified, by FDA address of the node: a
    // node whose version number is unchanged is not identified again.
    struct KnownNode {
        uint8_t version = 0;
        nifLiveListEntry entry{};
    };
    std::map<uint32_t, KnownNode> known_;
    uint32_t next_ = 1;
    bool open_ = false;
    std::mutex openMutex_;
};

}  // namespace nifb::hse
