#include "trend/ui/CTrendDlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <new>
#include <qcustomplot.h>

#include "config/ui/ConfigFileCommands.h"
#include "fieldbus/FieldbusMessages.h"
#include "graphs/ui/PlotStyle.h"
#include "graphs/ui/ValueBand.h"
#include "platform/Ui.h"
#include "trend/ui/TrendDialogs.h"

namespace trend {

namespace {

QString Rgb(graphs::ColorValue c) {
    return QString("rgb(%1,%2,%3)").arg(graphs::RedOf(c)).arg(graphs::GreenOf(c)).arg(graphs::BlueOf(c));
}

}  // namespace

CTrendDlg::CTrendDlg(TrendDevice device, std::string profileFile, platform::WindowHandle parentWindow, QWidget* parent)
    : QWidget(parent, Qt::Window), recorder_(std::move(device), std::move(profileFile)), parentWindow_(parentWindow) {
    setObjectName("trendWindow");
    setWindowTitle(QString::fromStdString(recorder_.Title()));
    handle_ = platform::MessageDispatcher::Instance().Register(this);
    recorder_.SetNotifyWindow(handle_);
    recorder_.SetChooser([this](const config::FileDialogRequest& request) {
        return config::ConfigFileCommands::ShowQtFileDialog(this, request);
    });
}

CTrendDlg::~CTrendDlg() {
    recorder_.Stop();
    platform::MessageDispatcher::Instance().Unregister(handle_);
    if (scrollBar_ && ageText_) platform::PostMessage(parentWindow_, WM_TREND_CLOSED, static_cast<uintptr_t>(Slot()), 0);
}

QScrollBar* CTrendDlg::MakeScrollBar(QWidget* parent) {
    try {
        return new QScrollBar(Qt::Horizontal, parent);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

QLabel* CTrendDlg::MakeAgeText(QWidget* parent) {
    try {
        return new QLabel(parent);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

QAction* CTrendDlg::AddCommand(QMenu* menu, const QString& name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

QAction* CTrendDlg::Command(const QString& name) const { return menuBar_ ? menuBar_->findChild<QAction*>(name) : nullptr; }

bool CTrendDlg::Create() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);

    fileMenu_ = menuBar_->addMenu("&File");
    connect(AddCommand(fileMenu_, "open", "&Open"), &QAction::triggered, this, &CTrendDlg::OnOpen);
    connect(AddCommand(fileMenu_, "save", "&Save"), &QAction::triggered, this, &CTrendDlg::OnSave);
    fileMenu_->addSeparator();
    connect(AddCommand(fileMenu_, "exit", "E&xit"), &QAction::triggered, this, &QWidget::close);
    QMenu* view = menuBar_->addMenu("&View");
    connect(AddCommand(view, "selection", "Trend Selection"), &QAction::triggered, this, &CTrendDlg::OnSelection);
    connect(AddCommand(view, "scope", "&Scope Settings"), &QAction::triggered, this, &CTrendDlg::OnScope);
    connect(AddCommand(view, "interval", "Sample &Interval"), &QAction::triggered, this, &CTrendDlg::OnInterval);
    view->addSeparator();
    connect(AddCommand(view, "clear", "&Clear All Data"), &QAction::triggered, this, &CTrendDlg::OnClear);
    QMenu* query = menuBar_->addMenu("&Query Device");
    connect(AddCommand(query, "query", "&Query Device"), &QAction::triggered, this, &CTrendDlg::OnQuery);
    QMenu* change = menuBar_->addMenu("&Change Pos. S.P.");
    connect(AddCommand(change, "changeSp", "&Change Pos. S.P."), &QAction::triggered, this,
            &CTrendDlg::OnChangePositionSetPoint);
    startStop_ = menuBar_->addAction("&Start");
    startStop_->setObjectName("startStop");
    connect(startStop_, &QAction::triggered, this, &CTrendDlg::OnStartStop);

    auto* legendRow = new QHBoxLayout;
    for (size_t i = 0; i < legends_.size(); ++i) {
        legends_[i] = new QLabel(kTrendChannels[i].legend, this);
        legends_[i]->setObjectName(QString("legend%1").arg(i + 1));
        legends_[i]->setAlignment(Qt::AlignCenter);
        legendRow->addWidget(legends_[i]);
    }
    legendRow->addStretch(1);
    layout->addLayout(legendRow);
    status_ = new QLabel(this);
    status_->setObjectName("statusText");
    layout->addWidget(status_);

    chart_ = new QCustomPlot(this);
    chart_->setObjectName("trendChart");
    chart_->setMinimumSize(240, 200);
    graphs::StyleStripChart(chart_);
    chart_->xAxis->setLabel("Time (sec.)");
    chart_->yAxis->setLabel("     (%)");
    chart_->yAxis2->setLabel("     (%)");
    for (size_t i = 0; i < graphs_.size(); ++i) {
        graphs_[i] = chart_->addGraph();
        graphs_[i]->setName(kTrendChannels[i].legend);
        graphs_[i]->setPen(QPen(graphs::ToQColor(kTrendChannels[i].pen), 2, Qt::SolidLine));
        graphs_[i]->setAdaptiveSampling(true);
        graphs_[i]->setAntialiased(false);
    }
    band_ = new graphs::ValueBand(chart_, chart_->yAxis);
    connect(band_, &graphs::ValueBand::BandSelected, this, [this](double a, double b) {
        if (recorder_.ApplyBand(static_cast<float>(a), static_cast<float>(b))) ApplyValueRange();
    });
    connect(band_, &graphs::ValueBand::ResetRequested, this, [this] {
        recorder_.ResetValueRange();
        ApplyValueRange();
    });
    layout->addWidget(chart_, 1);

    scrollBar_ = MakeScrollBar(this);
    if (!scrollBar_) {
        platform::ShowMessage("Error: Failed to allocate memory for trend scroll bar.");
        return false;
    }
    ageText_ = MakeAgeText(this);
    if (!ageText_) {
        platform::ShowMessage("Error: Failed to allocate memory for trend time cursor text.");
        return false;
    }
    ageText_->setObjectName("ageText");
    ageText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The text follows the scroll bar's width (short form when narrow), never the reverse.
    ageText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    scrollBar_->setObjectName("timeScrollBar");
    layout->addWidget(ageText_);
    layout->addWidget(scrollBar_);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (updatingBar_) return;
        recorder_.SetScrollPosition(value);
        UpdateAgeText();
        RedrawChart();
    });
    // A device closed under the window (it left the link) ends the recording without a Stop.
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this] {
        if (recorder_.NoticePollEnd()) UpdateMenus();
    });
    watch->start(1000);
    resize(820, 560);
    Refresh();
    return true;
}

