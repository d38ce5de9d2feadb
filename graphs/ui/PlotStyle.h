#pragma once
// How every plot of the program looks: colours from the named table, the window's grid
// style, tick labels formatted by step and maximum, curves drawn with gaps at break flags.
#include <QColor>
#include <QString>
#include <qcustomplot.h>
#include <vector>

#include "graphs/CFloatPT.h"
#include "graphs/GridStyle.h"
#include "graphs/NamedColors.h"

namespace graphs {

QColor ToQColor(ColorValue color);

// A ticker whose labels use the format of the tick step and the axis maximum.
class FormattedTicker : public QCPAxisTicker {
protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

private:
    double step_ = 1.0;
    double maximum_ = 100.0;
};

// White background, the program's font, formatted tick labels on both axes.
void StylePlot(QCustomPlot* plot);
// A strip chart: as StylePlot, on a black background with light axes, labels and grid, and
// the right value axis shown with the left one's labels.
void StyleStripChart(QCustomPlot* plot);
// Grid lines of every axis rect of the plot: solid, dotted or none.
void ApplyGrid(QCustomPlot* plot, GridStyle style);
// Hands points to a curve (x against y, drawn in point order) or to a graph (sorted by x;
// a break flag becomes a gap at the flagged point's x, so the keys stay sorted).
void SetPoints(QCPCurve* curve, const std::vector<CFloatPT>& points);
void SetPoints(QCPGraph* graph, const std::vector<CFloatPT>& points);

}  // namespace graphs
