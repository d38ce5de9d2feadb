#include "calibration/ui/CCalibrationSheet.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <optional>

#include "calibration/RunProcedure.h"
#include "calibration/ui/CTravelCalibrationPanel.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"
#include "values/ui/QtDialogExchange.h"

namespace calibration {

namespace {

QString Text(float value) { return QString::fromStdString(values::FloatToText(value)); }

// A grid of "Original" / "Now" rows under a heading row.
QGridLayout* ColumnGrid(QWidget* parent) {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("<b>Original</b>", parent), 0, 1);
    grid->addWidget(new QLabel("<b>Now</b>", parent), 0, 2);
    return grid;
}

ServoRow AddRow(QGridLayout* grid, QWidget* parent, const QString& label, const QString& unit = {}) {
    const int row = grid->rowCount();
    ServoRow r;
    grid->addWidget(new QLabel(label, parent), row, 0);
    r.original = new QLineEdit(parent);
    r.original->setReadOnly(true);
    r.original->setEnabled(false);
    r.now = new QLineEdit(parent);
    grid->addWidget(r.original, row, 1);
    grid->addWidget(r.now, row, 2);
    r.unit = new QLabel(unit, parent);
    grid->addWidget(r.unit, row, 3);
    return r;
}

// Parses a "Now" field with the framework's rules; shows the refusal and selects the field.
bool ParseField(QLineEdit* field, float& value) {
    values::QtDialogExchange dx(true);
    dx.AddField(1, field);
    if (dx.ParseFloat(1, value)) return true;
    dx.Fail();
    return false;
}

bool Refuse(QLineEdit* field, const std::string& message) {
    if (message.empty()) return false;
    platform::ShowMessage(message);
    field->setFocus();
    field->selectAll();
    return true;
}

// The double-acting boost stages of the extended servo parameters.
class CDoubleActingBoostDialog : public QDialog {
public:
    CDoubleActingBoostDialog(QWidget* parent, const AdvancedServoSet& original, AdvancedServoSet& now)
        : QDialog(parent), now_(now) {
        setWindowTitle("Double Acting Boost");
        auto* layout = new QVBoxLayout(this);
        auto* grid = ColumnGrid(this);
        const char* labels[6] = {"X Boost On Threshold 1",  "X Boost On Threshold 2", "X Boost Off Threshold 1",
                                 "X Boost Off Threshold 2", "X Boost Value 1",        "X Boost Value 2"};
        const float* originals[6] = {&original.xBoostOn[0], &original.xBoostOn[1], &original.xBoostOff[0],
                                     &original.xBoostOff[1], &original.xBoostValue[0], &original.xBoostValue[1]};
        const float* values[6] = {&now.xBoostOn[0], &now.xBoostOn[1], &now.xBoostOff[0],
                                  &now.xBoostOff[1], &now.xBoostValue[0], &now.xBoostValue[1]};
        for (int i = 0; i < 6; ++i) {
            rows_[i] = AddRow(grid, this, labels[i], "%");
            rows_[i]->original->setText(Text(*originals[i]));
            rows_[i]->now->setText(Text(*values[i]));
            connect(rows_[i]->now, &QLineEdit::textEdited, this, [this, i] { edited_[i / 2] = i % 2; });
        }
        layout->addLayout(grid);
        auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(box);
    }
    void accept() override {
        AdvancedServoSet set = now_;
        float* targets[6] = {&set.xBoostOn[0], &set.xBoostOn[1], &set.xBoostOff[0],
                             &set.xBoostOff[1], &set.xBoostValue[0], &set.xBoostValue[1]};
        for (int i = 0; i < 6; ++i)
            if (!ParseField(rows_[i]->now, *targets[i])) return;
        for (int pair = 0; pair < 3; ++pair) {
            const int entry = 2 * pair + edited_[pair];
            if (Refuse(rows_[entry]->now, ValidateAdvancedServo(set, 10 + entry))) return;
        }
        now_ = set;
        QDialog::accept();
    }

private:
    AdvancedServoSet& now_;
    std::optional<ServoRow> rows_[6];
    int edited_[3] = {};
};

}  // namespace

