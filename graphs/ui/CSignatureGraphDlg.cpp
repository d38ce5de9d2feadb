#include "graphs/ui/CSignatureGraphDlg.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "config/ui/ConfigFileCommands.h"
#include "diagnostics/SignatureReport.h"
#include "graphs/SignatureResultTable.h"
#include "graphs/ui/CSignatureGraph.h"
#include "graphs/ui/PlotStyle.h"
#include "platform/Ui.h"

namespace graphs {

using namespace diagnostics;

namespace {

constexpr int kFirstCurveCommand = kCmdRemoveCurve;
constexpr int kLastCurveCommand = kCmdResultAnalysis + kCommandsPerBase - 1;

QString MenuText(const std::string& text) { return QString::fromLatin1(text.c_str()).replace("&", "&&"); }

// A window of its own that goes when closed.
QDialog* NewView(QWidget* parent, const QString& title, const QString& name) {
    auto* view = new QDialog(parent);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(title);
    view->setObjectName(name);
    new QVBoxLayout(view);
    return view;
}

}  // namespace

CSignatureGraphDlg::CSignatureGraphDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Signature Graph");
    setObjectName("signatureGraph");
    resize(920, 760);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    graph_ = new CSignatureGraph(model_, this);
    layout->addWidget(graph_);

    model_.SetChooser([this](const config::FileDialogRequest& request) {
        return config::ConfigFileCommands::ShowQtFileDialog(this, request);
    });
    model_.SetOpener([](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    });
    model_.SetOnChanged([this] { ScheduleRebuild(); });
    connect(graph_, &CSignatureGraph::CurveMenuRequested, this, [this](int type, int index, QPoint at) {
        QMenu menu(this);
        FillCurveMenu(&menu, type, index);
        menu.exec(at);
    });
    RebuildMenus();
}

CSignatureGraphDlg::~CSignatureGraphDlg() = default;

void CSignatureGraphDlg::ScheduleRebuild() {
    // Changes may come from inside a menu or a plot that the rebuild replaces.
    if (rebuildPending_) return;
    rebuildPending_ = true;
    QTimer::singleShot(0, this, [this] {
        rebuildPending_ = false;
        graph_->Rebuild();
        RebuildMenus();
    });
}

void CSignatureGraphDlg::RebuildMenus() {
    // The menus are made anew; the old ones may be the sender of the change and go later.
    menuBar_->clear();
    for (QMenu* old : {graphMenu_, curveMenu_}) {
        if (!old) continue;
        old->setParent(nullptr);
        old->deleteLater();
    }
    graphMenu_ = menuBar_->addMenu("&Graph");
    curveMenu_ = menuBar_->addMenu("&Curves");
    const int type = model_.CurrentType();
    const SignatureGraphBlock* block = model_.Block(type);

    auto add = [this](QMenu* menu, const QString& name, const QString& text, bool enabled, auto slot) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(graphMenu_, "load", QString::fromStdString(LoadCommandText(type)), true,
        [this] { model_.LoadCommand(); });
    // What the device keeps of the standard signature, laid over today's curves.
    add(graphMenu_, "loadBaseline", "Load &Baseline From Device", model_.HasDevice(),
        [this] { model_.LoadFromDevice(true); });
    add(graphMenu_, "loadRecord", "Load &Record From Device", model_.HasDevice(),
        [this] { model_.LoadFromDevice(false); });
    add(graphMenu_, "saveAll", "&Save All Graphs...", model_.HasCurves(), [this] { model_.SaveAllGraphs(); });
    add(graphMenu_, "exportGraph", "E&xport Graph to Excel File", block && !block->curves.empty(),
        [this] { model_.Export(model_.CurrentType(), -1); });
    graphMenu_->addSeparator();
    add(graphMenu_, "showToggle", QString::fromStdString(model_.ShowCommandText()), model_.Blocks().size() > 1,
        [this] { model_.SetShowAll(!model_.ShowAll()); });
    QMenu* grid = graphMenu_->addMenu("Grid Line");
    for (GridStyle style : {GridStyle::Solid, GridStyle::Dot, GridStyle::None}) {
        QAction* action = grid->addAction(GridStyleName(style));
        action->setData(GridCommand(style));
        action->setCheckable(true);
        action->setChecked(model_.Grid() == style);
        connect(action, &QAction::triggered, this, [this, style] { model_.SetGrid(style); });
    }
    if (!model_.Blocks().empty()) graphMenu_->addSeparator();
    for (const SignatureGraphBlock& b : model_.Blocks()) {
        QAction* action = graphMenu_->addAction(QString::fromStdString(GraphTitle(b.type)));
        action->setObjectName(QString("graph%1").arg(b.type));
        action->setCheckable(true);
        action->setChecked(b.type == type);
        connect(action, &QAction::triggered, this, [this, t = b.type] { model_.SetCurrentType(t); });
    }
    graphMenu_->addSeparator();
    add(graphMenu_, "close", "&Close", true, [this] { close(); });

    // One entry per curve of the current graph, each opening the curve's menu.
    curveMenu_->setEnabled(block && !block->curves.empty());
    if (!block) return;
    const int count = std::min<int>(static_cast<int>(block->curves.size()), kCommandsPerBase);
    for (int i = 0; i < count; ++i) FillCurveMenu(curveMenu_->addMenu(MenuText(model_.CurveMenuText(type, i))), type, i);
    if (block->type == KindStepResponse && count >= 2) {
        curveMenu_->addSeparator();
        QMenu* analysis = curveMenu_->addMenu("Result Analysis");
        for (int i = 0; i < count; ++i) {
            QAction* action = analysis->addAction(MenuText(block->curves[static_cast<size_t>(i)].record->CurveTitle()));
            action->setData(kCmdResultAnalysis + i);
            connect(action, &QAction::triggered, this, [this, type, i] { ShowResultAnalysis(type, i); });
        }
    }
}

