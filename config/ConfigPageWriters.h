#pragma once
// The six page writers of the configuration sheet. The sheet runs them in the order
// Position, Actuator, AO Block, Controller (only with the PID block activated), Option,
// General, each only when the one before succeeded.
#include <cstdint>
#include <string>

#include "config/ConfigPageWriter.h"

namespace config {

// Servo gain, reset and rate; the position control limits (cut-offs, position range, near
// close, limit switches, deviation limit and times); the servo warnings when the device has
// the extended servo parameters. A second deviation time below 10 s is asked about.
class PositionPageWriter : public ConfigPageWriter {
protected:
    void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) override;
};

// Valve action, valve type, actuator type; the valve historian limits (written together);
// valve and actuator model and serial numbers; valve and actuator manufacturers.
class ActuatorPageWriter : public ConfigPageWriter {
protected:
    void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) override;
};

// AO I/O and status options; set-point limits and rate limits (written together).
class AoBlockPageWriter : public ConfigPageWriter {
protected:
    void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) override;
};

// PID PV scale and its unit, control and status options, gain, reset, rate, feed-forward
// gain, set-point and output limits.
class ControllerPageWriter : public ConfigPageWriter {
protected:
    void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) override;
};

// Characterisation type and, for the custom type, its points; spring range and pressure
// unit; supply pressure; temperature unit; calibration person, location and date; servo
// tuning information (TB TAG_DESC); the boot class (link master or basic).
class OptionPageWriter : public ConfigPageWriter {
protected:
    void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) override;
};

// A device's new PD tag and node address, handed to the main view's tag and address change
// once the sheet has closed (the change closes the device and rescans the link).
struct TagAddressRequest {
    bool requested = false;
    std::string tag;
    uint8_t address = 0;
};

// Resource description (RB TAG_DESC) and the block tags. A changed PD tag or node address is
// checked here and, with a device, requested from the view; without a device it is stored.
class GeneralPageWriter : public ConfigPageWriter {
public:
    const TagAddressRequest& Request() const { return request_; }

protected:
    void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) override;

private:
    TagAddressRequest request_;
};

// Whether the characterisation choice is the custom one ("Define", value 255).
bool IsCustomCharacterisation(const ConfigEnumField<uint8_t>& type);

}  // namespace config
