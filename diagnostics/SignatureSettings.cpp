#include "diagnostics/SignatureSettings.h"

#include <bit>

#include "diagnostics/SignatureKind.h"

namespace diagnostics {

int SettingsGroupOfKind(int kind) {
    switch (kind) {
    case KindStandard: return 0;
    case KindExtended:
    case KindHighResolution: return 1;
    case KindStepResponse: return 2;
    case KindPositioner: return 3;
    default: return -1;
    }
}

const char* SettingsParameter(int group) {
    static const char* const names[kSettingsGroups] = {"STD_ACT_SIGN_SET", "EXT_ACT_SIGN_SET", "STEP_RESP_SET",
                                                       "POSITIONER_SIGN_SET"};
    return group >= 0 && group < kSettingsGroups ? names[group] : "";
}

int DeviceFloatCount(int group) {
    static const int counts[kSettingsGroups] = {3, 6, 4, 5};
    return group >= 0 && group < kSettingsGroups ? counts[group] : 0;
}

int SelectedKindCount(uint8_t mask) { return mask == kMeasureAll ? 1 : std::popcount(mask); }

}  // namespace diagnostics
