#pragma once
// The library over HSE against the simulator as an in-process linking device: a small
// segment, its server on a free loopback port, and the descriptors of one device.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"
#include "simulator/SegmentBackend.h"
#include "simulator/SegmentLoader.h"
#include "simulator/hse/HseServer.h"
#include "simulator/tests/TestSegments.h"

namespace nifb::testing {

class HseTransport : public ::testing::Test {
protected:
    void SetUp() override {
        nifUseServer();
        std::string error;
        simulator::LoadOptions opt;
        segment_ = simulator::LoadSegment(simulator::testing::SmallSegmentJson(0), opt, error);
        ASSERT_TRUE(segment_) << error;
        backend_ = std::make_shared<simulator::SegmentBackend>(segment_);
        server_ = std::make_unique<simulator::hse::HseServer>(backend_, [](int, const std::string&) {});
        ASSERT_EQ(server_->Start("127.0.0.1", 0, error), 0) << error;
        UseDevice(server_->Port());
    }
    void TearDown() override {
        if (session_) nifClose(session_);
        server_.reset();
        unsetenv("NIFB_SERVER");
        unsetenv("NIFB_PCAP");
        nifb::SetCallLimitMs(0);
    }
    // The linking device at `port`, over UDP or, with `tcp`, over a TCP connection.
    void UseDevice(uint16_t port, bool tcp = false) {
        setenv("NIFB_SERVER", ((tcp ? "hse+tcp://127.0.0.1:" : "hse://127.0.0.1:") + std::to_string(port)).c_str(), 1);
    }
    // Session, the first link, FV-101 by its tag and its function-block VFD.
    // Downloads 40000 bytes that are not firmware into domain 440 of `vfd` (several
    // segments); the device refuses them at the end.
    nifError_t DownloadNotFirmware(nifDesc_t vfd) {
        const std::string file = dir_.File("not-firmware.bin");
        std::vector<uint8_t> junk(40000, 0x5A);
        FILE* f = std::fopen(file.c_str(), "wb");
        if (!f) return E_OTHER;
        std::fwrite(junk.data(), 1, junk.size(), f);
        std::fclose(f);
        return nifDownloadDomain(vfd, makeIndex(440), file.c_str());
    }

    void OpenDevice() {
        ASSERT_EQ(nifOpenSession(nullptr, &session_), E_OK);
        nifInterfaceInfo links[4];
        uint16_t count = 4;
        ASSERT_EQ(nifGetInterfaceList(session_, &count, links), E_OK);
        ASSERT_EQ(count, 1);
        ASSERT_EQ(nifOpenLink(session_, 0, links[0].interfaceName, 0, &link_), E_OK);
        ASSERT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_TAG, "FV-101", &device_), E_OK);
        ASSERT_EQ(nifOpenVfd(device_, makeIndex(0), &vfd_), E_OK);
    }

    platform::testing::TempDir dir_;
    std::shared_ptr<simulator::Segment> segment_;
    std::shared_ptr<simulator::SegmentBackend> backend_;
    std::unique_ptr<simulator::hse::HseServer> server_;
    nifDesc_t session_ = 0, link_ = 0, device_ = 0, vfd_ = 0;
};

}  // namespace nifb::testing
