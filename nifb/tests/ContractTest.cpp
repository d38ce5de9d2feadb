// The library's contract, run through both transports: a segment hosted in this process
// and a server reached over a Unix-domain socket (served from a thread of this test).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "nifb/Backend.h"
#include "nifb/nifb.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/SocketServer.h"
#include "simulator/tests/TestSegments.h"

namespace {

using namespace std::chrono_literals;

enum class Transport { InProcess, Socket };

class ContractTest : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override {
        std::string error;
        simulator::LoadOptions opt;  // real clock: waits and time-outs really wait
        segment_ = simulator::LoadSegment(simulator::testing::SmallSegmentJson(0), opt, error);
        ASSERT_TRUE(segment_) << error;
        segment_->responseTimeoutMs = 800;
        if (GetParam() == Transport::InProcess) {
            backend_ = simulator::UseInProcessSegment(segment_);
        } else {
            nifUseServer();
            backend_ = std::make_shared<simulator::SegmentBackend>(segment_);
            socketPath_ = dir_.File("nifb.sock");
            setenv("NIFB_SOCKET", socketPath_.c_str(), 1);
            StartServer();
        }
    }

    void TearDown() override {
        StopServer();
        nifUseServer();
        unsetenv("NIFB_SOCKET");
    }

    void StartServer() {
        server_ = std::make_unique<simulator::SocketServer>(backend_, socketPath_);
        std::string error;
        ASSERT_EQ(server_->Start(error), 0) << error;
        ASSERT_EQ(::pipe(stopPipe_), 0);
        serverThread_ = std::thread([this] { server_->Run(stopPipe_[0]); });
    }

    void StopServer() {
        if (!server_) return;
        char c = 's';
        ASSERT_EQ(::write(stopPipe_[1], &c, 1), 1);
        serverThread_.join();
        server_->Stop();
        server_.reset();
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
    }

    // Session, link on the H1 interface, device FV-101 and its function-block VFD.
    void OpenDevice() {
        ASSERT_EQ(nifOpenSession(nullptr, &session_), E_OK);
        ASSERT_EQ(nifOpenLink(session_, 0, "Interface0-0", 0, &link_), E_OK);
        ASSERT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_DEVICE_ID, "42524B0001J0000010", &device_), E_OK);
        ASSERT_EQ(nifOpenVfd(device_, makeIndex(0), &vfd_), E_OK);
    }

    platform::testing::TempDir dir_;
    std::string socketPath_;
    std::shared_ptr<simulator::Segment> segment_;
    std::shared_ptr<simulator::SegmentBackend> backend_;
    std::unique_ptr<simulator::SocketServer> server_;
    std::thread serverThread_;
    int stopPipe_[2] = {-1, -1};
    nifDesc_t session_ = 0, link_ = 0, device_ = 0, vfd_ = 0;
};

TEST_P(ContractTest, ListsInterfacesAndLiveListWithTheRecordLayouts) {
    ASSERT_EQ(nifOpenSession(nullptr, &session_), E_OK);
    uint16_t count = 0;
    EXPECT_EQ(nifGetInterfaceList(session_, &count, nullptr), E_BUF_TOO_SMALL);
    ASSERT_EQ(count, 1);
    nifInterfaceInfo ifc;
    ASSERT_EQ(nifGetInterfaceList(session_, &count, &ifc), E_OK);
    const char* raw = reinterpret_cast<const char*>(&ifc);
    EXPECT_STREQ(raw, "Interface0-0");
    EXPECT_STREQ(raw + 66, "H1 LINK 0");

    ASSERT_EQ(nifOpenLink(session_, 0, raw, 0, &link_), E_OK);
    nifLiveListEntry live[32];
    uint16_t n = 32;
    uint32_t total = 0;
    ASSERT_EQ(nifGetDeviceList(link_, live, &n, &total), E_OK);
    ASSERT_EQ(n, 4);  // the host interface and three devices, by address
    EXPECT_EQ(live[0].classFlags, NIF_CLASS_INTERFACE);
    const uint8_t* rec = reinterpret_cast<const uint8_t*>(&live[1]);
    EXPECT_STREQ(reinterpret_cast<const char*>(rec), "42524B0001J0000010");
    EXPECT_STREQ(reinterpret_cast<const char*>(rec + 33), "FV-101");
    EXPECT_EQ(rec[66], 20);
    EXPECT_EQ(live[2].classFlags, NIF_CLASS_LINK_MASTER);
    EXPECT_EQ(nifClose(session_), E_OK);
}

