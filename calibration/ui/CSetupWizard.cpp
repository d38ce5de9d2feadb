#include "calibration/ui/CSetupWizard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "calibration/ui/CTravelCalibrationPanel.h"
#include "fieldbus/OperationState.h"
#include "logon/ui/EditionPicture.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"
#include "values/ui/QtDialogExchange.h"

namespace calibration {

namespace {

// The device of a wizard without one: every operation does nothing (its pages are disabled).
fieldbus::DeviceAccess& NoDevice() {
    static fieldbus::DeviceAccess none;
    return none;
}

QString NumberText(float value) { return QString::fromStdString(values::FloatToText(value)); }

const char* const kExplanations[kWizardPageCount] = {
    "This wizard commissions the positioner step by step: it describes the actuator, tunes the servo, "
    "calibrates the travel and sets the position control limits. The device stays out of service until you "
    "choose its operation state on the last page.\n\nCancel leaves the device as it was before the wizard.",
    "Describe the valve and its actuator. Changed settings are written to the positioner when you leave "
    "this page.",
    "Go finds the valve's stops and tunes the servo in one run; the valve strokes meanwhile. Accept the servo "
    "parameters of a successful tune, or refuse them to keep the previous ones. Skip passes on without tuning.",
    "Move the valve to the position that belongs to 0 %, 100 % or 50 % travel and apply the calibration of "
    "that type there.",
    "The limits of position control. Changed limits are written to the positioner when you finish the "
    "wizard.",
    "Choose the operation state in which the positioner is left, then Finish.",
};

const char* const kLimitLabels[kLimitFieldCount] = {
    "Tight Shut-off Low (%)", "Tight Shut-off High (%)", "Travel Range Low (%)", "Travel Range High (%)",
    "Near-Close Threshold (%)", "Limit Switch Low (%)", "Limit Switch High (%)", "Deviation Limit (%)",
    "Deviation Time 1 (s)",   "Deviation Time 2 (s)"};

// The servo warnings of the extended servo parameters.
class CServoWarningDialog : public QDialog {
public:
    CServoWarningDialog(QWidget* parent, ControlLimits& limits) : QDialog(parent), limits_(limits) {
        setWindowTitle("Servo Warning");
        auto* layout = new QVBoxLayout(this);
        auto* form = new QFormLayout;
        const char* labels[4] = {"Servo Warning High (%)", "Servo Warning Low (%)", "Servo Time Threshold (s)",
                                 "Servo Warning Count"};
        const QString values[4] = {NumberText(limits.servoWarnHigh), NumberText(limits.servoWarnLow),
                                   NumberText(limits.servoTime), QString::number(limits.servoWarnCount)};
        for (int i = 0; i < 4; ++i) {
            fields_[i] = new QLineEdit(values[i], this);
            form->addRow(labels[i], fields_[i]);
        }
        layout->addLayout(form);
        auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(box);
    }

