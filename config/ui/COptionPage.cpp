#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "config/ConfigPageWriters.h"
#include "config/ui/CCustomCurveDlg.h"
#include "config/ui/ConfigPages.h"

namespace config {

COptionPage::COptionPage(const SheetTarget& target, QWidget* parent)
    : CConfigPage(parent), suffix_(QString::fromStdString(target.deviceSuffix)) {
    auto* grid = new QGridLayout(this);

    auto* characterisation = new QGroupBox("Position Characterization", this);
    auto* row = new QHBoxLayout(characterisation);
    auto* typeBox = new QComboBox(this);
    typeBox->setObjectName("charType");
    type_ = ChoiceField(typeBox);
    define_ = new QPushButton("&Define...", this);
    define_->setObjectName("defineCurve");
    row->addWidget(typeBox, 1);
    row->addWidget(define_);
    grid->addWidget(characterisation, 0, 0, 1, 2);
    // Choosing "Define" opens the curve editor at once; the button opens it again.
    connect(typeBox, &QComboBox::activated, this, &COptionPage::OnTypeChosen);
    connect(define_, &QPushButton::clicked, this, &COptionPage::EditCurve);

    auto* pressure = new QGroupBox("Pressure", this);
    auto* pressureForm = new QFormLayout(pressure);
    springHigh_ = FloatField(AddLine(pressureForm, "Spring Range Upper (EU100):", "springHigh"));
    springLow_ = FloatField(AddLine(pressureForm, "Spring Range Lower (EU0):", "springLow"));
    pressureUnit_ = ChoiceField(AddCombo(pressureForm, "Pressure Unit:", "pressureUnit"));
    supply_ = FloatField(AddLine(pressureForm, "Supply Pressure:", "supplyPressure"));
    temperatureUnit_ = ChoiceField(AddCombo(pressureForm, "Temperature Unit:", "temperatureUnit"));
    grid->addWidget(pressure, 1, 0);

    auto* calibration = new QGroupBox("Calibration Record", this);
    auto* calibrationForm = new QFormLayout(calibration);
    calibrationWho_ = TextField(AddLine(calibrationForm, "Calibration Person:", "calibrationWho"));
    calibrationWhere_ = TextField(AddLine(calibrationForm, "Calibration Location:", "calibrationWhere"));
    calibrationDate_ = DateField(AddLine(calibrationForm, "Calibration Date (MM/DD/YY hh:mm:ss):", "calibrationDate"));
    tuningInfo_ = TextField(AddLine(calibrationForm, "Servo Tuning Info. (TB TAG_DESC):", "tuningInfo"));
    grid->addWidget(calibration, 1, 1);

    linkMaster_ = new QCheckBox("Link Master (boot class; used from the device's next restart)", this);
    linkMaster_->setObjectName("linkMaster");
    grid->addWidget(linkMaster_, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);
}

void COptionPage::Load(const CConfigData& data) {
    const OptionGroup& o = data.option;
    const GeneralGroup& g = data.general;
    charType_ = o.charType;
    type_.Show(o.charType, false);
    points_ = o.charPoints;
    define_->setEnabled(CustomChosen());
    springHigh_.Show(o.pressureRangeHigh);
    springLow_.Show(o.pressureRangeLow);
    pressureUnit_.Show(o.pressureUnit, true);
    supply_.Show(o.supplyPressure);
    temperatureUnit_.Show(o.temperatureUnit, true);
    calibrationWho_.Show(g.calibrationPerson);
    calibrationWhere_.Show(g.calibrationLocation);
    calibrationDate_.Show(g.calibrationDate);
    tuningInfo_.Show(g.servoTuningInfo);
    shownBootClass_ = g.bootFunctionalClass;
    linkMaster_->setChecked(g.bootFunctionalClass == 1);
    linkMaster_->setEnabled(g.linkMasterActivation != 0);
}

bool COptionPage::CustomChosen() const {
    ConfigEnumField<uint8_t> chosen = charType_;
    Choose(chosen, type_.Index());
    return type_.Index() >= 0 && IsCustomCharacterisation(chosen);
}

void COptionPage::OnTypeChosen(int) {
    define_->setEnabled(CustomChosen());
    if (CustomChosen()) EditCurve();
}

void COptionPage::EditCurve() {
    CCustomCurveDlg editor(points_, suffix_, this);
    if (editor.exec() == QDialog::Accepted) points_ = editor.Points();
}

bool COptionPage::Save(SheetEdits& edits) {
    OptionGroup& o = edits.data.option;
    GeneralGroup& g = edits.data.general;
    type_.Read(o.charType, &edits.choices.charTypeChosen);
    o.charPoints = points_;
    if (!(ReadPair(springLow_, springHigh_, o.pressureRangeLow, o.pressureRangeHigh, -1e6f, 1e6f) ||
          Refused(springLow_.Changed() ? springLow_.Edit() : springHigh_.Edit())) ||
        !Read(supply_, o.supplyPressure, FloatRange::AtLeast(0.0f)))
        return false;
    pressureUnit_.Read(o.pressureUnit, &edits.choices.pressureUnitChosen);
    temperatureUnit_.Read(o.temperatureUnit, &edits.choices.temperatureUnitChosen);
    calibrationWho_.Read(g.calibrationPerson);
    calibrationWhere_.Read(g.calibrationLocation);
    if (!calibrationDate_.Read(g.calibrationDate)) return Refused(calibrationDate_.Edit());
    tuningInfo_.Read(g.servoTuningInfo);
    const uint32_t checked = linkMaster_->isChecked() ? 1u : 0u;
    if (checked != (shownBootClass_ == 1 ? 1u : 0u)) g.bootFunctionalClass = checked;
    return true;
}

}  // namespace config
