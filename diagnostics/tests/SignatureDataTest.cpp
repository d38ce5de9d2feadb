// Records: names and titles, the device date, the text export and the loader thread.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "diagnostics/SignatureExport.h"
#include "diagnostics/SignatureLoader.h"
#include "diagnostics/SignatureMessages.h"
#include "diagnostics/tools/ExampleSignatures.h"
#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using namespace diagnostics;

TEST(SignatureData, DefaultNamesTitlesAndDates) {
    CSignatureData r(KindStandard);
    r.name = "PV-101";
    r.date = examples::MakeDate(2009, 3, 3, 14, 5);
    EXPECT_EQ("PV-101_STD_03032009_1405", r.DefaultFileName({2025, 6, 1}));
    // Two-digit years: this century, unless that lies in the future.
    r.date.year = 25;
    EXPECT_EQ("PV-101_STD_03032025_1405", r.DefaultFileName({2025, 1, 1}));
    r.date.year = 26;
    EXPECT_EQ("PV-101_STD_03031926_1405", r.DefaultFileName({2025, 12, 31}));
    EXPECT_EQ(2001, FourDigitYear(1, {2100, 1, 1}));

    EXPECT_EQ("PV-101 @ 03/03/26 14:05:12", r.CurveTitle());
    r.name = "Unknown";
    const char* words[] = {"CURRENT @ ", "FILE @ ", "RECORD @ ", "BASELINE @ "};
    for (int source = 0; source < 4; ++source) {
        r.dataSource = source;
        EXPECT_EQ(std::string(words[source]) + "03/03/26 14:05:12", r.CurveTitle());
    }
    platform::testing::ScriptedUi ui;
    r.dataSource = 7;
    EXPECT_EQ("", r.CurveTitle());
    EXPECT_EQ("Unknown data source.", ui.Last().text);

    // The device's date: milliseconds big-endian, the summer-time bit over the hour, the
    // weekday over the day, years beyond 99 taken as 0.
    const uint8_t octets[7] = {0xEA, 0x60, 0x3B, 0x97, 0x5F, 0x0C, 0x7F};
    const SignatureDate d = SignatureDate::FromDeviceDate(octets);
    EXPECT_EQ(60000, d.milliseconds);
    EXPECT_EQ(60, d.seconds);
    EXPECT_EQ(1u, d.summerTime);
    EXPECT_EQ(2, d.weekday);
    EXPECT_EQ("12/31/00 23:59:60", d.Text());
}

TEST(SignatureData, ExportWritesTheReportAndFallsBackToText) {
    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    CSignatureData step = examples::StepResponse({}, "FV-101", examples::MakeDate(2024, 3, 11, 10, 3), 40, 60, 20);
    step.notes = "after\rrepair";
    step.AnalyseOnce(86.0f);

    std::vector<std::string> opened;
    std::string path;
    ASSERT_EQ(0, ExportSignatureRecords({&step}, dir.Path(), [&](const std::string& p) {
        opened.push_back(p);
        return true;
    }, &path));
    EXPECT_EQ(dir.File("FV-101_SRT_03112024_1003.xls"), path);
    std::string text;
    ASSERT_TRUE(platform::ReadWholeFile(path, text));
    EXPECT_EQ(0u, text.find("Signature Type :Step Response Test\n\nMeasurement Setting : \n\tTemperature  : 23.5\n"));
    EXPECT_NE(std::string::npos, text.find("Measurement Notes : \n\tafter\n\trepair\n\n"));
    EXPECT_NE(std::string::npos, text.find("Result Analysis : \n\tOvershoot  : "));
    EXPECT_NE(std::string::npos, text.find("Time(s)\tSet Points\tPosition(%)\n \n0.00\t40.00\t40."));
    EXPECT_TRUE(ui.Texts().empty());

    // Nothing opens ".xls": the file becomes ".txt"; when that fails too, say so.
    opened.clear();
    ASSERT_EQ(0, ExportSignatureRecords({&step, &step}, dir.Path(), [&](const std::string& p) {
        opened.push_back(p);
        return p.ends_with(".txt");
    }, &path));
    EXPECT_EQ(dir.File("FV-101_SRT_03112024_1003.txt"), path);
    ASSERT_TRUE(platform::ReadWholeFile(path, text));
    EXPECT_EQ(0u, text.find("MEASUREMENT 1 of 2\n\nSignature Type :"));
    EXPECT_EQ(std::vector<std::string>{"Excel may not be installed, export to text file"}, ui.Texts());
    EXPECT_EQ(1, ExportSignatureRecords({&step}, dir.Path(), [](const std::string&) { return false; }));
    EXPECT_EQ("Error: Unable to display the erported file: " + dir.File("FV-101_SRT_03112024_1003.txt"),
              ui.Last().text);

    EXPECT_EQ(dir.Path(), ExportFolder(dir.File("gone/x.sig"), "/fallback"));
    EXPECT_EQ("/fallback", ExportFolder("/no/such/folder/x.sig", "/fallback"));
}

