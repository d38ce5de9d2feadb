// Trend files (.tre): any bytes are refused or accepted, and an accepted file stores again
// to bytes that read back to the same samples.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "trend/TrendFile.h"

using namespace trend;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TrendFileContents contents;
    std::string error;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (ParseTrendFile(bytes, contents, &error) != TrendParseResult::Ok) {
        for (const auto& channel : contents.channels)
            if (!channel.empty()) std::abort();  // a refused file fills nothing
        return 0;
    }
    std::array<std::span<const TrendSample>, kTrendChannelCount> channels;
    for (size_t i = 0; i < kTrendChannelCount; ++i) channels[i] = contents.channels[i];
    TrendFileContents again;
    if (ParseTrendFile(StoreTrendFile(contents.header, channels), again) != TrendParseResult::Ok) std::abort();
    for (size_t i = 0; i < kTrendChannelCount; ++i)
        if (again.channels[i].size() != contents.channels[i].size()) std::abort();
    return 0;
}
