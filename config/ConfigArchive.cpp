#include "config/ConfigArchive.h"

#include <cstring>

#include "values/ValueCodec.h"

namespace config {

namespace {

void PutLittle(std::string& out, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint64_t GetLittle(const unsigned char* bytes, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return value;
}

}  // namespace

ConfigArchive::ConfigArchive() : storing_(true) {}

ConfigArchive::ConfigArchive(std::string_view bytes, std::string fileName)
    : storing_(false), source_(bytes), fileName_(std::move(fileName)) {}

void ConfigArchive::Fail(const std::string& why) {
    if (!ok_) return;
    ok_ = false;
    error_ = why + " at byte " + std::to_string(position_);
}

void ConfigArchive::PutBytes(const void* data, size_t length) {
    buffer_.append(static_cast<const char*>(data), length);
}

bool ConfigArchive::Take(void* out, size_t length) {
    if (!ok_) return false;
    if (length > Remaining()) {
        Fail("unexpected end of file");
        return false;
    }
    std::memcpy(out, source_.data() + position_, length);
    position_ += length;
    return true;
}

void ConfigArchive::U8(uint8_t& value) {
    if (storing_) {
        PutLittle(buffer_, value, 1);
        return;
    }
    unsigned char b[1];
    if (Take(b, 1)) value = b[0];
}

void ConfigArchive::U16(uint16_t& value) {
    if (storing_) {
        PutLittle(buffer_, value, 2);
        return;
    }
    unsigned char b[2];
    if (Take(b, 2)) value = static_cast<uint16_t>(GetLittle(b, 2));
}

void ConfigArchive::U32(uint32_t& value) {
    if (storing_) {
        PutLittle(buffer_, value, 4);
        return;
    }
    unsigned char b[4];
    if (Take(b, 4)) value = static_cast<uint32_t>(GetLittle(b, 4));
}

void ConfigArchive::F32(float& value) {
    uint32_t bits = 0;
    if (storing_) {
        std::memcpy(&bits, &value, 4);
        U32(bits);
        return;
    }
    unsigned char b[4];
    if (!Take(b, 4)) return;
    bits = static_cast<uint32_t>(GetLittle(b, 4));
    std::memcpy(&value, &bits, 4);
}

void ConfigArchive::PutText(const std::string& text) {
    const size_t length = text.size();
    if (length < 0xFF) {
        PutLittle(buffer_, length, 1);
    } else if (length < 0xFFFE) {
        PutLittle(buffer_, 0xFF, 1);
        PutLittle(buffer_, length, 2);
    } else {
        PutLittle(buffer_, 0xFF, 1);
        PutLittle(buffer_, 0xFFFF, 2);
        PutLittle(buffer_, length, 4);
    }
    PutBytes(text.data(), length);
}

bool ConfigArchive::TakeText(std::string& text) {
    unsigned char b[4];
    if (!Take(b, 1)) return false;
    uint64_t length = b[0];
    if (length == 0xFF) {
        if (!Take(b, 2)) return false;
        length = GetLittle(b, 2);
        if (length == 0xFFFE) {
            // Marks a text of two-byte characters; configuration files never hold one.
            Fail("text of two-byte characters");
            return false;
        }
        if (length == 0xFFFF) {
            if (!Take(b, 4)) return false;
            length = GetLittle(b, 4);
        }
    }
    if (length > Remaining()) {
        Fail("text longer than the rest of the file");
        return false;
    }
    text.assign(source_.data() + position_, static_cast<size_t>(length));
    position_ += static_cast<size_t>(length);
    return true;
}

void ConfigArchive::Text(std::string& text) {
    if (storing_) {
        PutText(text);
        return;
    }
    std::string read;
    if (TakeText(read)) text = std::move(read);
}

void ConfigArchive::TextList(std::vector<std::string>& texts) {
    values::ValueCodec& codec = values::ValueCodec::Instance();
    if (storing_) {
        PutLittle(buffer_, texts.size(), 4);
        for (const std::string& text : texts) PutText(codec.UnitToDisplay(text));
        return;
    }
    uint32_t count = 0;
    U32(count);
    if (!ok_) return;
    // Every text takes at least its one-byte length prefix.
    if (count > Remaining()) {
        Fail("text list count larger than the rest of the file");
        return;
    }
    std::vector<std::string> read;
    read.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string text;
        if (!TakeText(text)) return;
        read.push_back(codec.UnitToAscii(text));
    }
    texts = std::move(read);
}

void ConfigArchive::ValueList(std::vector<uint32_t>& values) {
    if (storing_) {
        if (values.size() < 0xFFFF) {
            PutLittle(buffer_, values.size(), 2);
        } else {
            PutLittle(buffer_, 0xFFFF, 2);
            PutLittle(buffer_, values.size(), 4);
        }
        for (uint32_t v : values) PutLittle(buffer_, v, 4);
        return;
    }
    uint16_t shortCount = 0;
    U16(shortCount);
    uint64_t count = shortCount;
    if (shortCount == 0xFFFF) {
        uint32_t longCount = 0;
        U32(longCount);
        count = longCount;
    }
    if (!ok_) return;
    if (count * 4 > Remaining()) {
        Fail("value list count larger than the rest of the file");
        return;
    }
    std::vector<uint32_t> read(static_cast<size_t>(count));
    for (uint32_t& v : read) U32(v);
    if (ok_) values = std::move(read);
}

void ConfigArchive::Date(ConfigDate& date) {
    if (storing_) {
        ConfigDate d = date;
        U32(d.summerTime);
        U8(d.hours);
        U8(d.minutes);
        U8(d.seconds);
        U16(d.milliseconds);
        U8(d.dayOfWeek);
        U8(d.dayOfMonth);
        U8(d.month);
        U8(d.year);
        return;
    }
    if (Remaining() < 13) {
        Fail("unexpected end of file");
        return;
    }
    ConfigDate d;
    U32(d.summerTime);
    U8(d.hours);
    U8(d.minutes);
    U8(d.seconds);
    U16(d.milliseconds);
    U8(d.dayOfWeek);
    U8(d.dayOfMonth);
    U8(d.month);
    U8(d.year);
    if (ok_) date = d;
}

}  // namespace config
