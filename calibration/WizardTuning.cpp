#include "calibration/WizardTuning.h"

#include "calibration/ProcedureRun.h"
#include "calibration/RunProcedure.h"
#include "calibration/SetupWizard.h"
#include "platform/Ui.h"

namespace calibration {

TuneIcon IconForResult(uint8_t code) {
    if (code == 2 || code >= 100) return TuneIcon::Error;
    if (code >= 21 && code <= 99) return TuneIcon::Warning;
    if (code == 1) return TuneIcon::Success;
    return TuneIcon::None;
}

int ReadFullServo(fieldbus::DeviceAccess& device, bool extended, FullServoSet& set) {
    if (ReadMainServo(device, set.main) != 0 || ReadAdvancedServo(device, extended, set.advanced) != 0) return 1;
    return device.ReadTbOpenStopAdj(set.openStopAdjust);
}

FullServoSet FullServoOf(const config::CConfigData& config) {
    FullServoSet set;
    set.main = MainServoOf(config);
    set.advanced = AdvancedServoOf(config);
    set.openStopAdjust = config.position.openStopAdjustment;
    return set;
}

void StoreFullServo(config::CConfigData& config, const FullServoSet& set) {
    StoreMainServo(config, set.main);
    config::PositionGroup& p = config.position;
    const AdvancedServoSet& a = set.advanced;
    p.boostOnThreshold = a.boostOn;
    p.boostOffThreshold = a.boostOff;
    p.boostValue = a.boostValue;
    p.servoISleepLimit = a.integralSleep;
    p.servoPAlpha = a.pAlpha;
    config.actuator.internalGain = a.internalGain;
    p.servoOffset = a.offset;
    p.xBoostOnThreshold = a.xBoostOn;
    p.xBoostOffThreshold = a.xBoostOff;
    p.xBoostValue = a.xBoostValue;
    p.openStopAdjustment = set.openStopAdjust;
}

bool WizardTuning::Go() {
    if (device_ == nullptr || !device_->IsOpen() || !AskStroke()) return false;
    offered_ = false;
    icon_ = TuneIcon::None;
    result_.clear();
    // The set before the tune, for a refusal (the configuration's when it cannot be read).
    fieldbus::DeviceAccess& d = *device_;
    const bool extended = extended_;
    FullServoSet previous;
    if (Bus([&d, extended, &previous] { return ReadFullServo(d, extended, previous); }) != 0)
        previous = FullServoOf(config_);
    previous_ = previous;

    ProcedureTexts texts;
    texts.action = "Searching stops + Auto tuning in progress ...";
    texts.createError = "Error: Failed to create search stops and auto tuning cancel dialog.";
    texts.startReport = "Executing search and autotune...";
    texts.resultReport = "Autotune result: ";
    texts.reportCode = kHostReportWizard;
    const ProcedureOutcome run = RunProcedureWithDialog(*device_, dialogs_, kStopsAndTune, texts);
    if (!run.started) return false;
    result_ = run.text;
    icon_ = run.status == 0 ? IconForResult(run.code) : TuneIcon::Error;
    if (run.status != 0 || run.cancelled) return true;
    if (run.code == 1 || (run.code >= 21 && run.code <= 99)) {
        FullServoSet tuned;
        if (Bus([&d, extended, &tuned] { return ReadFullServo(d, extended, tuned); }) != 0) {
            platform::ShowMessage("Load servo parameter error");
            return true;
        }
        tuned_ = tuned;
        offered_ = true;
    }
    return true;
}

void WizardTuning::Accept() {
    if (!offered_) return;
    StoreFullServo(config_, tuned_);
    offered_ = false;
}

int WizardTuning::Refuse() {
    if (!offered_) return 0;
    offered_ = false;
    fieldbus::DeviceAccess& d = *device_;
    const bool extended = extended_;
    const FullServoSet previous = previous_, tuned = tuned_;
    const int failed = Bus([&d, extended, &previous, &tuned] {
        d.ReportToHost(kHostReportWizard, "Autotune result was discarded.");
        return WriteMainServo(d, previous.main) != 0 ||
                       WriteChangedAdvanced(d, extended, previous.advanced, tuned.advanced, nullptr) != 0 ||
                       (previous.openStopAdjust != tuned.openStopAdjust && d.WriteTbOpenStopAdj(previous.openStopAdjust) != 0)
                   ? 1
                   : 0;
    });
    if (failed != 0) {
        platform::ShowMessage("Error: Failed to restore servo parameters.");
        return 1;
    }
    return 0;
}

}  // namespace calibration
