#include "simulator/PositionerBuilder.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

#include "nifb/dd/DeviceDescription.h"
#include "simulator/ExtensionChain.h"
#include "simulator/FirmwareDomain.h"
#include "simulator/valve/ValveExtension.h"

namespace simulator {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr uint8_t kOos = MODE_OOS;

std::string HexId(uint32_t manufacturer, uint16_t type, const std::string& serial) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06" PRIX32 "%04X", manufacturer, type);
    return buf + serial;
}

std::vector<EnumItem> UnitItems() {
    return {{1342, "|en|%"},     {1000, "|en|K"},      {1001, "|en|\xB0""C"}, {1002, "|en|\xB0""F"},
            {1133, "|en|kPa"},   {1137, "|en|bar"},    {1141, "|en|psi"},     {1144, "|en|g/cm2"},
            {1145, "|en|kg/cm2"}, {1357, "|en|gal/s"}, {1363, "|en|GPM"},     {1364, "|en|gal/h"}};
}

std::vector<EnumItem> PressureUnitItems() {
    return {{1133, "|en|kPa|fr|kPa"}, {1137, "|en|bar"}, {1141, "|en|psi"}, {1145, "|en|kg/cm2"}, {1132, "|en|MPa"}};
}

std::vector<EnumItem> IoOptBits() {
    const char* names[] = {"Invert", "SP tracks PV if Man.", "SP tracks PV if LO.",
                           "SP tracks RCas or Cas if LO or Man.", "Increase to close", "Faultstate Type",
                           "Faultstate restart", "Target to Man", "PV for BKCal_Out", "Low Cutoff"};
    std::vector<EnumItem> items;
    for (uint32_t k = 0; k < 10; ++k) items.push_back({1u << k, std::string("|en|") + names[k]});
    return items;
}

std::vector<EnumItem> StatusOptBits() {
    const char* names[] = {"IFS if Bad IN", "IFS if Bad CAS_IN", "Uncertain as Good", "Propogate Fail Fwd",
                           "Propogate Fail Bkwd", "Target to Man if Bad IN", "Uncertain if Limited",
                           "Bad if Limited", "Uncertain if Man.", "No select if not Auto", "No select if not Cas"};
    std::vector<EnumItem> items;
    for (uint32_t k = 0; k < 11; ++k) items.push_back({1u << k, std::string("|en|") + names[k]});
    return items;
}

std::vector<EnumItem> ControlOptBits() {
    const char* names[] = {"Bypass Enable", "SP-PV Track Man", "SP-PV Track ROut", "SP-PV Track LO-IMan",
                           "SP Track retain", "Direct acting", "Balance Ramp", "Track enable", "Track in manual",
                           "PV for BKCal_Out", "BIAS may be adjusted.", "Convert IN_1 to OUT_SCALE",
                           "Restrict SP to limits in Cas and RCas.", "No output limits in Man."};
    std::vector<EnumItem> items;
    for (uint32_t k = 0; k < 14; ++k) items.push_back({1u << k, std::string("|en|") + names[k]});
    return items;
}

std::vector<EnumItem> ManufacturerItems() {
    return {{0, "|en|Not specified"}, {0x42524B, "|en|BRK Controls"}, {0x4B5445, "|en|KTE Automation"},
            {0x000001, "|en|Other manufacturer"}};
}

DeviceObject Link(uint16_t index, uint16_t local, uint16_t vcr, uint16_t remote, uint8_t service, uint8_t stale) {
    Member a{"LOCAL_INDEX", NIF_DT_UINT16, 2, 0, {}, false, false, -1};
    Member b{"VCR_NUMBER", NIF_DT_UINT16, 2, 0, {}, false, false, -1};
    Member c{"REMOTE_INDEX", NIF_DT_UINT16, 2, 0, {}, false, false, -1};
    Member d{"SERVICE_OPERATION", NIF_DT_UINT8, 1, 0, {}, false, false, -1};
    Member e{"STALE_CNT_LIMIT", NIF_DT_UINT8, 1, 0, {}, false, false, -1};
    DeviceObject o = RecordParam("LINK_OBJECT", DS_LINK, {a, b, c, d, e});
    o.index = index;
    o.Dyn();
    PutU16BE(o.value, 0, local);
    PutU16BE(o.value, 2, vcr);
    PutU16BE(o.value, 4, remote);
    o.value[6] = service;
    o.value[7] = stale;
    return o;
}

DeviceObject FbStartEntry(int n, uint32_t offset, uint16_t objectIndex) {
    Member a{"START_TIME_OFFSET", NIF_DT_UINT32, 4, 0, {}, false, false, -1};
    Member b{"FB_OBJECT_INDEX", NIF_DT_UINT16, 2, 0, {}, false, false, -1};
    Member c{"VFD_REF", NIF_DT_UINT32, 4, 0, {}, false, false, -1};
    DeviceObject o = RecordParam("FB_START_ENTRY." + std::to_string(n), DS_FB_START, {a, b, c});
    o.Dyn();
    PutU32BE(o.value, 0, offset);
    PutU16BE(o.value, 4, objectIndex);
    PutU32BE(o.value, 6, 0);
    return o;
}

std::vector<DeviceObject> Management(const std::string& deviceId, const std::string& pdTag, bool lmType,
                                     bool bootLm, bool activeScheduler, const std::vector<DeviceObject>& schedule) {
    std::vector<DeviceObject> mib;
    DeviceObject dlme = Simple("DLME_BASIC_CHARACTERISTICS", NIF_DT_OCTSTRING, 7).RO();
    dlme.value = {0x01, 0x04, static_cast<uint8_t>(lmType && bootLm ? 2 : 1), 0x10, 0x00, 0x20, 0x03};
    mib.push_back(dlme);
    DeviceObject link = Simple("CURRENT_LINK_SETTING", NIF_DT_OCTSTRING, 13).RO();
    link.value = {0x00, 0x40, 0x00, 0x01, 0x25, 0x00, 0x00, 0x00, 0xBA, 0x00, 0x06, 0x00, 0x03};
    mib.push_back(link);
    mib.push_back(U8Param("PRIMARY_LINK_MASTER_FLAG", activeScheduler ? 0xFF : 0x00).RO());
    DeviceObject boot = U8Param("BOOT_OPERAT_FUNCTIONAL_CLASS", lmType && bootLm ? 2 : 1).Dyn();
    boot.Enum(lmType ? std::vector<EnumItem>{{1, "|en|Basic"}, {2, "|en|Link Master"}}
                     : std::vector<EnumItem>{{1, "|en|Basic"}});
    mib.push_back(boot);
    for (const DeviceObject& e : schedule) mib.push_back(e);
    mib.push_back(U32Param("MACROCYCLE_DURATION", 32000).Dyn());
    mib.push_back(TextParam("DEV_ID", deviceId, 32).RO());
    mib.push_back(TextParam("PD_TAG", pdTag, 32).RO());
    return mib;
}

