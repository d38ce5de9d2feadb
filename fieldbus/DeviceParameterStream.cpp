#include "fieldbus/DeviceParameterStream.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "fieldbus/DeviceAccess.h"

namespace fieldbus {

namespace {

constexpr size_t kMaxTextLength = 239;
constexpr size_t kTextFieldSize = 32;
constexpr uint8_t kEnumItem = 1;
constexpr uint8_t kBitItem = 2;

values::ValueCodec& Codec() { return values::ValueCodec::Instance(); }

// Texts end at a terminator, are cut at 239 characters and lose their blanks at both ends.
std::string CleanText(std::string text) {
    const size_t terminator = text.find('\0');
    if (terminator != std::string::npos) text.erase(terminator);
    if (text.size() > kMaxTextLength) text.erase(kMaxTextLength);
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Host value of `size` octets into big-endian wire order.
void ToWire(const void* host, size_t size, uint8_t* wire) {
    std::memcpy(wire, host, size);
    Codec().ReverseBytes(wire, size);
}

bool IsEnumSize(int size) { return size == 1 || size == 2 || size == 4; }

}  // namespace

DeviceParameterStream::DeviceParameterStream(DeviceAccess* device, int block, std::vector<std::string> names)
    : device_(device), block_(block), names_(std::move(names)) {
    for (std::string& name : names_) name = ToDottedName(name);
}

std::string DeviceParameterStream::Name(int index) const {
    if (index < 0 || index >= NameCount()) return {};
    return names_[static_cast<size_t>(index)];
}

// ---- Cursor and state ----------------------------------------------------------------------

void DeviceParameterStream::Advance(long long count) {
    const long long next = static_cast<long long>(cursor_) + count;
    cursor_ = static_cast<int>(std::min<long long>(next, NameCount()));
}

const std::string* DeviceParameterStream::BeginAccess() {
    Advance(1);
    if (!good_) return nullptr;
    if (device_ == nullptr || block_ < 0 || cursor_ < 0 || cursor_ >= NameCount()) {
        good_ = 0;
        return nullptr;
    }
    return &names_[static_cast<size_t>(cursor_)];
}

int DeviceParameterStream::Finish(int status) {
    good_ = status == 0 ? 1 : 0;
    return good_ ? 0 : 1;
}

void DeviceParameterStream::SkipForward(int count) {
    if (count > 0) Advance(count);
}

void DeviceParameterStream::SkipBack(int count) {
    if (count > 0 && static_cast<long long>(cursor_) - count > 0) cursor_ -= count;
}

int DeviceParameterStream::Skip() {
    Advance(1);
    return 0;
}

// ---- Reads ---------------------------------------------------------------------------------

int DeviceParameterStream::ReadExactly(const std::string& name, uint8_t* buffer, uint16_t size) {
    uint16_t got = size;
    const int status = device_->ReadParameter(block_, name, buffer, got);
    // A shorter answer would leave part of the value unread.
    return status == 0 && got == size ? 0 : 1;
}

int DeviceParameterStream::ReadOctets(uint8_t* bytes, uint16_t size) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[8];
    const int status = ReadExactly(*name, wire, size);
    if (status == 0) std::memcpy(bytes, wire, size);
    return Finish(status);
}

int DeviceParameterStream::ReadFloats(float* values, int count) {
    const std::string* name = BeginAccess();
    int status = 1;
    if (name != nullptr) {
        uint8_t wire[9 * 4];
        status = Finish(ReadExactly(*name, wire, static_cast<uint16_t>(count * 4)));
        if (status == 0) {
            for (int i = 0; i < count; ++i) values[i] = Codec().ReadFloat(wire + 4 * i);
        }
    }
    Advance(count - 1);
    return status;
}

int DeviceParameterStream::ReadBitString(BitStringValue& bits) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[2];
    int status = ReadExactly(*name, wire, 2);
    BitStringValue read;
    if (status == 0) {
        read.value = Codec().ReadBits16(wire);
        status = device_->GetBitTexts(block_, *name, read.texts);
    }
    if (status == 0) status = device_->GetBitTexts(block_, *name, read.value, read.setTexts);
    if (status == 0) {
        read.bitValues = ItemValues(*name, kBitItem, read.texts.size());
        bits = std::move(read);
    }
    return Finish(status);
}

int DeviceParameterStream::DescribeEnumOf(const std::string& name, EnumValue& value) {
    EnumValue read;
    read.size = value.size;
    read.value = value.value;
    int status = device_->GetEnumTexts(block_, name, read.texts);
    if (status == 0) status = device_->GetEnumText(block_, name, read.text, read.value);
    if (status != 0) return 1;
    read.values = ItemValues(name, kEnumItem, read.texts.size());
    value = std::move(read);
    return 0;
}

