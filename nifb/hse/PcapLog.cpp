#include "nifb/hse/PcapLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "nifb/hse/WireBytes.h"

namespace nifb::hse {
namespace {

constexpr uint32_t kLinkTypeRaw = 101;
constexpr size_t kMaxUdpPayload = 65507;
constexpr size_t kMaxTcpPayload = 65495;

std::mutex g_openMutex;
std::weak_ptr<PcapLog> g_open;
std::string g_openPath;
std::set<std::string> g_written;  // captures this process wrote: a later session adds to them

uint16_t Checksum(const uint8_t* p, size_t n, uint32_t sum = 0) {
    for (size_t i = 0; i + 1 < n; i += 2) sum += static_cast<uint32_t>((p[i] << 8) | p[i + 1]);
    if (n % 2) sum += static_cast<uint32_t>(p[n - 1] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

std::vector<uint8_t> Ipv4UdpFrame(const Endpoint& from, const Endpoint& to, const std::vector<uint8_t>& payload,
                                  uint16_t ipId) {
    const size_t n = std::min(payload.size(), kMaxUdpPayload);
    const uint16_t udpLength = static_cast<uint16_t>(8 + n);
    WireWriter w;
    w.U8(0x45);  // IPv4, 20-byte header
    w.U8(0);
    w.U16(static_cast<uint16_t>(20 + udpLength));
    w.U16(ipId);
    w.U16(0x4000);  // don't fragment
    w.U8(64);       // time to live
    w.U8(17);       // UDP
    w.U16(0);       // header checksum, below
    w.U32(from.ip);
    w.U32(to.ip);
    w.U16(from.port);
    w.U16(to.port);
    w.U16(udpLength);
    w.U16(0);  // UDP checksum, below
    w.Data().insert(w.Data().end(), payload.begin(), payload.begin() + static_cast<long>(n));
    std::vector<uint8_t>& f = w.Data();
    const uint16_t ipSum = Checksum(f.data(), 20);
    f[10] = static_cast<uint8_t>(ipSum >> 8);
    f[11] = static_cast<uint8_t>(ipSum);
    // The UDP checksum covers a pseudo header: addresses, protocol and UDP length.
    uint32_t pseudo = (from.ip >> 16) + (from.ip & 0xFFFF) + (to.ip >> 16) + (to.ip & 0xFFFF) + 17 + udpLength;
    uint16_t udpSum = Checksum(f.data() + 20, udpLength, pseudo);
    if (udpSum == 0) udpSum = 0xFFFF;
    f[26] = static_cast<uint8_t>(udpSum >> 8);
    f[27] = static_cast<uint8_t>(udpSum);
    return std::move(f);
}

std::vector<uint8_t> Ipv4TcpFrame(const Endpoint& from, const Endpoint& to, uint32_t seq, uint32_t ack, uint8_t flags,
                                  const std::vector<uint8_t>& payload, uint16_t ipId) {
    const size_t n = std::min(payload.size(), kMaxTcpPayload);
    const uint16_t tcpLength = static_cast<uint16_t>(20 + n);
    WireWriter w;
    w.U8(0x45);
    w.U8(0);
    w.U16(static_cast<uint16_t>(20 + tcpLength));
    w.U16(ipId);
    w.U16(0x4000);
    w.U8(64);
    w.U8(6);  // TCP
    w.U16(0);
    w.U32(from.ip);
    w.U32(to.ip);
    w.U16(from.port);
    w.U16(to.port);
    w.U32(seq);
    w.U32(ack);
    w.U8(5 << 4);  // 20-byte header
    w.U8(flags);
    w.U16(65535);  // window
    w.U16(0);      // checksum, below
    w.U16(0);      // urgent pointer
    w.Data().insert(w.Data().end(), payload.begin(), payload.begin() + static_cast<long>(n));
    std::vector<uint8_t>& f = w.Data();
    const uint16_t ipSum = Checksum(f.data(), 20);
    f[10] = static_cast<uint8_t>(ipSum >> 8);
    f[11] = static_cast<uint8_t>(ipSum);
    uint32_t pseudo = (from.ip >> 16) + (from.ip & 0xFFFF) + (to.ip >> 16) + (to.ip & 0xFFFF) + 6 + tcpLength;
    const uint16_t tcpSum = Checksum(f.data() + 20, tcpLength, pseudo);
    f[36] = static_cast<uint8_t>(tcpSum >> 8);
    f[37] = static_cast<uint8_t>(tcpSum);
    return std::move(f);
}

TcpFlow::TcpFlow(std::shared_ptr<PcapLog> log, Endpoint client, Endpoint server)
    : log_(std::move(log)), client_(client), server_(server),
      // Initial sequence numbers of each side; any will do, these make the capture reproducible.
      clientSeq_(0x10000000u ^ client.port), serverSeq_(0x20000000u ^ server.port) {}

void TcpFlow::Open() {
    if (!log_ || open_) return;
    using namespace tcp_flag;
    log_->Tcp(client_, server_, clientSeq_++, 0, kSyn, {});
    log_->Tcp(server_, client_, serverSeq_++, clientSeq_, kSyn | kAck, {});
    log_->Tcp(client_, server_, clientSeq_, serverSeq_, kAck, {});
    open_ = true;
}

void TcpFlow::Data(bool fromClient, const std::vector<uint8_t>& payload) {
    if (!log_ || !open_ || payload.empty()) return;
    const size_t n = std::min(payload.size(), kMaxTcpPayload);
    const uint8_t flags = tcp_flag::kPsh | tcp_flag::kAck;
    if (fromClient) {
        log_->Tcp(client_, server_, clientSeq_, serverSeq_, flags, payload);
        clientSeq_ += static_cast<uint32_t>(n);
    } else {
        log_->Tcp(server_, client_, serverSeq_, clientSeq_, flags, payload);
        serverSeq_ += static_cast<uint32_t>(n);
    }
}

void TcpFlow::Close() {
    if (!log_ || !open_) return;
    using namespace tcp_flag;
    log_->Tcp(client_, server_, clientSeq_++, serverSeq_, kFin | kAck, {});
    log_->Tcp(server_, client_, serverSeq_++, clientSeq_, kFin | kAck, {});
    log_->Tcp(client_, server_, clientSeq_, serverSeq_, kAck, {});
    open_ = false;
}

std::shared_ptr<PcapLog> PcapLog::Open(const std::string& path, std::string& error) {
    std::lock_guard<std::mutex> lock(g_openMutex);
    if (auto open = g_open.lock(); open && g_openPath == path) return open;
    const std::string part = path + ".part";
    // A capture this process finished before (an earlier session) goes on growing.
    const bool resume = g_written.count(path) && std::rename(path.c_str(), part.c_str()) == 0;
    int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | (resume ? O_APPEND : O_TRUNC) | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot create " + part + ": " + std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        error = "cannot write " + part;
        return nullptr;
    }
    std::vector<uint8_t> header;
    struct stat st {};
    const uint64_t already = resume && ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    std::shared_ptr<PcapLog> log(new PcapLog(path, file));
    g_open = log;
    g_openPath = path;
    g_written.insert(path);
    if (already > 0) {
        log->bytes_ = already;
        return log;
    }
    PutLe32(header, 0xA1B2C3D4);
    PutLe16(header, 2);
    PutLe16(header, 4);
    PutLe32(header, 0);
    PutLe32(header, 0);
    PutLe32(header, 65535);
    PutLe32(header, kLinkTypeRaw);
    std::fwrite(header.data(), 1, header.size(), file);
    std::fflush(file);
    log->bytes_ = header.size();
    return log;
}

PcapLog::PcapLog(std::string path, std::FILE* file) : path_(std::move(path)), file_(file) {}

PcapLog::~PcapLog() {
    std::fclose(file_);
    const std::string part = path_ + ".part";
    std::rename(part.c_str(), path_.c_str());
}

void PcapLog::Udp(const Endpoint& from, const Endpoint& to, const std::vector<uint8_t>& payload) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (full_) return;
    Write(Ipv4UdpFrame(from, to, payload, ipId_++));
}

void PcapLog::Tcp(const Endpoint& from, const Endpoint& to, uint32_t seq, uint32_t ack, uint8_t flags,
                  const std::vector<uint8_t>& payload) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (full_) return;
    Write(Ipv4TcpFrame(from, to, seq, ack, flags, payload, ipId_++));
}

void PcapLog::Write(const std::vector<uint8_t>& frame) {
    if (bytes_ + 16 + frame.size() > kMaxPcapBytes) {
        full_ = true;
        return;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    std::vector<uint8_t> record;
    PutLe32(record, static_cast<uint32_t>(us / 1000000));
    PutLe32(record, static_cast<uint32_t>(us % 1000000));
    PutLe32(record, static_cast<uint32_t>(frame.size()));
    PutLe32(record, static_cast<uint32_t>(frame.size()));
    record.insert(record.end(), frame.begin(), frame.end());
    if (std::fwrite(record.data(), 1, record.size(), file_) != record.size()) full_ = true;
    std::fflush(file_);
    bytes_ += record.size();
    ++frames_;
}

uint64_t PcapLog::Frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

}  // namespace nifb::hse
