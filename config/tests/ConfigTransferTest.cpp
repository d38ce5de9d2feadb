// Reading and downloading whole configurations on the in-process segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "TransferTestBed.h"
#include "config/ConfigFile.h"
#include "config/ConfigGroupTransfer.h"
#include "config/ConfigNameTables.h"
#include "config/DeviceDiagnosticsSource.h"
#include "fieldbus/ParameterStream.h"
#include "fieldbus/TypedValues.h"

using config::CConfigData;
using fieldbus::BlockKind;

namespace configtest {
namespace {

class ConfigTransferTest : public TransferTestBed {
protected:
    // Values that differ from the defaults and that every positioner accepts.
    void SeedDistinctConfiguration(const std::string& tag) {
        using simulator::Block;
        WithSimBlock(tag, "RB", [](Block& b) { b.Obj("TAG_DESC")->value = simulator::PaddedText("Boiler feed", 32); });
        WithSimBlock(tag, "TB", [](Block& b) {
            const std::pair<const char*, float> floats[] = {
                {"SERVO_GAIN", 150},         {"SERVO_RESET", 12},        {"SERVO_RATE", 0.3f},
                {"SERVO_RATE_GAIN", 6},      {"SERVO_DEADBAND", 0.5f},   {"FINAL_VALUE_CUTTOFF_LO", 1},
                {"FINAL_VALUE_CUTTOFF_HI", 99}, {"NEAR_CLOSE_THRESHOLD", 4}, {"LIMSW_LO_LIM", -5},
                {"LIMSW_HI_LIM", 105},       {"DEVIATION_LIM", 50},      {"SERVO_I_SLEEP_LMT", 1},
                {"SERVO_P_ALPHA", 2},        {"INTERNAL_GAIN", 6},       {"SERVO_OFFSET", 50},
                {"OPEN_STOP_ADJ", 95},       {"SUPPLY_PRESSURE", 6},     {"MEAS_GAIN", 1.5f},
                {"VALVE_TC", 0.7f},          {"THETA_HI", 31}};
            for (const auto& [name, value] : floats) b.SetFloat(name, value);
            b.SetFloat("FINAL_VALUE_RANGE", 105, 0);
            b.SetFloat("FINAL_VALUE_RANGE", -5, 4);
            for (const char* name : {"DEVIATION_TIME_TH", "BOOST_ON_THRESHOLD", "BOOST_VALUE", "MEAS_SPRING_RANGE"}) {
                b.SetFloat(name, 2.5f, 0);
                b.SetFloat(name, 3.5f, 4);
            }
            for (int i = 0; i < 9; ++i) b.SetFloat("POSITION_CHAR", 5.0f + 10.0f * static_cast<float>(i), 4 * static_cast<size_t>(i));
            b.SetFloat("SPRING_RANGE", 2.4f, 0);
            b.SetFloat("SPRING_RANGE", 0.4f, 4);
            simulator::PutU16BE(b.Obj("SPRING_RANGE")->value, 8, 1137);
            simulator::PutU16BE(b.Obj("TEMPERATURE_UNIT")->value, 0, 1002);
            uint32_t n = 1000;
            for (const char* name : {"TRAVEL_LIM", "CYCLE_COUNT_LIM", "OPEN_TIME_LIM", "CLOSE_TIME_LIM",
                                     "NEAR_CLOSE_TIME_LIM", "TOTAL_TRAVEL", "TOTAL_CYCLE_COUNT"})
                simulator::PutU32BE(b.Obj(name)->value, 0, n++);
            simulator::PutU32BE(b.Obj("ACT_MAN_ID")->value, 0, 0x42524B);
            b.SetByte("ACT_FAIL_ACTION", 2);
            b.SetByte("VALVE_TYPE", 2);
            b.SetByte("POSITION_CHAR_TYPE", 2);
            b.Obj("TAG_DESC")->value = simulator::PaddedText("tuned 2024", 32);
            b.Obj("VALVE_SN")->value = simulator::PaddedText("SN-77", 32);
            b.Obj("XD_CAL_WHO")->value = simulator::PaddedText("Ann", 32);
            b.Obj("XD_CAL_DATE")->value = {0x75, 0x30, 15, 9, 3 | (2 << 5), 4, 24};
        });
        WithSimBlock(tag, "AO", [](Block& b) {
            b.SetFloat("SP_HI_LIM", 90);
            b.SetFloat("SP_RATE_UP", 10);
            simulator::BitsToWire(b.Obj("STATUS_OPTS")->value, 0, 2, 0x5);
        });
        WithSimBlock(tag, "PID", [](Block& b) {
            for (const auto& [name, value] : std::initializer_list<std::pair<const char*, float>>{
                     {"GAIN", 2}, {"RESET", 5}, {"RATE", 0.5f}, {"HI_LIM", 95}, {"LO_LO_LIM", -3}, {"OUT_LO_LIM", 5}})
                b.SetFloat(name, value);
            b.SetFloat("PV_SCALE", 250, 0);
            simulator::PutU16BE(b.Obj("PV_SCALE")->value, 8, 1001);
            b.Obj("PV_SCALE")->value[10] = 1;
            simulator::BitsToWire(b.Obj("CONTROL_OPTS")->value, 0, 2, 0x21);
            b.SetFloat("FF_VAL", 7.5f, 1);
        });
    }

