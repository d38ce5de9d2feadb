// The diagnostics window on a positioner of the simulated segment: it shows the measured
// values and the historian, runs the self check and resets the historian, and runs signatures
// from its Signature page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <atomic>
#include <chrono>
#include <cmath>
#include <qcustomplot.h>
#include <thread>

#include "calibration/testing/SegmentDeviceBed.h"
#include "diagnostics/ui/CDiagSignaturePage.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"
#include "diagnostics/ui/CSignatureProgressDlg.h"
#include "graphs/SignatureGraphTypes.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "fieldbus/OperationState.h"

namespace diagnostics {
namespace {

class DiagnosticsDialogTest : public calibration::testing::SegmentDeviceBed {};

TEST_F(DiagnosticsDialogTest, TheSelfCheckFillsTheTableAndTheResetClearsTheHistorian) {
    Open("FV-102");  // newer firmware: the servo warnings are shown too
    // Two big moves drive the servo output beyond its warning limits.
    ASSERT_EQ(0, device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
    for (float target : {10.0f, 90.0f}) {
        ASSERT_EQ(0, device.WriteTbFinalValue(target));
        Advance(10000);
    }
    CDiagnosticsDialog dialog(device, "Diagnostics (FV-102)");
    dialog.show();
    ASSERT_EQ(6, dialog.Historian()->rowCount());
    EXPECT_EQ("Servo Warning Count", dialog.Historian()->item(5, 0)->text());
    EXPECT_EQ("0.00%", dialog.Measured()->item(2, 1)->text());  // no self check yet, in % of travel
    EXPECT_TRUE(dialog.Measured()->item(0, 1)->text().endsWith(" kPa"));  // the device's pressure unit
    EXPECT_TRUE(dialog.Measured()->item(4, 1)->text().endsWith(" s"));  // the valve's time constant

    onTime = [](uint64_t) { QApplication::processEvents(); };
    ui.Answer(platform::IDYES, "stroke the valve");
    dialog.findChild<QPushButton*>("selfCheck")->click();
    EXPECT_EQ("Success", dialog.SelfCheckResult()->text());
    EXPECT_GT(dialog.Measured()->item(2, 1)->text().chopped(1).toDouble(), 1.0);  // the hysteresis
    EXPECT_NE("0", dialog.Historian()->item(0, 1)->text());  // the strokes were counted
    const QString warnings = dialog.Historian()->item(5, 1)->text();
    EXPECT_GE(warnings.toInt(), 2);  // the moves beyond the warning limits

    ui.Answer(platform::IDYES, "either\nValve Historian or Device Diagnostics Data, or both.");
    ui.Answer(platform::IDNO, "Do you want to reset Device Diagnostics data?");
    dialog.findChild<QPushButton*>("reset")->click();
    EXPECT_EQ("0", dialog.Historian()->item(0, 1)->text());
    EXPECT_EQ(warnings, dialog.Historian()->item(5, 1)->text());  // kept: the user said No
}

TEST_F(DiagnosticsDialogTest, ASignatureRunShowsItsProgressHandsTheCurveToTheGraphAndPutsTheValveBack) {
    Open("FV-101");
    fieldbus::StatusValue before;
    ASSERT_EQ(0, device.ReadTbFinalPositionValue(before));
    CDiagnosticsDialog dialog(device, "Diagnostics (FV-101)", nullptr, "FV-101");
    dialog.show();
    CDiagSignaturePage* page = dialog.SignaturePage();
    dialog.Tabs()->setCurrentWidget(page);
    EXPECT_FALSE(page->GoButton()->isEnabled());  // nothing chosen yet
    page->KindBox(KindStandard)->setChecked(true);
    ASSERT_TRUE(page->GoButton()->isEnabled());
    page->Logic().Settings().At(0, 1) = 20.0f;  // a scan of 20 s

    // The worker waits until the test has tried to leave the page, and at each pause until
    // the page has taken what it posted, as the real pause would let it.
    std::atomic<bool> release{false};
    onTime = [&release, page, main = std::this_thread::get_id()](uint64_t) {
        if (std::this_thread::get_id() == main || !page->Logic().Procedure()->HasWorker()) return;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while ((!release || platform::MessageDispatcher::Instance().PendingCount() > 0) &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    ui.Answer(platform::IDYES, "must be in OOS");
    ui.Answer(platform::IDYES, "The valve will move");
    page->OnGo();
    ASSERT_TRUE(page->Logic().IsRunning());
    ASSERT_NE(nullptr, page->ProgressWindow());
    EXPECT_FALSE(page->isEnabled());
    ui.Answer(platform::IDNO, "The Signature procedure is running! Stop it?");
    dialog.Tabs()->setCurrentIndex(0);
    EXPECT_EQ(page, dialog.Tabs()->currentWidget());  // No keeps the page and the run
    release = true;

    int plotted = 0;
    QString position;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (page->Logic().IsRunning() && std::chrono::steady_clock::now() < end) {
        QApplication::processEvents();
        platform::MessageDispatcher::Instance().DeliverPending();
        if (CSignatureProgressDlg* progress = page->ProgressWindow()) {
            plotted = std::max(plotted, progress->Chart()->graph(1)->dataCount());
            if (!progress->PositionField()->text().isEmpty()) position = progress->PositionField()->text();
        }
    }
    ASSERT_FALSE(page->Logic().IsRunning());
    EXPECT_GT(plotted, 20);  // the pressure ramps on the strip chart
    EXPECT_TRUE(position.endsWith(" %")) << position.toStdString();
    QApplication::processEvents();
    EXPECT_EQ(nullptr, page->ProgressWindow());
    EXPECT_TRUE(page->isEnabled());
    EXPECT_TRUE(page->GoButton()->isEnabled());

    // The curve with its analysis in the graph window; the valve back where it stood.
    ASSERT_NE(nullptr, page->GraphWindow());
    const graphs::SignatureGraphBlock* block = page->GraphWindow()->Model().Block(graphs::GraphTypeOf(KindStandard));
    ASSERT_NE(nullptr, block);
    ASSERT_EQ(1u, block->curves.size());
    EXPECT_EQ(18u, block->curves[0].record->curve1.size());
    EXPECT_TRUE(block->curves[0].record->results.valid);
    fieldbus::StatusValue target;
    ASSERT_EQ(0, device.ReadTbFinalValue(target));
    EXPECT_NEAR(before.value, target.value, 0.5f);
    EXPECT_EQ(3u, ui.Texts().size()) << ui.Last().text;  // the three questions, no message

    // Closing with unsaved curves offers to save them; Cancel keeps the window.
    ui.Answer(platform::IDCANCEL, "has not been saved");
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ("The signature data has not been saved yet. Save it?", ui.Last().text);
    // No discards them: the window closes without a second question.
    const size_t asked = ui.Texts().size();
    ui.Answer(platform::IDNO, "has not been saved");
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(asked + 1, ui.Texts().size());
}

}  // namespace
}  // namespace diagnostics
