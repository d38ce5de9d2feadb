#pragma once
// The "Travel Calibration" page: the target position is moved in chosen increments (or set
// directly) until the valve stands where 0 %, 100 % or 50 % belongs, and the calibration
// of that type is applied there.
#include <string>

#include "fieldbus/DeviceAccess.h"

namespace calibration {

class TravelCalibrationPage {
public:
    explicit TravelCalibrationPage(fieldbus::DeviceAccess& device) : device_(device) {}

    // Opening: the current target, also as the "Change To (%)" text.
    void Load();
    // Reads FINAL_VALUE and shows it when it changed; false when the read failed (shown).
    bool RefreshTarget();
    // The up-down control: `steps` increments (negative: down) on the "Change To (%)" text,
    // then the target is set.
    void Step(int steps, double increment);
    // "&Set" or the end of an entry in "Change To (%)": the text becomes the target,
    // clamped to FINAL_VALUE_RANGE.
    void SetTarget();
    // "&Apply Calib." with command 2 (0 %), 3 (span) or 4 (50 %).
    void Apply(uint8_t command);
    // Reads FINAL_POSITION_VALUE, where the valve stands now, for the page's live display;
    // a failed read shows no value and no message (the page reads it again shortly).
    bool RefreshPosition();

    const std::string& ChangeToText() const { return changeTo_; }
    void SetChangeToText(const std::string& text) { changeTo_ = text; }
    const std::string& TargetText() const { return target_; }
    const std::string& ResultText() const { return result_; }
    const std::string& PositionText() const { return position_; }

private:
    fieldbus::DeviceAccess& device_;
    std::string changeTo_;
    std::string target_;
    std::string result_;
    std::string position_;
    float shown_ = 0.0f;
    bool hasShown_ = false;
};

// "%4.2f" without a negative zero.
std::string FormatTarget(double value);

}  // namespace calibration
