#include "diagnostics/SignatureSelection.h"

#include "diagnostics/SelfCheck.h"
#include "diagnostics/SignatureKind.h"
#include "logon/Edition.h"

namespace diagnostics {

SignatureCapabilities ReadSignatureCapabilities(fieldbus::DeviceAccess& device) {
    const int tb = device.BlockOf(fieldbus::BlockKind::TB);
    uint8_t options[2] = {};
    uint16_t size = 2;
    const bool option = device.ReadParameter(tb, "DEV_OPTIONS", options, size) == 0 && size == 2 &&
                        (options[1] & 0x02) != 0;
    uint8_t sensor = 0;
    size = 1;
    SignatureCapabilities caps;
    caps.device = true;
    caps.pressureSensor = device.ReadParameter(tb, "PRESS_SENS_INSTALLED", &sensor, size) == 0 && size == 1 &&
                          sensor == 2;
    caps.measuresItself = option || ReadDeviceDiagnostics(device);
    caps.makerEdition = logon::IsMakerEdition(logon::InstalledEdition());
    return caps;
}

SignatureSelection::SignatureSelection(SignatureCapabilities caps) : caps_(caps) {
    if (caps_.device && caps_.measuresItself) FreeBoxes();
}

void SignatureSelection::FreeBoxes() {
    enabled_[KindStepResponse] = enabled_[KindPositioner] = true;
    for (int kind : {KindStandard, KindExtended, KindHighResolution}) {
        enabled_[static_cast<size_t>(kind)] = caps_.pressureSensor;
        if (!caps_.pressureSensor) checked_[static_cast<size_t>(kind)] = false;
    }
    // High resolution and extended exclude each other.
    if (checked_[KindExtended]) enabled_[KindHighResolution] = false;
    if (checked_[KindHighResolution]) enabled_[KindExtended] = false;
}

void SignatureSelection::SetAll(bool on, SignatureSettings& settings) {
    settings.At(2, kStepSize) = 0.0f;
    settings.At(2, kStepRoundTrip) = 0.0f;
    if (!AllEnabled()) return;
    all_ = on;
    if (on) {
        checked_ = {true, true, false, true, true};
        enabled_.fill(false);
    } else {
        FreeBoxes();
    }
}

void SignatureSelection::SetKind(int kind, bool on) {
    if (kind < 0 || kind >= kMeasuredKindCount || !enabled_[static_cast<size_t>(kind)]) return;
    checked_[static_cast<size_t>(kind)] = on;
    if (kind == KindExtended) enabled_[KindHighResolution] = !on && caps_.pressureSensor && !pc_;
    if (kind == KindHighResolution) enabled_[KindExtended] = !on && caps_.pressureSensor;
}

void SignatureSelection::SetPcControlled(bool on) {
    if (!PcEnabled()) return;
    pc_ = on;
    if (on) {
        all_ = false;
        checked_[KindHighResolution] = checked_[KindStepResponse] = checked_[KindPositioner] = false;
        enabled_ = {true, true, false, false, false};
        return;
    }
    if (!caps_.measuresItself) {
        checked_.fill(false);
        enabled_.fill(false);
    } else {
        FreeBoxes();
    }
}

uint8_t SignatureSelection::Mask() const {
    if (all_) return kMeasureAll;
    uint8_t mask = 0;
    for (int kind = 0; kind < kMeasuredKindCount; ++kind)
        if (checked_[static_cast<size_t>(kind)]) mask = static_cast<uint8_t>(mask | KindBit(kind));
    return mask;
}

bool SignatureSelection::Checked(int kind) const {
    return kind >= 0 && kind < kMeasuredKindCount && checked_[static_cast<size_t>(kind)];
}

bool SignatureSelection::Enabled(int kind) const {
    return kind >= 0 && kind < kMeasuredKindCount && enabled_[static_cast<size_t>(kind)];
}

}  // namespace diagnostics
