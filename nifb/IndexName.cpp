#include "nifb/IndexName.h"

#include <array>
#include <cstring>

#include "nifb/nifb.h"

namespace nifb {

std::string IndexName(uint32_t index) { return "$I" + std::to_string(index); }

std::string IndexSubindexName(uint32_t index, uint32_t subindex) {
    return IndexName(index) + "." + std::to_string(subindex);
}

namespace {
bool ParseNumber(const std::string& s, size_t& pos, uint32_t& out) {
    size_t start = pos;
    uint64_t v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        v = v * 10 + static_cast<uint64_t>(s[pos] - '0');
        if (v > 0xFFFFFFFFull) return false;
        ++pos;
    }
    out = static_cast<uint32_t>(v);
    return pos > start;
}
}  // namespace

bool ParseIndexName(const std::string& name, uint32_t& index, uint32_t& subindex) {
    if (name.size() < 3 || name[0] != '$' || name[1] != 'I') return false;
    size_t pos = 2;
    if (!ParseNumber(name, pos, index)) return false;
    subindex = 0;
    if (pos == name.size()) return true;
    if (name[pos] != '.') return false;
    ++pos;
    return ParseNumber(name, pos, subindex) && pos == name.size();
}

}  // namespace nifb

namespace {
constexpr size_t kRing = 16;
thread_local std::array<std::array<char, 32>, kRing> t_names;
thread_local size_t t_next = 0;

const char* Keep(const std::string& text) {
    auto& slot = t_names[t_next];
    t_next = (t_next + 1) % kRing;
    std::strncpy(slot.data(), text.c_str(), slot.size() - 1);
    slot[slot.size() - 1] = '\0';
    return slot.data();
}
}  // namespace

extern "C" const char* makeIndex(uint32_t index) { return Keep(nifb::IndexName(index)); }

extern "C" const char* makeIndexSubindex(uint32_t index, uint32_t subindex) {
    return Keep(nifb::IndexSubindexName(index, subindex));
}
