// The main window on the simulated segment hosted in-process: the scan fills the tree,
// clicking a positioner opens it and the readers fill in its state and modes; a trend of it
// is recorded, saved, cleared and loaded again.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextBrowser>
#include <QTreeWidget>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "logon/CurrentUser.h"
#include "platform/Paths.h"
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
        EXPECT_TRUE(ao->styleSheet().contains("#c8e6c9"));  // green: automatic
        EXPECT_TRUE(frame.Command("stateManual")->isEnabled());
        EXPECT_TRUE(frame.Command("configure")->isEnabled());
        EXPECT_TRUE(frame.Command("calibrate")->isEnabled());  // tools on the open device
        EXPECT_TRUE(frame.Command("diagnostics")->isEnabled());
        const int slot = link.CurrentSlot();
        ASSERT_GT(slot, 0);
        EXPECT_TRUE(link.Device(slot).IsOpen());
        // The device's identity and its values with their units; one device open.
        EXPECT_TRUE(frame.findChild<QLabel*>("identityLabel")->text().startsWith("Type 0x0001  Revision 2  Address 0x14"));
        const QString values = frame.findChild<QLabel*>("valuesLabel")->text();
        EXPECT_TRUE(values.contains(" %") && values.contains(" kPa")) << values.toStdString();
        EXPECT_EQ(QString("1 Device(s) Open"), frame.findChild<QLabel*>("openPane")->text());

        // Back to OFFLINE: nothing of the device stays on the page.
        ui.Answer(platform::IDYES, "Attempting to switch from the selected device to OFFLINE file.");
        tree->setCurrentItem(tree->topLevelItem(0));
        EXPECT_FALSE(link.Device(slot).IsOpen());
        EXPECT_EQ(QString("OFFLINE"), state->text());
        EXPECT_TRUE(frame.findChild<QLabel*>("identityLabel")->text().isEmpty());
        EXPECT_TRUE(frame.findChild<QLabel*>("aoSchedLabel")->text().isEmpty());
        EXPECT_TRUE(frame.findChild<QLabel*>("valuesLabel")->text().isEmpty());
        EXPECT_EQ(QString("0 Device(s) Open"), frame.findChild<QLabel*>("openPane")->text());
        // Ctrl+F is the fail-safe status command's own key, usable without a device.
        EXPECT_EQ(QKeySequence(Qt::CTRL | Qt::Key_F), frame.Command("failSafe")->shortcut());
        EXPECT_TRUE(frame.Command("failSafe")->isEnabled());
        // The help pages also open in the program's own window.
        frame.ShowHelpWindow(QString::fromStdString(platform::ProgramDirectory() + "/WebHelp/index.html"));
        ASSERT_NE(nullptr, frame.HelpWindow());
        EXPECT_FALSE(frame.HelpWindow()->Browser()->toPlainText().isEmpty());
        frame.HelpWindow()->close();

        tree->setCurrentItem(ItemNamed(tree, "FV-101"));
        EXPECT_TRUE(ProcessUntil([&] { return state->text() == "NORMAL STATE"; }));
        ASSERT_EQ(slot, link.CurrentSlot());

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
