#include <gtest/gtest.h>

#include <QAction>
#include <QPlainTextEdit>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "platform/testing/TempDir.h"
#include <QMenu>

TEST(CMainFrame, OpensTitledTessaroWithLaterToolsDisabled) {
    fieldbus::FieldbusLink link;
    CMainFrame frame(link);
    EXPECT_EQ(QString("Tessaro"), frame.windowTitle());
    for (const char* name : {"calibrate", "diagnostics", "firmware", "firmwareActivate", "download", "readConfig"}) {
        ASSERT_NE(nullptr, frame.Command(name)) << name;
        EXPECT_FALSE(frame.Command(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(frame.Command("rescan")->isEnabled());
    EXPECT_TRUE(frame.Command("trend")->isEnabled());  // also without a device, for files
    EXPECT_TRUE(frame.Command("configure")->isEnabled());  // the record alone without a device
    EXPECT_TRUE(frame.Command("query")->isEnabled());  // without a device its answers are empty
    EXPECT_TRUE(frame.Command("pidController")->isEnabled());
    EXPECT_TRUE(frame.Command("setupWizard")->isEnabled());  // without a device it edits the record
    // Reports work on the configuration in memory, with or without a device.
    EXPECT_TRUE(frame.Command("report")->isEnabled());
    EXPECT_TRUE(frame.Command("reportPdf")->isEnabled());
}

TEST(CMainFrame, SavedConfigurationsJoinTheRecentFilesOfTheFileMenu) {
    platform::testing::TempDir dir;
    setenv("TESSARO_REGISTRY", dir.File("registry.dat").c_str(), 1);
    {
        fieldbus::FieldbusLink link;
        CMainFrame frame(link);
        const std::string path = dir.File("valve.dmp");
        frame.ConfigFiles().SetChooser([&](QWidget*, const config::FileDialogRequest&) {
            config::FileDialogResult result;
            result.accepted = true;
            result.path = path;
            result.filterIndex = 1;
            return result;
        });
        frame.Command("fileSaveAs")->trigger();
        QStringList texts;
        for (QAction* action : frame.FileMenu()->actions()) texts << action->text();
        EXPECT_TRUE(texts.contains(QString("&1 ") + QString::fromStdString(path))) << texts.join("|").toStdString();
        // The save is named in the communication messages.
        QString messages;
        for (QPlainTextEdit* box : frame.View()->findChildren<QPlainTextEdit*>()) messages += box->toPlainText();
        EXPECT_TRUE(messages.contains(QString::fromStdString(" Configuration saved to " + path + ". @ ")))
            << messages.toStdString();
    }
    unsetenv("TESSARO_REGISTRY");
}

TEST(CMainFrame, OpensWithinTheScreenAndWideEnoughForItsToolbar) {
    fieldbus::FieldbusLink link;
    CMainFrame frame(link);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(available.contains(QRect(frame.pos(), frame.size())));
    const QToolBar* bar = frame.findChild<QToolBar*>("mainToolBar");
    ASSERT_NE(nullptr, bar);
    if (bar->sizeHint().width() < available.width() - 40) {
        EXPECT_GE(frame.width(), bar->sizeHint().width());
    } else {
        EXPECT_GE(frame.width(), available.width() - 40);  // as wide as the screen allows
    }
}
