// The group reads. Each runs its streams as one piece of bus work; the AO block's IO_OPTS
// clean-up asks nothing but tells the user between its read and its write (only when the read
// may write: a read-only read keeps the bits as the device holds them).
#include "config/ConfigGroupFields.h"
#include "config/ConfigGroupOps.h"
#include "config/ConfigNameTables.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace config::ops {

using fieldbus::BitStringValue;
using fieldbus::BlockKind;
using fieldbus::DeviceAccess;
using fieldbus::EnumValue;

namespace {

EnumValue EnumOfSize(int size) {
    EnumValue value;
    value.size = size;
    return value;
}

int Good(std::initializer_list<const fieldbus::ParameterStream*> streams) {
    for (const fieldbus::ParameterStream* s : streams)
        if (s->IsGood() == 0) return 1;
    return 0;
}

values::ValueCodec& Codec() { return values::ValueCodec::Instance(); }

// A scale record (EU_100, EU_0, UNITS_INDEX, DECIMAL) is read whole in one access.
constexpr uint16_t kScaleSize = 11;

// The names of the bits set in `value`, from the field's own name and value lists.
std::vector<std::string> SetNamesOf(const ConfigBitStringField& field, uint16_t value) {
    std::vector<std::string> set;
    for (size_t i = 0; i < field.names.size(); ++i) {
        const uint32_t bit = i < field.bitValues.size() && field.bitValues.size() == field.names.size()
                                 ? field.bitValues[i]
                                 : (i < 16 ? 1u << i : 0u);
        if (value & bit) set.push_back(field.names[i]);
    }
    return set;
}

}  // namespace

int ReadGeneral(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    GeneralGroup& g = data.general;
    return bus([&] {
        auto rb = Stream(device, BlockKind::RB, names::GeneralRbRead());
        rb->ReadText(g.resourceDescription);

        auto tb = Stream(device, BlockKind::TB, names::GeneralTbRead());
        EnumValue valveMan = EnumOfSize(4), actuatorMan = EnumOfSize(4);
        values::FieldbusDate date;
        BitStringValue options;
        uint8_t pressureSensor = 0;
        tb->ReadText(g.model);
        tb->ReadText(g.servoTuningInfo);
        tb->ReadText(g.valveModel);
        tb->ReadText(g.valveSerialNumber);
        tb->ReadEnum(valveMan);
        tb->ReadText(g.actuatorModel);
        tb->ReadText(g.actuatorSerialNumber);
        tb->ReadEnum(actuatorMan);
        tb->ReadText(g.calibrationPerson);
        tb->ReadText(g.calibrationLocation);
        tb->ReadDate(date);
        tb->ReadBitString(options);
        tb->ReadRaw1(pressureSensor);
        if (Good({rb.get(), tb.get()}) != 0) return 1;

        FillEnumField(g.valveManufacturer, valveMan);
        FillEnumField(g.actuatorManufacturer, actuatorMan);
        g.calibrationDate = ConfigDate::FromFieldbusDate(date);
        g.pidBlockActivation = options.value & 1u;
        g.signatureActivation = (options.value >> 1) & 1u;
        g.pressureSensorInstalled = (pressureSensor >> 1) & 1u;
        return 0;
    });
}

