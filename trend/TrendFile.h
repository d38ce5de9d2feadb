#pragma once
// Trend data files (.tre), little-endian:
//
//   text   identifier "TessaroTrend"
//   text   version "2.1T", "2.1" or "0.9d"
//   text   status text at the time of saving
//   f32    last sample time
//   u32    history length in seconds
//   array  channels 1 to 4 (actual position, target position, process PV, process SP);
//          channel 5 (out pressure) in "2.1" and "2.1T"; channel 6 (servo output) in "2.1T"
//
// A text is a length and its characters without terminator; the length takes one byte when
// below 255, else the byte 0xFF and a u16 up to 65533, else 0xFF, the u16 0xFFFF and a u32.
// An array is a u32 holding the sample count - 1 (0xFFFFFFFF: empty), then per sample the
// time f32, the value f32 and the break flag u32.
//
// Reading checks every length and count against the bytes that remain before it allocates.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "trend/TrendChannels.h"
#include "trend/TrendSampleArray.h"

namespace trend {

inline constexpr const char* kTrendIdentifier = "TessaroTrend";
inline constexpr const char* kVersion21T = "2.1T";
inline constexpr const char* kVersion21 = "2.1";
inline constexpr const char* kVersion09d = "0.9d";

// The number of channel arrays a version holds (0 for an unknown version).
int ChannelCountOf(const std::string& version);

struct TrendFileHeader {
    std::string version = kVersion21;
    std::string statusText;
    float lastSampleTime = 0.0f;
    uint32_t historySeconds = 3600;
};

struct TrendFileContents {
    TrendFileHeader header;
    std::array<std::vector<TrendSample>, kTrendChannelCount> channels;
};

// The bytes of a file of `header.version` (an unknown version is written as "2.1T"); the
// channels beyond the version's count are left out.
std::string StoreTrendFile(const TrendFileHeader& header,
                           const std::array<std::span<const TrendSample>, kTrendChannelCount>& channels);

enum class TrendParseResult {
    Ok,
    NotNative,           // the identifier is not "TessaroTrend" (compared exactly)
    IncompatibleVersion,
    Damaged,             // a length or count runs past the end, or the file is cut short
};
// Reads a whole file. Only Ok fills `contents`; channels the version lacks stay empty.
// `error` says where a damaged file went wrong.
TrendParseResult ParseTrendFile(std::string_view bytes, TrendFileContents& contents, std::string* error = nullptr);

}  // namespace trend
