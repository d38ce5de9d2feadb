#include "config/ConfigNameTables.h"

namespace config::names {

const Table& GeneralRbRead() {
    static const Table t = {"TAG_DESC"};
    return t;
}

const Table& GeneralTbRead() {
    static const Table t = {"MODEL",         "TAG_DESC",   "VALVE_MODEL_NUM",
                            "VALVE_SN",      "VALVE_MAN_ID", "VALVE_MAN_ID/ValueAsString",
                            "ACT_MODEL_NUM", "ACT_SN",     "ACT_MAN_ID",
                            "ACT_MAN_ID/ValueAsString",    "XD_CAL_WHO", "XD_CAL_LOC",
                            "XD_CAL_DATE",   "DEV_OPTIONS", "PRESS_SENS_INSTALLED"};
    return t;
}

const Table& PositionRead() {
    static const Table t = {"SERVO_GAIN",
                            "SERVO_RESET",
                            "SERVO_RATE",
                            "SERVO_RATE_GAIN",
                            "SERVO_DEADBAND",
                            "FINAL_VALUE_CUTTOFF_LO",
                            "FINAL_VALUE_CUTTOFF_HI",
                            "FINAL_VALUE_RANGE/EU_0",
                            "FINAL_VALUE_RANGE/EU_100",
                            "NEAR_CLOSE_THRESHOLD",
                            "LIMSW_LO_LIM",
                            "LIMSW_HI_LIM",
                            "DEVIATION_LIM",
                            "DEVIATION_TIME_TH/1",
                            "DEVIATION_TIME_TH/2",
                            "BOOST_ON_THRESHOLD/1",
                            "BOOST_ON_THRESHOLD/2",
                            "BOOST_OFF_THRESHOLD/1",
                            "BOOST_OFF_THRESHOLD/2",
                            "BOOST_VALUE/1",
                            "BOOST_VALUE/2",
                            "SERVO_I_SLEEP_LMT",
                            "SERVO_P_ALPHA",
                            "INTERNAL_GAIN",
                            "SERVO_OFFSET",
                            "OPEN_STOP_ADJ",
                            "THETA_HI",
                            "THETA_LO",
                            "THETA_P",
                            "CONTROL_DIR",
                            "CONTROL_DIR/ValueAsString"};
    return t;
}

const Table& ExtendedServoRead() {
    static const Table t = {"SERVO_WARN_HI_LIM",     "SERVO_WARN_LO_LIM",     "SERVO_TIME_TH",
                            "SERVO_WARN_COUNT",      "X_BST_ON_THRESHOLD/1",  "X_BST_ON_THRESHOLD/2",
                            "X_BST_OFF_THRESHOLD/1", "X_BST_OFF_THRESHOLD/2", "X_BOOST_VALUE/1",
                            "X_BOOST_VALUE/2"};
    return t;
}

const Table& ActuatorRead() {
    static const Table t = {"ACT_FAIL_ACTION",   "ACTUATOR_TYPE",        "RELAY_TYPE",        "VALVE_TYPE",
                            "TRAVEL_LIM",        "CYCLE_COUNT_LIM",      "OPEN_TIME_LIM",     "CLOSE_TIME_LIM",
                            "NEAR_CLOSE_TIME_LIM", "TOTAL_TRAVEL",       "TOTAL_CYCLE_COUNT", "TOTAL_OPEN_TIME",
                            "TOTAL_CLOSE_TIME",  "TOTAL_NEAR_CLOSE_TIM", "INTERNAL_GAIN",     "MEAS_GAIN",
                            "VALVE_TC",          "VALVE_HYS",            "VALVE_SLIP_WIDTH",  "MEAS_PRESS_AIR",
                            "MEAS_PRESS_SUPPLY", "MEAS_SPRING_RANGE/1",  "MEAS_SPRING_RANGE/2"};
    return t;
}

const Table& AoBlockRead() {
    static const Table t = {"SP_HI_LIM", "SP_LO_LIM", "SP_RATE_UP", "SP_RATE_DN", "IO_OPTS", "STATUS_OPTS"};
    return t;
}

const Table& PidBlockRead() {
    static const Table t = {"PV_SCALE/EU_100",
                            "PV_SCALE/EU_0",
                            "PV_SCALE/DECIMAL",
                            "PV_SCALE/UNITS_INDEX",
                            "PV_SCALE/UNITS_INDEX/ValueAsString",
                            "CONTROL_OPTS",
                            "STATUS_OPTS",
                            "GAIN",
                            "RESET",
                            "RATE",
                            "FF_GAIN",
                            "FF_VAL/VALUE",
                            "SP_HI_LIM",
                            "SP_LO_LIM",
                            "OUT_HI_LIM",
                            "OUT_LO_LIM",
                            "DV_HI_LIM",
                            "DV_LO_LIM",
                            "HI_LIM",
                            "LO_LIM",
                            "HI_HI_LIM",
                            "LO_LO_LIM"};
    return t;
}

const Table& OptionRead() {
    static const Table t = {"POSITION_CHAR_TYPE",
                            "POSITION_CHAR_TYPE/ValueAsString",
                            "POSITION_CHAR/1",
                            "POSITION_CHAR/2",
                            "POSITION_CHAR/3",
                            "POSITION_CHAR/4",
                            "POSITION_CHAR/5",
                            "POSITION_CHAR/6",
                            "POSITION_CHAR/7",
                            "POSITION_CHAR/8",
                            "POSITION_CHAR/9",
                            "SPRING_RANGE/UNITS_INDEX",
                            "SPRING_RANGE/UNITS_INDEX/ValueAsString",
                            "SPRING_RANGE/EU_100",
                            "SPRING_RANGE/EU_0",
                            "SUPPLY_PRESSURE",
                            "TEMPERATURE_UNIT",
                            "TEMPERATURE_UNIT/ValueAsString"};
    return t;
}

const Table& PositionDownload() {
    static const Table t = {"SERVO_GAIN",
                            "SERVO_RESET",
                            "SERVO_RATE",
                            "SERVO_RATE_GAIN",
                            "SERVO_DEADBAND",
                            "FINAL_VALUE_CUTTOFF_LO",
                            "FINAL_VALUE_CUTTOFF_HI",
                            "FINAL_VALUE_RANGE/EU_0",
                            "FINAL_VALUE_RANGE/EU_100",
                            "NEAR_CLOSE_THRESHOLD",
                            "LIMSW_LO_LIM",
                            "LIMSW_HI_LIM",
                            "DEVIATION_LIM",
                            "DEVIATION_TIME_TH/1",
                            "DEVIATION_TIME_TH/2",
                            "BOOST_ON_THRESHOLD/1",
                            "BOOST_ON_THRESHOLD/2",
                            "BOOST_OFF_THRESHOLD/1",
                            "BOOST_OFF_THRESHOLD/2",
                            "BOOST_VALUE/1",
                            "BOOST_VALUE/2",
                            "SERVO_I_SLEEP_LMT",
                            "SERVO_P_ALPHA",
                            "INTERNAL_GAIN",
                            "SERVO_OFFSET",
                            "OPEN_STOP_ADJ"};
    return t;
}

const Table& ActuatorDownload() {
    static const Table t = {"ACT_FAIL_ACTION", "VALVE_TYPE",     "TRAVEL_LIM",         "CYCLE_COUNT_LIM",
                            "OPEN_TIME_LIM",   "CLOSE_TIME_LIM", "NEAR_CLOSE_TIME_LIM"};
    return t;
}

const Table& AoBlockDownload() { return AoBlockRead(); }

const Table& PidBlockDownload() {
    static const Table t = {"PV_SCALE/EU_100", "PV_SCALE/EU_0", "PV_SCALE/UNITS_INDEX", "PV_SCALE/DECIMAL",
                            "CONTROL_OPTS",    "STATUS_OPTS",   "GAIN",                 "RESET",
                            "RATE",            "FF_GAIN",       "FF_VAL",               "SP_HI_LIM",
                            "SP_LO_LIM",       "OUT_HI_LIM",    "OUT_LO_LIM",           "DV_HI_LIM",
                            "DV_LO_LIM",       "HI_LIM",        "LO_LIM",               "HI_HI_LIM",
                            "LO_LO_LIM"};
    return t;
}

const Table& CharacterisationChoices() {
    static const Table t = {"POSITION_CHAR_TYPE", "POSITION_CHAR_TYPE/ValueAsString"};
    return t;
}

const Table& OptionDownload() {
    static const Table t = {"POSITION_CHAR_TYPE",       "POSITION_CHAR/1",     "POSITION_CHAR/2",
                            "POSITION_CHAR/3",          "POSITION_CHAR/4",     "POSITION_CHAR/5",
                            "POSITION_CHAR/6",          "POSITION_CHAR/7",     "POSITION_CHAR/8",
                            "POSITION_CHAR/9",          "SPRING_RANGE/UNITS_INDEX", "SPRING_RANGE/EU_100",
                            "SPRING_RANGE/EU_0",        "SUPPLY_PRESSURE",     "TEMPERATURE_UNIT"};
    return t;
}

const Table& GeneralRbDownload() { return GeneralRbRead(); }

const Table& GeneralTbDownload() {
    static const Table t = {"TAG_DESC",      "VALVE_MODEL_NUM", "VALVE_SN",   "VALVE_MAN_ID", "ACT_MODEL_NUM",
                            "ACT_SN",        "ACT_MAN_ID",      "XD_CAL_WHO", "XD_CAL_LOC",   "XD_CAL_DATE"};
    return t;
}

std::vector<TableOnBlock> AllTables() {
    using fieldbus::BlockKind;
    return {{BlockKind::RB, &GeneralRbRead()},          {BlockKind::TB, &GeneralTbRead()},
            {BlockKind::TB, &PositionRead()},           {BlockKind::TB, &ExtendedServoRead()},
            {BlockKind::TB, &ActuatorRead()},           {BlockKind::AO, &AoBlockRead()},
            {BlockKind::PID, &PidBlockRead()},          {BlockKind::TB, &OptionRead()},
            {BlockKind::TB, &PositionDownload()},       {BlockKind::TB, &ActuatorDownload()},
            {BlockKind::PID, &PidBlockDownload()},      {BlockKind::TB, &CharacterisationChoices()},
            {BlockKind::TB, &OptionDownload()},         {BlockKind::TB, &GeneralTbDownload()}};
}

}  // namespace config::names