Block ResourceBlock(const std::string& tag, uint32_t manufacturer, uint16_t type, uint8_t rev, uint8_t dd,
                    const std::string& typeName, const std::string& tagDesc) {
    std::vector<DeviceObject> p = {
        U8Param("RS_STATE", 4).RO().Enum({{1, "|en|Start/Restart"}, {2, "|en|Initialization"},
                                          {3, "|en|On-Line Linking"}, {4, "|en|On-Line"}, {5, "|en|Standby"},
                                          {6, "|en|Failure"}}),
        Simple("TEST_RW", NIF_DT_OCTSTRING, 8).Dyn(),
        TextParam("DD_RESOURCE", "", 32).RO(),
        U32Param("MANUFAC_ID", manufacturer).RO().Enum(ManufacturerItems()),
        U16Param("DEV_TYPE", type).RO().Enum({{type, "|en|" + typeName}}),
        U8Param("DEV_REV", rev).RO(),
        U8Param("DD_REV", dd).RO(),
        Simple("GRANT_DENY", NIF_DT_OCTSTRING, 2),
        BitStringParam("HARD_TYPES", 2, 0x3).RO(),
        U8Param("RESTART", 1).Dyn().Enum({{1, "|en|Run"}, {2, "|en|Restart resource"},
                                          {3, "|en|Restart with defaults"}, {4, "|en|Restart processor"}}),
        BitStringParam("FEATURES", 2, 0x0C2).RO(),
        BitStringParam("FEATURE_SEL", 2, 0x0C2),
        BitStringParam("CYCLE_TYPE", 2, 0x1).RO(),
        BitStringParam("CYCLE_SEL", 2, 0x1),
        U32Param("MIN_CYCLE_T", 3200).RO(),
        U16Param("MEMORY_SIZE", 0).RO(),
        U32Param("NV_CYCLE_T", 0).RO(),
        FloatParam("FREE_SPACE", 0).RO(),
        FloatParam("FREE_TIME", 62.5f).RO(),
        U32Param("SHED_RCAS", 640000),
        U32Param("SHED_ROUT", 640000),
        U8Param("FAULT_STATE", 1).RO().Enum({{1, "|en|Clear"}, {2, "|en|Active"}}),
        U8Param("SET_FSTATE", 1).Dyn().Enum({{1, "|en|Off"}, {2, "|en|Set"}}),
        U8Param("CLR_FSTATE", 1).Dyn().Enum({{1, "|en|Off"}, {2, "|en|Clear"}}),
        U8Param("MAX_NOTIFY", 8).RO(),
        U8Param("LIM_NOTIFY", 8).Range(0, 8),
        U32Param("CONFIRM_TIME", 640000),
        U8Param("WRITE_LOCK", 1).Enum({{1, "|en|Not Locked"}, {2, "|en|Locked"}}),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
        AlarmSummary("ALARM_SUM"),
        BitStringParam("ACK_OPTION", 2, 0),
        U8Param("WRITE_PRI", 0).Range(0, 15),
        AlarmDiscrete("WRITE_ALM"),
        U16Param("ITK_VER", 5).RO(),
        U8Param("SOFTDWN_PROTECT", 2).Enum({{1, "|en|Unprotected"}, {2, "|en|Protected"}}),
        U8Param("SOFTDWN_FORMAT", 1).RO(),
        U16Param("SOFTDWN_ERROR", 0).RO(),
    };
    Block b = MakeBlock("RB", tag, NIF_RESOURCE_BLOCK, 0x0133, 1000, MODE_OOS | MODE_AUTO, MODE_AUTO, std::move(p),
                        {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "RS_STATE", "FREE_TIME", "FAULT_STATE",
                                         "ALARM_SUM"}),
                         View("VIEW_2", {"ST_REV", "GRANT_DENY", "FEATURE_SEL", "CYCLE_SEL", "NV_CYCLE_T",
                                         "FREE_SPACE", "SHED_RCAS", "SHED_ROUT"}),
                         View("VIEW_3", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "RS_STATE", "FREE_TIME",
                                         "FAULT_STATE", "ALARM_SUM"})});
    b.SetByte("MODE_BLK", MODE_AUTO, 0);
    if (DeviceObject* o = b.Obj("TAG_DESC")) o->value = PaddedText(tagDesc, 32);
    return b;
}

