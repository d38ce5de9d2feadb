// The HSE codec: every service round-trips, hostile datagrams are refused without reading
// outside them, and what we encode is what the public decoder (tshark) reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "nifb/hse/FdaMessage.h"
#include "nifb/hse/FdaServices.h"
#include "nifb/hse/PcapLog.h"
#include "nifb/nifb.h"
#include "nifb/tests/TsharkReader.h"
#include "platform/testing/TempDir.h"

namespace {

using namespace nifb::hse;

Message Make(Protocol p, MsgType t, uint8_t service, std::vector<uint8_t> body, uint32_t fda = 0,
             bool confirmed = true) {
    Message m;
    m.protocol = p;
    m.type = t;
    m.service = service;
    m.confirmed = confirmed;
    m.fdaAddress = fda;
    m.body = std::move(body);
    return m;
}

// One message of every kind the library and the simulator exchange, with known values.
std::vector<Message> EveryMessage() {
    std::vector<Message> all;
    OpenSession open;
    open.sessionIndex = 7;
    open.maxBufferSize = 65000;
    open.maxMessageLength = 65000;
    open.inactivityCloseTime = 60;
    open.pdTag = "HOST";
    all.push_back(Make(Protocol::Fda, MsgType::Request, service::kFdaOpenSession, Encode(open)));
    all.push_back(Make(Protocol::Fda, MsgType::Response, service::kFdaOpenSession, Encode(open)));
    all.push_back(Make(Protocol::Fda, MsgType::Request, service::kFdaIdle, {}));
    all.push_back(Make(Protocol::Fda, MsgType::Response, service::kFdaIdle, {}));
    all.push_back(Make(Protocol::Sm, MsgType::Request, service::kSmIdentify, {}));
    IdentifyResponse ld;
    ld.deviceType = kDeviceTypeLinkingDevice;
    ld.pdTag = "LD-1";
    ld.deviceId = "SIMULATED LINKING DEVICE";
    ld.entries = LinkEntries({1, 2});
    all.push_back(Make(Protocol::Sm, MsgType::Response, service::kSmIdentify, Encode(ld)));
    IdentifyResponse live;
    live.entries = NodeEntries({{20, 1}, {21, 7}, {22, 3}});
    all.push_back(Make(Protocol::Sm, MsgType::Response, service::kSmIdentify, Encode(live), FdaAddress(1, 0, 0)));
    FindTagQuery query;
    query.tag = "FV-101";
    all.push_back(Make(Protocol::Sm, MsgType::Request, service::kSmFindTagQuery, Encode(query), 0, false));
    FindTagReply reply;
    reply.nodeAddress = 20;
    reply.linkId = 1;
    reply.pdTag = "FV-101";
    reply.deviceId = "0011223344";
    all.push_back(Make(Protocol::Sm, MsgType::Request, service::kSmFindTagReply, Encode(reply), 0, false));
    ClearAddress clear{"0011223344", "FV-101", 0};
    all.push_back(Make(Protocol::Sm, MsgType::Request, service::kSmClearAddress, Encode(clear), FdaAddress(1, 20, 0)));
    all.push_back(Make(Protocol::Sm, MsgType::Response, service::kSmClearAddress, {}, FdaAddress(1, 20, 0)));
    SetAssignment assign;
    assign.deviceId = "0011223344";
    assign.pdTag = "FV-102";
    assign.newAddress = 30;
    all.push_back(Make(Protocol::Sm, MsgType::Request, service::kSmSetAssignment, Encode(assign), FdaAddress(1, 20, 0)));
    all.push_back(Make(Protocol::Sm, MsgType::Response, service::kSmSetAssignment, Encode(SetAssignmentResponse{}),
                       FdaAddress(1, 20, 0)));
    all.push_back(Make(Protocol::Sm, MsgType::Request, service::kSmClearAssignment,
                       Encode(ClearAssignment{"0011223344", "FV-101"}), FdaAddress(1, 20, 0)));
    all.push_back(Make(Protocol::Sm, MsgType::Response, service::kSmClearAssignment, {}, FdaAddress(1, 20, 0)));
    FmsInitiate init;
    init.pdTag = "FV-101";
    const uint32_t fb = FdaAddress(1, 20, kSelectorFbVfd);
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsInitiate, Encode(init), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsInitiate, Encode(FmsInitiateResponse{1, 2}), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsAbort, Encode(FmsAbort{1, 2}), fb, false));
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsIdentify, {}, fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsIdentify,
                       Encode(FmsIdentity{"Vendor", "Model", "Rev 1"}), fb));
    ObjectAccess read{1005, 0, false, {}};
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsRead, EncodeRead(read), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsRead, {0x12, 0x34}, fb));
    ObjectAccess readSub{1005, 2, true, {}};
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsReadWithSubindex, EncodeRead(readSub), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsReadWithSubindex, {0x08}, fb));
    ObjectAccess write{1006, 0, false, {0x42, 0xC8, 0, 0}};
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsWrite, EncodeWrite(write), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsWrite, {}, fb));
    ObjectAccess writeSub{1005, 1, true, {0x08}};
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsWriteWithSubindex, EncodeWrite(writeSub), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsWriteWithSubindex, {}, fb));
    all.push_back(Make(Protocol::Fms, MsgType::Error, service::kFmsWrite, Encode(ErrorForStatus(E_WRONG_MODE_FOR_REQUEST)), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsGetOd, Encode(GetOdRequest{1005}), fb));
    ObjectDescription od{1005, 9, 69, 4, {{0, 7, 5, 1}, {0, 7, 5, 1}}};
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsGetOd, Encode(od), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsGenericInitiateDownload, EncodeIndex(300), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsGenericInitiateDownload, {}, fb));
    DownloadSegment seg{300, true, {1, 2, 3, 4, 5}};
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsGenericDownloadSegment, Encode(seg), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsGenericDownloadSegment, {}, fb));
    all.push_back(Make(Protocol::Fms, MsgType::Request, service::kFmsGenericTerminateDownload, EncodeIndex(300), fb));
    all.push_back(Make(Protocol::Fms, MsgType::Response, service::kFmsGenericTerminateDownload, EncodeFinalResult(0), fb));
    for (size_t i = 0; i < all.size(); ++i) {
        all[i].messageNumber = static_cast<uint32_t>(100 + i);
        all[i].invokeId = static_cast<uint32_t>(i);
    }
    return all;
}

