#pragma once
// The six member groups of a positioner configuration, in the order a configuration is read:
// General, Position, Actuator, AO block, PID block, Option. Default member initialisers hold
// the values common to both device families; family and run-mode dependent defaults are set
// by CConfigData's constructor.
#include <array>
#include <cstdint>
#include <string>

#include "config/ConfigFields.h"

namespace config {

// Index of a block tag in GeneralGroup::blockTags.
enum BlockTagIndex : int { TagRB = 0, TagTB, TagAO, TagDI1, TagDI2, TagPID, TagSPLT, BlockTagCount };

struct GeneralGroup {
    std::string pdTag = "CV0000";          // physical-device tag (live list)
    uint8_t nodeAddress = 0xF7;            // node address (live list)
    std::string deviceId;                  // device identifier (live list)
    std::string manufacturerId;            // RB.MANUFAC_ID, lower-case hex
    std::string deviceType = "0001";       // RB.DEV_TYPE, hex
    std::string deviceRevision = "2";      // RB.DEV_REV, hex
    std::string ddRevision = "1";          // RB.DD_REV, hex
    std::string model;                     // TB.MODEL
    std::string resourceDescription;       // RB.TAG_DESC
    std::string servoTuningInfo;           // TB.TAG_DESC
    std::string valveModel;                // TB.VALVE_MODEL_NUM
    std::string valveSerialNumber;         // TB.VALVE_SN
    ConfigEnumField<uint32_t> valveManufacturer;     // TB.VALVE_MAN_ID
    std::string actuatorModel;             // TB.ACT_MODEL_NUM
    std::string actuatorSerialNumber;      // TB.ACT_SN
    ConfigEnumField<uint32_t> actuatorManufacturer;  // TB.ACT_MAN_ID
    std::string calibrationPerson;         // TB.XD_CAL_WHO
    std::string calibrationLocation;       // TB.XD_CAL_LOC
    ConfigDate calibrationDate;            // TB.XD_CAL_DATE
    std::array<std::string, BlockTagCount> blockTags;  // RB, TB, AO, DI1, DI2, PID, SPLT
    uint32_t splitterPresent = 0;          // device capability
    uint32_t signatureActivation = 0;      // bit 1 of TB.DEV_OPTIONS
    uint32_t linkMasterActivation = 0;     // device capability
    uint32_t bootFunctionalClass = 0;      // 1 link master, 0 basic
    uint32_t extendedServoParameters = 0;  // device capability: servo warning and X boost members
    uint32_t pidBlockActivation = 1;       // bit 0 of TB.DEV_OPTIONS
    uint32_t pressureSensorInstalled = 1;  // bit 1 of TB.PRESS_SENS_INSTALLED
    uint32_t macroCycleDuration = 32000;   // the link's macro cycle

    bool operator==(const GeneralGroup&) const = default;