Block TransducerBlock(const std::string& tag, const PositionerOptions& opt, const std::string& model) {
    bool extended = HasExtendedServo(opt.deviceType, opt.deviceRevision);
    bool lmType = IsLinkMasterType(opt.deviceType, opt.deviceRevision);
    uint32_t options = (opt.pidOption ? 0x1u : 0u) | (opt.signatureOption ? 0x2u : 0u);
    // Bit 14 (the value 0x0002 of the big-endian word) repeats the signature option for
    // hosts that test the raw word.
    if (opt.signatureOption) options |= 1u << 14;
    std::vector<DeviceObject> p = {
        U16Param("TRANSDUCER_DIRECTORY", 0).RO(),
        U16Param("TRANSDUCER_TYPE", 106).RO().Enum({{106, "|en|Standard Advanced Positioner Valve"}}),
        U8Param("XD_ERROR", 0).RO().Enum({{0, "|en|No Error"}, {16, "|en|Unspecified error"},
                                          {17, "|en|General error"}, {18, "|en|Calibration error"},
                                          {19, "|en|Configuration error"}, {20, "|en|Electronics Failure"},
                                          {21, "|en|Mechanical Failure"}, {22, "|en|I/O Failure"},
                                          {23, "|en|Data Integrity Error"}, {24, "|en|Software Error"},
                                          {25, "|en|Algorithm Error"}}),
        Simple("COLLECTION_DIRECTORY", NIF_DT_UINT32, 4).RO(),
        ValueStatus("FINAL_VALUE", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN),
        Scaling("FINAL_VALUE_RANGE", 110.0f, -10.0f, 1342, 2).Modes(kOos).MemberEnum("UNITS_INDEX", UnitItems()),
        FloatParam("FINAL_VALUE_CUTTOFF_HI", 100.0f).Modes(kOos).Range(-25.0f, 125.0f),
        FloatParam("FINAL_VALUE_CUTTOFF_LO", 0.0f).Modes(kOos).Range(-25.0f, 125.0f),
        ValueStatus("FINAL_POSITION_VALUE", 0x80, 50.0f).RO(),
        U8Param("ACT_FAIL_ACTION", 1).Modes(kOos).Enum({{1, "|en|Air To Open|fr|Air pour ouvrir"},
                                                         {2, "|en|Air To Close|fr|Air pour fermer"}}),
        U32Param("ACT_MAN_ID", 0).Enum(ManufacturerItems()),
        TextParam("ACT_MODEL_NUM", "", 32),
        TextParam("ACT_SN", "", 32),
        U32Param("VALVE_MAN_ID", 0).Enum(ManufacturerItems()),
        TextParam("VALVE_MODEL_NUM", "", 32),
        TextParam("VALVE_SN", "", 32),
        U8Param("VALVE_TYPE", 1).Modes(kOos).Enum({{1, "|en|Linear (Reciprocating)"}, {2, "|en|Rotary"}}),
        TextParam("XD_CAL_LOC", "", 32),
        DateParam("XD_CAL_DATE"),
        TextParam("XD_CAL_WHO", "", 32),
        AlarmSummary("ALARM_SUM"),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
        TextParam("MODEL", model, 32).RO(),
        FloatParam("OUT_PRESSURE", 60.0f).RO(),
        FloatParam("SERVO_OUTPUT_SIGNAL", 55.0f).RO(),
        FloatParam("SUPPLY_PRESSURE", 140.0f).Range(0.0f, 1000.0f),
        FloatParam("ELECT_TEMP", 25.0f).RO(),
        U16Param("TEMPERATURE_UNIT", 1001).Modes(kOos).Enum({{1001, "|en|\xB0""C"}, {1002, "|en|\xB0""F"}}),
        U16Param("ADVAL_FW", 0).RO(),
        U16Param("ADVAL_BW", 0).RO(),
        U16Param("ADVAL_PRESS", 0).RO(),
        U16Param("ADVAL_T", 0).RO(),
        FloatParam("OPEN_STOP_ADJ", 100.0f).Modes(kOos).Range(60.0f, 100.0f),
        Scaling("SPRING_RANGE", 100.0f, 20.0f, 1133, 1).MemberModes("UNITS_INDEX", kOos)
            .MemberEnum("UNITS_INDEX", PressureUnitItems()),
        FloatParam("NEAR_CLOSE_THRESHOLD", 3.0f).Range(-25.0f, 125.0f),
        FloatParam("LIMSW_HI_LIM", 110.0f).Range(-25.0f, 125.0f),
        FloatParam("LIMSW_LO_LIM", -10.0f).Range(-25.0f, 125.0f),
        FloatArray("POSITION_CHAR", {10, 20, 30, 40, 50, 60, 70, 80, 90}).Modes(kOos).Range(-25.0f, 125.0f),
        U8Param("POSITION_CHAR_TYPE", 1).Modes(kOos).Enum({{1, "|en|Linear"}, {2, "|en|Equal percent(50:1)"},
                                                          {3, "|en|Equal percent(30:1)"}, {4, "|en|Quick open"},
                                                          {255, "|en|Define"}}),
        U8Param("RELAY_TYPE", 1).Modes(kOos).Enum({{1, "|en|Normal (Direct Acting Instrument)"},
                                                   {2, "|en|(Hardware) Reverse"}}),
        U8Param("ACTUATOR_TYPE", 1).Enum({{1, "|en|Single Acting"}, {2, "|en|Double Acting"}}),
        U8Param("CONTROL_DIR", 1).Modes(kOos).Enum({{1, "|en|Direct"}, {2, "|en|Reverse"}}),
        U8Param("PRESS_SENS_INSTALLED", 2).RO().Enum({{1, "|en|Not Installed"}, {2, "|en|Installed"}}),
        U32Param("TOTAL_TRAVEL", 0),
        U32Param("TOTAL_CYCLE_COUNT", 0),
        U32Param("TOTAL_OPEN_TIME", 0),
        U32Param("TOTAL_CLOSE_TIME", 0),
        U32Param("TOTAL_NEAR_CLOSE_TIM", 0),
        // Service limits: strokes, cycles and hours of a valve's service life.
        U32Param("TRAVEL_LIM", 250000),
        U32Param("CYCLE_COUNT_LIM", 1000000),
        U32Param("OPEN_TIME_LIM", 87600),
        U32Param("CLOSE_TIME_LIM", 87600),
        U32Param("NEAR_CLOSE_TIME_LIM", 8760),
        FloatParam("VALVE_HYS", 0.0f).RO(),
        FloatParam("MEAS_PRESS_AIR", 0.0f).RO(),
        FloatParam("MEAS_PRESS_SUPPLY", 0.0f).RO(),
        FloatParam("VALVE_SLIP_WIDTH", 0.0f).RO(),
        FloatParam("INTERNAL_GAIN", 5.0f).Modes(kOos).Range(0.5f, 50.0f),
        FloatArray("MEAS_SPRING_RANGE", {0.0f, 0.0f}).RO(),
        FloatParam("MEAS_GAIN", 0.0f).RO(),
        FloatParam("VALVE_TC", 0.0f).RO(),
        BitStringParam("DEV_OPTIONS", 2, options).RO().Bits({{1u << 0, "|en|PID Block"},
                                                             {1u << 1, "|en|Signature"},
                                                             {1u << 14, "|en|Signature (host flag)"}}),
        FloatParam("DEVIATION_LIM", 110.0f),
        FloatArray("DEVIATION_TIME_TH", {10.0f, -1.0f}),
        FloatParam("SERVO_GAIN", 120.0f).Modes(kOos).Range(0.5f, 1300.0f),
        FloatParam("SERVO_RESET", 15.0f).Modes(kOos).Range(0.0f, 50.0f),
        FloatParam("SERVO_RATE", 0.22f).Modes(kOos).Range(0.0f, 1.0f),
        FloatParam("SERVO_RATE_GAIN", 5.0f).Modes(kOos).Range(2.0f, 20.0f),
        FloatParam("SERVO_DEADBAND", 0.0f).Modes(kOos).Range(0.0f, 50.0f),
        FloatParam("SERVO_OFFSET", 55.0f).Range(0.0f, 100.0f),
        FloatArray("BOOST_ON_THRESHOLD", {1.9f, 2.9f}).Modes(kOos).Range(0.0f, 10.0f),
        FloatArray("BOOST_OFF_THRESHOLD", {1.0f, 1.0f}).Modes(kOos).Range(0.0f, 10.0f),
        FloatArray("BOOST_VALUE", {8.0f, 10.0f}).Modes(kOos).Range(0.0f, 50.0f),
        FloatParam("SERVO_I_SLEEP_LMT", 0.0f).Modes(kOos).Range(0.0f, 10.0f),
        FloatParam("SERVO_P_ALPHA", 0.0f).Modes(kOos).Range(0.0f, 100.0f),
        FloatParam("THETA_HI", 0.0f).RO(),
        FloatParam("THETA_LO", 0.0f).RO(),
        FloatParam("THETA_P", 0.0f).RO(),
        U8Param("RELEASE_FAILSAFE", 1).Dyn().Modes(kOos).Enum({{1, "|en|Not in Failsafe"},
                                                               {2, "|en|Failsafe Active"},
                                                               {3, "|en|Clear (Latched)"},
                                                               {4, "|en|Release"}}),
        U8Param("AUTO_TUNE_EXEC", 1).Dyn().Modes(kOos).Enum({{1, "|en|Off"}, {2, "|en|Find stops"},
                                                             {3, "|en|Auto tune"}, {4, "|en|Find stops + Auto tune"},
                                                             {5, "|en|Cancel"}, {7, "|en|Find stops manually"},
                                                             {8, "|en|Find stops after open stop adjustment"},
                                                             {255, "|en|Self check"}}),
        U8Param("AUTO_TUNE_STATE", 0).RO(),
        U8Param("AUTO_TUNE_RESULT", 1).RO().Enum({{1, "|en|Success"},
                                                  {2, "|en|Cancelled"},
                                                  {3, "|en|Cancelled by mode change"},
                                                  {21, "|en|Warning: slow response"},
                                                  {22, "|en|Warning: tuning limited"},
                                                  {23, "|en|Warning: high friction"},
                                                  {24, "|en|Warning: valve too slow or sticky for the output probe "
                                                       "(gain and delay not measured)"},
                                                  {30, "|en|Warning: supply pressure low"},
                                                  {100, "|en|Error: no movement"},
                                                  {101, "|en|Error: stroke slower than the probe's limit"},
                                                  {102, "|en|Error: valve hunts with every servo set tried "
                                                        "(servo set unchanged)"},
                                                  {110, "|en|Error: stops not found"},
                                                  {120, "|en|Error: no pressure sensor"},
                                                  {130, "|en|Error: supply pressure too low"},
                                                  {140, "|en|Error: failsafe active"},
                                                  {255, "|en|Not finished"}}),
        U8Param("TRAVEL_CALIB_EXEC", 1).Dyn().Modes(kOos).Enum({{1, "|en|Off"}, {2, "|en|0% Calibration"},
                                                                {3, "|en|Span Calibration"},
                                                                {4, "|en|50% Calibration"}}),
        U8Param("TRAVEL_CALIB_RESULT", 1).RO().Enum({{1, "|en|Success"}, {2, "|en|Failed"},
                                                     {255, "|en|Not finished"}}),
        U8Param("SERVO_RET_TO_DEFAULT", 1).Dyn().Modes(kOos).Enum({{1, "|en|Off"}, {2, "|en|Return to default"}}),
        U8Param("SIGN_MEAS_EXEC", 1).Dyn().Modes(kOos),
        U8Param("SIGN_MEAS_STATE", 0).RO(),
        U8Param("SIGN_MEAS_RESULT", 1).RO().Enum({{1, "|en|Succeeded"},
                                                  {2, "|en|Cancelled"},
                                                  {10, "|en|Warning: stroke incomplete"},
                                                  {100, "|en|Error: no movement"},
                                                  {110, "|en|Error: failsafe active"},
                                                  {120, "|en|Error: no pressure sensor"},
                                                  {130, "|en|Error: valve not at rest before the step"},
                                                  {255, "|en|Running"}}),
        U16Param("SIGN_MEAS_COUNTER", 0).RO(),
        U8Param("SIGN_UPLOAD_DATABASE", 1).Dyn().Range(1, 6),
        U16Param("SIGN_UPLOAD_POINTER", 0).Dyn().Range(0, 599),
        FloatArray("SIGN_DATA_X", std::vector<float>(20, kInf)).RO(),
        FloatArray("SIGN_DATA_Y", std::vector<float>(20, kInf)).RO(),
        FloatArray("SIGN_HEADER_DATA", std::vector<float>(9, 0.0f)).RO(),
        DateParam("SIGN_MEAS_DATE").RO(),
        U8Param("SIGN_DATA_SAVE", 1).Dyn().Enum({{1, "|en|Off"}, {2, "|en|Save as baseline"},
                                                 {3, "|en|Save as record"}}),
        // Signature settings: standard (recommended and setting scan time, deviation margin),
        // extended (lower and higher set point, recommended and setting scan time, deviation
        // margin, sampling rate), step response (initial and destination set point, sampling
        // rate, samples), positioner (lower and higher input, intervals, recommended and
        // setting wait time).
        FloatArray("STD_ACT_SIGN_SET", {60.0f, 60.0f, 5.0f}),
        FloatArray("EXT_ACT_SIGN_SET", {10.0f, 90.0f, 90.0f, 90.0f, 5.0f, 200.0f}),
        FloatArray("STEP_RESP_SET", {40.0f, 60.0f, 50.0f, 100.0f}),
        FloatArray("POSITIONER_SIGN_SET", {10.0f, 90.0f, 8.0f, 5.0f, 5.0f}),
    };
    if (extended) {
        p.push_back(FloatParam("SERVO_WARN_HI_LIM", 80.0f).Range(0.0f, 100.0f));
        p.push_back(FloatParam("SERVO_WARN_LO_LIM", 20.0f).Range(0.0f, 100.0f));
        p.push_back(FloatParam("SERVO_TIME_TH", 0.0f));
        p.push_back(U32Param("SERVO_WARN_COUNT", 0).Modes(kOos));
        p.push_back(FloatArray("X_BST_ON_THRESHOLD", {1.9f, 2.9f}).Modes(kOos).Range(0.0f, 10.0f));
        p.push_back(FloatArray("X_BST_OFF_THRESHOLD", {1.0f, 1.0f}).Modes(kOos).Range(0.0f, 10.0f));
        p.push_back(FloatArray("X_BOOST_VALUE", {8.0f, 10.0f}).Modes(kOos).Range(0.0f, 50.0f));
    }
    // The transducer view holds the monitored values in the device's own order.
    std::vector<std::string> view3 = {"ST_REV",      "MODE_BLK",        "BLOCK_ERR",           "TRANSDUCER_TYPE",
                                      "XD_ERROR",    "FINAL_VALUE",     "FINAL_POSITION_VALUE", "SERVO_OUTPUT_SIGNAL",
                                      "OUT_PRESSURE", "SUPPLY_PRESSURE", "ELECT_TEMP",          "ALARM_SUM"};
    std::vector<DeviceObject> views;
    if (!lmType) {
        views.push_back(View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "TRANSDUCER_TYPE", "XD_ERROR",
                                        "FINAL_VALUE", "FINAL_POSITION_VALUE", "ALARM_SUM"}));
        views.push_back(View("VIEW_2", {"ST_REV", "FINAL_VALUE_RANGE", "FINAL_VALUE_CUTTOFF_HI",
                                        "FINAL_VALUE_CUTTOFF_LO", "ACT_FAIL_ACTION", "VALVE_TYPE"}));
    }
    views.push_back(View("VIEW_3", view3));
    views.push_back(View("VIEW_4", {"ST_REV", "SERVO_GAIN", "SERVO_RESET", "SERVO_RATE", "SPRING_RANGE"}));
    Block b = MakeBlock("TB", tag, NIF_TRANSDUCER_BLOCK, 0x8002, 2000, MODE_OOS | MODE_MAN | MODE_AUTO, MODE_AUTO,
                        std::move(p), std::move(views));
    b.SetByte("MODE_BLK", MODE_AUTO, 0);
    return b;
}