int DeviceParameterStream::ReadEnum(EnumValue& value) {
    const std::string* name = BeginAccess();
    int status = 1;
    if (name != nullptr) {
        const int size = value.size;
        EnumValue read;
        read.size = size;
        uint8_t wire[4];
        status = IsEnumSize(size) ? ReadExactly(*name, wire, static_cast<uint16_t>(size)) : 1;
        if (status == 0) {
            if (size == 4) read.value = Codec().ReadU32(wire);
            else if (size == 2) read.value = Codec().ReadU16(wire);
            else read.value = wire[0];
            status = DescribeEnumOf(*name, read);
        }
        if (status == 0) value = std::move(read);
        status = Finish(status);
    }
    // The "/ValueAsString" name that follows the value name.
    Advance(1);
    return status;
}

int DeviceParameterStream::ReadStatusValue(StatusValue& record) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[5];
    const int status = Finish(ReadExactly(*name, wire, 5));
    if (status == 0) {
        record.status = wire[0];
        record.value = Codec().ReadFloat(wire + 1);
    }
    return status;
}

int DeviceParameterStream::ReadDate(values::FieldbusDate& date) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[7];
    const int status = Finish(ReadExactly(*name, wire, 7));
    if (status == 0) date = Codec().DecodeDate(wire);
    return status;
}

int DeviceParameterStream::ReadTextOf(const std::string& name, std::string& text) {
    std::string read;
    if (device_->ReadString(block_, name, read) != 0) return 1;
    text = CleanText(std::move(read));
    return 0;
}

int DeviceParameterStream::ReadText(std::string& text) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    return Finish(ReadTextOf(*name, text));
}

int DeviceParameterStream::ReadU32(uint32_t& value) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[4];
    const int status = Finish(ReadExactly(*name, wire, 4));
    if (status == 0) value = Codec().ReadU32(wire);
    return status;
}

int DeviceParameterStream::ReadU16(uint16_t& value) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[2];
    const int status = Finish(ReadExactly(*name, wire, 2));
    if (status == 0) value = Codec().ReadU16(wire);
    return status;
}

std::vector<uint32_t> DeviceParameterStream::ItemValues(const std::string& name, uint8_t kind, size_t expected) {
    ObjectAttributes attributes;
    if (device_->GetObjectAttributes(block_, name, attributes) != 0) return {};
    std::vector<uint32_t> found;
    for (const AttributeItem& item : attributes.items) {
        if (item.kind == kind) found.push_back(item.value);
    }
    // Only a list that pairs up with the texts is of use.
    if (found.size() != expected) return {};
    return found;
}

// ---- Writes --------------------------------------------------------------------------------

int DeviceParameterStream::WriteOctets(const uint8_t* bytes, uint16_t size) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    return Finish(device_->WriteParameter(block_, *name, bytes, size));
}

int DeviceParameterStream::WriteFloats(const float* values, int count) {
    const std::string* name = BeginAccess();
    int status = 1;
    if (name != nullptr) {
        uint8_t wire[9 * 4];
        for (int i = 0; i < count; ++i) ToWire(&values[i], 4, wire + 4 * i);
        status = Finish(device_->WriteParameter(block_, *name, wire, static_cast<uint16_t>(count * 4)));
    }
    Advance(count - 1);
    return status;
}

int DeviceParameterStream::EnumWireValue(const std::string& name, int size, uint32_t value, const std::string& text,
                                         uint8_t (&wire)[4]) {
    if (!IsEnumSize(size)) return 1;
    if (value == 0 && !text.empty()) {
        // Only the text is known: the device description gives its value, in wire order.
        int status = 1;
        if (size == 4) {
            uint32_t found = 0;
            status = device_->FindEnumValue(block_, name, text, found);
            std::memcpy(wire, &found, 4);
        } else if (size == 2) {
            uint16_t found = 0;
            status = device_->FindEnumValue(block_, name, text, found);
            std::memcpy(wire, &found, 2);
        } else {
            uint8_t found = 0;
            status = device_->FindEnumValue(block_, name, text, found);
            wire[0] = found;
        }
        return status == 0 ? 0 : 1;
    }
    if (size == 4) {
        ToWire(&value, 4, wire);
    } else if (size == 2) {
        const uint16_t narrow = static_cast<uint16_t>(value);
        ToWire(&narrow, 2, wire);
    } else {
        wire[0] = static_cast<uint8_t>(value);
    }
    return 0;
}

int DeviceParameterStream::WriteEnumU16(uint16_t value, const std::string& text) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[4] = {};
    int status = EnumWireValue(*name, 2, value, text, wire);
    if (status == 0) status = device_->WriteParameter(block_, *name, wire, 2);
    return Finish(status);
}

int DeviceParameterStream::WriteEnum(const EnumValue& value) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[4] = {};
    int status = EnumWireValue(*name, value.size, value.value, value.text, wire);
    if (status == 0) status = device_->WriteParameter(block_, *name, wire, static_cast<uint16_t>(value.size));
    return Finish(status);
}

int DeviceParameterStream::WriteStatusValue(float value) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[4];
    ToWire(&value, 4, wire);
    return Finish(device_->WriteParameter(block_, *name + ".VALUE", wire, 4));
}

