#include "diagnostics/StepResponsePercent.h"

#include <cmath>
#include <cstdlib>

#include "config/CConfigData.h"
#include "platform/ProfileFile.h"

namespace diagnostics {

float StepResponsePercent(const std::string& profileFile) {
    const std::string text = platform::GetPrivateProfileString("Diagnostics", "Step Response Time(%)", "", profileFile);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() && std::isfinite(value) && value > 0.0 && value <= 100.0) return static_cast<float>(value);
    platform::WritePrivateProfileString("Diagnostics", "Step Response Time(%)", "86", profileFile);
    return kDefaultStepResponsePercent;
}

std::string ProgramProfileFile() { return config::CurrentConfig().identity.profileFile; }

}  // namespace diagnostics
