#include "logon/Edition.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace logon {

Edition EditionFromSetting(const std::string& setting) {
    std::string lower = setting;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "meridane" || lower == "partner") return Edition::Partner;
    return Edition::Maker;
}

Edition InstalledEdition() {
    const char* setting = std::getenv("TESSARO_EDITION");
    return EditionFromSetting(setting ? setting : "");
}

std::string EditionName(Edition edition) {
    return IsMakerEdition(edition) ? "Tessaro" : "Meridane";
}

std::string EditionCompanyLine(Edition edition) {
    return IsMakerEdition(edition) ? "Tessaro Valve Instruments" : "Meridane Process Automation";
}

}  // namespace logon
