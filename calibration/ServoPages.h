#pragma once
// The servo pages of the calibration sheet. "Tuning" starts the auto tune (optionally after
// a stop finding) and edits the five main servo parameters; "Advanced" edits the boost
// stages and further servo parameters and can return them all to the factory set. Both
// show the values read when the page was loaded ("Original") beside the edited ones ("Now").
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "calibration/ServoSets.h"
#include "fieldbus/DeviceAccess.h"

namespace calibration {

class TuningPage {
public:
    TuningPage(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs) : device_(device), dialogs_(dialogs) {}

    // Reads the five into both columns (the current configuration's when the read fails).
    void Load();
    // Reads the device's five into "Now" again (after the factory set was restored).
    void Reload();
    // "&Auto Tune" (searchStops false) or "&Search Stops \n+ Auto Tune". True when the
    // procedure ran: the Advanced page then reads its values again.
    bool AutoTune(bool searchStops);
    // The user changed the "Now" column.
    void Edit(const MainServoSet& now);

    const MainServoSet& Original() const { return original_; }
    const MainServoSet& Now() const { return now_; }
    bool Edited() const { return edited_; }
    bool Tuned() const { return tuned_; }
    const std::string& ResultText() const { return result_; }

private:
    fieldbus::DeviceAccess& device_;
    ProcedureDialogs& dialogs_;
    MainServoSet original_, now_;
    bool edited_ = false;  // edited since last read from the device
    bool tuned_ = false;   // an auto tune started in this sheet
    std::string result_;
};

// How long SERVO_RET_TO_DEFAULT may take to read 1 again, and the pace of its reads.
inline constexpr uint64_t kServoDefaultLimitMs = 30000;
inline constexpr uint32_t kServoDefaultPollMs = 100;

class AdvancedPage {
public:
    AdvancedPage(fieldbus::DeviceAccess& device, bool extended) : device_(device), extended_(extended) {}

    // Reads the values into both columns (the current configuration's when the read fails).
    void Load();
    // Reads the device's values into "Now" again (after an auto tune changed them); the
    // "Original" column keeps the values of the opening.
    void Reload();
    // "Set Servo Parameters to Default": true when the device took them (the Tuning page
    // then reads its values again).
    bool SetDefaults();
    void Edit(const AdvancedServoSet& now) { now_ = now; }

    bool Extended() const { return extended_; }  // "More..." (double-acting stages) is offered
    const AdvancedServoSet& Original() const { return original_; }
    const AdvancedServoSet& Now() const { return now_; }

private:
    fieldbus::DeviceAccess& device_;
    bool extended_;
    AdvancedServoSet original_, now_;
};

// What closing the sheet does with the servo values. OK: edited main values that differ
// from the configuration are written and then kept in it (unedited ones, read from the
// device, are kept directly); advanced ones that differ are written and kept one by one.
// Cancel after an auto tune: the values read when the pages opened are written back.
void ApplyServoPagesOnOk(fieldbus::DeviceAccess& device, const TuningPage& tuning, const AdvancedPage& advanced,
                         config::CConfigData& config);
void RestoreServoPagesOnCancel(fieldbus::DeviceAccess& device, const TuningPage& tuning,
                               const AdvancedPage& advanced);

}  // namespace calibration