    // Capability flags for a device that does not report them itself (reading offline from a
    // host database): they follow from the device type and revision.
    static uint32_t SplitterFromTypeAndRevision(unsigned deviceType, unsigned deviceRevision) {
        return (deviceType == 7 || (deviceType == 1 && deviceRevision >= 3)) ? 1u : 0u;
    }
    static uint32_t ExtendedServoFromTypeAndRevision(unsigned deviceType, unsigned deviceRevision) {
        return ((deviceType == 7 && deviceRevision >= 2) || (deviceType == 1 && deviceRevision >= 4)) ? 1u : 0u;
    }
};

// Transducer-block servo and position members.
struct PositionGroup {
    float servoGain = 120.0f;               // SERVO_GAIN
    float servoReset = 15.0f;               // SERVO_RESET
    float servoRate = 0.22f;                // SERVO_RATE
    float servoRateGain = 5.0f;             // SERVO_RATE_GAIN
    float servoDeadband = 0.0f;             // SERVO_DEADBAND
    float servoOffset = 55.0f;              // SERVO_OFFSET
    float tightShutoff = 0.0f;              // FINAL_VALUE_CUTTOFF_LO
    float fullOpen = 100.0f;                // FINAL_VALUE_CUTTOFF_HI
    float positionLowerLimit = -10.0f;      // FINAL_VALUE_RANGE/EU_0
    float positionUpperLimit = 110.0f;      // FINAL_VALUE_RANGE/EU_100
    float nearCloseValue = 3.0f;            // NEAR_CLOSE_THRESHOLD
    float limitSwitchLow = -10.0f;          // LIMSW_LO_LIM
    float limitSwitchHigh = 110.0f;         // LIMSW_HI_LIM
    float deviationLimit = 110.0f;          // DEVIATION_LIM
    std::array<float, 2> deviationTimeThreshold{10.0f, -1.0f};  // DEVIATION_TIME_TH/1, /2
    std::array<float, 2> boostOnThreshold{1.9f, 2.9f};          // BOOST_ON_THRESHOLD/1, /2
    std::array<float, 2> boostOffThreshold{1.0f, 1.0f};         // BOOST_OFF_THRESHOLD/1, /2
    std::array<float, 2> boostValue{8.0f, 10.0f};               // BOOST_VALUE/1, /2
    float servoISleepLimit = 0.0f;          // SERVO_I_SLEEP_LMT
    float servoPAlpha = 0.0f;               // SERVO_P_ALPHA
    float openStopAdjustment = 100.0f;      // OPEN_STOP_ADJ
    float thetaHi = 0.0f;                   // THETA_HI
    float thetaLo = 0.0f;                   // THETA_LO
    float thetaP = 0.0f;                    // THETA_P
    uint8_t controlDirection = 0;           // CONTROL_DIR value
    std::string controlDirectionText;       // CONTROL_DIR text
    // Only read, downloaded and stored while GeneralGroup::extendedServoParameters is set:
    float servoWarnHigh = 80.0f;            // SERVO_WARN_HI_LIM
    float servoWarnLow = 20.0f;             // SERVO_WARN_LO_LIM
    float servoWarnTime = 0.0f;             // SERVO_TIME_TH
    uint32_t servoWarnCount = 0;            // SERVO_WARN_COUNT
    std::array<float, 2> xBoostOnThreshold{1.9f, 2.9f};   // X_BST_ON_THRESHOLD/1, /2
    std::array<float, 2> xBoostOffThreshold{1.0f, 1.0f};  // X_BST_OFF_THRESHOLD/1, /2
    std::array<float, 2> xBoostValue{8.0f, 10.0f};        // X_BOOST_VALUE/1, /2

    bool operator==(const PositionGroup&) const = default;
};

// Transducer-block actuator members. The four two-valued members hold 0 or 1; the device
// codes them 1 and 2.
struct ActuatorGroup {
    uint32_t valveAction = 0;         // ACT_FAIL_ACTION: 0 "Air To Open", 1 "Air To Close"
    uint32_t actuatorType = 0;        // ACTUATOR_TYPE: 0 "Single Acting", 1 "Double Acting"
    uint32_t relayType = 0;           // RELAY_TYPE: 0 normal, 1 reverse
    uint32_t valveType = 0;           // VALVE_TYPE: 0 linear, 1 rotary
    uint32_t travelLimit = 0;         // TRAVEL_LIM
    uint32_t cycleCountLimit = 0;     // CYCLE_COUNT_LIM
    uint32_t openTimeLimit = 0;       // OPEN_TIME_LIM
    uint32_t closeTimeLimit = 0;      // CLOSE_TIME_LIM
    uint32_t nearCloseTimeLimit = 0;  // NEAR_CLOSE_TIME_LIM
    uint32_t totalTravel = 0;         // TOTAL_TRAVEL
    uint32_t totalCycleCount = 0;     // TOTAL_CYCLE_COUNT
    uint32_t totalOpenTime = 0;       // TOTAL_OPEN_TIME
    uint32_t totalCloseTime = 0;      // TOTAL_CLOSE_TIME
    uint32_t totalNearCloseTime = 0;  // TOTAL_NEAR_CLOSE_TIM
    float internalGain = 5.0f;               // INTERNAL_GAIN
    float measuredGain = 0.0f;               // MEAS_GAIN
    float valveTimeConstant = 0.0f;          // VALVE_TC
    float valveHysteresis = 0.0f;            // VALVE_HYS
    float valveSlipWidth = 0.0f;             // VALVE_SLIP_WIDTH
    float measuredOutputPressure = 0.0f;     // MEAS_PRESS_AIR
    float measuredSupplyPressure = 0.0f;     // MEAS_PRESS_SUPPLY
    std::array<float, 2> measuredSpringRange{0.0f, 0.0f};  // MEAS_SPRING_RANGE/1 (upper), /2 (lower)

