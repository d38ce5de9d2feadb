// Trend files: every version written and read back, the empty-channel encoding, and files
// that must be refused without touching what the window holds.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/AtomicFile.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "trend/TrendRecorder.h"

namespace trend {
namespace {

using platform::IDNO;
using platform::IDYES;

// Test files are written plainly, each under a new name: replacing a file's content makes
// the file system write it out at once, which is slow.
void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TrendFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every channel enabled, so that a recording fills all six.
        std::string ini = "[Trend]\n";
        for (const TrendChannelInfo& channel : kTrendChannels) ini += std::string(channel.iniKey) + "=1\n";
        WriteFile(Profile(), ini);
    }
    std::string Profile() const { return dir.File("Tessaro.ini"); }

    // Adds `sets` sample sets one second apart to a recorder without a device.
    static void Record(TrendRecorder& recorder, int sets) {
        for (int i = 0; i < sets; ++i) {
            fieldbus::ProcessRecord record{};
            record.finalPositionValue = 10.0f + static_cast<float>(i);
            record.finalValue = 20.0f + static_cast<float>(i);
            record.pidPv = 30.0f + static_cast<float>(i);
            record.pidSp = 40.0f + static_cast<float>(i);
            record.outPressure = 50.0f + static_cast<float>(i);
            record.servoOutputSignal = 60.0f + static_cast<float>(i);
            EXPECT_TRUE(recorder.AddSamples(record, 100.0f + static_cast<float>(i)));
        }
    }

    static void ExpectSame(const TrendSampleArray& a, const TrendSampleArray& b) {
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i], b[i]) << "sample " << i;
    }

    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
};

