#pragma once
// The "Calibration" property sheet: "Range" (stop finding, open stop adjustment), "Tuning"
// (auto tune, the five main servo parameters), "Travel Calibration" and "Advanced" (boost
// stages, further servo parameters, factory set, the double-acting stages under "More...").
// The pages are thin: the logic lives in calibration/ (CalibrationSession).
#include <QDialog>
#include <array>
#include <memory>
#include <vector>

#include "calibration/CalibrationSession.h"
#include "calibration/ui/CProcedureDialogs.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace calibration {

class CTravelCalibrationPanel;

// A column pair of one servo parameter: the value read at opening and the edited one.
struct ServoRow {
    QLineEdit* original = nullptr;
    QLineEdit* now = nullptr;
    QLabel* unit = nullptr;  // beside the fields; empty for values without a unit
};

class CCalibrationSheet : public QDialog {
    Q_OBJECT
public:
    // `partnerEdition` hides the open stop adjustment.
    CCalibrationSheet(fieldbus::DeviceAccess& device, bool extendedServo, const QString& title, bool partnerEdition,
                      QWidget* parent = nullptr);
    ~CCalibrationSheet() override;

    CalibrationSession& Session() { return session_; }
    QtProcedureDialogs& Dialogs() { return dialogs_; }
    QTabWidget* Tabs() const { return tabs_; }

    // Controls, for tests and pictures.
    QRadioButton* RangeOption(RangeOption option) const;
    QLineEdit* AdjustmentField() const { return adjustment_; }
    QLabel* RangeResult() const { return rangeResult_; }
    QLabel* TuningResult() const { return tuningResult_; }
    const std::array<ServoRow, 5>& TuningRows() const { return tuningRows_; }
    const std::vector<ServoRow>& AdvancedRows() const { return advancedRows_; }
    QLineEdit* ChangeTo() const;
    QLabel* TargetLabel() const;
    QLabel* CalibrationResult() const;
    QPushButton* Button(const QString& objectName) const;

    // The page buttons.
    void OnRangeGo();
    void OnAutoTune(bool searchStops);
    void OnSetDefaults();
    void OnMore();
    void OnStep(int steps);
    void OnSetTarget();
    void OnApplyCalibration();

public slots:
    void accept() override;
    void reject() override;

private:
    QWidget* MakeRangePage(bool partnerEdition);
    QWidget* MakeTuningPage();
    QWidget* MakeTravelPage();
    QWidget* MakeAdvancedPage();
    void ShowTuning();
    void ShowAdvanced();
    void ShowTravel();
    // Takes the "Now" columns into the pages' logic; false (with the field selected and the
    // message shown) when an entry is refused.
    bool SaveTuning();
    bool SaveAdvanced();

    QtProcedureDialogs dialogs_;
    CalibrationSession session_;
    bool extended_;
    QTabWidget* tabs_ = nullptr;
    // Range
    QButtonGroup* rangeOptions_ = nullptr;
    QLineEdit* adjustment_ = nullptr;
    QLabel* rangeResult_ = nullptr;
    // Tuning
    std::array<ServoRow, 5> tuningRows_{};
    QLabel* tuningResult_ = nullptr;
    // Travel calibration
    CTravelCalibrationPanel* travel_ = nullptr;
    // Advanced: 0-5 boost pairs, 6-9 single values; the double-acting pairs are kept here
    // and edited under "More...".
    std::vector<ServoRow> advancedRows_;
    int lastEdited_[16] = {};
    bool tuneFinished_ = false;  // an auto tune of this sheet finished
};

}  // namespace calibration