    void accept() override {
        values::QtDialogExchange dx(true);
        float v[3] = {};
        for (int i = 0; i < 3; ++i) {
            dx.AddField(i, fields_[i]);
            if (!values::ValueCodec::Instance().ParseFloatField(dx, i, v[i])) return;
        }
        bool ok = false;
        const uint32_t count = fields_[3]->text().trimmed().toUInt(&ok);
        if (!ok) {
            platform::ShowMessage("Please enter a whole number of 0 or more.");
            fields_[3]->setFocus();
            fields_[3]->selectAll();
            return;
        }
        limits_.servoWarnHigh = v[0];
        limits_.servoWarnLow = v[1];
        limits_.servoTime = v[2];
        limits_.servoWarnCount = count;
        QDialog::accept();
    }

private:
    ControlLimits& limits_;
    QLineEdit* fields_[4] = {};
};

}  // namespace

CSetupWizard::CSetupWizard(SetupWizard& wizard, QWidget* parent)
    : QWizard(parent),
      wizard_(wizard),
      dialogs_(this),
      tuning_(std::make_unique<WizardTuning>(wizard.HasDevice() ? wizard.Device() : nullptr, dialogs_,
                                             wizard.ExtendedServo(), wizard.Config(),
                                             [&wizard](const WizardBusWork& work) { return wizard.Bus(work); })),
      travelPage_(std::make_unique<TravelCalibrationPage>(wizard.HasDevice() ? *wizard.Device() : NoDevice())) {
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    setPage(kWelcomePage, MakePage(kWelcomePage, kExplanations[kWelcomePage]));
    setPage(kActuatorPage, MakeActuatorPage());
    setPage(kTuningPage, MakeTuningPage());
    setPage(kTravelPage, MakeTravelPage());
    setPage(kLimitsPage, MakeLimitsPage());
    setPage(kFinishPage, MakeFinishPage());
    setStartId(kWelcomePage);
    connect(this, &QWizard::currentIdChanged, this, &CSetupWizard::OnPageChanged);
    setWindowTitle(QString::fromStdString(wizard_.Caption(kWelcomePage)));
    resize(620, 560);
}

CSetupWizard::~CSetupWizard() = default;

QWizardPage* CSetupWizard::MakePage(int page, const QString& explanation) {
    auto* p = new QWizardPage(this);
    p->setTitle(kWizardPageNames[page]);
    auto* layout = new QVBoxLayout(p);
    auto* picture = new QLabel(p);
    const logon::Edition edition =
        wizard_.Config().identity.makerEdition != 0 ? logon::Edition::Maker : logon::Edition::Partner;
    picture->setPixmap(logon::EditionBanner(edition, 560, 64));
    layout->addWidget(picture);
    auto* text = new QLabel(explanation, p);
    text->setWordWrap(true);
    layout->addWidget(text);
    return p;
}

QWizardPage* CSetupWizard::MakeActuatorPage() {
    QWizardPage* page = MakePage(kActuatorPage, kExplanations[kActuatorPage]);
    auto* grid = new QGridLayout;
    const char* titles[4] = {"Fail Action", "Valve Type", "Actuator Type", "Relay Type"};
    const char* choices[4][2] = {{"Air To Open", "Air To Close"},
                                 {"Linear", "Rotary"},
                                 {"Single Acting", "Double Acting"},
                                 {"Normal", "Double-Acting Relay"}};
    const ActuatorSettings& now = wizard_.Actuator();
    const uint32_t checked[4] = {now.failAction, now.valveType, now.actuatorType, now.relayType};
    for (int g = 0; g < 4; ++g) {
        auto* box = new QGroupBox(titles[g], page);
        auto* column = new QVBoxLayout(box);
        actuatorGroups_[static_cast<size_t>(g)] = new QButtonGroup(box);
        for (int i = 0; i < 2; ++i) {
            auto* button = new QRadioButton(choices[g][i], box);
            button->setChecked(checked[g] == static_cast<uint32_t>(i));
            actuatorGroups_[static_cast<size_t>(g)]->addButton(button, i);
            column->addWidget(button);
        }
        grid->addWidget(box, g / 2, g % 2);
    }
    // The double-acting relay exists only on positioners with the extended servo parameters.
    QRadioButton* doubleActing = ActuatorChoice(3, 1);
    doubleActing->setEnabled(wizard_.ExtendedServo());
    connect(doubleActing, &QRadioButton::clicked, this,
            [] { platform::ShowMessage(kDoubleActingRelayNote, platform::MB_OK | platform::MB_ICONINFORMATION); });
    static_cast<QVBoxLayout*>(page->layout())->addLayout(grid);
    static_cast<QVBoxLayout*>(page->layout())->addStretch();
    return page;
}

QRadioButton* CSetupWizard::ActuatorChoice(int group, int index) const {
    return qobject_cast<QRadioButton*>(actuatorGroups_[static_cast<size_t>(group)]->button(index));
}

QWizardPage* CSetupWizard::MakeTuningPage() {
    QWizardPage* page = MakePage(kTuningPage, kExplanations[kTuningPage]);
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    auto* buttons = new QHBoxLayout;
    go_ = new QPushButton("&Go", page);
    go_->setObjectName("tuneGo");
    go_->setEnabled(wizard_.HasDevice());
    skip_ = new QPushButton("&Skip", page);
    skip_->setObjectName("tuneSkip");
    buttons->addWidget(go_);
    buttons->addWidget(skip_);
    buttons->addStretch();
    layout->addLayout(buttons);
    auto* result = new QHBoxLayout;
    tuneIcon_ = new QLabel(page);
    tuneIcon_->setObjectName("tuneIcon");
    result->addWidget(tuneIcon_);
    result->addWidget(new QLabel("AutoTune Result :", page));
    tuneResult_ = new QLabel(page);
    tuneResult_->setObjectName("tuneResult");
    result->addWidget(tuneResult_, 1);
    layout->addLayout(result);
    tuned_ = new QTableWidget(0, 2, page);
    tuned_->setObjectName("tunedValues");
    tuned_->setHorizontalHeaderLabels({"Previous", "Tuned"});
    tuned_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tuned_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(tuned_, 1);
    auto* decide = new QHBoxLayout;
    accept_ = new QPushButton("&Accept", page);
    refuse_ = new QPushButton("&Refuse", page);
    decide->addStretch();
    decide->addWidget(accept_);
    decide->addWidget(refuse_);
    layout->addLayout(decide);
    connect(go_, &QPushButton::clicked, this, &CSetupWizard::OnGo);
    connect(skip_, &QPushButton::clicked, this, &QWizard::next);
    connect(accept_, &QPushButton::clicked, this, &CSetupWizard::OnAccept);
    connect(refuse_, &QPushButton::clicked, this, &CSetupWizard::OnRefuse);
    ShowTuning();
    return page;
}

void CSetupWizard::ShowTuning() {
    const WizardTuning& t = *tuning_;
    tuneResult_->setText(QString::fromStdString(t.ResultText()));
    QStyle::StandardPixmap icon = QStyle::SP_MessageBoxInformation;
    switch (t.Icon()) {
        case TuneIcon::Success: icon = QStyle::SP_DialogApplyButton; break;
        case TuneIcon::Warning: icon = QStyle::SP_MessageBoxWarning; break;
        case TuneIcon::Error: icon = QStyle::SP_MessageBoxCritical; break;
        case TuneIcon::None: break;
    }
    tuneIcon_->setPixmap(style()->standardIcon(icon).pixmap(24, 24));
    tuneIcon_->setVisible(t.Icon() != TuneIcon::None);

    const bool offered = t.Offered();
    tuned_->setVisible(offered);
    accept_->setVisible(offered);
    refuse_->setVisible(offered);
    if (!offered) return;
    QStringList names;
    std::vector<std::pair<float, float>> rows;
    const FullServoSet& a = t.Previous();
    const FullServoSet& b = t.Tuned();
    for (int i = 0; i < 5; ++i) {
        names << kMainServoLabels[i];
        rows.emplace_back(a.main.values[static_cast<size_t>(i)], b.main.values[static_cast<size_t>(i)]);
    }
    auto pair = [&](const char* label, const FloatPair& x, const FloatPair& y) {
        for (int i = 0; i < 2; ++i) {
            names << QString("%1 %2").arg(label).arg(i + 1);
            rows.emplace_back(x[static_cast<size_t>(i)], y[static_cast<size_t>(i)]);
        }
    };
    pair("Boost On Threshold", a.advanced.boostOn, b.advanced.boostOn);
    pair("Boost Off Threshold", a.advanced.boostOff, b.advanced.boostOff);
    pair("Boost Value", a.advanced.boostValue, b.advanced.boostValue);
    names << "Servo I Sleep Limit" << "Servo P Alpha" << "Servo Offset" << "Internal Gain";
    rows.emplace_back(a.advanced.integralSleep, b.advanced.integralSleep);
    rows.emplace_back(a.advanced.pAlpha, b.advanced.pAlpha);
    rows.emplace_back(a.advanced.offset, b.advanced.offset);
    rows.emplace_back(a.advanced.internalGain, b.advanced.internalGain);
    if (wizard_.ExtendedServo()) {
        pair("X Boost On Threshold", a.advanced.xBoostOn, b.advanced.xBoostOn);
        pair("X Boost Off Threshold", a.advanced.xBoostOff, b.advanced.xBoostOff);
        pair("X Boost Value", a.advanced.xBoostValue, b.advanced.xBoostValue);
    }
    names << "Open Stop Adjustment";
    rows.emplace_back(a.openStopAdjust, b.openStopAdjust);
    tuned_->setRowCount(static_cast<int>(rows.size()));
    tuned_->setVerticalHeaderLabels(names);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        tuned_->setItem(r, 0, new QTableWidgetItem(NumberText(rows[static_cast<size_t>(r)].first)));
        tuned_->setItem(r, 1, new QTableWidgetItem(NumberText(rows[static_cast<size_t>(r)].second)));
    }
}

