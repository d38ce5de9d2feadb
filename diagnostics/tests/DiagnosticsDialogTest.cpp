// The diagnostics window on a positioner of the simulated segment: it shows the measured
// values and the historian, runs the self check and resets the historian.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "calibration/testing/SegmentDeviceBed.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"
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
    EXPECT_EQ("0.00", dialog.Measured()->item(2, 1)->text());  // no self check yet

    onTime = [](uint64_t) { QApplication::processEvents(); };
    ui.Answer(platform::IDYES, "stroke the valve");
    dialog.findChild<QPushButton*>("selfCheck")->click();
    EXPECT_EQ("Success", dialog.SelfCheckResult()->text());
    EXPECT_GT(dialog.Measured()->item(2, 1)->text().toDouble(), 1.0);  // the hysteresis
    EXPECT_NE("0", dialog.Historian()->item(0, 1)->text());  // the strokes were counted
    const QString warnings = dialog.Historian()->item(5, 1)->text();
    EXPECT_GE(warnings.toInt(), 2);  // the moves beyond the warning limits

    ui.Answer(platform::IDYES, "either\nValve Historian or Device Diagnostics Data, or both.");
    ui.Answer(platform::IDNO, "Do you want to reset Device Diagnostics data?");
    dialog.findChild<QPushButton*>("reset")->click();
    EXPECT_EQ("0", dialog.Historian()->item(0, 1)->text());
    EXPECT_EQ(warnings, dialog.Historian()->item(5, 1)->text());  // kept: the user said No
}

}  // namespace
}  // namespace diagnostics
