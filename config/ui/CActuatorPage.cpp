#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "config/ui/ConfigPages.h"

namespace config {

CActuatorPage::CActuatorPage(QWidget* parent) : CConfigPage(parent) {
    auto* grid = new QGridLayout(this);

    auto* kind = new QGroupBox("Valve and Actuator", this);
    auto* kindForm = new QFormLayout(kind);
    valveAction_ = FlagField(AddCombo(kindForm, "Valve Action:", "valveAction"), "Air To Open", "Air To Close");
    valveType_ = FlagField(AddCombo(kindForm, "Valve Type:", "valveType"), "Linear (Reciprocating)", "Rotary");
    actuatorType_ =
        FlagField(AddCombo(kindForm, "Actuator Type:", "actuatorType"), "Single Acting", "Double Acting");
    grid->addWidget(kind, 0, 0);

    auto* limits = new QGroupBox("Valve Historian Limits", this);
    auto* limitForm = new QFormLayout(limits);
    travel_ = CountField(AddLine(limitForm, "Travel Limit (strokes):", "travelLimit"));
    cycles_ = CountField(AddLine(limitForm, "Cycle Count Limit (times):", "cycleCountLimit"));
    openTime_ = CountField(AddLine(limitForm, "Open Time Limit (hours):", "openTimeLimit"));
    closeTime_ = CountField(AddLine(limitForm, "Close Time Limit (hours):", "closeTimeLimit"));
    nearCloseTime_ = CountField(AddLine(limitForm, "Near Close Time Limit (hours):", "nearCloseTimeLimit"));
    totals_ = new QLabel(this);
    totals_->setObjectName("totals");
    limitForm->addRow(totals_);
    grid->addWidget(limits, 1, 0);

    auto* valve = new QGroupBox("Valve", this);
    auto* valveForm = new QFormLayout(valve);
    valveModel_ = TextField(AddLine(valveForm, "Model:", "valveModel"));
    valveSerial_ = TextField(AddLine(valveForm, "S/N:", "valveSerial"));
    valveMaker_ = ChoiceField(AddCombo(valveForm, "Manufacturer:", "valveMaker"));
    grid->addWidget(valve, 0, 1);

    auto* actuator = new QGroupBox("Actuator", this);
    auto* actuatorForm = new QFormLayout(actuator);
    actuatorModel_ = TextField(AddLine(actuatorForm, "Model:", "actuatorModel"));
    actuatorSerial_ = TextField(AddLine(actuatorForm, "S/N:", "actuatorSerial"));
    actuatorMaker_ = ChoiceField(AddCombo(actuatorForm, "Manufacturer:", "actuatorMaker"));
    grid->addWidget(actuator, 1, 1);
    grid->setRowStretch(2, 1);
}

void CActuatorPage::Load(const CConfigData& data) {
    const ActuatorGroup& a = data.actuator;
    const GeneralGroup& g = data.general;
    valveAction_.Show(a.valveAction);
    valveType_.Show(a.valveType);
    actuatorType_.Show(a.actuatorType);
    travel_.Show(a.travelLimit);
    cycles_.Show(a.cycleCountLimit);
    openTime_.Show(a.openTimeLimit);
    closeTime_.Show(a.closeTimeLimit);
    nearCloseTime_.Show(a.nearCloseTimeLimit);
    totals_->setText(QString("Totals: %1 strokes, %2 cycles, open %3 h, closed %4 h, near close %5 h")
                         .arg(a.totalTravel)
                         .arg(a.totalCycleCount)
                         .arg(a.totalOpenTime)
                         .arg(a.totalCloseTime)
                         .arg(a.totalNearCloseTime));
    valveModel_.Show(g.valveModel);
    valveSerial_.Show(g.valveSerialNumber);
    valveMaker_.Show(g.valveManufacturer, false);
    actuatorModel_.Show(g.actuatorModel);
    actuatorSerial_.Show(g.actuatorSerialNumber);
    actuatorMaker_.Show(g.actuatorManufacturer, false);
}

bool CActuatorPage::Save(SheetEdits& edits) {
    ActuatorGroup& a = edits.data.actuator;
    GeneralGroup& g = edits.data.general;
    valveAction_.Read(a.valveAction);
    valveType_.Read(a.valveType);
    actuatorType_.Read(a.actuatorType);
    if (!Read(travel_, a.travelLimit) || !Read(cycles_, a.cycleCountLimit) || !Read(openTime_, a.openTimeLimit) ||
        !Read(closeTime_, a.closeTimeLimit) || !Read(nearCloseTime_, a.nearCloseTimeLimit))
        return false;
    valveModel_.Read(g.valveModel);
    valveSerial_.Read(g.valveSerialNumber);
    valveMaker_.Read(g.valveManufacturer);
    actuatorModel_.Read(g.actuatorModel);
    actuatorSerial_.Read(g.actuatorSerialNumber);
    actuatorMaker_.Read(g.actuatorManufacturer);
    return true;
}

}  // namespace config
