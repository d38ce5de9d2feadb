#include "ConfigTestSupport.h"

namespace configtest {

namespace {

// Builds an item from an accessor that returns a reference to the member.
template <typename Get, typename Put>
Item MakeItem(int n, Cond c, Get get, Put put) {
    return Item{n, c, [get, put](std::string& b, CConfigData& d) { put(b, get(d)); },
                [get](CConfigData& from, CConfigData& to) { get(to) = get(from); }};
}

#define MEMBER(expr) [](CConfigData& d) -> auto& { return d.expr; }
#define TEXT(n, c, expr) MakeItem(n, c, MEMBER(expr), [](std::string& b, const std::string& v) { PutText(b, v); })
#define TEXTS(n, c, expr) \
    MakeItem(n, c, MEMBER(expr), [](std::string& b, const std::vector<std::string>& v) { PutTextList(b, v); })
#define VALUES(n, c, expr) \
    MakeItem(n, c, MEMBER(expr), [](std::string& b, const std::vector<uint32_t>& v) { PutValueList(b, v); })
#define U8(n, c, expr) MakeItem(n, c, MEMBER(expr), [](std::string& b, uint8_t v) { PutU8(b, v); })
#define U16(n, c, expr) MakeItem(n, c, MEMBER(expr), [](std::string& b, uint16_t v) { PutU16(b, v); })
#define U32(n, c, expr) MakeItem(n, c, MEMBER(expr), [](std::string& b, uint32_t v) { PutU32(b, v); })
#define F32(n, c, expr) MakeItem(n, c, MEMBER(expr), [](std::string& b, float v) { PutF32(b, v); })
#define DATE(n, c, expr) \
    MakeItem(n, c, MEMBER(expr), [](std::string& b, const config::ConfigDate& v) { PutDate(b, v); })

}  // namespace

const char* VersionText(int version) {
    static const char* const texts[] = {"1.0", "2.0", "2.1", "2.2", "2.3", "2.4"};
    return texts[version];
}

std::vector<Item> ItemTable() {
    using C = Cond;
    return {
        TEXT(1, C::All, productMarker),
        TEXT(2, C::All, dataVersion),
        TEXT(3, C::All, general.pdTag),
        U8(4, C::All, general.nodeAddress),
        TEXT(5, C::All, general.deviceId),
        TEXT(6, C::All, general.manufacturerId),
        TEXT(7, C::All, general.deviceType),
        TEXT(8, C::All, general.deviceRevision),
        TEXT(9, C::All, general.ddRevision),
        TEXT(10, C::All, general.model),
        TEXT(11, C::All, general.resourceDescription),
        TEXT(12, C::V20, general.servoTuningInfo),
        TEXT(13, C::V20, general.valveModel),
        TEXT(14, C::V20, general.valveSerialNumber),
        TEXT(15, C::V20, general.valveManufacturer.text),
        TEXTS(16, C::V20, general.valveManufacturer.texts),
        TEXT(17, C::V20, general.actuatorModel),
        TEXT(18, C::V20, general.actuatorSerialNumber),
        TEXT(19, C::V20, general.actuatorManufacturer.text),
        TEXTS(20, C::V20, general.actuatorManufacturer.texts),
        TEXT(21, C::V20, general.calibrationPerson),
        TEXT(22, C::V20, general.calibrationLocation),
        DATE(23, C::V20, general.calibrationDate),
        F32(24, C::V21, position.servoOffset),
        U32(25, C::V21, general.valveManufacturer.value),
        VALUES(26, C::V21, general.valveManufacturer.values),
        U32(27, C::V21, general.actuatorManufacturer.value),
        VALUES(28, C::V21, general.actuatorManufacturer.values),
        TEXT(29, C::All, general.blockTags[0]),
        TEXT(30, C::All, general.blockTags[1]),
        TEXT(31, C::All, general.blockTags[2]),
        TEXT(32, C::All, general.blockTags[3]),
        TEXT(33, C::All, general.blockTags[4]),
        TEXT(34, C::All, general.blockTags[5]),
        TEXT(35, C::V20, general.blockTags[6]),
        U32(36, C::V20, general.splitterPresent),
        U32(37, C::V20, general.signatureActivation),
        U32(38, C::V20, general.linkMasterActivation),
        U32(39, C::V20, general.bootFunctionalClass),
        U32(40, C::All, general.pidBlockActivation),
        U32(41, C::All, general.pressureSensorInstalled),
        U32(42, C::All, general.macroCycleDuration),
        F32(43, C::All, position.servoGain),
        F32(44, C::All, position.servoReset),
        F32(45, C::All, position.servoRate),
        F32(46, C::All, position.servoRateGain),
        F32(47, C::All, position.servoDeadband),
        F32(48, C::All, position.tightShutoff),
        F32(49, C::All, position.fullOpen),
        F32(50, C::All, position.positionLowerLimit),
        F32(51, C::All, position.positionUpperLimit),
        F32(52, C::All, position.nearCloseValue),
        F32(53, C::All, position.limitSwitchLow),
        F32(54, C::All, position.limitSwitchHigh),
        F32(55, C::All, position.deviationLimit),
        F32(56, C::All, position.deviationTimeThreshold[0]),
        F32(57, C::All, position.deviationTimeThreshold[1]),
        F32(58, C::All, position.boostOnThreshold[0]),
        F32(59, C::All, position.boostOnThreshold[1]),
        F32(60, C::All, position.boostOffThreshold[0]),
        F32(61, C::All, position.boostOffThreshold[1]),
        F32(62, C::All, position.boostValue[0]),
        F32(63, C::All, position.boostValue[1]),
        F32(64, C::All, position.servoISleepLimit),
        F32(65, C::All, position.servoPAlpha),
        F32(66, C::All, position.openStopAdjustment),
        F32(67, C::All, actuator.internalGain),
        F32(68, C::All, actuator.measuredGain),
        F32(69, C::All, actuator.valveTimeConstant),
        F32(70, C::All, actuator.valveHysteresis),
        F32(71, C::All, actuator.valveSlipWidth),
        F32(72, C::All, actuator.measuredOutputPressure),
        F32(73, C::All, actuator.measuredSupplyPressure),
        F32(74, C::All, actuator.measuredSpringRange[0]),
        F32(75, C::All, actuator.measuredSpringRange[1]),
        U32(76, C::All, actuator.valveAction),
        U32(77, C::All, actuator.actuatorType),
        U32(78, C::All, actuator.relayType),
        U32(79, C::All, actuator.valveType),
        U32(80, C::All, actuator.travelLimit),
        U32(81, C::All, actuator.cycleCountLimit),
        U32(82, C::All, actuator.openTimeLimit),
        U32(83, C::All, actuator.closeTimeLimit),
        U32(84, C::All, actuator.nearCloseTimeLimit),
        U32(85, C::All, actuator.totalTravel),
        U32(86, C::All, actuator.totalCycleCount),
        U32(87, C::All, actuator.totalOpenTime),
        U32(88, C::All, actuator.totalCloseTime),
        U32(89, C::All, actuator.totalNearCloseTime),
        F32(90, C::All, ao.spHighLimit),
        F32(91, C::All, ao.spLowLimit),
        F32(92, C::All, ao.spRateUp),
        F32(93, C::All, ao.spRateDown),
        TEXTS(94, C::All, ao.ioOptions.names),
        TEXTS(95, C::All, ao.ioOptions.setNames),
        U16(96, C::V22, ao.ioOptions.value),
        VALUES(97, C::BitValues, ao.ioOptions.bitValues),
        TEXTS(98, C::All, ao.statusOptions.names),
        TEXTS(99, C::All, ao.statusOptions.setNames),
        U16(100, C::V22, ao.statusOptions.value),
        VALUES(101, C::BitValues, ao.statusOptions.bitValues),
        U32(102, C::All, pid.pidGroupFlag),
        TEXTS(103, C::All, pid.pvUnit.texts),
        TEXT(104, C::All, pid.pvUnit.text),
        F32(105, C::All, pid.pvRangeHigh),
        F32(106, C::All, pid.pvRangeLow),
        U8(107, C::V22, pid.pvDecimalPlaces),
        U16(108, C::V22, pid.pvUnit.value),
        VALUES(109, C::V22, pid.pvUnit.values),
        TEXTS(110, C::All, pid.controlOptions.names),
        TEXTS(111, C::All, pid.controlOptions.setNames),
        U16(112, C::V22, pid.controlOptions.value),
        VALUES(113, C::BitValues, pid.controlOptions.bitValues),
        TEXTS(114, C::All, pid.statusOptions.names),
        TEXTS(115, C::All, pid.statusOptions.setNames),
        U16(116, C::V22, pid.statusOptions.value),
        VALUES(117, C::BitValues, pid.statusOptions.bitValues),
        F32(118, C::All, pid.gain),
        F32(119, C::All, pid.reset),
        F32(120, C::All, pid.rate),
        F32(121, C::All, pid.ffGain),
        F32(122, C::All, pid.ffValue),
        F32(123, C::All, pid.spHighLimit),
        F32(124, C::All, pid.spLowLimit),
        F32(125, C::All, pid.outHighLimit),
        F32(126, C::All, pid.outLowLimit),
        F32(127, C::All, pid.devAlarmHigh),
        F32(128, C::All, pid.devAlarmLow),
        F32(129, C::All, pid.alarmHigh),
        F32(130, C::All, pid.alarmLow),
        F32(131, C::All, pid.alarmHighHigh),
        F32(132, C::All, pid.alarmLowLow),
        U32(133, C::All, option.bumplessTransfer),
        TEXTS(134, C::All, option.charType.texts),
        TEXT(135, C::All, option.charType.text),
        U8(136, C::V22, option.charType.value),
        VALUES(137, C::V22, option.charType.values),
        F32(138, C::All, option.charPoints[0]),
        F32(139, C::All, option.charPoints[1]),
        F32(140, C::All, option.charPoints[2]),
        F32(141, C::All, option.charPoints[3]),
        F32(142, C::All, option.charPoints[4]),
        F32(143, C::All, option.charPoints[5]),
        F32(144, C::All, option.charPoints[6]),
        F32(145, C::All, option.charPoints[7]),
        F32(146, C::All, option.charPoints[8]),
        TEXTS(147, C::All, option.pressureUnit.texts),
        TEXT(148, C::All, option.pressureUnit.text),
        U32(149, C::V22, option.pressureUnit.value),
        VALUES(150, C::V22, option.pressureUnit.values),
        F32(151, C::All, option.pressureRangeHigh),
        F32(152, C::All, option.pressureRangeLow),
        F32(153, C::All, option.supplyPressure),
        TEXTS(154, C::All, option.temperatureUnit.texts),
        TEXT(155, C::All, option.temperatureUnit.text),
        U32(156, C::V22, option.temperatureUnit.value),
        VALUES(157, C::V22, option.temperatureUnit.values),
        U8(158, C::Tail, position.controlDirection),
        TEXT(159, C::Tail, position.controlDirectionText),
        F32(160, C::Tail, position.thetaHi),
        F32(161, C::Tail, position.thetaLo),
        F32(162, C::Tail, position.thetaP),
        U32(163, C::Tail, general.extendedServoParameters),
        F32(164, C::Extended, position.servoWarnHigh),
        F32(165, C::Extended, position.servoWarnLow),
        F32(166, C::Extended, position.servoWarnTime),
        U32(167, C::Extended, position.servoWarnCount),
        F32(168, C::Extended, position.xBoostOnThreshold[0]),
        F32(169, C::Extended, position.xBoostOnThreshold[1]),
        F32(170, C::Extended, position.xBoostOffThreshold[0]),
        F32(171, C::Extended, position.xBoostOffThreshold[1]),
        F32(172, C::Extended, position.xBoostValue[0]),
        F32(173, C::Extended, position.xBoostValue[1]),
    };
}

std::string ExpectedImage(CConfigData& data, int version, int runMode) {
    std::string bytes;
    const bool extended = data.general.extendedServoParameters != 0;
    for (const Item& item : ItemTable())
        if (Present(item.cond, version, runMode, extended)) item.encode(bytes, data);
    return bytes;
}

std::vector<int> PresentItems(int version, int runMode, bool extended) {
    std::vector<int> numbers;
    for (const Item& item : ItemTable())
        if (Present(item.cond, version, runMode, extended)) numbers.push_back(item.number);
    return numbers;
}

CConfigData ExpectedAfterLoad(const CConfigData& base, const CConfigData& from, int version, int runMode) {
    CConfigData expected = base;
    CConfigData source = from;
    const bool extended = source.general.extendedServoParameters != 0;
    for (const Item& item : ItemTable())
        if (item.number > 1 && Present(item.cond, version, runMode, extended)) item.copy(source, expected);
    expected.dataVersion = VersionText(version);
    auto trim = [](std::string& s) {
        const size_t first = s.find_first_not_of(" \t\r\n\v\f");
        s.erase(0, first == std::string::npos ? s.size() : first);
    };
    trim(expected.general.deviceId);
    trim(expected.general.manufacturerId);
    trim(expected.general.deviceType);
    trim(expected.general.deviceRevision);
    trim(expected.general.ddRevision);
    return expected;
}

CConfigData MakeFilledConfig(int runMode, uint32_t extended) {
    CConfigData d(config::FamilyRPX110, runMode, "/tmp");
    int counter = 0;
    auto f = [&counter] { return 1.25f + static_cast<float>(++counter); };
    auto u = [&counter] { return static_cast<uint32_t>(1000 + ++counter); };

    config::GeneralGroup& g = d.general;
    g.pdTag = "PV-101";
    g.nodeAddress = 0x23;
    g.deviceId = "42524B0001J0000099";
    g.manufacturerId = "42524b";
    g.deviceType = "7";
    g.deviceRevision = "4";
    g.ddRevision = "3";
    g.model = "RPX110 /LC";
    g.resourceDescription = "Boiler feed";
    g.servoTuningInfo = "tuned 2009";
    g.valveModel = "V-300";
    g.valveSerialNumber = "SN-1";
    g.valveManufacturer = {"Acme", {"Acme", "Other"}, u(), {u(), u()}};
    g.actuatorModel = "A-12";
    g.actuatorSerialNumber = "SN-2";
    g.actuatorManufacturer = {"Beta", {"Beta", "Gamma", "Delta"}, u(), {u(), u(), u()}};
    g.calibrationPerson = "J. Smith";
    g.calibrationLocation = "Plant 3";
    g.calibrationDate = {1, 14, 5, 30, 30500, 2, 3, 3, 109};
    g.blockTags = {"RB-1", "TB-1", "AO-1", "DI1-1", "DI2-1", "PID-1", "SPLT-1"};
    g.splitterPresent = 1;
    g.signatureActivation = 1;
    g.linkMasterActivation = 1;
    g.bootFunctionalClass = 1;
    g.extendedServoParameters = extended;
    g.pidBlockActivation = 0;
    g.pressureSensorInstalled = 0;
    g.macroCycleDuration = u();

    config::PositionGroup& p = d.position;
    for (float* v : {&p.servoGain, &p.servoReset, &p.servoRate, &p.servoRateGain, &p.servoDeadband, &p.servoOffset,
                     &p.tightShutoff, &p.fullOpen, &p.positionLowerLimit, &p.positionUpperLimit, &p.nearCloseValue,
                     &p.limitSwitchLow, &p.limitSwitchHigh, &p.deviationLimit, &p.deviationTimeThreshold[0],
                     &p.deviationTimeThreshold[1], &p.boostOnThreshold[0], &p.boostOnThreshold[1],
                     &p.boostOffThreshold[0], &p.boostOffThreshold[1], &p.boostValue[0], &p.boostValue[1],
                     &p.servoISleepLimit, &p.servoPAlpha, &p.openStopAdjustment, &p.thetaHi, &p.thetaLo, &p.thetaP,
                     &p.servoWarnHigh, &p.servoWarnLow, &p.servoWarnTime, &p.xBoostOnThreshold[0],
                     &p.xBoostOnThreshold[1], &p.xBoostOffThreshold[0], &p.xBoostOffThreshold[1], &p.xBoostValue[0],
                     &p.xBoostValue[1]})
        *v = f();
    p.controlDirection = 1;
    p.controlDirectionText = "Reverse";
    p.servoWarnCount = u();

    config::ActuatorGroup& a = d.actuator;
    a.valveAction = 1;
    a.actuatorType = 1;
    a.relayType = 1;
    a.valveType = 1;
    for (uint32_t* v : {&a.travelLimit, &a.cycleCountLimit, &a.openTimeLimit, &a.closeTimeLimit,
                        &a.nearCloseTimeLimit, &a.totalTravel, &a.totalCycleCount, &a.totalOpenTime,
                        &a.totalCloseTime, &a.totalNearCloseTime})
        *v = u();
    for (float* v : {&a.internalGain, &a.measuredGain, &a.valveTimeConstant, &a.valveHysteresis, &a.valveSlipWidth,
                     &a.measuredOutputPressure, &a.measuredSupplyPressure, &a.measuredSpringRange[0],
                     &a.measuredSpringRange[1]})
        *v = f();

    d.ao.spHighLimit = f();
    d.ao.spLowLimit = f();
    d.ao.spRateUp = f();
    d.ao.spRateDown = f();
    d.ao.ioOptions = {{"Invert", "Low Cutoff"}, {"Invert"}, 0x8000, {0x8000, 0x0040}};
    d.ao.statusOptions = {{"IFS if Bad IN", "Uncertain as Good"}, {"Uncertain as Good"}, 0x2000, {0x8000, 0x2000}};

    config::PidBlockGroup& pid = d.pid;
    pid.pvUnit = {"m3/h", {"m3/h", "inH2O", "degC", "uS/cm"}, 1349, {1349, 1147, 1001, 1552}};
    pid.pvRangeHigh = f();
    pid.pvRangeLow = f();
    pid.pvDecimalPlaces = 2;
    pid.pidGroupFlag = 0;
    pid.controlOptions = {{"Bypass Enable", "Direct acting"}, {"Direct acting"}, 0x0400, {0x8000, 0x0400}};
    pid.statusOptions = {{"Bad if Limited"}, {}, 0x0100, {0x0100}};
    for (float* v : {&pid.gain, &pid.reset, &pid.rate, &pid.ffGain, &pid.ffValue, &pid.spHighLimit, &pid.spLowLimit,
                     &pid.outHighLimit, &pid.outLowLimit, &pid.devAlarmHigh, &pid.devAlarmLow, &pid.alarmHigh,
                     &pid.alarmLow, &pid.alarmHighHigh, &pid.alarmLowLow})
        *v = f();

    config::OptionGroup& o = d.option;
    o.bumplessTransfer = 0;
    o.charType = {"Quick open", {"Linear", "Quick open", "Define"}, 4, {1, 4, 255}};
    for (float& point : o.charPoints) point = f();
    o.pressureUnit = {"kg/cm2", {"kPa", "kg/cm2", "psi"}, 1145, {1133, 1145, 1141}};
    o.pressureRangeHigh = f();
    o.pressureRangeLow = f();
    o.supplyPressure = f();
    o.temperatureUnit = {"degF", {"degC", "degF"}, 1002, {1001, 1002}};
    return d;
}

}  // namespace configtest

#undef MEMBER
#undef TEXT
#undef TEXTS
#undef VALUES
#undef U8
#undef U16
#undef U32
#undef F32
#undef DATE
