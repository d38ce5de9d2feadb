#pragma once
// One run of the "Calibration" sheet: how the main view's command enters it (trend windows,
// the out-of-service question, the view's readers stopped meanwhile), its pages, and what OK
// and Cancel do on the way out.
#include <memory>
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "calibration/RangePage.h"
#include "calibration/ServoPages.h"
#include "calibration/TravelCalibrationPage.h"
#include "fieldbus/DeviceAccess.h"

namespace calibration {

// What the calibration command needs from the main view.
class CalibrationHost {
public:
    virtual ~CalibrationHost() = default;
    virtual int OpenTrendWindowCount() const = 0;
    virtual void StopPolling() = 0;
    virtual void StartPolling() = 0;
    // Runs the sheet modally.
    virtual void RunSheet(const std::string& title) = 0;
};

// "Calibration (tag)", or "Calibration (No Device Attached)".
std::string CalibrationTitle(const std::string& tag, bool devicePresent);

// The main view's "Calibration" command on `device` (nullptr: none selected); `shownState`
// is the operation state the view shows. Returns 0 when the sheet ran, 1 when refused or the
// device could not be put out of service, 2 when the user declined.
int RunCalibrationCommand(fieldbus::DeviceAccess* device, const std::string& tag, int shownState,
                          CalibrationHost& host);

// Whether a device has the extended servo parameters (DEV_TYPE 7 from revision 2, DEV_TYPE 1
// from revision 4), read from its resource block.
bool ReadExtendedServo(fieldbus::DeviceAccess& device);

class CalibrationSession {
public:
    CalibrationSession(fieldbus::DeviceAccess& device, ProcedureDialogs& dialogs, bool extendedServo);

    // Loads every page.
    void Open();
    RangePage& Range() { return range_; }
    TuningPage& Tuning() { return tuning_; }
    TravelCalibrationPage& Travel() { return travel_; }
    AdvancedPage& Advanced() { return advanced_; }
    bool ExtendedServo() const { return extendedServo_; }

    // The Tuning page's buttons and the Advanced page's default button, with what the other
    // page then reads again.
    // True when the tune finished and its parameters are in the device.
    bool AutoTune(bool searchStops);
    void SetServoDefaults();

    void Ok();
    void Cancel();

private:
    fieldbus::DeviceAccess& device_;
    bool extendedServo_;
    RangePage range_;
    TuningPage tuning_;
    TravelCalibrationPage travel_;
    AdvancedPage advanced_;
};

}  // namespace calibration