int ReadPosition(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    PositionGroup& p = data.position;
    const bool extended = data.general.extendedServoParameters != 0;
    return bus([&] {
        auto tb = Stream(device, BlockKind::TB, names::PositionRead());
        float pair[2] = {};
        EnumValue direction = EnumOfSize(1);
        for (float* value : {&p.servoGain, &p.servoReset, &p.servoRate, &p.servoRateGain, &p.servoDeadband,
                             &p.tightShutoff, &p.fullOpen})
            tb->ReadFloat(*value);
        // FINAL_VALUE_RANGE/EU_0 and /EU_100 from one read of the record.
        uint8_t range[kScaleSize] = {};
        if (tb->ReadRecord(range, kScaleSize, 2) == 0) {
            p.positionUpperLimit = Codec().ReadFloat(range);
            p.positionLowerLimit = Codec().ReadFloat(range + 4);
        }
        for (float* value : {&p.nearCloseValue, &p.limitSwitchLow, &p.limitSwitchHigh, &p.deviationLimit})
            tb->ReadFloat(*value);
        for (std::array<float, 2>* target :
             {&p.deviationTimeThreshold, &p.boostOnThreshold, &p.boostOffThreshold, &p.boostValue}) {
            if (tb->ReadFloat2(pair) == 0) *target = {pair[0], pair[1]};
        }
        for (float* value : {&p.servoISleepLimit, &p.servoPAlpha, &data.actuator.internalGain, &p.servoOffset,
                             &p.openStopAdjustment, &p.thetaHi, &p.thetaLo, &p.thetaP})
            tb->ReadFloat(*value);
        tb->ReadEnum(direction);
        if (Good({tb.get()}) != 0) return 1;
        p.controlDirection = static_cast<uint8_t>(direction.value);
        p.controlDirectionText = direction.text;
        if (!extended) return 0;

        auto ext = Stream(device, BlockKind::TB, names::ExtendedServoRead());
        ext->ReadFloat(p.servoWarnHigh);
        ext->ReadFloat(p.servoWarnLow);
        ext->ReadFloat(p.servoWarnTime);
        ext->ReadU32(p.servoWarnCount);
        for (std::array<float, 2>* target : {&p.xBoostOnThreshold, &p.xBoostOffThreshold, &p.xBoostValue}) {
            if (ext->ReadFloat2(pair) == 0) *target = {pair[0], pair[1]};
        }
        return Good({ext.get()});
    });
}

int ReadActuator(CConfigData& data, DeviceAccess& device, const BusRunner& bus, bool internalGainRead) {
    ActuatorGroup& a = data.actuator;
    return bus([&] {
        auto tb = Stream(device, BlockKind::TB, names::ActuatorRead());
        uint8_t codes[4] = {};
        for (uint8_t& code : codes) tb->ReadRaw1(code);
        for (uint32_t* value : {&a.travelLimit, &a.cycleCountLimit, &a.openTimeLimit, &a.closeTimeLimit,
                                &a.nearCloseTimeLimit, &a.totalTravel, &a.totalCycleCount, &a.totalOpenTime,
                                &a.totalCloseTime, &a.totalNearCloseTime})
            tb->ReadU32(*value);
        // INTERNAL_GAIN came with the servo values when they were read just before.
        if (internalGainRead)
            tb->Skip();
        else
            tb->ReadFloat(a.internalGain);
        for (float* value : {&a.measuredGain, &a.valveTimeConstant, &a.valveHysteresis, &a.valveSlipWidth,
                             &a.measuredOutputPressure, &a.measuredSupplyPressure})
            tb->ReadFloat(*value);
        float pair[2] = {};
        if (tb->ReadFloat2(pair) == 0) a.measuredSpringRange = {pair[0], pair[1]};
        if (Good({tb.get()}) != 0) return 1;
        a.valveAction = ActuatorGroup::FlagFromDeviceCode(codes[0]);
        a.actuatorType = ActuatorGroup::FlagFromDeviceCode(codes[1]);
        a.relayType = ActuatorGroup::FlagFromDeviceCode(codes[2]);
        a.valveType = ActuatorGroup::FlagFromDeviceCode(codes[3]);
        return 0;
    });
}