CCalibrationSheet::CCalibrationSheet(fieldbus::DeviceAccess& device, bool extendedServo, const QString& title,
                                     bool partnerEdition, QWidget* parent)
    : QDialog(parent), dialogs_(this), session_(device, dialogs_, extendedServo), extended_(extendedServo) {
    setWindowTitle(title);
    session_.Open();
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(MakeRangePage(partnerEdition), "Range");
    tabs_->addTab(MakeTuningPage(), "Tuning");
    tabs_->addTab(MakeTravelPage(), "Travel Calibration");
    tabs_->addTab(MakeAdvancedPage(), "Advanced");
    layout->addWidget(tabs_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CCalibrationSheet::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CCalibrationSheet::reject);
    layout->addWidget(box);
    ShowTuning();
    ShowAdvanced();
    ShowTravel();
    resize(560, 520);
}

CCalibrationSheet::~CCalibrationSheet() = default;

QPushButton* CCalibrationSheet::Button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

QRadioButton* CCalibrationSheet::RangeOption(calibration::RangeOption option) const {
    return qobject_cast<QRadioButton*>(rangeOptions_->button(static_cast<int>(option)));
}

// ---- Range ------------------------------------------------------------------------------

QWidget* CCalibrationSheet::MakeRangePage(bool partnerEdition) {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox("Find Range", page);
    auto* options = new QGridLayout(group);
    rangeOptions_ = new QButtonGroup(page);
    const char* names[3] = {"Auto Stop Limits", "Manual Stop Limits", "Open Stop Adjust"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(names[i], group);
        rangeOptions_->addButton(button, i);
        options->addWidget(button, i, 0);
    }
    rangeOptions_->button(0)->setChecked(true);
    auto* adjustLabel = new QLabel("Open Stop Adjustment", group);
    adjustment_ = new QLineEdit(Text(session_.Range().AdjustmentField()), group);
    auto* percent = new QLabel("%", group);
    options->addWidget(adjustLabel, 3, 0);
    options->addWidget(adjustment_, 3, 1);
    options->addWidget(percent, 3, 2);
    adjustment_->setEnabled(false);
    connect(rangeOptions_, &QButtonGroup::idClicked, this,
            [this](int id) { adjustment_->setEnabled(id == static_cast<int>(RangeOption::OpenStopAdjust)); });
    connect(adjustment_, &QLineEdit::textEdited, this, [this](const QString& text) {
        float value = 0;
        session_.Range().SetAdjustmentField(values::QtDialogExchange::ParseFloatText(text.toStdString(), value)
                                                ? value
                                                : std::numeric_limits<float>::quiet_NaN());
    });
    if (partnerEdition) {
        for (QWidget* w : std::initializer_list<QWidget*>{rangeOptions_->button(2), adjustLabel, adjustment_, percent}) {
            w->hide();
            w->setEnabled(false);
        }
    }
    layout->addWidget(group);
    auto* go = new QPushButton("&GO", page);
    go->setObjectName("rangeGo");
    connect(go, &QPushButton::clicked, this, &CCalibrationSheet::OnRangeGo);
    auto* row = new QHBoxLayout;
    row->addWidget(go);
    row->addWidget(new QLabel("Find Range Result :", page));
    rangeResult_ = new QLabel(page);
    rangeResult_->setObjectName("rangeResult");
    row->addWidget(rangeResult_, 1);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

void CCalibrationSheet::OnRangeGo() {
    const auto option = static_cast<calibration::RangeOption>(rangeOptions_->checkedId());
    rangeResult_->clear();
    session_.Range().Go(option, adjustment_->text().toStdString());
    rangeResult_->setText(QString::fromStdString(session_.Range().ResultText()));
    if (option != RangeOption::OpenStopAdjust) adjustment_->setText(Text(session_.Range().AdjustmentField()));
}

// ---- Tuning -----------------------------------------------------------------------------

QWidget* CCalibrationSheet::MakeTuningPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* buttons = new QHBoxLayout;
    auto* tune = new QPushButton("&Auto Tune", page);
    tune->setObjectName("autoTune");
    auto* search = new QPushButton("&Search Stops \n+ Auto Tune", page);
    search->setObjectName("searchAndTune");
    connect(tune, &QPushButton::clicked, this, [this] { OnAutoTune(false); });
    connect(search, &QPushButton::clicked, this, [this] { OnAutoTune(true); });
    buttons->addWidget(tune);
    buttons->addWidget(search);
    buttons->addStretch();
    layout->addLayout(buttons);
    auto* result = new QHBoxLayout;
    result->addWidget(new QLabel("AutoTune Result :", page));
    tuningResult_ = new QLabel(page);
    tuningResult_->setObjectName("tuningResult");
    result->addWidget(tuningResult_, 1);
    layout->addLayout(result);
    auto* grid = ColumnGrid(page);
    for (size_t i = 0; i < 5; ++i) tuningRows_[i] = AddRow(grid, page, kMainServoLabels[i]);
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

void CCalibrationSheet::ShowTuning() {
    for (size_t i = 0; i < 5; ++i) {
        tuningRows_[i].original->setText(Text(session_.Tuning().Original().values[i]));
        tuningRows_[i].now->setText(Text(session_.Tuning().Now().values[i]));
    }
    tuningResult_->setText(QString::fromStdString(session_.Tuning().ResultText()));
}

bool CCalibrationSheet::SaveTuning() {
    MainServoSet set = session_.Tuning().Now();
    for (size_t i = 0; i < 5; ++i)
        if (!ParseField(tuningRows_[i].now, set.values[i])) return false;
    for (int i = 0; i < 5; ++i)
        if (Refuse(tuningRows_[static_cast<size_t>(i)].now, ValidateMainServo(set, i))) return false;
    session_.Tuning().Edit(set);
    return true;
}

void CCalibrationSheet::OnAutoTune(bool searchStops) {
    if (!SaveTuning()) return;
    tuningResult_->clear();
    if (session_.AutoTune(searchStops)) tuneFinished_ = true;
    ShowTuning();
    ShowAdvanced();
}

// ---- Travel calibration ------------------------------------------------------------------

// The page is the travel calibration panel the setup wizard shows as well.
QWidget* CCalibrationSheet::MakeTravelPage() {
    travel_ = new CTravelCalibrationPanel(session_.Travel(), this);
    return travel_;
}

QLineEdit* CCalibrationSheet::ChangeTo() const { return travel_->ChangeTo(); }
QLabel* CCalibrationSheet::TargetLabel() const { return travel_->TargetLabel(); }
QLabel* CCalibrationSheet::CalibrationResult() const { return travel_->CalibrationResult(); }
void CCalibrationSheet::ShowTravel() { travel_->ShowTravel(); }
void CCalibrationSheet::OnStep(int steps) { travel_->OnStep(steps); }
void CCalibrationSheet::OnSetTarget() { travel_->OnSetTarget(); }
void CCalibrationSheet::OnApplyCalibration() { travel_->OnApplyCalibration(); }

// ---- Advanced ---------------------------------------------------------------------------

QWidget* CCalibrationSheet::MakeAdvancedPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* grid = ColumnGrid(page);
    const char* labels[10] = {"Boost On Threshold 1",  "Boost On Threshold 2", "Boost Off Threshold 1",
                              "Boost Off Threshold 2", "Boost Value 1",        "Boost Value 2",
                              "Servo I Sleep Limit",   "Servo P Alpha",        "Internal Gain",
                              "Servo Offset"};
    // The thresholds, boost values, sleep limit and offset are percentages of travel or output;
    // the P alpha and the internal gain are plain factors.
    const char* units[10] = {"%", "%", "%", "%", "%", "%", "%", "", "", "%"};
    for (int i = 0; i < 10; ++i) {
        advancedRows_.push_back(AddRow(grid, page, labels[i], units[i]));
        if (i < 6) connect(advancedRows_.back().now, &QLineEdit::textEdited, this, [this, i] { lastEdited_[i / 2] = i % 2; });
    }
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    auto* more = new QPushButton("More...", page);
    more->setObjectName("more");
    more->setEnabled(extended_);
    connect(more, &QPushButton::clicked, this, &CCalibrationSheet::OnMore);
    auto* defaults = new QPushButton("Set Servo Parameters to Default", page);
    defaults->setObjectName("servoDefaults");
    connect(defaults, &QPushButton::clicked, this, &CCalibrationSheet::OnSetDefaults);
    buttons->addWidget(more);
    buttons->addStretch();
    buttons->addWidget(defaults);
    layout->addLayout(buttons);
    layout->addStretch();
    return page;
}

