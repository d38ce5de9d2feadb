// Loading configuration files: round trips of every version, rejection of foreign, unknown
// and damaged files with the record left exactly as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ConfigTestSupport.h"
#include "config/ConfigFile.h"
#include "platform/testing/ScriptedUi.h"

using namespace configtest;
using config::CConfigData;
using platform::testing::ScriptedUi;

namespace {

std::string Store(CConfigData data, const char* version) {
    data.dataVersion = version;
    std::string bytes;
    EXPECT_EQ(config::StoreConfiguration(data, bytes), 0);
    return bytes;
}

// A record that differs from MakeFilledConfig in every member, to load files into.
CConfigData Target(int runMode) {
    CConfigData d(config::FamilyKPX110, runMode, "/tmp");
    d.general.pdTag = "TARGET";
    d.position.servoWarnHigh = 61.0f;
    d.position.controlDirectionText = "target";
    d.ao.ioOptions.bitValues = {9, 9};
    return d;
}

}  // namespace

TEST(ConfigLoad, EveryVersionRoundTripsItsItemsAndKeepsTheRest) {
    for (int runMode : {1, 3}) {
        for (uint32_t extended : {0u, 1u}) {
            for (int version = 0; version < 6; ++version) {
                if (runMode == 3 && version < 4) continue;  // the AMS setting reads 2.3 and 2.4 only
                ScriptedUi ui;
                const CConfigData saved = MakeFilledConfig(runMode, extended);
                const std::string bytes = Store(saved, VersionText(version));
                CConfigData loaded = Target(runMode);
                const CConfigData expected = ExpectedAfterLoad(loaded, saved, version, runMode);
                EXPECT_EQ(config::LoadConfiguration(loaded, bytes), 0);
                EXPECT_TRUE(loaded == expected)
                    << "version " << VersionText(version) << " run mode " << runMode << " extended " << extended;
                EXPECT_EQ(loaded.dataVersion, VersionText(version));
                EXPECT_TRUE(ui.Messages().empty());
            }
        }
    }
}

TEST(ConfigLoad, AFullVersion24FileRestoresEveryStoredMember) {
    CConfigData saved = MakeFilledConfig(1, 1);
    CConfigData loaded = Target(1);
    ASSERT_EQ(config::LoadConfiguration(loaded, Store(saved, "2.4")), 0);
    EXPECT_TRUE(loaded.general == saved.general);
    EXPECT_TRUE(loaded.position == saved.position);
    EXPECT_TRUE(loaded.actuator == saved.actuator);
    EXPECT_TRUE(loaded.ao == saved.ao);
    EXPECT_TRUE(loaded.pid == saved.pid);
    EXPECT_TRUE(loaded.option == saved.option);
}

TEST(ConfigLoad, ExtendedMembersUntouchedWhileTheFlagIsOff) {
    CConfigData saved = MakeFilledConfig(1, 0);
    CConfigData loaded = Target(1);
    ASSERT_EQ(config::LoadConfiguration(loaded, Store(saved, "2.4")), 0);
    EXPECT_EQ(loaded.general.extendedServoParameters, 0u);
    EXPECT_EQ(loaded.position.servoWarnHigh, 61.0f);
}

TEST(ConfigLoad, InfinitiesSurvive) {
    CConfigData saved(config::FamilyRPX110, 1, "/tmp");
    saved.pid.alarmHigh = std::nanf("");
    CConfigData loaded = Target(1);
    loaded.ao.spRateUp = 1.0f;
    loaded.pid.alarmLowLow = 1.0f;
    ASSERT_EQ(config::LoadConfiguration(loaded, Store(saved, "1.0")), 0);
    EXPECT_TRUE(std::isinf(loaded.ao.spRateUp) && loaded.ao.spRateUp > 0);
    EXPECT_TRUE(std::isinf(loaded.pid.alarmLowLow) && loaded.pid.alarmLowLow < 0);
    EXPECT_TRUE(std::isnan(loaded.pid.alarmHigh));
}

TEST(ConfigLoad, IdentificationLosesLeadingBlanks) {
    CConfigData saved = MakeFilledConfig(1);
    saved.general.deviceId = "  42524B0001J0000099";
    saved.general.manufacturerId = " 42524b";
    saved.general.deviceType = "\t7";
    saved.general.deviceRevision = "   4";
    saved.general.ddRevision = " 3 ";
    saved.general.pdTag = "  PV-101";
    CConfigData loaded = Target(1);
    ASSERT_EQ(config::LoadConfiguration(loaded, Store(saved, "2.4")), 0);
    EXPECT_EQ(loaded.general.deviceId, "42524B0001J0000099");
    EXPECT_EQ(loaded.general.manufacturerId, "42524b");
    EXPECT_EQ(loaded.general.deviceType, "7");
    EXPECT_EQ(loaded.general.deviceRevision, "4");
    EXPECT_EQ(loaded.general.ddRevision, "3 ");
    EXPECT_EQ(loaded.general.pdTag, "  PV-101");  // only the identification texts are trimmed
}

TEST(ConfigLoad, ForeignFirstItemIsRefusedWithTheRecordUnchanged) {
    for (const char* marker : {"Tessaro ", "tessaro", "Meridane", ""}) {
        ScriptedUi ui;
        CConfigData saved = MakeFilledConfig(1);
        saved.productMarker = marker;
        const std::string bytes = Store(saved, "2.4");
        CConfigData loaded = Target(1);
        const CConfigData before = loaded;
        EXPECT_EQ(config::LoadConfiguration(loaded, bytes), 1);
        EXPECT_TRUE(loaded == before);
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_EQ(ui.Last().text, "Error: Not a native Tessaro configuration file. Data loading aborted.");
    }
}

