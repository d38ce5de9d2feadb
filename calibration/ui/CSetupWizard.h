#pragma once
// The setup wizard's window: Welcome, Actuator, Tuning, Travel Calibration, Position
// Control Limits (with the servo warning sub-dialog) and Finish, each captioned "Setup
// Wizard - <page> (tag)" with the edition's picture and an explanation. SetupWizard holds
// the sequence's logic; the travel calibration page is the calibration sheet's.
#include <QWizard>
#include <array>
#include <functional>
#include <memory>

#include "calibration/SetupWizard.h"
#include "calibration/TravelCalibrationPage.h"
#include "calibration/WizardTuning.h"
#include "calibration/ui/CProcedureDialogs.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace calibration {

class CTravelCalibrationPanel;

// The limits page's fields, in the order of the page.
enum LimitField : int {
    kTightShutoffLowField,
    kTightShutoffHighField,
    kTravelLowField,
    kTravelHighField,
    kNearCloseField,
    kLimitSwitchLowField,
    kLimitSwitchHighField,
    kDeviationLimitField,
    kDeviationTime1Field,
    kDeviationTime2Field,
    kLimitFieldCount
};

class CSetupWizard : public QWizard {
    Q_OBJECT
public:
    CSetupWizard(SetupWizard& wizard, QWidget* parent = nullptr);
    ~CSetupWizard() override;

    SetupWizard& Wizard() { return wizard_; }
    WizardTuning& Tuning() { return *tuning_; }
    // Controls, for tests and pictures.
    QRadioButton* ActuatorChoice(int group, int index) const;
    QLineEdit* LimitEdit(int field) const { return limits_[static_cast<size_t>(field)]; }
    QPushButton* ServoWarningButton() const { return servoWarning_; }
    QRadioButton* FinalStateButton(int state) const;
    QLabel* NoDeviceWarning() const { return noDevice_; }
    CTravelCalibrationPanel* Travel() const { return travel_; }
    QPushButton* GoButton() const { return go_; }
    QLabel* TuneResult() const { return tuneResult_; }
    QLabel* TuneIconLabel() const { return tuneIcon_; }
    QTableWidget* TunedValues() const { return tuned_; }

    // The tuning page's buttons.
    void OnGo();
    void OnAccept();
    void OnRefuse();
    // The servo warning sub-dialog (extended servo parameters).
    void OnServoWarnings();

    bool validateCurrentPage() override;

private:
    QWizardPage* MakePage(int page, const QString& explanation);
    QWizardPage* MakeActuatorPage();
    QWizardPage* MakeTuningPage();
    QWizardPage* MakeTravelPage();
    QWizardPage* MakeLimitsPage();
    QWizardPage* MakeFinishPage();
    void OnPageChanged(int page);
    void SaveActuator();
    bool SaveLimits();
    void ShowTuning();
    void WhileBusy(const std::function<void()>& work);

    SetupWizard& wizard_;
    QtProcedureDialogs dialogs_;
    std::unique_ptr<WizardTuning> tuning_;
    std::unique_ptr<TravelCalibrationPage> travelPage_;
    int currentPage_ = -1;
    std::array<QButtonGroup*, 4> actuatorGroups_{};
    std::array<QLineEdit*, kLimitFieldCount> limits_{};
    QPushButton* servoWarning_ = nullptr;
    QButtonGroup* finalState_ = nullptr;
    QLabel* noDevice_ = nullptr;
    CTravelCalibrationPanel* travel_ = nullptr;
    QPushButton* go_ = nullptr;
    QPushButton* skip_ = nullptr;
    QLabel* tuneResult_ = nullptr;
    QLabel* tuneIcon_ = nullptr;
    QTableWidget* tuned_ = nullptr;
    QPushButton* accept_ = nullptr;
    QPushButton* refuse_ = nullptr;
};

}  // namespace calibration
