#include <gtest/gtest.h>

#include "app/CMainFrame.h"

TEST(CMainFrame, OpensTitledTessaro) {
    CMainFrame frame;
    frame.show();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(QString("Tessaro"), frame.windowTitle());
}
