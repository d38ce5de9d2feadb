#include "logon/PasswordHash.h"

namespace logon {

uint32_t PasswordHash(const std::string& text) {
    uint32_t value = 0;
    for (char c : text) {
        // Bytes from 0x80 upwards count as negative; converting the signed byte to uint32_t
        // gives the same result modulo 2^32 as adding the negative number.
        const auto byte = static_cast<int8_t>(static_cast<unsigned char>(c));
        value = value * 33u + static_cast<uint32_t>(static_cast<int32_t>(byte));
    }
    return value;
}

uint32_t LogonCheckValue(uint32_t level, uint32_t key1, const std::string& name) {
    const std::string text = std::to_string(static_cast<int32_t>(level)) +
                             std::to_string(static_cast<int32_t>(key1)) + name;
    return PasswordHash(text);
}

}  // namespace logon
