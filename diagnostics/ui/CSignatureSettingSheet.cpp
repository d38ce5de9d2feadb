#include "diagnostics/ui/CSignatureSettingSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "diagnostics/SignatureKind.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

QLineEdit* Field(QWidget* page, QFormLayout* form, const char* label, float value, const QString& name,
                 bool readOnly = false) {
    auto* edit = new QLineEdit(QString::number(static_cast<double>(value), 'g', 6), page);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    form->addRow(label, edit);
    return edit;
}

float Number(const QLineEdit* edit) {
    if (!edit) return 0.0f;
    bool ok = false;
    const double v = edit->text().trimmed().toDouble(&ok);
    return ok ? static_cast<float>(v) : std::numeric_limits<float>::quiet_NaN();
}

}  // namespace

CSignatureSettingSheet::CSignatureSettingSheet(const std::string& tag, uint8_t mask, const SignatureSettings& settings,
                                               bool resetOff, bool offerGo, float rangeMin, float rangeMax,
                                               QWidget* parent)
    : QDialog(parent),
      mask_(mask),
      all_(mask == kMeasureAll),
      settings_(settings),
      resetOff_(resetOff),
      rangeMin_(rangeMin),
      rangeMax_(rangeMax) {
    setObjectName("signatureSettingSheet");
    setWindowTitle(QString::fromStdString("Signature Setting" +
                                          (tag.empty() ? std::string(" (No Device Attached)") : " (" + tag + ")")));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);
    auto has = [this](int bit) { return all_ || (mask_ & bit) != 0; };
    if (has(1)) tabs_->addTab(StandardPage(), "Standard");
    // The extended page serves high resolution too; only there is the sampling rate chosen.
    if (has(2) || has(4)) tabs_->addTab(ExtendedPage(all_ || (mask_ & 2) != 0), has(2) ? "Extended" : "High Resolution");
    if (has(8)) tabs_->addTab(StepPage(), "Step Response");
    if (has(16)) tabs_->addTab(PositionerPage(), "Positioner");

    auto* buttons = new QDialogButtonBox(this);
    // Without "Go", OK and Cancel take its place.
    buttons->addButton(QDialogButtonBox::Ok)->setObjectName("okButton");
    if (offerGo) {
        goButton_ = buttons->addButton("Go", QDialogButtonBox::ActionRole);
    } else {
        goButton_ = new QPushButton("Go", this);
        goButton_->hide();
    }
    goButton_->setObjectName("goButton");
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("cancelButton");
    connect(goButton_, &QPushButton::clicked, this, [this] {
        if (Apply(true)) accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Apply(false)) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    UpdateStepControls();
}

QWidget* CSignatureSettingSheet::StandardPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const char* labels[3] = {"Recommended Scan Time(s)", "Setting Scan Time(s)", "Deviation Margin(%)"};
    for (int i = 0; i < 3; ++i)
        fields_[0][i] = Field(page, form, labels[i], settings_.At(0, i), QString("std%1").arg(i), i == 0);
    return page;
}

QWidget* CSignatureSettingSheet::ExtendedPage(bool samplingFixed) {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const char* labels[5] = {"Lower Set Point(%)", "Higher Set Point(%)", "Recommended Scan Time(s)",
                             "Setting Scan Time(s)", "Deviation Margin(%)"};
    for (int i = 0; i < 5; ++i)
        fields_[1][i] = Field(page, form, labels[i], settings_.At(1, i), QString("ext%1").arg(i), i == 2);
    sampling_ = new QComboBox(page);
    sampling_->setObjectName("samplingRate");
    for (int i = 0; i < 5; ++i) sampling_->addItem(QString::number(static_cast<double>(SamplingRateOfEntry(i))));
    sampling_->setCurrentIndex(SamplingEntryOfRate(settings_.At(1, 5)));
    sampling_->setEnabled(!samplingFixed);
    form->addRow("Sampling Rate(ms)", sampling_);
    return page;
}

