#include "graphs/ui/PlotZoom.h"

#include <QScrollBar>
#include <cmath>

namespace graphs {

namespace {

constexpr int kScrollSteps = 1000;  // scroll bar positions over the full range

// Scroll bar state for a visible range within a full range; the bar hides when all shows.
void SetBar(QScrollBar* bar, const QCPRange& full, const QCPRange& shown, bool reversed) {
    if (!bar) return;
    const double span = full.size();
    if (span <= 0 || (shown.lower <= full.lower + 1e-9 * span && shown.upper >= full.upper - 1e-9 * span)) {
        bar->setVisible(false);
        return;
    }
    const int page = std::max(1, static_cast<int>(std::lround(shown.size() / span * kScrollSteps)));
    bar->setRange(0, std::max(0, kScrollSteps - page));
    bar->setPageStep(page);
    bar->setSingleStep(std::max(1, page / 4));
    const int at = static_cast<int>(std::lround((shown.lower - full.lower) / span * kScrollSteps));
    bar->setValue(reversed ? bar->maximum() - at : at);
    bar->setVisible(true);
}

QCPRange FromBar(const QScrollBar* bar, const QCPRange& full, const QCPRange& shown, bool reversed) {
    const int at = reversed ? bar->maximum() - bar->value() : bar->value();
    const double lower = full.lower + full.size() * at / kScrollSteps;
    return QCPRange(lower, lower + shown.size());
}

}  // namespace

PlotZoom::PlotZoom(QCustomPlot* plot, QScrollBar* horizontal, QScrollBar* vertical, QList<QCPAxis*> zoomAxes)
    : QObject(plot), plot_(plot), horizontal_(horizontal), vertical_(vertical) {
    plot->setSelectionRectMode(QCP::srmZoom);
    if (zoomAxes.isEmpty()) zoomAxes = {plot->xAxis, plot->yAxis};
    plot->axisRect()->setRangeZoomAxes(zoomAxes);
    connect(plot, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { Reset(); });
    connect(plot->selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect&, QMouseEvent*) {
        // Runs before the plot zooms: look again once it has.
        QMetaObject::invokeMethod(this, [this] {
            UpdateBars();
            emit ViewChanged();
        }, Qt::QueuedConnection);
    });
    for (QScrollBar* bar : {horizontal, vertical}) {
        if (!bar) continue;
        bar->setVisible(false);
        connect(bar, &QScrollBar::valueChanged, this, [this] { OnScroll(); });
    }
}

void PlotZoom::SetFullRange(const QCPRange& x, const QCPRange& y) {
    fullX_ = x;
    fullY_ = y;
    UpdateBars();
}

void PlotZoom::Reset() {
    SetVisible(fullX_, fullY_);
    emit ViewChanged();
}

void PlotZoom::SetVisible(const QCPRange& x, const QCPRange& y) {
    plot_->xAxis->setRange(x);
    plot_->yAxis->setRange(y);
    UpdateBars();
    plot_->replot();
}

bool PlotZoom::IsZoomed() const {
    const QCPRange x = plot_->xAxis->range(), y = plot_->yAxis->range();
    return x.lower > fullX_.lower || x.upper < fullX_.upper || y.lower > fullY_.lower || y.upper < fullY_.upper;
}

void PlotZoom::UpdateBars() {
    updating_ = true;
    SetBar(horizontal_, fullX_, plot_->xAxis->range(), false);
    SetBar(vertical_, fullY_, plot_->yAxis->range(), true);  // top of the bar is the top of the plot
    updating_ = false;
}

void PlotZoom::OnScroll() {
    if (updating_) return;
    if (horizontal_ && horizontal_->isVisible())
        plot_->xAxis->setRange(FromBar(horizontal_, fullX_, plot_->xAxis->range(), false));
    if (vertical_ && vertical_->isVisible())
        plot_->yAxis->setRange(FromBar(vertical_, fullY_, plot_->yAxis->range(), true));
    plot_->replot();
    emit ViewChanged();
}

}  // namespace graphs
