#pragma once
// Rubber-band selection of a value range on one plot: a left-button drag inside the axis
// rect draws a band; on release its two edges are handed on as values of the value axis,
// provided the band is at least one pixel high and both edges lie within the axis rect's
// vertical extent. A right-button release or a double click inside the axis rect asks for
// the range to be reset. The owner decides what a band means (the plot is not zoomed here).
#include <QObject>
#include <qcustomplot.h>

namespace graphs {

class ValueBand : public QObject {
    Q_OBJECT
public:
    ValueBand(QCustomPlot* plot, QCPAxis* valueAxis);

    // The band check on its own: edges `top` and `bottom` (pixel rows, top above bottom)
    // against the axis rect; true with the two values when the band counts.
    bool BandValues(int top, int bottom, double& first, double& second) const;

signals:
    void BandSelected(double first, double second);
    void ResetRequested();

private:
    bool InsideArea(const QPoint& at) const;

    QCustomPlot* plot_;
    QCPAxis* axis_;
};

}  // namespace graphs
