#pragma once
// The plots of the signature graph window: one plot per graph block of the model (all
// blocks, or only the current one), each curve in its colour, the step-response notices,
// rubber-band zoom with scroll bars, and the result tables of the current block below.
// A right click on a curve asks the window for that curve's menu.
#include <QWidget>
#include <vector>

#include "graphs/SignatureGraphModel.h"

class QCustomPlot;
class QVBoxLayout;
class QTableWidget;
class QLabel;

namespace graphs {

class PlotZoom;
struct ResultTable;

class CSignatureGraph : public QWidget {
    Q_OBJECT
public:
    explicit CSignatureGraph(SignatureGraphModel& model, QWidget* parent = nullptr);

    // Builds the plots and tables again from the model.
    void Rebuild();
    // The plot of a graph type (null when it is not shown).
    QCustomPlot* Plot(int type) const;
    // Makes a result table widget (also used by the analysis view).
    static QTableWidget* MakeTable(const ResultTable& table, QWidget* parent);

signals:
    // A right click on curve `index` of graph `type`.
    void CurveMenuRequested(int type, int index, QPoint globalPos);

private:
    struct Panel {
        int type = 0;
        QCustomPlot* plot = nullptr;
        PlotZoom* zoom = nullptr;
    };
    QWidget* MakePanel(SignatureGraphBlock& block);
    void BuildTables();
    void OnContextMenu(const Panel& panel, const QPoint& pos);
    void StoreView(const Panel& panel);

    SignatureGraphModel& model_;
    QVBoxLayout* plots_ = nullptr;
    QWidget* tableArea_ = nullptr;
    QVBoxLayout* tables_ = nullptr;
    std::vector<Panel> panels_;
};

}  // namespace graphs
