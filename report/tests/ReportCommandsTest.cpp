// The report command's window side: the PDF export and the kind chosen in the dialog.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "report/ui/CReportOptionDialog.h"
#include "report/ui/ReportCommands.h"

namespace {

TEST(ReportCommands, ExportPdfPrintsTheHtmlReportAndOpensThePdf) {
    platform::testing::ScriptedUi ui;
    platform::testing::TempDir dir;
    std::filesystem::create_directories(dir.File("Report"));
    std::filesystem::copy_file(std::string(TESSARO_SEED_REPORT_DIR) + "/RPXReportTemplate.htm",
                               dir.File("Report/RPXReportTemplate.htm"));
    config::CConfigData data(config::FamilyRPX110, RunModeStandalone, dir.Path());
    report::ReportCommands commands(data);
    std::vector<std::string> opened;
    commands.SetViewer([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    commands.SetKindChooser([](QWidget*, report::ReportKind& kind) {
        kind = report::ReportKind::Pdf;
        return true;
    });
    const std::string pdf = commands.OnReport(nullptr);
    ASSERT_EQ(dir.File("Report/Report.pdf"), pdf);
    EXPECT_EQ(std::vector<std::string>{pdf}, opened);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(pdf, bytes));
    EXPECT_EQ(0u, bytes.rfind("%PDF", 0));
    EXPECT_GT(bytes.size(), 2000u);
    EXPECT_TRUE(ui.Messages().empty());

    commands.SetKindChooser([](QWidget*, report::ReportKind&) { return false; });
    EXPECT_EQ("", commands.OnReport(nullptr));
    EXPECT_EQ(1u, opened.size());
}

TEST(ReportCommands, TheDialogOffersHtmlTextAndPdf) {
    CReportOptionDialog dialog;
    EXPECT_EQ(report::ReportKind::Html, dialog.Kind());
    dialog.SetKind(report::ReportKind::Pdf);
    EXPECT_EQ(report::ReportKind::Pdf, dialog.Kind());
    dialog.SetKind(report::ReportKind::Text);
    EXPECT_EQ(report::ReportKind::Text, dialog.Kind());
}

}  // namespace