// ---- Showing the state -----------------------------------------------------------------------

void CTrendDlg::Refresh() {
    if (!chart_ || !scrollBar_ || !ageText_) return;
    UpdateMenus();
    UpdateLegends();
    UpdateScrollBar();
    UpdateAgeText();
    status_->setText(QString::fromLatin1(recorder_.StatusText().c_str()));
    ApplyValueRange();
}

void CTrendDlg::UpdateMenus() {
    const bool running = recorder_.IsRunning();
    startStop_->setText(recorder_.StartStopText());
    startStop_->setEnabled(recorder_.StartStopEnabled());
    QFont font = startStop_->font();
    font.setBold(!running && recorder_.HasValidDevice());  // the default command with a device
    startStop_->setFont(font);
    fileMenu_->setEnabled(!running);
    for (const char* name : {"open", "save"}) Command(name)->setEnabled(!running);
    for (const char* name : {"selection", "interval", "clear"}) Command(name)->setEnabled(!running);
}

void CTrendDlg::UpdateLegends() {
    for (size_t i = 0; i < legends_.size(); ++i) {
        const TrendChannelInfo& info = kTrendChannels[i];
        const bool on = recorder_.Enabled()[i];
        legends_[i]->setEnabled(on);
        legends_[i]->setStyleSheet(on ? QString("QLabel { color: %1; background: %2; padding: 2px 6px; }")
                                            .arg(Rgb(info.legendText), Rgb(info.legendBack))
                                      : QString("QLabel { color: rgb(128,128,128); background: rgb(212,212,212); "
                                                "padding: 2px 6px; }"));
        graphs_[i]->setVisible(on);
    }
}

