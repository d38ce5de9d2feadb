#pragma once
// The byte encodings of signature files, written once for both directions: an archive either
// stores (items are appended to a byte buffer) or loads (items are read from a byte buffer).
//
//   u32, i32   4 bytes little-endian;  f32, f64  IEEE little-endian
//   text       length, then the characters without terminator. The length takes one byte
//              when below 255; else the byte 0xFF and a u16 when below 65535; else 0xFF,
//              the u16 0xFFFF and a u32.
//   points     u32 holding the number of points - 1 (0xFFFFFFFF: none), then per point
//              x f32, y f32, flag u32.
//
// Loading is fuzz-safe: every length and count is checked against the bytes that remain
// before anything is allocated; the first failure makes the archive fail and later reads do
// nothing. A failed read leaves its variable untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "graphs/CFloatPT.h"

namespace diagnostics {

class SignatureArchive {
public:
    SignatureArchive();                                // storing
    explicit SignatureArchive(std::string_view bytes);  // loading; the bytes must outlive it

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }
    bool Ok() const { return ok_; }
    // Why loading failed ("" while Ok), with the byte position.
    const std::string& Error() const { return error_; }
    const std::string& Bytes() const { return buffer_; }
    // The stored bytes, moved out of a storing archive (a large file is not copied again).
    std::string TakeBytes() { return std::move(buffer_); }
    size_t Remaining() const { return source_.size() - position_; }
    // Makes room for `bytes` more bytes in a storing archive, so a large file is built
    // without growing (and copying) its buffer again and again.
    void Reserve(size_t bytes) { buffer_.reserve(buffer_.size() + bytes); }
    // Marks a loading archive failed (for checks made by the reader itself).
    void Fail(const std::string& why);

    void U8(uint8_t& value);
    void U16(uint16_t& value);
    void U32(uint32_t& value);
    void F32(float& value);
    void F64(double& value);
    void Text(std::string& text);
    void Points(std::vector<graphs::CFloatPT>& points);

private:
    void Put(uint64_t value, size_t width);
    bool Take(uint64_t& value, size_t width);

    bool storing_;
    std::string buffer_;
    std::string_view source_;
    size_t position_ = 0;
    bool ok_ = true;
    std::string error_;
};

}  // namespace diagnostics
