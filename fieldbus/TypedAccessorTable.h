#pragma once
// The typed accessors of the device interface, one line per named parameter: the function
// name, the block kind, the parameter name on the wire, the host type and how the value
// travels. DeviceAccess declares each entry with a do-nothing default and FieldbusDevice
// implements it on ReadParameter / WriteParameter. Writes that change the device's
// configuration are marked Prepared: the device is made ready for the change first (out of
// service after asking the user).
//
// Wire kinds: U8, U16, U32 (big-endian unsigned, also enumerations), F32 (big-endian float),
// StatusValue (5 bytes), Discrete (2 bytes), Scaling (11 bytes), Bits16 (bit string, bit k of
// the parameter becomes bit k of the integer), Text (visible string, 32 bytes when written),
// Raw (the record as the device sends it).
#include "fieldbus/DeviceRecords.h"

// X(function, block kind, "NAME", host type, wire kind)
#define FIELDBUS_READ_ACCESSORS(X)                                                   \
    /* Resource block */                                                              \
    X(ReadRbManufacId, RB, "MANUFAC_ID", uint32_t, U32)                               \
    X(ReadRbDevType, RB, "DEV_TYPE", uint16_t, U16)                                   \
    X(ReadRbDevRev, RB, "DEV_REV", uint8_t, U8)                                       \
    X(ReadRbDdRev, RB, "DD_REV", uint8_t, U8)                                         \
    X(ReadRbTagDesc, RB, "TAG_DESC", std::string, Text)                               \
    X(ReadRbSoftdwnProtect, RB, "SOFTDWN_PROTECT", uint8_t, U8)                       \
    X(ReadRbSoftdwnError, RB, "SOFTDWN_ERROR", uint16_t, U16)                         \
    X(ReadRbView1, RB, "VIEW_1", RawRecord22, Raw)                                    \
    /* Transducer block: values and ranges */                                         \
    X(ReadTbFinalValue, TB, "FINAL_VALUE", StatusValue, StatusValue)                  \
    X(ReadTbFinalPositionValue, TB, "FINAL_POSITION_VALUE", StatusValue, StatusValue) \
    X(ReadTbFinalValueRange, TB, "FINAL_VALUE_RANGE", ScalingRecord, Scaling)         \
    X(ReadTbFinalValueRangeEu0, TB, "FINAL_VALUE_RANGE.EU_0", float, F32)             \
    X(ReadTbFinalValueRangeEu100, TB, "FINAL_VALUE_RANGE.EU_100", float, F32)         \
    X(ReadTbFinalValueCuttoffLo, TB, "FINAL_VALUE_CUTTOFF_LO", float, F32)            \
    X(ReadTbFinalValueCuttoffHi, TB, "FINAL_VALUE_CUTTOFF_HI", float, F32)            \
    X(ReadTbOutPressure, TB, "OUT_PRESSURE", float, F32)                              \
    X(ReadTbServoOutputSignal, TB, "SERVO_OUTPUT_SIGNAL", float, F32)                 \
    X(ReadTbSupplyPressure, TB, "SUPPLY_PRESSURE", float, F32)                        \
    X(ReadTbElectTemp, TB, "ELECT_TEMP", float, F32)                                  \
    X(ReadTbAdvalFw, TB, "ADVAL_FW", uint16_t, U16)                                   \
    X(ReadTbAdvalBw, TB, "ADVAL_BW", uint16_t, U16)                                   \
    X(ReadTbAdvalPress, TB, "ADVAL_PRESS", uint16_t, U16)                             \
    X(ReadTbAdvalT, TB, "ADVAL_T", uint16_t, U16)                                     \
    X(ReadTbOpenStopAdj, TB, "OPEN_STOP_ADJ", float, F32)                             \
    X(ReadTbSpringRange, TB, "SPRING_RANGE", ScalingRecord, Scaling)                  \
    X(ReadTbSpringRangeEu100, TB, "SPRING_RANGE.EU_100", float, F32)                  \
    X(ReadTbSpringRangeEu0, TB, "SPRING_RANGE.EU_0", float, F32)                      \
    X(ReadTbSpringRangeUnitsIndex, TB, "SPRING_RANGE.UNITS_INDEX", uint16_t, U16)     \
    X(ReadTbTemperatureUnit, TB, "TEMPERATURE_UNIT", uint16_t, U16)                   \
    X(ReadTbNearCloseThreshold, TB, "NEAR_CLOSE_THRESHOLD", float, F32)               \
    X(ReadTbLimswHiLim, TB, "LIMSW_HI_LIM", float, F32)                               \
    X(ReadTbLimswLoLim, TB, "LIMSW_LO_LIM", float, F32)                               \
    X(ReadTbPositionChar, TB, "POSITION_CHAR", RawRecord36, Raw)                      \
    X(ReadTbPositionCharType, TB, "POSITION_CHAR_TYPE", uint8_t, U8)                  \
    /* Transducer block: valve and actuator description */                            \
    X(ReadTbValveType, TB, "VALVE_TYPE", uint8_t, U8)                                 \
    X(ReadTbActFailAction, TB, "ACT_FAIL_ACTION", uint8_t, U8)                        \
    X(ReadTbActuatorType, TB, "ACTUATOR_TYPE", uint8_t, U8)                           \
    X(ReadTbRelayType, TB, "RELAY_TYPE", uint8_t, U8)                                 \
    X(ReadTbControlDir, TB, "CONTROL_DIR", uint8_t, U8)                               \
    X(ReadTbPressSensInstalled, TB, "PRESS_SENS_INSTALLED", uint8_t, U8)              \
    X(ReadTbXdError, TB, "XD_ERROR", uint8_t, U8)                                     \
    X(ReadTbActManId, TB, "ACT_MAN_ID", uint32_t, U32)                                \
    X(ReadTbValveManId, TB, "VALVE_MAN_ID", uint32_t, U32)                            \
    X(ReadTbActModelNum, TB, "ACT_MODEL_NUM", std::string, Text)                      \
    X(ReadTbActSn, TB, "ACT_SN", std::string, Text)                                   \
    X(ReadTbValveModelNum, TB, "VALVE_MODEL_NUM", std::string, Text)                  \
    X(ReadTbValveSn, TB, "VALVE_SN", std::string, Text)                               \
    X(ReadTbXdCalWho, TB, "XD_CAL_WHO", std::string, Text)                            \
    X(ReadTbXdCalLoc, TB, "XD_CAL_LOC", std::string, Text)                            \
    X(ReadTbModel, TB, "MODEL", std::string, Text)                                    \
    X(ReadTbTagDesc, TB, "TAG_DESC", std::string, Text)                               \
    X(ReadTbXdCalDate, TB, "XD_CAL_DATE", RawRecord7, Raw)                            \
    /* Transducer block: valve historian */                                           \
    X(ReadTbTotalTravel, TB, "TOTAL_TRAVEL", uint32_t, U32)                           \
    X(ReadTbTotalCycleCount, TB, "TOTAL_CYCLE_COUNT", uint32_t, U32)                  \
    X(ReadTbTotalOpenTime, TB, "TOTAL_OPEN_TIME", uint32_t, U32)                      \
    X(ReadTbTotalCloseTime, TB, "TOTAL_CLOSE_TIME", uint32_t, U32)                    \
    X(ReadTbTotalNearCloseTime, TB, "TOTAL_NEAR_CLOSE_TIM", uint32_t, U32)            \
    X(ReadTbTravelLim, TB, "TRAVEL_LIM", uint32_t, U32)                               \
    X(ReadTbCycleCountLim, TB, "CYCLE_COUNT_LIM", uint32_t, U32)                      \
    X(ReadTbOpenTimeLim, TB, "OPEN_TIME_LIM", uint32_t, U32)                          \
    X(ReadTbCloseTimeLim, TB, "CLOSE_TIME_LIM", uint32_t, U32)                        \
    X(ReadTbNearCloseTimeLim, TB, "NEAR_CLOSE_TIME_LIM", uint32_t, U32)               \
    /* Transducer block: signature results and options */                             \
    X(ReadTbValveHys, TB, "VALVE_HYS", float, F32)                                    \
    X(ReadTbMeasPressAir, TB, "MEAS_PRESS_AIR", float, F32)                           \
    X(ReadTbMeasPressSupply, TB, "MEAS_PRESS_SUPPLY", float, F32)                     \
    X(ReadTbValveSlipWidth, TB, "VALVE_SLIP_WIDTH", float, F32)                       \
    X(ReadTbInternalGain, TB, "INTERNAL_GAIN", float, F32)                            \
    X(ReadTbMeasSpringRange, TB, "MEAS_SPRING_RANGE", RawRecord8, Raw)                \
    X(ReadTbMeasGain, TB, "MEAS_GAIN", float, F32)                                    \
    X(ReadTbValveTc, TB, "VALVE_TC", float, F32)                                      \
    X(ReadTbDevOptions, TB, "DEV_OPTIONS", uint16_t, Bits16)                          \
    X(ReadTbDeviationLim, TB, "DEVIATION_LIM", float, F32)                            \
    X(ReadTbDeviationTimeTh, TB, "DEVIATION_TIME_TH", RawRecord8, Raw)                \
    /* Transducer block: servo */                                                     \
    X(ReadTbServoGain, TB, "SERVO_GAIN", float, F32)                                  \
    X(ReadTbServoReset, TB, "SERVO_RESET", float, F32)                                \
    X(ReadTbServoRate, TB, "SERVO_RATE", float, F32)                                  \
    X(ReadTbServoRateGain, TB, "SERVO_RATE_GAIN", float, F32)                         \
    X(ReadTbServoDeadband, TB, "SERVO_DEADBAND", float, F32)                          \
    X(ReadTbServoOffset, TB, "SERVO_OFFSET", float, F32)                              \
    X(ReadTbBoostOnThreshold, TB, "BOOST_ON_THRESHOLD", RawRecord8, Raw)              \
    X(ReadTbBoostOffThreshold, TB, "BOOST_OFF_THRESHOLD", RawRecord8, Raw)            \
    X(ReadTbBoostValue, TB, "BOOST_VALUE", RawRecord8, Raw)                           \
    X(ReadTbServoISleepLmt, TB, "SERVO_I_SLEEP_LMT", float, F32)                      \
    X(ReadTbServoPAlpha, TB, "SERVO_P_ALPHA", float, F32)                             \
    X(ReadTbThetaHi, TB, "THETA_HI", float, F32)                                      \
    X(ReadTbThetaLo, TB, "THETA_LO", float, F32)                                      \
    X(ReadTbThetaP, TB, "THETA_P", float, F32)                                        \
    /* Transducer block: procedures */                                                \
    X(ReadTbReleaseFailsafe, TB, "RELEASE_FAILSAFE", uint8_t, U8)                     \
    X(ReadTbAutoTuneExec, TB, "AUTO_TUNE_EXEC", uint8_t, U8)                          \
    X(ReadTbAutoTuneState, TB, "AUTO_TUNE_STATE", uint8_t, U8)                        \
    X(ReadTbAutoTuneResult, TB, "AUTO_TUNE_RESULT", uint8_t, U8)                      \
    X(ReadTbTravelCalibResult, TB, "TRAVEL_CALIB_RESULT", uint8_t, U8)                \
    /* Analog output block */                                                         \
    X(ReadAoPv, AO, "PV", StatusValue, StatusValue)                                   \
    X(ReadAoSp, AO, "SP", StatusValue, StatusValue)                                   \
    X(ReadAoOut, AO, "OUT", StatusValue, StatusValue)                                 \
    X(ReadAoReadback, AO, "READBACK", StatusValue, StatusValue)                       \
    X(ReadAoPvScale, AO, "PV_SCALE", ScalingRecord, Scaling)                          \
    X(ReadAoPvScaleEu100, AO, "PV_SCALE.EU_100", float, F32)                          \
    X(ReadAoPvScaleEu0, AO, "PV_SCALE.EU_0", float, F32)                              \
    X(ReadAoXdScale, AO, "XD_SCALE", ScalingRecord, Scaling)                          \
    X(ReadAoXdScaleEu100, AO, "XD_SCALE.EU_100", float, F32)                          \
    X(ReadAoXdScaleEu0, AO, "XD_SCALE.EU_0", float, F32)                              \
    X(ReadAoIoOpts, AO, "IO_OPTS", uint16_t, Bits16)                                  \
    X(ReadAoStatusOpts, AO, "STATUS_OPTS", uint16_t, Bits16)                          \
    X(ReadAoSpHiLim, AO, "SP_HI_LIM", float, F32)                                     \
    X(ReadAoSpLoLim, AO, "SP_LO_LIM", float, F32)                                     \
    X(ReadAoSpRateUp, AO, "SP_RATE_UP", float, F32)                                   \
    X(ReadAoSpRateDn, AO, "SP_RATE_DN", float, F32)                                   \
    X(ReadAoView1, AO, "VIEW_1", RawRecord33, Raw)                                    \
    /* PID block */                                                                   \
    X(ReadPidPv, PID, "PV", StatusValue, StatusValue)                                 \
    X(ReadPidSp, PID, "SP", StatusValue, StatusValue)                                 \
    X(ReadPidOut, PID, "OUT", StatusValue, StatusValue)                               \
    X(ReadPidCasIn, PID, "CAS_IN", StatusValue, StatusValue)                          \
    X(ReadPidRcasIn, PID, "RCAS_IN", StatusValue, StatusValue)                        \
    X(ReadPidPvScale, PID, "PV_SCALE", ScalingRecord, Scaling)                        \
    X(ReadPidOutScale, PID, "OUT_SCALE", ScalingRecord, Scaling)                      \
    X(ReadPidFfScale, PID, "FF_SCALE", ScalingRecord, Scaling)                        \
    X(ReadPidTrkScale, PID, "TRK_SCALE", ScalingRecord, Scaling)                      \
    X(ReadPidPvScaleUnitsIndex, PID, "PV_SCALE.UNITS_INDEX", uint16_t, U16)           \
    X(ReadPidPvScaleEu100, PID, "PV_SCALE.EU_100", float, F32)                        \
    X(ReadPidPvScaleEu0, PID, "PV_SCALE.EU_0", float, F32)                            \
    X(ReadPidPvFtime, PID, "PV_FTIME", float, F32)                                    \
    X(ReadPidControlOpts, PID, "CONTROL_OPTS", uint16_t, Bits16)                      \
    X(ReadPidStatusOpts, PID, "STATUS_OPTS", uint16_t, Bits16)                        \
    X(ReadPidGain, PID, "GAIN", float, F32)                                           \
    X(ReadPidReset, PID, "RESET", float, F32)                                         \
    X(ReadPidRate, PID, "RATE", float, F32)                                           \
    X(ReadPidFfGain, PID, "FF_GAIN", float, F32)                                      \
    X(ReadPidFfVal, PID, "FF_VAL", StatusValue, StatusValue)                          \
    X(ReadPidTrkVal, PID, "TRK_VAL", StatusValue, StatusValue)                        \
    X(ReadPidTrkInD, PID, "TRK_IN_D", DiscreteValue, Discrete)                        \
    X(ReadPidBypass, PID, "BYPASS", uint8_t, U8)                                      \
    X(ReadPidSpHiLim, PID, "SP_HI_LIM", float, F32)                                   \
    X(ReadPidSpLoLim, PID, "SP_LO_LIM", float, F32)                                   \
    X(ReadPidOutHiLim, PID, "OUT_HI_LIM", float, F32)                                 \
    X(ReadPidOutLoLim, PID, "OUT_LO_LIM", float, F32)                                 \
    X(ReadPidDvHiLim, PID, "DV_HI_LIM", float, F32)                                   \
    X(ReadPidDvLoLim, PID, "DV_LO_LIM", float, F32)                                   \
    X(ReadPidHiLim, PID, "HI_LIM", float, F32)                                        \
    X(ReadPidLoLim, PID, "LO_LIM", float, F32)                                        \
    X(ReadPidHiHiLim, PID, "HI_HI_LIM", float, F32)                                   \
    X(ReadPidLoLoLim, PID, "LO_LO_LIM", float, F32)                                   \
    X(ReadPidView3, PID, "VIEW_3", RawRecord83, Raw)                                  \
    /* Discrete inputs and output splitter */                                         \
    X(ReadDi1OutD, DI1, "OUT_D.VALUE", uint8_t, U8)                                   \
    X(ReadDi2OutD, DI2, "OUT_D.VALUE", uint8_t, U8)                                   \
    X(ReadDi1View1, DI1, "VIEW_1", RawRecord22, Raw)                                  \
    X(ReadDi2View1, DI2, "VIEW_1", RawRecord22, Raw)                                  \
    X(ReadSpltView1, SPLT, "VIEW_1", RawRecord28, Raw)

