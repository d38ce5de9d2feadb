// Two configuration records compared field by field.
#include <gtest/gtest.h>

#include "cli/ConfigComparison.h"

namespace clitest {
namespace {

using cli::CompareConfigurations;
using cli::CompareScope;
using cli::FieldDifference;

std::vector<std::string> Named(const std::vector<FieldDifference>& differences) {
    std::vector<std::string> names;
    for (const FieldDifference& d : differences) names.push_back(d.group + ": " + d.field + ": " + d.first + " -> " + d.second);
    return names;
}

TEST(ConfigComparison, ScopesDecideWhichDifferencesCount) {
    config::CConfigData first;
    first.option.temperatureUnit.value = 1001;
    first.option.temperatureUnit.text = "\xB0" "C";  // as the device says it
    config::CConfigData second = first;
    second.option.temperatureUnit.text = "degC";  // as a configuration file gives it back
    second.general.pdTag = "FV-109";
    second.general.model = "RPX110 /HC";
    second.position.servoGain = 130.0f;
    second.actuator.totalTravel = 4711;  // the valve's own count
    second.ao.ioOptions.value = 0x0001;
    second.ao.ioOptions.setNames = {"Invert"};

    EXPECT_EQ((std::vector<std::string>{"General: PD tag: CV0000 -> FV-109",
                                        "General: TB.MODEL: RPX110 /LC /AP -> RPX110 /HC",
                                        "Position: TB.SERVO_GAIN: 120 -> 130",
                                        "AO Block: AO.IO_OPTS: 0x0000 (none) -> 0x0001 (Invert)"}),
              Named(CompareConfigurations(first, second, CompareScope::Configuration)));
    EXPECT_EQ(5u, CompareConfigurations(first, second, CompareScope::All).size());
    // A download writes the tag, the gain and the options, never the model.
    EXPECT_EQ(3u, CompareConfigurations(first, second, CompareScope::Downloaded).size());
    EXPECT_TRUE(CompareConfigurations(first, first, CompareScope::All).empty());
}

TEST(ConfigComparison, FieldsOnlyOneRecordHasAreListedAgainstNothing) {
    config::CConfigData first;
    config::CConfigData second = first;
    second.general.extendedServoParameters = 1;
    const std::vector<FieldDifference> differences =
        CompareConfigurations(first, second, CompareScope::Configuration);
    ASSERT_EQ(1u + 3u + 1u + 6u, differences.size());
    EXPECT_EQ("Extended servo parameters", differences[0].field);
    EXPECT_EQ("TB.SERVO_WARN_HI_LIM", differences[1].field);
    EXPECT_EQ("", differences[1].first);
    EXPECT_EQ("80", differences[1].second);

    // Values that look alike still show how they differ.
    second = first;
    second.position.servoRate = first.position.servoRate + 1e-7f;
    const std::vector<FieldDifference> close = CompareConfigurations(first, second, CompareScope::Configuration);
    ASSERT_EQ(1u, close.size());
    EXPECT_NE(close[0].first, close[0].second);
}

}  // namespace
}  // namespace clitest
