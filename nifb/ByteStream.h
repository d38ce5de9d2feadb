#pragma once
// Little helpers to put numbers, texts and byte blocks into a buffer and take them out
// again with bounds checks. Numbers are stored little-endian; the reader reports failure
// instead of reading past the end.
#include <cstdint>
#include <string>
#include <vector>

namespace nifb {

class ByteWriter {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void Bytes(const void* data, size_t n) {
        U32(static_cast<uint32_t>(n));
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
    }
    void Text(const std::string& s) { Bytes(s.data(), s.size()); }
    std::vector<uint8_t>& Data() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& v) : p_(v.data()), n_(v.size()) {}
    bool U8(uint8_t& v) {
        if (pos_ + 1 > n_) return false;
        v = p_[pos_++];
        return true;
    }
    bool U16(uint16_t& v) {
        uint8_t a, b;
        if (!U8(a) || !U8(b)) return false;
        v = static_cast<uint16_t>(a | (b << 8));
        return true;
    }
    bool U32(uint32_t& v) {
        uint16_t a, b;
        if (!U16(a) || !U16(b)) return false;
        v = static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 16);
        return true;
    }
    bool Bytes(std::vector<uint8_t>& out) {
        uint32_t len;
        if (!U32(len) || len > n_ - pos_) return false;
        out.assign(p_ + pos_, p_ + pos_ + len);
        pos_ += len;
        return true;
    }
    bool Text(std::string& out) {
        uint32_t len;
        if (!U32(len) || len > n_ - pos_) return false;
        out.assign(reinterpret_cast<const char*>(p_ + pos_), len);
        pos_ += len;
        return true;
    }
    bool AtEnd() const { return pos_ == n_; }
    size_t Remaining() const { return n_ - pos_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

}  // namespace nifb
