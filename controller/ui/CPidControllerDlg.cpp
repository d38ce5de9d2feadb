#include "controller/ui/CPidControllerDlg.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Ui.h"

namespace controller {

namespace {

constexpr int kFillDelayMs = 100;

// The indicator of each shown state: its text and colour.
struct Indicator {
    const char* text;
    const char* colour;
};
constexpr Indicator kIndicators[kPidStateCount] = {
    {"RCAS", "#90caf9"}, {"CAS", "#80cbc4"}, {"AUTO", "#a5d6a7"},
    {"MAN", "#ffe082"},  {"SIM.", "#ce93d8"}, {"NOT READY", "#e0e0e0"},
};

QString Number(float value) { return QString::asprintf("%.2f", value); }
QString Latin1(const std::string& text) { return QString::fromLatin1(text.c_str()); }

QSlider* MakeSlider(Qt::Orientation orientation, QWidget* parent) {
    auto* slider = new QSlider(orientation, parent);
    slider->setRange(0, 100);
    slider->setTickInterval(10);
    slider->setTickPosition(orientation == Qt::Vertical ? QSlider::TicksRight : QSlider::TicksBelow);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    if (orientation == Qt::Vertical) slider->setMinimumHeight(170);
    return slider;
}

QToolButton* MakeSpin(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    return button;
}

}  // namespace

CPidControllerDlg::CPidControllerDlg(fieldbus::DeviceAccess* device, ControllerOptions options, QWidget* parent)
    : QDialog(parent), controller_(device, *this, options) {
    handle_ = platform::MessageDispatcher::Instance().Register(this);
    setWindowTitle(QString::fromStdString(controller_.Title()));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    deviceLabel_ = new QLabel(this);
    deviceLabel_->setObjectName("pidDevice");
    QFont bold = deviceLabel_->font();
    bold.setBold(true);
    deviceLabel_->setFont(bold);
    layout->addWidget(deviceLabel_);
    layout->addWidget(MakeStates());
    layout->addWidget(MakeSliders(), 1);
    values_ = new QLabel(this);
    values_->setObjectName("pidValues");
    layout->addWidget(values_);
    layout->addWidget(MakeTuning());
    auto* close = new QPushButton("Close", this);
    close->setAutoDefault(false);  // Enter writes the fields instead
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    simulationTimer_ = new QTimer(this);
    connect(simulationTimer_, &QTimer::timeout, this, [this] { controller_.SimulationTick(); });
    ShowControls();
    QTimer::singleShot(kFillDelayMs, this, &CPidControllerDlg::FillNow);
}

CPidControllerDlg::~CPidControllerDlg() {
    Finish();
    platform::MessageDispatcher::Instance().Unregister(handle_);
}

QWidget* CPidControllerDlg::MakeStates() {
    auto* box = new QGroupBox("State", this);
    auto* row = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (int state = kStateRcas; state <= kStateSim; ++state) {
        auto* button = new QRadioButton(PidStateName(state), box);
        button->setObjectName(QString("pidState%1").arg(state));
        group->addButton(button, state);
        row->addWidget(button);
        stateButtons_[static_cast<size_t>(state)] = button;
        // A click asks for the state; what is shown follows the device.
        connect(button, &QRadioButton::clicked, this, [this, state] {
            if (updating_) return;
            controller_.ChangeState(state);
            ShowControls();
        });
    }
    group->setExclusive(false);  // "other" shows no button checked
    row->addStretch(1);
    stateIndicator_ = new QLabel(box);
    stateIndicator_->setObjectName("pidStateIndicator");
    stateIndicator_->setAlignment(Qt::AlignCenter);
    stateIndicator_->setMinimumWidth(110);
    row->addWidget(stateIndicator_);
    return box;
}

QWidget* CPidControllerDlg::MakeSliders() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);

    // Process value (shown only) and set point, both on the PV scale.
    grid->addWidget(new QLabel("PV", box), 0, 0, Qt::AlignHCenter);
    grid->addWidget(new QLabel("SP", box), 0, 2, Qt::AlignHCenter);
    pvHigh_ = new QLabel(box);
    spHigh_ = new QLabel(box);
    grid->addWidget(pvHigh_, 1, 0, Qt::AlignHCenter);
    grid->addWidget(spHigh_, 1, 2, Qt::AlignHCenter);
    pvSlider_ = MakeSlider(Qt::Vertical, box);
    pvSlider_->setObjectName("pidPvSlider");
    pvSlider_->setEnabled(false);
    spSlider_ = MakeSlider(Qt::Vertical, box);
    spSlider_->setObjectName("pidSpSlider");
    grid->addWidget(pvSlider_, 2, 0, Qt::AlignHCenter);
    grid->addWidget(spSlider_, 2, 2, Qt::AlignHCenter);
    pvLow_ = new QLabel(box);
    spLow_ = new QLabel(box);
    grid->addWidget(pvLow_, 3, 0, Qt::AlignHCenter);
    grid->addWidget(spLow_, 3, 2, Qt::AlignHCenter);
    pvValue_ = new QLabel(box);
    pvValue_->setObjectName("pidPvValue");
    grid->addWidget(pvValue_, 4, 0, Qt::AlignHCenter);
    auto* spEntry = new QHBoxLayout;
    spField_ = new QLineEdit(box);
    spField_->setObjectName("pidSpField");
    spField_->setValidator(new QDoubleValidator(spField_));
    spField_->setMaximumWidth(90);
    spUp_ = MakeSpin(Qt::UpArrow, box);
    spDown_ = MakeSpin(Qt::DownArrow, box);
    spEntry->addWidget(spField_);
    spEntry->addWidget(spUp_);
    spEntry->addWidget(spDown_);
    grid->addLayout(spEntry, 4, 2);
    pvUnit_ = new QLabel(box);
    grid->addWidget(pvUnit_, 5, 0, 1, 3, Qt::AlignHCenter);
    alarm_ = new QLabel("ALARM", box);
    alarm_->setObjectName("pidAlarm");
    alarm_->setStyleSheet("background:#e53935; color:white; font-weight:bold; padding:2px 8px; border-radius:3px;");
    grid->addWidget(alarm_, 2, 1, Qt::AlignCenter);

    // The output on its own scale.
    auto* out = new QGroupBox("OUT", box);
    auto* outGrid = new QGridLayout(out);
    outLow_ = new QLabel(out);
    outHigh_ = new QLabel(out);
    outSlider_ = MakeSlider(Qt::Horizontal, out);
    outSlider_->setObjectName("pidOutSlider");
    outSlider_->setMinimumWidth(220);
    outGrid->addWidget(outLow_, 0, 0);
    outGrid->addWidget(outSlider_, 0, 1);
    outGrid->addWidget(outHigh_, 0, 2);
    auto* outEntry = new QHBoxLayout;
    outField_ = new QLineEdit(out);
    outField_->setObjectName("pidOutField");
    outField_->setValidator(new QDoubleValidator(outField_));
    outField_->setMaximumWidth(90);
    outUp_ = MakeSpin(Qt::UpArrow, out);
    outDown_ = MakeSpin(Qt::DownArrow, out);
    outUnit_ = new QLabel(out);
    outEntry->addStretch(1);
    outEntry->addWidget(outField_);
    outEntry->addWidget(outUnit_);
    outEntry->addWidget(outUp_);
    outEntry->addWidget(outDown_);
    outEntry->addStretch(1);
    outGrid->addLayout(outEntry, 1, 0, 1, 3);
    grid->addWidget(out, 0, 4, 6, 1, Qt::AlignVCenter);
    grid->setColumnStretch(3, 1);

    // Qt's vertical slider has its maximum at the top: its value v is position 100 - v of
    // the set-point slider.
    connect(spSlider_, &QSlider::valueChanged, this, &CPidControllerDlg::OnSetPointSlider);
    connect(spSlider_, &QSlider::sliderReleased, this, [this] { OnSetPointSlider(spSlider_->value()); });
    connect(outSlider_, &QSlider::valueChanged, this, &CPidControllerDlg::OnOutputSlider);
    connect(outSlider_, &QSlider::sliderReleased, this, [this] { OnOutputSlider(outSlider_->value()); });
    connect(spUp_, &QToolButton::clicked, this, [this] { controller_.SetPointSpin(1); });
    connect(spDown_, &QToolButton::clicked, this, [this] { controller_.SetPointSpin(-1); });
    connect(outUp_, &QToolButton::clicked, this, [this] { controller_.OutputSpin(1); });
    connect(outDown_, &QToolButton::clicked, this, [this] { controller_.OutputSpin(-1); });
    connect(spField_, &QLineEdit::returnPressed, this, &CPidControllerDlg::OnEnter);
    connect(outField_, &QLineEdit::returnPressed, this, &CPidControllerDlg::OnEnter);
    return box;
}