// Enumerated values read together with their description text.
// X(function, block kind, "NAME" of the value, host type of the value, wire kind)
#define FIELDBUS_TEXT_ACCESSORS(X)                                                     \
    X(ReadRbManufacIdText, RB, "MANUFAC_ID", uint32_t, U32)                            \
    X(ReadTbFinalValueRangeUnitsText, TB, "FINAL_VALUE_RANGE.UNITS_INDEX", uint16_t, U16) \
    X(ReadTbSpringRangeUnitsText, TB, "SPRING_RANGE.UNITS_INDEX", uint16_t, U16)      \
    X(ReadAoPvScaleUnitsText, AO, "PV_SCALE.UNITS_INDEX", uint16_t, U16)               \
    X(ReadAoXdScaleUnitsText, AO, "XD_SCALE.UNITS_INDEX", uint16_t, U16)               \
    X(ReadDi1OutDText, DI1, "OUT_D.VALUE", uint8_t, U8)                                \
    X(ReadDi2OutDText, DI2, "OUT_D.VALUE", uint8_t, U8)

// X(function, block kind, "NAME", host type, wire kind, Plain, Prepared or Failsafe)
// Failsafe: written only when CanReleaseFailsafe allows it (the status reads "Clear
// (Latched)" and the transducer block is out of service, after asking the user).
#define FIELDBUS_WRITE_ACCESSORS(X)                                                            \
    /* Resource block */                                                                        \
    X(WriteRbTagDesc, RB, "TAG_DESC", std::string, Text, Plain)                                 \
    X(WriteRbSoftdwnProtect, RB, "SOFTDWN_PROTECT", uint8_t, U8, Plain)                         \
    /* Transducer block, prepared */                                                            \
    X(WriteTbFinalValue, TB, "FINAL_VALUE.VALUE", float, F32, Prepared)                         \
    X(WriteTbOpenStopAdj, TB, "OPEN_STOP_ADJ", float, F32, Prepared)                            \
    X(WriteTbFinalValueCuttoffLo, TB, "FINAL_VALUE_CUTTOFF_LO", float, F32, Prepared)           \
    X(WriteTbFinalValueCuttoffHi, TB, "FINAL_VALUE_CUTTOFF_HI", float, F32, Prepared)           \
    X(WriteTbFinalValueRangeEu0, TB, "FINAL_VALUE_RANGE.EU_0", float, F32, Prepared)            \
    X(WriteTbFinalValueRangeEu100, TB, "FINAL_VALUE_RANGE.EU_100", float, F32, Prepared)        \
    X(WriteTbPositionChar, TB, "POSITION_CHAR", RawRecord36, Raw, Prepared)                     \
    X(WriteTbPositionCharType, TB, "POSITION_CHAR_TYPE", uint8_t, U8, Prepared)                 \
    X(WriteTbTemperatureUnit, TB, "TEMPERATURE_UNIT", uint16_t, U16, Prepared)                  \
    X(WriteTbSpringRangeUnitsIndex, TB, "SPRING_RANGE.UNITS_INDEX", uint16_t, U16, Prepared)    \
    X(WriteTbValveType, TB, "VALVE_TYPE", uint8_t, U8, Prepared)                                \
    X(WriteTbActFailAction, TB, "ACT_FAIL_ACTION", uint8_t, U8, Prepared)                       \
    X(WriteTbServoGain, TB, "SERVO_GAIN", float, F32, Prepared)                                 \
    X(WriteTbServoReset, TB, "SERVO_RESET", float, F32, Prepared)                               \
    X(WriteTbServoRate, TB, "SERVO_RATE", float, F32, Prepared)                                 \
    X(WriteTbServoRateGain, TB, "SERVO_RATE_GAIN", float, F32, Prepared)                        \
    X(WriteTbServoDeadband, TB, "SERVO_DEADBAND", float, F32, Prepared)                         \
    X(WriteTbBoostOnThreshold, TB, "BOOST_ON_THRESHOLD", RawRecord8, Raw, Prepared)             \
    X(WriteTbBoostOffThreshold, TB, "BOOST_OFF_THRESHOLD", RawRecord8, Raw, Prepared)           \
    X(WriteTbBoostValue, TB, "BOOST_VALUE", RawRecord8, Raw, Prepared)                          \
    X(WriteTbServoISleepLmt, TB, "SERVO_I_SLEEP_LMT", float, F32, Prepared)                     \
    X(WriteTbServoPAlpha, TB, "SERVO_P_ALPHA", float, F32, Prepared)                            \
    X(WriteTbInternalGain, TB, "INTERNAL_GAIN", float, F32, Prepared)                           \
    X(WriteTbAutoTuneExec, TB, "AUTO_TUNE_EXEC", uint8_t, U8, Prepared)                         \
    X(WriteTbTravelCalibExec, TB, "TRAVEL_CALIB_EXEC", uint8_t, U8, Prepared)                   \
    /* Transducer block, plain */                                                               \
    X(WriteTbSpringRangeEu100, TB, "SPRING_RANGE.EU_100", float, F32, Plain)                    \
    X(WriteTbSpringRangeEu0, TB, "SPRING_RANGE.EU_0", float, F32, Plain)                        \
    X(WriteTbSupplyPressure, TB, "SUPPLY_PRESSURE", float, F32, Plain)                          \
    X(WriteTbNearCloseThreshold, TB, "NEAR_CLOSE_THRESHOLD", float, F32, Plain)                 \
    X(WriteTbLimswHiLim, TB, "LIMSW_HI_LIM", float, F32, Plain)                                 \
    X(WriteTbLimswLoLim, TB, "LIMSW_LO_LIM", float, F32, Plain)                                 \
    X(WriteTbActModelNum, TB, "ACT_MODEL_NUM", std::string, Text, Plain)                        \
    X(WriteTbActSn, TB, "ACT_SN", std::string, Text, Plain)                                     \
    X(WriteTbValveModelNum, TB, "VALVE_MODEL_NUM", std::string, Text, Plain)                    \
    X(WriteTbValveSn, TB, "VALVE_SN", std::string, Text, Plain)                                 \
    X(WriteTbXdCalWho, TB, "XD_CAL_WHO", std::string, Text, Plain)                              \
    X(WriteTbXdCalLoc, TB, "XD_CAL_LOC", std::string, Text, Plain)                              \
    X(WriteTbTagDesc, TB, "TAG_DESC", std::string, Text, Plain)                                 \
    X(WriteTbActManId, TB, "ACT_MAN_ID", uint32_t, U32, Plain)                                  \
    X(WriteTbValveManId, TB, "VALVE_MAN_ID", uint32_t, U32, Plain)                              \
    X(WriteTbXdCalDate, TB, "XD_CAL_DATE", RawRecord7, Raw, Plain)                              \
    X(WriteTbTotalTravel, TB, "TOTAL_TRAVEL", uint32_t, U32, Plain)                             \
    X(WriteTbTotalCycleCount, TB, "TOTAL_CYCLE_COUNT", uint32_t, U32, Plain)                    \
    X(WriteTbTotalOpenTime, TB, "TOTAL_OPEN_TIME", uint32_t, U32, Plain)                        \
    X(WriteTbTotalCloseTime, TB, "TOTAL_CLOSE_TIME", uint32_t, U32, Plain)                      \
    X(WriteTbTotalNearCloseTime, TB, "TOTAL_NEAR_CLOSE_TIM", uint32_t, U32, Plain)              \
    X(WriteTbTravelLim, TB, "TRAVEL_LIM", uint32_t, U32, Plain)                                 \
    X(WriteTbCycleCountLim, TB, "CYCLE_COUNT_LIM", uint32_t, U32, Plain)                        \
    X(WriteTbOpenTimeLim, TB, "OPEN_TIME_LIM", uint32_t, U32, Plain)                            \
    X(WriteTbCloseTimeLim, TB, "CLOSE_TIME_LIM", uint32_t, U32, Plain)                          \
    X(WriteTbNearCloseTimeLim, TB, "NEAR_CLOSE_TIME_LIM", uint32_t, U32, Plain)                 \
    X(WriteTbDeviationLim, TB, "DEVIATION_LIM", float, F32, Plain)                              \
    X(WriteTbDeviationTimeTh, TB, "DEVIATION_TIME_TH", RawRecord8, Raw, Plain)                  \
    X(WriteTbServoOffset, TB, "SERVO_OFFSET", float, F32, Plain)                                \
    X(WriteTbActuatorType, TB, "ACTUATOR_TYPE", uint8_t, U8, Plain)                             \
    X(WriteTbReleaseFailsafe, TB, "RELEASE_FAILSAFE", uint8_t, U8, Failsafe)                    \
    /* Analog output block (OUT.VALUE and SP.VALUE have their own mode rules) */                \
    X(WriteAoIoOpts, AO, "IO_OPTS", uint16_t, Bits16, Prepared)                                 \
    X(WriteAoStatusOpts, AO, "STATUS_OPTS", uint16_t, Bits16, Prepared)                         \
    X(WriteAoSpHiLim, AO, "SP_HI_LIM", float, F32, Prepared)                                    \
    X(WriteAoSpLoLim, AO, "SP_LO_LIM", float, F32, Prepared)                                    \
    X(WriteAoSpRateUp, AO, "SP_RATE_UP", float, F32, Prepared)                                  \
    X(WriteAoSpRateDn, AO, "SP_RATE_DN", float, F32, Prepared)                                  \
    /* PID block (SP.VALUE, OUT.VALUE and FF_GAIN have their own mode rules) */                 \
    X(WritePidGain, PID, "GAIN", float, F32, Plain)                                             \
    X(WritePidReset, PID, "RESET", float, F32, Plain)                                           \
    X(WritePidRate, PID, "RATE", float, F32, Plain)                                             \
    X(WritePidFfVal, PID, "FF_VAL.VALUE", float, F32, Plain)                                    \
    X(WritePidPvFtime, PID, "PV_FTIME", float, F32, Plain)                                      \
    X(WritePidPvScale, PID, "PV_SCALE", ScalingRecord, Scaling, Plain)                          \
    X(WritePidPvScaleEu100, PID, "PV_SCALE.EU_100", float, F32, Prepared)                       \
    X(WritePidPvScaleEu0, PID, "PV_SCALE.EU_0", float, F32, Prepared)                           \
    X(WritePidPvScaleUnitsIndex, PID, "PV_SCALE.UNITS_INDEX", uint16_t, U16, Prepared)          \
    X(WritePidControlOpts, PID, "CONTROL_OPTS", uint16_t, Bits16, Prepared)                     \
    X(WritePidStatusOpts, PID, "STATUS_OPTS", uint16_t, Bits16, Prepared)                       \
    X(WritePidSpHiLim, PID, "SP_HI_LIM", float, F32, Prepared)                                  \
    X(WritePidSpLoLim, PID, "SP_LO_LIM", float, F32, Prepared)                                  \
    X(WritePidOutHiLim, PID, "OUT_HI_LIM", float, F32, Prepared)                                \
    X(WritePidOutLoLim, PID, "OUT_LO_LIM", float, F32, Prepared)                                \
    X(WritePidDvHiLim, PID, "DV_HI_LIM", float, F32, Prepared)                                  \
    X(WritePidDvLoLim, PID, "DV_LO_LIM", float, F32, Prepared)                                  \
    X(WritePidHiLim, PID, "HI_LIM", float, F32, Prepared)                                       \
    X(WritePidLoLim, PID, "LO_LIM", float, F32, Prepared)                                       \
    X(WritePidHiHiLim, PID, "HI_HI_LIM", float, F32, Prepared)                                  \
    X(WritePidLoLoLim, PID, "LO_LO_LIM", float, F32, Prepared)

// The writes refused in the wrong block mode, written by hand (FieldbusDevice ModeRuleWrites):
//   WriteAoOutValue (AO actual MAN), WriteAoSpValue (any mode), WritePidOutValue (PID target
//   MAN), WritePidSpValue (PID actual AUTO or MAN), WritePidFfGain (PID actual MAN, OOS, IMAN).
#define FIELDBUS_MODE_RULE_WRITES(X) \
    X(WriteAoOutValue)               \
    X(WriteAoSpValue)                \
    X(WritePidOutValue)              \
    X(WritePidSpValue)               \
    X(WritePidFfGain)
