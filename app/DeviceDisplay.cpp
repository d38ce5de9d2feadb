#include "app/DeviceDisplay.h"

#include "fieldbus/OperationState.h"

namespace app {

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

}  // namespace app
