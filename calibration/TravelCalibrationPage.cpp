#include "calibration/TravelCalibrationPage.h"

#include <algorithm>
#include <cstdlib>

#include "calibration/ProcedureRun.h"
#include "calibration/RunProcedure.h"
#include "platform/Ui.h"

namespace calibration {

std::string FormatTarget(double value) {
    std::string text = platform::Format("%4.2f", value);
    if (text == "-0.00") text = "0.00";
    return text;
}

namespace {
bool ParseNumber(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ') ++end;
    return *end == '\0';
}
}  // namespace

bool TravelCalibrationPage::RefreshTarget() {
    fieldbus::StatusValue target;
    if (device_.ReadTbFinalValue(target) != 0) {
        platform::ShowMessage("Error: Failed to read current target position.", platform::MB_OK | platform::MB_ICONSTOP);
        return false;
    }
    if (!hasShown_ || target.value != shown_) {
        shown_ = target.value;
        hasShown_ = true;
        target_ = FormatTarget(target.value);
    }
    return true;
}

bool TravelCalibrationPage::RefreshPosition() {
    fieldbus::StatusValue position;
    const bool read = device_.ReadTbFinalPositionValue(position) == 0;
    position_ = read ? FormatTarget(position.value) : std::string();
    return read;
}

void TravelCalibrationPage::Load() {
    if (RefreshTarget()) changeTo_ = FormatTarget(shown_);
}

void TravelCalibrationPage::Step(int steps, double increment) {
    double value = 0.0;
    if (!ParseNumber(changeTo_, value)) value = hasShown_ ? shown_ : 0.0;
    changeTo_ = FormatTarget(value + steps * increment);
    SetTarget();
}

void TravelCalibrationPage::SetTarget() {
    double value = 0.0;
    if (!ParseNumber(changeTo_, value)) {
        platform::ShowMessage("Error: The target position must be a number.", platform::MB_OK | platform::MB_ICONSTOP);
        return;
    }
    fieldbus::ScalingRecord range;
    if (device_.ReadTbFinalValueRange(range) != 0) return;  // nothing is written without the range
    const float low = std::min(range.eu0, range.eu100), high = std::max(range.eu0, range.eu100);
    const float target = std::clamp(static_cast<float>(value), low, high);
    if (device_.WriteTbFinalValue(target) != 0) {
        platform::ShowMessage("Error: Failed to write current target position.", platform::MB_OK | platform::MB_ICONSTOP);
        return;
    }
    RefreshTarget();
}

void TravelCalibrationPage::Apply(uint8_t command) {
    if (platform::ShowMessage("Are you sure that you want to apply Travel Calibration ?",
                              platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
        platform::IDYES)
        return;
    result_.clear();
    device_.ReportToHost(kHostReportProgress, "Apply Travel Calibration... ");
    uint8_t code = 0;
    std::string text;
    result_ = RunTravelCalibration(device_, command, code, text) == 0 ? text : "Failed.";
    device_.ReportToHost(kHostReportProgress, "Apply Travel Calibration: " + result_);
}

}  // namespace calibration
