// The report command's window side: the PDF export and the kind chosen in the dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
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

namespace {

// Runs `command` through the shell with a time limit; true when it ended with status 0.
bool RunTool(const std::string& command) { return std::system(("timeout 60 " + command).c_str()) == 0; }

// The printed report looked at as a reader sees it: the PDF rendered into pictures by
// pdftoppm, and its text taken with the page layout by pdftotext. A number split inside its
// cell would show on two lines of the text.
TEST(ReportCommands, ThePrintedPdfShowsEachCharacterisationNumberWholeInItsRow) {
    if (!RunTool("pdftoppm -v >/dev/null 2>&1") || !RunTool("pdftotext -v >/dev/null 2>&1"))
        GTEST_SKIP() << "pdftoppm and pdftotext (poppler-utils) are not installed";
    platform::testing::TempDir dir;
    std::string templateText;
    ASSERT_TRUE(platform::ReadWholeFile(std::string(TESSARO_SEED_REPORT_DIR) + "/RPXReportTemplate.htm", templateText));
    config::CConfigData data(config::FamilyRPX110, RunModeStandalone, "");
    for (size_t i = 0; i < 9; ++i) data.option.charPoints[i] = 10.0f * static_cast<float>(i + 1);
    const std::string pdf = dir.File("Report.pdf");
    ASSERT_TRUE(report::PrintHtmlToPdf(report::BuildHtmlReport(templateText, data, report::ReportContext{}), pdf));

    ASSERT_TRUE(RunTool("pdftoppm -r 50 -png '" + pdf + "' '" + dir.File("page") + "'"));
    int pages = 0, inked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        if (entry.path().extension() != ".png") continue;
        QImage picture(QString::fromStdString(entry.path().string()));
        ASSERT_FALSE(picture.isNull()) << entry.path();
        EXPECT_GT(picture.width(), 300);  // A4 at 50 dpi: 413 x 585
        ++pages;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) inked += qGray(picture.pixel(x, y)) < 160 ? 1 : 0;
    }
    EXPECT_GE(pages, 1);
    EXPECT_GT(inked, 2000) << "the pages are blank";

    ASSERT_TRUE(RunTool("pdftotext -layout '" + pdf + "' '" + dir.File("Report.txt") + "'"));
    std::ifstream in(dir.File("Report.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    // The nine set points of the curve stand whole on one line, in order.
    std::vector<std::string> numbers;
    for (int i = 1; i <= 9; ++i) numbers.push_back(platform::Format("%d.000000", 10 * i));
    bool row = false;
    for (const std::string& line : lines) {
        size_t at = 0;
        bool all = true;
        for (const std::string& n : numbers) {
            at = line.find(n, at);
            if (at == std::string::npos) {
                all = false;
                break;
            }
            at += n.size();
        }
        row = row || all;
    }
    std::ostringstream text;
    for (const std::string& line : lines) text << line << "\n";
    EXPECT_TRUE(row) << text.str();
}

}  // namespace
