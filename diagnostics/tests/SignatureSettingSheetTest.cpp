// The signature settings sheet and the choices of the signature page on a positioner that
// cannot measure signatures itself.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "calibration/testing/SegmentDeviceBed.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/ui/CDiagSignaturePage.h"
#include "diagnostics/ui/CSignatureSettingSheet.h"

namespace diagnostics {
namespace {

class SignatureSettingSheetTest : public calibration::testing::SegmentDeviceBed {};

TEST_F(SignatureSettingSheetTest, RulesKeepTheSheetOpenAndCyclesAreStoredAsRoundTrips) {
    SignatureSettings s;
    const float step[] = {20, 80, 50, 100, 0, 0, 1, 90};
    for (int i = 0; i < 8; ++i) s.At(2, i) = step[i];
    CSignatureSettingSheet sheet("", 8, s, false, false, -10.0f, 110.0f);
    EXPECT_EQ("Signature Setting (No Device Attached)", sheet.windowTitle().toStdString());
    EXPECT_FALSE(sheet.GoButton()->isVisibleTo(&sheet));
    ASSERT_EQ(1, sheet.Pages()->count());

    EXPECT_FALSE(sheet.Apply(false));
    EXPECT_EQ("Parameters Validate", ui.Last().caption);
    EXPECT_EQ("Step Response Test Parameter(s):\n  The Init Start Pos Time Limit of Step Response Test should be (10, "
              "60)\n\n",
              ui.Last().text);
    EXPECT_EQ(90.0f, sheet.Settings().At(2, kStepTimeLimit));  // nothing taken

    sheet.findChild<QLineEdit*>("step7")->setText("30");
    sheet.findChild<QLineEdit*>("step4")->setText("2");
    sheet.findChild<QCheckBox*>("severalSteps")->setChecked(true);
    EXPECT_EQ("50", sheet.findChild<QLineEdit*>("step0")->text());
    sheet.findChild<QSpinBox*>("cycleCount")->setValue(3);
    sheet.findChild<QCheckBox*>("deadBand")->setChecked(true);
    ASSERT_TRUE(sheet.Apply(false)) << ui.Last().text;
    EXPECT_EQ(6.0f, sheet.Settings().At(2, kStepRoundTrip));
    EXPECT_EQ(50.0f, sheet.Settings().At(2, kStepStart));
    EXPECT_TRUE(sheet.ResetOff());
}

TEST_F(SignatureSettingSheetTest, APositionerWithoutTheOptionOffersThePcControlledSignatures) {
    Open("KV-201");
    CDiagSignaturePage page(&device, "KV-201", nullptr, [](const config::BusWork& work) { return work(); });
    ASSERT_TRUE(page.PcControlledBox()->isVisibleTo(&page));
    EXPECT_FALSE(page.AllBox()->isEnabled());
    EXPECT_FALSE(page.KindBox(KindStandard)->isEnabled());
    page.PcControlledBox()->setChecked(true);
    EXPECT_TRUE(page.KindBox(KindStandard)->isEnabled());
    EXPECT_TRUE(page.KindBox(KindExtended)->isEnabled());
    EXPECT_FALSE(page.KindBox(KindStepResponse)->isEnabled());
    EXPECT_FALSE(page.GoButton()->isEnabled());
    page.KindBox(KindStandard)->setChecked(true);
    EXPECT_TRUE(page.GoButton()->isEnabled());
    EXPECT_TRUE(page.Logic().PcControlled());
    EXPECT_EQ(1, page.Logic().Selection());
}

}  // namespace
}  // namespace diagnostics
