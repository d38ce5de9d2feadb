// The bytes the writer produces, compared with images built item by item from the file's
// item table, for every version, run mode and extended-servo setting.
#include <gtest/gtest.h>

#include <algorithm>

#include "ConfigTestSupport.h"
#include "config/ConfigFile.h"
#include "platform/testing/ScriptedUi.h"

using namespace configtest;
using config::CConfigData;

namespace {

std::string Store(CConfigData& data) {
    std::string bytes;
    EXPECT_EQ(config::StoreConfiguration(data, bytes), 0);
    return bytes;
}

std::vector<int> Ranges(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<int> numbers;
    for (auto [from, to] : ranges)
        for (int n = from; n <= to; ++n) numbers.push_back(n);
    return numbers;
}

}  // namespace

TEST(ConfigLayout, WriterMatchesItemTableForEveryVersionAndRunMode) {
    for (int runMode : {1, 2, 3}) {
        for (uint32_t extended : {0u, 1u}) {
            for (int version = 0; version < 6; ++version) {
                CConfigData data = MakeFilledConfig(runMode, extended);
                data.dataVersion = VersionText(version);
                EXPECT_EQ(Store(data), ExpectedImage(data, version, runMode))
                    << "version " << VersionText(version) << " run mode " << runMode << " extended " << extended;
            }
        }
    }
}

TEST(ConfigLayout, Version10HoldsExactlyTheItemsMarkedAll) {
    const std::vector<int> expected = Ranges({{1, 11}, {29, 34}, {40, 95}, {98, 99}, {102, 106}, {110, 111},
                                              {114, 115}, {118, 135}, {138, 148}, {151, 155}});
    for (int runMode : {1, 3}) EXPECT_EQ(PresentItems(0, runMode, true), expected);
}

TEST(ConfigLayout, TheTwo23LayoutsDifferByRunMode) {
    // AMS snap-on: the four bit-value lists and nothing after item 157.
    std::vector<int> ams = PresentItems(4, 3, true);
    EXPECT_NE(std::find(ams.begin(), ams.end(), 97), ams.end());
    EXPECT_NE(std::find(ams.begin(), ams.end(), 117), ams.end());
    EXPECT_EQ(ams.back(), 157);
    // Standalone: no bit-value lists but the tail up to 173.
    std::vector<int> standalone = PresentItems(4, 1, true);
    EXPECT_EQ(std::find(standalone.begin(), standalone.end(), 97), standalone.end());
    EXPECT_EQ(standalone.back(), 173);
    // 2.4 carries both.
    std::vector<int> v24 = PresentItems(5, 3, true);
    EXPECT_EQ(v24.size(), 173u);

    CConfigData amsData = MakeFilledConfig(3);
    CConfigData standaloneData = MakeFilledConfig(1);
    amsData.dataVersion = standaloneData.dataVersion = "2.3";
    EXPECT_NE(Store(amsData), Store(standaloneData));
}

TEST(ConfigLayout, HandBuiltDefaultFileInVersion10) {
    CConfigData data(config::FamilyRPX110, 1, "/tmp");
    data.dataVersion = "1.0";
    const std::string bytes = Store(data);

    // Items 1 to 11, then the six block tags and items 40 to 43, written out by hand.
    std::string head;
    head += B("\x07Tessaro");
    head += B("\x03" "1.0");
    head += B("\x06" "CV0000");
    head += "\xF7";
    head += B("\x12" "42524B0001J0000010");
    head += B("\x06" "42524B");
    head += B("\x04" "0001");
    head += B("\x01" "2");
    head += B("\x01" "1");
    head += B("\x0ERPX110 /LC /AP");
    head += B("\x13RPX OFFLINE DEFAULT");
    head += B("\x07RPX_RES\x06RPX_TB\x06RPX_AO\x07RPX_DI1\x07RPX_DI2\x07RPX_PID");
    head += B("\x01\x00\x00\x00");  // PID block activation 1
    head += B("\x01\x00\x00\x00");  // pressure sensor installed 1
    head += B("\x00\x7D\x00\x00");  // macro cycle 32000
    head += B("\x00\x00\xF0\x42");  // servo gain 120.0
    ASSERT_GE(bytes.size(), head.size());
    EXPECT_EQ(bytes.substr(0, head.size()), head);

    // AO rate limits at +infinity, then the I/O option names (count 10, "Invert" first).
    const std::string rates = B("\x00\x00\x80\x7F\x00\x00\x80\x7F\x0A\x00\x00\x00\x06Invert");
    EXPECT_NE(bytes.find(rates), std::string::npos);

    // PID group flag 1, then the PV unit list with the degree signs kept and the "2"s raised.
    std::string pvUnits = B("\x01\x00\x00\x00\x0C\x00\x00\x00");
    pvUnits += "\x01%\x01K\x02\xB0" "C\x02\xB0" "F\x03kPa\x03" "bar\x03psi";
    pvUnits += "\x05g/cm\xB2\x06kg/cm\xB2\x05gal/s\x03GPM\x05gal/h";
    pvUnits += "\x01%";
    EXPECT_NE(bytes.find(pvUnits), std::string::npos);

    // Items 151 to 155: pressure range 100 / 20, supply 140, empty temperature unit list and text.
    const std::string tail = B("\x00\x00\xC8\x42\x00\x00\xA0\x41\x00\x00\x0C\x43\x00\x00\x00\x00\x00");
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
}

TEST(ConfigLayout, UnknownDataVersionIsNotWritten) {
    platform::testing::ScriptedUi ui;
    CConfigData data(config::FamilyRPX110, 1, "/tmp");
    data.dataVersion = "3.0";
    std::string bytes;
    EXPECT_EQ(config::StoreConfiguration(data, bytes), 1);
    EXPECT_TRUE(bytes.empty());
    ASSERT_EQ(ui.Messages().size(), 1u);
}
