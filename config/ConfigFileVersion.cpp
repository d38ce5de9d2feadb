#include "config/ConfigFileVersion.h"

#include "platform/RunMode.h"

namespace config {

namespace {
const char* const kVersionTexts[ConfigFileVersionCount] = {"1.0", "2.0", "2.1", "2.2", "2.3", "2.4"};
}

const char* ConfigFileVersionText(int version) {
    if (version < 0 || version >= ConfigFileVersionCount) return "";
    return kVersionTexts[version];
}

int ConfigFileVersionIndex(const std::string& text) {
    for (int i = 0; i < ConfigFileVersionCount; ++i)
        if (text == kVersionTexts[i]) return i;
    return -1;
}

bool IsAcceptedConfigFileVersion(int version, int runMode) {
    if (version < 0 || version >= ConfigFileVersionCount) return false;
    if (runMode == RunModeAmsSnapOn) return version == Version23 || version == Version24;
    return true;
}

bool HasBitValueLists(int version, int runMode) {
    return version == Version24 || (version == Version23 && runMode == RunModeAmsSnapOn);
}

bool HasTailItems(int version, int runMode) {
    return version == Version24 || (version == Version23 && runMode != RunModeAmsSnapOn);
}

}  // namespace config
