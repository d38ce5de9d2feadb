// Wire conversions: byte order, bit-string mirroring, the Fieldbus DATE and formatting by
// data type.
#include "values/ValueCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

#include "platform/Ui.h"

namespace values {

static_assert(std::endian::native == std::endian::little,
              "the wire conversions assume a little-endian host");

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// Longest string value shown; longer device strings are cut.
constexpr size_t kMaxStringChars = 239;

// Seconds between the local midnight of 1 January of `year` and the Unix epoch.
time_t LocalNewYear(int year) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = 0;
    tm.tm_mday = 1;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// The user's locale date-time form of a moment counted from a local-midnight base.
std::string LocaleDateTime(time_t base, uint64_t secondsAfter) {
    const time_t moment = base + static_cast<time_t>(secondsAfter);
    std::tm tm{};
    if (localtime_r(&moment, &tm) == nullptr) return {};
    char text[128];
    const size_t n = std::strftime(text, sizeof text, "%c", &tm);
    return std::string(text, n);
}

uint32_t BigEndian(const uint8_t* p, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

ValueCodec& ValueCodec::Instance() {
    static ValueCodec codec;
    return codec;
}

ValueCodec::ValueCodec() {
    // Exact IEEE patterns: octets 00 00 80 7F and 00 00 80 FF in memory.
    positiveInfinity_ = std::bit_cast<float>(0x7F800000u);
    negativeInfinity_ = std::bit_cast<float>(0xFF800000u);
}

void ValueCodec::ReverseBytes(void* buffer, size_t length) {
    if (buffer == nullptr || length < 2) return;
    bool allocated = true;
    {
        Lock lock(lock_);
        uint8_t* scratch = new (std::nothrow) uint8_t[length];
        if (scratch == nullptr) {
            allocated = false;
        } else {
            uint8_t* bytes = static_cast<uint8_t*>(buffer);
            std::memcpy(scratch, bytes, length);
            for (size_t i = 0; i < length; ++i) bytes[i] = scratch[length - 1 - i];
            delete[] scratch;
        }
    }
    if (!allocated) platform::ShowMessage("Error: Failed to allocate buffer for byte reversal function.");
}

void ValueCodec::MirrorBits(void* buffer, int length) {
    if (buffer == nullptr || length < 1) return;
    Lock lock(lock_);
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    for (int i = 0; i < length; ++i) {
        uint8_t in = bytes[i], out = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (in & (1u << bit)) out |= static_cast<uint8_t>(0x80u >> bit);
        bytes[i] = out;
    }
}

float ValueCodec::ReadFloat(void* wireBytes) {
    if (wireBytes == nullptr) return 0.0f;
    Lock lock(lock_);
    ReverseBytes(wireBytes, 4);
    float v;
    std::memcpy(&v, wireBytes, 4);
    return v;
}

uint16_t ValueCodec::ReadU16(void* wireBytes) {
    if (wireBytes == nullptr) return 0;
    Lock lock(lock_);
    ReverseBytes(wireBytes, 2);
    uint16_t v;
    std::memcpy(&v, wireBytes, 2);
    return v;
}

uint32_t ValueCodec::ReadU32(void* wireBytes) {
    if (wireBytes == nullptr) return 0;
    Lock lock(lock_);
    ReverseBytes(wireBytes, 4);
    uint32_t v;
    std::memcpy(&v, wireBytes, 4);
    return v;
}

uint8_t ValueCodec::ReadBits8(void* wireBytes) {
    if (wireBytes == nullptr) return 0;
    Lock lock(lock_);
    MirrorBits(wireBytes, 1);
    return *static_cast<uint8_t*>(wireBytes);
}

uint16_t ValueCodec::ReadBits16(void* wireBytes) {
    if (wireBytes == nullptr) return 0;
    Lock lock(lock_);
    MirrorBits(wireBytes, 2);
    uint16_t v;
    std::memcpy(&v, wireBytes, 2);
    return v;
}

uint32_t ValueCodec::ReadBits32(void* wireBytes) {
    if (wireBytes == nullptr) return 0;
    Lock lock(lock_);
    MirrorBits(wireBytes, 4);
    uint32_t v;
    std::memcpy(&v, wireBytes, 4);
    return v;
}

FieldbusDate ValueCodec::DecodeDate(const uint8_t* wireBytes) {
    FieldbusDate d;
    if (wireBytes == nullptr) return d;
    Lock lock(lock_);
    d.milliseconds = static_cast<uint16_t>(BigEndian(wireBytes, 2));
    d.seconds = static_cast<uint8_t>(d.milliseconds / 1000);
    d.minutes = wireBytes[2] & 0x3F;
    d.hours = wireBytes[3] & 0x1F;
    d.summerTime = (wireBytes[3] >> 7) & 0x01;
    d.dayOfMonth = wireBytes[4] & 0x1F;
    d.dayOfWeek = (wireBytes[4] >> 5) & 0x07;
    d.month = wireBytes[5] & 0x3F;
    d.year = wireBytes[6] & 0x7F;
    if (d.year > 99) d.year = 0;
    return d;
}

void ValueCodec::EncodeDate(const FieldbusDate& date, uint8_t out[7]) {
    if (out == nullptr) return;
    Lock lock(lock_);
    const unsigned ms = static_cast<unsigned>(date.seconds) * 1000u;
    out[0] = static_cast<uint8_t>((ms >> 8) & 0xFF);
    out[1] = static_cast<uint8_t>(ms & 0xFF);
    out[2] = date.minutes & 0x3F;
    out[3] = static_cast<uint8_t>((date.hours & 0x1F) | (date.summerTime ? 0x80 : 0x00));
    out[4] = static_cast<uint8_t>((date.dayOfMonth & 0x1F) | ((date.dayOfWeek & 0x07) << 5));
    out[5] = date.month & 0x3F;
    out[6] = date.year & 0x7F;
}

std::string ValueCodec::FormatDate(const uint8_t* wireBytes) {
    Lock lock(lock_);
    const FieldbusDate d = DecodeDate(wireBytes);
    return platform::Format("%02u/%02u/%02u %02u:%02u:%02u", unsigned{d.month}, unsigned{d.dayOfMonth},
                            unsigned{d.year}, unsigned{d.hours}, unsigned{d.minutes}, unsigned{d.seconds});
}

std::string ValueCodec::FormatHexDump(const uint8_t* bytes, size_t length) {
    Lock lock(lock_);
    std::string text = "0x";
    if (bytes == nullptr) return text;
    static const char digits[] = "0123456789abcdef";
    text.reserve(2 + 2 * length);
    for (size_t i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string ValueCodec::FormatValue(const uint8_t* wireBytes, size_t offset, int dataType, size_t length,
                                    uint32_t& numericValue) {
    numericValue = 0;
    if (wireBytes == nullptr) return {};
    Lock lock(lock_);
    // A private copy, padded with zeros so that a value shorter than its type reads as zero
    // instead of reading past the caller's octets.
    std::vector<uint8_t> v(std::max<size_t>(length, 8) + 1, 0);
    std::memcpy(v.data(), wireBytes + offset, length);
    uint8_t* p = v.data();

    switch (dataType) {
    case FB_BOOLEAN:
        return platform::Format("%d", int{p[0]});
    case FB_INTEGER8:
        return platform::Format("%d", int{static_cast<int8_t>(p[0])});
    case FB_INTEGER16:
        return platform::Format("%d", int{static_cast<int16_t>(ReadU16(p))});
    case FB_INTEGER32:
        return platform::Format("%d", static_cast<int32_t>(ReadU32(p)));
    case FB_UNSIGNED8:
        numericValue = p[0];
        return platform::Format("0x%02x", unsigned{p[0]});
    case FB_UNSIGNED16:
        numericValue = ReadU16(p);
        return platform::Format("0x%04x", numericValue);
    case FB_UNSIGNED32:
        numericValue = ReadU32(p);
        return platform::Format("0x%08x", numericValue);
    case FB_FLOAT:
        return FloatToText(ReadFloat(p));
    case FB_VISIBLE_STRING:
    case FB_OCTET_STRING: {
        size_t n = 0;
        while (n < length && n < kMaxStringChars && p[n] != 0) ++n;
        std::string text(reinterpret_cast<const char*>(p), n);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                                 text.back() == '\n'))
            text.pop_back();
        return text;
    }
    case FB_DATE:
        return FormatDate(p);
    case FB_TIME_OF_DAY:
    case FB_TIME_DIFFERENCE: {
        const uint64_t ms = BigEndian(p, 4);
        const uint64_t days = BigEndian(p + 4, 2);
        return LocaleDateTime(LocalNewYear(1984), ms / 1000 + days * 86400);
    }
    case FB_BIT_STRING:
        if (length == 1) {
            numericValue = ReadBits8(p);
            return platform::Format("0x%02x", numericValue);
        }
        if (length == 2) {
            numericValue = ReadBits16(p);
            return platform::Format("0x%04x", numericValue);
        }
        if (length == 4) {
            numericValue = ReadBits32(p);
            return platform::Format("0x%08x", numericValue);
        }
        return FormatHexDump(p, length);
    case FB_TIME_VALUE: {
        uint64_t count = 0;
        for (int i = 0; i < 8; ++i) count = (count << 8) | p[i];
        return LocaleDateTime(LocalNewYear(1972), count / 32 / 1000);
    }
    default:
        return {};
    }
}

int ValueCodec::StatusQuality(uint8_t status) {
    Lock lock(lock_);
    if (status < 64) return 2;
    if (status < 128) return 1;
    return 0;
}

void ValueCodec::ConvertNineFloats(float buffer[9]) {
    if (buffer == nullptr) return;
    Lock lock(lock_);
    for (int i = 0; i < 9; ++i) ReadFloat(&buffer[i]);
}

void ValueCodec::CopyNineFloats(float to[9], const float from[9]) {
    if (to == nullptr || from == nullptr) return;
    Lock lock(lock_);
    std::memcpy(to, from, 9 * sizeof(float));
}

int ValueCodec::NineFloatsDiffer(const float a[9], const float b[9]) {
    if (a == nullptr || b == nullptr) return a != b ? 1 : 0;
    Lock lock(lock_);
    for (int i = 0; i < 9; ++i)
        if (a[i] != b[i]) return 1;
    return 0;
}

std::string FloatToText(double value) {
    if (std::isinf(value)) return value > 0 ? "1.#INF" : "-1.#INF";
    return platform::Format("%g", value);
}

}  // namespace values
