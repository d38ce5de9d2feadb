#pragma once
// Big-endian fields as HSE messages carry them: a writer that appends, and a reader that
// refuses to read past the bytes it was given.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace nifb::hse {

class WireWriter {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v >> 8));
        U8(static_cast<uint8_t>(v));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v >> 16));
        U16(static_cast<uint16_t>(v));
    }
    void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void Raw(const std::vector<uint8_t>& v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
    // A fixed-width text field, blank padded (longer text is cut).
    void Text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : ' ');
    }
    std::vector<uint8_t>& Data() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

class WireReader {
public:
    WireReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    explicit WireReader(const std::vector<uint8_t>& v) : p_(v.data()), n_(v.size()) {}
    bool U8(uint8_t& v) {
        if (n_ - pos_ < 1) return false;
        v = p_[pos_++];
        return true;
    }
    bool U16(uint16_t& v) {
        if (n_ - pos_ < 2) return false;
        v = static_cast<uint16_t>((p_[pos_] << 8) | p_[pos_ + 1]);
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t& v) {
        if (n_ - pos_ < 4) return false;
        v = (static_cast<uint32_t>(p_[pos_]) << 24) | (static_cast<uint32_t>(p_[pos_ + 1]) << 16) |
            (static_cast<uint32_t>(p_[pos_ + 2]) << 8) | p_[pos_ + 3];
        pos_ += 4;
        return true;
    }
    bool Skip(size_t n) {
        if (n_ - pos_ < n) return false;
        pos_ += n;
        return true;
    }
    // A fixed-width text field; trailing blanks and NULs are dropped.
    bool Text(std::string& out, size_t width) {
        if (n_ - pos_ < width) return false;
        out.assign(reinterpret_cast<const char*>(p_ + pos_), width);
        pos_ += width;
        while (!out.empty() && (out.back() == ' ' || out.back() == '\0')) out.pop_back();
        return true;
    }
    // Everything that is left.
    void Rest(std::vector<uint8_t>& out) {
        out.assign(p_ + pos_, p_ + n_);
        pos_ = n_;
    }
    bool AtEnd() const { return pos_ == n_; }
    size_t Remaining() const { return n_ - pos_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

}  // namespace nifb::hse
