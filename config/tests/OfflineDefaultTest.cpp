// The offline default files: the shipped copies, where they are looked for, and the notice
// shown when none can be loaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/CConfigData.h"
#include "config/ConfigFile.h"
#include "config/OfflineDefault.h"
#include "platform/AtomicFile.h"
#include "platform/testing/FakeClock.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"

using config::CConfigData;
using platform::testing::FakeClock;
using platform::testing::ScriptedUi;
using platform::testing::TempDir;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string DefaultWithTag(uint32_t family, const std::string& tag) {
    CConfigData d(family, RunMode, "/tmp");
    d.general.pdTag = tag;
    std::string bytes;
    EXPECT_EQ(config::StoreConfiguration(d, bytes), 0);
    return bytes;
}

}  // namespace

TEST(OfflineDefault, ShippedFilesMatchWhatTheWriterProducesNow) {
    const std::string seed = TESSARO_SEED_CONFIG_DIR;
    std::string rpx, kpx;
    ASSERT_TRUE(platform::ReadWholeFile(seed + "/RPXDEF.dmp", rpx))
        << "regenerate with the config_default_files target";
    ASSERT_TRUE(platform::ReadWholeFile(seed + "/KPXDEF.dmp", kpx));
    EXPECT_EQ(rpx, config::OfflineDefaultFileBytes(config::FamilyRPX110));
    EXPECT_EQ(kpx, config::OfflineDefaultFileBytes(config::FamilyKPX110));
}

TEST(OfflineDefault, LoadingADefaultFileGivesTheFamilyDefaults) {
    TempDir dir;
    ASSERT_EQ(config::WriteOfflineDefaultFiles(dir.File("Config Files")), 0);
    for (uint32_t family : {config::FamilyRPX110, config::FamilyKPX110}) {
        CConfigData data(family, RunMode, dir.Path());
        data.general.pdTag = "CHANGED";
        data.pid.alarmHigh = 5.0f;
        std::string text;
        EXPECT_EQ(config::LoadOfflineDefaultFile(data, text, ""), 0);
        CConfigData fresh(family, RunMode, dir.Path());
        // The unit lists come back in their ASCII form.
        fresh.pid.pvUnit.texts[2] = "degC";
        fresh.pid.pvUnit.texts[3] = "degF";
        EXPECT_TRUE(data == fresh);
    }
}

TEST(OfflineDefault, OwnFamilyFirstThenTheOtherThenTheProgramFolder) {
    TempDir dir;
    const std::string config = dir.File("prog/Config Files");
    const std::string exe = dir.File("bin");
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(exe);
    CConfigData data(config::FamilyKPX110, RunMode, dir.File("prog"));
    std::string text;

    WriteFile(exe + "/KPXDEF.dmp", DefaultWithTag(config::FamilyKPX110, "EXE-KPX"));
    ASSERT_EQ(config::LoadOfflineDefaultFile(data, text, exe), 0);
    EXPECT_EQ(data.general.pdTag, "EXE-KPX");

    WriteFile(config + "/RPXDEF.dmp", DefaultWithTag(config::FamilyRPX110, "CFG-RPX"));
    ASSERT_EQ(config::LoadOfflineDefaultFile(data, text, exe), 0);
    EXPECT_EQ(data.general.pdTag, "CFG-RPX");

    WriteFile(config + "/KPXDEF.dmp", DefaultWithTag(config::FamilyKPX110, "CFG-KPX"));
    ASSERT_EQ(config::LoadOfflineDefaultFile(data, text, exe), 0);
    EXPECT_EQ(data.general.pdTag, "CFG-KPX");
    EXPECT_EQ(data.quietLoad, 0u);
    EXPECT_EQ(data.loadFailed, 0u);
}

TEST(OfflineDefault, NoFileFound) {
    TempDir dir;
    ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, RunMode, dir.Path());
    const CConfigData before = data;
    std::string text;
    EXPECT_EQ(config::LoadOfflineDefaultFile(data, text, dir.File("bin")), 1);
    EXPECT_EQ(text, "No default offline configuration file found");
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(data == before);
}

TEST(OfflineDefault, WrongOrDamagedFileIsShownAndChangesNothing) {
    for (const std::string& bytes :
         {DefaultWithTag(config::FamilyRPX110, "X").substr(0, 40), std::string("\x07Tessaro\x03" "9.9", 12),
          std::string("\x05Other", 6)}) {
        TempDir dir;
        ScriptedUi ui;
        WriteFile(dir.File("Config Files/RPXDEF.dmp"), bytes);
        CConfigData data(config::FamilyRPX110, RunMode, dir.Path());
        const CConfigData before = data;
        std::string text;
        EXPECT_EQ(config::LoadOfflineDefaultFile(data, text, ""), 1);
        EXPECT_EQ(text, "Wrong version of default offline configuration file.");
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_EQ(ui.Last().text, "Wrong version of default offline configuration file.");
        EXPECT_TRUE(data == before);
    }
}

TEST(OfflineDefault, StartupNoticeShowsForOneAndAHalfSeconds) {
    TempDir dir;
    ScriptedUi ui;
    FakeClock clock;
    CConfigData data(config::FamilyRPX110, RunMode, dir.Path());
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(config::LoadOfflineDefaultAtStartup(data, ""), 1);
    ASSERT_EQ(ui.Progress().size(), 1u);
    const auto& notice = *ui.Progress()[0];
    EXPECT_EQ(notice.text, "No default offline configuration file found");
    EXPECT_FALSE(notice.buttonEnabled);
    EXPECT_TRUE(notice.closed);
    EXPECT_GE(clock.NowMs() - start, 1500u);
    EXPECT_LT(clock.NowMs() - start, 1600u);
    EXPECT_GT(ui.PumpCount(), 0);
}

TEST(OfflineDefault, NoNoticeWhenTheDefaultLoads) {
    TempDir dir;
    ScriptedUi ui;
    ASSERT_EQ(config::WriteOfflineDefaultFiles(dir.File("Config Files")), 0);
    CConfigData data(config::FamilyRPX110, RunMode, dir.Path());
    EXPECT_EQ(config::LoadOfflineDefaultAtStartup(data, ""), 0);
    EXPECT_TRUE(ui.Progress().empty());
}