void CSetupWizard::OnGo() {
    tuning_->Go();
    ShowTuning();
}

void CSetupWizard::WhileBusy(const std::function<void()>& work) {
    // The window takes no input while its bus work runs off its thread.
    setEnabled(false);
    work();
    setEnabled(true);
}

void CSetupWizard::OnAccept() {
    tuning_->Accept();
    ShowTuning();
}

void CSetupWizard::OnRefuse() {
    WhileBusy([this] { tuning_->Refuse(); });
    ShowTuning();
}

QWizardPage* CSetupWizard::MakeTravelPage() {
    QWizardPage* page = MakePage(kTravelPage, kExplanations[kTravelPage]);
    travel_ = new CTravelCalibrationPanel(*travelPage_, page);
    travel_->setEnabled(wizard_.HasDevice());
    static_cast<QVBoxLayout*>(page->layout())->addWidget(travel_, 1);
    return page;
}

QWizardPage* CSetupWizard::MakeLimitsPage() {
    QWizardPage* page = MakePage(kLimitsPage, kExplanations[kLimitsPage]);
    auto* grid = new QGridLayout;
    const ControlLimits& l = wizard_.Limits();
    const float values[kLimitFieldCount] = {l.tightShutoffLow, l.tightShutoffHigh, l.travelLow,      l.travelHigh,
                                            l.nearClose,       l.limitSwitchLow,   l.limitSwitchHigh, l.deviationLimit,
                                            l.deviationTime[0], l.deviationTime[1]};
    for (int i = 0; i < kLimitFieldCount; ++i) {
        auto* edit = new QLineEdit(NumberText(values[i]), page);
        edit->setObjectName(QString("limit%1").arg(i));
        limits_[static_cast<size_t>(i)] = edit;
        grid->addWidget(new QLabel(kLimitLabels[i], page), i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
    }
    servoWarning_ = new QPushButton("Servo &Warning...", page);
    servoWarning_->setObjectName("servoWarning");
    servoWarning_->setEnabled(wizard_.ExtendedServo());
    connect(servoWarning_, &QPushButton::clicked, this, &CSetupWizard::OnServoWarnings);
    grid->addWidget(servoWarning_, kLimitFieldCount / 2, 3);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(grid);
    static_cast<QVBoxLayout*>(page->layout())->addStretch();
    return page;
}

void CSetupWizard::OnServoWarnings() {
    CServoWarningDialog dialog(this, wizard_.Limits());
    dialog.exec();
}

QWizardPage* CSetupWizard::MakeFinishPage() {
    QWizardPage* page = MakePage(kFinishPage, kExplanations[kFinishPage]);
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    auto* box = new QGroupBox("Leave the device in", page);
    auto* column = new QVBoxLayout(box);
    finalState_ = new QButtonGroup(box);
    const std::pair<int, const char*> states[] = {{fieldbus::kNormalState, "&Normal operation (NORMAL STATE)"},
                                                  {fieldbus::kManualState, "&Manual operation (MANUAL STATE)"},
                                                  {fieldbus::kOutOfService, "&Out of service (OUT OF SERVICE)"}};
    for (const auto& [state, text] : states) {
        auto* button = new QRadioButton(text, box);
        button->setChecked(state == wizard_.FinalState());
        button->setEnabled(wizard_.StateChoosable());
        finalState_->addButton(button, state);
        column->addWidget(button);
    }
    layout->addWidget(box);
    noDevice_ = new QLabel("No device is attached: its operation state cannot be chosen.", page);
    noDevice_->setObjectName("noDeviceWarning");
    noDevice_->setStyleSheet("background:#d32f2f; color:#ffeb3b; font-weight:bold; padding:6px;");
    noDevice_->setVisible(!wizard_.StateChoosable());
    layout->addWidget(noDevice_);
    layout->addStretch();
    return page;
}

QRadioButton* CSetupWizard::FinalStateButton(int state) const {
    return qobject_cast<QRadioButton*>(finalState_->button(state));
}

void CSetupWizard::SaveActuator() {
    ActuatorSettings& a = wizard_.Actuator();
    uint32_t* fields[4] = {&a.failAction, &a.valveType, &a.actuatorType, &a.relayType};
    for (size_t g = 0; g < 4; ++g)
        if (actuatorGroups_[g]->checkedId() >= 0) *fields[g] = static_cast<uint32_t>(actuatorGroups_[g]->checkedId());
}

bool CSetupWizard::SaveLimits() {
    values::QtDialogExchange dx(true);
    float v[kLimitFieldCount] = {};
    for (int i = 0; i < kLimitFieldCount; ++i) {
        dx.AddField(i, limits_[static_cast<size_t>(i)]);
        if (!values::ValueCodec::Instance().ParseFloatField(dx, i, v[i])) return false;
    }
    ControlLimits l = wizard_.Limits();
    l.tightShutoffLow = v[kTightShutoffLowField];
    l.tightShutoffHigh = v[kTightShutoffHighField];
    l.travelLow = v[kTravelLowField];
    l.travelHigh = v[kTravelHighField];
    l.nearClose = v[kNearCloseField];
    l.limitSwitchLow = v[kLimitSwitchLowField];
    l.limitSwitchHigh = v[kLimitSwitchHighField];
    l.deviationLimit = v[kDeviationLimitField];
    l.deviationTime = {v[kDeviationTime1Field], v[kDeviationTime2Field]};
    const std::string message = CheckLimits(l);
    if (!message.empty()) {
        platform::ShowMessage(message);
        QLineEdit* field = limits_[l.travelLow > l.travelHigh ? kTravelLowField : kNearCloseField];
        field->setFocus();
        field->selectAll();
        return false;
    }
    wizard_.Limits() = l;
    return true;
}

bool CSetupWizard::validateCurrentPage() {
    switch (currentId()) {
        case kTuningPage:
            if (tuning_->Offered()) {
                platform::ShowMessage("Accept or refuse the servo parameters of the auto tune first.",
                                      platform::MB_OK | platform::MB_ICONINFORMATION);
                return false;
            }
            break;
        case kLimitsPage:
            if (!SaveLimits()) return false;
            break;
        case kFinishPage:
            if (finalState_->checkedId() >= 0) wizard_.SetFinalState(finalState_->checkedId());
            break;
        default: break;
    }
    return QWizard::validateCurrentPage();
}

void CSetupWizard::OnPageChanged(int page) {
    if (page < 0) return;  // the wizard closes: Cancel and Finish take it from here
    if (currentPage_ == kActuatorPage && page != kActuatorPage) {
        SaveActuator();
        WhileBusy([this] { wizard_.LeaveActuatorPage(); });
    }
    currentPage_ = page;
    setWindowTitle(QString::fromStdString(wizard_.Caption(page)));
    wizard_.PageActivated(page);
    if (page == kTravelPage && wizard_.HasDevice()) {
        travelPage_->Load();
        travel_->ShowTravel();
    }
}

}  // namespace calibration