Block AoBlock(const std::string& tag) {
    std::vector<DeviceObject> p = {
        ValueStatus("PV", 0x80, 50.0f).RO(),
        ValueStatus("SP", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN | MODE_AUTO),
        ValueStatus("OUT", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN),
        Simple("SIMULATE", NIF_DT_OCTSTRING, 11).Dyn(),
        Scaling("PV_SCALE", 100.0f, 0.0f, 1342, 2).Modes(kOos).MemberEnum("UNITS_INDEX", UnitItems()),
        Scaling("XD_SCALE", 100.0f, 0.0f, 1342, 2).Modes(kOos).MemberEnum("UNITS_INDEX", UnitItems()),
        Simple("GRANT_DENY", NIF_DT_OCTSTRING, 2),
        BitStringParam("IO_OPTS", 2, 0).Modes(kOos).Bits(IoOptBits()),
        BitStringParam("STATUS_OPTS", 2, 0).Modes(kOos).Bits(StatusOptBits()),
        ValueStatus("READBACK", 0x80, 50.0f).RO(),
        ValueStatus("CAS_IN", 0x80, 50.0f).Dyn(),
        FloatParam("SP_RATE_DN", kInf).Range(0.0f, kInf),
        FloatParam("SP_RATE_UP", kInf).Range(0.0f, kInf),
        FloatParam("SP_HI_LIM", 100.0f),
        FloatParam("SP_LO_LIM", 0.0f),
        U16Param("CHANNEL", 1).Modes(kOos),
        FloatParam("FSTATE_TIME", 0.0f),
        FloatParam("FSTATE_VAL", 0.0f),
        ValueStatus("BKCAL_OUT", 0x80, 50.0f).RO(),
        ValueStatus("RCAS_IN", 0x80, 50.0f).Dyn(),
        U8Param("SHED_OPT", 0).Range(0, 8),
        ValueStatus("RCAS_OUT", 0x80, 50.0f).RO(),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
    };
    Block b = MakeBlock("AO", tag, NIF_FUNCTION_BLOCK, 0x0102, 5000,
                        MODE_OOS | MODE_MAN | MODE_AUTO | MODE_CAS | MODE_RCAS, MODE_CAS | MODE_AUTO, std::move(p),
                        {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV", "SP", "OUT", "READBACK", "CAS_IN"}),
                         View("VIEW_2", {"ST_REV", "PV_SCALE", "XD_SCALE", "GRANT_DENY"}),
                         View("VIEW_3", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV", "SP", "OUT", "READBACK", "CAS_IN",
                                         "BKCAL_OUT", "RCAS_IN", "RCAS_OUT"}),
                         View("VIEW_4", {"ST_REV", "IO_OPTS", "STATUS_OPTS", "SP_RATE_DN", "SP_RATE_UP", "SP_HI_LIM",
                                         "SP_LO_LIM", "CHANNEL"})});
    return b;
}

