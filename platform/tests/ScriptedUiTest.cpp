#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/testing/ScriptedUi.h"

using namespace platform;
using platform::testing::ScriptedUi;

TEST(ScriptedUi, RecordsEveryBoxAndAnswersFromTheScript) {
    ScriptedUi ui;
    ui.Answer(IDNO, "launch");
    EXPECT_EQ(IDOK, ShowMessage("Error: one", MB_OK | MB_ICONSTOP));
    EXPECT_EQ(IDNO, GetUi().MessageBox("Do you want to launch it ?", "Tessaro",
                                       MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2));
    ASSERT_EQ(2u, ui.Messages().size());
    EXPECT_EQ("Error: one", ui.Messages()[0].text);
    EXPECT_EQ("Tessaro", ui.Messages()[0].caption);
    EXPECT_EQ(MB_ICONSTOP, ui.Messages()[0].icon);
    const auto& q = ui.Last();
    EXPECT_EQ(MB_YESNOCANCEL, q.buttons);
    EXPECT_EQ(MB_ICONINFORMATION, q.icon);
    EXPECT_EQ(MB_DEFBUTTON2, q.defaultButton);
    EXPECT_EQ(IDNO, q.answer);
}

TEST(ScriptedUi, AnUnexpectedQuestionFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi ui;
            ShowMessage("Proceed?", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
        },
        "Unexpected question");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi ui;
            ui.Answer(IDYES, "Proceed");
            ShowMessage("Something else?", MB_YESNO);
        },
        "does not contain");
    EXPECT_NONFATAL_FAILURE({ ScriptedUi ui; ui.Answer(IDYES); }, "never asked for");
}

TEST(ScriptedUi, ProgressWindowsKeepTheirTextAndPressTheButtonWhenScripted) {
    ScriptedUi ui;
    ui.PressProgressButtonAfter(2);
    {
        auto w = GetUi().CreateProgressWindow("Scanning", "Cancel");
        w->AppendText("one\r\n");
        EXPECT_FALSE(w->ButtonPressed());
        w->AppendText("two\r\n");
        EXPECT_TRUE(w->ButtonPressed());
        w->Close();
    }
    ASSERT_EQ(1u, ui.Progress().size());
    EXPECT_EQ("one\r\ntwo\r\n", ui.Progress()[0]->text);
    EXPECT_EQ("Cancel", ui.Progress()[0]->buttonText);
    EXPECT_TRUE(ui.Progress()[0]->closed);
}

TEST(Ui, SilentDefaultAnswersWithTheDefaultButton) {
    EXPECT_EQ(IDNO, ShowMessage("q", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDCANCEL, ShowMessage("q", MB_YESNOCANCEL | MB_DEFBUTTON3));
    EXPECT_EQ(IDOK, ShowMessage("q", MB_OK));
    EXPECT_EQ("x=5 y=ab", Format("x=%d y=%s", 5, "ab"));
}

TEST(ScriptedUi, PickListsAnswerFromTheScript) {
    ScriptedUi ui;
    ui.Pick(1).Pick(-1);
    EXPECT_EQ(1, GetUi().PickFromList("Interfaces", "Pick one", {"a", "b"}));
    EXPECT_EQ(-1, GetUi().PickFromList("Interfaces", "Pick one", {"a", "b"}));
    ASSERT_EQ(2u, ui.PickLists().size());
    EXPECT_EQ("b", ui.PickLists()[0][1]);
}