TEST(HseCodec, EveryServiceRoundTrips) {
    for (const Message& m : EveryMessage()) {
        std::vector<uint8_t> bytes = EncodeMessage(m);
        Message back;
        std::string why;
        ASSERT_TRUE(DecodeMessage(bytes.data(), bytes.size(), back, why)) << Describe(m) << ": " << why;
        EXPECT_EQ(back.protocol, m.protocol);
        EXPECT_EQ(back.type, m.type);
        EXPECT_EQ(back.service, m.service);
        EXPECT_EQ(back.confirmed, m.confirmed);
        EXPECT_EQ(back.fdaAddress, m.fdaAddress);
        EXPECT_EQ(back.messageNumber, m.messageNumber);
        EXPECT_EQ(back.invokeId, m.invokeId);
        EXPECT_EQ(back.body, m.body) << Describe(m);
    }
    IdentifyResponse live;
    live.entries = NodeEntries({{20, 1}, {21, 7}, {22, 3}});
    IdentifyResponse back;
    ASSERT_TRUE(Decode(Encode(live), back));
    EXPECT_EQ(NodesOf(back.entries), (std::vector<NodeVersion>{{20, 1}, {21, 7}, {22, 3}}));
    ObjectAccess w;
    ASSERT_TRUE(DecodeWrite(EncodeWrite({1005, 1, true, {8}}), true, w));
    EXPECT_EQ(w.index, 1005u);
    EXPECT_EQ(w.subindex, 1u);
    EXPECT_EQ(w.data, (std::vector<uint8_t>{8}));
    ErrorInfo e;
    ASSERT_TRUE(Decode(Encode(ErrorForStatus(E_WRONG_MODE_FOR_REQUEST)), e));
    EXPECT_EQ(StatusForError(e), E_WRONG_MODE_FOR_REQUEST);
    e.additionalCode = 1234;  // a device's own detail: class and code decide
    e.errorClass = 6;
    e.errorCode = 7;
    EXPECT_EQ(StatusForError(e), E_NOT_FOUND);
}

