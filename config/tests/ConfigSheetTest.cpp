// What the configuration sheet's OK does, on the in-process segment: one question before the
// device goes out of service, only the changed fields written (counted by the blocks' static
// revisions, which every write of a static parameter raises), the record kept in step.
#include <gtest/gtest.h>

#include <cmath>

#include "TransferTestBed.h"
#include "config/ConfigChoices.h"
#include "config/ConfigSheetOk.h"
#include "fieldbus/OperationState.h"
#include "simulator/Block.h"

using config::CConfigData;
using config::SheetEdits;

namespace configtest {
namespace {

constexpr const char* kFailed = "WARNING: Failed to write all the changed device configuration data.";

class ConfigSheetTest : public TransferTestBed {
protected:
    void SetUp() override {
        TransferTestBed::SetUp();
        ASSERT_EQ(0, Read(record, "FV-101"));
        edits.data = record;
    }

    uint16_t StRev(const std::string& kind) {
        uint16_t rev = 0;
        WithSimBlock("FV-101", kind, [&](simulator::Block& b) { rev = simulator::GetU16BE(b.Obj("ST_REV")->value, 0); });
        return rev;
    }
    config::SheetTarget Target() {
        config::SheetTarget target;
        target.device = &Device("FV-101");
        target.deviceSuffix = " (FV-101)";
        const int slot = Open("FV-101");
        target.isPresent = [this, slot] { return link.IsPresent(slot); };
        target.isTagUnique = [this, slot](const std::string& tag) { return link.IsTagUnique(slot, tag); };
        return target;
    }
    int State() {
        int state = -1;
        Device("FV-101").ReadOperationState(state);
        return state;
    }

