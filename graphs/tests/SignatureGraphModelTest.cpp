// The signature graph window's logic: loading with its questions, saving, menus, tables.
#include <gtest/gtest.h>

#include <algorithm>

#include "diagnostics/SignatureLoader.h"
#include "diagnostics/SignaturePaths.h"
#include "diagnostics/tools/ExampleSignatures.h"
#include "graphs/SignatureGraphModel.h"
#include "graphs/SignatureResultTable.h"
#include "platform/AtomicFile.h"
#include "platform/Ui.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace graphs;
using namespace diagnostics;
using platform::IDCANCEL;
using platform::IDNO;
using platform::IDYES;

namespace {

struct SignatureGraph : ::testing::Test {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    SignatureGraphModel model;
    std::vector<config::FileDialogRequest> requests;
    std::string nextPath;
    examples::ValveModel valve;
    CSignatureData std1 = examples::StandardSignature(valve, "FV-101", examples::MakeDate(2024, 3, 11, 9, 40));
    CSignatureData std2 = examples::StandardSignature(valve, "FV-102", examples::MakeDate(2025, 2, 4, 14, 5));
    CSignatureData ext1 = examples::ExtendedSignature(valve, "FV-101", examples::MakeDate(2024, 3, 11, 9, 52));

    SignatureGraph() {
        model.SetProfileFile(dir.File("Tessaro.ini"));
        model.SetToday({2025, 6, 7});
        model.SetChooser([this](const config::FileDialogRequest& r) {
            requests.push_back(r);
            return config::FileDialogResult{!nextPath.empty(), nextPath, 1};
        });
    }
    std::string Write(const std::string& name, std::vector<SignatureBlockToWrite> blocks) {
        EXPECT_EQ(0, WriteSignatureFile(dir.File(name), blocks));
        return dir.File(name);
    }
    size_t Curves(int type) const { return model.Block(type) ? model.Block(type)->curves.size() : 0; }
};

// A device that keeps or refuses the latest standard signature.
struct SavingDevice : SignatureDevice {
    int result = 0;
    bool IsOnline() override { return true; }
    std::string GetDeviceTag() override { return "FV-101"; }
    int ReadSignatureDate(uint8_t, int, uint8_t*) override { return 1; }
    int ReadSignatureHeader(uint8_t, int, bool, SignatureHeader&) override { return 1; }
    int ReadSignatureCount(uint8_t, uint16_t&) override { return 1; }
    int ReadSignaturePoints(uint8_t, int, uint16_t&, std::vector<float>&, std::vector<float>&) override { return 1; }
    int ReadHighResChunk(uint16_t, uint16_t, std::vector<float>&, std::vector<float>&) override { return 1; }
    int ReadAxisRanges(SignatureAxis&, SignatureAxis&) override { return 1; }
    int ReadOpenStopAdjustment(float&) override { return 1; }
    int SaveSignatureInDevice(bool) override { return result; }
};

}  // namespace