    // A float as the device holds it: the whole object read with the generic access, the
    // float taken at its byte offset.
    float Independent(fieldbus::DeviceAccess& device, BlockKind kind, const std::string& name, size_t offset = 0) {
        uint8_t bytes[64] = {};
        uint16_t size = 0;
        EXPECT_EQ(0, device.ReadParameter(device.BlockOf(kind), name, bytes, size)) << name;
        uint8_t wire[4];
        std::memcpy(wire, bytes + offset, 4);
        return values::ValueCodec::Instance().ReadFloat(wire);
    }
};

TEST_F(ConfigTransferTest, EveryNameOfTheTablesExistsOnAPositionerWithAllOptions) {
    fieldbus::FieldbusDevice& device = Device("FV-102");
    for (const auto& [kind, table] : config::names::AllTables()) {
        for (const std::string& path : *table) {
            const std::string name = fieldbus::ToDottedName(path);
            uint8_t bytes[255];
            uint16_t size = 0;
            EXPECT_EQ(0, device.ReadParameter(device.BlockOf(kind), name, bytes, size))
                << fieldbus::BlockKindName(kind) << " " << name;
        }
    }
}

TEST_F(ConfigTransferTest, AReadFillsEveryGroupAsReadingEachParameterDoes) {
    SeedDistinctConfiguration("FV-102");
    CConfigData data;
    ASSERT_EQ(0, Read(data, "FV-102"));
    EXPECT_EQ(lastProgress,
              "Reading General Data ...\r\nReading General Data successful.\r\n"
              "Reading Position Data ...\r\nReading Position Data successful.\r\n"
              "Reading Actuator Data ...\r\nReading Actuator Data successful.\r\n"
              "Reading AO Block Data ...\r\nReading AO Block Data successful.\r\n"
              "Reading PID Block Data ...\r\nReading PID Block Data successful.\r\n"
              "Reading Option Data ...\r\nReading Option Data successful.\r\n"
              "\r\nReading device configuration data successful.\r\n");
    fieldbus::FieldbusDevice& d = Device("FV-102");
    using K = BlockKind;
    const struct {
        K kind;
        const char* name;
        size_t offset;
        float member;
    } floats[] = {
        {K::TB, "SERVO_GAIN", 0, data.position.servoGain},
        {K::TB, "SERVO_RESET", 0, data.position.servoReset},
        {K::TB, "SERVO_RATE", 0, data.position.servoRate},
        {K::TB, "SERVO_RATE_GAIN", 0, data.position.servoRateGain},
        {K::TB, "SERVO_DEADBAND", 0, data.position.servoDeadband},
        {K::TB, "FINAL_VALUE_CUTTOFF_LO", 0, data.position.tightShutoff},
        {K::TB, "FINAL_VALUE_CUTTOFF_HI", 0, data.position.fullOpen},
        {K::TB, "FINAL_VALUE_RANGE", 4, data.position.positionLowerLimit},
        {K::TB, "FINAL_VALUE_RANGE", 0, data.position.positionUpperLimit},
        {K::TB, "NEAR_CLOSE_THRESHOLD", 0, data.position.nearCloseValue},
        {K::TB, "LIMSW_LO_LIM", 0, data.position.limitSwitchLow},
        {K::TB, "LIMSW_HI_LIM", 0, data.position.limitSwitchHigh},
        {K::TB, "DEVIATION_LIM", 0, data.position.deviationLimit},
        {K::TB, "DEVIATION_TIME_TH", 4, data.position.deviationTimeThreshold[1]},
        {K::TB, "BOOST_ON_THRESHOLD", 0, data.position.boostOnThreshold[0]},
        {K::TB, "BOOST_OFF_THRESHOLD", 4, data.position.boostOffThreshold[1]},
        {K::TB, "BOOST_VALUE", 4, data.position.boostValue[1]},
        {K::TB, "SERVO_I_SLEEP_LMT", 0, data.position.servoISleepLimit},
        {K::TB, "SERVO_P_ALPHA", 0, data.position.servoPAlpha},
        {K::TB, "SERVO_OFFSET", 0, data.position.servoOffset},
        {K::TB, "OPEN_STOP_ADJ", 0, data.position.openStopAdjustment},
        {K::TB, "THETA_HI", 0, data.position.thetaHi},
        {K::TB, "SERVO_WARN_LO_LIM", 0, data.position.servoWarnLow},
        {K::TB, "X_BOOST_VALUE", 4, data.position.xBoostValue[1]},
        {K::TB, "INTERNAL_GAIN", 0, data.actuator.internalGain},
        {K::TB, "MEAS_GAIN", 0, data.actuator.measuredGain},
        {K::TB, "VALVE_TC", 0, data.actuator.valveTimeConstant},
        {K::TB, "MEAS_SPRING_RANGE", 4, data.actuator.measuredSpringRange[1]},
        {K::AO, "SP_HI_LIM", 0, data.ao.spHighLimit},
        {K::AO, "SP_LO_LIM", 0, data.ao.spLowLimit},
        {K::AO, "SP_RATE_UP", 0, data.ao.spRateUp},
        {K::AO, "SP_RATE_DN", 0, data.ao.spRateDown},
        {K::PID, "PV_SCALE", 0, data.pid.pvRangeHigh},
        {K::PID, "GAIN", 0, data.pid.gain},
        {K::PID, "RESET", 0, data.pid.reset},
        {K::PID, "RATE", 0, data.pid.rate},
        {K::PID, "FF_VAL", 1, data.pid.ffValue},
        {K::PID, "OUT_LO_LIM", 0, data.pid.outLowLimit},
        {K::PID, "HI_LIM", 0, data.pid.alarmHigh},
        {K::PID, "LO_LO_LIM", 0, data.pid.alarmLowLow},
        {K::TB, "POSITION_CHAR", 32, data.option.charPoints[8]},
        {K::TB, "SPRING_RANGE", 4, data.option.pressureRangeLow},
        {K::TB, "SUPPLY_PRESSURE", 0, data.option.supplyPressure},
    };
    for (const auto& f : floats) EXPECT_EQ(Independent(d, f.kind, f.name, f.offset), f.member) << f.name;

    // Integers, enumerations, bit strings and texts.
    uint32_t u32 = 0;
    fieldbus::ReadTypedValue(d, d.BlockOf(K::TB), "NEAR_CLOSE_TIME_LIM", u32, fieldbus::Wire::U32);
    EXPECT_EQ(u32, data.actuator.nearCloseTimeLimit);
    fieldbus::ReadTypedValue(d, d.BlockOf(K::TB), "TOTAL_CYCLE_COUNT", u32, fieldbus::Wire::U32);
    EXPECT_EQ(u32, data.actuator.totalCycleCount);
    EXPECT_EQ(1u, data.actuator.valveAction);
    EXPECT_EQ(1u, data.actuator.valveType);
    EXPECT_EQ(0u, data.actuator.actuatorType);
    EXPECT_EQ("Boiler feed", data.general.resourceDescription);
    EXPECT_EQ("tuned 2024", data.general.servoTuningInfo);
    EXPECT_EQ("SN-77", data.general.valveSerialNumber);
    EXPECT_EQ("Ann", data.general.calibrationPerson);
    EXPECT_EQ(0x42524Bu, data.general.actuatorManufacturer.value);
    EXPECT_EQ("BRK Controls", data.general.actuatorManufacturer.text);
    EXPECT_EQ(4, data.general.calibrationDate.month);
    EXPECT_EQ(3, data.general.calibrationDate.dayOfMonth);
    EXPECT_EQ(1u, data.general.signatureActivation);
    EXPECT_EQ(1u, data.general.pidBlockActivation);
    EXPECT_EQ(1u, data.general.pressureSensorInstalled);
    EXPECT_EQ(0x5, data.ao.statusOptions.value);
    EXPECT_EQ((std::vector<std::string>{"IFS if Bad IN", "Uncertain as Good"}), data.ao.statusOptions.setNames);
    EXPECT_EQ(0x21, data.pid.controlOptions.value);
    EXPECT_EQ(1001, data.pid.pvUnit.value);
    EXPECT_EQ(1, data.pid.pvDecimalPlaces);
    EXPECT_EQ(2, data.option.charType.value);
    EXPECT_EQ("Equal percent(50:1)", data.option.charType.text);
    EXPECT_EQ("bar", data.option.pressureUnit.text);
    EXPECT_EQ(1002u, data.option.temperatureUnit.value);
    EXPECT_EQ("Direct", data.position.controlDirectionText);
    // Identification from the link and the device object.
    EXPECT_EQ("FV-102", data.general.pdTag);
    EXPECT_EQ(22, data.general.nodeAddress);
    EXPECT_EQ("42524b", data.general.manufacturerId);
    EXPECT_EQ("0007", data.general.deviceType);
    EXPECT_EQ(1u, data.general.extendedServoParameters);
    EXPECT_EQ(1u, data.general.splitterPresent);
    EXPECT_EQ("FV102_SPLT", data.general.blockTags[config::TagSPLT]);
    EXPECT_EQ("FV102_AO", data.general.blockTags[config::TagAO]);
    EXPECT_TRUE(ui.Messages().empty());
}

// Read, save, open, download to a second positioner, read it back: every group comes back
// as it was read, but for what a download does not write.
TEST_F(ConfigTransferTest, ASavedConfigurationDownloadedToASecondDeviceReadsBackEqual) {
    SeedDistinctConfiguration("FV-101");
    CConfigData first;
    ASSERT_EQ(0, Read(first, "FV-101"));
    ASSERT_EQ(0, config::WriteConfigurationFile(first, dir.File("fv101.dmp")));
    CConfigData loaded;
    ASSERT_EQ(0, config::ReadConfigurationFile(loaded, dir.File("fv101.dmp")));

    ASSERT_EQ(0, Download(loaded, "FV-103"));
    EXPECT_NE(std::string::npos, lastProgress.find("Writing General Data successful.\r\n\r\nDownloading device "
                                                   "configuration data successful.\r\n"));
    CConfigData readBack;
    ASSERT_EQ(0, Read(readBack, "FV-103"));

    CConfigData expected = first;
    CopyNotDownloaded(readBack, expected);
    EXPECT_TRUE(expected.general == readBack.general);
    EXPECT_TRUE(expected.position == readBack.position);
    EXPECT_TRUE(expected.actuator == readBack.actuator);
    EXPECT_TRUE(expected.ao == readBack.ao);
    EXPECT_TRUE(expected.pid == readBack.pid);
    EXPECT_TRUE(expected.option == readBack.option);
    // The unit lists came back through the file in their ASCII form and still compare equal.
    EXPECT_EQ("degF", loaded.option.temperatureUnit.texts[1]);
    EXPECT_EQ("\xB0" "F", readBack.option.temperatureUnit.texts[1]);
    EXPECT_TRUE(loaded.option == readBack.option);
    EXPECT_TRUE(ui.Messages().empty());
}

// Bus transactions the segment charged while `work` ran (the live poll is stopped meanwhile).
uint64_t TransactionsOf(simulator::SegmentBackend& backend, const std::function<void()>& work) {
    auto count = [&] {
        std::string answer;
        EXPECT_EQ(E_OK, backend.GetSegment().Control(std::string(R"({"command":"status"})"), answer));
        const size_t at = answer.find("\"modelledTransactions\":");
        return at == std::string::npos ? uint64_t{0} : std::stoull(answer.substr(at + 23));
    };
    const uint64_t before = count();
    work();
    return count() - before;
}

TEST_F(ConfigTransferTest, ARecordIsReadAndWrittenWholeAndInternalGainOnceSoTheTransferMakesTheFewestCalls) {
    SeedDistinctConfiguration("FV-101");
    fieldbus::FieldbusDevice& device = Device("FV-101");
    const config::LinkIdentity identity = Identity("FV-101");
    link.StopLivePoll();
    Control(R"({"command":"latency","on":true})");
    config::TransferOptions options;
    options.waitForClose = false;

    CConfigData data;
    const uint64_t reads = TransactionsOf(*backend, [&] {
        EXPECT_EQ(0, config::ConfigTransfer(data, &device, identity, options).ReadConfiguration());
    });
    // Every member of PV_SCALE, SPRING_RANGE and FINAL_VALUE_RANGE the record holds came from
    // one read each, INTERNAL_GAIN from the servo values alone.
    EXPECT_EQ(100u, reads);  // 107 when read member by member
    EXPECT_EQ(SimFloat("FV-101", "PID", "PV_SCALE"), data.pid.pvRangeHigh);
    EXPECT_EQ(SimFloat("FV-101", "TB", "INTERNAL_GAIN"), data.actuator.internalGain);

    // A download of other PV_SCALE members writes the record once and the block holds them all.
    data.pid.pvRangeHigh = 250;
    data.pid.pvRangeLow = -50;
    data.pid.pvDecimalPlaces = 3;
    ASSERT_EQ(0, config::PrepareDeviceForDownload(device));
    const uint64_t writes = TransactionsOf(*backend, [&] {
        EXPECT_EQ(0, config::ConfigTransfer(data, &device, identity, options).DownloadConfiguration());
    });
    // PV_SCALE in one write instead of four (81 before).
    EXPECT_EQ(78u, writes);
    CConfigData readBack;
    ASSERT_EQ(0, config::ConfigTransfer(readBack, &device, identity, options).ReadConfiguration());
    EXPECT_EQ(250.0f, readBack.pid.pvRangeHigh);
    EXPECT_EQ(-50.0f, readBack.pid.pvRangeLow);
    EXPECT_EQ(3, readBack.pid.pvDecimalPlaces);
    EXPECT_TRUE(data.pid.pvUnit == readBack.pid.pvUnit);
    EXPECT_TRUE(data.option == readBack.option);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ConfigTransferTest, OpeningTakesTheBlockTagsFromTheBlockListWithoutReadingThemAgain) {
    link.StopLivePoll();
    Control(R"({"command":"latency","on":true})");
    int slot = -1;
    for (int item = 1; item < link.DisplayItemCount(); ++item)
        if (link.GetTag(link.ItemDevIndexMap(item)) == "FV-102") slot = link.ItemDevIndexMap(item);
    ASSERT_GT(slot, 0);
    fieldbus::FieldbusDevice& device = link.Device(slot);
    ASSERT_EQ(0, link.OpenDevice(slot));
    const std::vector<fieldbus::BlockRecord> listed = device.GetBlockRecords();
    ASSERT_GE(listed.size(), 6u);
    // Opening the open device again asks the bus nothing.
    EXPECT_EQ(0u, TransactionsOf(*backend, [&] { EXPECT_EQ(0, link.OpenDevice(slot)); }));
    // The tags the block list gave are the tags the blocks hold.
    ASSERT_EQ(0, device.ReadBackBlockTags());
    for (size_t b = 0; b < listed.size(); ++b) {
        EXPECT_FALSE(listed[b].tag.empty()) << b;
        EXPECT_EQ(device.GetBlockTag(static_cast<int>(b)), listed[b].tag) << b;
    }
}

TEST_F(ConfigTransferTest, CancelDuringAGroupKeepsTheGroupsReadBeforeAndLeavesTheOthersAsTheyWere) {
    SeedDistinctConfiguration("FV-101");
    CConfigData data;
    data.position.servoGain = 1.0f;  // anything the read would change
    const CConfigData before = data;
    Open("FV-101");
    // Pressed while the Actuator group is read (its start line is the fourth append).
    ui.PressProgressButtonAfter(4);
    EXPECT_EQ(1, Read(data, "FV-101"));
    EXPECT_EQ("Boiler feed", data.general.resourceDescription);
    EXPECT_EQ(150.0f, data.position.servoGain);
    EXPECT_EQ(6.0f, data.actuator.internalGain);  // read with the Position group
    config::ActuatorGroup actuator = before.actuator;
    actuator.internalGain = 6.0f;
    EXPECT_TRUE(data.actuator == actuator);
    EXPECT_TRUE(data.ao == before.ao);
    EXPECT_TRUE(data.pid == before.pid);
    EXPECT_TRUE(data.option == before.option);
    EXPECT_NE(std::string::npos,
              lastProgress.find("Reading Actuator Data ...\r\n\r\nReading device configuration data cancelled.\r\n"));
}

TEST_F(ConfigTransferTest, ADeviceGoingSilentDuringADownloadFailsAtItsGroupWithoutSuccess) {
    CConfigData data;
    ASSERT_EQ(0, Read(data, "FV-101"));
    config::TransferOptions options;
    int pieces = 0;
    // The device stops answering when the AO block's writes begin (the fourth piece of bus
    // work: Position takes two, Actuator one).
    options.runBus = [&](const config::BusWork& work) {
        if (++pieces == 4) Control(R"({"command":"silence","device":"FV-101","afterMs":0,"forMs":600000})");
        return work();
    };
    EXPECT_EQ(1, Download(data, "FV-101", options));
    const std::string tail =
        "Writing AO Block Data ...\r\n\r\nDownloading device configuration failed.\r\n\r\n"
        "Written: Position Data, Actuator Data.\r\n"
        "Not written: AO Block Data, PID Block Data, Option Data, General Data (AO Block Data failed and may be partly "
        "written).\r\n"
        "The device now holds a mix of the new and its former configuration; its blocks are out of service.\r\n";
    ASSERT_GE(lastProgress.size(), tail.size());
    EXPECT_EQ(tail, lastProgress.substr(lastProgress.size() - tail.size()));
    EXPECT_EQ(std::string::npos, lastProgress.find("configuration data successful"));
    for (const std::string& text : ui.Texts()) EXPECT_EQ(std::string::npos, text.find("successful")) << text;
}

TEST_F(ConfigTransferTest, ANearCloseValueOutsideThePositionRangeIsSkippedWithOneMessage) {
    CConfigData data;
    ASSERT_EQ(0, Read(data, "FV-101"));
    data.position.nearCloseValue = 115.0f;  // the device would take it, the position range not
    data.position.servoGain = 99.0f;
    data.pid.gain = 3.0f;
    ASSERT_EQ(0, Download(data, "FV-101"));
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("The value (115.00) of NEAR_CLOSE_THRESHOLD is invalid!\r\n\r\nThe value is beyond the range of "
              "FINAL_VALUE_RANGE (-10.00, 110.00)\r\n\r\nApplication will ignore it.\r\n",
              ui.Messages()[0].text);
    EXPECT_EQ(3.0f, SimFloat("FV-101", "TB", "NEAR_CLOSE_THRESHOLD"));
    EXPECT_EQ(99.0f, SimFloat("FV-101", "TB", "SERVO_GAIN"));
    EXPECT_EQ(3.0f, SimFloat("FV-101", "PID", "GAIN"));
}

TEST_F(ConfigTransferTest, AnUnsupportedIoOptionIsRemovedOnReadAndAPositionerWithoutPidIsReadAndWritten) {
    const std::string warning =
        "Warning: Some invalid settings for AO IO Opts in the device encountered, \nThe settings will be removed.";
    // In service the AO block refuses the write: the record holds the corrected value, the
    // device keeps its bit until the next download.
    CConfigData data;
    ASSERT_EQ(0, Read(data, "KV-202"));
    ASSERT_EQ(2u, ui.Messages().size());
    EXPECT_EQ(warning, ui.Messages()[0].text);
    EXPECT_EQ(0, data.ao.ioOptions.value);
    EXPECT_TRUE(data.ao.ioOptions.setNames.empty());
    EXPECT_NE(std::string::npos, lastProgress.find("The device has no block for the PID Block Data: skipped.\r\n"));
    EXPECT_NE(std::string::npos, lastProgress.find("Reading device configuration data successful."));

    // The download takes the blocks out of service and writes the corrected options; the
    // next read finds nothing to remove.
    ui.Clear();
    ASSERT_EQ(0, Download(data, "KV-202"));
    EXPECT_TRUE(ui.Messages().empty());
    CConfigData again;
    ASSERT_EQ(0, Read(again, "KV-202"));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(0, again.ao.ioOptions.value);

    // Out of service (as the download left it), the read itself corrects the device.
    WithSimBlock("KV-202", "AO", [](simulator::Block& b) { simulator::BitsToWire(b.Obj("IO_OPTS")->value, 0, 2, 0x11); });
    ui.Clear();
    ASSERT_EQ(0, Read(again, "KV-202"));
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ(warning, ui.Messages()[0].text);
    EXPECT_EQ(0x10, again.ao.ioOptions.value);
    EXPECT_EQ((std::vector<std::string>{"Increase to close"}), again.ao.ioOptions.setNames);
    uint32_t bits = 0;
    WithSimBlock("KV-202", "AO", [&](simulator::Block& b) { bits = simulator::BitsFromWire(b.Obj("IO_OPTS")->value, 0, 2); });
    EXPECT_EQ(0x10u, bits);
}

TEST_F(ConfigTransferTest, ADifferentBootClassRestartsTheDeviceAndTheWaitEndsWhenItRunsOrAfterAMinute) {
    CConfigData data;
    ASSERT_EQ(0, Read(data, "FV-102"));
    ASSERT_EQ(1u, data.general.linkMasterActivation);
    ASSERT_EQ(0u, data.general.bootFunctionalClass);
    data.general.bootFunctionalClass = 1;
    int stops = 0;
    config::TransferOptions options;
    options.beforeRestart = [&] { ++stops; };
    ASSERT_EQ(0, Download(data, "FV-102", options));
    EXPECT_EQ(1, stops);
    EXPECT_NE(std::string::npos,
              lastProgress.find("Writing General Data successful.\r\nChanging Device Boot Operat Class ...\r\n"
                                "Setting Device to Link Master and Reboot ...\r\n"
                                "Setting Device to Link Master and Reboot successful.\r\n"));
    uint8_t restart = 0;
    fieldbus::FieldbusDevice& device = Device("FV-102");
    ASSERT_EQ(0, fieldbus::ReadTypedValue(device, device.BlockOf(BlockKind::RB), "RESTART", restart, fieldbus::Wire::U8));
    EXPECT_EQ(1, restart);
    uint8_t dlme = 0;
    ASSERT_EQ(0, device.ReadDlmeClass(dlme));
    EXPECT_TRUE(fieldbus::IsLinkMasterClass(dlme));

    // Back to basic, with a device that stays off the bus for ten minutes.
    Control(R"({"command":"restartTime","device":"FV-102","ms":600000})");
    data.general.bootFunctionalClass = 0;
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(1, Download(data, "FV-102"));
    EXPECT_GE(clock.NowMs() - start, 60000u);
    EXPECT_LT(clock.NowMs() - start, 62000u);
    EXPECT_EQ("Error: Device FV-102 did not come back within 60 seconds after the restart for its new boot class.",
              ui.Last().text);
    EXPECT_NE(std::string::npos, lastProgress.find("Setting Device to Basic and Reboot ...\r\n\r\nDownloading device "
                                                   "configuration failed.\r\n"));
}

TEST_F(ConfigTransferTest, SavingWithADeviceOpenRefreshesTheTotalsAndMeasurements) {
    SeedDistinctConfiguration("FV-101");
    CConfigData data;
    fieldbus::FieldbusDevice& device = Device("FV-101");
    config::DeviceDiagnosticsSource source(device);
    config::FileChooser chooser = [&](const config::FileDialogRequest&) {
        return config::FileDialogResult{true, dir.File("saved.dmp"), 1};
    };
    ASSERT_EQ(0, config::SaveConfigurationFile(data, chooser, &source));
    CConfigData saved;
    ASSERT_EQ(0, config::ReadConfigurationFile(saved, dir.File("saved.dmp")));
    EXPECT_EQ(1005u, saved.actuator.totalTravel);
    EXPECT_EQ(1006u, saved.actuator.totalCycleCount);
    EXPECT_EQ(1.5f, saved.actuator.measuredGain);
    EXPECT_EQ(3.5f, saved.actuator.measuredSpringRange[1]);
}

}  // namespace
}  // namespace configtest