void CTrendDlg::UpdateScrollBar() {
    updatingBar_ = true;
    const int span = recorder_.SpanSeconds();
    scrollBar_->setRange(0, recorder_.ScrollLimit());
    scrollBar_->setPageStep(span);
    scrollBar_->setSingleStep(std::max(1, span / 4));
    scrollBar_->setValue(recorder_.ScrollPosition());
    updatingBar_ = false;
}

void CTrendDlg::UpdateAgeText() {
    const QString text = QString::fromStdString(AgeText(recorder_.AgeSeconds()));
    const bool fits = ageText_->fontMetrics().horizontalAdvance(text) <= scrollBar_->width();
    ageText_->setText(fits ? text : QString::fromStdString(ShortAgeText(recorder_.AgeSeconds())));
}

void CTrendDlg::ApplyValueRange() {
    const ValueRange range = recorder_.Range();
    chart_->yAxis->setRange(range.min, range.max);
    chart_->yAxis2->setRange(range.min, range.max);
    RedrawChart();
}

void CTrendDlg::RedrawChart() {
    if (!chart_) return;
    chart_->xAxis->setRange(-recorder_.SpanSeconds(), 0);
    for (size_t i = 0; i < graphs_.size(); ++i) {
        if (recorder_.Enabled()[i] || !recorder_.Channel(static_cast<int>(i)).empty()) {
            recorder_.VisibleSamples(static_cast<int>(i), visible_);
            graphs::SetPoints(graphs_[i], visible_);
        } else {
            graphs_[i]->data()->clear();
        }
    }
    chart_->replot(QCustomPlot::rpQueuedReplot);
}

void CTrendDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (ageText_ && scrollBar_) UpdateAgeText();
}

// ---- Commands ------------------------------------------------------------------------------------

void CTrendDlg::OnStartStop() {
    if (recorder_.IsRunning())
        recorder_.Stop();
    else
        recorder_.Start();
    UpdateMenus();
}

void CTrendDlg::OnOpen() {
    if (recorder_.LoadCommand() == 0) Refresh();
}

void CTrendDlg::OnSave() { recorder_.SaveCommand(); }

void CTrendDlg::OnSelection() {
    ChannelFlags flags = recorder_.Enabled();
    if (AskChannelSelection(this, flags) && recorder_.ApplySelection(flags)) {
        UpdateLegends();
        RedrawChart();
    }
}

void CTrendDlg::OnScope() {
    ScopeSettings settings = recorder_.Scope();
    if (!AskScopeSettings(this, settings)) return;
    if (recorder_.ApplyScope(settings)) {
        UpdateScrollBar();
        UpdateAgeText();
    }
    ApplyValueRange();
}

void CTrendDlg::OnInterval() {
    int ms = recorder_.SampleInterval();
    if (AskSampleInterval(this, ms)) recorder_.SetSampleInterval(ms);
}

void CTrendDlg::OnClear() {
    if (recorder_.ClearAllData() == 0) Refresh();
}

void CTrendDlg::OnQuery() { recorder_.QueryDevice(parentWindow_); }

void CTrendDlg::OnChangePositionSetPoint() {
    const PositionSetPointEntry entry = recorder_.BeginPositionSetPoint();
    float value = entry.shown;
    if (AskPositionSetPoint(this, entry, value)) recorder_.ApplyPositionSetPoint(entry, value);
}

void CTrendDlg::OnMessage(unsigned msg, uintptr_t wParam, intptr_t) {
    if (msg != fieldbus::WM_PROCESS_POLLED) return;
    const bool wasRunning = recorder_.IsRunning();
    if (recorder_.OnProcessPolled(static_cast<int>(wParam))) {
        status_->setText(QString::fromLatin1(recorder_.StatusText().c_str()));
        RedrawChart();
    }
    if (wasRunning != recorder_.IsRunning()) UpdateMenus();
}

void CTrendDlg::closeEvent(QCloseEvent* event) {
    if (recorder_.QueryClose() == 2) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace trend
