// The configuration sheet and the curve editor on the offscreen platform: the sheet on FV-101
// served by the real `nifb` server (servo gain edited, OK, the device reads the new value
// back), the sheet without a device or PID block, and the editor's fields and mouse.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <chrono>
#include <cmath>
#include <qcustomplot.h>
#include <thread>

#include "config/ConfigTransfer.h"
#include "config/ui/CConfigSheet.h"
#include "config/ui/CCustomCurveDlg.h"
#include "config/ui/CLinkageDlg.h"
#include "config/ui/ConfigPages.h"
#include "fieldbus/FieldbusLink.h"
#include "fieldbus/MessageLog.h"
#include "fieldbus/OperationState.h"
#include "nifb/Backend.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "simulator/InProcessSegment.h"
#include "simulator/tests/ServerProcess.h"

namespace {

QStringList TabTitles(const config::CConfigSheet& sheet) {
    QStringList titles;
    for (int i = 0; i < sheet.Tabs()->count(); ++i) titles << sheet.Tabs()->tabText(i);
    return titles;
}

void PressOk(config::CConfigSheet& sheet) {
    sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

TEST(ConfigSheetWindow, TheServoGainEditedOnThePositionPageReachesTheDeviceOnOk) {
    nifUseServer();
    platform::testing::TempDir dir;
    simulator::testing::ServerProcess server{NIFB_SERVER_BINARY, dir.File("nifb.sock"), NIFB_DEFAULT_SEGMENT_FILE,
                                             dir.File("server.log"), {"--speed", "20"}};
    platform::testing::ScriptedUi ui;
    platform::testing::FakeClock clock;
    fieldbus::FieldbusLink link;
    ASSERT_EQ(0, link.ScanLink());
    link.StartLivePoll(0);
    for (int i = 0; i < 1000 && !link.IsLinkHealthy(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    int slot = -1;
    for (int item = 1; item < link.DisplayItemCount(); ++item)
        if (link.GetTag(link.ItemDevIndexMap(item)) == "FV-101") slot = link.ItemDevIndexMap(item);
    ASSERT_GT(slot, 0);
    ASSERT_EQ(0, link.OpenDevice(slot));
    fieldbus::FieldbusDevice& device = link.Device(slot);
    config::CConfigData record;
    config::TransferOptions options;
    options.waitForClose = false;
    ASSERT_EQ(0, config::ConfigTransfer(record, &device, config::IdentityOnLink(link, slot), options).ReadConfiguration());

    config::SheetTarget target;
    target.device = &device;
    target.deviceSuffix = " (FV-101)";
    target.isPresent = [&link, slot] { return link.IsPresent(slot); };
    target.isTagUnique = [&link, slot](const std::string& tag) { return link.IsTagUnique(slot, tag); };
    target.offeredAddresses = link.ValidAddresses(slot);
    target.offerCurrentAddress = link.IsAddressValid(slot, link.GetNodeAddress(slot));
    {
        config::CConfigSheet sheet(record, target);
        sheet.show();
        EXPECT_EQ(QString("Configure (FV-101)"), sheet.windowTitle());
        EXPECT_EQ((QStringList{"General", "Position", "Actuator", "AO Block", "Controller", "Option"}),
                  TabTitles(sheet));
        EXPECT_EQ(QString("FV-101"), sheet.findChild<QLineEdit*>("pdTag")->text());
        EXPECT_EQ(QString("1.#INF"), sheet.findChild<QLineEdit*>("spRateUp")->text());
        sheet.Tabs()->setCurrentWidget(sheet.Page("Position"));
        QLineEdit* gain = sheet.findChild<QLineEdit*>("servoGain");
        ASSERT_NE(nullptr, gain);
        EXPECT_EQ(QString("120"), gain->text());
        gain->setText("133.5");
        ui.Answer(platform::IDYES, "To set the configuration data,the device need to be put into O/S");
        PressOk(sheet);
        EXPECT_EQ(QDialog::Accepted, sheet.result());
        EXPECT_TRUE(sheet.Outcome().wroteDevice);
        EXPECT_FALSE(sheet.Outcome().failed);
    }
    EXPECT_EQ(133.5f, record.position.servoGain);
    float readBack = 0.0f;
    ASSERT_EQ(0, device.ReadTbServoGain(readBack));
    EXPECT_EQ(133.5f, readBack);
    int state = -1;
    device.ReadOperationState(state);
    EXPECT_EQ(fieldbus::kOutOfService, state);
    EXPECT_EQ(1u, ui.Messages().size());

    link.CloseLink();
    unsetenv("NIFB_SOCKET");
    fieldbus::MessageLog::Instance().Clear();
}

TEST(ConfigSheetWindow, WithoutDeviceOrPidBlockTheRecordAloneTakesTheEditsAndBadEntriesAreRefused) {
    platform::testing::ScriptedUi ui;
    config::CConfigData record;
    record.general.pidBlockActivation = 0;
    config::SheetTarget target;
    target.deviceSuffix = " (No Device Attached)";
    config::CConfigSheet sheet(record, target);
    EXPECT_EQ(QString("Configure (No Device Attached)"), sheet.windowTitle());
    EXPECT_FALSE(TabTitles(sheet).contains("Controller"));

    QLineEdit* high = sheet.findChild<QLineEdit*>("spHigh");
    QLineEdit* low = sheet.findChild<QLineEdit*>("positionLower");
    high->setText("95");
    low->setText("130");  // outside the positioner's range: refused, the sheet stays
    PressOk(sheet);
    EXPECT_EQ("Enter a valid numeric value  range [-25, 125] .", ui.Last().text);
    EXPECT_EQ(static_cast<QWidget*>(sheet.Page("Position")), sheet.Tabs()->currentWidget());
    EXPECT_EQ(100.0f, record.ao.spHighLimit);
    low->setText("-5");
    PressOk(sheet);
    EXPECT_EQ(QDialog::Accepted, sheet.result());
    EXPECT_EQ(95.0f, record.ao.spHighLimit);
    EXPECT_EQ(-5.0f, record.position.positionLowerLimit);
    EXPECT_EQ(1u, ui.Messages().size());
}

TEST(SheetFields, UntouchedFieldsGiveTheirValuesBackExactlyAndEditedOnesAreChecked) {
    platform::testing::ScriptedUi ui;
    QLineEdit edit;
    config::FloatField field(&edit);
    field.Show(0.123456789f);
    EXPECT_EQ(QString("0.123457"), edit.text());
    float value = 0.0f;
    ASSERT_TRUE(field.Read(value, config::FloatRange::Between(0, 1)));
    EXPECT_EQ(0.123456789f, value);  // not the shown digits: no change for the writers
    edit.setText("-1.#INF");
    ASSERT_TRUE(field.Read(value, config::FloatRange::Between(0, 1)));
    EXPECT_TRUE(std::isinf(value) && value < 0);
    edit.setText("abc");
    EXPECT_FALSE(field.Read(value, config::FloatRange::Any()));
    EXPECT_EQ("Please enter a number.", ui.Last().text);

    config::CountField count(&edit);
    count.Show(7);
    edit.setText("-1");
    uint32_t n = 0;
    EXPECT_FALSE(count.Read(n));
    edit.setText("4294967295");
    ASSERT_TRUE(count.Read(n));
    EXPECT_EQ(4294967295u, n);

    config::ConfigDate date;
    EXPECT_FALSE(config::DateField::Parse("02/29/99 10:00:00", date));  // 1999 was no leap year
    ASSERT_TRUE(config::DateField::Parse("12/24/99 10:30:05", date));
    EXPECT_EQ(5, date.dayOfWeek);  // a Friday
    EXPECT_EQ(5000, date.milliseconds);
    EXPECT_EQ(QString("12/24/99 10:30:05"), config::DateField::Text(date));

    // Unit texts show their signs; a choice the user leaves alone stays as the record has it.
    QComboBox box;
    config::ChoiceField choice(&box);
    config::ConfigEnumField<uint32_t> unit{"\xB0""C", {"\xB0""C", "\xB0""F"}, 1001, {1001, 1002}};
    choice.Show(unit, true);
    EXPECT_EQ(QString::fromUtf8("\u00B0C"), box.currentText());
    config::ConfigEnumField<uint32_t> read = unit;
    bool chosen = false;
    choice.Read(read, &chosen);
    EXPECT_TRUE(chosen);
    EXPECT_TRUE(read == unit);
    box.setCurrentIndex(1);
    choice.Read(read, &chosen);
    EXPECT_EQ(1002u, read.value);
}

TEST(CustomCurveEditor, FieldsAndMouseKeepTheCurveRising) {
    platform::testing::ScriptedUi ui;
    config::CCustomCurveDlg editor({10, 20, 30, 40, 50, 60, 70, 80, 90}, " (FV-101)");
    editor.show();
    EXPECT_EQ(QString("Custom Characterization (FV-101)"), editor.windowTitle());
    EXPECT_TRUE(editor.Field(0)->isReadOnly());
    EXPECT_EQ(QString("100"), editor.Field(10)->text());

    editor.Field(1)->setText("0");
    EXPECT_FALSE(editor.CommitField(1));
    EXPECT_EQ("Error: Attempted position too low to be valid. Data will be restored !", ui.Last().text);
    EXPECT_EQ(QString("10"), editor.Field(1)->text());
    editor.Field(5)->setText("45");
    EXPECT_TRUE(editor.CommitField(5));
    // A six-digit point is read whole, and the fields do not cover one another.
    editor.Field(8)->setText("80.9806");
    EXPECT_TRUE(editor.CommitField(8));
    for (int i = 0; i <= 10; ++i) {
        const QLineEdit* field = editor.Field(i);
        EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance("80.9806") + 12) << i;
        if (i < 10) {
            EXPECT_LE(field->geometry().right(), editor.Field(i + 1)->x()) << i;
        }
    }

    // Right click on point 4 puts it midway again; a left drag moves point 0 down and stops
    // silently at the fixed end.
    QWidget* plot = editor.Plot();
    QTest::mouseClick(plot, Qt::RightButton, {}, editor.PixelOf(50, 45));
    EXPECT_EQ(50.0f, editor.Points()[4]);
    QTest::mousePress(plot, Qt::LeftButton, {}, editor.PixelOf(10, 10));
    QTest::mouseMove(plot, editor.PixelOf(10, 5));
    EXPECT_NEAR(5.0f, editor.Points()[0], 0.5f);
    const float last = editor.Points()[0];
    QTest::mouseMove(plot, editor.PixelOf(10, -0.0));
    QTest::mouseMove(plot, editor.PixelOf(10, 8));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, editor.PixelOf(10, 8));
    EXPECT_EQ(last, editor.Points()[0]);
    EXPECT_EQ(1u, ui.Messages().size());

    // The calculator with its starting values: S 4, T 0, L1 4 inch, a simple lever.
    config::CLinkageDlg calculator(true);
    EXPECT_EQ(QString("inch"), calculator.UnitBox()->currentText());
    EXPECT_FALSE(calculator.Field("L3")->isEnabled());
    calculator.accept();
    EXPECT_EQ("NOTE:  Rotation angle is  45.0 degree(s) with the data given.", ui.Last().text);
    EXPECT_NEAR(12.69, calculator.Result().points[0], 0.01);
}

}  // namespace
