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
    if (ReadFullServo(*device_, extended_, previous_) != 0) previous_ = FullServoOf(config_);

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
        if (ReadFullServo(*device_, extended_, tuned_) != 0) {
            platform::ShowMessage("Load servo parameter error");
            return true;
        }
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
    device_->ReportToHost(kHostReportWizard, "Autotune result was discarded.");
    if (WriteMainServo(*device_, previous_.main) != 0 ||
        WriteChangedAdvanced(*device_, extended_, previous_.advanced, tuned_.advanced, nullptr) != 0 ||
        (previous_.openStopAdjust != tuned_.openStopAdjust && device_->WriteTbOpenStopAdj(previous_.openStopAdjust) != 0)) {
        platform::ShowMessage("Error: Failed to restore servo parameters.");
        return 1;
    }
    return 0;
}

}  // namespace calibration