TEST_F(SignatureGraph, LoadingTwoFilesAndTheSameFileAgain) {
    const std::string a = Write("a.sig", {examples::Block(KindStandard, {&std1}), examples::Block(KindExtended, {&ext1})});
    const std::string b = Write("b.sig", {examples::Block(KindStandard, {&std2})});

    // Into the empty window: every graph of the file, no question.
    model.SetCurrentType(-1);
    nextPath = a;
    ASSERT_EQ(0, model.LoadCommand());
    EXPECT_EQ("Open Signature Graph File", requests.back().title);
    EXPECT_EQ("Signature Data Files (*.sig) |*.sig|ALL Files|*.*||", requests.back().filter);
    EXPECT_EQ(1u, Curves(KindStandard));
    EXPECT_EQ(1u, Curves(KindExtended));
    EXPECT_TRUE(model.IsSaved());
    EXPECT_EQ(SourceFile, model.Curve(KindStandard, 0)->record->dataSource);
    EXPECT_EQ(1u, model.Curve(KindStandard, 0)->record->results.valid);  // analysed on the way in

    // A second file beside the first (No to clearing): compared in one graph, now unsaved.
    ui.Answer(IDNO, "Clear Existing Graphs?");
    nextPath = b;
    ASSERT_EQ(0, model.LoadCommand());
    EXPECT_EQ("Load Graphs", ui.Messages().back().caption);
    // The actuator graph is the current one now: its own files are offered first.
    EXPECT_EQ("Standard signature data (*.std) |*.std|Signature Data Files (*.sig) |*.sig|ALL Files|*.*||",
              requests.back().filter);
    EXPECT_EQ(2u, Curves(KindStandard));
    EXPECT_FALSE(model.IsSaved());
    EXPECT_EQ("Curve BLUE : FV-102 @ 02/04/25 14:05:12", model.CurveMenuText(KindStandard, 1));

    // The same file once more: each curve reported once, nothing added.
    ui.Clear();
    ui.Answer(IDNO, "Clear Existing Graphs?");
    nextPath = b;
    EXPECT_EQ(1, model.LoadCommand());
    EXPECT_EQ((std::vector<std::string>{"Clear Existing Graphs?\n",
                                        "Signature Measured at 02/04/25 14:05:12 already loaded, ignore it.",
                                        "No available data was loaded."}),
              ui.Texts());
    EXPECT_EQ(2u, Curves(KindStandard));

    // Clearing while unsaved: the save question first; Cancel keeps everything.
    ui.Answer(IDYES, "Clear Existing Graphs?").Answer(IDCANCEL, "Signature graph has not been saved. Save it?");
    EXPECT_EQ(2, model.LoadCommand());
    EXPECT_EQ(2u, Curves(KindStandard));
    ui.Answer(IDYES, "Clear Existing Graphs?").Answer(IDNO, "Signature graph has not been saved. Save it?");
    ASSERT_EQ(0, model.LoadCommand());
    EXPECT_EQ(1u, Curves(KindStandard));
    EXPECT_EQ(nullptr, model.Block(KindExtended));  // the file's other graphs stay out
    EXPECT_TRUE(model.IsSaved());
}

TEST_F(SignatureGraph, HighResolutionAndExtendedShareAGraph) {
    CSignatureData high = ext1;
    high.kind = KindHighResolution;
    high.date.minutes = 59;
    const std::string highFile = Write("h.sig", {examples::Block(KindHighResolution, {&high})});
    const std::string extFile = Write("e.sig", {examples::Block(KindExtended, {&ext1})});
    ASSERT_EQ(1, model.LoadFile(extFile));
    ASSERT_EQ(1, model.LoadFile(highFile, KindExtended));
    EXPECT_EQ(2u, Curves(KindHighResolution));
    EXPECT_EQ(KindHighResolution, model.Curve(KindExtended, 1)->record->kind);
    // Written back, the graph keeps both kinds in one extended block.
    ASSERT_EQ(1u, model.BlocksToWrite().size());
    EXPECT_EQ(KindExtended, model.BlocksToWrite()[0].kind);

    // Exported from the graph: one report per curve, opened by the desktop.
    std::vector<std::string> opened;
    model.SetOpener([&](const std::string& p) { return opened.push_back(p), true; });
    diagnostics::SetLastSignaturePath(highFile);
    ASSERT_EQ(0, model.Export(KindExtended, -1));
    ASSERT_EQ(1u, opened.size());
    std::string text;
    ASSERT_TRUE(platform::ReadWholeFile(opened[0], text));
    EXPECT_EQ(0u, text.find("MEASUREMENT 1 of 2\n"));
    EXPECT_NE(std::string::npos, text.find("MEASUREMENT 2 of 2\n\nSignature Type :High Resolution Signature"));
}

TEST_F(SignatureGraph, RefusedFilesChangeNothing) {
    const std::string standardOnly = Write("s.sig", {examples::Block(KindStandard, {&std1})});
    ASSERT_EQ(1, model.LoadFile(standardOnly));
    CSignatureData step = examples::StepResponse(valve, "FV-101", examples::MakeDate(2024, 1, 2, 3, 4), 40, 60, 40);
    ASSERT_EQ(0, model.AddSignatureData(step));
    model.SetCurrentType(KindStepResponse);

    nextPath = standardOnly;
    EXPECT_EQ(1, model.LoadCommand());
    EXPECT_EQ("Data type mismatch.  Please load file accordingly to the selected graph!", ui.Last().text);

    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(standardOnly, bytes));
    ASSERT_TRUE(platform::WriteFileAtomically(dir.File("cut.sig"), bytes.substr(0, bytes.size() - 5)));
    nextPath = dir.File("cut.sig");
    model.SetCurrentType(KindStandard);
    EXPECT_EQ(1, model.LoadCommand());
    EXPECT_EQ("Error: The signature data file " + nextPath + " is damaged or incomplete. Data loading aborted.",
              ui.Last().text);
    EXPECT_EQ(1u, Curves(KindStandard));
    EXPECT_EQ(1u, Curves(KindStepResponse));
}