TEST_P(ContractTest, OpensBlocksAndReadsWritesByNameAndIndex) {
    OpenDevice();
    nifVfdInfo vfds[1];
    uint16_t nv = 1;
    ASSERT_EQ(nifGetVFDList(device_, vfds, &nv), E_OK);
    EXPECT_EQ(nv, 1);
    EXPECT_STREQ(vfds[0].vendorName, "BRK Controls");

    nifBlockInfo blocks[20];
    uint16_t nb = 20;
    ASSERT_EQ(nifGetBlockList(vfd_, 7, blocks, &nb), E_OK);
    ASSERT_EQ(nb, 6);  // RB, TB, AO, DI1, DI2, PID; no splitter on a type-1 revision-2 device
    const uint8_t* tb = reinterpret_cast<const uint8_t*>(&blocks[1]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tb), 8), "FV101_TB");
    EXPECT_EQ(tb[70], NIF_TRANSDUCER_BLOCK);
    uint16_t tbStart;
    std::memcpy(&tbStart, tb + 34, 2);
    EXPECT_EQ(tbStart, 2000);

    nifDesc_t block;
    ASSERT_EQ(nifOpenBlock(vfd_, makeIndex(1), &block), E_OK);
    uint8_t mode[4];
    uint16_t size = sizeof mode;
    ASSERT_EQ(nifReadObject(block, "MODE_BLK", mode, &size), E_OK);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(mode[1], 0x10);  // TB actual AUTO

    // A record's type, and the same object by tag form and by index form (a static one: the
    // valve's values move between two reads on a running clock).
    nifObjectType* type = nullptr;
    ASSERT_EQ(nifGetObjectType(vfd_, "FV101_TB.FINAL_VALUE", &type), E_OK);
    EXPECT_EQ(type->objectCode, NIF_OC_RECORD);
    EXPECT_EQ(type->numMembers, 2);
    EXPECT_EQ(nifFreeObjectType(type), E_OK);
    uint8_t byName[11], byIndex[11];
    uint16_t s1 = 11, s2 = 11;
    ASSERT_EQ(nifReadObject(vfd_, "FV101_TB.FINAL_VALUE_RANGE", byName, &s1), E_OK);
    ASSERT_EQ(nifGetObjectType(vfd_, "FV101_TB.FINAL_VALUE_RANGE", &type), E_OK);
    const uint16_t rangeIndex = type->index;
    EXPECT_EQ(type->numMembers, 4);
    EXPECT_EQ(nifFreeObjectType(type), E_OK);
    ASSERT_EQ(nifReadObject(vfd_, makeIndex(rangeIndex), byIndex, &s2), E_OK);
    EXPECT_EQ(s1, 11);
    EXPECT_EQ(s2, 11);
    EXPECT_EQ(0, std::memcmp(byName, byIndex, 11));

    char name[64];
    ASSERT_EQ(nifGetObjectName(vfd_, makeIndexSubindex(tbStart + 5u, 2), name, sizeof name), E_OK);
    EXPECT_STREQ(name, "ACTUAL");

    // A buffer that is too small reports the needed size.
    uint8_t tiny[2];
    uint16_t small = 2;
    EXPECT_EQ(nifReadObject(vfd_, "FV101_TB.FINAL_VALUE", tiny, &small), E_BUF_TOO_SMALL);
    EXPECT_EQ(small, 5);

    uint8_t text[32];
    std::memset(text, ' ', 32);
    std::memcpy(text, "SN-42", 5);
    ASSERT_EQ(nifWriteObject(block, "VALVE_SN", text, 32), E_OK);
    uint8_t back[32];
    uint16_t bs = 32;
    ASSERT_EQ(nifReadObject(vfd_, "FV101_TB.VALVE_SN", back, &bs), E_OK);
    EXPECT_EQ(0, std::memcmp(back, text, 32));
    EXPECT_EQ(nifWriteObject(block, "VALVE_SN", text, 31), E_BAD_ARGUMENT);

    nifAttributes* attr = nullptr;
    ASSERT_EQ(nifGetObjectAttributes(block, "POSITION_CHAR_TYPE", &attr), E_OK);
    ASSERT_EQ(attr->numItems, 5);
    EXPECT_EQ(attr->items[0].kind, NIF_ITEM_ENUM);
    EXPECT_STREQ(attr->items[1].description, "|en|Equal percent(50:1)");
    EXPECT_EQ(nifFreeObjectAttributes(attr), E_OK);

    EXPECT_EQ(nifClose(session_), E_OK);
    EXPECT_EQ(nifReadObject(block, "MODE_BLK", mode, &size), E_INVALID_DESCRIPTOR);
}

