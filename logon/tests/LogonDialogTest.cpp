#include <QCheckBox>
#include <QLabel>
#include <gtest/gtest.h>

#include "logon/CurrentUser.h"
#include "logon/tests/DialogDriver.h"
#include "logon/tests/LogonTestSupport.h"
#include "logon/ui/CChangePasswordDialog.h"
#include "logon/ui/CLogonDialog.h"
#include "logon/ui/RunLogon.h"

namespace logon {
namespace {

using testing::Click;
using testing::SetText;
using testing::WhenModal;

class LogonDialogTest : public ::testing::Test, public testing::LogonFixture {
protected:
    void SetUp() override { CurrentUser::Reset(); }
    void TearDown() override { CurrentUser::Reset(); }
};

TEST_F(LogonDialogTest, OpensPrefilledAndChecksTheLogon) {
    LogonDatabase database = MakeDatabase();
    LogonSession session(database);
    CLogonDialog dialog(session, Edition::Maker, "Tessaro", "Tessaro Version 1.0.0");
    EXPECT_EQ(dialog.windowTitle(), "Tessaro Logon");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("userName")->text(), "Admin");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("password")->text(), "");
    EXPECT_EQ(dialog.findChild<QLabel*>("versionText")->text(), "Tessaro Version 1.0.0");
    EXPECT_FALSE(dialog.findChild<QLabel*>("picture")->pixmap().isNull());
    dialog.show();

    SetText(&dialog, "password", "wrong");
    Click(&dialog, "okButton");
    EXPECT_EQ(ui.Last().text, "Invalid Password .");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("password")->text(), "");  // cleared for the next try

    SetText(&dialog, "userName", "nobody");
    Click(&dialog, "okButton");
    EXPECT_EQ(ui.Last().text, "Invalid user Name .");
    EXPECT_TRUE(dialog.isVisible());

    SetText(&dialog, "userName", "training");
    SetText(&dialog, "password", "training");
    Click(&dialog, "okButton");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(CurrentUser::Name(), "training");
    EXPECT_EQ(CurrentUser::Level(), 8u);
}

TEST_F(LogonDialogTest, ExitEndsWithoutUser) {
    LogonDatabase database = MakeDatabase();
    WhenModal<CLogonDialog>([](CLogonDialog* dialog) { Click(dialog, "exitButton"); });
    EXPECT_EQ(RunLogon(nullptr, database), 2);
    EXPECT_EQ(CurrentUser::Name(), "");
}

TEST_F(LogonDialogTest, ChangesPasswordAfterLogon) {
    LogonDatabase database = MakeDatabase();
    WhenModal<CLogonDialog>([](CLogonDialog* dialog) {
        SetText(dialog, "password", "admin");
        dialog->findChild<QCheckBox*>("changePassword")->setChecked(true);
        WhenModal<CChangePasswordDialog>([](CChangePasswordDialog* change) {
            EXPECT_EQ(change->windowTitle(), "Change Password Dialog");
            EXPECT_EQ(change->findChild<QLabel*>("userName")->text(), "Admin");
            SetText(change, "newPassword", "secret");
            SetText(change, "confirmPassword", "secrets");
            Click(change, "okButton");  // mismatch: stays open
            EXPECT_TRUE(change->isVisible());
            SetText(change, "confirmPassword", "secret");
            Click(change, "okButton");
        });
        Click(dialog, "okButton");
    });
    EXPECT_EQ(RunLogon(nullptr, database), 0);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{
                              "Passwords in two input boxes do not match each other. \nPlease re-type the password info."}));
    EXPECT_EQ(CurrentUser::Level(), 9u);
    EXPECT_EQ(Dword("Admin", "Key1"), testing::kHashSecret);
    EXPECT_EQ(FileText(BackupPath()), FormatAdminBackup(testing::kHashSecret, 9));
}

TEST_F(LogonDialogTest, CancelledPasswordChangeStillLogsOn) {
    LogonDatabase database = MakeDatabase();
    WhenModal<CLogonDialog>([](CLogonDialog* dialog) {
        SetText(dialog, "password", "admin");
        dialog->findChild<QCheckBox*>("changePassword")->setChecked(true);
        WhenModal<CChangePasswordDialog>([](CChangePasswordDialog* change) { Click(change, "cancelButton"); });
        Click(dialog, "okButton");
    });
    EXPECT_EQ(RunLogon(nullptr, database), 0);
    EXPECT_EQ(Dword("Admin", "Key1"), testing::kHashAdmin);
}

TEST_F(LogonDialogTest, EditionsShowDifferentPictures) {
    LogonDatabase maker = MakeDatabase(Edition::Maker);
    LogonSession makerSession(maker);
    CLogonDialog makerDialog(makerSession, Edition::Maker, "Tessaro", "v");
    LogonDatabase partner = MakeDatabase(Edition::Partner);
    LogonSession partnerSession(partner);
    CLogonDialog partnerDialog(partnerSession, Edition::Partner, "Tessaro", "v");
    const QImage a = makerDialog.findChild<QLabel*>("picture")->pixmap().toImage();
    const QImage b = partnerDialog.findChild<QLabel*>("picture")->pixmap().toImage();
    EXPECT_EQ(a.size(), b.size());
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace logon
