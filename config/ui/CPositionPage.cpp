#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>

#include "config/ui/ConfigPages.h"

namespace config {

namespace {
// Percent of travel the positioner accepts for its limits.
constexpr float kLowestPercent = -25.0f, kHighestPercent = 125.0f;
const FloatRange kPercent = FloatRange::Between(kLowestPercent, kHighestPercent);
}  // namespace

CPositionPage::CPositionPage(QWidget* parent) : CConfigPage(parent) {
    auto* grid = new QGridLayout(this);

    auto* servo = new QGroupBox("Servo", this);
    auto* servoForm = new QFormLayout(servo);
    gain_ = FloatField(AddLine(servoForm, "Servo Gain (P):", "servoGain"));
    reset_ = FloatField(AddLine(servoForm, "Servo Reset (I) (sec.):", "servoReset"));
    rate_ = FloatField(AddLine(servoForm, "Servo Rate (D) (sec.):", "servoRate"));
    grid->addWidget(servo, 0, 0);

    warnings_ = new QGroupBox("Servo Warning", this);
    auto* warnForm = new QFormLayout(warnings_);
    warnHigh_ = FloatField(AddLine(warnForm, "Servo Warning High (%):", "servoWarnHigh"));
    warnLow_ = FloatField(AddLine(warnForm, "Servo Warning Low (%):", "servoWarnLow"));
    warnTime_ = FloatField(AddLine(warnForm, "Servo Time (duration, sec.):", "servoWarnTime"));
    grid->addWidget(warnings_, 1, 0);

    auto* limits = new QGroupBox("Position Control", this);
    auto* form = new QFormLayout(limits);
    tightShutoff_ = FloatField(AddLine(form, "Tight ShutOff Below (%):", "tightShutoff"));
    fullOpen_ = FloatField(AddLine(form, "Full Open Above (%):", "fullOpen"));
    lower_ = FloatField(AddLine(form, "Pos. Lower Limit (%):", "positionLower"));
    upper_ = FloatField(AddLine(form, "Pos. Upper Limit (%):", "positionUpper"));
    nearClose_ = FloatField(AddLine(form, "Near Close Value (%):", "nearClose"));
    switchLow_ = FloatField(AddLine(form, "Limit Switch Threshold Low (%):", "switchLow"));
    switchHigh_ = FloatField(AddLine(form, "Limit Switch Threshold High (%):", "switchHigh"));
    deviation_ = FloatField(AddLine(form, "Deviation Limit (%):", "deviationLimit"));
    time1_ = FloatField(AddLine(form, "Deviation Time 1 (sec.):", "deviationTime1"));
    time2_ = FloatField(AddLine(form, "Deviation Time 2 (sec., -1 off):", "deviationTime2"));
    grid->addWidget(limits, 0, 1, 2, 1);
    grid->setRowStretch(2, 1);
}

void CPositionPage::Load(const CConfigData& data) {
    const PositionGroup& p = data.position;
    gain_.Show(p.servoGain);
    reset_.Show(p.servoReset);
    rate_.Show(p.servoRate);
    tightShutoff_.Show(p.tightShutoff);
    fullOpen_.Show(p.fullOpen);
    lower_.Show(p.positionLowerLimit);
    upper_.Show(p.positionUpperLimit);
    nearClose_.Show(p.nearCloseValue);
    switchLow_.Show(p.limitSwitchLow);
    switchHigh_.Show(p.limitSwitchHigh);
    deviation_.Show(p.deviationLimit);
    time1_.Show(p.deviationTimeThreshold[0]);
    time2_.Show(p.deviationTimeThreshold[1]);
    warnHigh_.Show(p.servoWarnHigh);
    warnLow_.Show(p.servoWarnLow);
    warnTime_.Show(p.servoWarnTime);
    // The servo warnings exist only on positioners with the extended servo parameters.
    warnings_->setVisible(data.general.extendedServoParameters != 0);
}

bool CPositionPage::Save(SheetEdits& edits) {
    PositionGroup& p = edits.data.position;
    const bool extended = edits.data.general.extendedServoParameters != 0;
    return Read(gain_, p.servoGain, FloatRange::AtLeast(0.0f)) && Read(reset_, p.servoReset, FloatRange::AtLeast(0.0f)) &&
           Read(rate_, p.servoRate, FloatRange::AtLeast(0.0f)) && Read(tightShutoff_, p.tightShutoff, kPercent) &&
           Read(fullOpen_, p.fullOpen, kPercent) &&
           (ReadPair(lower_, upper_, p.positionLowerLimit, p.positionUpperLimit, kLowestPercent, kHighestPercent) ||
            Refused(lower_.Changed() ? lower_.Edit() : upper_.Edit())) &&
           Read(nearClose_, p.nearCloseValue, kPercent) &&
           (ReadPair(switchLow_, switchHigh_, p.limitSwitchLow, p.limitSwitchHigh, kLowestPercent, kHighestPercent) ||
            Refused(switchLow_.Changed() ? switchLow_.Edit() : switchHigh_.Edit())) &&
           Read(deviation_, p.deviationLimit, kPercent) &&
           Read(time1_, p.deviationTimeThreshold[0], FloatRange::AtLeast(0.0f)) &&
           Read(time2_, p.deviationTimeThreshold[1], FloatRange::BetweenOr(0.0f, 3600.0f, -1.0f)) &&
           (!extended || (Read(warnHigh_, p.servoWarnHigh, FloatRange::Between(0.0f, 100.0f)) &&
                          Read(warnLow_, p.servoWarnLow, FloatRange::Between(0.0f, 100.0f)) &&
                          Read(warnTime_, p.servoWarnTime, FloatRange::AtLeast(0.0f))));
}

}  // namespace config