void CSignatureGraphDlg::FillCurveMenu(QMenu* menu, int type, int index) {
    const SignatureCurve* curve = model_.Curve(type, index);
    if (!curve) {
        platform::ShowMessage("Curve index out of range");
        return;
    }
    for (const CurveMenuEntry& entry : CurveContextMenu(*curve->record, index)) {
        if (entry.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromStdString(entry.text));
        action->setData(entry.command);
        connect(action, &QAction::triggered, this, [this, id = entry.command, type] { RunCommand(id, type); });
    }
    menu->addSeparator();
    QMenu* colours = menu->addMenu("C&olour");
    for (ColorValue color : NamedColors()) {
        if (color == kWhite) continue;
        QPixmap swatch(12, 12);
        swatch.fill(ToQColor(color));
        QAction* action = colours->addAction(QIcon(swatch), QString::fromStdString(ColorName(color)));
        action->setCheckable(true);
        action->setChecked(curve->color == color);
        connect(action, &QAction::triggered, this, [this, type, index, color] { model_.SetCurveColor(type, index, color); });
    }
}

QAction* CSignatureGraphDlg::Command(int id) const {
    for (QAction* action : menuBar_->findChildren<QAction*>())
        if (action->data().toInt() == id) return action;
    return nullptr;
}

QAction* CSignatureGraphDlg::Command(const QString& name) const {
    return menuBar_->findChild<QAction*>(name);
}

void CSignatureGraphDlg::RunCommand(int id, int type) {
    if (id >= kGridCommandBase && id <= GridCommand(GridStyle::None)) {
        model_.SetGrid(static_cast<GridStyle>(id - kGridCommandBase));
        return;
    }
    if (id < kFirstCurveCommand || id > kLastCurveCommand) return;
    const int base = kFirstCurveCommand + (id - kFirstCurveCommand) / kCommandsPerBase * kCommandsPerBase;
    const int index = id - base;
    switch (base) {
    case kCmdRemoveCurve: model_.RemoveCurve(type, index); break;
    case kCmdExportCurve: model_.Export(type, index); break;
    case kCmdSummary: ShowSummary(type, index); break;
    case kCmdNotes: EditNotes(type, index); break;
    case kCmdSaveToFile: model_.SaveGraph(type); break;
    case kCmdSaveToRecord: model_.SaveToDevice(type, index, true); break;
    case kCmdSaveToBaseline: model_.SaveToDevice(type, index, false); break;
    case kCmdResultAnalysis: ShowResultAnalysis(type, index); break;
    default: break;
    }
}

void CSignatureGraphDlg::ShowSummary(int type, int index) {
    const SignatureCurve* curve = model_.Curve(type, index);
    if (!curve) return;
    QDialog* view = NewView(this, "Measurement Summary", "measurementSummary");
    auto* text = new QPlainTextEdit(QString::fromLatin1(MeasurementSummaryText(*curve->record).c_str()), view);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->layout()->addWidget(text);
    view->resize(520, 480);
    view->show();
}

void CSignatureGraphDlg::EditNotes(int type, int index) {
    const SignatureCurve* curve = model_.Curve(type, index);
    if (!curve) return;
    bool ok = false;
    const QString notes = QInputDialog::getMultiLineText(this, "Signature Notes", QString::fromLatin1(
        curve->record->CurveTitle().c_str()), QString::fromLatin1(curve->record->notes.c_str()), &ok);
    if (ok) model_.SetNotes(type, index, notes.toLatin1().toStdString());
}

void CSignatureGraphDlg::ShowResultAnalysis(int type, int index) {
    const SignatureCurve* curve = model_.Curve(type, index);
    if (!curve) {
        platform::ShowMessage("Curve index out of range");
        return;
    }
    const CSignatureData& record = *curve->record;
    QDialog* view = NewView(this, "Result Analysis", "resultAnalysis");
    auto* heading = new QLabel(QString::fromLatin1(record.CurveTitle().c_str()), view);
    view->layout()->addWidget(heading);
    const std::string none = NoResultsText(record);
    if (!none.empty()) {
        view->layout()->addWidget(new QLabel(QString::fromStdString(none), view));
    } else if (record.results.series) {
        view->layout()->addWidget(CSignatureGraph::MakeTable(BuildResultTable(type, {&record}, true), view));
        view->layout()->addWidget(CSignatureGraph::MakeTable(BuildCalibrationCells(record), view));
    } else {
        view->layout()->addWidget(CSignatureGraph::MakeTable(BuildResultTable(type, {&record}), view));
    }
    view->resize(560, 360);
    view->show();
}

void CSignatureGraphDlg::closeEvent(QCloseEvent* event) {
    if (model_.QuerySave() == 2) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace graphs
