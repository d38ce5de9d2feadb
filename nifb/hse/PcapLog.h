#pragma once
// A capture of the HSE messages a session sends and receives, in the pcap format with raw
// IPv4 frames (link type 101): each message gets an IPv4 and a UDP header with the real
// addresses and ports, so a capture reader dissects it as it would on the wire. A session
// over TCP gets TCP segments instead, numbered by the caller (TcpFlow) as the stream was. The file
// grows as FILE.part, flushed after every frame, and is renamed to FILE when the last
// session using it ends; a later session of the same process adds to it. It stops growing
// at kMaxPcapBytes.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nifb::hse {

constexpr uint64_t kMaxPcapBytes = 256ull * 1024 * 1024;

struct Endpoint {
    uint32_t ip = 0;  // host byte order
    uint16_t port = 0;
};

class PcapLog {
public:
    // The log for `path`, shared by every session of this process that writes to it;
    // nullptr (with `error` set) when the file cannot be created.
    static std::shared_ptr<PcapLog> Open(const std::string& path, std::string& error);
    ~PcapLog();

    void Udp(const Endpoint& from, const Endpoint& to, const std::vector<uint8_t>& payload);
    void Tcp(const Endpoint& from, const Endpoint& to, uint32_t seq, uint32_t ack, uint8_t flags,
             const std::vector<uint8_t>& payload);
    uint64_t Frames() const;

private:
    PcapLog(std::string path, std::FILE* file);
    void Write(const std::vector<uint8_t>& frame);  // under mutex_
    std::string path_;
    mutable std::mutex mutex_;
    std::FILE* file_;
    uint64_t bytes_ = 0;
    uint64_t frames_ = 0;
    uint16_t ipId_ = 0;
    bool full_ = false;
};

// One IPv4 + UDP datagram carrying `payload` (checksums filled in).
std::vector<uint8_t> Ipv4UdpFrame(const Endpoint& from, const Endpoint& to, const std::vector<uint8_t>& payload,
                                  uint16_t ipId);

namespace tcp_flag {
constexpr uint8_t kFin = 0x01, kSyn = 0x02, kPsh = 0x08, kAck = 0x10;
}
// One IPv4 + TCP segment carrying `payload` (checksums filled in, no options).
std::vector<uint8_t> Ipv4TcpFrame(const Endpoint& from, const Endpoint& to, uint32_t seq, uint32_t ack, uint8_t flags,
                                  const std::vector<uint8_t>& payload, uint16_t ipId);

// The sequence numbers of one TCP connection as a capture shows it: the handshake, each
// message as one segment acknowledging all the other side sent, and the close.
class TcpFlow {
public:
    TcpFlow(std::shared_ptr<PcapLog> log, Endpoint client, Endpoint server);
    void Open();
    void Data(bool fromClient, const std::vector<uint8_t>& payload);
    void Close();

private:
    std::shared_ptr<PcapLog> log_;
    Endpoint client_, server_;
    uint32_t clientSeq_, serverSeq_;
    bool open_ = false;
};

}  // namespace nifb::hse