    bool operator==(const ActuatorGroup&) const = default;

    // Device code to flag: 1 -> 0, 2 -> 1, anything else -> 0.
    static uint32_t FlagFromDeviceCode(uint32_t code) { return code == 2 ? 1u : 0u; }
    // Flag to device code: 1 -> 2, anything else -> 1.
    static uint8_t DeviceCodeFromFlag(uint32_t flag) { return flag == 1 ? 2 : 1; }
};

// AO block members.
struct AoBlockGroup {
    float spHighLimit = 100.0f;  // SP_HI_LIM
    float spLowLimit = 0.0f;     // SP_LO_LIM
    float spRateUp = 0.0f;       // SP_RATE_UP (default +infinity, set by the constructor)
    float spRateDown = 0.0f;     // SP_RATE_DN (default +infinity, set by the constructor)
    ConfigBitStringField ioOptions;      // IO_OPTS
    ConfigBitStringField statusOptions;  // STATUS_OPTS

    bool operator==(const AoBlockGroup&) const = default;
};

// PID block members.
struct PidBlockGroup {
    ConfigEnumField<uint16_t> pvUnit;  // PV_SCALE/UNITS_INDEX
    float pvRangeHigh = 100.0f;        // PV_SCALE/EU_100
    float pvRangeLow = 0.0f;           // PV_SCALE/EU_0
    uint8_t pvDecimalPlaces = 0;       // PV_SCALE/DECIMAL
    uint32_t pidGroupFlag = 1;         // carried with the group through files and the database
    ConfigBitStringField controlOptions;  // CONTROL_OPTS
    ConfigBitStringField statusOptions;   // STATUS_OPTS
    float gain = 1.0f;            // GAIN
    float reset = 10.0f;          // RESET
    float rate = 0.0f;            // RATE
    float ffGain = 0.0f;          // FF_GAIN
    float ffValue = 0.0f;         // FF_VAL/VALUE
    float spHighLimit = 100.0f;   // SP_HI_LIM
    float spLowLimit = 0.0f;      // SP_LO_LIM
    float outHighLimit = 100.0f;  // OUT_HI_LIM
    float outLowLimit = 0.0f;     // OUT_LO_LIM
    // The alarm limits default to plus or minus infinity (set by the constructor).
    float devAlarmHigh = 0.0f;    // DV_HI_LIM
    float devAlarmLow = 0.0f;     // DV_LO_LIM
    float alarmHigh = 0.0f;       // HI_LIM
    float alarmLow = 0.0f;        // LO_LIM
    float alarmHighHigh = 0.0f;   // HI_HI_LIM
    float alarmLowLow = 0.0f;     // LO_LO_LIM

    bool operator==(const PidBlockGroup&) const = default;
};

// Transducer-block option members.
struct OptionGroup {
    uint32_t bumplessTransfer = 1;                // flag kept with the group
    ConfigEnumField<uint8_t> charType;            // POSITION_CHAR_TYPE
    // Valve positions (%) for the set points 10, 20, ... 90 %; the end points are fixed.
    std::array<float, 9> charPoints{10.0f, 20.0f, 30.0f, 40.0f, 50.0f, 60.0f, 70.0f, 80.0f, 90.0f};
    ConfigEnumField<uint32_t> pressureUnit;       // SPRING_RANGE/UNITS_INDEX
    float pressureRangeHigh = 100.0f;             // SPRING_RANGE/EU_100
    float pressureRangeLow = 20.0f;               // SPRING_RANGE/EU_0
    float supplyPressure = 140.0f;                // SUPPLY_PRESSURE
    ConfigEnumField<uint32_t> temperatureUnit;    // TEMPERATURE_UNIT

    bool operator==(const OptionGroup&) const = default;
};

}  // namespace config