QWidget* CPidControllerDlg::MakeTuning() {
    auto* box = new QGroupBox("Tuning Parameters", this);
    auto* row = new QHBoxLayout(box);
    auto field = [&](const char* label, const char* name) {
        row->addWidget(new QLabel(label, box));
        auto* edit = new QLineEdit(box);
        edit->setObjectName(name);
        edit->setValidator(new QDoubleValidator(edit));
        edit->setMaximumWidth(80);
        row->addWidget(edit);
        return edit;
    };
    gain_ = field("Gain", "pidGain");
    reset_ = field("I (sec)", "pidReset");
    rate_ = field("D (sec)", "pidRate");
    applyTuning_ = new QPushButton("&Apply", box);
    applyTuning_->setAutoDefault(false);
    row->addWidget(applyTuning_);
    row->addStretch(1);
    connect(applyTuning_, &QPushButton::clicked, this, [this] {
        controller_.ApplyTuning(gain_->text().toFloat(), reset_->text().toFloat(), rate_->text().toFloat());
    });
    return box;
}

void CPidControllerDlg::FillNow() {
    if (filled_) return;
    filled_ = true;
    platform::WaitCursor wait;
    controller_.Fill(controller_.HasDevice() ? handle_ : 0);
    const ControllerValues& v = controller_.Values();
    gain_->setText(Number(v.gain));
    reset_->setText(Number(v.reset));
    rate_->setText(Number(v.rate));
    ShowControls();
}

