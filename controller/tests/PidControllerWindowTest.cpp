// The PID process controller dialog on the offscreen platform, on a simulated positioner and
// without a device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "SegmentDevice.h"
#include "controller/ui/CPidControllerDlg.h"
#include "fieldbus/BlockKind.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"

namespace controller {
namespace {

TEST(PidControllerWindow, ShowsTheBlockAndTakesItIntoManualWithAnOutput) {
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    fieldbus::testing::SegmentDevice bed("FV-101");
    ASSERT_TRUE(bed.Opened());
    uint64_t last = clock.NowMs();
    clock.OnSleep([&](uint64_t now) {
        bed.Advance(now - last);
        last = now;
    });
    fieldbus::FieldbusDevice& device = bed.Device();
    // A PV scale of 0 to 200 (the transmitter publishes on it), set out of service.
    const int pid = device.BlockOf(fieldbus::BlockKind::PID);
    const uint8_t oos = 0x01, automatic = 0x10, twoHundred[4] = {0x43, 0x48, 0, 0};
    ASSERT_EQ(device.WriteParameter(pid, "MODE_BLK.TARGET", &oos, 1), 0);
    bed.Advance(1000);
    ASSERT_EQ(device.WriteParameter(pid, "PV_SCALE.EU_100", twoHundred, 4), 0);
    ASSERT_EQ(device.WriteParameter(pid, "MODE_BLK.TARGET", &automatic, 1), 0);
    bed.Advance(2000);

    CPidControllerDlg dialog(&device, {"FV-101", 0.0f, 100.0f, {}, {}});
    dialog.show();
    dialog.FillNow();
    EXPECT_EQ(dialog.windowTitle(), "PID Process Controller (FV-101)");
    EXPECT_TRUE(dialog.StateButton(kStateAuto)->isChecked());
    EXPECT_EQ(dialog.StateIndicator()->text(), "AUTO");
    EXPECT_EQ(dialog.PvHighLabel()->text(), "200.0");
    EXPECT_EQ(dialog.PvLowLabel()->text(), "0.0");
    const float pv = dialog.Controller().Values().pv;
    EXPECT_EQ(dialog.PvSlider()->value(), dialog.Controller().PvMapping().Position(pv));
    EXPECT_TRUE(dialog.SetPointSlider()->isEnabled());
    EXPECT_FALSE(dialog.OutputSlider()->isEnabled());
    EXPECT_FALSE(device.IsPidView3Ended());  // its readers report to the dialog

    dialog.StateButton(kStateMan)->click();
    ASSERT_TRUE(dialog.StateButton(kStateMan)->isChecked()) << (ui.Messages().empty() ? "" : ui.Last().text);
    ASSERT_TRUE(dialog.OutputField()->isEnabled());
    dialog.OutputField()->setText("37.5");
    QTest::keyClick(dialog.OutputField(), Qt::Key_Return);
    fieldbus::StatusValue out;
    ASSERT_EQ(device.ReadPidOut(out), 0);
    EXPECT_FLOAT_EQ(out.value, 37.5f);
    EXPECT_TRUE(dialog.isVisible());  // Enter writes; it does not close the dialog

    dialog.reject();
    EXPECT_TRUE(device.IsPidView3Ended());
    EXPECT_TRUE(ui.Messages().empty()) << ui.Last().text;
}

TEST(PidControllerWindow, WithoutADeviceNothingCanBeChosen) {
    platform::testing::ScriptedUi ui;
    CPidControllerDlg dialog(nullptr, {});
    dialog.FillNow();
    EXPECT_EQ(dialog.windowTitle(), "PID Process Controller (No Device Attached)");
    EXPECT_FALSE(dialog.StateButton(kStateSim)->isEnabled());
    EXPECT_FALSE(dialog.SetPointSlider()->isEnabled());
    EXPECT_EQ(dialog.StateIndicator()->text(), "NOT READY");
    EXPECT_EQ(dialog.PvHighLabel()->text(), "100.0");
}

}  // namespace
}  // namespace controller
