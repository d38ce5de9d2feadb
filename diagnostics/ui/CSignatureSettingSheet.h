#pragma once
// The "Signature Setting" sheet: one page per selected kind (standard, extended, which also
// serves high resolution, step response, positioner; all four for "Measure ALL"), no apply
// button, and a "Go" button that applies and starts the run when the device measures
// signatures itself. OK and Go check every page against its ranges first; a page with
// failed rules shows them in one "Parameters Validate" message and the sheet stays open.
#include <QDialog>
#include <string>

#include "diagnostics/SignatureSettings.h"
#include "diagnostics/SignatureSettingsRules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace diagnostics {

class CSignatureSettingSheet : public QDialog {
    Q_OBJECT
public:
    // `tag` empty: no device. `rangeMin`/`rangeMax`: the step set points' range.
    CSignatureSettingSheet(const std::string& tag, uint8_t mask, const SignatureSettings& settings, bool resetOff,
                           bool offerGo, float rangeMin, float rangeMax, QWidget* parent = nullptr);

    const SignatureSettings& Settings() const { return settings_; }
    bool ResetOff() const { return resetOff_; }
    // The sheet was closed with "Go".
    bool GoChosen() const { return go_; }

    // OK (`go` false) or Go: checks and takes the pages; false when a rule failed.
    bool Apply(bool go);

    QTabWidget* Pages() const { return tabs_; }
    QPushButton* GoButton() const { return goButton_; }

private:
    QWidget* StandardPage();
    QWidget* ExtendedPage(bool samplingFixed);
    QWidget* StepPage();
    QWidget* PositionerPage();
    void UpdateStepControls();
    // The pages' fields into `s`, the step choice into `choice`.
    void Read(SignatureSettings& s, StepPageChoice& choice, int& samplingIndex) const;

    uint8_t mask_;
    bool all_;
    SignatureSettings settings_;
    bool resetOff_;
    float rangeMin_, rangeMax_;
    bool go_ = false;
    QTabWidget* tabs_ = nullptr;
    QPushButton* goButton_ = nullptr;
    // The number fields of each group (nullptr where a group's page is not shown).
    QLineEdit* fields_[kSettingsGroups][kGroupFloats] = {};
    QComboBox* sampling_ = nullptr;
    QCheckBox* roundTrip_ = nullptr;
    QCheckBox* severalSteps_ = nullptr;
    QRadioButton* cycles_ = nullptr;
    QRadioButton* automatic_ = nullptr;
    QSpinBox* cycleCount_ = nullptr;
    QCheckBox* deadBand_ = nullptr;
    QLineEdit* totalTime_ = nullptr;
};

}  // namespace diagnostics
