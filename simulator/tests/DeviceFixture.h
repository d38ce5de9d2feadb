#pragma once
// A segment hosted in the test process on a manual clock, with helpers to open a device
// and to read and write its objects by name through the library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/TestSegments.h"

namespace simulator::testing {

// Block MODE_BLK.TARGET values.
constexpr uint8_t OOS = 0x01, MAN = 0x08, AUTO = 0x10, CAS = 0x20;

class DeviceFixture : public ::testing::Test {
protected:
    void Load(const std::string& json) {
        LoadOptions opt;
        opt.manualClock = true;
        std::string error;
        backend_ = UseInProcessSegment(json, opt, error);
        ASSERT_TRUE(backend_) << error;
        ASSERT_EQ(nifOpenSession(nullptr, &session_), E_OK);
        ASSERT_EQ(nifOpenLink(session_, 0, "Interface0-0", 0, &link_), E_OK);
    }
    void SetUp() override { Load(SmallSegmentJson(500)); }
    void TearDown() override {
        nifClose(session_);
        nifUseServer();
    }

    // Opens the function-block VFD of a device by PD tag.
    nifDesc_t OpenVfd(const std::string& tag) {
        nifDesc_t dev = 0, vfd = 0;
        EXPECT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_TAG, tag.c_str(), &dev), E_OK);
        EXPECT_EQ(nifOpenVfd(dev, makeIndex(0), &vfd), E_OK);
        return vfd;
    }
    nifDesc_t OpenMib(const std::string& tag) {
        nifDesc_t dev = 0, mib = 0;
        EXPECT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_TAG, tag.c_str(), &dev), E_OK);
        EXPECT_EQ(nifOpenVfd(dev, "MIB", &mib), E_OK);
        return mib;
    }

    std::vector<uint8_t> Read(nifDesc_t d, const std::string& name, int* status = nullptr) {
        std::vector<uint8_t> buf(512);
        uint16_t size = static_cast<uint16_t>(buf.size());
        int st = nifReadObject(d, name.c_str(), buf.data(), &size);
        if (status) *status = st;
        else EXPECT_EQ(st, E_OK) << name;
        buf.resize(st == E_OK ? size : 0);
        return buf;
    }
    uint8_t ReadU8(nifDesc_t d, const std::string& name) {
        auto v = Read(d, name);
        return v.empty() ? 0 : v[0];
    }
    float ReadFloat(nifDesc_t d, const std::string& name, size_t offset = 0) {
        auto v = Read(d, name);
        if (v.size() < offset + 4) return -999.0f;
        uint32_t bits = (uint32_t(v[offset]) << 24) | (uint32_t(v[offset + 1]) << 16) |
                        (uint32_t(v[offset + 2]) << 8) | v[offset + 3];
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    uint16_t ReadU16(nifDesc_t d, const std::string& name) {
        auto v = Read(d, name);
        return v.size() < 2 ? 0 : static_cast<uint16_t>((v[0] << 8) | v[1]);
    }
    int Write(nifDesc_t d, const std::string& name, const std::vector<uint8_t>& bytes) {
        return nifWriteObject(d, name.c_str(), bytes.data(), static_cast<uint16_t>(bytes.size()));
    }
    int WriteU8(nifDesc_t d, const std::string& name, uint8_t v) { return Write(d, name, {v}); }
    int WriteFloat(nifDesc_t d, const std::string& name, float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return Write(d, name, {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)});
    }
    uint16_t SizeOf(nifDesc_t d, const std::string& name) {
        uint16_t size = 0;
        int st = nifGetObjectSize(d, name.c_str(), &size);
        return st == E_OK ? size : 0;
    }
    void Advance(int ms) {
        std::string answer;
        ASSERT_EQ(nifb::SendControl(session_, R"({"command":"advance","ms":)" + std::to_string(ms) + "}", answer),
                  E_OK);
    }
    int Control(const std::string& json) {
        std::string answer;
        return nifb::SendControl(session_, json, answer);
    }
    std::vector<nifLiveListEntry> LiveList() {
        std::vector<nifLiveListEntry> list(32);
        uint16_t n = 32;
        EXPECT_EQ(nifGetDeviceList(link_, list.data(), &n, nullptr), E_OK);
        list.resize(n);
        return list;
    }
    const nifLiveListEntry* Find(const std::vector<nifLiveListEntry>& list, const std::string& id) {
        for (const auto& e : list)
            if (id == e.deviceId) return &e;
        return nullptr;
    }

    std::shared_ptr<SegmentBackend> backend_;
    nifDesc_t session_ = 0;
    nifDesc_t link_ = 0;
};

}  // namespace simulator::testing
