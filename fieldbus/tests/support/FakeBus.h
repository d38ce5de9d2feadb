#pragma once
// A small simulated bus behind the Fieldbus library for device tests: devices with VFDs,
// blocks, parameters by name and by object-dictionary index, management objects,
// description items, scripted failures and a log of every call. Installed as the library's
// in-process backend, so the code under test runs through the real C API.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/ObjectRecords.h"

namespace fieldbus::testing {

struct FakeParameter {
    std::string name;
    std::vector<uint8_t> bytes;
};

struct FakeBlock {
    std::string tag;  // stored blank padded to 32 in the block list
    uint16_t startIndex = 0;
    uint16_t profile = 0;
    uint8_t type = 1;
    // Whole parameters in object-dictionary order (relative index 1, 2, ...); also readable
    // by name. Members ("MODE_BLK.ACTUAL") are kept as objects of their own.
    std::vector<FakeParameter> parameters;
    std::map<std::string, std::vector<uint8_t>> members;
    std::map<std::string, std::vector<nifb::ItemInfo>> items;
    // Type descriptions by parameter name; others are simple octet strings of their size.
    std::map<std::string, nifb::TypeInfo> types;
};

struct FakeDevice {
    std::string id;
    std::string pdTag;
    int vfdCount = 1;
    std::string vendor = "Vendor", model = "Model", revision = "Rev";
    std::vector<FakeBlock> blocks;
    std::map<std::string, std::vector<uint8_t>> mib;
};

struct FakeCall {
    nifb::Op op;
    std::string name;
    std::vector<uint8_t> data;
    int block = -1;  // the block addressed (by tag, descriptor or index), -1 when none
};

class FakeBus : public nifb::Backend {
public:
    // Creates the bus and installs it as the library's in-process backend; Uninstall puts
    // the server back.
    static std::shared_ptr<FakeBus> Install();
    static void Uninstall();
    ~FakeBus() override;

    int AddDevice(FakeDevice device);  // returns the device number
    FakeDevice& Device(int number);
    // The next `times` calls of `op` answer `status`.
    void FailNext(nifb::Op op, int status, int times = 1);
    // Every call of `op` on object `name` answers `status` (0 clears).
    void FailObject(nifb::Op op, const std::string& name, int status);

    std::vector<FakeCall> Calls() const;
    size_t CountCalls(nifb::Op op) const;
    void ClearCalls();
    // Descriptors still open (sessions and links included).
    size_t OpenDescriptors() const;

    nifb::Response Call(const nifb::Request& request) override;

private:
    enum class Kind { Session, Link, Physical, Vfd, Mib, Block };
    struct Node {
        Kind kind;
        int device = -1;
        int block = -1;
    };
    nifb::Response Serve(const nifb::Request& request, FakeCall& call);
    uint32_t Open(Node node);
    // Finds the stored bytes of an object addressed on a descriptor.
    std::vector<uint8_t>* Locate(const Node& node, const std::string& name, int& block);
    nifb::Response Read(const Node& node, const nifb::Request& request, FakeCall& call);

    mutable std::mutex mutex_;
    std::vector<FakeDevice> devices_;
    std::map<uint32_t, Node> nodes_;
    uint32_t next_ = 100;
    std::map<nifb::Op, std::deque<int>> failNext_;
    std::map<std::pair<nifb::Op, std::string>, int> failObject_;
    std::vector<FakeCall> calls_;
    std::vector<uint8_t> tagScratch_;
};

// Wire helpers for building parameters.
std::vector<uint8_t> BigEndianFloat(float value);
std::vector<uint8_t> BigEndianU16(uint16_t value);
std::vector<uint8_t> BigEndianU32(uint32_t value);
std::vector<uint8_t> StatusFloat(uint8_t status, float value);
std::vector<uint8_t> TextField(const std::string& text, size_t size = 32);

}  // namespace fieldbus::testing