    CConfigData record;
    SheetEdits edits;
};

TEST_F(ConfigSheetTest, OneQuestionThenOnlyTheChangedFieldsReachTheDevice) {
    const uint16_t tb = StRev("TB"), ao = StRev("AO"), rb = StRev("RB");
    // Nothing changed: no question, no write.
    config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_TRUE(outcome.close);
    EXPECT_FALSE(outcome.failed);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(fieldbus::kNormalState, State());
    EXPECT_EQ(tb, StRev("TB"));

    edits.data.position.servoGain = 133.0f;
    edits.data.ao.spRateUp = 25.0f;
    ui.Answer(platform::IDYES, config::OutOfServiceQuestion());
    outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_TRUE(outcome.wroteDevice);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(1u, ui.Messages().size());
    EXPECT_EQ(platform::MB_DEFBUTTON2, ui.Last().defaultButton);
    EXPECT_EQ(fieldbus::kOutOfService, State());
    EXPECT_EQ(tb + 1, StRev("TB"));  // the servo gain alone
    EXPECT_EQ(ao + 4, StRev("AO"));  // the four set-point limits go together
    EXPECT_EQ(rb, StRev("RB"));
    EXPECT_EQ(133.0f, SimFloat("FV-101", "TB", "SERVO_GAIN"));
    EXPECT_EQ(25.0f, SimFloat("FV-101", "AO", "SP_RATE_UP"));
    EXPECT_EQ(133.0f, record.position.servoGain);
    EXPECT_EQ(25.0f, record.ao.spRateUp);
    EXPECT_EQ(config::StateChangedByPage, record.dataState);

    // Already out of service: written without asking.
    edits.data.pid.gain = 2.5f;
    outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_EQ(1u, ui.Messages().size());
    EXPECT_EQ(2.5f, SimFloat("FV-101", "PID", "GAIN"));
    EXPECT_EQ(tb + 1, StRev("TB"));
}

TEST_F(ConfigSheetTest, ADeviceShownOutOfServiceByOneBlockIsAskedNothing) {
    // The transducer block alone out of service (set by another client): the device shows
    // OUT OF SERVICE while AO still runs.
    fieldbus::FieldbusDevice& device = Device("FV-101");
    const uint8_t oos = fieldbus::kModeOos;
    ASSERT_EQ(0, device.WriteParameter(device.BlockOf(fieldbus::BlockKind::TB), "MODE_BLK.TARGET", &oos, 1));
    uint8_t tb = 0, ao = 0;
    for (int i = 0; i < 100 && tb != oos; ++i) device.ReadActualMode(device.BlockOf(fieldbus::BlockKind::TB), tb);
    device.ReadActualMode(device.BlockOf(fieldbus::BlockKind::AO), ao);
    ASSERT_EQ(oos, tb);
    ASSERT_NE(oos, ao);
    ASSERT_EQ(fieldbus::kOutOfService, State());
    edits.data.ao.spRateUp = 25.0f;  // an AO write that needs AO out of service
    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_FALSE(outcome.failed);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(25.0f, SimFloat("FV-101", "AO", "SP_RATE_UP"));
}

TEST_F(ConfigSheetTest, NoToTheQuestionWritesNothing) {
    const CConfigData before = record;
    edits.data.position.servoGain = 133.0f;
    ui.Answer(platform::IDNO, "Do you want to proceed ?");
    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_TRUE(outcome.close);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(kFailed, ui.Last().text);
    EXPECT_TRUE(before == record);
    EXPECT_EQ(120.0f, SimFloat("FV-101", "TB", "SERVO_GAIN"));
    EXPECT_EQ(fieldbus::kNormalState, State());
}

TEST_F(ConfigSheetTest, AShortSecondDeviationTimeKeepsTheRecordsValueUnlessConfirmed) {
    ASSERT_EQ(0, Device("FV-101").SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
    edits.data.position.deviationTimeThreshold = {20.0f, 5.0f};
    ui.Answer(platform::IDNO, "WARNING: The Time 2 value for position fault control in Position Page is to be "
                              "modified as 5.00 \nwhich is less than the recommended minimum of 10.00 (sec).");
    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(20.0f, record.position.deviationTimeThreshold[0]);
    EXPECT_EQ(-1.0f, record.position.deviationTimeThreshold[1]);
    WithSimBlock("FV-101", "TB", [](simulator::Block& b) {
        EXPECT_EQ(20.0f, b.GetFloat("DEVIATION_TIME_TH", 0));
        EXPECT_EQ(-1.0f, b.GetFloat("DEVIATION_TIME_TH", 4));
    });
}

TEST_F(ConfigSheetTest, TagAndAddressAreCheckedAndLeftToTheView) {
    ASSERT_EQ(0, Device("FV-101").SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
    edits.data.general.pdTag = "FV-103";  // another device's
    config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.tagAddress.requested);
    ASSERT_EQ(2u, ui.Messages().size());
    EXPECT_EQ("Error: The device tag is not unique. No Tag/Address change will take into effect.",
              ui.Messages()[0].text);
    EXPECT_EQ(kFailed, ui.Messages()[1].text);

    edits.data.general.pdTag = "FV-111";
    edits.data.general.nodeAddress = 0x30;
    edits.data.general.resourceDescription = "Boiler feed";
    outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_FALSE(outcome.failed);
    ASSERT_TRUE(outcome.tagAddress.requested);
    EXPECT_EQ("FV-111", outcome.tagAddress.tag);
    EXPECT_EQ(0x30, outcome.tagAddress.address);
    EXPECT_EQ("FV-101", record.general.pdTag);  // the record takes it once the view changed it
    EXPECT_EQ("Boiler feed", record.general.resourceDescription);
}

TEST_F(ConfigSheetTest, ADeviceThatStoppedAnsweringIsReportedOnceAndTheSheetStaysOpen) {
    const CConfigData before = record;
    config::SheetTarget target = Target();
    target.isPresent = [] { return false; };
    edits.data.position.servoGain = 133.0f;
    edits.data.ao.spRateUp = 25.0f;
    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, target);
    EXPECT_FALSE(outcome.close);
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Error: The device (FV-101) does not answer. Nothing was written.\n\nPress OK again once it answers, "
              "or Cancel.",
              ui.Last().text);
    EXPECT_TRUE(before == record);
}

// The index of `text` in a choice list.
int IndexOf(const std::vector<std::string>& texts, const std::string& text) {
    for (size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == text) return static_cast<int>(i);
    return -1;
}

TEST_F(ConfigSheetTest, ChoicesKnownByTheirTextsBlockTagsAndTheCustomCurveReachTheDevice) {
    ASSERT_EQ(0, Device("FV-101").SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
    config::OptionGroup& o = edits.data.option;
    // Lists as an offline record carries them: texts without values.
    o.pressureUnit.values.clear();
    config::Choose(o.pressureUnit, IndexOf(o.pressureUnit.texts, "bar"));
    EXPECT_EQ(0u, o.pressureUnit.value);
    config::Choose(edits.data.general.valveManufacturer,
                   IndexOf(edits.data.general.valveManufacturer.texts, "KTE Automation"));
    config::ConfigBitStringField& status = edits.data.ao.statusOptions;
    status.bitValues.clear();
    std::vector<bool> checked(status.names.size(), false);
    checked[static_cast<size_t>(IndexOf(status.names, "Uncertain as Good"))] = true;
    config::SetCheckedBits(status, checked);
    config::Choose(o.charType, IndexOf(o.charType.texts, "Define"));
    o.charPoints = {5, 15, 25, 35, 45, 55, 65, 75, 85};
    edits.data.general.blockTags[config::TagTB] = "FV101_VALVE";

    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_FALSE(outcome.failed);
    EXPECT_TRUE(ui.Messages().empty());
    WithSimBlock("FV-101", "TB", [](simulator::Block& b) {
        EXPECT_EQ(1137, simulator::GetU16BE(b.Obj("SPRING_RANGE")->value, 8));
        EXPECT_EQ(0x4B5445u, (uint32_t{b.GetByte("VALVE_MAN_ID", 1)} << 16) | (uint32_t{b.GetByte("VALVE_MAN_ID", 2)} << 8) |
                                 b.GetByte("VALVE_MAN_ID", 3));
        EXPECT_EQ(255, b.GetByte("POSITION_CHAR_TYPE"));
        EXPECT_EQ(5.0f, b.GetFloat("POSITION_CHAR", 0));
        EXPECT_EQ(85.0f, b.GetFloat("POSITION_CHAR", 32));
        EXPECT_EQ("FV101_VALVE", b.tag);
    });
    uint16_t bits = 0;
    ASSERT_EQ(0, Device("FV-101").ReadAoStatusOpts(bits));
    EXPECT_EQ(1u << 2, bits);
    EXPECT_EQ("bar", record.option.pressureUnit.text);
    EXPECT_EQ(85.0f, record.option.charPoints[8]);
    EXPECT_EQ("FV101_VALVE", record.general.blockTags[config::TagTB]);
}

TEST_F(ConfigSheetTest, AFailedWriteEndsTheWritersAndKeepsWhatWasWrittenBefore) {
    ASSERT_EQ(0, Device("FV-101").SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false));
    edits.data.position.servoGain = 130.0f;
    edits.data.position.servoReset = 500.0f;  // beyond what the positioner takes
    edits.data.position.fullOpen = 98.0f;
    edits.data.ao.spRateUp = 25.0f;
    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, Target());
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(kFailed, ui.Last().text);
    EXPECT_EQ(130.0f, record.position.servoGain);
    EXPECT_EQ(15.0f, record.position.servoReset);
    EXPECT_EQ(100.0f, record.position.fullOpen);
    EXPECT_TRUE(std::isinf(record.ao.spRateUp));
    EXPECT_EQ(130.0f, SimFloat("FV-101", "TB", "SERVO_GAIN"));
    EXPECT_EQ(100.0f, SimFloat("FV-101", "TB", "FINAL_VALUE_CUTTOFF_HI"));
    EXPECT_TRUE(std::isinf(SimFloat("FV-101", "AO", "SP_RATE_UP")));
}

