// Family and run-mode defaults of the configuration record and its small conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "config/CConfigData.h"

using config::CConfigData;

TEST(ConfigData, NewRecordHoldsTheMakerFamilyDefaults) {
    CConfigData d(config::FamilyRPX110, 1, "/opt/tessaro");
    EXPECT_EQ(d.dataVersion, "2.4");
    EXPECT_EQ(d.dataState, config::StateDefaults);
    EXPECT_EQ(d.general.pdTag, "CV0000");
    EXPECT_EQ(d.general.nodeAddress, 247);
    EXPECT_EQ(d.general.deviceId, "42524B0001J0000010");
    EXPECT_EQ(d.general.resourceDescription, "RPX OFFLINE DEFAULT");
    EXPECT_EQ(d.general.blockTags[config::TagRB], "RPX_RES");
    EXPECT_EQ(d.position.servoGain, 120.0f);
}

TEST(ConfigData, PartnerFamilyDefaults) {
    CConfigData d(config::FamilyKPX110, 1, "/opt/tessaro");
    EXPECT_EQ(d.deviceFamily, config::FamilyKPX110);
    EXPECT_EQ(d.general.deviceId, "4B54450001J0000006");
    EXPECT_EQ(d.general.manufacturerId, "4B5445");
    EXPECT_EQ(d.general.model, "KPX110 /LC /AP");
    EXPECT_EQ(d.general.resourceDescription, "KPX OFFLINE DEFAULT");
    EXPECT_EQ(d.general.blockTags[config::TagPID], "KPX_PID");
    EXPECT_EQ(d.general.blockTags[config::TagSPLT], "KPX_SPLT");
}

TEST(ConfigData, LimitsDefaultToInfinity) {
    CConfigData d;
    EXPECT_TRUE(std::isinf(d.ao.spRateUp) && d.ao.spRateUp > 0);
    EXPECT_TRUE(std::isinf(d.ao.spRateDown) && d.ao.spRateDown > 0);
    for (float v : {d.pid.devAlarmHigh, d.pid.alarmHigh, d.pid.alarmHighHigh}) EXPECT_TRUE(std::isinf(v) && v > 0);
    for (float v : {d.pid.devAlarmLow, d.pid.alarmLow, d.pid.alarmLowLow}) EXPECT_TRUE(std::isinf(v) && v < 0);
}

TEST(ConfigData, ChoiceListsDependOnRunMode) {
    CConfigData standalone(config::FamilyRPX110, 1, "/x");
    EXPECT_EQ(standalone.option.charType.text, "Linear");
    EXPECT_EQ(standalone.option.charType.texts.size(), 5u);
    EXPECT_EQ(standalone.option.charType.texts[4], "Define");
    EXPECT_TRUE(standalone.option.charType.values.empty());
    EXPECT_EQ(standalone.option.charType.value, 1);
    EXPECT_EQ(standalone.pid.pvUnit.text, "%");
    ASSERT_EQ(standalone.pid.pvUnit.texts.size(), 12u);
    EXPECT_EQ(standalone.pid.pvUnit.texts[2], "\xB0" "C");
    EXPECT_TRUE(standalone.pid.pvUnit.values.empty());

    CConfigData ams(config::FamilyRPX110, 3, "/x");
    EXPECT_EQ(ams.option.charType.values, (std::vector<uint32_t>{1, 2, 3, 4, 255}));
    EXPECT_EQ(ams.option.charType.value, 0);
    EXPECT_EQ(ams.pid.pvUnit.values.size(), 12u);
    EXPECT_EQ(ams.pid.pvUnit.values[0], 1342u);  // "%"
    EXPECT_EQ(ams.identity.hostTitle, "Tessaro AMS SNAP-ON");

    CConfigData qam(config::FamilyRPX110, 2, "/x");
    EXPECT_EQ(qam.option.charType.value, 0);
    EXPECT_TRUE(qam.option.charType.values.empty());
}

TEST(ConfigData, OptionNameListsAndEmptySetLists) {
    CConfigData d;
    EXPECT_EQ(d.ao.ioOptions.names.size(), 10u);
    EXPECT_EQ(d.ao.ioOptions.names.back(), "Low Cutoff");
    EXPECT_EQ(d.ao.statusOptions.names.size(), 11u);
    EXPECT_EQ(d.pid.statusOptions.names, d.ao.statusOptions.names);
    EXPECT_EQ(d.pid.controlOptions.names.size(), 14u);
    EXPECT_EQ(d.pid.controlOptions.names.back(), "No output limits in Man.");
    for (const auto* field : {&d.ao.ioOptions, &d.ao.statusOptions, &d.pid.controlOptions, &d.pid.statusOptions}) {
        EXPECT_TRUE(field->setNames.empty());
        EXPECT_EQ(field->value, 0);
    }
}

TEST(ConfigData, FileLocations) {
    CConfigData d(config::FamilyRPX110, 1, "/opt/tessaro");
    EXPECT_EQ(d.programFolder, "/opt/tessaro");
    EXPECT_EQ(d.configFolder, "/opt/tessaro/Config Files");
    EXPECT_EQ(d.signatureFolder, "/opt/tessaro/Signature Data/");
    EXPECT_EQ(d.lastFileFolder, d.configFolder);
    EXPECT_TRUE(d.lastFilePath.empty());

    CConfigData here(config::FamilyRPX110, 1, "");
    EXPECT_FALSE(here.programFolder.empty());
}

TEST(ConfigData, ActuatorCodeConversions) {
    using config::ActuatorGroup;
    EXPECT_EQ(ActuatorGroup::FlagFromDeviceCode(1), 0u);
    EXPECT_EQ(ActuatorGroup::FlagFromDeviceCode(2), 1u);
    EXPECT_EQ(ActuatorGroup::FlagFromDeviceCode(0), 0u);
    EXPECT_EQ(ActuatorGroup::FlagFromDeviceCode(3), 0u);
    EXPECT_EQ(ActuatorGroup::DeviceCodeFromFlag(0), 1);
    EXPECT_EQ(ActuatorGroup::DeviceCodeFromFlag(1), 2);
    EXPECT_EQ(ActuatorGroup::DeviceCodeFromFlag(5), 1);
}

TEST(ConfigData, CapabilitiesFromTypeAndRevision) {
    using config::GeneralGroup;
    EXPECT_EQ(GeneralGroup::SplitterFromTypeAndRevision(7, 0), 1u);
    EXPECT_EQ(GeneralGroup::SplitterFromTypeAndRevision(1, 2), 0u);
    EXPECT_EQ(GeneralGroup::SplitterFromTypeAndRevision(1, 3), 1u);
    EXPECT_EQ(GeneralGroup::SplitterFromTypeAndRevision(2, 9), 0u);
    EXPECT_EQ(GeneralGroup::ExtendedServoFromTypeAndRevision(7, 1), 0u);
    EXPECT_EQ(GeneralGroup::ExtendedServoFromTypeAndRevision(7, 2), 1u);
    EXPECT_EQ(GeneralGroup::ExtendedServoFromTypeAndRevision(1, 3), 0u);
    EXPECT_EQ(GeneralGroup::ExtendedServoFromTypeAndRevision(1, 4), 1u);
}