Block PidBlock(const std::string& tag, uint16_t start) {
    std::vector<DeviceObject> p = {
        ValueStatus("PV", 0x80, 50.0f).RO(),
        ValueStatus("SP", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN | MODE_AUTO),
        ValueStatus("OUT", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN),
        Scaling("PV_SCALE", 100.0f, 0.0f, 1342, 2).MemberModes("UNITS_INDEX", kOos).MemberEnum("UNITS_INDEX",
                                                                                               UnitItems()),
        Scaling("OUT_SCALE", 100.0f, 0.0f, 1342, 2).Modes(kOos),
        Simple("GRANT_DENY", NIF_DT_OCTSTRING, 2),
        BitStringParam("CONTROL_OPTS", 2, 0).Modes(kOos).Bits(ControlOptBits()),
        BitStringParam("STATUS_OPTS", 2, 0).Modes(kOos).Bits(StatusOptBits()),
        ValueStatus("IN", 0x80, 50.0f).Dyn(),
        FloatParam("PV_FTIME", 0.0f).Range(0.0f, kInf),
        U8Param("BYPASS", 1).Modes(MODE_OOS | MODE_MAN).Enum({{1, "|en|Off"}, {2, "|en|On"}}),
        ValueStatus("CAS_IN", 0x80, 50.0f).Dyn(),
        FloatParam("SP_RATE_DN", kInf).Range(0.0f, kInf),
        FloatParam("SP_RATE_UP", kInf).Range(0.0f, kInf),
        FloatParam("SP_HI_LIM", 100.0f).Modes(kOos),
        FloatParam("SP_LO_LIM", 0.0f).Modes(kOos),
        FloatParam("GAIN", 1.0f),
        FloatParam("RESET", 10.0f).Range(0.0f, kInf),
        FloatParam("BAL_TIME", 0.0f).Range(0.0f, kInf),
        FloatParam("RATE", 0.0f).Range(0.0f, kInf),
        ValueStatus("BKCAL_IN", 0x80, 50.0f).Dyn(),
        FloatParam("OUT_HI_LIM", 100.0f).Modes(kOos),
        FloatParam("OUT_LO_LIM", 0.0f).Modes(kOos),
        FloatParam("BKCAL_HYS", 0.5f).Range(0.0f, 50.0f),
        ValueStatus("BKCAL_OUT", 0x80, 50.0f).RO(),
        ValueStatus("RCAS_IN", 0x80, 50.0f).Dyn(),
        ValueStatus("ROUT_IN", 0x80, 50.0f).Dyn(),
        U8Param("SHED_OPT", 0).Range(0, 8),
        ValueStatus("RCAS_OUT", 0x80, 50.0f).RO(),
        ValueStatus("ROUT_OUT", 0x80, 50.0f).RO(),
        Scaling("TRK_SCALE", 100.0f, 0.0f, 1342, 2).Modes(kOos),
        DiscreteStatus("TRK_IN_D", 0x80, 0).Dyn(),
        ValueStatus("TRK_VAL", 0x80, 0.0f).Dyn(),
        ValueStatus("FF_VAL", 0x80, 0.0f).Dyn(),
        Scaling("FF_SCALE", 100.0f, 0.0f, 1342, 2).Modes(kOos),
        FloatParam("FF_GAIN", 0.0f).Modes(MODE_OOS | MODE_MAN | MODE_IMAN),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
        AlarmSummary("ALARM_SUM"),
        BitStringParam("ACK_OPTION", 2, 0),
        FloatParam("ALARM_HYS", 0.5f).Range(0.0f, 50.0f),
        U8Param("HI_HI_PRI", 0).Range(0, 15),
        FloatParam("HI_HI_LIM", kInf),
        U8Param("HI_PRI", 0).Range(0, 15),
        FloatParam("HI_LIM", kInf),
        U8Param("LO_PRI", 0).Range(0, 15),
        FloatParam("LO_LIM", -kInf),
        U8Param("LO_LO_PRI", 0).Range(0, 15),
        FloatParam("LO_LO_LIM", -kInf),
        U8Param("DV_HI_PRI", 0).Range(0, 15),
        FloatParam("DV_HI_LIM", kInf),
        U8Param("DV_LO_PRI", 0).Range(0, 15),
        FloatParam("DV_LO_LIM", -kInf),
    };
    Block b = MakeBlock("PID", tag, NIF_FUNCTION_BLOCK, 0x0108, start,
                        MODE_OOS | MODE_MAN | MODE_AUTO | MODE_CAS | MODE_RCAS | MODE_ROUT, MODE_AUTO, std::move(p),
                        {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV", "SP", "OUT", "CAS_IN",
                                         "ALARM_SUM"}),
                         View("VIEW_2", {"ST_REV", "PV_SCALE", "OUT_SCALE", "GRANT_DENY", "SP_HI_LIM", "SP_LO_LIM",
                                         "OUT_HI_LIM", "OUT_LO_LIM"}),
                         View("VIEW_3", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV", "SP", "OUT", "IN", "CAS_IN",
                                         "BKCAL_IN", "ROUT_IN", "RCAS_IN", "TRK_IN_D", "TRK_VAL", "FF_VAL",
                                         "RCAS_OUT", "ROUT_OUT", "BKCAL_OUT", "ALARM_SUM"}),
                         View("VIEW_4", {"ST_REV", "CONTROL_OPTS", "STATUS_OPTS", "PV_FTIME", "GAIN", "RESET",
                                         "RATE", "FF_GAIN"})});
    return b;
}