QWidget* CSignatureSettingSheet::StepPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const char* labels[8] = {"Initial Set Point(%)", "Destination Set Point(%)", "Sampling Rate(ms)", "Num of Samples",
                             "Step Size(%)", nullptr, "Init Start Position Error limit(%)",
                             "Init Start Pos. Time Limit(sec)"};
    StepPageChoice choice = DecodeRoundTrip(settings_.At(2, kStepRoundTrip));
    if (all_) {
        settings_.At(2, kStepSize) = 0.0f;
        choice = {};
    }
    for (int i = 0; i < 8; ++i)
        if (labels[i]) fields_[2][i] = Field(page, form, labels[i], settings_.At(2, i), QString("step%1").arg(i));
    roundTrip_ = new QCheckBox("Round Trip", page);
    roundTrip_->setObjectName("roundTrip");
    roundTrip_->setChecked(choice.roundTrip);
    severalSteps_ = new QCheckBox("Several Steps", page);
    severalSteps_->setObjectName("severalSteps");
    severalSteps_->setChecked(choice.severalSteps);
    cycles_ = new QRadioButton("Cycles", page);
    cycles_->setObjectName("cycles");
    automatic_ = new QRadioButton("Automatic", page);
    automatic_->setObjectName("automatic");
    (choice.cycles ? cycles_ : automatic_)->setChecked(true);
    cycleCount_ = new QSpinBox(page);
    cycleCount_->setObjectName("cycleCount");
    cycleCount_->setRange(0, 9999);
    cycleCount_->setValue(choice.cycleCount);
    deadBand_ = new QCheckBox("Dead Band Test", page);
    deadBand_->setObjectName("deadBand");
    deadBand_->setChecked(resetOff_);
    auto* row = new QHBoxLayout;
    row->addWidget(cycles_);
    row->addWidget(cycleCount_);
    row->addWidget(automatic_);
    row->addWidget(deadBand_);
    form->addRow(roundTrip_, severalSteps_);
    form->addRow(row);
    totalTime_ = new QLineEdit(page);
    totalTime_->setObjectName("totalTime");
    totalTime_->setReadOnly(true);
    form->addRow("Total Time(s)", totalTime_);
    for (QWidget* w : std::initializer_list<QWidget*>{severalSteps_, cycles_, automatic_})
        connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::toggled, this, [this] { UpdateStepControls(); });
    for (int i : {kStepSampling, kStepSamples})
        connect(fields_[2][i], &QLineEdit::textChanged, this, [this] { UpdateStepControls(); });
    if (all_)
        for (QWidget* w : std::initializer_list<QWidget*>{fields_[2][kStepSize], fields_[2][kStepErrorLimit],
                                                          fields_[2][kStepTimeLimit], roundTrip_, severalSteps_})
            w->setEnabled(false);
    return page;
}

QWidget* CSignatureSettingSheet::PositionerPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const char* labels[5] = {"Lower Input Signal", "Higher Input Signal", "Intervals(points)",
                             "Recommended Wait Time(s)", "Wait Time (s)"};
    for (int i = 0; i < 5; ++i)
        fields_[3][i] = Field(page, form, labels[i], settings_.At(3, i), QString("pos%1").arg(i), i == 3);
    return page;
}

void CSignatureSettingSheet::UpdateStepControls() {
    if (!severalSteps_) return;
    const bool several = severalSteps_->isChecked();
    cycles_->setEnabled(several && !all_);
    automatic_->setEnabled(several && !all_);
    cycleCount_->setVisible(several && cycles_->isChecked());
    deadBand_->setEnabled(several && cycles_->isChecked() && !all_);
    roundTrip_->setVisible(!several);
    if (several) fields_[2][kStepStart]->setText(QString::number(static_cast<double>(kSeriesStart)));
    fields_[2][kStepStart]->setEnabled(!several);
    SignatureSettings s;
    s.At(2, kStepSamples) = Number(fields_[2][kStepSamples]);
    s.At(2, kStepSampling) = Number(fields_[2][kStepSampling]);
    const float total = StepTotalTimeS(s);
    totalTime_->setText(std::isfinite(total) ? QString::number(static_cast<double>(total), 'f', 1) : QString());
}

void CSignatureSettingSheet::Read(SignatureSettings& s, StepPageChoice& choice, int& samplingIndex) const {
    for (int g = 0; g < kSettingsGroups; ++g)
        for (int i = 0; i < kGroupFloats; ++i)
            if (fields_[g][i]) s.At(g, i) = Number(fields_[g][i]);
    samplingIndex = sampling_ ? sampling_->currentIndex() : -1;
    if (sampling_) s.At(1, 5) = SamplingRateOfEntry(samplingIndex);
    if (fields_[0][0])
        for (int i = 3; i < 6; ++i) s.At(0, i) = 0.0f;
    if (fields_[3][0]) s.At(3, 5) = 0.0f;
    if (severalSteps_) {
        choice.roundTrip = roundTrip_->isChecked();
        choice.severalSteps = severalSteps_->isChecked();
        choice.cycles = cycles_->isChecked();
        choice.cycleCount = cycleCount_->value();
        choice.deadBand = deadBand_->isChecked();
    }
}

bool CSignatureSettingSheet::Apply(bool go) {
    if (tabs_->count() == 0 || !tabs_->currentWidget()) {
        platform::ShowMessage("Get Current Active Page Error!");
        return false;
    }
    SignatureSettings s = settings_;
    StepPageChoice choice;
    int samplingIndex = -1;
    Read(s, choice, samplingIndex);
    // Each page checks its kind's values; the first page with failed rules is shown.
    const auto has = [this](int bit) { return all_ || (mask_ & bit) != 0; };
    struct Check {
        bool shown;
        std::string text;
    };
    const Check checks[] = {
        {has(1), has(1) ? ValidateStandardSettings(s) : ""},
        {has(2) || has(4), has(2) || has(4) ? ValidateExtendedSettings(s, samplingIndex) : ""},
        {has(8), has(8) ? ValidateStepSettings(s, choice, all_, rangeMin_, rangeMax_) : ""},
        {has(16), has(16) ? ValidatePositionerSettings(s) : ""},
    };
    int tab = 0;
    for (const Check& c : checks) {
        if (!c.shown) continue;
        if (!c.text.empty()) {
            tabs_->setCurrentIndex(tab);
            platform::GetUi().MessageBox(c.text, kValidateTitle, platform::MB_OK | platform::MB_ICONSTOP);
            return false;
        }
        ++tab;
    }
    if (has(8)) EncodeRoundTrip(choice, all_, s, resetOff_);
    settings_ = s;
    go_ = go;
    return true;
}

}  // namespace diagnostics