namespace {
std::array<float, 10> AdvancedValues(const AdvancedServoSet& s) {
    return {s.boostOn[0],    s.boostOn[1],    s.boostOff[0],   s.boostOff[1],   s.boostValue[0],
            s.boostValue[1], s.integralSleep, s.pAlpha,        s.internalGain, s.offset};
}
}  // namespace

void CCalibrationSheet::ShowAdvanced() {
    const auto original = AdvancedValues(session_.Advanced().Original());
    const auto now = AdvancedValues(session_.Advanced().Now());
    for (size_t i = 0; i < 10; ++i) {
        advancedRows_[i].original->setText(Text(original[i]));
        advancedRows_[i].now->setText(Text(now[i]));
    }
}

bool CCalibrationSheet::SaveAdvanced() {
    AdvancedServoSet set = session_.Advanced().Now();
    float* targets[10] = {&set.boostOn[0],    &set.boostOn[1],    &set.boostOff[0], &set.boostOff[1],
                          &set.boostValue[0], &set.boostValue[1], &set.integralSleep, &set.pAlpha,
                          &set.internalGain,  &set.offset};
    for (size_t i = 0; i < 10; ++i)
        if (!ParseField(advancedRows_[i].now, *targets[i])) return false;
    // Pairs are judged on the entry edited last; the single values each.
    for (int pair = 0; pair < 3; ++pair) {
        const int entry = 2 * pair + lastEdited_[pair];
        if (Refuse(advancedRows_[static_cast<size_t>(entry)].now, ValidateAdvancedServo(set, entry))) return false;
    }
    for (int entry = 6; entry < 10; ++entry)
        if (Refuse(advancedRows_[static_cast<size_t>(entry)].now, ValidateAdvancedServo(set, entry))) return false;
    session_.Advanced().Edit(set);
    return true;
}

