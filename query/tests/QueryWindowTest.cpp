// The query window on the offscreen platform: a simulated positioner's answers, summary and
// parameter list, and the window without a device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <chrono>
#include <thread>

#include "SegmentDevice.h"
#include "platform/testing/ScriptedUi.h"
#include "query/ui/CQueryDeviceSheet.h"

namespace query {
namespace {

// Serves the window's events until `done` holds (at most 5 s).
template <typename F>
bool PumpUntil(F done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(QueryWindow, AnswersSummarisesAndListsABlockOfAPositioner) {
    platform::testing::ScriptedUi ui;
    fieldbus::testing::SegmentDevice bed("FV-102");
    ASSERT_TRUE(bed.Opened());
    QueryTarget target{4, &bed.Device(), "FV-102", {bed.Device().DeviceId(), "BRK Controls", "RPX110-LM", "2.1"}};
    CQueryDeviceSheet sheet(target);
    ASSERT_TRUE(sheet.Create());
    sheet.show();
    EXPECT_EQ(sheet.windowTitle(), "Query Device (FV-102)");
    ASSERT_EQ(sheet.Commands()->count(), 20);
    EXPECT_EQ(sheet.Commands()->item(7)->text(), "Read Limit Switces");

    sheet.Commands()->setCurrentRow(1);
    sheet.Commands()->setCurrentRow(4);  // asked for while the first answer is composed
    ASSERT_TRUE(PumpUntil([&] { return sheet.Answer()->toPlainText().startsWith("Read ID :"); }));
    EXPECT_EQ(sheet.Answer()->toPlainText().toStdString(), "Read ID :\n\nDevice ID=" + bed.Device().DeviceId() + " .\n");

    sheet.Pages()->setCurrentIndex(1);
    ASSERT_TRUE(PumpUntil([&] { return !sheet.Summary()->toPlainText().isEmpty(); }));
    EXPECT_TRUE(sheet.Summary()->toPlainText().startsWith("RB.MANUFAC_ID=42524b\n"));

    sheet.Pages()->setCurrentIndex(2);
    ASSERT_EQ(sheet.Blocks()->count(), bed.Device().GetBlockCount());
    EXPECT_EQ(sheet.Blocks()->itemText(1), "FV102_TB (1)");
    ASSERT_TRUE(PumpUntil([&] { return sheet.Parameters()->topLevelItemCount() > 10 && !sheet.Busy(); }));
    EXPECT_EQ(sheet.Parameters()->topLevelItem(0)->text(0), "ST_REV");
    EXPECT_TRUE(sheet.PauseButton()->isEnabled());
    const int nameWidth = sheet.Parameters()->columnWidth(0);
    EXPECT_NEAR(nameWidth, sheet.Parameters()->viewport()->width() * 35 / 100, 1);

    // The list follows the device: a block chosen anew shows its own parameters.
    sheet.Blocks()->setCurrentIndex(2);
    ASSERT_TRUE(PumpUntil([&] {
        return sheet.Parameters()->topLevelItemCount() > 0 &&
               sheet.Parameters()->findItems("READBACK.VALUE", Qt::MatchExactly).size() == 1;
    }));
    sheet.close();
    EXPECT_TRUE(ui.Messages().empty()) << ui.Texts().front();
}

TEST(QueryWindow, WithoutADeviceEveryAnswerIsEmpty) {
    platform::testing::ScriptedUi ui;
    CQueryDeviceSheet sheet(QueryTarget{});
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(sheet.windowTitle(), "Query Device (No Device Attached)");
    sheet.ShowAnswer(0);
    ASSERT_TRUE(PumpUntil([&] { return !sheet.Busy(); }));
    EXPECT_TRUE(sheet.Answer()->toPlainText().isEmpty());
    sheet.Pages()->setCurrentIndex(2);
    EXPECT_EQ(sheet.Blocks()->count(), 0);
    EXPECT_FALSE(sheet.PauseButton()->isEnabled());
}

}  // namespace
}  // namespace query
