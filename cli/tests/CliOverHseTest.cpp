// tessaro-cli reaching the segment through the simulator playing a linking device, its
// messages captured and read back by the public decoder (tshark).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CliOnServer.h"
#include "CliRunner.h"
#include "nifb/tests/TsharkReader.h"

namespace clitest {
namespace {

using ::testing::HasSubstr;

class CliOverHse : public CliOnServer {
protected:
    CliOverHse() { overHse_ = true; }
};

TEST_F(CliOverHse, ScanListsTheLinkThroughTheLinkingDeviceAsTheDecoderSeesIt) {
    const std::string pcap = dir_.File("scan.pcap");
    setenv("NIFB_PCAP", pcap.c_str(), 1);
    CliResult r = Cli({"scan"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {"FV-101  0x14 (20)  42524B0001J0000010", "FV-102  0x15 (21)  42524B0007J0000021",
                             "KV-201  0x16 (22)", "KV-202  0x17 (23)", "PT-301  0x18 (24)"})
        EXPECT_THAT(r.out, HasSubstr(line));

    if (nifb::testing::TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed (scripts/setup.sh installs it)";
    EXPECT_EQ(nifb::testing::TsharkComplaints(pcap), "");
    // Each device was identified on link 1 at its node address (FDA address link.node.selector).
    std::vector<std::string> identified = nifb::testing::Tshark(
        pcap, "-Y 'ff.sm.id.rsp.pd_tag && ff.hdr.fda_addr != 0' -T fields -E separator=, -e ff.hdr.fda_addr "
              "-e ff.sm.id.rsp.pd_tag");
    std::string all;
    for (const std::string& l : identified) all += l + "\n";
    for (const char* device : {"0x00011400,FV-101", "0x00011500,FV-102", "0x00011600,KV-201", "0x00011700,KV-202",
                               "0x00011800,PT-301"})
        EXPECT_THAT(all, HasSubstr(device));
    // The block directory of FV-101's function-block VFD, then its resource block record.
    std::vector<std::string> reads = nifb::testing::Tshark(
        pcap, "-Y 'ff.fms.read.req && ff.hdr.fda_addr == 0x00011402' -T fields -e ff.fms.read.req.idx");
    ASSERT_GE(reads.size(), 2u);
    EXPECT_EQ(reads[0], "256");
    EXPECT_EQ(reads[1], "1000");
    // Every confirmed request was answered under its message number.
    EXPECT_EQ(nifb::testing::Tshark(pcap, "-Y 'ff.hdr.confirm_msg_type == 0 && ff.hdr_srv.confirm_flag == 1' "
                                          "-T fields -e ff.trailer.msg_num"),
              nifb::testing::Tshark(pcap, "-Y 'ff.hdr.confirm_msg_type != 0' -T fields -e ff.trailer.msg_num"));
}

TEST_F(CliOverHse, AnAbsentLinkingDeviceIsNamedByItsAddress) {
    // A port nobody reads: requests vanish, the call limit ends the wait.
    setenv("NIFB_SERVER", "hse://127.0.0.1:9", 1);
    setenv("NIFB_CALL_LIMIT_MS", "1000", 1);
    CliResult r = Cli({"scan"});
    unsetenv("NIFB_CALL_LIMIT_MS");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_THAT(r.err, HasSubstr("linking device at 127.0.0.1:9"));
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("Fieldbus server")));
}

TEST_F(CliOverHse, TheLinkingDeviceAndTheCaptureAreAlsoOptionsAndTcpIsTakenThroughThem) {
    const std::string port = HsePort();
    unsetenv("NIFB_SERVER");
    // Without a linking device there are no FF frames to keep: a usage error, nothing run.
    CliResult refused = Cli({"scan", "--pcap", dir_.File("none.pcap")});
    EXPECT_EQ(refused.exitCode, 64);
    EXPECT_THAT(refused.err, HasSubstr("--pcap logs the frames exchanged with a linking device"));
    CliResult bad = Cli({"scan", "--linking-device", "300.1.2.3"});
    EXPECT_EQ(bad.exitCode, 64);
    EXPECT_THAT(bad.err, HasSubstr("--linking-device 300.1.2.3"));

    const std::string pcap = dir_.File("get.pcap");
    CliResult r = Cli({"get", "FV-101", "TB.FINAL_VALUE", "--linking-device", "hse+tcp://127.0.0.1:" + port, "--pcap",
                       pcap, "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("FINAL_VALUE"));
    if (nifb::testing::TsharkPath().empty()) GTEST_SKIP() << "tshark is not installed (scripts/setup.sh installs it)";
    EXPECT_EQ(nifb::testing::TsharkComplaints(pcap), "");
    // The run went over TCP only (a connection per session of the program), and FV-101's
    // values were read by FMS.
    const std::vector<std::string> connections =
        nifb::testing::Tshark(pcap, "-Y 'tcp.flags.syn == 1 && tcp.flags.ack == 0' -T fields -e tcp.dstport");
    EXPECT_FALSE(connections.empty());
    EXPECT_THAT(connections, ::testing::Each(std::string("1090")));
    EXPECT_FALSE(nifb::testing::Tshark(pcap, "-Y 'ff.fms.read.rsp' -T fields -e ff.trailer.msg_num").empty());
    EXPECT_TRUE(nifb::testing::Tshark(pcap, "-Y udp -T fields -e frame.number").empty());
}

}  // namespace
}  // namespace clitest