void CCalibrationSheet::OnSetDefaults() {
    session_.SetServoDefaults();
    ShowAdvanced();
    ShowTuning();
}

void CCalibrationSheet::OnMore() {
    if (!SaveAdvanced()) return;
    AdvancedServoSet now = session_.Advanced().Now();
    CDoubleActingBoostDialog dialog(this, session_.Advanced().Original(), now);
    if (dialog.exec() == QDialog::Accepted) session_.Advanced().Edit(now);
}

// ---- Closing ----------------------------------------------------------------------------

void CCalibrationSheet::accept() {
    if (!SaveTuning() || !SaveAdvanced()) return;
    session_.Ok();
    QDialog::accept();
}

void CCalibrationSheet::reject() {
    // Cancel puts the servo set of the opening back: a finished tune is only dropped when the
    // user says so.
    const TuningPage& tuning = session_.Tuning();
    if (tuneFinished_ && !(tuning.Now() == tuning.Original()) &&
        platform::ShowMessage("The auto tune finished and the device runs with the servo parameters it found.\n"
                              "Cancel puts back the parameters the device had when this sheet opened, and the "
                              "tuned ones are lost.\n\nDiscard the tuned parameters ?",
                              platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
        return;
    session_.Cancel();
    QDialog::reject();
}

}  // namespace calibration
