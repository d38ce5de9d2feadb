#pragma once
// Shared by the configuration tests: a record with a distinct value in every member, and an
// independent description of the configuration file's item sequence (number, condition,
// encoding) used to build expected file images byte by byte.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/CConfigData.h"
#include "values/ValueCodec.h"

namespace configtest {

using config::CConfigData;

// A byte string from a literal that may hold zero bytes.
template <size_t N>
std::string B(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// ---- Little-endian encoders, written independently of the archive ----

inline void PutU8(std::string& b, uint32_t v) { b.push_back(static_cast<char>(v & 0xFF)); }
inline void PutU16(std::string& b, uint32_t v) {
    PutU8(b, v);
    PutU8(b, v >> 8);
}
inline void PutU32(std::string& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}
inline void PutF32(std::string& b, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(b, bits);
}
inline void PutText(std::string& b, const std::string& s) {
    if (s.size() < 255) {
        PutU8(b, static_cast<uint32_t>(s.size()));
    } else if (s.size() < 0xFFFE) {
        PutU8(b, 0xFF);
        PutU16(b, static_cast<uint32_t>(s.size()));
    } else {
        PutU8(b, 0xFF);
        PutU16(b, 0xFFFF);
        PutU32(b, static_cast<uint32_t>(s.size()));
    }
    b += s;
}
inline void PutTextList(std::string& b, const std::vector<std::string>& list) {
    PutU32(b, static_cast<uint32_t>(list.size()));
    for (const auto& s : list) PutText(b, values::ValueCodec::Instance().UnitToDisplay(s));
}
inline void PutValueList(std::string& b, const std::vector<uint32_t>& list) {
    if (list.size() < 0xFFFF) {
        PutU16(b, static_cast<uint32_t>(list.size()));
    } else {
        PutU16(b, 0xFFFF);
        PutU32(b, static_cast<uint32_t>(list.size()));
    }
    for (uint32_t v : list) PutU32(b, v);
}
inline void PutDate(std::string& b, const config::ConfigDate& d) {
    PutU32(b, d.summerTime);
    PutU8(b, d.hours);
    PutU8(b, d.minutes);
    PutU8(b, d.seconds);
    PutU16(b, d.milliseconds);
    PutU8(b, d.dayOfWeek);
    PutU8(b, d.dayOfMonth);
    PutU8(b, d.month);
    PutU8(b, d.year);
}

// ---- The item table ----

enum class Cond { All, V20, V21, V22, BitValues, Tail, Extended };

struct Item {
    int number;
    Cond cond;
    std::function<void(std::string&, CConfigData&)> encode;
    std::function<void(CConfigData& from, CConfigData& to)> copy;
};

// Version index: 0 "1.0" ... 5 "2.4". `extended` is the extended-servo flag of the record.
inline bool Present(Cond cond, int version, int runMode, bool extended) {
    const bool tail = version == 5 || (version == 4 && runMode != 3);
    switch (cond) {
        case Cond::All: return true;
        case Cond::V20: return version >= 1;
        case Cond::V21: return version >= 2;
        case Cond::V22: return version >= 3;
        case Cond::BitValues: return version == 5 || (version == 4 && runMode == 3);
        case Cond::Tail: return tail;
        case Cond::Extended: return tail && extended;
    }
    return false;
}

// The 173 items in file order.
std::vector<Item> ItemTable();
const char* VersionText(int version);

// Expected file image of `data` in `version` (1 and 2 included: marker and version text).
std::string ExpectedImage(CConfigData& data, int version, int runMode);
// The item numbers present in `version`.
std::vector<int> PresentItems(int version, int runMode, bool extended);
// `base` with every item present in `version` copied from `from` (what loading a file
// written from `from` must give), including the leading-blank trimming of the identification.
CConfigData ExpectedAfterLoad(const CConfigData& base, const CConfigData& from, int version, int runMode);

// A record with a distinct, non-default value in every stored member.
CConfigData MakeFilledConfig(int runMode, uint32_t extended = 1);

}  // namespace configtest
