#include "nifb/dd/Latin1Text.h"

namespace nifb::dd {

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

bool Utf8ToLatin1(const std::string& utf8, std::string& bytes) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            continue;
        }
        // Latin-1 beyond ASCII is two bytes: 0xC2 or 0xC3, then a continuation byte.
        if ((b != 0xC2 && b != 0xC3) || i + 1 >= utf8.size()) return false;
        const unsigned char next = static_cast<unsigned char>(utf8[i + 1]);
        if ((next & 0xC0) != 0x80) return false;
        out += static_cast<char>(((b & 0x03) << 6) | (next & 0x3F));
        ++i;
    }
    bytes = std::move(out);
    return true;
}

}  // namespace nifb::dd
