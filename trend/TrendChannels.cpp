#include "trend/TrendChannels.h"

#include "logon/Edition.h"
#include "platform/Paths.h"
#include "platform/ProfileFile.h"

namespace trend {

using namespace graphs;
using fieldbus::ProcessChannel;

const std::array<TrendChannelInfo, kTrendChannelCount> kTrendChannels = {{
    {"Actual Pos.", "PosTrendEnable", 1, kGreen, kGreen, kBlack, fieldbus::kChannelFinalPositionValue},
    {"Target Pos.", "PosSPTrendEnable", 1, kYellow, kYellow, kBlack, fieldbus::kChannelFinalValue},
    {"Process P.V.", "PVTrendEnable", 0, kWhite, kWhite, kBlack, fieldbus::kChannelPidPv},
    {"Process S.P.", "SPTrendEnable", 0, kMagenta, kMagenta, kBlack, fieldbus::kChannelPidSp},
    {"Out Press.", "PressureTrendEnable", 0, kBlue, kBlue, kWhite, fieldbus::kChannelOutPressure},
    {"Servo Out.", "ServoOutputTrendEnable", 0, kRed, kRed, kWhite, fieldbus::kChannelServoOutputSignal},
}};

ChannelScale PercentOfRange(float eu100, float eu0) {
    ChannelScale scale;
    if (!(eu100 > eu0)) return scale;
    scale.factor = 100.0f / (eu100 - eu0);
    scale.offset = -scale.factor * eu0;
    return scale;
}

ChannelScale PercentOfFullScale(float fullScale) {
    ChannelScale scale;
    if (fullScale != 0.0f) scale.factor = 100.0f / fullScale;
    return scale;
}

float RawValue(const fieldbus::ProcessRecord& record, int channel) {
    switch (channel) {
        case kActualPosition: return record.finalPositionValue;
        case kTargetPosition: return record.finalValue;
        case kProcessPv: return record.pidPv;
        case kProcessSp: return record.pidSp;
        case kOutPressure: return record.outPressure;
        case kServoOutput: return record.servoOutputSignal;
        default: return 0.0f;
    }
}

fieldbus::ProcessChannels PollChannels(const ChannelFlags& flags) {
    fieldbus::ProcessChannels poll{};
    for (int i = 0; i < kTrendChannelCount; ++i)
        poll[static_cast<size_t>(kTrendChannels[static_cast<size_t>(i)].source)] = flags[static_cast<size_t>(i)];
    return poll;
}

ChannelFlags ReadChannelFlags(const std::string& profileFile) {
    ChannelFlags flags{};
    for (size_t i = 0; i < flags.size(); ++i)
        flags[i] = platform::GetPrivateProfileInt(kTrendSection, kTrendChannels[i].iniKey,
                                                  kTrendChannels[i].iniDefault, profileFile) != 0;
    return flags;
}

void WriteChannelFlags(const ChannelFlags& flags, const std::string& profileFile) {
    for (size_t i = 0; i < flags.size(); ++i)
        platform::WritePrivateProfileString(kTrendSection, kTrendChannels[i].iniKey, flags[i] ? "1" : "0",
                                            profileFile);
}

std::string TrendProfileFile() {
    const bool maker = logon::IsMakerEdition(logon::InstalledEdition());
    return platform::JoinPath(platform::ProgramDirectory(), maker ? "\\Tessaro.ini" : "\\Meridane.ini");
}

}  // namespace trend
