#pragma once
// The modal "PID Process Controller (tag)" dialog: the state choice with its indicator, the
// process value, set point and output on sliders mapped from the block's scales, the
// cascade inputs, valve position and actuator pressure, the alarm indicator and the tuning
// parameters. PidController holds the logic; this window shows it and passes the user's
// actions and the view readers' messages on.
#include <QDialog>
#include <array>

#include "controller/PidController.h"
#include "platform/WindowMessages.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;

namespace controller {

class CPidControllerDlg : public QDialog, public ControllerHost, public platform::MessageTarget {
    Q_OBJECT
public:
    // `device` may be null (no device attached).
    CPidControllerDlg(fieldbus::DeviceAccess* device, ControllerOptions options, QWidget* parent = nullptr);
    ~CPidControllerDlg() override;

    PidController& Controller() { return controller_; }
    // Fills the dialog now (it fills itself 100 ms after it is shown).
    void FillNow();

    // Controls (tests, pictures).
    QRadioButton* StateButton(int state) const { return stateButtons_[static_cast<size_t>(state)]; }
    QLabel* StateIndicator() const { return stateIndicator_; }
    QSlider* PvSlider() const { return pvSlider_; }
    QSlider* SetPointSlider() const { return spSlider_; }
    QSlider* OutputSlider() const { return outSlider_; }
    QLineEdit* SetPointField() const { return spField_; }
    QLineEdit* OutputField() const { return outField_; }
    QLabel* PvHighLabel() const { return pvHigh_; }
    QLabel* PvLowLabel() const { return pvLow_; }
    QLabel* AlarmIndicator() const { return alarm_; }
    QLabel* ValuesLabel() const { return values_; }
    QTimer* SimulationTimer() const { return simulationTimer_; }

    // ControllerHost
    void StartSimulationTimer(uint32_t periodMs) override;
    void StopSimulationTimer() override;
    void ControllerChanged() override;
    // MessageTarget: the PID, AO and TB readers' messages.
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    // Closes the dialog unless bus work runs (the simulation ends, the readers stop).
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* MakeStates();
    QWidget* MakeSliders();
    QWidget* MakeTuning();
    void ShowControls();
    void OnSetPointSlider(int value);
    void OnOutputSlider(int value);
    void OnEnter();
    bool Finish();  // false while bus work runs

    PidController controller_;
    platform::WindowHandle handle_ = 0;
    bool updating_ = false;  // controls set from the controller: no writes
    bool filled_ = false;
    bool finished_ = false;
    std::array<QRadioButton*, kStateSim + 1> stateButtons_{};
    QLabel* stateIndicator_ = nullptr;
    QLabel* deviceLabel_ = nullptr;
    QSlider* pvSlider_ = nullptr;
    QSlider* spSlider_ = nullptr;
    QSlider* outSlider_ = nullptr;
    QLabel *pvHigh_ = nullptr, *pvLow_ = nullptr, *pvUnit_ = nullptr, *pvValue_ = nullptr;
    QLabel *spHigh_ = nullptr, *spLow_ = nullptr;
    QLabel *outHigh_ = nullptr, *outLow_ = nullptr, *outUnit_ = nullptr;
    QLineEdit* spField_ = nullptr;
    QLineEdit* outField_ = nullptr;
    QToolButton *spUp_ = nullptr, *spDown_ = nullptr, *outUp_ = nullptr, *outDown_ = nullptr;
    QLabel* values_ = nullptr;
    QLabel* alarm_ = nullptr;
    QLineEdit *gain_ = nullptr, *reset_ = nullptr, *rate_ = nullptr;
    QPushButton* applyTuning_ = nullptr;
    QTimer* simulationTimer_ = nullptr;
};

}  // namespace controller
