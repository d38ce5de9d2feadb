// The signature graph window on the offscreen platform: two files compared, a curve removed,
// a file of the wrong type refused, one graph shown alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QScrollBar>
#include <QTest>
#include <deque>
#include <qcustomplot.h>

#include "graphs/ui/CSignatureGraph.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "platform/Ui.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace graphs;
using namespace diagnostics;

namespace {

const std::string kExamples = TESSARO_SEED_SIGNATURE_DIR;

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

int CurvesOn(QCustomPlot* plot) {
    int n = 0;
    for (int i = 0; plot && i < plot->plottableCount(); ++i)
        if (plot->plottable(i)->property("curveIndex").isValid()) ++n;
    return n;
}

}  // namespace

TEST(SignatureGraphWindow, ComparesTwoFilesAndRemovesACurve) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    CSignatureGraphDlg window;
    window.Model().SetProfileFile(dir.File("Tessaro.ini"));
    std::deque<std::string> files{kExamples + "/FV-101_commissioning.sig", kExamples + "/FV-101_service.sig",
                                  kExamples + "/FV-102_positioner.sig"};
    window.Model().SetChooser([&](const config::FileDialogRequest&) {
        const std::string path = files.front();
        files.pop_front();
        return config::FileDialogResult{true, path, 1};
    });
    window.show();
    Settle();

    ASSERT_NE(nullptr, window.Command("load"));
    EXPECT_EQ("Load Data", window.Command("load")->text());
    // The device's stored baseline and record need a device.
    ASSERT_NE(nullptr, window.Command("loadBaseline"));
    EXPECT_FALSE(window.Command("loadBaseline")->isEnabled());
    EXPECT_FALSE(window.Command("loadRecord")->isEnabled());
    window.Command("load")->trigger();
    Settle();
    ui.Answer(platform::IDNO, "Clear Existing Graphs?");
    EXPECT_EQ("Load Actuator Data", window.Command("load")->text());
    window.Command("load")->trigger();
    Settle();

    // The actuator graph holds both files' curves; the extended one the first file's only
    // (the second load took the current graph's data).
    QCustomPlot* actuator = window.Graph()->Plot(KindStandard);
    ASSERT_NE(nullptr, actuator);
    EXPECT_EQ(2, CurvesOn(actuator));
    EXPECT_EQ(1, CurvesOn(window.Graph()->Plot(KindExtended)));
    EXPECT_EQ("Actuator Signature", static_cast<QCPTextElement*>(actuator->plotLayout()->element(0, 0))->text());
    EXPECT_EQ("Pressure (kPa)", actuator->xAxis->label());
    QMenu* curves = window.MenuBar()->actions().at(1)->menu();
    ASSERT_EQ(2, curves->actions().size());
    EXPECT_EQ("Curve BLUE : FV-101 @ 02/04/25 14:05:12", curves->actions().at(1)->text());
    EXPECT_NE(nullptr, window.findChild<QTableWidget*>());  // the result table of the graph

    // Remove the second curve from its menu entry.
    ASSERT_NE(nullptr, window.Command(kCmdRemoveCurve + 1));
    window.Command(kCmdRemoveCurve + 1)->trigger();
    Settle();
    actuator = window.Graph()->Plot(KindStandard);
    EXPECT_EQ(1, CurvesOn(actuator));
    EXPECT_EQ(1, window.MenuBar()->actions().at(1)->menu()->actions().size());

    // A positioner file does not fit the actuator graph.
    window.Command("load")->trigger();
    Settle();
    EXPECT_EQ("Data type mismatch.  Please load file accordingly to the selected graph!", ui.Last().text);
    EXPECT_EQ(1, CurvesOn(window.Graph()->Plot(KindStandard)));

    // A rubber band zooms in; the scroll bar appears and the view is kept for saving.
    QCustomPlot* plot = window.Graph()->Plot(KindStandard);
    const QRect area = plot->axisRect()->rect();
    QTest::mousePress(plot, Qt::LeftButton, {}, area.topLeft() + QPoint(20, 20));
    QTest::mouseMove(plot, area.center());
    QTest::mouseRelease(plot, Qt::LeftButton, {}, area.center());
    Settle();
    const SignatureScale& view = window.Model().Block(KindStandard)->visible;
    EXPECT_GT(view.xMinimum, window.Model().Block(KindStandard)->full.xMinimum);
    EXPECT_LT(view.yMaximum, window.Model().Block(KindStandard)->full.yMaximum);
    EXPECT_TRUE(plot->parentWidget()->findChildren<QScrollBar*>().at(0)->isVisible());

    // Only the current graph, then the grid without lines.
    window.Command("showToggle")->trigger();
    Settle();
    EXPECT_EQ(nullptr, window.Graph()->Plot(KindExtended));
    EXPECT_EQ("Show &All Selected Graph", window.Command("showToggle")->text());
    window.Command(GridCommand(GridStyle::None))->trigger();
    Settle();
    EXPECT_FALSE(window.Graph()->Plot(KindStandard)->xAxis->grid()->visible());

    // Step responses: the result analysis of one curve, the calibration cells of a series.
    window.Model().RemoveAllGraphs();
    files = {kExamples + "/FV-101_step_response.sig"};
    Settle();
    window.Command("load")->trigger();
    Settle();
    ASSERT_NE(nullptr, window.Command(kCmdResultAnalysis + 2));
    window.Command(kCmdResultAnalysis + 2)->trigger();
    Settle();
    QDialog* analysis = window.findChild<QDialog*>("resultAnalysis");
    ASSERT_NE(nullptr, analysis);
    const QList<QTableWidget*> tables = analysis->findChildren<QTableWidget*>();
    ASSERT_EQ(2, tables.size());
    EXPECT_EQ("Input", tables[1]->item(0, 0)->text());
    analysis->close();
    window.Command(kCmdSummary)->trigger();
    Settle();
    QDialog* summary = window.findChild<QDialog*>("measurementSummary");
    ASSERT_NE(nullptr, summary);
    EXPECT_TRUE(summary->findChild<QPlainTextEdit*>()->toPlainText().startsWith("Signature Type :Step Response Test"));

    // Closing with unsaved curves (a note changed) asks first; No lets it close.
    window.Model().SetNotes(KindStepResponse, 0, "checked again");
    ui.Answer(platform::IDNO, "Signature graph has not been saved. Save it?");
    EXPECT_TRUE(window.close());
}
