#pragma once
// A device for tests: the generic operations of DeviceAccess over an in-memory map of
// (block, dotted name) -> wire octets, with enumeration and bit texts, injectable failures
// and a record of every call.
//
// Reads behave like the Fieldbus library: size 0 asks for the stored size, a buffer smaller
// than the object fails, a larger one receives the object and `size` says how much. Writes
// must name a stored object and match its size (size 0 takes the stored size). Blocks
// outside 0 .. BlockCount()-1 fail. Texts are stored as plain texts (no language markers).
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fieldbus/DeviceAccess.h"

namespace fieldbus::testing {

class MemoryDevice : public DeviceAccess {
public:
    struct Call {
        std::string op;  // "ReadParameter", "WriteParameter", "ReadString", ...
        int block = -1;
        std::string name;
        uint16_t size = 0;          // asked (reads) or written (writes)
        std::vector<uint8_t> data;  // octets written
    };
    using Items = std::vector<std::pair<uint32_t, std::string>>;

    explicit MemoryDevice(int blockCount = 8);

    // ---- Set-up and inspection of stored objects (values in host order) ------------------
    void SetBytes(int block, const std::string& name, std::vector<uint8_t> bytes);
    void SetFloats(int block, const std::string& name, const std::vector<float>& values);
    void SetFloat(int block, const std::string& name, float value) { SetFloats(block, name, {value}); }
    void SetU16(int block, const std::string& name, uint16_t value);
    void SetU32(int block, const std::string& name, uint32_t value);
    // A visible string in a field of `size` octets, filled up with blanks.
    void SetText(int block, const std::string& name, const std::string& text, size_t size = 32);
    bool Has(int block, const std::string& name) const;
    std::vector<uint8_t> Bytes(int block, const std::string& name) const;
    float FloatAt(int block, const std::string& name, size_t index = 0) const;

    // Enumeration items (value, text) and bit items (1 << k, text) of a parameter.
    void SetEnum(int block, const std::string& name, Items items);
    void SetBits(int block, const std::string& name, Items items);

    // ---- Failures and calls ------------------------------------------------------------
    // Makes operation `op` fail for `name` (any name when empty), on any block.
    void FailOn(const std::string& op, const std::string& name = {});
    void ClearFailures();
    void SetOpen(bool open);
    std::vector<Call> Calls() const;
    // Calls of one operation (all operations when `op` is empty).
    size_t CallCount(const std::string& op = {}) const;
    void ClearCalls();

    // ---- DeviceAccess --------------------------------------------------------------------
    bool IsOpen() const override;
    int GetBlockCount() const override { return blockCount_; }
    int ReadParameter(int block, const std::string& name, void* buffer, uint16_t& size) override;
    int WriteParameter(int block, const std::string& name, const void* buffer, uint16_t size) override;
    int ReadString(int block, const std::string& name, std::string& text) override;
    int WriteString(int block, const std::string& name, const std::string& text) override;
    int GetEnumText(int block, const std::string& name, std::string& text, uint32_t value) override;
    int GetEnumTexts(int block, const std::string& name, std::vector<std::string>& texts) override;
    int FindEnumValue(int block, const std::string& name, const std::string& text, uint8_t& value) override;
    int FindEnumValue(int block, const std::string& name, const std::string& text, uint16_t& value) override;
    int FindEnumValue(int block, const std::string& name, const std::string& text, uint32_t& value) override;
    int GetBitTexts(int block, const std::string& name, std::vector<std::string>& texts) override;
    int GetBitTexts(int block, const std::string& name, uint32_t value, std::vector<std::string>& texts) override;
    int FindBitValue(int block, const std::string& name, const std::string& text, uint32_t& value) override;
    int GetObjectAttributes(int block, const std::string& name, ObjectAttributes& attributes) override;

private:
    using Key = std::pair<int, std::string>;
    struct Described {
        uint8_t kind = 0;  // 1 enumeration, 2 bit string
        Items items;
    };

    // Records the call and tells whether it may go on (valid block, no injected failure).
    bool Begin(const std::string& op, int block, const std::string& name, uint16_t size,
               const std::vector<uint8_t>& data = {});
    const Described* Find(int block, const std::string& name, uint8_t kind) const;
    // The enumeration value of `text` as big-endian octets of `size`.
    int FindEnumWire(int block, const std::string& name, const std::string& text, size_t size, uint8_t* wire);

    mutable std::mutex mutex_;
    int blockCount_;
    bool open_ = true;
    std::map<Key, std::vector<uint8_t>> objects_;
    std::map<Key, Described> described_;
    std::set<std::pair<std::string, std::string>> failures_;
    std::vector<Call> calls_;
};

}  // namespace fieldbus::testing