namespace {

// A device that holds one stored measurement of each kind.
class StoredSignatures : public SignatureDevice {
public:
    bool online = true;
    bool shortY = false;
    CSignatureData stored = examples::StandardSignature({}, "", examples::MakeDate(2024, 5, 6, 7, 8));
    std::vector<int> selectors;

    bool IsOnline() override { return online; }
    std::string GetDeviceTag() override { return "FV-101"; }
    int ReadSignatureDate(uint8_t, int selector, uint8_t date[7]) override {
        selectors.push_back(selector);
        const uint8_t octets[7] = {0x1F, 0x40, 8, 7, 6, 5, 24};  // 05/06/24 07:08:08
        std::copy(octets, octets + 7, date);
        return 0;
    }
    int ReadSignatureHeader(uint8_t, int, bool, SignatureHeader& header) override {
        header = stored.header;
        return 0;
    }
    int ReadSignatureCount(uint8_t, uint16_t& count) override {
        count = 18;
        return 0;
    }
    int ReadSignaturePoints(uint8_t, int, uint16_t& count, std::vector<float>& x, std::vector<float>& y) override {
        for (size_t i = 0; i < count && i < stored.curve1.size(); ++i) {
            x.push_back(stored.curve1[i].x);
            if (!shortY || i + 1 < count) y.push_back(stored.curve1[i].y);
        }
        return 0;
    }
    int ReadHighResChunk(uint16_t, uint16_t, std::vector<float>&, std::vector<float>&) override { return -1; }
    int ReadAxisRanges(SignatureAxis& pressure, SignatureAxis& position) override {
        pressure = {20, 100, "kPa"};
        position = {0, 100, "%"};
        return 0;
    }
    int ReadOpenStopAdjustment(float& value) override {
        value = 98.0f;
        return 0;
    }
    int SaveSignatureInDevice(bool) override { return 0; }
};

// Collects the loader's notices.
struct Window : platform::MessageTarget {
    std::vector<std::pair<uintptr_t, intptr_t>> loaded;
    platform::WindowHandle handle = platform::MessageDispatcher::Instance().Register(this);
    ~Window() override { platform::MessageDispatcher::Instance().Unregister(handle); }
    void OnMessage(unsigned msg, uintptr_t w, intptr_t l) override {
        if (msg == WM_SIG_DATA_LOADED) loaded.push_back({w, l});
    }
    void WaitFor(CSignatureData& record) {
        for (int i = 0; i < 500 && record.IsLoading(); ++i) platform::Event().Wait(10);
        record.StopDataLoading();
        platform::MessageDispatcher::Instance().DeliverPending();
    }
};

}  // namespace

