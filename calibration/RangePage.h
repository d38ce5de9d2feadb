#pragma once
// The "Range" page of the calibration sheet: automatic and manual stop finding and the open
// stop adjustment, with the result text the page shows after "Find Range Result :".
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "fieldbus/DeviceAccess.h"

namespace calibration {

enum class RangeOption { AutoStops, ManualStops, OpenStopAdjust };

inline constexpr float kOpenStopLowest = 60.0f;
inline constexpr float kOpenStopHighest = 100.0f;

class RangePage {
public:
    // `extendedServo`: the device has the extended servo parameters capability (it applies
    // an open stop adjustment by itself; others need a stop finding after it).
    RangePage(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs, bool extendedServo);

    // "&GO" with the selected option and the text of the "Open Stop Adjustment" field.
    void Go(RangeOption option, const std::string& adjustmentText);

    const std::string& ResultText() const { return result_; }
    // The value the "Open Stop Adjustment" field shows.
    float AdjustmentField() const { return field_; }
    void SetAdjustmentField(float value) { field_ = value; }
    // An adjustment was applied in this sheet.
    bool AdjustmentApplied() const { return applied_; }

private:
    void FindStops(uint8_t command);
    void FindStopsManually();
    void AdjustOpenStop(float value);

    fieldbus::DeviceAccess& device_;
    ProcedureDialogs& dialogs_;
    bool extendedServo_;
    std::string result_;
    float field_;
    bool applied_ = false;
};

// The last applied open stop adjustment (kept with the current configuration).
float LastAppliedOpenStop();
void SetLastAppliedOpenStop(float value);

}  // namespace calibration
