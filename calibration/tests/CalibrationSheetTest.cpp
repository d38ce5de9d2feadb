// The calibration sheet on a positioner of the simulated segment: the pages show what the
// logic does, the progress dialog moves and cancels, the confirm dialog changes its button.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "calibration/RunProcedure.h"
#include "calibration/testing/SegmentDeviceBed.h"
#include "calibration/ui/CCalibrationSheet.h"
#include "config/CConfigData.h"
#include "fieldbus/OperationState.h"
#include "fieldbus/TypedValues.h"

namespace calibration::testing {
namespace {

using platform::IDYES;

class CalibrationSheetTest : public SegmentDeviceBed {
protected:
    void OpenSheet(const std::string& deviceTag) {
        config::CurrentConfig() = config::CConfigData();
        Open(deviceTag);
        ASSERT_EQ(0, device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
        sheet = std::make_unique<CCalibrationSheet>(device, false, "Calibration (" + QString::fromStdString(deviceTag) + ")",
                                                    false);
        sheet->show();
    }
    std::unique_ptr<CCalibrationSheet> sheet;
};

TEST_F(CalibrationSheetTest, FindingTheStopsMovesTheBarAndShowsTheResult) {
    OpenSheet("FV-101");
    EXPECT_EQ("Calibration (FV-101)", sheet->windowTitle());
    QStringList tabs;
    for (int i = 0; i < sheet->Tabs()->count(); ++i) tabs << sheet->Tabs()->tabText(i);
    EXPECT_EQ((QStringList{"Range", "Tuning", "Travel Calibration", "Advanced"}), tabs);
    EXPECT_FALSE(sheet->AdjustmentField()->isEnabled());
    EXPECT_EQ("120", sheet->TuningRows()[0].original->text());

    int highest = 0;
    bool disabled = false;
    onTime = [&](uint64_t) {
        QApplication::processEvents();  // the message pump of the real program
        if (CProgressCancelDialog* dialog = sheet->Dialogs().Current()) {
            highest = std::max(highest, dialog->Bar()->value());
            disabled = disabled || !sheet->isEnabled();
            EXPECT_TRUE(dialog->CancelButton()->isEnabled());
        }
    };
    ui.Answer(IDYES, "stroke the valve");
    sheet->Button("rangeGo")->click();
    EXPECT_EQ("Success", sheet->RangeResult()->text());
    EXPECT_EQ("100", sheet->AdjustmentField()->text());
    EXPECT_GT(highest, 50);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(sheet->isEnabled());
}

TEST_F(CalibrationSheetTest, CancellingTheTuneRestoresTheServoSetAndTheConfirmButtonChangesCaption) {
    OpenSheet("FV-101");
    onTime = [&](uint64_t) {
        QApplication::processEvents();
        CProgressCancelDialog* dialog = sheet->Dialogs().Current();
        if (dialog && dialog->Bar()->value() >= 50) dialog->CancelButton()->click();
    };
    ui.Answer(IDYES, "stroke the valve");
    sheet->Button("autoTune")->click();
    EXPECT_EQ("Cancelled", sheet->TuningResult()->text());
    EXPECT_TRUE(sheet->isEnabled());
    sheet->reject();  // an auto tune ran: the device gets the set it had back
    MainServoSet now;
    ASSERT_EQ(0, ReadMainServo(device, now));
    EXPECT_EQ(sheet->Session().Tuning().Original(), now);

    // The confirm dialog of manual stop finding: two captions, then disabled.
    bool cancel = false, confirm = false;
    QtProcedureDialogs dialogs(nullptr);
    auto dialog = dialogs.OpenConfirmCancel("Manual finding stop limits in progress ...",
                                            "Click Limit Confirm button at each stop during the process.",
                                            "Exhaust Air\nLimit Confirm", "Full Air\nLimit Confirm", cancel, confirm);
    CProgressCancelDialog* window = dialogs.Current();
    ASSERT_TRUE(window);
    EXPECT_EQ("Update Cancel Dialog", window->windowTitle());
    window->ConfirmButton()->click();
    EXPECT_TRUE(confirm);
    EXPECT_EQ("Full Air\nLimit Confirm", window->ConfirmButton()->text());
    confirm = false;
    window->ConfirmButton()->click();
    EXPECT_TRUE(confirm);
    EXPECT_FALSE(window->ConfirmButton()->isEnabled());
    EXPECT_TRUE(window->Instruction()->text().isEmpty());
    platform::PostMessage(dialog->Handle(), WM_PROCEDURE_PROGRESS, 42);
    platform::MessageDispatcher::Instance().DeliverPending();
    EXPECT_EQ(42, window->Bar()->value());
    window->CancelButton()->click();
    EXPECT_TRUE(cancel);
}

TEST_F(CalibrationSheetTest, CancelAsksBeforeDroppingAFinishedTune) {
    OpenSheet("FV-101");
    onTime = [&](uint64_t) { QApplication::processEvents(); };
    ui.Answer(IDYES, "stroke the valve");
    sheet->Button("autoTune")->click();
    ASSERT_EQ("Success", sheet->TuningResult()->text());
    const MainServoSet tuned = sheet->Session().Tuning().Now();
    ASSERT_FALSE(tuned == sheet->Session().Tuning().Original());
    // No keeps the sheet open and the tuned set in the device.
    ui.Answer(platform::IDNO, "Discard the tuned parameters ?");
    sheet->reject();
    EXPECT_TRUE(sheet->isVisible());
    MainServoSet now;
    ASSERT_EQ(0, ReadMainServo(device, now));
    EXPECT_EQ(tuned, now);
    // Yes drops it: the set of the opening goes back.
    ui.Answer(IDYES, "Discard the tuned parameters ?");
    sheet->reject();
    EXPECT_FALSE(sheet->isVisible());
    ASSERT_EQ(0, ReadMainServo(device, now));
    EXPECT_EQ(sheet->Session().Tuning().Original(), now);
}

TEST_F(CalibrationSheetTest, RefusedEntriesKeepTheSheetOpen) {
    OpenSheet("KV-201");
    // Units beside the values: the percentages marked, the plain factors not.
    EXPECT_EQ("%", sheet->AdvancedRows()[0].unit->text());
    EXPECT_EQ("%", sheet->AdvancedRows()[9].unit->text());
    EXPECT_EQ("", sheet->AdvancedRows()[8].unit->text());
    sheet->AdvancedRows()[0].now->setText("6");
    emit sheet->AdvancedRows()[0].now->textEdited("6");
    sheet->AdvancedRows()[1].now->setText("5");
    sheet->accept();
    EXPECT_EQ("Value 1 should not exceed Value 2", ui.Last().text);
    EXPECT_TRUE(sheet->isVisible());
    sheet->AdvancedRows()[0].now->setText("0");  // 0 switches the first stage off
    sheet->TuningRows()[1].now->setText("1");    // I below 2 s
    sheet->accept();
    EXPECT_NE(std::string::npos, ui.Last().text.find("2"));
    EXPECT_TRUE(sheet->isVisible());
    sheet->TuningRows()[1].now->setText("15");
    sheet->accept();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FLOAT_EQ(0.0f, config::CurrentConfig().position.boostOnThreshold[0]);
}

}  // namespace
}  // namespace calibration::testing

namespace calibration::testing {
namespace {

TEST_F(CalibrationSheetTest, ADropoutDuringAutoTuneIsShownAndTheDevicesTuneReadBack) {
    OpenSheet("KV-201");
    const QString before = sheet->TuningRows()[0].now->text();
    uint64_t droppedAt = 0;
    bool back = false;
    QString note;
    onTime = [&](uint64_t now) {
        QApplication::processEvents();
        CProgressCancelDialog* dialog = sheet->Dialogs().Current();
        if (dialog && droppedAt == 0 && dialog->Bar()->value() >= 9) {
            droppedAt = now;
            EXPECT_EQ(E_OK, Control(R"({"command":"commErrors","device":"KV-201","rate":1})"));
        }
        if (dialog && dialog->SilentNote()->isVisible()) note = dialog->SilentNote()->text();
        if (droppedAt != 0 && !back && now - droppedAt >= 7000) {
            back = true;
            EXPECT_EQ(E_OK, Control(R"({"command":"commErrors","device":"KV-201","rate":0})"));
        }
    };
    ui.Answer(IDYES, "stroke the valve");
    sheet->Button("autoTune")->click();
    ASSERT_TRUE(back);
    EXPECT_TRUE(note.startsWith("The device has not answered for ")) << note.toStdString();
    EXPECT_EQ("Success", sheet->TuningResult()->text());
    MainServoSet held;
    ASSERT_EQ(0, ReadMainServo(device, held));
    EXPECT_NE(before, sheet->TuningRows()[0].now->text());
    EXPECT_NEAR(held.values[0], sheet->TuningRows()[0].now->text().toDouble(), 0.01);
    EXPECT_EQ(1u, ui.Messages().size());
}

}  // namespace
}  // namespace calibration::testing

namespace calibration::testing {
namespace {

TEST_F(CalibrationSheetTest, TheTravelPageShowsTheValvesLivePositionAsItMovesToTheTarget) {
    OpenSheet("FV-101");
    sheet->Tabs()->setCurrentIndex(2);
    auto* position = sheet->findChild<QLabel*>("position");
    ASSERT_TRUE(position);
    auto shownNear = [&](double value) {
        bool ok = false;
        const double shown = position->text().toDouble(&ok);
        return ok && std::abs(shown - value) < 0.5;
    };
    auto serveUntil = [&](auto done) {
        for (int i = 0; i < 400 && !done(); ++i) {
            Advance(100);  // the valve's time
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return done();
    };
    fieldbus::StatusValue now;
    ASSERT_EQ(0, device.ReadTbFinalPositionValue(now));
    ASSERT_TRUE(serveUntil([&] { return shownNear(now.value); })) << position->text().toStdString();
    sheet->ChangeTo()->setText("30");
    sheet->OnSetTarget();
    EXPECT_EQ("30.00", sheet->TargetLabel()->text());
    // The label follows the valve to where it stands, without any further click.
    EXPECT_TRUE(serveUntil([&] { return shownNear(30.0); })) << position->text().toStdString();
}

}  // namespace
}  // namespace calibration::testing
