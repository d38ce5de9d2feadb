#include "calibration/ui/CTravelCalibrationPanel.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "calibration/RunProcedure.h"

namespace calibration {

CTravelCalibrationPanel::CTravelCalibrationPanel(TravelCalibrationPage& page, QWidget* parent)
    : QWidget(parent), page_(page) {
    auto* layout = new QVBoxLayout(this);
    auto* types = new QGroupBox("Calibration Type", this);
    auto* typeLayout = new QVBoxLayout(types);
    calibrationType_ = new QButtonGroup(this);
    const std::pair<const char*, int> kinds[] = {
        {"0% Calibration", kZeroCalibration}, {"Span Calibration", kSpanCalibration}, {"50% Calibration", kMidCalibration}};
    for (const auto& [name, id] : kinds) {
        auto* button = new QRadioButton(name, types);
        calibrationType_->addButton(button, id);
        typeLayout->addWidget(button);
    }
    calibrationType_->button(kSpanCalibration)->setChecked(true);
    layout->addWidget(types);

    auto* target = new QGroupBox("Target Position", this);
    auto* grid = new QGridLayout(target);
    grid->addWidget(new QLabel("Increment (%)", target), 0, 0);
    increment_ = new QComboBox(target);
    increment_->addItems({"25", "10", "1", "0.1", "0.01"});
    increment_->setCurrentIndex(1);
    grid->addWidget(increment_, 0, 1);
    grid->addWidget(new QLabel("Change To (%)", target), 1, 0);
    changeTo_ = new QLineEdit(target);
    changeTo_->setObjectName("changeTo");
    grid->addWidget(changeTo_, 1, 1);
    auto* arrows = new QVBoxLayout;
    auto* up = new QToolButton(target);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName("stepUp");
    auto* down = new QToolButton(target);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName("stepDown");
    arrows->addWidget(up);
    arrows->addWidget(down);
    grid->addLayout(arrows, 1, 2);
    auto* set = new QPushButton("&Set", target);
    set->setObjectName("setTarget");
    grid->addWidget(set, 1, 3);
    grid->addWidget(new QLabel("Target Pos. (%)", target), 2, 0);
    target_ = new QLabel(target);
    target_->setObjectName("target");
    grid->addWidget(target_, 2, 1);
    grid->addWidget(new QLabel("Valve Pos. (%)", target), 3, 0);
    position_ = new QLabel(target);
    position_->setObjectName("position");
    grid->addWidget(position_, 3, 1);
    layout->addWidget(target);
    // The valve is moved towards the target here: its live position shows when it got there.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CTravelCalibrationPanel::OnPositionTimer);
    timer->start(kPositionPollMs);
    connect(up, &QToolButton::clicked, this, [this] { OnStep(1); });
    connect(down, &QToolButton::clicked, this, [this] { OnStep(-1); });
    connect(set, &QPushButton::clicked, this, &CTravelCalibrationPanel::OnSetTarget);
    connect(changeTo_, &QLineEdit::returnPressed, this, &CTravelCalibrationPanel::OnSetTarget);

    auto* apply = new QHBoxLayout;
    auto* applyButton = new QPushButton("&Apply Calib.", this);
    applyButton->setObjectName("applyCalibration");
    connect(applyButton, &QPushButton::clicked, this, &CTravelCalibrationPanel::OnApplyCalibration);
    apply->addWidget(applyButton);
    apply->addWidget(new QLabel("Calibration Result :", this));
    calibrationResult_ = new QLabel(this);
    calibrationResult_->setObjectName("calibrationResult");
    apply->addWidget(calibrationResult_, 1);
    layout->addLayout(apply);
    layout->addStretch();
    ShowTravel();
}

void CTravelCalibrationPanel::ShowTravel() {
    changeTo_->setText(QString::fromStdString(page_.ChangeToText()));
    target_->setText(QString::fromStdString(page_.TargetText()));
    calibrationResult_->setText(QString::fromStdString(page_.ResultText()));
}

void CTravelCalibrationPanel::OnPositionTimer() {
    // Not while a procedure or another read runs (the window is disabled then).
    if (reading_ || !isVisible() || !window()->isEnabled()) return;
    reading_ = true;
    page_.RefreshPosition();
    reading_ = false;
    position_->setText(QString::fromStdString(page_.PositionText()));
}

void CTravelCalibrationPanel::OnStep(int steps) {
    page_.SetChangeToText(changeTo_->text().toStdString());
    page_.Step(steps, increment_->currentText().toDouble());
    ShowTravel();
}

void CTravelCalibrationPanel::OnSetTarget() {
    page_.SetChangeToText(changeTo_->text().toStdString());
    page_.SetTarget();
    target_->setText(QString::fromStdString(page_.TargetText()));
}

void CTravelCalibrationPanel::OnApplyCalibration() {
    calibrationResult_->clear();
    page_.Apply(static_cast<uint8_t>(calibrationType_->checkedId()));
    calibrationResult_->setText(QString::fromStdString(page_.ResultText()));
}

}  // namespace calibration
