// The setup wizard's window on the offscreen platform, without a device: the captions of its
// pages, the refused limits, and the Finish page that offers no state.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "calibration/ui/CSetupWizard.h"
#include "calibration/ui/CTravelCalibrationPanel.h"
#include "platform/testing/ScriptedUi.h"

namespace calibration {
namespace {

TEST(SetupWizardWindow, WithoutADeviceTheCaptionsSayItAndNoStateCanBeChosen) {
    platform::testing::ScriptedUi ui;
    config::CConfigData record;
    SetupWizard wizard(nullptr, "", record);
    ASSERT_EQ(wizard.Begin(), 0);
    CSetupWizard window(wizard);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Setup Wizard - Welcome (No Device Attached)");
    window.next();
    EXPECT_EQ(window.windowTitle(), "Setup Wizard - Actuator (No Device Attached)");
    EXPECT_FALSE(window.ActuatorChoice(3, 1)->isEnabled());  // the double-acting relay
    window.next();
    EXPECT_EQ(window.windowTitle(), "Setup Wizard - Tuning (No Device Attached)");
    EXPECT_FALSE(window.GoButton()->isEnabled());
    window.next();
    EXPECT_EQ(window.windowTitle(), "Setup Wizard - Travel Calibration (No Device Attached)");
    EXPECT_FALSE(window.Travel()->isEnabled());
    window.next();
    EXPECT_EQ(window.windowTitle(), "Setup Wizard - Position Control Limits (No Device Attached)");
    EXPECT_FALSE(window.ServoWarningButton()->isEnabled());

    // A near-close threshold outside the travel range keeps the page.
    window.LimitEdit(kNearCloseField)->setText("120");
    window.next();
    EXPECT_EQ(window.currentId(), kLimitsPage);
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_NE(ui.Last().text.find("110"), std::string::npos) << ui.Last().text;
    window.LimitEdit(kNearCloseField)->setText("4");
    window.next();
    EXPECT_EQ(window.windowTitle(), "Setup Wizard - Finish (No Device Attached)");
    for (int state = 0; state < 3; ++state) EXPECT_FALSE(window.FinalStateButton(state)->isEnabled());
    EXPECT_TRUE(window.NoDeviceWarning()->isVisible());
    window.accept();
    EXPECT_EQ(wizard.Finish(), 0);
    EXPECT_EQ(record.position.nearCloseValue, 4.0f);
}

}  // namespace
}  // namespace calibration
