#include "diagnostics/DiagnosticModes.h"

#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

namespace diagnostics {

using fieldbus::BlockKind;

namespace {

int ReadTarget(fieldbus::DeviceAccess& device, BlockKind kind, const char* name, uint8_t& mode, std::string& failure) {
    if (device.ReadTargetMode(device.BlockOf(kind), mode) == 0) return 0;
    failure = std::string("Raed MODE_BLK.TARGET of ") + name + " error";
    return 1;
}

int Shown(int result, const std::string& failure) {
    if (result != 0 && !failure.empty()) platform::ShowMessage(failure, platform::MB_OK | platform::MB_ICONSTOP);
    return result;
}

}  // namespace

int ReadDiagnosticModes(fieldbus::DeviceAccess& device, bool& bothOos, std::string& failure) {
    bothOos = false;
    failure.clear();
    uint8_t ao = 0, tb = 0;
    if (ReadTarget(device, BlockKind::AO, "AO", ao, failure) != 0 ||
        ReadTarget(device, BlockKind::TB, "TB", tb, failure) != 0)
        return 1;
    bothOos = ao == fieldbus::kModeOos && tb == fieldbus::kModeOos;
    return 0;
}

int PutDiagnosticModes(fieldbus::DeviceAccess& device, std::string& failure) {
    failure.clear();
    for (auto [kind, name] : {std::pair{BlockKind::AO, "AO"}, std::pair{BlockKind::TB, "TB"}}) {
        uint8_t mode = 0;
        if (ReadTarget(device, kind, name, mode, failure) != 0) return 1;
        if (mode == fieldbus::kModeOos) continue;
        if (device.SetBlockMode(device.BlockOf(kind), fieldbus::kModeOos) != 0) {
            failure = std::string("Can not set MODE_BLK.TARGET of ") + name + " to OOS";
            return 1;
        }
    }
    return 0;
}

int CheckDiagnosticModes(fieldbus::DeviceAccess& device, bool& bothOos) {
    std::string failure;
    return Shown(ReadDiagnosticModes(device, bothOos, failure), failure);
}

int SetDiagnosticModes(fieldbus::DeviceAccess& device) {
    std::string failure;
    return Shown(PutDiagnosticModes(device, failure), failure);
}

}  // namespace diagnostics
