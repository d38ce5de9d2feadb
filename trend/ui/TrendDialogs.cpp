#include "trend/ui/TrendDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace trend {

namespace {

// A dialog with OK and Cancel under `content`.
QDialogButtonBox* AddButtons(QDialog& dialog, QVBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return buttons;
}

QSpinBox* SpinBox(QWidget* parent, int min, int max, int value, const QString& name) {
    auto* box = new QSpinBox(parent);
    box->setRange(min, max);
    box->setValue(value);
    box->setObjectName(name);
    return box;
}

}  // namespace

bool AskChannelSelection(QWidget* parent, ChannelFlags& flags) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Trend Selection");
    auto* layout = new QVBoxLayout(&dialog);
    std::array<QCheckBox*, kTrendChannelCount> boxes{};
    for (size_t i = 0; i < boxes.size(); ++i) {
        boxes[i] = new QCheckBox(kTrendChannels[i].legend, &dialog);
        boxes[i]->setChecked(flags[i]);
        layout->addWidget(boxes[i]);
    }
    AddButtons(dialog, layout);
    if (dialog.exec() != QDialog::Accepted) return false;
    for (size_t i = 0; i < boxes.size(); ++i) flags[i] = boxes[i]->isChecked();
    return true;
}

bool AskScopeSettings(QWidget* parent, ScopeSettings& settings) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Scope Settings");
    auto* layout = new QVBoxLayout(&dialog);

    auto* values = new QGroupBox("Value range (%)", &dialog);
    auto* valueForm = new QFormLayout(values);
    auto* max = new QDoubleSpinBox(values);
    auto* min = new QDoubleSpinBox(values);
    for (QDoubleSpinBox* box : {max, min}) {
        box->setRange(-100.0, 200.0);
        box->setDecimals(2);
    }
    max->setValue(settings.valueMax);
    min->setValue(settings.valueMin);
    valueForm->addRow("Maximum:", max);
    valueForm->addRow("Minimum:", min);
    layout->addWidget(values);

    auto* time = new QGroupBox("Time", &dialog);
    auto* timeForm = new QFormLayout(time);
    auto* span = new QComboBox(time);
    for (int choice : kSpanChoices) span->addItem(QString::number(choice), choice);
    span->setCurrentIndex(std::max(0, span->findData(settings.spanSeconds)));
    timeForm->addRow("Visible span (sec.):", span);
    auto* history = new QHBoxLayout;
    QSpinBox* hours = SpinBox(time, 0, 11, settings.hours, "hours");
    QSpinBox* minutes = SpinBox(time, 0, 59, settings.minutes, "minutes");
    QSpinBox* seconds = SpinBox(time, 0, 59, settings.seconds, "seconds");
    history->addWidget(hours);
    history->addWidget(new QLabel("h", time));
    history->addWidget(minutes);
    history->addWidget(new QLabel("m", time));
    history->addWidget(seconds);
    history->addWidget(new QLabel("s", time));
    timeForm->addRow("History:", history);
    layout->addWidget(time);
    AddButtons(dialog, layout);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings.valueMax = static_cast<float>(max->value());
    settings.valueMin = static_cast<float>(min->value());
    settings.spanSeconds = span->currentData().toInt();
    settings.hours = hours->value();
    settings.minutes = minutes->value();
    settings.seconds = seconds->value();
    return true;
}

bool AskSampleInterval(QWidget* parent, int& milliseconds) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Sample Interval");
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    QSpinBox* box = SpinBox(&dialog, TrendRecorder::kMinInterval, TrendRecorder::kMaxInterval, milliseconds, "interval");
    box->setSingleStep(50);
    form->addRow("Sample interval (ms):", box);
    layout->addLayout(form);
    AddButtons(dialog, layout);
    if (dialog.exec() != QDialog::Accepted) return false;
    milliseconds = box->value();
    return true;
}

bool AskPositionSetPoint(QWidget* parent, const PositionSetPointEntry& entry, float& value) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Change Pos. S.P.");
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    form->addRow("AO OUT:", new QLabel(QString::number(static_cast<double>(entry.shown), 'f', 2), &dialog));
    auto* box = new QDoubleSpinBox(&dialog);
    box->setObjectName("positionSetPoint");
    box->setRange(-1.0e6, 1.0e6);
    box->setDecimals(2);
    box->setValue(entry.shown);
    const double initial = box->value();  // the shown value as the box rounds it
    box->setEnabled(entry.allowed);
    form->addRow("New value:", box);
    layout->addLayout(form);
    if (!entry.allowed) layout->addWidget(new QLabel(QString::fromStdString(entry.reason), &dialog));
    AddButtons(dialog, layout);
    if (dialog.exec() != QDialog::Accepted) return false;
    value = box->value() == initial ? entry.shown : static_cast<float>(box->value());
    return true;
}

}  // namespace trend
