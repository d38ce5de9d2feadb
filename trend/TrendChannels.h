#pragma once
// The six quantities a trend window records, in the order they are stored in trend files:
// their legends, profile keys, colours, the process value each comes from, and how a raw
// value is scaled to the chart's percent axis.
#include <array>
#include <string>

#include "fieldbus/ViewRecords.h"
#include "graphs/NamedColors.h"

namespace trend {

inline constexpr int kTrendChannelCount = 6;
enum TrendChannelIndex {
    kActualPosition = 0,
    kTargetPosition = 1,
    kProcessPv = 2,
    kProcessSp = 3,
    kOutPressure = 4,
    kServoOutput = 5
};

struct TrendChannelInfo {
    const char* legend;
    const char* iniKey;      // section "Trend" of the program's profile file
    int iniDefault;
    graphs::ColorValue pen;  // solid, 2 pixels
    graphs::ColorValue legendText;
    graphs::ColorValue legendBack;
    fieldbus::ProcessChannel source;  // enable flag of the device's process poll
};
extern const std::array<TrendChannelInfo, kTrendChannelCount> kTrendChannels;

using ChannelFlags = std::array<bool, kTrendChannelCount>;

// The profile section of the enable flags.
inline constexpr const char* kTrendSection = "Trend";

// Plotted value = raw * factor + offset.
struct ChannelScale {
    float factor = 1.0f;
    float offset = 0.0f;
    float Apply(float raw) const { return raw * factor + offset; }
};
// Percent of a range: factor 100 / (eu100 - eu0), offset -factor * eu0; unscaled when eu100
// is not greater than eu0.
ChannelScale PercentOfRange(float eu100, float eu0);
// Percent of a full-scale value; unscaled when the full scale is 0.
ChannelScale PercentOfFullScale(float fullScale);

// The raw value of a channel in a process record.
float RawValue(const fieldbus::ProcessRecord& record, int channel);
// The process poll's enable flags for the channels' enable flags.
fieldbus::ProcessChannels PollChannels(const ChannelFlags& flags);

// Reads the six enable flags from the profile file (missing keys take their defaults).
ChannelFlags ReadChannelFlags(const std::string& profileFile);
// Writes them as "1" or "0".
void WriteChannelFlags(const ChannelFlags& flags, const std::string& profileFile);
// The program's profile file: "Tessaro.ini" in the program directory, "Meridane.ini" in the
// partner edition.
std::string TrendProfileFile();

}  // namespace trend
