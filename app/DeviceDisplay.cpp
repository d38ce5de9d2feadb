#include "app/DeviceDisplay.h"

#include <cstdio>
#include <cstring>

#include "app/DeviceTreeItem.h"
#include "fieldbus/OperationState.h"

namespace app {

const char* DeviceKindText(DeviceIconKind kind) {
    switch (kind) {
        case DeviceIconKind::NotPositioner: return "not a positioner of this program";
        case DeviceIconKind::Positioner: return "positioner";
        case DeviceIconKind::LinkMasterCapable: return "link-master capable positioner, running as basic device";
        case DeviceIconKind::LinkMaster: return "positioner configured as link master";
    }
    return "";
}

namespace {
// A value as the page writes it: `decimals` places.
bool SameAsShown(float a, float b, int decimals) {
    char x[32], y[32];
    std::snprintf(x, sizeof x, "%.*f", decimals, static_cast<double>(a));
    std::snprintf(y, sizeof y, "%.*f", decimals, static_cast<double>(b));
    return std::strcmp(x, y) == 0;
}
}  // namespace

bool SameOnPage(const DeviceDisplay& a, const DeviceDisplay& b) {
    return a.slot == b.slot && a.hasMode == b.hasMode && a.actualMode == b.actualMode && a.normalMode == b.normalMode &&
           a.shownState == b.shownState && a.hasValues == b.hasValues &&
           SameAsShown(a.actualPosition, b.actualPosition, 2) && SameAsShown(a.setPoint, b.setPoint, 2) &&
           SameAsShown(a.outPressure, b.outPressure, 2) && SameAsShown(a.servoOutput, b.servoOutput, 2) &&
           SameAsShown(a.electTemp, b.electTemp, 1) && a.staleSeconds == b.staleSeconds && a.identity == b.identity &&
           a.positionUnit == b.positionUnit && a.pressureUnit == b.pressureUnit &&
           a.temperatureUnit == b.temperatureUnit;
}

std::string ModeText(uint8_t mode) {
    std::string text;
    for (int bit = 7; bit >= 0; --bit) {
        const uint8_t one = static_cast<uint8_t>(1u << bit);
        if (!(mode & one)) continue;
        if (!text.empty()) text += " ";
        text += fieldbus::ModeName(one);
    }
    return text.empty() ? "-" : text;
}

std::string BlocksOutOfNormalMode(const DeviceDisplay& display) {
    std::string text;
    for (size_t i = 0; i < static_cast<size_t>(kShownBlockCount); ++i) {
        const uint8_t normal = display.normalMode[i];
        if (!display.hasMode[i] || normal == 0 || (display.actualMode[i] & normal) != 0) continue;
        if (!text.empty()) text += ", ";
        text += std::string(kShownBlockNames[i]) + " " + ModeText(display.actualMode[i]) + " (normal " +
                ModeText(normal) + ")";
    }
    return text;
}

}  // namespace app
