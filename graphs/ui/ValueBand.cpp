#include "graphs/ui/ValueBand.h"

namespace graphs {

ValueBand::ValueBand(QCustomPlot* plot, QCPAxis* valueAxis) : QObject(plot), plot_(plot), axis_(valueAxis) {
    plot->setSelectionRectMode(QCP::srmCustom);
    connect(plot->selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect& rect, QMouseEvent* event) {
        if (event && event->button() != Qt::LeftButton) return;
        double first = 0, second = 0;
        if (BandValues(rect.top(), rect.bottom(), first, second)) emit BandSelected(first, second);
    });
    connect(plot, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if (event->button() == Qt::RightButton && InsideArea(event->pos())) emit ResetRequested();
    });
    connect(plot, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent* event) {
        if (InsideArea(event->pos())) emit ResetRequested();
    });
}

bool ValueBand::InsideArea(const QPoint& at) const { return axis_->axisRect()->rect().contains(at); }

bool ValueBand::BandValues(int top, int bottom, double& first, double& second) const {
    const QRect area = axis_->axisRect()->rect();
    if (bottom - top < 1) return false;
    if (top < area.top() || bottom > area.bottom()) return false;
    first = axis_->pixelToCoord(top);
    second = axis_->pixelToCoord(bottom);
    return true;
}

}  // namespace graphs
