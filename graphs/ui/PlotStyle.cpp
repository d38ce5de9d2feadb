#include "graphs/ui/PlotStyle.h"

#include <cmath>
#include <limits>

#include "graphs/TickFormat.h"

namespace graphs {

QColor ToQColor(ColorValue color) { return QColor(RedOf(color), GreenOf(color), BlueOf(color)); }

double FormattedTicker::getTickStep(const QCPRange& range) {
    step_ = QCPAxisTicker::getTickStep(range);
    maximum_ = range.upper;
    return step_;
}

QString FormattedTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    return QString::fromStdString(FormatTickLabel(tick, step_, maximum_)).trimmed();
}

void StylePlot(QCustomPlot* plot) {
    plot->setBackground(Qt::white);
    QFont font("Arial");
    font.setPointSize(9);
    plot->setFont(font);
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new FormattedTicker));
        axis->setTickLabelFont(font);
        axis->setLabelFont(font);
    }
}

void StyleStripChart(QCustomPlot* plot) {
    StylePlot(plot);
    plot->setBackground(Qt::black);
    plot->axisRect()->setBackground(Qt::black);
    plot->yAxis2->setVisible(true);
    plot->yAxis2->setTicker(QSharedPointer<QCPAxisTicker>(new FormattedTicker));
    plot->yAxis2->setTickLabels(true);
    const QColor light(220, 220, 220);
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2}) {
        axis->setBasePen(QPen(light));
        axis->setTickPen(QPen(light));
        axis->setSubTickPen(QPen(light));
        axis->setTickLabelColor(light);
        axis->setLabelColor(light);
        axis->setTickLabelFont(plot->font());
        axis->setLabelFont(plot->font());
    }
    ApplyGrid(plot, GridStyle::Dot);
    for (QCPAxis* axis : {plot->xAxis, plot->yAxis}) {
        axis->grid()->setPen(QPen(QColor(90, 90, 90), 0, Qt::DotLine));
        axis->grid()->setZeroLinePen(axis->grid()->pen());
    }
    plot->yAxis2->grid()->setVisible(false);
}

void ApplyGrid(QCustomPlot* plot, GridStyle style) {
    for (QCPAxisRect* rect : plot->axisRects()) {
        for (QCPAxis* axis : rect->axes()) {
            QCPGrid* grid = axis->grid();
            grid->setVisible(style != GridStyle::None);
            grid->setPen(QPen(QColor(160, 160, 160), 0, style == GridStyle::Dot ? Qt::DotLine : Qt::SolidLine));
            grid->setZeroLinePen(grid->pen());
        }
    }
}

namespace {
QVector<double> ToVector(const std::vector<double>& v) { return QVector<double>(v.begin(), v.end()); }
}  // namespace

void SetPoints(QCPCurve* curve, const std::vector<CFloatPT>& points) {
    const PlotPolyline line = ToPolyline(points);
    curve->setData(ToVector(line.x), ToVector(line.y));
}

void SetPoints(QCPGraph* graph, const std::vector<CFloatPT>& points) {
    constexpr double gap = std::numeric_limits<double>::quiet_NaN();
    QVector<QCPGraphData> data;
    data.reserve(static_cast<qsizetype>(points.size() + points.size() / 8 + 1));
    for (size_t i = 0; i < points.size(); ++i) {
        const CFloatPT& p = points[i];
        if (!std::isfinite(p.x)) continue;
        if (i > 0 && p.flag == 1) data.append(QCPGraphData(p.x, gap));
        data.append(QCPGraphData(p.x, std::isfinite(p.y) ? p.y : gap));
    }
    graph->data()->set(data, true);
}

}  // namespace graphs
