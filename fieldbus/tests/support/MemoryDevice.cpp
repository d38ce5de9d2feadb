#include "fieldbus/tests/support/MemoryDevice.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace fieldbus::testing {

namespace {

// Host value of `size` octets as big-endian octets.
std::vector<uint8_t> BigEndian(const void* host, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(host);
    return std::vector<uint8_t>(std::make_reverse_iterator(bytes + size), std::make_reverse_iterator(bytes));
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

constexpr uint8_t kEnumKind = 1;
constexpr uint8_t kBitKind = 2;

}  // namespace

MemoryDevice::MemoryDevice(int blockCount) : blockCount_(blockCount) {}

// ---- Set-up --------------------------------------------------------------------------------

void MemoryDevice::SetBytes(int block, const std::string& name, std::vector<uint8_t> bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    objects_[{block, name}] = std::move(bytes);
}

void MemoryDevice::SetFloats(int block, const std::string& name, const std::vector<float>& values) {
    std::vector<uint8_t> bytes;
    for (float value : values) {
        const std::vector<uint8_t> wire = BigEndian(&value, 4);
        bytes.insert(bytes.end(), wire.begin(), wire.end());
    }
    SetBytes(block, name, std::move(bytes));
}

void MemoryDevice::SetU16(int block, const std::string& name, uint16_t value) {
    SetBytes(block, name, BigEndian(&value, 2));
}

void MemoryDevice::SetU32(int block, const std::string& name, uint32_t value) {
    SetBytes(block, name, BigEndian(&value, 4));
}

void MemoryDevice::SetText(int block, const std::string& name, const std::string& text, size_t size) {
    std::vector<uint8_t> field(size, ' ');
    std::copy_n(text.begin(), std::min(text.size(), size), field.begin());
    SetBytes(block, name, std::move(field));
}

bool MemoryDevice::Has(int block, const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return objects_.count({block, name}) != 0;
}

std::vector<uint8_t> MemoryDevice::Bytes(int block, const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = objects_.find({block, name});
    return found == objects_.end() ? std::vector<uint8_t>{} : found->second;
}

float MemoryDevice::FloatAt(int block, const std::string& name, size_t index) const {
    const std::vector<uint8_t> bytes = Bytes(block, name);
    if (bytes.size() < 4 * (index + 1)) return 0.0f;
    uint8_t host[4];
    std::reverse_copy(bytes.begin() + 4 * index, bytes.begin() + 4 * (index + 1), host);
    float value;
    std::memcpy(&value, host, 4);
    return value;
}

void MemoryDevice::SetEnum(int block, const std::string& name, Items items) {
    std::lock_guard<std::mutex> lock(mutex_);
    described_[{block, name}] = Described{kEnumKind, std::move(items)};
}

void MemoryDevice::SetBits(int block, const std::string& name, Items items) {
    std::lock_guard<std::mutex> lock(mutex_);
    described_[{block, name}] = Described{kBitKind, std::move(items)};
}

// ---- Failures and calls --------------------------------------------------------------------

void MemoryDevice::FailOn(const std::string& op, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.insert({op, name});
}

void MemoryDevice::ClearFailures() {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.clear();
}

void MemoryDevice::SetOpen(bool open) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = open;
}

bool MemoryDevice::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

std::vector<MemoryDevice::Call> MemoryDevice::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

size_t MemoryDevice::CallCount(const std::string& op) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (op.empty()) return calls_.size();
    return static_cast<size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& call) { return call.op == op; }));
}

void MemoryDevice::ClearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

bool MemoryDevice::Begin(const std::string& op, int block, const std::string& name, uint16_t size,
                       const std::vector<uint8_t>& data) {
    calls_.push_back(Call{op, block, name, size, data});
    if (!open_ || block < 0 || block >= blockCount_) return false;
    return failures_.count({op, name}) == 0 && failures_.count({op, std::string()}) == 0;
}

const MemoryDevice::Described* MemoryDevice::Find(int block, const std::string& name, uint8_t kind) const {
    const auto found = described_.find({block, name});
    if (found == described_.end() || found->second.kind != kind || found->second.items.empty()) return nullptr;
    return &found->second;
}

// ---- Generic access ------------------------------------------------------------------------

int MemoryDevice::ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("ReadParameter", block, name, size)) return 1;
    const auto found = objects_.find({block, name});
    if (found == objects_.end()) return 1;
    const std::vector<uint8_t>& bytes = found->second;
    if (size == 0) size = static_cast<uint16_t>(bytes.size());
    if (size < bytes.size()) return 1;  // the buffer is too small for the object
    std::memcpy(buffer, bytes.data(), bytes.size());
    size = static_cast<uint16_t>(bytes.size());
    return 0;
}

