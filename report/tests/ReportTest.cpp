// The configuration report: tokens, the shipped templates, the text report and the command.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>

#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "report/HtmlReport.h"
#include "report/ReportFiles.h"
#include "report/ReportTemplate.h"
#include "report/TextReport.h"

using config::CConfigData;
using report::ReportContext;

namespace {

std::string Shipped(const std::string& name) {
    std::string text;
    EXPECT_TRUE(platform::ReadWholeFile(std::string(TESSARO_SEED_REPORT_DIR) + "/" + name, text)) << name;
    return text;
}

// 2024-03-10 23:30:05 UTC, which is already 11 March five hours east of Greenwich.
constexpr std::time_t kLateEvening = 1710113405;

class LocalZone : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? tz : "";
        hadTz_ = tz != nullptr;
        setenv("TZ", "XYZ-5", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ReportContext Context(bool deviceOpen = false) {
        ReportContext c;
        c.userName = "ann";
        c.now = kLateEvening;
        c.deviceOpen = deviceOpen;
        return c;
    }

private:
    std::string saved_;
    bool hadTz_ = false;
};

TEST(ReportTemplate, TokensAreFoundWholeInTheTemplateAndNeverInsideValues) {
    report::ReportTemplate doc("a TSRO001021 b TSRO001 c TSRO001021 d TSRO0010 TSRO1234567 e TSRO000001 f TSRO002");
    doc.Fill(3, 1, "three");
    doc.Fill(6, 1021, "first");
    doc.Fill(6, 1021, "second");
    doc.Fill(6, 1021, "none left");          // a third value has no place
    doc.Fill(6, 1, "TSRO002");                // a value that looks like a token ...
    doc.Fill(3, 2, "");                       // ... is not a place for another one
    doc.Fill(6, 4242, "missing");             // not in the template: nothing happens
    EXPECT_EQ("a first b three c second d TSRO0010 TSRO1234567 e TSRO002 f ", doc.Render());
    report::ReportTemplate empty("x TSRO009999 y");
    empty.Fill(6, 9999, "");
    EXPECT_EQ("x --------- y", empty.Render());
}

TEST(ReportTemplate, SectionsAreKeptWithoutTheirMarkersOrRemovedWhole) {
    report::ReportTemplate keep("<p>TSRO007000<b>TSRO101</b>TSRO008000</p>");
    EXPECT_TRUE(keep.Section(7000, 8000, true));
    keep.Fill(3, 101, "x");
    EXPECT_EQ("<p><b>x</b></p>", keep.Render());
    report::ReportTemplate drop("<p>TSRO007000<b>TSRO101</b>TSRO008000</p>");
    EXPECT_TRUE(drop.Section(7000, 8000, false));
    EXPECT_EQ("<p></p>", drop.Render());
    report::ReportTemplate atStart("TSRO007000 x TSRO008000");  // markers must follow the first character
    EXPECT_FALSE(atStart.Section(7000, 8000, false));
    report::ReportTemplate reversed(". TSRO008000 x TSRO007000");
    EXPECT_FALSE(reversed.Section(7000, 8000, false));
}

TEST_F(LocalZone, TheShippedTemplatesAreFilledCompletelyAndTheRecordIsLeftAlone) {
    for (uint32_t family : {config::FamilyRPX110, config::FamilyKPX110}) {
        for (uint32_t extended : {0u, 1u}) {
            CConfigData data(family);
            data.general.signatureActivation = 1;
            data.general.extendedServoParameters = extended;
            data.general.valveModel = "<V&M \"7\">";
            data.general.linkMasterActivation = 1;
            const CConfigData before = data;
            const std::string html = report::BuildHtmlReport(Shipped(report::TemplateName(family)), data, Context());
            EXPECT_EQ(std::string::npos, html.find("TSRO")) << family << " " << extended;
            EXPECT_TRUE(data == before);  // no device: the report clears the flag on its copy only
            EXPECT_EQ(std::string::npos, html.find("SIGNATURE DATA"));
            EXPECT_EQ(extended != 0, html.find("Double Acting Boost") != std::string::npos);
            EXPECT_NE(std::string::npos, html.find("<b>ann</b>"));
            EXPECT_NE(std::string::npos, html.find("<b>3-11-2024</b>"));  // the local date
            EXPECT_NE(std::string::npos, html.find("<b>04:30:05</b>"));
            EXPECT_NE(std::string::npos, html.find("&lt;V&amp;M &quot;7&quot;&gt;"));
            // Token 1021 twice: the valve model first, the link master activation second.
            EXPECT_LT(html.find("&lt;V&amp;M"), html.find("Link Master Activation</th><td>Activated"));
            EXPECT_NE(std::string::npos, html.find("PID High Alarm Limit</th><td>inf %"));
            EXPECT_EQ(extended == 0, html.find("Servo Warning High</th><td>------") != std::string::npos);
        }
    }
}

TEST_F(LocalZone, WithADeviceTheStoredSignaturesAreListed) {
    CConfigData data;
    data.general.signatureActivation = 1;
    ReportContext context = Context(true);
    report::SignatureSummary step;
    step.code = 3;
    step.stored = true;
    step.date = "03/09/24 10:00:00";
    step.header = {21.5f, 20, 80, 50, 600, 10, 1, -1, -1};
    context.signatures = {step};
    const std::string html = report::BuildHtmlReport(Shipped("RPXReportTemplate.htm"), data, context);
    EXPECT_EQ(std::string::npos, html.find("TSRO"));
    EXPECT_NE(std::string::npos, html.find("<h3>Step Response Test</h3>"));
    EXPECT_NE(std::string::npos, html.find("Measured</th><td>03/09/24 10:00:00</td><th>Temperature</th><td>21.5"));
    EXPECT_NE(std::string::npos, html.find("Sampling Rate(ms)</th><td>50.00"));
    EXPECT_NE(std::string::npos, html.find("Measured</th><td>Not stored"));
}

TEST_F(LocalZone, TheTextReportWritesLabelAndValueLines) {
    CConfigData data;
    data.general.splitterPresent = 0;
    data.pid.pvUnit.text = "\xB0" "C";
    const std::string text = report::BuildTextReport(data, Context());
    EXPECT_NE(std::string::npos, text.find("User\tann\nDate\t3-11-2024\nTime\t04:30:05\n"));
    EXPECT_NE(std::string::npos, text.find("PD_TAG  \tCV0000\nNode Address  \t0xf7 / 247\n"));
    EXPECT_NE(std::string::npos, text.find("PID High Alarm Limit  \tinf \xB0" "C\n"));
    EXPECT_NE(std::string::npos, text.find("   Setpoint (%) \t Position(%)\n            0.0 \t 0.0\n"));
    EXPECT_EQ(std::string::npos, text.find("SPLT Tag"));
    data.general.splitterPresent = 1;
    EXPECT_NE(std::string::npos, report::BuildTextReport(data, Context()).find("SPLT Tag  \tRPX_SPLT\n"));
}

TEST(ReportCommand, AMissingTemplateStopsTheHtmlReportButNotTheTextReport) {
    platform::testing::ScriptedUi ui;
    platform::testing::TempDir dir;
    CConfigData data(config::FamilyRPX110, RunModeStandalone, dir.Path());
    data.general.manufacturerId = "4b5445";  // read from a partner positioner: its family's template
    std::vector<std::string> opened;
    report::ReportActions actions;
    actions.open = [&](const std::string& path) {
        opened.push_back(path);
        return true;
    };
    ReportContext context;
    EXPECT_EQ("", report::RunReport(report::ReportKind::Html, data, context, actions));
    EXPECT_EQ("Unable to locate the file " + dir.Path() + "/Report/KPXReportTemplate.htm", ui.Last().text);
    const std::string text = report::RunReport(report::ReportKind::Text, data, context, actions);
    EXPECT_EQ(dir.Path() + "/REPORT.TXT", text);
    EXPECT_EQ(std::vector<std::string>{text}, opened);

    // With the template in place: HTML beside it; a viewer that fails is said.
    std::filesystem::create_directories(dir.File("Report"));
    ASSERT_TRUE(platform::WriteFileAtomically(dir.File("Report/KPXReportTemplate.htm"), Shipped("KPXReportTemplate.htm")));
    actions.open = [](const std::string&) { return false; };
    EXPECT_EQ("", report::RunReport(report::ReportKind::Html, data, context, actions));
    EXPECT_EQ("Error: Unable to display the file " + dir.Path() +
                  "/Report/Report.htm\n\nThe report was written and is kept there; open it with a browser or a "
                  "text viewer.",
              ui.Last().text);
    EXPECT_TRUE(std::filesystem::exists(dir.File("Report/Report.htm")));
}

TEST(ReportCommand, EachReportIsKeptAndTheNewestHasTheKnownName) {
    platform::testing::ScriptedUi ui;
    platform::testing::TempDir dir;
    CConfigData data(config::FamilyRPX110, RunModeStandalone, dir.Path());
    std::filesystem::create_directories(dir.File("Report"));
    ASSERT_TRUE(platform::WriteFileAtomically(dir.File("Report/RPXReportTemplate.htm"), Shipped("RPXReportTemplate.htm")));
    report::ReportActions actions;
    actions.open = [](const std::string&) { return true; };
    ReportContext context;
    auto files = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("Report")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    data.general.pdTag = "FV-101";
    ASSERT_EQ(dir.File("Report/Report.htm"), report::RunReport(report::ReportKind::Html, data, context, actions));
    data.general.pdTag = "KV-201";
    ASSERT_EQ(dir.File("Report/Report.htm"), report::RunReport(report::ReportKind::Html, data, context, actions));
    data.general.pdTag = "PV-301";
    ASSERT_EQ(dir.File("Report/Report.htm"), report::RunReport(report::ReportKind::Html, data, context, actions));
    // Three reports, three files: the two earlier ones under the time they were written.
    const std::vector<std::string> names = files();
    ASSERT_EQ(4u, names.size());  // with the template
    std::string all;
    for (const std::string& name : names) {
        std::string text;
        ASSERT_TRUE(platform::ReadWholeFile(dir.File("Report/" + name), text));
        all += text;
        if (name == "RPXReportTemplate.htm" || name == "Report.htm") continue;
        EXPECT_EQ(0u, name.rfind("Report 20", 0)) << name;
        EXPECT_EQ(".htm", std::filesystem::path(name).extension().string()) << name;
    }
    for (const char* tag : {"FV-101", "KV-201", "PV-301"}) EXPECT_NE(std::string::npos, all.find(tag)) << tag;
    std::string newest;
    ASSERT_TRUE(platform::ReadWholeFile(dir.File("Report/Report.htm"), newest));
    EXPECT_NE(std::string::npos, newest.find("PV-301"));

    // The text report the same way.
    ASSERT_FALSE(report::RunReport(report::ReportKind::Text, data, context, actions).empty());
    ASSERT_FALSE(report::RunReport(report::ReportKind::Text, data, context, actions).empty());
    size_t texts = 0;
    for (const std::string& name : files())
        if (std::filesystem::path(name).extension() == ".TXT") ++texts;
    EXPECT_EQ(2u, texts);
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
