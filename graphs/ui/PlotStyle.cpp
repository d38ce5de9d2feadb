#include "graphs/ui/PlotStyle.h"

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
    const PlotPolyline line = ToPolyline(points);
    graph->setData(ToVector(line.x), ToVector(line.y), true);
}

}  // namespace graphs