TEST_F(SignatureGraph, SavedWindowReopensUnchanged) {
    ASSERT_EQ(0, model.AddSignatureData(std1));
    ASSERT_EQ(0, model.AddSignatureData(ext1));
    ASSERT_EQ(0, model.SetNotes(KindStandard, 0, "after repair"));
    EXPECT_TRUE(model.HasUnsavedCurves());
    model.SetDevice(nullptr, "FV-101");

    nextPath = dir.File("all.sig");
    ASSERT_EQ(0, model.SaveAllGraphs());
    EXPECT_EQ("FV-101_06072025.sig", requests.back().fileName);
    EXPECT_TRUE(model.IsSaved());
    const std::string written = StoreSignatureFile(model.BlocksToWrite());

    SignatureGraphModel reopened;
    reopened.SetProfileFile(dir.File("Tessaro.ini"));
    ASSERT_EQ(2, reopened.LoadFile(nextPath));
    EXPECT_EQ("after repair", reopened.Curve(KindStandard, 0)->record->notes);
    EXPECT_EQ(written, StoreSignatureFile(reopened.BlocksToWrite()));

    // One graph alone, from a curve's menu.
    nextPath = dir.File("std.std");
    ASSERT_EQ(0, model.SaveGraph(KindStandard));
    EXPECT_EQ("FV-101_STD_06072025", requests.back().fileName);
    EXPECT_EQ("std", requests.back().defaultExtension);
    EXPECT_EQ("The data has been saved to " + nextPath, ui.Last().text);
}

TEST_F(SignatureGraph, CurveMenusAndSavingInTheDevice) {
    auto commands = [](const CSignatureData& r) {
        std::vector<int> out;
        for (const CurveMenuEntry& e : CurveContextMenu(r, 2)) out.push_back(e.command);
        return out;
    };
    CSignatureData current = std1;
    current.dataSource = SourceCurrent;
    EXPECT_EQ((std::vector<int>{19102, 19152, 0, 19002, 0, 19052, 19202, 19252, 19302}), commands(current));
    CSignatureData record = std1;
    record.dataSource = SourceRecord;
    EXPECT_EQ((std::vector<int>{19102, 19152, 0, 19002, 0, 19052, 19202}), commands(record));
    CSignatureData file = std1;
    file.dataSource = SourceFile;
    file.saved = 1;
    EXPECT_EQ(6u, commands(file).size());

    SavingDevice device;
    model.SetDevice(&device, "FV-101");
    ASSERT_EQ(0, model.AddSignatureData(current));
    EXPECT_EQ(0, model.SaveToDevice(KindStandard, 0, true));
    EXPECT_EQ("Signature data has been saved to RECORD.", ui.Last().text);
    device.result = 1;
    EXPECT_EQ(1, model.SaveToDevice(KindStandard, 0, false));
    EXPECT_EQ("Failed to save data to BASELINE.", ui.Last().text);
    EXPECT_EQ(1, model.RemoveCurve(KindStandard, 3));
    EXPECT_EQ("Curve index out of range", ui.Last().text);
    EXPECT_EQ(0, model.RemoveCurve(KindStandard, 0));
    EXPECT_EQ(1, model.AddGraphBlock(KindStandard));
    EXPECT_EQ("The Signature Graph Type Already Exist", ui.Last().text);
}

