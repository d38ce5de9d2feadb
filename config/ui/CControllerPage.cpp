#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QVBoxLayout>

#include "config/ui/ConfigPages.h"

namespace config {

CControllerPage::CControllerPage(QWidget* parent) : CConfigPage(parent) {
    auto* grid = new QGridLayout(this);
    auto* scale = new QGroupBox("PV Scale", this);
    auto* scaleForm = new QFormLayout(scale);
    pvHigh_ = FloatField(AddLine(scaleForm, "PV Upper Range (EU100):", "pvHigh"));
    pvLow_ = FloatField(AddLine(scaleForm, "PV Lower Range (EU0):", "pvLow"));
    pvUnit_ = ChoiceField(AddCombo(scaleForm, "PV Unit:", "pvUnit"));
    grid->addWidget(scale, 0, 0);

    auto* tuning = new QGroupBox("Tuning", this);
    auto* tuningForm = new QFormLayout(tuning);
    gain_ = FloatField(AddLine(tuningForm, "Proportional Gain:", "pidGain"));
    reset_ = FloatField(AddLine(tuningForm, "Integral Time (sec.):", "pidReset"));
    rate_ = FloatField(AddLine(tuningForm, "Derivative Time (sec.):", "pidRate"));
    ffGain_ = FloatField(AddLine(tuningForm, "Feed Forward Gain:", "ffGain"));
    grid->addWidget(tuning, 1, 0);

    auto* limits = new QGroupBox("Limits", this);
    auto* limitForm = new QFormLayout(limits);
    spHigh_ = FloatField(AddLine(limitForm, "Set Point High Limit:", "pidSpHigh"));
    spLow_ = FloatField(AddLine(limitForm, "Set Point Low Limit:", "pidSpLow"));
    outHigh_ = FloatField(AddLine(limitForm, "Output High Limit (%):", "outHigh"));
    outLow_ = FloatField(AddLine(limitForm, "Output Low Limit (%):", "outLow"));
    grid->addWidget(limits, 2, 0);

    int column = 1;
    for (auto [title, name, field] : {std::tuple{"CONTROL_OPTS", "controlOptions", &controlOptions_},
                                      std::tuple{"STATUS_OPTS", "pidStatusOptions", &statusOptions_}}) {
        auto* box = new QGroupBox(title, this);
        auto* inner = new QVBoxLayout(box);
        auto* list = new QListWidget(box);
        list->setObjectName(name);
        inner->addWidget(list);
        *field = BitsField(list);
        grid->addWidget(box, 0, column++, 3, 1);
    }
}

void CControllerPage::Load(const CConfigData& data) {
    const PidBlockGroup& p = data.pid;
    pvHigh_.Show(p.pvRangeHigh);
    pvLow_.Show(p.pvRangeLow);
    pvUnit_.Show(p.pvUnit, true);
    gain_.Show(p.gain);
    reset_.Show(p.reset);
    rate_.Show(p.rate);
    ffGain_.Show(p.ffGain);
    spHigh_.Show(p.spHighLimit);
    spLow_.Show(p.spLowLimit);
    outHigh_.Show(p.outHighLimit);
    outLow_.Show(p.outLowLimit);
    controlOptions_.Show(p.controlOptions);
    statusOptions_.Show(p.statusOptions);
}

bool CControllerPage::Save(SheetEdits& edits) {
    PidBlockGroup& p = edits.data.pid;
    const FloatRange any = FloatRange::Any();
    if (!Read(pvHigh_, p.pvRangeHigh, any) || !Read(pvLow_, p.pvRangeLow, any) ||
        !Read(gain_, p.gain, any) || !Read(reset_, p.reset, FloatRange::AtLeast(0.0f)) ||
        !Read(rate_, p.rate, FloatRange::AtLeast(0.0f)) || !Read(ffGain_, p.ffGain, any) ||
        !Read(spHigh_, p.spHighLimit, any) || !Read(spLow_, p.spLowLimit, any) ||
        !Read(outHigh_, p.outHighLimit, any) || !Read(outLow_, p.outLowLimit, any))
        return false;
    pvUnit_.Read(p.pvUnit, &edits.choices.pvUnitChosen);
    controlOptions_.Read(p.controlOptions);
    statusOptions_.Read(p.statusOptions);
    return true;
}

}  // namespace config
