#include "app/DeviceDisplay.h"

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
