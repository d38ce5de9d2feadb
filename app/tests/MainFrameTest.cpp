#include <gtest/gtest.h>

#include <QAction>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"

TEST(CMainFrame, OpensTitledTessaroWithLaterToolsDisabled) {
    fieldbus::FieldbusLink link;
    CMainFrame frame(link);
    EXPECT_EQ(QString("Tessaro"), frame.windowTitle());
    for (const char* name : {"configure", "calibrate", "diagnostics", "trend", "query", "pidController",
                             "setupWizard", "firmware", "report", "download"}) {
        ASSERT_NE(nullptr, frame.Command(name)) << name;
        EXPECT_FALSE(frame.Command(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(frame.Command("rescan")->isEnabled());
}
