// The main window on the simulated segment hosted in-process: the scan fills the tree,
// clicking a positioner opens it and the readers fill in its state and modes; a trend of it
// is recorded, saved, cleared and loaded again.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "logon/CurrentUser.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/QtMessagePump.h"
#include "simulator/InProcessSegment.h"
#include "trend/ui/CTrendDlg.h"
#include <qcustomplot.h>

namespace {

template <typename F>
bool ProcessUntil(F done, int ms = 8000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QTreeWidgetItem* ItemNamed(QTreeWidget* tree, const QString& text) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == text) return tree->topLevelItem(i);
    return nullptr;
}

}  // namespace

TEST(MainWindow, ScansTheSegmentOpensAPositionerShowsItsStateAndRecordsATrend) {
    platform::testing::TempDir home;
    setenv("TESSARO_HOME", home.Path().c_str(), 1);
    ASSERT_EQ(0, nifUseInProcessSegment(nullptr));
    logon::CurrentUser::SetLevel(9);
    platform::testing::ScriptedUi ui;
    platform::QtMessagePump pump;
    {
        fieldbus::FieldbusLink link;
        CMainFrame frame(link);
        frame.show();
        QTreeWidget* tree = frame.View()->Tree();
        ASSERT_TRUE(ProcessUntil([&] { return tree->topLevelItemCount() == 6; }));
        EXPECT_EQ(QString("OFFLINE"), tree->topLevelItem(0)->text(0));
        ASSERT_NE(nullptr, ItemNamed(tree, "FV-101"));
        ASSERT_TRUE(ProcessUntil([&] { return link.IsLinkHealthy(); }));

        tree->setCurrentItem(ItemNamed(tree, "FV-101"));
        auto* state = frame.findChild<QLabel*>("stateLabel");
        auto* ao = frame.findChild<QLabel*>("modeAO");
        ASSERT_NE(nullptr, state);
        EXPECT_TRUE(ProcessUntil([&] { return state->text() == "NORMAL STATE"; }));
        EXPECT_EQ(QString("CAS"), ao->text());
        EXPECT_TRUE(frame.Command("stateManual")->isEnabled());
        EXPECT_FALSE(frame.Command("configure")->isEnabled());
        const int slot = link.CurrentSlot();
        ASSERT_GT(slot, 0);
        EXPECT_TRUE(link.Device(slot).IsOpen());

        // A trend of the positioner: recorded, saved, cleared and loaded again.
        frame.Command("trend")->trigger();
        trend::CTrendDlg* window = frame.View()->Trends().Window(slot);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(QString("Trend (FV-101)"), window->windowTitle());
        frame.Command("trend")->trigger();  // brings the same window forward
        EXPECT_EQ(1, frame.View()->OpenTrendWindowCount());

        window->Recorder().SetSampleInterval(100);
        window->Command("startStop")->trigger();
        EXPECT_EQ(QString("&Stop"), window->Command("startStop")->text());
        EXPECT_FALSE(window->Command("open")->isEnabled());
        const trend::TrendSampleArray& position = window->Recorder().Channel(trend::kActualPosition);
        ASSERT_TRUE(ProcessUntil([&] { return position.size() >= 4; }));
        EXPECT_TRUE(window->StatusLabel()->text().startsWith("Last Update @ "));
        // No rescan while a trend window is open.
        frame.Command("rescan")->trigger();
        EXPECT_EQ("Please close all the trend windows before rescan the link for devices.", ui.Last().text);
        window->Command("startStop")->trigger();
        EXPECT_TRUE(link.Device(slot).IsProcessPollEnded());

        // Saved, cleared and loaded again.
        const std::string file = home.Path() + "/FV-101.tre";
        window->Recorder().SetChooser([&](const config::FileDialogRequest&) {
            return config::FileDialogResult{true, file, 1};
        });
        const size_t recorded = position.size();
        window->Command("save")->trigger();
        ui.Answer(platform::IDYES, "Are you sure about clearing all the trend data in memory ?");
        window->Command("clear")->trigger();
        EXPECT_TRUE(position.empty());
        window->Command("open")->trigger();
        EXPECT_EQ(recorded, position.size());
        EXPECT_GT(window->Chart()->graph(trend::kActualPosition)->dataCount(), 0);

        // The saved recording closes without a question; the view counts it gone.
        window->close();
        ASSERT_TRUE(ProcessUntil([&] { return frame.View()->OpenTrendWindowCount() == 0; }));

        // Closing the window stops the device's readers and closes it and the link.
        frame.close();
        EXPECT_FALSE(link.Device(slot).IsOpen());
        EXPECT_EQ(0, link.Device(slot).AnyThreadAlive());
        EXPECT_FALSE(link.IsLinkOpen());
    }
    nifUseServer();
    unsetenv("TESSARO_HOME");
}
