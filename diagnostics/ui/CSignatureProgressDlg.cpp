#include "diagnostics/ui/CSignatureProgressDlg.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <qcustomplot.h>

#include "diagnostics/SignatureMessages.h"
#include "graphs/NamedColors.h"
#include "graphs/ui/PlotStyle.h"
#include "platform/Ui.h"

namespace diagnostics {

namespace {

struct CurveInfo {
    const char* name;
    graphs::ColorValue color;
};
constexpr CurveInfo kCurves[3] = {
    {"Actual Position", graphs::kRed}, {"Air Pressure", graphs::kGreen}, {"AO Output", graphs::kYellow}};
// The strip chart keeps this many seconds in view.
constexpr double kShownSeconds = 120.0;

bool AskYes(const std::string& text) {
    return platform::GetUi().MessageBox(text, platform::AppCaption(),
                                        platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) ==
           platform::IDYES;
}

QLineEdit* ValueField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(110);
    return field;
}

}  // namespace

CSignatureProgressDlg::CSignatureProgressDlg(platform::WindowHandle page, bool severalKinds, bool allKinds,
                                             QWidget* parent)
    : QWidget(parent, Qt::Window), page_(page), several_(severalKinds) {
    setObjectName("signatureProgress");
    setWindowTitle("Signature");
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* values = new QFormLayout;
    position_ = ValueField(this, "position");
    pressure_ = ValueField(this, "pressure");
    ao_ = ValueField(this, "aoOutput");
    values->addRow("Position", position_);
    values->addRow("Pressure", pressure_);
    values->addRow("AO Output", ao_);
    top->addLayout(values);
    settings_ = new QPlainTextEdit(this);
    settings_->setObjectName("settingsText");
    settings_->setReadOnly(true);
    settings_->setMaximumHeight(120);
    top->addWidget(settings_, 1);
    layout->addLayout(top);

    bar_ = new QProgressBar(this);
    bar_->setObjectName("percent");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    layout->addWidget(bar_);
    auto* statusRow = new QHBoxLayout;
    status_ = new QLabel("STARTING", this);
    status_->setObjectName("status");
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);
    updated_ = new QLabel(this);
    updated_->setObjectName("updated");
    statusRow->addWidget(status_);
    statusRow->addStretch(1);
    statusRow->addWidget(updated_);
    layout->addLayout(statusRow);

    chart_ = new QCustomPlot(this);
    chart_->setObjectName("progressChart");
    chart_->setMinimumSize(420, 220);
    graphs::StyleStripChart(chart_);
    chart_->xAxis->setLabel("Time (sec.)");
    chart_->yAxis->setRange(-10.0, highest_);
    chart_->yAxis2->setRange(-10.0, highest_);
    chart_->xAxis->setRange(0.0, kShownSeconds);
    chart_->legend->setVisible(true);
    chart_->legend->setBrush(QBrush(Qt::black));
    chart_->legend->setTextColor(QColor(220, 220, 220));
    chart_->legend->setBorderPen(QPen(QColor(90, 90, 90)));
    chart_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    for (int i = 0; i < 3; ++i) {
        curves_[i] = chart_->addGraph();
        curves_[i]->setName(kCurves[i].name);
        curves_[i]->setPen(QPen(graphs::ToQColor(kCurves[i].color), 2));
    }
    layout->addWidget(chart_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (severalKinds || allKinds) {
        cancelCurrent_ = new QPushButton("Cancel &Current", this);
        cancelCurrent_->setObjectName("cancelCurrent");
        connect(cancelCurrent_, &QPushButton::clicked, this, [this] { CancelCurrent(); });
        buttons->addWidget(cancelCurrent_);
    }
    cancelAll_ = new QPushButton(severalKinds ? "Cancel &All" : "&Cancel", this);
    cancelAll_->setObjectName("cancelAll");
    connect(cancelAll_, &QPushButton::clicked, this, [this] { CancelAll(); });
    buttons->addWidget(cancelAll_);
    layout->addLayout(buttons);
    resize(640, 520);
}

bool CSignatureProgressDlg::CancelCurrent() {
    if (!AskYes("Do you want to cancel current SIGNATURE ?")) return false;
    platform::PostMessage(page_, WM_SIG_CANCEL_CURRENT);
    return true;
}

bool CSignatureProgressDlg::CancelAll() {
    if (!AskYes(several_ ? "Do you want to cancel all signatures?" : "Do you want to cancel current signature?"))
        return false;
    platform::PostMessage(page_, WM_SIG_CANCEL_ALL);
    return true;
}

void CSignatureProgressDlg::closeEvent(QCloseEvent* event) {
    // Closing the window is a cancel of the whole run; the page closes it when the run ends.
    event->ignore();
    CancelAll();
}

void CSignatureProgressDlg::Update(const SignatureProgressUpdate& u) {
    setWindowTitle(QString::fromStdString(u.title));
    position_->setText(QString::fromLatin1(u.position.c_str()));
    pressure_->setText(QString::fromLatin1(u.pressure.c_str()));
    ao_->setText(QString::fromLatin1(u.aoOutput.c_str()));
    bar_->setValue(std::clamp(static_cast<int>(u.percent), 0, 100));
    status_->setText(QString::fromStdString(u.status));
    updated_->setText(QString::fromStdString(u.updated));
    const QString settings = QString::fromLatin1(u.settings.c_str()).replace("\r\n", "\n");
    if (settings_->toPlainText() != settings) settings_->setPlainText(settings);

    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    if (startS_ < 0) startS_ = now;
    const double t = now - startS_;
    const double values[3] = {u.positionValue, u.pressureValue, u.aoValue};
    for (int i = 0; i < 3; ++i) {
        curves_[i]->addData(t, values[i]);
        highest_ = std::max(highest_, values[i] * 1.1);
    }
    chart_->yAxis->setRange(-10.0, highest_);
    chart_->yAxis2->setRange(-10.0, highest_);
    chart_->xAxis->setRange(std::max(0.0, t - kShownSeconds), std::max(kShownSeconds, t));
    chart_->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace diagnostics