int DeviceParameterStream::WriteDate(const values::FieldbusDate& date) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[7];
    Codec().EncodeDate(date, wire);
    return Finish(device_->WriteParameter(block_, *name, wire, 7));
}

int DeviceParameterStream::WriteText(const std::string& text) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t field[kTextFieldSize];
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), kTextFieldSize));
    return Finish(device_->WriteParameter(block_, *name, field, kTextFieldSize));
}

int DeviceParameterStream::WriteU16(uint16_t value) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[2];
    ToWire(&value, 2, wire);
    return Finish(device_->WriteParameter(block_, *name, wire, 2));
}

int DeviceParameterStream::WriteU32(uint32_t value) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint8_t wire[4];
    ToWire(&value, 4, wire);
    return Finish(device_->WriteParameter(block_, *name, wire, 4));
}

int DeviceParameterStream::WriteBitString(const BitStringValue& bits) {
    const std::string* name = BeginAccess();
    if (name == nullptr) return 1;
    uint32_t value = bits.value;
    int status = 0;
    if (value == 0) {
        for (const std::string& text : bits.setTexts) {
            uint32_t bit = 0;
            status = device_->FindBitValue(block_, *name, text, bit);
            if (status != 0) break;
            value |= bit;
        }
    }
    if (status == 0) {
        // Inverse of the read: the low byte holds bits 0..7, each octet's bit order mirrored.
        uint8_t wire[2] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF)};
        Codec().MirrorBits(wire, 2);
        status = device_->WriteParameter(block_, *name, wire, 2);
    }
    return Finish(status);
}

// ---- Whole records -------------------------------------------------------------------------

namespace {

// "PV_SCALE.EU_100" -> "PV_SCALE".
std::string RecordOf(const std::string& member) { return member.substr(0, member.find('.')); }

}  // namespace

int DeviceParameterStream::ReadRecord(uint8_t* bytes, uint16_t size, int names) {
    const std::string* name = BeginAccess();
    int status = 1;
    if (name != nullptr) {
        std::vector<uint8_t> wire(size);
        status = Finish(ReadExactly(RecordOf(*name), wire.data(), size));
        if (status == 0) std::memcpy(bytes, wire.data(), size);
    }
    Advance(names - 1);
    return status;
}

int DeviceParameterStream::WriteRecord(const uint8_t* bytes, uint16_t size, int names) {
    const std::string* name = BeginAccess();
    int status = 1;
    if (name != nullptr) status = Finish(device_->WriteParameter(block_, RecordOf(*name), bytes, size));
    Advance(names - 1);
    return status;
}

int DeviceParameterStream::DescribeEnum(const std::string& name, EnumValue& value) {
    if (device_ == nullptr || block_ < 0) return 1;
    return DescribeEnumOf(ToDottedName(name), value);
}

int DeviceParameterStream::EnumWire(const std::string& name, const EnumValue& value, uint8_t (&wire)[4]) {
    if (device_ == nullptr || block_ < 0) return 1;
    return EnumWireValue(ToDottedName(name), value.size, value.value, value.text, wire);
}

// ---- Device texts --------------------------------------------------------------------------

int DeviceParameterStream::GetEnumText(const std::string& name, uint32_t value, std::string& text) {
    if (device_ == nullptr) return 1;
    return device_->GetEnumText(block_, ToDottedName(name), text, value) == 0 ? 0 : 1;
}

int DeviceParameterStream::GetEnumTexts(const std::string& name, std::vector<std::string>& texts) {
    if (device_ == nullptr) return 1;
    return device_->GetEnumTexts(block_, ToDottedName(name), texts) == 0 ? 0 : 1;
}

int DeviceParameterStream::GetBitTexts(const std::string& name, std::vector<std::string>& texts) {
    if (device_ == nullptr) return 1;
    return device_->GetBitTexts(block_, ToDottedName(name), texts) == 0 ? 0 : 1;
}

// ---- Whole table ---------------------------------------------------------------------------

int DeviceParameterStream::ReadAll(const std::vector<uint16_t>& sizes) {
    record_.clear();
    texts_.clear();
    const int count = NameCount();
    int status = 1;
    if (good_) {
        status = device_ != nullptr && block_ >= 0 && sizes.size() == names_.size() ? 0 : 1;
        for (int i = 0; status == 0 && i < count; ++i) {
            cursor_ = i;
            const std::string& name = names_[static_cast<size_t>(i)];
            const uint16_t size = sizes[static_cast<size_t>(i)];
            if (size == 0) {
                std::string text;
                status = ReadTextOf(name, text);
                if (status == 0) texts_.push_back(std::move(text));
            } else {
                const size_t offset = record_.size();
                record_.resize(offset + size);
                status = ReadExactly(name, record_.data() + offset, size);
                if (status != 0) record_.resize(offset);
            }
        }
        status = Finish(status);
    }
    cursor_ = count - 1;
    return status;
}

}  // namespace fieldbus