TEST_P(ContractTest, CallsFromSeveralThreadsRunSideBySide) {
    OpenDevice();
    segment_->responseTimeoutMs = 60000;
    // A call to a device that stopped answering waits...
    std::string answer;
    nifDesc_t blocked;
    ASSERT_EQ(nifOpenPhysicalDevice(link_, NIF_BY_TAG, "PT-301", &blocked), E_OK);
    ASSERT_EQ(nifb::SendControl(session_, R"({"command":"silence","device":"PT-301","forMs":60000})", answer), E_OK);
    auto slow = std::async(std::launch::async, [&] {
        nifVfdInfo v;
        uint16_t n = 1;
        return nifGetVFDList(blocked, &v, &n);
    });
    std::this_thread::sleep_for(50ms);
    // ...while other threads keep reading the answering device.
    std::vector<std::thread> readers;
    std::atomic<int> good{0};
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                uint8_t v[5];
                uint16_t s = 5;
                if (nifReadObject(vfd_, "FV101_TB.FINAL_POSITION_VALUE", v, &s) == E_OK) ++good;
            }
        });
    for (auto& t : readers) t.join();
    EXPECT_EQ(good.load(), 100);
    EXPECT_EQ(slow.wait_for(0ms), std::future_status::timeout);
    EXPECT_EQ(nifClose(blocked), E_OK);
    ASSERT_EQ(slow.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(slow.get(), E_INVALID_DESCRIPTOR);
    nifClose(session_);
}

TEST_P(ContractTest, ClosingADescriptorReleasesACallWaitingOnIt) {
    OpenDevice();
    std::string answer;
    ASSERT_EQ(nifb::SendControl(session_, R"({"command":"silence","device":"FV-101","forMs":60000})", answer), E_OK);
    auto waiting = std::async(std::launch::async, [&] {
        uint8_t v[5];
        uint16_t s = 5;
        return nifReadObject(vfd_, "FV101_TB.FINAL_VALUE", v, &s);
    });
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(waiting.wait_for(0ms), std::future_status::timeout);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nifClose(device_), E_OK);  // closes the VFD opened through it too
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(waiting.get(), E_INVALID_DESCRIPTOR);
    nifClose(session_);
}

TEST_P(ContractTest, NoServerMeansServerNotResponding) {
    if (GetParam() == Transport::Socket) {
        StopServer();
    } else {
        std::string answer;
        nifDesc_t s;
        ASSERT_EQ(nifOpenSession(nullptr, &s), E_OK);
        ASSERT_EQ(nifb::SendControl(s, R"({"command":"die"})", answer), E_OK);
    }
    nifDesc_t session = 0;
    EXPECT_EQ(nifOpenSession(nullptr, &session), E_SERVER_NOT_RESPONDING);
}

TEST_P(ContractTest, AServerThatGoesAwayLosesEveryCall) {
    OpenDevice();
    if (GetParam() == Transport::Socket) {
        StopServer();
    } else {
        std::string answer;
        nifb::SendControl(session_, R"({"command":"die"})", answer);
    }
    uint8_t v[5];
    uint16_t s = 5;
    EXPECT_EQ(nifReadObject(vfd_, "FV101_TB.FINAL_VALUE", v, &s), E_SERVER_CONNECTION_LOST);
    nifLiveListEntry live[32];
    uint16_t n = 32;
    EXPECT_EQ(nifGetDeviceList(link_, live, &n, nullptr), E_SERVER_CONNECTION_LOST);
    if (GetParam() == Transport::Socket) {
        // A new server on the same socket does not revive the old session.
        StartServer();
        EXPECT_EQ(nifGetDeviceList(link_, live, &n, nullptr), E_SERVER_CONNECTION_LOST);
    }
    nifClose(session_);
}

TEST_P(ContractTest, TheServerServesOnlyItsOwnUser) {
    if (GetParam() != Transport::Socket) GTEST_SKIP() << "no socket in between";
    server_->SetTrustedUid(::getuid() + 1);
    nifDesc_t session = 0;
    EXPECT_EQ(nifOpenSession(nullptr, &session), E_SERVER_NOT_RESPONDING);
    server_->SetTrustedUid(::getuid());
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    nifClose(session);
}

INSTANTIATE_TEST_SUITE_P(BothTransports, ContractTest, ::testing::Values(Transport::InProcess, Transport::Socket),
                         [](const ::testing::TestParamInfo<Transport>& info) {
                             return info.param == Transport::InProcess ? "InProcess" : "Socket";
                         });

}  // namespace