Block DiBlock(const std::string& tag, uint16_t start, uint16_t channel) {
    std::vector<EnumItem> onOff = {{0, "|en|Off"}, {1, "|en|On"}};
    DeviceObject outD = DiscreteStatus("OUT_D", 0x80, 0).Dyn().Modes(MODE_OOS | MODE_MAN);
    outD.MemberEnum("VALUE", onOff);
    DeviceObject pvD = DiscreteStatus("PV_D", 0x80, 0).RO();
    pvD.MemberEnum("VALUE", onOff);
    std::vector<DeviceObject> p = {
        pvD,
        outD,
        Simple("SIMULATE_D", NIF_DT_OCTSTRING, 5).Dyn(),
        U16Param("XD_STATE", 0),
        U16Param("OUT_STATE", 0),
        Simple("GRANT_DENY", NIF_DT_OCTSTRING, 2),
        BitStringParam("IO_OPTS", 2, 0).Modes(kOos).Bits(IoOptBits()),
        BitStringParam("STATUS_OPTS", 2, 0).Modes(kOos).Bits(StatusOptBits()),
        U16Param("CHANNEL", channel).Modes(kOos),
        FloatParam("PV_FTIME", 0.0f).Range(0.0f, kInf),
        DiscreteStatus("FIELD_VAL_D", 0x80, 0).RO(),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
        AlarmSummary("ALARM_SUM"),
        BitStringParam("ACK_OPTION", 2, 0),
        U8Param("DISC_PRI", 0).Range(0, 15),
        U8Param("DISC_LIM", 0),
        AlarmDiscrete("DISC_ALM"),
    };
    Block b = MakeBlock("DI", tag, NIF_FUNCTION_BLOCK, 0x0103, start, MODE_OOS | MODE_MAN | MODE_AUTO, MODE_AUTO,
                        std::move(p),
                        {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV_D", "OUT_D", "FIELD_VAL_D",
                                         "ALARM_SUM"}),
                         View("VIEW_2", {"ST_REV", "GRANT_DENY", "XD_STATE", "OUT_STATE"}),
                         View("VIEW_3", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV_D", "OUT_D", "FIELD_VAL_D",
                                         "ALARM_SUM"}),
                         View("VIEW_4", {"ST_REV", "IO_OPTS", "STATUS_OPTS", "CHANNEL", "PV_FTIME"})});
    return b;
}