void CPidControllerDlg::OnSetPointSlider(int value) {
    if (updating_) return;
    const float shown = controller_.PvMapping().ValueAtInverted(100 - value);
    spField_->setText(Number(shown));
    if (spSlider_->isSliderDown()) return;  // written when the slider is let go
    controller_.SetPointSlider(100 - value);
}

void CPidControllerDlg::OnOutputSlider(int value) {
    if (updating_) return;
    outField_->setText(Number(controller_.OutMapping().ValueAt(value)));
    if (outSlider_->isSliderDown()) return;
    controller_.OutputSlider(value);
}

void CPidControllerDlg::OnEnter() {
    controller_.OnEnter(spField_->text().toFloat(), outField_->text().toFloat());
}

void CPidControllerDlg::ShowControls() {
    updating_ = true;
    const bool device = controller_.HasDevice();
    const bool idle = device && !controller_.Busy();
    const int state = controller_.ShownState();
    deviceLabel_->setText(device ? QString::fromStdString("Device " + controller_.Tag()) : QString("No PID block to operate"));
    for (int s = kStateRcas; s <= kStateSim; ++s) {
        QRadioButton* button = stateButtons_[static_cast<size_t>(s)];
        button->setChecked(s == state);
        button->setEnabled(idle);
    }
    const Indicator& indicator = kIndicators[state >= 0 && state < kPidStateCount ? state : kStateOther];
    stateIndicator_->setText(indicator.text);
    stateIndicator_->setStyleSheet(QString("background:%1; border:1px solid #757575; border-radius:4px; "
                                           "padding:4px 10px; font-weight:bold;")
                                       .arg(indicator.colour));

    const ControllerValues& v = controller_.Values();
    const SliderMapping& pv = controller_.PvMapping();
    const SliderMapping& out = controller_.OutMapping();
    pvHigh_->setText(Latin1(pv.highLabel));
    pvLow_->setText(Latin1(pv.lowLabel));
    spHigh_->setText(Latin1(pv.highLabel));
    spLow_->setText(Latin1(pv.lowLabel));
    pvUnit_->setText(Latin1(pv.unit));
    outHigh_->setText(Latin1(out.highLabel));
    outLow_->setText(Latin1(out.lowLabel));
    outUnit_->setText(Latin1(out.unit));
    pvSlider_->setValue(pv.Position(v.pv));
    pvValue_->setText(Number(v.pv));
    const bool setPoint = idle && controller_.SetPointEnabled();
    const bool output = idle && controller_.OutputEnabled();
    if (!spSlider_->isSliderDown()) spSlider_->setValue(100 - pv.InvertedPosition(v.sp));
    if (!outSlider_->isSliderDown()) outSlider_->setValue(out.Position(v.out));
    // A field the user is typing in keeps the text.
    if (!spField_->hasFocus()) spField_->setText(Number(v.sp));
    if (!outField_->hasFocus()) outField_->setText(Number(v.out));
    for (QWidget* w : std::initializer_list<QWidget*>{spSlider_, spField_, spUp_, spDown_}) w->setEnabled(setPoint);
    for (QWidget* w : std::initializer_list<QWidget*>{outSlider_, outField_, outUp_, outDown_}) w->setEnabled(output);
    applyTuning_->setEnabled(idle);
    alarm_->setVisible(controller_.AlarmShown());
    values_->setText(device ? QString("CAS_IN %1    RCAS_IN %2    Valve Position %3 %    Actuator Pressure %4 %5")
                                  .arg(Number(v.casIn), Number(v.rcasIn), Number(v.position), Number(v.pressure),
                                       Latin1(v.pressureUnit))
                            : QString());
    updating_ = false;
}

void CPidControllerDlg::StartSimulationTimer(uint32_t periodMs) { simulationTimer_->start(static_cast<int>(periodMs)); }

void CPidControllerDlg::StopSimulationTimer() { simulationTimer_->stop(); }

void CPidControllerDlg::ControllerChanged() {
    if (!updating_) ShowControls();
}

void CPidControllerDlg::OnMessage(unsigned msg, uintptr_t, intptr_t) { controller_.OnViewMessage(msg); }

bool CPidControllerDlg::Finish() {
    if (finished_) return true;
    if (controller_.Busy()) return false;
    finished_ = true;
    simulationTimer_->stop();
    controller_.Close();
    return true;
}

void CPidControllerDlg::reject() {
    if (Finish()) QDialog::reject();
}

void CPidControllerDlg::closeEvent(QCloseEvent* event) {
    if (!Finish()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace controller
