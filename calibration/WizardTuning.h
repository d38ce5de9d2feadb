#pragma once
// The setup wizard's tuning page: "&Go" finds the stops and tunes the servo in one run of the
// device procedure, "&Skip" passes on. The result code picks the page's icon; a tune that
// succeeded or only warned offers the servo set it produced, which the user accepts (it
// becomes the wizard's) or refuses (the previous set is written back).
#include <cstdint>
#include <functional>
#include <string>

#include "calibration/ProcedureDialogs.h"
#include "calibration/ServoSets.h"
#include "config/CConfigData.h"
#include "fieldbus/DeviceAccess.h"

namespace calibration {

enum class TuneIcon { None, Success, Warning, Error };
// 1 success; 21 to 99 a warning; 2 and from 100 an error; any other code no icon.
TuneIcon IconForResult(uint8_t code);

// Everything a tune may change: the main and advanced servo sets and the open stop adjustment.
struct FullServoSet {
    MainServoSet main;
    AdvancedServoSet advanced;
    float openStopAdjust = 100.0f;
    bool operator==(const FullServoSet&) const = default;
};
// Reads the whole set (the double-acting stages with `extended`); 1 at the first failure.
int ReadFullServo(fieldbus::DeviceAccess& device, bool extended, FullServoSet& set);
FullServoSet FullServoOf(const config::CConfigData& config);
void StoreFullServo(config::CConfigData& config, const FullServoSet& set);

class WizardTuning {
public:
    // The servo sets are read and written through `runBus` (empty: in place); the run of the
    // procedure itself serves the window's events between its reads, as on the calibration
    // sheet.
    WizardTuning(fieldbus::DeviceAccess* device, ProcedureDialogs& dialogs, bool extended,
                 config::CConfigData& config, std::function<int(const std::function<int()>&)> runBus = {})
        : device_(device), dialogs_(dialogs), extended_(extended), config_(config), runBus_(std::move(runBus)) {}

    // "&Go": after the stroke question, the search-and-tune run. False when it did not run.
    bool Go();
    TuneIcon Icon() const { return icon_; }
    const std::string& ResultText() const { return result_; }
    // A tuned set waits for the user's decision.
    bool Offered() const { return offered_; }
    const FullServoSet& Previous() const { return previous_; }
    const FullServoSet& Tuned() const { return tuned_; }
    // The tuned set becomes the wizard's (kept in the configuration).
    void Accept();
    // The previous set goes back to the device. 0 written.
    int Refuse();

private:
    int Bus(const std::function<int()>& work) const { return runBus_ ? runBus_(work) : work(); }

    fieldbus::DeviceAccess* device_;
    ProcedureDialogs& dialogs_;
    bool extended_;
    config::CConfigData& config_;
    std::function<int(const std::function<int()>&)> runBus_;
    TuneIcon icon_ = TuneIcon::None;
    std::string result_;
    bool offered_ = false;
    FullServoSet previous_, tuned_;
};

}  // namespace calibration
