// HSE over TCP: the library's stream path against the simulator's linking device, what goes
// into the capture as the public decoder (tshark) reads it, a device that is not there or
// drops the connection mid-call, and the server's handling of hostile streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "nifb/hse/FdaMessage.h"
#include "nifb/hse/FdaServices.h"
#include "nifb/hse/HseTarget.h"
#include "nifb/SocketPath.h"
#include "platform/Registry.h"
#include "nifb/tests/HseSegmentFixture.h"
#include "nifb/tests/TsharkReader.h"
#include "simulator/Device.h"

namespace {

using namespace std::chrono_literals;
using nifb::testing::Tshark;
using Clock = std::chrono::steady_clock;

class HseOverTcp : public nifb::testing::HseTransport {
protected:
    void SetUp() override {
        HseTransport::SetUp();
        UseDevice(server_->Port(), true);
    }
};

// A TCP connection to a loopback port, speaking HSE by hand.
class StreamPeer {
public:
    explicit StreamPeer(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    explicit StreamPeer(int fd) : fd_(fd), connected_(true) {}
    ~StreamPeer() { ::close(fd_); }
    bool Connected() const { return connected_; }
    void Send(const std::vector<uint8_t>& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // The next whole message, or false when none comes within `waitMs` or the stream ends.
    bool Next(nifb::hse::Message& m, int waitMs = 2000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        while (true) {
            if (rx_.size() >= nifb::hse::kHeaderBytes) {
                const size_t length = (size_t{rx_[8]} << 24) | (size_t{rx_[9]} << 16) | (size_t{rx_[10]} << 8) | rx_[11];
                if (length >= nifb::hse::kHeaderBytes && rx_.size() >= length) {
                    std::string why;
                    const bool ok = nifb::hse::DecodeMessage(rx_.data(), length, m, why);
                    rx_.erase(rx_.begin(), rx_.begin() + static_cast<long>(length));
                    return ok;
                }
            }
            if (!Read(deadline)) return false;
        }
    }
    // True when the other side closes the connection within `waitMs` (what it sent is skipped).
    bool ClosedWithin(int waitMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        while (Clock::now() < deadline)
            if (!Read(deadline) && eof_) return true;
        return false;
    }

private:
    bool Read(Clock::time_point deadline) {
        const int ms = static_cast<int>(std::max<int64_t>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return false;
        uint8_t buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            eof_ = true;
            return false;
        }
        rx_.insert(rx_.end(), buf, buf + n);
        return true;
    }
    int fd_ = -1;
    bool connected_ = false;
    bool eof_ = false;
    std::vector<uint8_t> rx_;
};

nifb::hse::Message OpenRequest(uint32_t number) {
    using namespace nifb::hse;
    Message m;
    m.protocol = Protocol::Fda;
    m.service = service::kFdaOpenSession;
    m.body = Encode(OpenSession{});
    m.messageNumber = m.invokeId = number;
    return m;
}

// A listening socket on a free loopback port; `listen` false leaves it bound only, so a
// connection to it is refused.
int LoopbackTcpSocket(uint16_t& port, bool listen) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    if (listen) ::listen(fd, 4);
    return fd;
}

// A hand-made linking device on a free loopback port: its thread runs `script` on the first
// connection. It ends with the test (its listening socket stops accepting, the thread is
// joined), also when an assertion left the test early.
class FakeDevice {
public:
    explicit FakeDevice(std::function<void(StreamPeer&)> script) {
        fd_ = LoopbackTcpSocket(port_, true);
        thread_ = std::thread([this, script = std::move(script)] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            StreamPeer peer(c);
            script(peer);
        });
    }
    ~FakeDevice() {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    uint16_t Port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

// The answer granting `open`, with the inactivity close time `seconds`.
nifb::hse::Message Granted(const nifb::hse::Message& open, uint16_t seconds = 60) {
    using namespace nifb::hse;
    Message answer = open;
    answer.type = MsgType::Response;
    OpenSession granted;
    granted.inactivityCloseTime = seconds;
    answer.body = Encode(granted);
    return answer;
}

TEST_F(HseOverTcp, ScanReadWriteAndDownloadAsTheDecoderSeesThem) {
    const std::string pcap = dir_.File("tcp.pcap");
    setenv("NIFB_PCAP", pcap.c_str(), 1);
    OpenDevice();
    EXPECT_EQ(server_->ConnectionCount(), 1u);
    nifLiveListEntry live[8];
    uint16_t count = 8;
    uint32_t total = 0;
    ASSERT_EQ(nifGetDeviceList(link_, live, &count, &total), E_OK);
    EXPECT_EQ(total, 4u);
    nifDesc_t rb = 0;
    ASSERT_EQ(nifOpenBlock(vfd_, makeIndex(0), &rb), E_OK);
    uint8_t value[64];
    uint16_t size = sizeof value;
    ASSERT_EQ(nifReadObject(rb, makeIndex(1011), value, &size), E_OK);
    EXPECT_EQ(size, 2);
    const uint8_t key = 55;
    ASSERT_EQ(nifWriteObject(rb, makeIndex(1004), &key, 1), E_OK);
    {
        int key = -1;
        segment_->WithDevice("42524B0001J0000010", [&](simulator::Device* d) { key = d->blocks[0].GetByte("ALERT_KEY", 0); });
        EXPECT_EQ(key, 55);
    }
    const uint8_t zero = 0;
    const nifError_t refused = nifWriteObject(rb, makeIndex(1004), &zero, 1);
    EXPECT_NE(refused, E_OK);
    // A domain download of several segments, each a message larger than one TCP segment of
    // the loopback's usual size would be on a wire.
    const nifError_t download = DownloadNotFirmware(vfd_);
    EXPECT_TRUE(download == E_PARAMETER_CHECK || download == E_OBJECT_STATE_CONFLICT) << download;
    ASSERT_EQ(nifClose(session_), E_OK);
    session_ = 0;
    EXPECT_EQ(server_->MalformedCount(), 0u);

    if (nifb::testing::TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed (scripts/setup.sh installs it)";
    EXPECT_EQ(nifb::testing::TsharkComplaints(pcap), "");
    // Only TCP, one connection, opened and closed; no retransmissions or gaps as tshark's
    // stream analysis sees them.
    EXPECT_TRUE(Tshark(pcap, "-Y udp -T fields -e frame.number").empty());
    EXPECT_EQ(Tshark(pcap, "-Y 'tcp.flags.syn == 1' -T fields -e frame.number").size(), 2u);
    EXPECT_EQ(Tshark(pcap, "-Y 'tcp.flags.fin == 1' -T fields -e frame.number").size(), 2u);
    EXPECT_TRUE(Tshark(pcap, "-Y 'tcp.analysis.flags' -T fields -e frame.number").empty());
    std::vector<std::string> writes =
        Tshark(pcap, "-Y 'ff.fms.write.req' -T fields -e ff.fms.write.req.idx");
    EXPECT_EQ(writes, (std::vector<std::string>{"1004", "1004"}));
    EXPECT_EQ(Tshark(pcap, "-Y 'ff.fms.write.err' -T fields -e ff.fms.write.err.additional_code"),
              std::vector<std::string>{std::to_string(refused)});
    const std::vector<std::string> reads = Tshark(pcap, "-Y 'ff.fms.read.req' -T fields -e ff.fms.read.req.idx");
    EXPECT_NE(std::find(reads.begin(), reads.end(), "1011"), reads.end());
    EXPECT_EQ(Tshark(pcap, "-Y 'ff.fda.open_sess.req' -T fields -e frame.number").size(), 1u);
    // System management on the same connection: the nodes identified for the live list.
    EXPECT_GE(Tshark(pcap, "-Y 'ff.sm.id.req' -T fields -e frame.number").size(), 4u);
    std::vector<std::string> segments = Tshark(
        pcap, "-Y 'ff.fms.gen_download_seg.req' -T fields -E separator=, -e ff.fms.gen_download_seg.req.idx "
              "-e ff.fms.gen_download_seg.req.more_follows");
    EXPECT_EQ(segments, (std::vector<std::string>{"440,1", "440,1", "440,0"}));
    // Every confirmed request answered under its message number, in order.
    std::vector<std::string> requests =
        Tshark(pcap, "-Y 'ff.hdr.confirm_msg_type == 0 && ff.hdr_srv.confirm_flag == 1' -T fields -e ff.trailer.msg_num");
    std::vector<std::string> answers = Tshark(pcap, "-Y 'ff.hdr.confirm_msg_type != 0' -T fields -e ff.trailer.msg_num");
    EXPECT_EQ(requests, answers);
    EXPECT_GT(requests.size(), 10u);
}

TEST(HseTcpTarget, TheSchemeChoosesTheTransportInTheEnvironmentAndTheRegistry) {
    nifb::hse::Target t;
    std::string problem;
    ASSERT_TRUE(nifb::hse::ParseTarget("hse+tcp://10.0.0.5", t, problem)) << problem;
    EXPECT_TRUE(t.tcp);
    EXPECT_EQ(t.port, nifb::hse::kPortFms);
    ASSERT_TRUE(nifb::hse::ParseTarget("hse://10.0.0.5:1200", t, problem)) << problem;
    EXPECT_FALSE(t.tcp);
    EXPECT_EQ(t.port, 1200);
    for (const char* bad : {"tcp://10.0.0.5", "hse+udp://10.0.0.5", "hse+tcp://", "hse+tcp://10.0.0.5:0"})
        EXPECT_FALSE(nifb::hse::ParseTarget(bad, t, problem)) << bad;
    // Without NIFB_SERVER, the registry value "Server" in the same form.
    unsetenv("NIFB_SERVER");
    auto& registry = platform::Registry::Instance();
    ASSERT_EQ(registry.SetString(platform::RegRoot::LocalMachine, nifb::kNifbRegistryKey, "Server",
                                 "hse+tcp://127.0.0.1:4321"),
              platform::REG_OK);
    ASSERT_TRUE(nifb::hse::ConfiguredTarget(t, problem)) << problem;
    EXPECT_TRUE(t.tcp);
    EXPECT_EQ(t.port, 4321);
    registry.DeleteValue(platform::RegRoot::LocalMachine, nifb::kNifbRegistryKey, "Server");
}

TEST_F(HseOverTcp, AnAbsentOrSilentDeviceIsNamedWithinTheCallLimit) {
    nifb::SetCallLimitMs(1000);
    // Nobody listening: refused at once, and the message names the address.
    uint16_t port = 0;
    int fd = LoopbackTcpSocket(port, false);
    UseDevice(port, true);
    nifDesc_t session = 0;
    auto start = Clock::now();
    EXPECT_EQ(nifOpenSession(nullptr, &session), E_SERVER_NOT_RESPONDING);
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_NE(nifb::TransportProblem().find("127.0.0.1:" + std::to_string(port)), std::string::npos)
        << nifb::TransportProblem();
    ::close(fd);
    // Connected but never answered: the open ends by the call limit.
    fd = LoopbackTcpSocket(port, true);
    UseDevice(port, true);
    start = Clock::now();
    EXPECT_EQ(nifOpenSession(nullptr, &session), E_SERVER_NOT_RESPONDING);
    EXPECT_GE(Clock::now() - start, 900ms);
    EXPECT_LT(Clock::now() - start, 2500ms);
    EXPECT_NE(nifb::TransportProblem().find("127.0.0.1:" + std::to_string(port)), std::string::npos)
        << nifb::TransportProblem();
    ::close(fd);
}

TEST_F(HseOverTcp, TheDevicesStreamIsFramedByItsLengthAndLostWhenItEnds) {
    using namespace nifb::hse;
    nifb::SetCallLimitMs(10000);
    nifDesc_t session = 0;
    nifInterfaceInfo links[4];
    uint16_t count = 4;
    {  // The answer one byte at a time, after a stray answer to another message number.
        FakeDevice device([](StreamPeer& peer) {
            Message open, next;
            if (!peer.Next(open)) return;
            Message stray = Granted(open);
            stray.messageNumber = stray.invokeId = open.messageNumber + 100;
            peer.Send(EncodeMessage(stray));
            for (uint8_t b : EncodeMessage(Granted(open))) {
                peer.Send({b});
                std::this_thread::sleep_for(1ms);
            }
            peer.Next(next);
        });
        UseDevice(device.Port(), true);
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        nifClose(session);
    }
    {  // Then a length beyond any message: the stream cannot be framed any more.
        FakeDevice device([](StreamPeer& peer) {
            Message open, next;
            if (!peer.Next(open)) return;
            peer.Send(EncodeMessage(Granted(open)));
            if (!peer.Next(next)) return;
            std::vector<uint8_t> lie = EncodeMessage(Granted(open));
            lie[8] = 0x7F;  // about 2 GB
            peer.Send(lie);
            peer.Next(next);
        });
        UseDevice(device.Port(), true);
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        const auto start = Clock::now();
        EXPECT_EQ(nifGetInterfaceList(session, &count, links), E_SERVER_CONNECTION_LOST);
        EXPECT_LT(Clock::now() - start, 1s);
        EXPECT_NE(nifb::TransportProblem().find("message length"), std::string::npos) << nifb::TransportProblem();
        nifClose(session);
    }
    {  // The connection closed with a request pending: the call ends then, not at the call
       // limit, and so does every later one.
        FakeDevice device([](StreamPeer& peer) {
            Message open, next;
            if (!peer.Next(open)) return;
            peer.Send(EncodeMessage(Granted(open)));
            peer.Next(next);
        });
        UseDevice(device.Port(), true);
        ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
        const auto start = Clock::now();
        count = 4;
        EXPECT_EQ(nifGetInterfaceList(session, &count, links), E_SERVER_CONNECTION_LOST);
        EXPECT_LT(Clock::now() - start, 1s);
        EXPECT_NE(nifb::TransportProblem().find("closed the connection"), std::string::npos)
            << nifb::TransportProblem();
        count = 4;
        EXPECT_EQ(nifGetInterfaceList(session, &count, links), E_SERVER_CONNECTION_LOST);
        nifClose(session);
    }
}

TEST_F(HseOverTcp, AQuietSessionIsKeptOpenWithFdaIdle) {
    // A device granting a 3 s inactivity close time hears an FDA Idle within a second or two
    // of quiet, and its answer keeps the session usable.
    std::promise<Clock::duration> idleAfter;
    auto after = idleAfter.get_future();
    FakeDevice device([&idleAfter](StreamPeer& peer) {
        using namespace nifb::hse;
        Message open, idle, rest;
        if (!peer.Next(open)) return idleAfter.set_value(Clock::duration::max());
        peer.Send(EncodeMessage(Granted(open, 3)));
        const auto opened = Clock::now();
        if (!peer.Next(idle, 4000) || idle.protocol != Protocol::Fda || idle.service != service::kFdaIdle)
            return idleAfter.set_value(Clock::duration::max());
        idleAfter.set_value(Clock::now() - opened);
        Message answer = idle;
        answer.type = MsgType::Response;
        answer.body.clear();
        peer.Send(EncodeMessage(answer));
        peer.Next(rest, 500);
    });
    UseDevice(device.Port(), true);
    nifDesc_t session = 0;
    ASSERT_EQ(nifOpenSession(nullptr, &session), E_OK);
    ASSERT_EQ(after.wait_for(5s), std::future_status::ready);
    const auto waited = after.get();
    EXPECT_GE(waited, 900ms);
    EXPECT_LT(waited, 2500ms);
    nifClose(session);
}

TEST_F(HseOverTcp, ACallWaitingOnASilentDeviceEndsWhenItsDescriptorCloses) {
    OpenDevice();
    std::string answer;
    ASSERT_EQ(segment_->Control(std::string(R"({"command":"silence","device":"FV-101","forMs":60000})"), answer), 0)
        << answer;
    {
        std::lock_guard<std::mutex> lock(segment_->mutex);
        segment_->responseTimeoutMs = 20000;
    }
    auto waiting = std::async(std::launch::async, [&] {
        uint8_t value[4];
        uint16_t s = sizeof value;
        return nifReadObject(vfd_, makeIndex(1004), value, &s);
    });
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(waiting.wait_for(0ms), std::future_status::timeout);
    const auto start = Clock::now();
    EXPECT_EQ(nifClose(device_), E_OK);
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(waiting.get(), E_INVALID_DESCRIPTOR);
    {
        std::lock_guard<std::mutex> lock(segment_->mutex);
        segment_->responseTimeoutMs = 400;
    }
}

TEST_F(HseOverTcp, TheServerDropsStreamsItCannotFrameAndServesSplitOnes) {
    using namespace nifb::hse;
    server_->SetStallLimitMs(300);
    std::vector<uint8_t> open = EncodeMessage(OpenRequest(1));
    auto withLength = [](std::vector<uint8_t> bytes, uint32_t length) {
        bytes[8] = static_cast<uint8_t>(length >> 24);
        bytes[9] = static_cast<uint8_t>(length >> 16);
        bytes[10] = static_cast<uint8_t>(length >> 8);
        bytes[11] = static_cast<uint8_t>(length);
        return bytes;
    };
    {  // A length beyond any message: closed without waiting for the bytes announced.
        StreamPeer peer(server_->Port());
        ASSERT_TRUE(peer.Connected());
        peer.Send(withLength(open, 16u * 1024 * 1024));
        EXPECT_TRUE(peer.ClosedWithin(1000));
    }
    {  // A length shorter than a header.
        StreamPeer peer(server_->Port());
        peer.Send(withLength(open, 5));
        EXPECT_TRUE(peer.ClosedWithin(1000));
    }
    {  // A length longer than what comes: the half frame is dropped after the stall limit.
        StreamPeer peer(server_->Port());
        peer.Send(withLength(open, static_cast<uint32_t>(open.size() + 100)));
        const auto start = Clock::now();
        EXPECT_TRUE(peer.ClosedWithin(3000));
        EXPECT_GE(Clock::now() - start, 250ms);
    }
    {  // A length shorter than the message: the rest does not frame as a message.
        StreamPeer peer(server_->Port());
        peer.Send(withLength(open, static_cast<uint32_t>(open.size() - 4)));
        EXPECT_TRUE(peer.ClosedWithin(1000));
    }
    EXPECT_GE(server_->MalformedCount(), 2u);
    {  // One byte at a time, then two requests in one write: each answered, in order.
        StreamPeer peer(server_->Port());
        for (uint8_t b : open) {
            peer.Send({b});
            std::this_thread::sleep_for(1ms);
        }
        Message answer;
        ASSERT_TRUE(peer.Next(answer));
        EXPECT_EQ(answer.type, MsgType::Response);
        EXPECT_EQ(answer.messageNumber, 1u);
        Message identify;
        identify.protocol = Protocol::Sm;
        identify.service = service::kSmIdentify;
        identify.messageNumber = identify.invokeId = 2;
        std::vector<uint8_t> two = EncodeMessage(identify);
        identify.messageNumber = identify.invokeId = 3;
        const std::vector<uint8_t> three = EncodeMessage(identify);
        two.insert(two.end(), three.begin(), three.end());
        peer.Send(two);
        ASSERT_TRUE(peer.Next(answer));
        EXPECT_EQ(answer.messageNumber, 2u);
        ASSERT_TRUE(peer.Next(answer));
        EXPECT_EQ(answer.messageNumber, 3u);
        EXPECT_EQ(answer.type, MsgType::Response);
        EXPECT_EQ(server_->SessionCount(), 1u);
    }
    // Closing the connection ends its session.
    for (int i = 0; i < 50 && server_->SessionCount() > 0; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(server_->SessionCount(), 0u);
    // Connections beyond the bound are closed at once; those within it stay.
    std::vector<std::unique_ptr<StreamPeer>> peers;
    for (size_t i = 0; i < simulator::hse::kMaxConnections; ++i)
        peers.push_back(std::make_unique<StreamPeer>(server_->Port()));
    for (int i = 0; i < 50 && server_->ConnectionCount() < simulator::hse::kMaxConnections; ++i)
        std::this_thread::sleep_for(20ms);
    StreamPeer extra(server_->Port());
    EXPECT_TRUE(extra.ClosedWithin(1000));
    EXPECT_FALSE(peers.back()->ClosedWithin(100));
    EXPECT_EQ(server_->ConnectionCount(), simulator::hse::kMaxConnections);
}

}  // namespace
