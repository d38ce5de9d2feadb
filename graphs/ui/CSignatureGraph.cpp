#include "graphs/ui/CSignatureGraph.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "diagnostics/SignatureReport.h"
#include "graphs/SignatureResultTable.h"
#include "graphs/ui/PlotStyle.h"
#include "graphs/ui/PlotZoom.h"

namespace graphs {

using namespace diagnostics;

namespace {

QCPRange XRange(const SignatureScale& s) { return {s.xMinimum, s.xMaximum}; }
QCPRange YRange(const SignatureScale& s) { return {s.yMinimum, s.yMaximum}; }

}  // namespace

CSignatureGraph::CSignatureGraph(SignatureGraphModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plots_ = new QVBoxLayout;
    layout->addLayout(plots_, 1);
    tableArea_ = new QWidget(this);
    tables_ = new QVBoxLayout(tableArea_);
    tables_->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tableArea_);
    Rebuild();
}

QCustomPlot* CSignatureGraph::Plot(int type) const {
    for (const Panel& p : panels_)
        if (p.type == GraphTypeOf(type)) return p.plot;
    return nullptr;
}

void CSignatureGraph::Rebuild() {
    panels_.clear();
    // Rebuilding may be asked for from inside a plot's own mouse handler: old plots go later.
    while (QLayoutItem* item = plots_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    for (const SignatureGraphBlock& b : model_.Blocks()) {
        if (!model_.ShowAll() && b.type != model_.CurrentType()) continue;
        plots_->addWidget(MakePanel(*model_.Block(b.type)), 1);
    }
    if (model_.Blocks().empty()) {
        auto* hint = new QLabel("No signature data. Use the Graph menu to load a signature file.", this);
        hint->setAlignment(Qt::AlignCenter);
        plots_->addWidget(hint, 1);
    }
    BuildTables();
}

QWidget* CSignatureGraph::MakePanel(SignatureGraphBlock& block) {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(0);
    auto* plot = new QCustomPlot(panel);
    plot->setObjectName(QString("plot%1").arg(block.type));
    plot->setMinimumHeight(180);
    auto* horizontal = new QScrollBar(Qt::Horizontal, panel);
    auto* vertical = new QScrollBar(Qt::Vertical, panel);
    grid->addWidget(plot, 0, 0);
    grid->addWidget(vertical, 0, 1);
    grid->addWidget(horizontal, 1, 0);

    StylePlot(plot);
    const bool current = block.type == model_.CurrentType();
    plot->plotLayout()->insertRow(0);
    auto* title = new QCPTextElement(plot, QString::fromStdString(GraphTitle(block.type)),
                                     QFont("Arial", 10, current && model_.Blocks().size() > 1 ? QFont::Bold : QFont::Normal));
    plot->plotLayout()->addElement(0, 0, title);
    const std::string xUnit = block.curves.empty() ? std::string() : block.curves.front().record->xAxis.unit;
    const std::string yUnit = block.curves.empty() ? std::string() : block.curves.front().record->yAxis.unit;
    plot->xAxis->setLabel(QString::fromLatin1(GraphXCaption(block.type, xUnit).c_str()));
    plot->yAxis->setLabel(QString::fromLatin1(GraphYCaption(block.type, yUnit).c_str()));
    ApplyGrid(plot, model_.Grid());
    plot->legend->setVisible(!block.curves.empty());
    plot->legend->setFont(QFont("Arial", 8));
    plot->legend->setBrush(QColor(255, 255, 255, 210));
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignRight);

    double noticeTop = 0.02;
    for (size_t i = 0; i < block.curves.size(); ++i) {
        const SignatureCurve& c = block.curves[i];
        auto* curve = new QCPCurve(plot->xAxis, plot->yAxis);
        curve->setName(QString::fromLatin1(c.record->CurveTitle().c_str()));
        curve->setPen(QPen(ToQColor(c.color), 1.5));
        curve->setVisible(c.shown);
        curve->setProperty("curveIndex", static_cast<int>(i));
        SetPoints(curve, c.record->curve1);
        if (block.type == KindStepResponse && !c.record->curve2.empty()) {
            // The set points, thin and dashed in the curve's colour.
            auto* setPoints = new QCPCurve(plot->xAxis, plot->yAxis);
            setPoints->setPen(QPen(ToQColor(c.color), 1, Qt::DashLine));
            setPoints->removeFromLegend();
            setPoints->setProperty("curveIndex", static_cast<int>(i));
            SetPoints(setPoints, c.record->curve2);
        }
        // The step response's notice, one line per curve at the top left of the plot.
        const std::string notice = StepResponseNoticeText(*c.record);
        if (!notice.empty()) {
            auto* text = new QCPItemText(plot);
            text->setObjectName("stepNotice");
            text->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
            text->position->setType(QCPItemPosition::ptAxisRectRatio);
            text->position->setCoords(0.01, noticeTop);
            text->setText(QString::fromStdString(notice).remove('\r').replace("\n", " "));
            text->setColor(ToQColor(c.color));
            text->setFont(QFont("Arial", 8));
            text->setClipToAxisRect(true);
            noticeTop += 0.07;
        }
    }

    Panel p{block.type, plot, new PlotZoom(plot, horizontal, vertical)};
    p.zoom->SetFullRange(XRange(block.full), YRange(block.full));
    p.zoom->SetVisible(XRange(block.visible), YRange(block.visible));
    connect(p.zoom, &PlotZoom::ViewChanged, this, [this, p] { StoreView(p); });
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this, [this, p](const QPoint& pos) { OnContextMenu(p, pos); });
    connect(plot, &QCustomPlot::mousePress, this, [this, type = block.type](QMouseEvent*) {
        if (model_.CurrentType() != type) model_.SetCurrentType(type);
    });
    panels_.push_back(p);
    return panel;
}

