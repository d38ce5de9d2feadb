#pragma once
// The byte encodings of configuration files, written once for both directions: an archive
// is either storing (items are appended to a byte buffer) or loading (items are read from a
// byte buffer). Numbers are little-endian; floats keep their raw bit pattern.
//
//   text       length prefix, then the Latin-1 characters, no terminator. Prefix: one byte
//              when the length is below 255; else 0xFF and a u16 when below 0xFFFE; else
//              0xFF, the u16 0xFFFF and a u32.
//   text list  u32 count, then the texts, each passed through the unit-symbol conversion
//              (display form on disk, ASCII form in memory).
//   value list u16 count (or 0xFFFF and a u32 count), then that many u32.
//   date       u32 summer-time flag, u8 hours, minutes, seconds, u16 milliseconds,
//              u8 day of week, day of month, month, year (13 bytes).
//
// Loading is fuzz-safe: every length and count is checked against the bytes that remain
// before anything is allocated, and the first failure makes the archive fail; later reads
// then do nothing. A failed archive leaves the variables it could not fill untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigFields.h"

namespace config {

class ConfigArchive {
public:
    // An archive that stores into an empty buffer.
    ConfigArchive();
    // An archive that loads from `bytes` (kept by reference: they must outlive the archive).
    // `fileName` only names the source in messages.
    explicit ConfigArchive(std::string_view bytes, std::string fileName = {});

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }
    // False once a load ran out of bytes or met an invalid length.
    bool Ok() const { return ok_; }
    // Why loading failed ("" while Ok).
    const std::string& Error() const { return error_; }
    const std::string& FileName() const { return fileName_; }

    // Stored bytes so far (storing archives).
    const std::string& Bytes() const { return buffer_; }
    // Read position and unread bytes (loading archives).
    size_t Position() const { return position_; }
    size_t Remaining() const { return source_.size() - position_; }

    // One item each: stores the variable or loads into it.
    void U8(uint8_t& value);
    void U16(uint16_t& value);
    void U32(uint32_t& value);
    void F32(float& value);
    void Text(std::string& text);
    void TextList(std::vector<std::string>& texts);
    void ValueList(std::vector<uint32_t>& values);
    void Date(ConfigDate& date);

private:
    void PutBytes(const void* data, size_t length);
    bool Take(void* out, size_t length);
    void PutText(const std::string& text);
    bool TakeText(std::string& text);
    void Fail(const std::string& why);

    bool storing_;
    std::string buffer_;
    std::string_view source_;
    size_t position_ = 0;
    bool ok_ = true;
    std::string error_;
    std::string fileName_;
};

}  // namespace config
