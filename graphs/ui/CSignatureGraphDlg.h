#pragma once
// The signature graph window: the plots (CSignatureGraph) under a menu bar with the window
// commands (load, save, export, show one or all graphs, grid lines, which graph is current)
// and one entry per curve of the current graph, each opening that curve's menu.
#include <QDialog>
#include <memory>

#include "graphs/SignatureGraphModel.h"

class QMenu;
class QMenuBar;

namespace graphs {

class CSignatureGraph;

class CSignatureGraphDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSignatureGraphDlg(QWidget* parent = nullptr);
    ~CSignatureGraphDlg() override;

    SignatureGraphModel& Model() { return model_; }
    CSignatureGraph* Graph() const { return graph_; }
    QMenuBar* MenuBar() const { return menuBar_; }
    // The menu action of a command (19000 + ..., 19400 grid lines) or of a named window
    // command ("load", "loadBaseline", "loadRecord", "saveAll", "exportGraph", "showToggle",
    // "close"); null when absent.
    QAction* Command(int id) const;
    QAction* Command(const QString& name) const;
    // Runs a curve or grid command as its menu entry would.
    void RunCommand(int id, int type);
    // Fills `menu` with the context menu of a curve.
    void FillCurveMenu(QMenu* menu, int type, int index);
    // Shows the result analysis of a curve (the "Result Analysis" entries).
    void ShowResultAnalysis(int type, int index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RebuildMenus();
    void ScheduleRebuild();
    void ShowSummary(int type, int index);
    void EditNotes(int type, int index);

    SignatureGraphModel model_;
    QMenuBar* menuBar_ = nullptr;
    QMenu* graphMenu_ = nullptr;
    QMenu* curveMenu_ = nullptr;
    CSignatureGraph* graph_ = nullptr;
    bool rebuildPending_ = false;
};

}  // namespace graphs