void CSignatureGraph::StoreView(const Panel& panel) {
    SignatureGraphBlock* block = model_.Block(panel.type);
    if (!block) return;
    const QCPRange x = panel.plot->xAxis->range(), y = panel.plot->yAxis->range();
    block->visible.xMinimum = x.lower;
    block->visible.xMaximum = x.upper;
    block->visible.yMinimum = y.lower;
    block->visible.yMaximum = y.upper;
}

void CSignatureGraph::OnContextMenu(const Panel& panel, const QPoint& pos) {
    QCPAbstractPlottable* hit = panel.plot->plottableAt(pos);
    if (hit && hit->property("curveIndex").isValid()) {
        emit CurveMenuRequested(panel.type, hit->property("curveIndex").toInt(), panel.plot->mapToGlobal(pos));
        return;
    }
    panel.zoom->Reset();
}

QTableWidget* CSignatureGraph::MakeTable(const ResultTable& table, QWidget* parent) {
    const int columns = table.rows.empty() ? 0 : static_cast<int>(table.rows.front().size());
    auto* widget = new QTableWidget(static_cast<int>(table.rows.size()), columns, parent);
    widget->horizontalHeader()->setVisible(false);
    widget->verticalHeader()->setVisible(false);
    widget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    widget->setSelectionMode(QAbstractItemView::NoSelection);
    widget->setFocusPolicy(Qt::NoFocus);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        for (size_t c = 0; c < table.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromLatin1(table.rows[r][c].c_str()));
            item->setTextAlignment(Qt::AlignCenter);
            if (static_cast<int>(r) < table.headerRows) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(QColor(235, 235, 235));
            }
            widget->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    for (const ResultTable::Span& s : table.spans) widget->setSpan(s.row, s.column, s.rows, s.columns);
    widget->resizeColumnsToContents();
    // Spanned header cells do not count in the contents: make room for their texts.
    for (size_t r = 0; r < table.rows.size() && static_cast<int>(r) < table.headerRows; ++r) {
        for (size_t c = 0; c < table.rows[r].size(); ++c) {
            QTableWidgetItem* item = widget->item(static_cast<int>(r), static_cast<int>(c));
            const int columnsSpanned = widget->columnSpan(static_cast<int>(r), static_cast<int>(c));
            const int needed = QFontMetrics(item->font()).horizontalAdvance(item->text()) + 16;
            int have = 0;
            for (int k = 0; k < columnsSpanned; ++k) have += widget->columnWidth(static_cast<int>(c) + k);
            if (have >= needed) continue;
            const int extra = (needed - have + columnsSpanned - 1) / columnsSpanned;
            for (int k = 0; k < columnsSpanned; ++k)
                widget->setColumnWidth(static_cast<int>(c) + k, widget->columnWidth(static_cast<int>(c) + k) + extra);
        }
    }
    widget->resizeRowsToContents();
    int height = 2 * widget->frameWidth();
    for (int r = 0; r < widget->rowCount(); ++r) height += widget->rowHeight(r);
    widget->setMaximumHeight(height);
    widget->setMinimumHeight(std::min(height, 160));
    return widget;
}

void CSignatureGraph::BuildTables() {
    while (QLayoutItem* item = tables_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    const SignatureGraphBlock* block = model_.Block(model_.CurrentType());
    if (!block || block->curves.empty() || block->type == KindPositioner) {
        tableArea_->setVisible(false);
        return;
    }
    std::vector<const CSignatureData*> singles, series;
    for (const SignatureCurve& c : block->curves)
        (c.record->results.series ? series : singles).push_back(c.record.get());
    std::vector<ResultTable> shown;
    if (!singles.empty()) shown.push_back(BuildResultTable(block->type, singles));
    if (!series.empty()) shown.push_back(BuildResultTable(block->type, series, true));
    for (const ResultTable& t : shown) {
        auto* title = new QLabel(QString::fromStdString(t.title), tableArea_);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        tables_->addWidget(title);
        tables_->addWidget(MakeTable(t, tableArea_));
    }
    tableArea_->setVisible(true);
}

}  // namespace graphs