Block SplitterBlock(const std::string& tag) {
    std::vector<DeviceObject> p = {
        ValueStatus("SP", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN | MODE_AUTO),
        ValueStatus("OUT_1", 0x80, 0.0f).RO(),
        ValueStatus("OUT_2", 0x80, 0.0f).RO(),
        Scaling("OUT_1_RANGE", 100.0f, 0.0f, 1342, 2).Modes(kOos),
        Scaling("OUT_2_RANGE", 100.0f, 0.0f, 1342, 2).Modes(kOos),
        Simple("GRANT_DENY", NIF_DT_OCTSTRING, 2),
        BitStringParam("STATUS_OPTS", 2, 0).Modes(kOos).Bits(StatusOptBits()),
        ValueStatus("CAS_IN", 0x80, 50.0f).Dyn(),
        ValueStatus("BKCAL_OUT", 0x80, 50.0f).RO(),
        FloatArray("IN_ARRAY", {0.0f, 50.0f, 50.0f, 100.0f}).Modes(kOos),
        FloatArray("OUT_ARRAY", {0.0f, 100.0f, 0.0f, 100.0f}).Modes(kOos),
        U8Param("LOCKVAL", 1).Enum({{1, "|en|No lock"}, {2, "|en|Lock"}}),
        ValueStatus("BKCAL_1_IN", 0x80, 0.0f).Dyn(),
        ValueStatus("BKCAL_2_IN", 0x80, 0.0f).Dyn(),
        FloatParam("BAL_TIME", 0.0f).Range(0.0f, kInf),
        FloatParam("HYSTVAL", 0.0f).Range(0.0f, 100.0f),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
    };
    Block b = MakeBlock("SPLT", tag, NIF_FUNCTION_BLOCK, 0x011C, 14000, MODE_OOS | MODE_MAN | MODE_AUTO | MODE_CAS,
                        MODE_CAS | MODE_AUTO, std::move(p),
                        {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "SP", "OUT_1", "OUT_2", "CAS_IN"}),
                         View("VIEW_2", {"ST_REV", "OUT_1_RANGE", "OUT_2_RANGE", "GRANT_DENY"}),
                         View("VIEW_3", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "SP", "OUT_1", "OUT_2", "CAS_IN",
                                         "BKCAL_OUT"}),
                         View("VIEW_4", {"ST_REV", "STATUS_OPTS", "IN_ARRAY", "OUT_ARRAY", "LOCKVAL"})});
    return b;
}

// Input selector and arithmetic blocks: enough of them to be listed, opened and read.
Block SmallFunctionBlock(const std::string& kind, const std::string& tag, uint16_t profile, uint16_t start) {
    std::vector<DeviceObject> p = {
        ValueStatus("OUT", 0x80, 0.0f).Dyn().Modes(MODE_OOS | MODE_MAN),
        Scaling("OUT_RANGE", 100.0f, 0.0f, 1342, 2).Modes(kOos),
        Simple("GRANT_DENY", NIF_DT_OCTSTRING, 2),
        BitStringParam("STATUS_OPTS", 2, 0).Modes(kOos).Bits(StatusOptBits()),
        ValueStatus("IN_1", 0x80, 0.0f).Dyn(),
        ValueStatus("IN_2", 0x80, 0.0f).Dyn(),
        EventUpdate("UPDATE_EVT"),
        AlarmDiscrete("BLOCK_ALM"),
    };
    return MakeBlock(kind, tag, NIF_FUNCTION_BLOCK, profile, start, MODE_OOS | MODE_MAN | MODE_AUTO, MODE_AUTO,
                     std::move(p),
                     {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "OUT", "IN_1", "IN_2"}),
                      View("VIEW_3", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "OUT", "IN_1", "IN_2"})});
}

void SeedAoInvert(Block& ao) {
    if (DeviceObject* io = ao.Obj("IO_OPTS")) BitsToWire(io->value, 0, 2, BitsFromWire(io->value, 0, 2) | 1u);
}

}  // namespace

bool IsLinkMasterType(uint16_t deviceType, uint8_t deviceRevision) {
    return deviceType == 7 || (deviceType == 1 && deviceRevision >= 3);
}

bool HasExtendedServo(uint16_t deviceType, uint8_t deviceRevision) {
    return (deviceType == 7 && deviceRevision >= 2) || (deviceType == 1 && deviceRevision >= 4);
}

std::unique_ptr<Device> BuildPositioner(const PositionerOptions& opt, std::string& error) {
    if (opt.manufacturerId != 0x42524B && opt.manufacturerId != 0x4B5445) {
        error = "a positioner's manufacturer must be 42524B or 4B5445";
        return nullptr;
    }
    bool maker = opt.manufacturerId == 0x42524B;
    std::string family = maker ? "RPX" : "KPX";
    std::string prefix = opt.blockTagPrefix.empty() ? family : opt.blockTagPrefix;
    bool lmType = IsLinkMasterType(opt.deviceType, opt.deviceRevision);
    std::string typeName = family + (opt.deviceType == 7 ? "110-LM" : "110");

    auto d = std::make_unique<Device>();
    d->positioner = true;
    d->linkMasterType = lmType;
    d->manufacturerId = opt.manufacturerId;
    d->deviceType = opt.deviceType;
    d->deviceRevision = opt.deviceRevision;
    d->ddRevision = opt.ddRevision;
    d->deviceId = HexId(opt.manufacturerId, opt.deviceType, opt.serial);
    d->pdTag = opt.pdTag;
    d->address = opt.address;
    d->vendorName = maker ? "BRK Controls" : "KTE Automation";
    d->modelName = typeName;
    d->revisionText = std::to_string(opt.deviceRevision) + "." + std::to_string(opt.ddRevision);
    d->position = 50.0;
    d->pidPv = 50.0;

    std::string model = family + "110 /LC /AP";
    d->blocks.push_back(ResourceBlock(prefix + "_RES", opt.manufacturerId, opt.deviceType, opt.deviceRevision,
                                      opt.ddRevision, typeName, family + " VALVE POSITIONER"));
    d->blocks.push_back(TransducerBlock(prefix + "_TB", opt, model));
    d->blocks.push_back(AoBlock(prefix + "_AO"));
    if (opt.aoInvert) SeedAoInvert(d->blocks.back());
    d->blocks.push_back(DiBlock(prefix + "_DI1", 6000, 1));
    d->blocks.push_back(DiBlock(prefix + "_DI2", 6100, 2));
    if (opt.pidOption) d->blocks.push_back(PidBlock(prefix + "_PID", 8000));
    for (int i = 0; i < opt.extraPidBlocks && i < 4; ++i)
        d->blocks.push_back(PidBlock(prefix + "_PID" + std::to_string(i + 2), static_cast<uint16_t>(8100 + 100 * i)));
    if (lmType) d->blocks.push_back(SplitterBlock(prefix + "_SPLT"));
    if (opt.inputSelector) d->blocks.push_back(SmallFunctionBlock("IS", prefix + "_IS", 0x0126, 15000));
    if (opt.arithmetic) d->blocks.push_back(SmallFunctionBlock("AR", prefix + "_AR", 0x0127, 16000));

    // Schedule: AO first, then DI1, DI2 and PID.
    std::vector<DeviceObject> schedule = {FbStartEntry(1, 0, 5000), FbStartEntry(2, 3200, 6000),
                                          FbStartEntry(3, 6400, 6100),
                                          FbStartEntry(4, opt.pidOption ? 9600 : 0xFFFFFFFFu, 8000)};
    d->mib = Management(d->deviceId, d->pdTag, lmType, opt.bootAsLinkMaster, opt.activeScheduler, schedule);

    // Link objects: PID OUT feeds AO CAS_IN inside the device, AO BKCAL_OUT goes back to
    // PID BKCAL_IN, and PID IN is published by another device.
    for (uint16_t n = 0; n < 20; ++n) d->vfdObjects.push_back(Link(static_cast<uint16_t>(30000 + n), 0, 0, 0, 0, 0));
    if (opt.pidOption) {
        d->vfdObjects[0] = Link(30000, 5017, 0, 8009, 0x02, 3);
        d->vfdObjects[1] = Link(30001, 8027, 0, 5025, 0x02, 3);
        if (opt.pidInLinked) d->vfdObjects[2] = Link(30002, 8015, 5, 4104, 0x03, 3);
    }
    FirmwareDomain::Install(*d);
    d->settleMs = 500;
    if (!d->Layout(error)) return nullptr;

    // The valve behind the positioner; the actuator's action shows in ACT_FAIL_ACTION.
    const valve::ValveSettings valveSettings = opt.valve ? *opt.valve : valve::DefaultValveSettings(opt.manufacturerId);
    // The factory SUPPLY_PRESSURE is the supply the valve is installed with.
    if (Block* tb = d->BlockByKind("TB")) {
        tb->SetByte("ACT_FAIL_ACTION", valveSettings.airToClose ? 2 : 1);
        tb->SetFloat("SUPPLY_PRESSURE", static_cast<float>(valveSettings.supplyKpa));
    }
    AttachExtension(*d, std::make_shared<valve::ValveExtension>(valveSettings));
    return d;
}

