// The report command's window side: the PDF export and the kind chosen in the dialog.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "report/ui/CReportOptionDialog.h"
#include "report/HtmlReport.h"
#include "report/ui/ReportCommands.h"
#include "report/ui/ReportPdf.h"

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

namespace {

// The characterisation table as the PDF lays it out: every cell keeps its number on one line
// ("10.000000" once broke into "10.0 / 000 / 00"), and the table is no wider than the page.
TEST(ReportCommands, ThePdfKeepsEachCharacterisationNumberOnOneLine) {
    std::string templateText;
    ASSERT_TRUE(platform::ReadWholeFile(std::string(TESSARO_SEED_REPORT_DIR) + "/RPXReportTemplate.htm", templateText));
    config::CConfigData data(config::FamilyRPX110, RunModeStandalone, "");
    for (size_t i = 0; i < 9; ++i) data.option.charPoints[i] = 10.0f * static_cast<float>(i + 1);
    const std::string html = report::BuildHtmlReport(templateText, data, report::ReportContext{});

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    report::SetUpPdfWriter(writer);
    QTextDocument document;
    report::LayOutForPdf(document, html, writer);
    document.documentLayout()->documentSize();  // lays it out

    int cells = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextTable* table = QTextCursor(block).currentTable();
        if (table == nullptr || table->columns() != 12) continue;
        ++cells;
        EXPECT_EQ(1, block.layout()->lineCount()) << block.text().toStdString();
        EXPECT_LE(document.documentLayout()->frameBoundingRect(table).width(), document.pageSize().width() + 4.0);  // the outer borders
    }
    EXPECT_EQ(24, cells);  // two rows of 12
}

}  // namespace