TEST(SignatureData, LoaderUploadsOnItsOwnThread) {
    StoredSignatures device;
    Window window;
    CSignatureData record(KindStandard);
    record.dataSource = SourceRecord;
    ASSERT_EQ(0, record.StartDataLoading(device, window.handle, {KindStandard}));
    window.WaitFor(record);
    ASSERT_EQ(1u, window.loaded.size());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&record), window.loaded[0].first);
    EXPECT_EQ(0, window.loaded[0].second);
    EXPECT_TRUE(record.curve1.empty());  // nothing changes before the window takes the data
    ASSERT_EQ(0, record.TakeLoadedData());
    EXPECT_EQ(std::vector<int>{SelectRecord}, device.selectors);
    EXPECT_EQ(SourceRecord, record.dataSource);
    EXPECT_EQ(18u, record.curve1.size());
    EXPECT_EQ(1u, record.curve1[0].flag);
    EXPECT_EQ("FV-101 @ 05/06/24 07:08:08", record.CurveTitle());
    EXPECT_EQ((SignatureAxis{20, 100, "kPa"}), record.xAxis);
    EXPECT_EQ(98.0f, record.openStopAdjustment);
    EXPECT_EQ(2, record.TakeLoadedData());  // taken once

    // Failures leave the record as it was.
    platform::testing::ScriptedUi ui;
    std::string error;
    device.shortY = true;
    CSignatureData copy = record;
    EXPECT_EQ(1, UploadSignature(device, {KindStandard}, copy, error));
    EXPECT_EQ("The number of signature data points mismatch", error);
    device.online = false;
    EXPECT_EQ(1, UploadSignature(device, {KindStandard}, copy, error));
    EXPECT_EQ("Current Device is OFFLINE!", error);
    device.online = true;
    ASSERT_EQ(0, record.StartDataLoading(device, window.handle, {KindHighResolution, true, true, 0, 50}));
    window.WaitFor(record);
    EXPECT_EQ(-1, record.TakeLoadedData());
    EXPECT_EQ(18u, record.curve1.size());
}

TEST(SignatureData, UploadedStepResponseRunsOnTheSampleClock) {
    // Samples 100 ms apart: positions and set points against time, room on the time axis.
    CSignatureData step(KindStepResponse);
    SignatureHeader header{21.0f, 40.0f, 60.0f, 100.0f, 4.0f, -1.0f, -1.0f, -1.0f, -1.0f};
    step.FillFromUpload(header, {}, {40, 60, 60, 60}, {40, 45, 58, 61});
    ASSERT_EQ(4u, step.curve1.size());
    EXPECT_EQ((CFloatPT{0.3f, 61.0f, 0}), step.curve1[3]);
    EXPECT_EQ((CFloatPT{0.0f, 40.0f, 1}), step.curve2[0]);
    EXPECT_FLOAT_EQ(-10.0f, step.xMinimum);
    EXPECT_FLOAT_EQ(10.3f, step.xMaximum);
    EXPECT_EQ(40.0f, step.yMinimum);
    EXPECT_EQ(61.0f, step.yMaximum);

    // High-resolution chunks add to what was loaded; only the first point starts the curve.
    CSignatureData high(KindHighResolution);
    high.FillFromUpload(header, {}, {10, 11}, {1, 2});
    high.FillFromUpload(header, {}, {12}, {3}, true);
    EXPECT_EQ((std::vector<CFloatPT>{{10, 1, 1}, {11, 2, 0}, {12, 3, 0}}), high.curve1);
    EXPECT_EQ(12.0f, high.xMaximum);
}

TEST(SignatureData, StoredPointCounts) {
    SignatureHeader h{};
    EXPECT_EQ(18, StoredPointCount(KindStandard, h));
    EXPECT_EQ(100, StoredPointCount(KindExtended, h));
    h[4] = 23.0f;  // scan time 23 s at 100 ms: 231 points, 31 in the last bank
    h[6] = 100.0f;
    EXPECT_EQ(31, StoredPointCount(KindHighResolution, h));
    // No count from a sampling rate of 0 or a number of samples that is no number.
    h[6] = 0.0f;
    EXPECT_EQ(0, StoredPointCount(KindHighResolution, h));
    h[3] = 10.0f;
    EXPECT_EQ(21, StoredPointCount(KindPositioner, h));
    h[4] = 1e9f;
    EXPECT_EQ(600, StoredPointCount(KindStepResponse, h));
    h[4] = std::nanf("");
    EXPECT_EQ(0, StoredPointCount(KindStepResponse, h));
    h[4] = -5.0f;
    EXPECT_EQ(0, StoredPointCount(KindStepResponse, h));
}
