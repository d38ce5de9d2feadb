#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "admin/ui/AdminLogonDialog.h"
#include "admin/ui/CAddUserDialog.h"
#include "admin/ui/CAdminAboutDialog.h"
#include "admin/ui/CChangePrivilegeDialog.h"
#include "admin/ui/UserAdminDialog.h"
#include "logon/CurrentUser.h"
#include "logon/LogonSession.h"
#include "logon/tests/DialogDriver.h"
#include "logon/tests/LogonTestSupport.h"
#include "logon/ui/CChangePasswordDialog.h"

namespace admin {
namespace {

using logon::testing::Click;
using logon::testing::SetText;
using logon::testing::WhenModal;

class AdminDialogTest : public ::testing::Test, public logon::testing::LogonFixture {
protected:
    // Opens TessaroAdmin's logon dialog, logs on as Admin and runs `administer` on the
    // administration dialog.
    void RunAdmin(const std::function<void(UserAdminDialog*)>& administer, const QString& password = "admin") {
        logon::LogonDatabase database = MakeDatabase();
        AdminLogonDialog logon(database);
        WhenModal<UserAdminDialog>(administer);
        WhenModal<AdminLogonDialog>([password](AdminLogonDialog* dialog) {
            SetText(dialog, "password", password);
            Click(dialog, "okButton");
        });
        logon.exec();
    }
    static QTreeWidget* List(QWidget* dialog) { return dialog->findChild<QTreeWidget*>("userList"); }
    static int Row(QWidget* dialog, const QString& name) {
        QTreeWidget* list = List(dialog);
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (list->topLevelItem(row)->text(0) == name) return row;
        return -1;
    }
    static void ClickRow(QWidget* dialog, const QString& name) {
        QTreeWidget* list = List(dialog);
        list->setCurrentItem(list->topLevelItem(Row(dialog, name)));
    }
    static bool Enabled(QWidget* dialog, const char* name) {
        return dialog->findChild<QPushButton*>(name)->isEnabled();
    }
    static void AddUser(UserAdminDialog* dialog, const QString& name, const QString& password, const QString& level) {
        WhenModal<CAddUserDialog>([=](CAddUserDialog* add) {
            EXPECT_EQ(add->windowTitle(), "Add User Dialog");
            EXPECT_EQ(add->findChild<QLineEdit*>("newUserName")->text(), "New User");
            EXPECT_EQ(add->findChild<QLineEdit*>("privilege")->text(), "0");
            SetText(add, "newUserName", name);
            SetText(add, "password", password);
            SetText(add, "confirmPassword", password);
            SetText(add, "privilege", level);
            Click(add, "okButton");
        });
        Click(dialog, "addUserButton");
    }
    int LogonToTessaro(const std::string& name, const std::string& password) {
        logon::LogonDatabase database = MakeDatabase();
        logon::LogonSession session(database);
        session.Open();
        return session.Logon(name, password, false, {});
    }
};

TEST_F(AdminDialogTest, LogonDialogShowsIdentityAndRefusesNonAdministrators) {
    logon::LogonDatabase database = MakeDatabase();
    AdminLogonDialog dialog(database);
    EXPECT_EQ(dialog.windowTitle(), "TessaroAdmin");
    EXPECT_EQ(dialog.findChild<QLabel*>("versionLabel")->text(), "TessaroAdmin Version 1.10");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("userName")->text(), "Admin");
    dialog.show();
    QLabel* banner = dialog.findChild<QLabel*>("banner");
    EXPECT_EQ(banner->geometry().right(), dialog.rect().right());

    SetText(&dialog, "userName", "training");
    SetText(&dialog, "password", "training");
    Click(&dialog, "okButton");
    EXPECT_EQ(ui.Last().text, "Administration privilege unauthorized.");
    EXPECT_TRUE(dialog.isVisible());
    SetText(&dialog, "userName", "Admin");
    SetText(&dialog, "password", "wrong");
    Click(&dialog, "okButton");
    EXPECT_EQ(ui.Last().text, "Invalid Password .");
    EXPECT_TRUE(dialog.isVisible());

    WhenModal<CAdminAboutDialog>([](CAdminAboutDialog* about) {
        EXPECT_EQ(about->findChild<QLabel*>("companyLine")->text(), "Tessaro Valve Instruments");
        Click(about, "okButton");
    });
    dialog.findChild<QAction*>("aboutAction")->trigger();
    Click(&dialog, "exitButton");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(AdminDialogTest, AddedUserLogsOnAndRemovedUserIsRefused) {
    RunAdmin([](UserAdminDialog* dialog) {
        QTreeWidget* list = List(dialog);
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "Admin");
        EXPECT_EQ(list->topLevelItem(0)->text(1), "********");
        EXPECT_EQ(list->topLevelItem(0)->text(2), "9");
        EXPECT_EQ(list->columnWidth(0), 200);
        AddUser(dialog, "bob", "secret", "5");
        ASSERT_EQ(list->topLevelItemCount(), 4);
        EXPECT_EQ(list->topLevelItem(3)->text(0), "bob");
        EXPECT_EQ(list->topLevelItem(3)->text(2), "5");
        Click(dialog, "okButton");
    });
    EXPECT_EQ(LogonToTessaro("bob", "secret"), 0);
    EXPECT_EQ(logon::CurrentUser::Level(), 5u);