TEST_F(TrendFileTest, EachVersionKeepsItsChannelsAndTheRestStayEmpty) {
    TrendRecorder recorder({}, Profile());
    Record(recorder, 5);
    ASSERT_EQ(recorder.Channel(kServoOutput).size(), 5u);

    struct Case {
        const char* version;
        int channels;
    };
    for (Case c : {Case{"2.1T", 6}, Case{"2.1", 5}, Case{"0.9d", 4}}) {
        SCOPED_TRACE(c.version);
        const std::string path = dir.File(std::string("run-") + c.version + ".tre");
        ASSERT_EQ(recorder.SaveFile(path, c.version), 0);
        EXPECT_FALSE(recorder.IsUnsaved());
        std::string bytes;
        ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
        // Header, then exactly the version's arrays of 5 samples of 12 bytes.
        const size_t header = 1 + 12 + 1 + std::strlen(c.version) + 1 + recorder.StatusText().size() + 4 + 4;
        EXPECT_EQ(bytes.size(), header + static_cast<size_t>(c.channels) * (4 + 5 * 12));

        TrendRecorder loaded({}, Profile());
        ASSERT_EQ(loaded.LoadFile(path), 0);
        EXPECT_EQ(loaded.LastSampleTime(), recorder.LastSampleTime());
        EXPECT_EQ(loaded.StatusText(), recorder.StatusText());
        EXPECT_EQ(loaded.HistorySeconds(), 3600);
        EXPECT_EQ(loaded.ScrollPosition(), loaded.ScrollLimit());  // the view goes to the end
        for (int i = 0; i < kTrendChannelCount; ++i) {
            if (i < c.channels)
                ExpectSame(loaded.Channel(i), recorder.Channel(i));
            else
                EXPECT_TRUE(loaded.Channel(i).empty()) << "channel " << i + 1;
        }
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(TrendFileTest, AnEmptyChannelIsOneWordAndReadsBackEmpty) {
    std::array<std::span<const TrendSample>, kTrendChannelCount> channels;
    const TrendSample one{1.0f, 2.0f, 1};
    channels[kActualPosition] = {&one, 1};
    TrendFileHeader header;
    header.version = "2.1";
    const std::string bytes = StoreTrendFile(header, channels);
    // Channel 1 (count-1 = 0, one sample), then channels 2 to 5 each as 0xFFFFFFFF.
    ASSERT_EQ(bytes.size(), 1 + 12 + 1 + 3 + 1 + 4 + 4 + (4 + 12) + 4 * 4);
    EXPECT_EQ(bytes.substr(bytes.size() - 16), std::string(16, '\xFF'));
    TrendFileContents contents;
    ASSERT_EQ(ParseTrendFile(bytes, contents), TrendParseResult::Ok);
    EXPECT_EQ(contents.channels[kActualPosition], std::vector<TrendSample>{one});
    EXPECT_TRUE(contents.channels[kTargetPosition].empty());
}

TEST_F(TrendFileTest, RefusedFilesLeaveTheWindowAsItWas) {
    TrendRecorder source({}, Profile());
    Record(source, 3);
    const std::string good = dir.File("good.tre");
    ASSERT_EQ(source.SaveFile(good, "2.1T"), 0);
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(good, bytes));

    TrendRecorder window({}, Profile());
    Record(window, 2);
    const float last = window.LastSampleTime();
    auto unchanged = [&] {
        EXPECT_EQ(window.Channel(kActualPosition).size(), 2u);
        EXPECT_EQ(window.LastSampleTime(), last);
    };

    // The identifier in other letter case is not ours.
    std::string otherCase = bytes;
    otherCase.replace(1, 12, "TESSAROTREND");
    const std::string upper = dir.File("upper.tre");
    WriteFile(upper, otherCase);
    EXPECT_EQ(window.LoadFile(upper), 1);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{
                              "Error: Not a native Tessaro trend data file. Data loading aborted.",
                              "Error: Unable to open and playback the saved trend data."}));
    unchanged();

    // An unknown version.
    std::string version = bytes;
    version.replace(14, 4, "2.2T");
    const std::string newer = dir.File("newer.tre");
    WriteFile(newer, version);
    ui.Clear();
    EXPECT_EQ(window.LoadFile(newer), 1);
    EXPECT_EQ(ui.Texts().front(), "Error: Incompatible version of trend data file encountered. Data loading aborted.");
    unchanged();

    // Cut short at every byte: refused before the question, nothing changes.
    for (size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const std::string cut = dir.File("cut" + std::to_string(length) + ".tre");
        WriteFile(cut, bytes.substr(0, length));
        ui.Clear();
        EXPECT_EQ(window.LoadFile(cut), 1);
        ASSERT_EQ(ui.Texts().size(), 2u);
        EXPECT_EQ(ui.Texts().back(), "Error: Unable to open and playback the saved trend data.");
        unchanged();
    }

    // A sample count far beyond the file is refused before anything is allocated.
    std::string huge = bytes;
    const size_t firstArray = 1 + 12 + 1 + 4 + 1 + source.StatusText().size() + 4 + 4;
    huge.replace(firstArray, 4, "\xFE\xFF\xFF\x7F");
    WriteFile(dir.File("huge.tre"), huge);
    ui.Clear();
    EXPECT_EQ(window.LoadFile(dir.File("huge.tre")), 1);
    unchanged();

    // Wrong extension and a missing file.
    ui.Clear();
    EXPECT_EQ(window.LoadFile(dir.File("good.txt")), 1);
    EXPECT_EQ(window.LoadFile(dir.File("missing.tre")), 1);
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{
                              "Error: Failed to open trend data file " + dir.File("good.txt") + " with wrong extention.",
                              "Error: Unable to open file " + dir.File("missing.tre") + "."}));
    unchanged();

    // The good file replaces the data only after the question; No keeps it.
    ui.Answer(IDNO, "Loading trend data file will delete all current trend data in the memory.");
    EXPECT_EQ(window.LoadFile(good), 2);
    unchanged();
    ui.Answer(IDYES, "Are you sure that you want to proceed ?");
    EXPECT_EQ(window.LoadFile(good), 0);
    EXPECT_EQ(window.Channel(kActualPosition).size(), 3u);
}

TEST_F(TrendFileTest, SavingChecksTheExtensionAndKeepsTheOldFileOnFailure) {
    TrendRecorder recorder({}, Profile());
    Record(recorder, 2);
    EXPECT_EQ(recorder.SaveFile(dir.File("run.dat"), "2.1"), 1);
    EXPECT_EQ(ui.Last().text, "Error: Failed to save trend data file " + dir.File("run.dat") + " with wrong extention.");
    const std::string blocked = dir.File("no-such-folder/run.TRE");
    EXPECT_EQ(recorder.SaveFile(blocked, "2.1"), 1);
    EXPECT_EQ(ui.Last().text, "Error: Unable to write file " + blocked + ".");

    // The save dialog's filter picks the version: the third is "0.9d".
    recorder.SetChooser([&](const config::FileDialogRequest& request) {
        EXPECT_EQ(request.title, "Save Trend Data File");
        EXPECT_EQ(request.defaultExtension, "tre");
        return config::FileDialogResult{true, dir.File("old.TRE"), 3};
    });
    ASSERT_EQ(recorder.SaveCommand(), 0);
    TrendFileContents contents;
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(dir.File("old.TRE"), bytes));
    ASSERT_EQ(ParseTrendFile(bytes, contents), TrendParseResult::Ok);
    EXPECT_EQ(contents.header.version, "0.9d");
}

}  // namespace
}  // namespace trend