std::unique_ptr<Device> BuildTransmitter(const TransmitterOptions& opt, std::string& error) {
    auto d = std::make_unique<Device>();
    d->manufacturerId = opt.manufacturerId;
    d->deviceType = opt.deviceType;
    d->deviceRevision = opt.deviceRevision;
    d->ddRevision = opt.ddRevision;
    d->deviceId = HexId(opt.manufacturerId, opt.deviceType, opt.serial);
    d->pdTag = opt.pdTag;
    d->address = opt.address;
    d->vendorName = "ZT Measurement";
    d->modelName = "PT-200";
    d->revisionText = std::to_string(opt.deviceRevision) + "." + std::to_string(opt.ddRevision);
    std::string prefix = opt.blockTagPrefix;
    d->blocks.push_back(ResourceBlock(prefix + "_RES", opt.manufacturerId, opt.deviceType, opt.deviceRevision,
                                      opt.ddRevision, "PT-200", "PRESSURE TRANSMITTER"));
    std::vector<DeviceObject> tbParams = {
        U16Param("TRANSDUCER_TYPE", 100).RO(),
        ValueStatus("PRIMARY_VALUE", 0x80, 50.0f).RO(),
        Scaling("PRIMARY_VALUE_RANGE", 100.0f, 0.0f, 1133, 2).Modes(kOos),
        FloatParam("SENSOR_TEMP", 22.0f).RO(),
    };
    Block tb = MakeBlock("TB", prefix + "_TB", NIF_TRANSDUCER_BLOCK, 0x8001, 2000,
                         MODE_OOS | MODE_MAN | MODE_AUTO, MODE_AUTO, std::move(tbParams),
                         {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PRIMARY_VALUE"})});
    tb.SetByte("MODE_BLK", MODE_AUTO, 0);
    d->blocks.push_back(std::move(tb));
    std::vector<DeviceObject> aiParams = {
        ValueStatus("PV", 0x80, 50.0f).RO(),
        ValueStatus("OUT", 0x80, 50.0f).Dyn().Modes(MODE_OOS | MODE_MAN),
        Simple("SIMULATE", NIF_DT_OCTSTRING, 11).Dyn(),
        Scaling("XD_SCALE", 100.0f, 0.0f, 1133, 2).Modes(kOos),
        Scaling("OUT_SCALE", 100.0f, 0.0f, 1133, 2).Modes(kOos),
        U16Param("CHANNEL", 1).Modes(kOos),
        U8Param("L_TYPE", 1).Modes(kOos).Enum({{1, "|en|Direct"}, {2, "|en|Indirect"}, {3, "|en|Ind Sqr Root"}}),
        FloatParam("PV_FTIME", 0.0f).Range(0.0f, kInf),
    };
    d->blocks.push_back(MakeBlock("AI", prefix + "_AI", NIF_FUNCTION_BLOCK, 0x0101, 4096,
                                  MODE_OOS | MODE_MAN | MODE_AUTO, MODE_AUTO, std::move(aiParams),
                                  {View("VIEW_1", {"ST_REV", "MODE_BLK", "BLOCK_ERR", "PV", "OUT"})}));
    std::vector<DeviceObject> schedule = {FbStartEntry(1, 0, 4096), FbStartEntry(2, 0xFFFFFFFFu, 0),
                                          FbStartEntry(3, 0xFFFFFFFFu, 0), FbStartEntry(4, 0xFFFFFFFFu, 0)};
    d->mib = Management(d->deviceId, d->pdTag, false, false, false, schedule);
    for (uint16_t n = 0; n < 8; ++n) d->vfdObjects.push_back(Link(static_cast<uint16_t>(30000 + n), 0, 0, 0, 0, 0));
    d->vfdObjects[0] = Link(30000, 4104, 5, 0, 0x01, 3);  // AI OUT published on VCR 5
    if (!d->Layout(error)) return nullptr;
    return d;
}

std::unique_ptr<Device> BuildHostInterface(const std::string& hostId, uint8_t address, uint8_t firstUnpolledNode,
                                           uint8_t numUnpolledNodes) {
    auto d = std::make_unique<Device>();
    d->deviceId = hostId;
    // Its identity is its device ID's (a host's description is found by it over HSE).
    nifb::dd::IdentityOfDeviceId(hostId, d->manufacturerId, d->deviceType);
    d->address = address;
    d->vendorName = "Host interface";
    d->modelName = "H1 interface";
    d->revisionText = "1.0";
    d->mib = Management(d->deviceId, "", true, true, true, {});
    for (DeviceObject& object : d->mib)
        if (object.name == "CURRENT_LINK_SETTING") {
            object.value[4] = firstUnpolledNode;
            object.value[8] = numUnpolledNodes;
        }
    // Its management objects get their indexes as a field device's do (no blocks to fail).
    std::string error;
    d->Layout(error);
    return d;
}

}  // namespace simulator