int MemoryDevice::WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    if (!Begin("WriteParameter", block, name, size, std::vector<uint8_t>(bytes, bytes + size))) return 1;
    const auto found = objects_.find({block, name});
    if (found == objects_.end()) return 1;
    if (size == 0) size = static_cast<uint16_t>(found->second.size());
    if (size != found->second.size()) return 1;
    found->second.assign(bytes, bytes + size);
    return 0;
}

int MemoryDevice::ReadString(int block, const std::string& name, std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("ReadString", block, name, 0)) return 1;
    const auto found = objects_.find({block, name});
    if (found == objects_.end()) return 1;
    text = Trim(std::string(found->second.begin(), found->second.end()));
    return 0;
}

int MemoryDevice::WriteString(int block, const std::string& name, const std::string& text) {
    std::vector<uint8_t> field(32, 0);
    std::copy_n(text.begin(), std::min<size_t>(text.size(), 32), field.begin());
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("WriteString", block, name, 32, field)) return 1;
    const auto found = objects_.find({block, name});
    if (found == objects_.end()) return 1;
    found->second = std::move(field);
    return 0;
}

// ---- Enumerations and bit strings ----------------------------------------------------------

int MemoryDevice::GetEnumText(int block, const std::string& name, std::string& text, uint32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("GetEnumText", block, name, 0)) return 1;
    const Described* described = Find(block, name, kEnumKind);
    if (described == nullptr) return 1;
    for (const auto& [itemValue, itemText] : described->items) {
        if (itemValue == value) {
            text = itemText;
            return 0;
        }
    }
    return 1;
}

int MemoryDevice::GetEnumTexts(int block, const std::string& name, std::vector<std::string>& texts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("GetEnumTexts", block, name, 0)) return 1;
    const Described* described = Find(block, name, kEnumKind);
    if (described == nullptr) return 1;
    texts.clear();
    for (const auto& item : described->items) texts.push_back(item.second);
    return 0;
}

int MemoryDevice::FindEnumWire(int block, const std::string& name, const std::string& text, size_t size,
                             uint8_t* wire) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("FindEnumValue", block, name, static_cast<uint16_t>(size))) return 1;
    const Described* described = Find(block, name, kEnumKind);
    if (described == nullptr) return 1;
    for (const auto& [itemValue, itemText] : described->items) {
        if (itemText == text) {
            for (size_t i = 0; i < size; ++i) wire[i] = static_cast<uint8_t>(itemValue >> (8 * (size - 1 - i)));
            return 0;
        }
    }
    return 1;
}

int MemoryDevice::FindEnumValue(int block, const std::string& name, const std::string& text, uint8_t& value) {
    return FindEnumWire(block, name, text, 1, &value);
}

int MemoryDevice::FindEnumValue(int block, const std::string& name, const std::string& text, uint16_t& value) {
    uint8_t wire[2];
    const int status = FindEnumWire(block, name, text, 2, wire);
    if (status == 0) std::memcpy(&value, wire, 2);
    return status;
}

int MemoryDevice::FindEnumValue(int block, const std::string& name, const std::string& text, uint32_t& value) {
    uint8_t wire[4];
    const int status = FindEnumWire(block, name, text, 4, wire);
    if (status == 0) std::memcpy(&value, wire, 4);
    return status;
}

int MemoryDevice::GetBitTexts(int block, const std::string& name, std::vector<std::string>& texts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("GetBitTexts", block, name, 0)) return 1;
    const Described* described = Find(block, name, kBitKind);
    if (described == nullptr) return 1;
    texts.clear();
    for (const auto& item : described->items) texts.push_back(item.second);
    return 0;
}

int MemoryDevice::GetBitTexts(int block, const std::string& name, uint32_t value, std::vector<std::string>& texts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("GetBitTexts", block, name, 0)) return 1;
    const Described* described = Find(block, name, kBitKind);
    if (described == nullptr) return 1;
    texts.clear();
    for (const auto& [bit, text] : described->items) {
        if ((value & bit) != 0) texts.push_back(text);
    }
    return 0;
}

int MemoryDevice::FindBitValue(int block, const std::string& name, const std::string& text, uint32_t& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("FindBitValue", block, name, 0)) return 1;
    const Described* described = Find(block, name, kBitKind);
    if (described == nullptr) return 1;
    for (const auto& [bit, itemText] : described->items) {
        if (itemText == text) {
            value = bit;
            return 0;
        }
    }
    return 1;
}

int MemoryDevice::GetObjectAttributes(int block, const std::string& name, ObjectAttributes& attributes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Begin("GetObjectAttributes", block, name, 0)) return 1;
    attributes = {};
    const auto object = objects_.find({block, name});
    if (object != objects_.end()) attributes.size = static_cast<uint16_t>(object->second.size());
    const auto found = described_.find({block, name});
    if (found != described_.end()) {
        for (const auto& [value, text] : found->second.items) {
            attributes.items.push_back(AttributeItem{found->second.kind, value, text});
        }
    }
    return 0;
}

}  // namespace fieldbus::testing