TEST(ConfigSheetWithoutDevice, TheRecordAloneTakesTheChangesAndTheControllerPageNeedsThePidBlock) {
    platform::testing::ScriptedUi ui;
    CConfigData record;
    SheetEdits edits{record, {}};
    edits.data.position.servoGain = 90.0f;
    edits.data.general.pdTag = "NEW-1";
    edits.data.general.nodeAddress = 0x22;
    edits.data.option.charPoints[0] = 5.0f;  // not the custom type: the points stay
    edits.data.pid.gain = 3.0f;
    record.general.pidBlockActivation = 0;
    EXPECT_FALSE(config::HasControllerPage(record));
    const config::SheetOutcome outcome = config::ApplyConfigSheet(edits, record, {});
    EXPECT_TRUE(outcome.close);
    EXPECT_FALSE(outcome.wroteDevice);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(90.0f, record.position.servoGain);
    EXPECT_EQ("NEW-1", record.general.pdTag);
    EXPECT_EQ(0x22, record.general.nodeAddress);
    EXPECT_EQ(10.0f, record.option.charPoints[0]);
    EXPECT_EQ(1.0f, record.pid.gain);

    // A unit that is not among the choices is left alone, with a note.
    edits.choices.pvUnitChosen = false;
    edits.data.pid.pvUnit.text = "bar";
    record.general.pidBlockActivation = 1;
    config::ApplyConfigSheet(edits, record, {});
    EXPECT_EQ("WARNING: No PID Controller PV Unit selected; The parameter remains unchanged.", ui.Last().text);
    EXPECT_EQ(3.0f, record.pid.gain);
    EXPECT_EQ("%", record.pid.pvUnit.text);
}

}  // namespace
}  // namespace configtest