TEST(ConfigLoad, UnknownVersionIsRefusedWithTheRecordUnchanged) {
    for (const char* version : {"2.5", "3.0", "2.4 ", "", "1"}) {
        ScriptedUi ui;
        std::string bytes;
        PutText(bytes, "Tessaro");
        PutText(bytes, version);
        bytes += Store(MakeFilledConfig(1), "2.4").substr(12);
        CConfigData loaded = Target(1);
        const CConfigData before = loaded;
        EXPECT_EQ(config::LoadConfiguration(loaded, bytes), 1);
        EXPECT_TRUE(loaded == before) << version;
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_EQ(ui.Last().text, "Error: Incompatible data file encountered. Data loading aborted.");
    }
}

TEST(ConfigLoad, AmsSettingReadsOnly23And24) {
    for (const char* version : {"1.0", "2.0", "2.1", "2.2"}) {
        ScriptedUi ui;
        CConfigData loaded = Target(3);
        const CConfigData before = loaded;
        EXPECT_EQ(config::LoadConfiguration(loaded, Store(MakeFilledConfig(3), version)), 1) << version;
        EXPECT_TRUE(loaded == before);
        EXPECT_EQ(ui.Last().text, "Error: Incompatible data file encountered. Data loading aborted.");
    }
}

TEST(ConfigLoad, QuietLoadOnlyFlagsTheFailure) {
    ScriptedUi ui;
    CConfigData saved = MakeFilledConfig(1);
    saved.productMarker = "Other";
    CConfigData loaded = Target(1);
    loaded.quietLoad = 1;
    EXPECT_EQ(config::LoadConfiguration(loaded, Store(saved, "2.4")), 1);
    EXPECT_EQ(loaded.loadFailed, 1u);
    EXPECT_TRUE(ui.Messages().empty());
    loaded.loadFailed = 0;
    loaded.quietLoad = 0;
    EXPECT_TRUE(loaded == Target(1));
}

TEST(ConfigLoad, TruncationAnywhereLeavesTheRecordUnchanged) {
    for (int version = 0; version < 6; ++version) {
        const std::string bytes = Store(MakeFilledConfig(1, 1), VersionText(version));
        CConfigData loaded = Target(1);
        loaded.quietLoad = 1;
        const CConfigData before = loaded;
        for (size_t length = 0; length < bytes.size(); ++length) {
            ASSERT_EQ(config::LoadConfiguration(loaded, bytes.substr(0, length)), 1)
                << VersionText(version) << " cut at " << length;
            ASSERT_EQ(loaded.loadFailed, 1u);
            loaded.loadFailed = 0;
            ASSERT_TRUE(loaded == before) << VersionText(version) << " cut at " << length;
        }
        EXPECT_EQ(config::LoadConfiguration(loaded, bytes), 0);
    }
}

TEST(ConfigLoad, DamagedFileIsReportedWithItsName) {
    ScriptedUi ui;
    const std::string bytes = Store(MakeFilledConfig(1), "2.4");
    CConfigData loaded = Target(1);
    EXPECT_EQ(config::LoadConfiguration(loaded, bytes.substr(0, bytes.size() / 2), "/data/valve.dmp"), 1);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Last().text,
              "Error: The configuration file /data/valve.dmp is damaged or incomplete. Data loading aborted.");
}

TEST(ConfigLoad, RandomDamageNeverLeavesAHalfLoadedRecord) {
    const std::string good = Store(MakeFilledConfig(1, 1), "2.4");
    std::mt19937 random(20240607);
    CConfigData loaded = Target(1);
    loaded.quietLoad = 1;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        if (random() % 3 == 0) bytes.resize(random() % bytes.size());
        const CConfigData before = loaded;
        if (config::LoadConfiguration(loaded, bytes) != 0) {
            loaded.loadFailed = 0;
            ASSERT_TRUE(loaded == before) << "round " << round;
        }
        loaded = Target(1);
        loaded.quietLoad = 1;
    }
}

TEST(ConfigLoad, A23FileIsReadWithTheLayoutOfTheRunModeInForce) {
    // The same record saved as 2.3 by the two settings gives two different files; each
    // setting reads its own back unchanged.
    for (int runMode : {1, 3}) {
        CConfigData saved = MakeFilledConfig(runMode);
        CConfigData loaded = Target(runMode);
        ASSERT_EQ(config::LoadConfiguration(loaded, Store(saved, "2.3")), 0);
        EXPECT_TRUE(loaded == ExpectedAfterLoad(Target(runMode), saved, 4, runMode));
    }
    // A file saved as 2.3 in the AMS setting does not give the saved configuration when the
    // standalone setting reads it.
    ScriptedUi ui;
    CConfigData ams = MakeFilledConfig(3);
    const std::string bytes = Store(ams, "2.3");
    CConfigData loaded = Target(1);
    loaded.quietLoad = 1;
    const int result = config::LoadConfiguration(loaded, bytes);
    if (result == 0)
        EXPECT_FALSE(loaded.ao == ams.ao && loaded.pid == ams.pid && loaded.option == ams.option);
    else
        EXPECT_TRUE(loaded == [] {
            CConfigData t = Target(1);
            t.quietLoad = 1;
            t.loadFailed = 1;
            return t;
        }());
}