TEST_F(SignatureGraph, ResultTables) {
    CSignatureData a = std1, b = std2;
    a.AnalyseOnce(86.0f);
    b.AnalyseOnce(86.0f);
    const ResultTable t = BuildResultTable(KindStandard, {&a, &b});
    EXPECT_EQ("Standard Signature Result Analysis", t.title);
    ASSERT_EQ(4u, t.rows.size());
    EXPECT_EQ((std::vector<std::string>{"", "", "High", "Low", "kPa", "%", "kPa", "%", "kPa", "%"}), t.rows[1]);
    EXPECT_EQ("FV-102", t.rows[3][0]);
    EXPECT_EQ(platform::Format("%.2f", a.results.springRangeHigh), t.rows[2][2]);

    CSignatureData series = examples::StepSeries(valve, "FV-101", examples::MakeDate(2025, 1, 1, 0, 0), 40);
    series.AnalyseOnce(86.0f);
    const ResultTable cells = BuildCalibrationCells(series);
    ASSERT_EQ(6u, cells.rows.size());  // "Input" and the five set points of a row
    EXPECT_EQ((std::vector<std::string>{"Input", "Up", "Down", "Up"}), cells.rows[0]);
    EXPECT_EQ("30.0", cells.rows[1][0]);
    EXPECT_EQ("N/A", cells.rows[1][1]);  // the place below the start, never reached going up
    const ResultTable summary = BuildResultTable(KindStepResponse, {&series}, true);
    EXPECT_EQ("Step Response Test - Calibration Report", summary.title);
    EXPECT_EQ("N/A", summary.rows[2][6]);  // no dead band
    EXPECT_EQ("No signature data.", NoResultsText(CSignatureData(KindStandard)));
}

namespace {

// A device that keeps a baseline (the points of `kept`, measured 4 Feb 2025 14:05) and no record.
struct KeepingDevice : SavingDevice {
    CSignatureData kept;
    std::vector<int> selectors;
    int ReadSignatureDate(uint8_t, int selector, uint8_t* date) override {
        selectors.push_back(selector);
        const uint8_t d[7] = {0, 0, 5, 14, 4, 2, 25};
        std::copy(d, d + 7, date);
        return 0;
    }
    int ReadSignatureHeader(uint8_t, int, bool, SignatureHeader& header) override {
        header = kept.header;
        return 0;
    }
    int ReadSignaturePoints(uint8_t, int selector, uint16_t& count, std::vector<float>& x,
                            std::vector<float>& y) override {
        x.clear();
        y.clear();
        if (selector == SelectBaseline)
            for (const CFloatPT& p : kept.curve1) {
                x.push_back(p.x);
                y.push_back(p.y);
            }
        count = static_cast<uint16_t>(y.size());
        return 0;
    }
};

}  // namespace

TEST_F(SignatureGraph, TheDevicesBaselineIsLaidBesideTodaysCurveAndAMissingRecordIsSaid) {
    KeepingDevice device;
    device.kept = std2;
    EXPECT_EQ(1, model.LoadFromDevice(true));  // no device yet
    model.SetDevice(&device, "FV-101");
    ASSERT_TRUE(model.HasDevice());
    CSignatureData today = std1;
    today.dataSource = SourceCurrent;
    ASSERT_EQ(0, model.AddSignatureData(today));

    ASSERT_EQ(0, model.LoadFromDevice(true));
    EXPECT_EQ(SelectBaseline, device.selectors.back());
    ASSERT_EQ(2u, Curves(KindStandard));
    const CSignatureData& baseline = *model.Curve(KindStandard, 1)->record;
    EXPECT_EQ(SourceBaseline, baseline.dataSource);
    EXPECT_EQ("02/04/25 14:05:00", baseline.DateText());
    EXPECT_EQ(std2.curve1.size(), baseline.curve1.size());
    EXPECT_NE(model.Curve(KindStandard, 0)->color, model.Curve(KindStandard, 1)->color);
    // Its menu offers a file, not the device's stores.
    EXPECT_EQ(19201, CurveContextMenu(baseline, 1).back().command);

    ui.Clear();
    EXPECT_EQ(1, model.LoadFromDevice(false));
    EXPECT_EQ(SelectRecord, device.selectors.back());
    EXPECT_EQ("FV-101 keeps no RECORD signature.", ui.Last().text);
    EXPECT_EQ(2u, Curves(KindStandard));
    EXPECT_EQ(1, model.LoadFromDevice(true));  // the same baseline again is refused as a duplicate
    EXPECT_EQ(2u, Curves(KindStandard));
}
