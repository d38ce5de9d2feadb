#pragma once
// Which measurements the signature page offers and which are chosen: the kind boxes,
// "Measure &All" and "PC Controlled", with the rules that tie them together. A device that
// measures signatures itself offers every kind (the actuator signatures only with a pressure
// sensor); high resolution and extended exclude each other; "Measure &All" is the device's
// own sequence; "PC Controlled" (the program strokes the valve itself, for devices without
// the signature option) offers the standard and extended signatures only.
#include <array>
#include <cstdint>

#include "diagnostics/SignatureSettings.h"
#include "fieldbus/DeviceAccess.h"

namespace diagnostics {

struct SignatureCapabilities {
    bool device = false;          // a device is selected
    bool pressureSensor = false;  // PRESS_SENS_INSTALLED
    bool measuresItself = false;  // the signature option or the device-diagnostics firmware
    bool makerEdition = true;     // the program runs as the maker edition
    // The program may drive the signatures itself: the maker edition, with a device with a
    // pressure sensor that cannot measure them.
    bool HostAvailable() const { return makerEdition && device && pressureSensor && !measuresItself; }
};

// What an open device offers: the signature option (0x0002 of DEV_OPTIONS read as a
// big-endian number) or the device-diagnostics firmware, and PRESS_SENS_INSTALLED reading
// "Installed" (2). A failed read counts as absent. The edition is the installed one.
SignatureCapabilities ReadSignatureCapabilities(fieldbus::DeviceAccess& device);

class SignatureSelection {
public:
    explicit SignatureSelection(SignatureCapabilities caps = {});

    // "Measure &All"; both ways the step size and round trip of `settings` become 0.
    void SetAll(bool on, SignatureSettings& settings);
    void SetKind(int kind, bool on);
    void SetPcControlled(bool on);

    // The selection: kind bits, or 0xFF for "Measure ALL".
    uint8_t Mask() const;
    bool Checked(int kind) const;
    bool Enabled(int kind) const;
    bool AllChecked() const { return all_; }
    bool AllEnabled() const { return caps_.device && caps_.measuresItself && !pc_; }
    bool PcChecked() const { return pc_; }
    bool PcEnabled() const { return caps_.HostAvailable(); }
    // "&GO" and "Signature Notes".
    bool GoEnabled() const { return caps_.device && Mask() != 0; }

private:
    // The boxes as after unchecking "Measure &All".
    void FreeBoxes();

    SignatureCapabilities caps_;
    bool all_ = false, pc_ = false;
    std::array<bool, 5> checked_{}, enabled_{};
};

}  // namespace diagnostics