    RunAdmin([this](UserAdminDialog* dialog) {
        ClickRow(dialog, "bob");
        ui.Answer(platform::IDYES, "remove user bob");
        Click(dialog, "removeUserButton");
        EXPECT_EQ(Row(dialog, "bob"), -1);
        EXPECT_FALSE(Enabled(dialog, "removeUserButton"));
        Click(dialog, "okButton");
    });
    EXPECT_NE(LogonToTessaro("bob", "secret"), 0);
    EXPECT_EQ(ui.Last().text, "Invalid user Name .");
    logon::CurrentUser::Reset();
}

TEST_F(AdminDialogTest, CancelLeavesTheRegistryUntouched) {
    { Opened(); }
    PutUser("bob", 3, "admin");
    // The logon stores the last user; everything after it must leave no trace.
    RunAdmin([](UserAdminDialog* dialog) { Click(dialog, "cancelButton"); });
    const std::string before = FileText(registry.FilePath());
    const std::string backup = FileText(BackupPath());
    RunAdmin([this](UserAdminDialog* dialog) {
        AddUser(dialog, "carol", "secret", "4");
        ClickRow(dialog, "bob");
        ui.Answer(platform::IDYES);
        Click(dialog, "removeUserButton");
        ClickRow(dialog, "Admin");
        WhenModal<logon::CChangePasswordDialog>([](logon::CChangePasswordDialog* change) {
            SetText(change, "newPassword", "secret");
            SetText(change, "confirmPassword", "secret");
            Click(change, "okButton");
        });
        Click(dialog, "changePasswordButton");
        ClickRow(dialog, "training");
        WhenModal<CChangePrivilegeDialog>([](CChangePrivilegeDialog* change) {
            SetText(change, "newPrivilege", "2");
            Click(change, "okButton");
        });
        Click(dialog, "changePrivilegeButton");
        EXPECT_EQ(List(dialog)->topLevelItem(Row(dialog, "training"))->text(2), "2");
        Click(dialog, "cancelButton");
    });
    EXPECT_EQ(FileText(registry.FilePath()), before);
    EXPECT_EQ(FileText(BackupPath()), backup);
}

TEST_F(AdminDialogTest, ButtonsFollowTheRowAndKeysActOnTheList) {
    PutUser("bob", 3, "admin");
    RunAdmin([this](UserAdminDialog* dialog) {
        auto states = [dialog]() {
            return std::vector<bool>{Enabled(dialog, "addUserButton"), Enabled(dialog, "changePasswordButton"),
                                     Enabled(dialog, "changePrivilegeButton"), Enabled(dialog, "removeUserButton")};
        };
        EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));
        ClickRow(dialog, "Admin");
        EXPECT_EQ(states(), (std::vector<bool>{true, true, false, false}));
        ClickRow(dialog, "holmgard");
        EXPECT_EQ(states(), (std::vector<bool>{true, false, true, false}));
        ClickRow(dialog, "bob");
        EXPECT_EQ(states(), (std::vector<bool>{true, true, true, true}));

        // A click beside the rows clears the selection.
        QTreeWidget* list = List(dialog);
        const QPoint empty(5, list->viewport()->height() - 3);
        ASSERT_EQ(list->itemAt(empty), nullptr);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(empty), list->viewport()->mapToGlobal(QPointF(empty)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &press);
        EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));

        // Delete removes the selected user, Insert adds one.
        ClickRow(dialog, "bob");
        ui.Answer(platform::IDYES, "bob");
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(list, &del);
        EXPECT_EQ(Row(dialog, "bob"), -1);
        WhenModal<CAddUserDialog>([](CAddUserDialog* add) {
            // The name is taken: the dialog stays open until it changes.
            SetText(add, "newUserName", "Admin");
            Click(add, "okButton");
            EXPECT_TRUE(add->isVisible());
            SetText(add, "newUserName", "dave");
            Click(add, "okButton");
        });
        QKeyEvent ins(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        QApplication::sendEvent(list, &ins);
        EXPECT_NE(Row(dialog, "dave"), -1);
        Click(dialog, "okButton");
    });
    EXPECT_EQ(ui.Texts().front(), "Are you sure that you want to remove user bob from logon database ?");
    EXPECT_EQ(ui.Texts().back(), "Duplicate user name encountered. Please try a different one.");
    EXPECT_FALSE(registry.KeyExists(logon::testing::kLM, logon::UserKey("bob")));
    EXPECT_EQ(Dword("dave", "Level"), 0u);
    EXPECT_EQ(Dword("dave", "Key1"), 0u);  // empty password
}

}  // namespace
}  // namespace admin