int ReadAoBlock(CConfigData& data, DeviceAccess& device, const BusRunner& bus, bool readOnly) {
    AoBlockGroup& ao = data.ao;
    const int read = bus([&] {
        auto s = Stream(device, BlockKind::AO, names::AoBlockRead());
        BitStringValue io, status;
        s->ReadFloat(ao.spHighLimit);
        s->ReadFloat(ao.spLowLimit);
        s->ReadFloat(ao.spRateUp);
        s->ReadFloat(ao.spRateDown);
        s->ReadBitString(io);
        s->ReadBitString(status);
        if (Good({s.get()}) != 0) return 1;
        FillBitField(ao.ioOptions, io);
        FillBitField(ao.statusOptions, status);
        return 0;
    });
    if (read != 0 || (ao.ioOptions.value & ~kAoIoOptsMask) == 0) return read;
    // A read that must not write reports the device as it is.
    if (readOnly) return 0;

    // Bits the positioner does not support are removed from the device and the record.
    platform::ShowMessage(
        "Warning: Some invalid settings for AO IO Opts in the device encountered, \nThe settings will be removed.");
    const uint16_t masked = ao.ioOptions.value & kAoIoOptsMask;
    BitStringValue corrected;
    corrected.value = masked;
    if (masked != 0) corrected.setTexts = {"default string"};
    BitStringValue readBack;
    bool written = false;
    const int fixed = bus([&] {
        auto write = Stream(device, BlockKind::AO, {"IO_OPTS"});
        write->WriteBitString(corrected);
        written = write->IsGood() != 0;
        if (!written) return 1;
        auto again = Stream(device, BlockKind::AO, {"IO_OPTS"});
        again->ReadBitString(readBack);
        return Good({again.get()});
    });
    if (fixed == 0) {
        FillBitField(ao.ioOptions, readBack);
        return 0;
    }
    if (written) return 1;  // written, but the device did not answer the read that followed
    // The block refused the write (it takes IO_OPTS only out of service): the record keeps the
    // corrected value, which the next download brings to the device.
    ao.ioOptions.setNames = SetNamesOf(ao.ioOptions, masked);
    ao.ioOptions.value = masked;
    platform::ShowMessage(
        "NOTE: The AO block did not accept the corrected IO_OPTS now (it takes them only out of service).\n"
        "The corrected settings are kept in the configuration and reach the device with the next download.");
    return 0;
}

int ReadPidBlock(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    PidBlockGroup& p = data.pid;
    return bus([&] {
        auto s = Stream(device, BlockKind::PID, names::PidBlockRead());
        EnumValue unit = EnumOfSize(2);
        BitStringValue control, status;
        fieldbus::StatusValue ff;
        // The four PV_SCALE members (five names with the unit's text) from one read of the record.
        uint8_t scale[kScaleSize] = {};
        if (s->ReadRecord(scale, kScaleSize, 5) == 0) {
            p.pvRangeHigh = Codec().ReadFloat(scale);
            p.pvRangeLow = Codec().ReadFloat(scale + 4);
            unit.value = Codec().ReadU16(scale + 8);
            p.pvDecimalPlaces = scale[10];
            if (s->DescribeEnum("PV_SCALE/UNITS_INDEX", unit) != 0) return 1;
        }
        s->ReadBitString(control);
        s->ReadBitString(status);
        for (float* value : {&p.gain, &p.reset, &p.rate, &p.ffGain}) s->ReadFloat(*value);
        s->ReadStatusValue(ff);
        for (float* value : {&p.spHighLimit, &p.spLowLimit, &p.outHighLimit, &p.outLowLimit, &p.devAlarmHigh,
                             &p.devAlarmLow, &p.alarmHigh, &p.alarmLow, &p.alarmHighHigh, &p.alarmLowLow})
            s->ReadFloat(*value);
        if (Good({s.get()}) != 0) return 1;
        FillEnumField(p.pvUnit, unit);
        FillBitField(p.controlOptions, control);
        FillBitField(p.statusOptions, status);
        p.ffValue = ff.value;
        return 0;
    });
}

int ReadOption(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    OptionGroup& o = data.option;
    return bus([&] {
        auto s = Stream(device, BlockKind::TB, names::OptionRead());
        EnumValue charType = EnumOfSize(1), pressureUnit = EnumOfSize(2), temperatureUnit = EnumOfSize(2);
        float points[9] = {};
        s->ReadEnum(charType);
        s->ReadFloat9(points);
        // SPRING_RANGE's unit (with its text), EU_100 and EU_0 from one read of the record.
        uint8_t range[kScaleSize] = {};
        if (s->ReadRecord(range, kScaleSize, 4) == 0) {
            o.pressureRangeHigh = Codec().ReadFloat(range);
            o.pressureRangeLow = Codec().ReadFloat(range + 4);
            pressureUnit.value = Codec().ReadU16(range + 8);
            if (s->DescribeEnum("SPRING_RANGE/UNITS_INDEX", pressureUnit) != 0) return 1;
        }
        s->ReadFloat(o.supplyPressure);
        s->ReadEnum(temperatureUnit);
        if (Good({s.get()}) != 0) return 1;
        FillEnumField(o.charType, charType);
        for (size_t i = 0; i < 9; ++i) o.charPoints[i] = points[i];
        FillEnumField(o.pressureUnit, pressureUnit);
        FillEnumField(o.temperatureUnit, temperatureUnit);
        return 0;
    });
}

}  // namespace config::ops
