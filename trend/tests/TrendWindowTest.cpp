// The trend window on the offscreen platform: a loaded recording drawn and zoomed with the
// rubber band, the age text, and a window whose scroll bar cannot be made.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <qcustomplot.h>

#include "graphs/ui/ValueBand.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "trend/ui/CTrendDlg.h"

namespace trend {
namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

TEST(TrendWindow, ShowsALoadedRecordingAndZoomsTheValueAxis) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    const std::string file = dir.File("swing.tre");
    {
        // A recording of 10 minutes, one sample set a second.
        TrendRecorder source({}, dir.File("Tessaro.ini"));
        fieldbus::ProcessRecord record{};
        for (int t = 0; t < 600; ++t) {
            record.finalPositionValue = 50.0f + static_cast<float>(t % 40);
            record.finalValue = 50.0f;
            ASSERT_TRUE(source.AddSamples(record, static_cast<float>(t)));
        }
        ASSERT_EQ(source.SaveFile(file, "2.1"), 0);
    }

    CTrendDlg window({}, dir.File("Tessaro.ini"), 0);
    ASSERT_TRUE(window.Create());
    window.show();
    Settle();
    EXPECT_EQ(window.windowTitle(), "Trend (No Device Attached)");
    EXPECT_FALSE(window.Command("startStop")->isEnabled());
    EXPECT_FALSE(window.Legend(kProcessPv)->isEnabled());
    EXPECT_TRUE(window.Legend(kActualPosition)->isEnabled());

    window.Recorder().SetChooser([&](const config::FileDialogRequest& request) {
        EXPECT_EQ(request.title, "Open Trend Data File");
        return config::FileDialogResult{true, file, 1};
    });
    window.OnOpen();
    Settle();
    QCustomPlot* chart = window.Chart();
    // The last 180 s (181 samples) and the sample before them.
    EXPECT_EQ(chart->graph(kActualPosition)->dataCount(), 182);
    EXPECT_EQ(chart->xAxis->range().lower, -180.0);
    EXPECT_EQ(window.ScrollBar()->maximum(), 3600 - 180);
    EXPECT_EQ(window.ScrollBar()->value(), window.ScrollBar()->maximum());
    EXPECT_EQ(window.AgeLabel()->text().toStdString(), AgeText(0));

    // Scrolling back 100 s shows older samples and ages the right edge.
    window.ScrollBar()->setValue(window.ScrollBar()->maximum() - 100);
    EXPECT_EQ(window.Recorder().AgeSeconds(), 100);
    EXPECT_EQ(window.AgeLabel()->text().toStdString(), AgeText(100));

    // A band dragged over the middle half of the value axis becomes the value range of both
    // value axes; a double click inside the chart resets it.
    QCPAxisRect* area = chart->axisRect();
    const QPoint from(area->left() + 40, area->top() + area->height() / 4);
    const QPoint to(area->left() + 120, area->top() + 3 * area->height() / 4);
    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(chart, to);
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, to);
    Settle();
    EXPECT_NEAR(window.Recorder().Range().max, 75.0, 1.0);
    EXPECT_NEAR(window.Recorder().Range().min, 25.0, 1.0);
    EXPECT_EQ(chart->yAxis2->range(), chart->yAxis->range());
    QTest::mouseDClick(chart, Qt::LeftButton, Qt::NoModifier, area->center());
    Settle();
    EXPECT_EQ(window.Recorder().Range().max, 100.0f);
    EXPECT_EQ(window.Recorder().Range().min, 0.0f);

    // A band reaching outside the chart area does not count.
    double a = 0, b = 0;
    EXPECT_FALSE(window.Band()->BandValues(area->top() - 5, area->bottom(), a, b));
    EXPECT_FALSE(window.Band()->BandValues(area->top() + 10, area->top() + 10, a, b));

    // When the long age text is wider than the scroll bar (a narrow window, a large font)
    // the short one is shown.
    QFont large = window.AgeLabel()->font();
    large.setPointSize(large.pointSize() * 3);
    window.AgeLabel()->setFont(large);
    window.resize(window.minimumSizeHint().width(), window.height());
    Settle();
    ASSERT_LT(window.ScrollBar()->width(), window.AgeLabel()->fontMetrics().horizontalAdvance(
                                               QString::fromStdString(AgeText(100))));
    EXPECT_EQ(window.AgeLabel()->text().toStdString(), ShortAgeText(100));
    EXPECT_TRUE(ui.Messages().empty());
}

class NoScrollBarWindow : public CTrendDlg {
public:
    using CTrendDlg::CTrendDlg;

protected:
    QScrollBar* MakeScrollBar(QWidget*) override { return nullptr; }
};

TEST(TrendWindow, AScrollBarThatCannotBeMadeClosesOnlyThatWindow) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    auto* window = new NoScrollBarWindow({}, dir.File("Tessaro.ini"), 0);
    EXPECT_FALSE(window->Create());
    EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Error: Failed to allocate memory for trend scroll bar."});
    delete window;
}

}  // namespace
}  // namespace trend
