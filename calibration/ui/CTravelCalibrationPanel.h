#pragma once
// The "Travel Calibration" page: calibration type, the target position moved in chosen
// increments or set directly, and "&Apply Calib." with its result. Shown by the calibration
// sheet and by the setup wizard; the logic is TravelCalibrationPage's.
#include <QWidget>

#include "calibration/TravelCalibrationPage.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;

namespace calibration {

class CTravelCalibrationPanel : public QWidget {
    Q_OBJECT
public:
    CTravelCalibrationPanel(TravelCalibrationPage& page, QWidget* parent = nullptr);

    QLineEdit* ChangeTo() const { return changeTo_; }
    QLabel* TargetLabel() const { return target_; }
    QLabel* CalibrationResult() const { return calibrationResult_; }
    // The valve's position, read again every kPositionPollMs while the panel is shown and
    // its window takes input (not while a procedure runs).
    QLabel* PositionLabel() const { return position_; }
    static constexpr int kPositionPollMs = 500;
    QButtonGroup* CalibrationType() const { return calibrationType_; }

    // Shows the page's texts again.
    void ShowTravel();
    void OnStep(int steps);
    void OnSetTarget();
    void OnApplyCalibration();
    void OnPositionTimer();

private:
    TravelCalibrationPage& page_;
    QButtonGroup* calibrationType_ = nullptr;
    QComboBox* increment_ = nullptr;
    QLineEdit* changeTo_ = nullptr;
    QLabel* target_ = nullptr;
    QLabel* calibrationResult_ = nullptr;
    QLabel* position_ = nullptr;
    bool reading_ = false;
};

}  // namespace calibration
