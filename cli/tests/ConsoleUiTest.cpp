// The Ui port on a terminal: how questions are answered without anybody at the keyboard,
// and what a progress window nobody watches does.
#include <gtest/gtest.h>

#include <csignal>

#include "cli/ConsoleUi.h"
#include "cli/TerminalText.h"

namespace clitest {
namespace {

using namespace platform;

class ConsoleUiTest : public ::testing::Test {
protected:
    void TearDown() override { cli::ClearInterrupt(); }
    // The answer and what standard error showed.
    int Ask(cli::ConsoleUi& ui, const std::string& text, int flags, std::string& shown) {
        ::testing::internal::CaptureStderr();
        const int answer = ui.MessageBox(text, "Tessaro", flags);
        shown = ::testing::internal::GetCapturedStderr();
        return answer;
    }
};

TEST_F(ConsoleUiTest, WithoutATerminalEveryQuestionTakesItsDefaultButtonUnlessYesIsGiven) {
    cli::ConsoleUi ui;
    std::string shown;
    EXPECT_EQ(IDNO, Ask(ui, "Are you sure ?\r\n", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, shown));
    EXPECT_EQ("Are you sure ?\n-> No (the default answer: no terminal to ask; --yes answers Yes)\n", shown);
    EXPECT_EQ(IDYES, Ask(ui, "Launch it ?", MB_YESNOCANCEL | MB_ICONINFORMATION, shown));
    EXPECT_EQ(IDOK, Ask(ui, "Error: Device not open.", MB_OK | MB_ICONWARNING, shown));
    EXPECT_EQ("Error: Device not open.\n", shown);

    ui.SetAnswerYes(true);
    EXPECT_EQ(IDYES, Ask(ui, "Are you sure ?", MB_YESNO | MB_DEFBUTTON2, shown));
    EXPECT_EQ(IDOK, Ask(ui, "Clicking OK to ignore it.", MB_OKCANCEL, shown));
    // A verb's own answer comes before --yes.
    ui.AnswerQuestion("ACTIVATE", IDNO, "without --activate");
    EXPECT_EQ(IDNO, Ask(ui, "Do you wish to ACTIVATE the new firmware now?", MB_YESNO | MB_DEFBUTTON2, shown));
    EXPECT_NE(std::string::npos, shown.find("-> No (without --activate)"));
}

TEST_F(ConsoleUiTest, AProgressWindowIsUnwatchedAndCtrlCIsItsCancel) {
    cli::ConsoleUi ui;
    std::unique_ptr<ProgressWindow> window = ui.CreateProgressWindow("Read Config. Dialog", "Cancel");
    EXPECT_FALSE(window->IsWatched());
    window->AppendText("Reading General Data ...\r\n");
    EXPECT_FALSE(window->ButtonPressed());
    cli::InstallInterruptHandler();
    std::raise(SIGINT);
    EXPECT_TRUE(window->ButtonPressed());
    window->ResetButton();
    EXPECT_FALSE(window->ButtonPressed());
    window->Close();
    EXPECT_EQ("Reading General Data ...\r\n", ui.LastProgressText());
    std::signal(SIGINT, SIG_DFL);
}

TEST(TerminalText, DeviceTextsBecomeUtf8AndLineEndsThisSystems) {
    EXPECT_EQ("\xC2\xB0" "C", cli::ToUtf8("\xB0" "C"));
    EXPECT_EQ("\xC2\xB0" "C", cli::ToUtf8("\xC2\xB0" "C"));  // already UTF-8
    EXPECT_EQ("a\nb\nc", cli::ToTerminal("a\r\nb\rc\r\n\r\n"));
}

}  // namespace
}  // namespace clitest