TEST(HseCodec, HostileDatagramsAreRefused) {
    std::mt19937 random(12345);
    for (const Message& m : EveryMessage()) {
        const std::vector<uint8_t> good = EncodeMessage(m);
        Message out;
        std::string why;
        // Every truncation: the length field no longer matches, never a read past the end.
        for (size_t n = 0; n < good.size(); ++n) {
            std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
            EXPECT_FALSE(DecodeMessage(cut.data(), cut.size(), out, why)) << Describe(m) << " cut to " << n;
        }
        // A length field that claims more or less than the datagram holds.
        std::vector<uint8_t> lying = good;
        lying[11] = static_cast<uint8_t>(lying[11] + 1);
        EXPECT_FALSE(DecodeMessage(lying.data(), lying.size(), out, why));
        // Random bytes flipped: whatever decodes, the body decoders stay inside it.
        for (int k = 0; k < 50; ++k) {
            std::vector<uint8_t> bent = good;
            bent[random() % bent.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            if (!DecodeMessage(bent.data(), bent.size(), out, why)) continue;
            IdentifyResponse id;
            ObjectDescription od;
            FindTagReply reply;
            DownloadSegment seg;
            Decode(out.body, id);
            Decode(out.body, od);
            Decode(out.body, reply);
            Decode(out.body, seg);
        }
    }
    // Counts in a body are bounded by the bytes really there.
    IdentifyResponse id;
    id.entries = LinkEntries({1});
    std::vector<uint8_t> body = Encode(id);
    body[body.size() - 5] = 0x7F;  // entry count's low byte: far more entries than bytes
    IdentifyResponse out;
    out.pdTag = "untouched";
    EXPECT_FALSE(Decode(body, out));
    EXPECT_EQ(out.pdTag, "untouched");
}

TEST(HseCodec, CaptureOfLaterSessionsAddsToTheFile) {
    platform::testing::TempDir dir;
    const std::string pcap = dir.File("two.pcap");
    const std::vector<uint8_t> idle = EncodeMessage(Make(Protocol::Fda, MsgType::Request, service::kFdaIdle, {}));
    for (int session = 0; session < 2; ++session) {
        std::string error;
        auto log = PcapLog::Open(pcap, error);
        ASSERT_TRUE(log) << error;
        log->Udp({0x7F000001, 40000}, {0x7F000002, kPortFms}, idle);
    }
    std::string bytes;
    {
        FILE* f = std::fopen(pcap.c_str(), "rb");
        ASSERT_TRUE(f);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    // One file header, two records of an IPv4 + UDP frame each.
    EXPECT_EQ(bytes.size(), 24 + 2 * (16 + 20 + 8 + idle.size()));
}

TEST(HseCodec, PublicDecoderReadsWhatWeEncode) {
    if (nifb::testing::TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed (scripts/setup.sh installs it)";
    platform::testing::TempDir dir;
    const std::string pcap = getenv("HSE_KEEP_PCAP") ? getenv("HSE_KEEP_PCAP") : dir.File("codec.pcap");
    const std::vector<Message> all = EveryMessage();
    {
        std::string error;
        auto log = PcapLog::Open(pcap, error);
        ASSERT_TRUE(log) << error;
        const Endpoint host{0x7F000001, 40000}, device{0x7F000002, 0};
        for (const Message& m : all) {
            Endpoint ld = device;
            ld.port = PortFor(m.protocol);
            if (m.type == MsgType::Request) log->Udp(host, ld, EncodeMessage(m));
            else log->Udp(ld, host, EncodeMessage(m));
        }
    }
    EXPECT_EQ(nifb::testing::TsharkComplaints(pcap), "");
    std::vector<std::string> lines = nifb::testing::Tshark(
        pcap, "-T fields -E separator=, -e ff.hdr.proto_id -e ff.hdr.confirm_msg_type -e ff.hdr_srv "
              "-e ff.hdr.fda_addr -e ff.trailer.msg_num -e _ws.col.Info");
    ASSERT_EQ(lines.size(), all.size());
    for (size_t i = 0; i < all.size(); ++i) {
        const Message& m = all[i];
        char serviceByte[8];
        std::snprintf(serviceByte, sizeof serviceByte, "0x%02x", (m.confirmed ? 0x80 : 0) | m.service);
        const std::string expected = std::to_string(static_cast<int>(m.protocol) >> 2) + "," +
                                     std::to_string(static_cast<int>(m.type)) + "," + serviceByte;
        EXPECT_EQ(lines[i].rfind(expected + ",", 0), 0u) << lines[i] << " for " << Describe(m);
        EXPECT_NE(lines[i].find("," + std::to_string(m.messageNumber) + ","), std::string::npos) << lines[i];
        EXPECT_NE(lines[i].find(Describe(m)), std::string::npos) << lines[i];
    }
    // Field values as the decoder reads them.
    std::vector<std::string> values = nifb::testing::Tshark(
        pcap, "-Y 'ff.fms.write_with_subidx.req || ff.fms.read_with_subidx.req || ff.sm.id.rsp.h1_live_list.h1_link_id'"
              " -T fields -E separator=, -e ff.fms.write_with_subidx.req.idx -e ff.fms.write_with_subidx.req.subidx "
              "-e ff.fms.read_with_subidx.req.idx -e ff.fms.read_with_subidx.req.subidx "
              "-e ff.sm.id.rsp.h1_live_list.h1_link_id -E 'aggregator=;'");
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], ",,,,1;2") << "link ids of the linking device";
    EXPECT_EQ(values[1], ",,1005,2,");
    EXPECT_EQ(values[2], "1005,1,,,");

    // The check itself notices bytes a message should not have.
    const std::string bad = dir.File("bad.pcap");
    {
        std::string error;
        auto log = PcapLog::Open(bad, error);
        ASSERT_TRUE(log) << error;
        log->Udp({0x7F000001, 40000}, {0x7F000002, kPortFms},
                 EncodeMessage(Make(Protocol::Fda, MsgType::Request, service::kFdaIdle, {0, 0})));
    }
    EXPECT_NE(nifb::testing::TsharkComplaints(bad), "");
}

}  // namespace
