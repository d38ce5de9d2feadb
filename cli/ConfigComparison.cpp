#include "cli/ConfigComparison.h"

#include <map>

#include "platform/Ui.h"
#include "values/ValueCodec.h"

using platform::Format;

namespace cli {

namespace {

std::string Exact(float value) { return Format("%a", static_cast<double>(value)); }

std::string Ascii(const std::string& text) { return values::ValueCodec::Instance().UnitToAscii(text); }

// Builds one group's fields; Measured() and Kept() mark the fields that follow.
class Group {
public:
    explicit Group(std::string name) { group_.name = std::move(name); }

    Group& Downloaded() {
        downloaded_ = true;
        measured_ = false;
        return *this;
    }
    Group& Kept() {
        downloaded_ = false;
        measured_ = false;
        return *this;
    }
    Group& Measured() {
        downloaded_ = false;
        measured_ = true;
        return *this;
    }

    void Text(const std::string& name, const std::string& value) { Add(name, value, value); }
    void Float(const std::string& name, float value) { Add(name, values::FloatToText(value), Exact(value)); }
    void Pair(const std::string& name, const std::array<float, 2>& value) {
        Float(name + ".1", value[0]);
        Float(name + ".2", value[1]);
    }
    void Unsigned(const std::string& name, uint32_t value) { Add(name, Format("%u", value), Format("%u", value)); }
    void Flag(const std::string& name, uint32_t value, const char* yes, const char* no) {
        Add(name, value != 0 ? yes : no, value != 0 ? "1" : "0");
    }
    template <typename V>
    void Enum(const std::string& name, const config::ConfigEnumField<V>& field) {
        const uint32_t value = static_cast<uint32_t>(field.value);
        const std::string text = Ascii(field.text);
        Add(name, text.empty() ? Format("%u", value) : Format("%s (%u)", text.c_str(), value),
            Format("%u|", value) + text);
    }
    void Bits(const std::string& name, const config::ConfigBitStringField& field) {
        std::string names;
        for (const std::string& set : field.setNames) names += (names.empty() ? "" : "+") + Ascii(set);
        Add(name, Format("0x%04x", field.value) + (names.empty() ? " (none)" : " (" + names + ")"),
            Format("%u", field.value));
    }
    void TwoValued(const std::string& name, uint32_t flag, const char* zero, const char* one) {
        Add(name, flag == 1 ? one : zero, Format("%u", flag));
    }

    // A value shown as `text` and compared as `exact`.
    void Value(const std::string& name, const std::string& text, const std::string& exact) { Add(name, text, exact); }

    ConfigFieldGroup Take() { return std::move(group_); }

private:
    void Add(const std::string& name, const std::string& text, const std::string& exact) {
        group_.fields.push_back({name, text, exact, measured_, downloaded_});
    }

    ConfigFieldGroup group_;
    bool downloaded_ = true;
    bool measured_ = false;
};

std::string DateText(const config::ConfigDate& d) {
    return Format("%02u/%02u/%02u %02u:%02u:%02u", d.month, d.dayOfMonth, d.year, d.hours, d.minutes, d.seconds);
}

std::string DateExact(const config::ConfigDate& d) {
    return Format("%u %u %u %u %u %u %u %u %u", d.summerTime, d.hours, d.minutes, d.seconds, d.milliseconds,
                  d.dayOfWeek, d.dayOfMonth, d.month, d.year);
}

ConfigFieldGroup General(const config::GeneralGroup& g) {
    Group group("General");
    group.Downloaded();
    group.Text("PD tag", g.pdTag);
    group.Text("Node address", Format("0x%02x (%u)", g.nodeAddress, g.nodeAddress));
    group.Kept();
    group.Text("Device ID", g.deviceId);
    group.Text("RB.MANUFAC_ID", g.manufacturerId);
    group.Text("RB.DEV_TYPE", g.deviceType);
    group.Text("RB.DEV_REV", g.deviceRevision);
    group.Text("RB.DD_REV", g.ddRevision);
    group.Text("TB.MODEL", g.model);
    group.Downloaded();
    group.Text("RB.TAG_DESC", g.resourceDescription);
    group.Text("TB.TAG_DESC", g.servoTuningInfo);
    group.Text("TB.VALVE_MODEL_NUM", g.valveModel);
    group.Text("TB.VALVE_SN", g.valveSerialNumber);
    group.Enum("TB.VALVE_MAN_ID", g.valveManufacturer);
    group.Text("TB.ACT_MODEL_NUM", g.actuatorModel);
    group.Text("TB.ACT_SN", g.actuatorSerialNumber);
    group.Enum("TB.ACT_MAN_ID", g.actuatorManufacturer);
    group.Text("TB.XD_CAL_WHO", g.calibrationPerson);
    group.Text("TB.XD_CAL_LOC", g.calibrationLocation);
    // The date compares in every part, milliseconds and weekday included.
    group.Value("TB.XD_CAL_DATE", DateText(g.calibrationDate), DateExact(g.calibrationDate));
    group.Kept();
    const char* blocks[config::BlockTagCount] = {"RB", "TB", "AO", "DI1", "DI2", "PID", "SPLT"};
    for (int i = 0; i < config::BlockTagCount; ++i)
        group.Text(std::string(blocks[i]) + " block tag", g.blockTags[static_cast<size_t>(i)]);
    group.Flag("Splitter", g.splitterPresent, "present", "absent");
    group.Flag("Signature activation (TB.DEV_OPTIONS)", g.signatureActivation, "activated", "no");
    group.Flag("Link master capable", g.linkMasterActivation, "yes", "no");
    group.Flag("Boot class", g.bootFunctionalClass, "link master", "basic");
    group.Flag("Extended servo parameters", g.extendedServoParameters, "yes", "no");
    group.Flag("PID block activation (TB.DEV_OPTIONS)", g.pidBlockActivation, "activated", "no");
    group.Flag("Pressure sensor (TB.PRESS_SENS_INSTALLED)", g.pressureSensorInstalled, "installed", "no");
    group.Unsigned("Macro cycle duration", g.macroCycleDuration);
    return group.Take();
}

ConfigFieldGroup Position(const config::PositionGroup& p, bool extended) {
    Group group("Position");
    group.Downloaded();
    group.Float("TB.SERVO_GAIN", p.servoGain);
    group.Float("TB.SERVO_RESET", p.servoReset);
    group.Float("TB.SERVO_RATE", p.servoRate);
    group.Float("TB.SERVO_RATE_GAIN", p.servoRateGain);
    group.Float("TB.SERVO_DEADBAND", p.servoDeadband);
    group.Float("TB.SERVO_OFFSET", p.servoOffset);
    group.Float("TB.FINAL_VALUE_CUTTOFF_LO", p.tightShutoff);
    group.Float("TB.FINAL_VALUE_CUTTOFF_HI", p.fullOpen);
    group.Float("TB.FINAL_VALUE_RANGE.EU_0", p.positionLowerLimit);
    group.Float("TB.FINAL_VALUE_RANGE.EU_100", p.positionUpperLimit);
    group.Float("TB.NEAR_CLOSE_THRESHOLD", p.nearCloseValue);
    group.Float("TB.LIMSW_LO_LIM", p.limitSwitchLow);
    group.Float("TB.LIMSW_HI_LIM", p.limitSwitchHigh);
    group.Float("TB.DEVIATION_LIM", p.deviationLimit);
    group.Pair("TB.DEVIATION_TIME_TH", p.deviationTimeThreshold);
    group.Pair("TB.BOOST_ON_THRESHOLD", p.boostOnThreshold);
    group.Pair("TB.BOOST_OFF_THRESHOLD", p.boostOffThreshold);
    group.Pair("TB.BOOST_VALUE", p.boostValue);
    group.Float("TB.SERVO_I_SLEEP_LMT", p.servoISleepLimit);
    group.Float("TB.SERVO_P_ALPHA", p.servoPAlpha);
    group.Float("TB.OPEN_STOP_ADJ", p.openStopAdjustment);
    group.Kept();
    group.Float("TB.THETA_HI", p.thetaHi);
    group.Float("TB.THETA_LO", p.thetaLo);
    group.Text("TB.CONTROL_DIR", Format("%u", p.controlDirection) +
                                     (p.controlDirectionText.empty() ? "" : " (" + Ascii(p.controlDirectionText) + ")"));
    // The feedback angle of the valve's present position.
    group.Measured();
    group.Float("TB.THETA_P", p.thetaP);
    if (extended) {
        group.Downloaded();
        group.Float("TB.SERVO_WARN_HI_LIM", p.servoWarnHigh);
        group.Float("TB.SERVO_WARN_LO_LIM", p.servoWarnLow);
        group.Float("TB.SERVO_TIME_TH", p.servoWarnTime);
        group.Unsigned("TB.SERVO_WARN_COUNT", p.servoWarnCount);
        group.Pair("TB.X_BST_ON_THRESHOLD", p.xBoostOnThreshold);
        group.Pair("TB.X_BST_OFF_THRESHOLD", p.xBoostOffThreshold);
        group.Pair("TB.X_BOOST_VALUE", p.xBoostValue);
    }
    return group.Take();
}

ConfigFieldGroup Actuator(const config::ActuatorGroup& a) {
    Group group("Actuator");
    group.Downloaded();
    group.TwoValued("TB.ACT_FAIL_ACTION", a.valveAction, "Air To Open", "Air To Close");
    group.Kept();
    group.TwoValued("TB.ACTUATOR_TYPE", a.actuatorType, "Single Acting", "Double Acting");
    group.TwoValued("TB.RELAY_TYPE", a.relayType, "Normal", "Reverse");
    group.Downloaded();
    group.TwoValued("TB.VALVE_TYPE", a.valveType, "Linear", "Rotary");
    group.Unsigned("TB.TRAVEL_LIM", a.travelLimit);
    group.Unsigned("TB.CYCLE_COUNT_LIM", a.cycleCountLimit);
    group.Unsigned("TB.OPEN_TIME_LIM", a.openTimeLimit);
    group.Unsigned("TB.CLOSE_TIME_LIM", a.closeTimeLimit);
    group.Unsigned("TB.NEAR_CLOSE_TIME_LIM", a.nearCloseTimeLimit);
    group.Float("TB.INTERNAL_GAIN", a.internalGain);
    group.Measured();
    group.Unsigned("TB.TOTAL_TRAVEL", a.totalTravel);
    group.Unsigned("TB.TOTAL_CYCLE_COUNT", a.totalCycleCount);
    group.Unsigned("TB.TOTAL_OPEN_TIME", a.totalOpenTime);
    group.Unsigned("TB.TOTAL_CLOSE_TIME", a.totalCloseTime);
    group.Unsigned("TB.TOTAL_NEAR_CLOSE_TIM", a.totalNearCloseTime);
    group.Float("TB.MEAS_GAIN", a.measuredGain);
    group.Float("TB.VALVE_TC", a.valveTimeConstant);
    group.Float("TB.VALVE_HYS", a.valveHysteresis);
    group.Float("TB.VALVE_SLIP_WIDTH", a.valveSlipWidth);
    group.Float("TB.MEAS_PRESS_AIR", a.measuredOutputPressure);
    group.Float("TB.MEAS_PRESS_SUPPLY", a.measuredSupplyPressure);
    group.Pair("TB.MEAS_SPRING_RANGE", a.measuredSpringRange);
    return group.Take();
}

ConfigFieldGroup AoBlock(const config::AoBlockGroup& ao) {
    Group group("AO Block");
    group.Downloaded();
    group.Float("AO.SP_HI_LIM", ao.spHighLimit);
    group.Float("AO.SP_LO_LIM", ao.spLowLimit);
    group.Float("AO.SP_RATE_UP", ao.spRateUp);
    group.Float("AO.SP_RATE_DN", ao.spRateDown);
    group.Bits("AO.IO_OPTS", ao.ioOptions);
    group.Bits("AO.STATUS_OPTS", ao.statusOptions);
    return group.Take();
}

ConfigFieldGroup PidBlock(const config::PidBlockGroup& pid) {
    Group group("PID Block");
    group.Downloaded();
    group.Float("PID.PV_SCALE.EU_100", pid.pvRangeHigh);
    group.Float("PID.PV_SCALE.EU_0", pid.pvRangeLow);
    group.Unsigned("PID.PV_SCALE.DECIMAL", pid.pvDecimalPlaces);
    group.Enum("PID.PV_SCALE.UNITS_INDEX", pid.pvUnit);
    group.Bits("PID.CONTROL_OPTS", pid.controlOptions);
    group.Bits("PID.STATUS_OPTS", pid.statusOptions);
    group.Float("PID.GAIN", pid.gain);
    group.Float("PID.RESET", pid.reset);
    group.Float("PID.RATE", pid.rate);
    group.Float("PID.FF_GAIN", pid.ffGain);
    group.Float("PID.FF_VAL.VALUE", pid.ffValue);
    group.Float("PID.SP_HI_LIM", pid.spHighLimit);
    group.Float("PID.SP_LO_LIM", pid.spLowLimit);
    group.Float("PID.OUT_HI_LIM", pid.outHighLimit);
    group.Float("PID.OUT_LO_LIM", pid.outLowLimit);
    group.Float("PID.DV_HI_LIM", pid.devAlarmHigh);
    group.Float("PID.DV_LO_LIM", pid.devAlarmLow);
    group.Float("PID.HI_LIM", pid.alarmHigh);
    group.Float("PID.LO_LIM", pid.alarmLow);
    group.Float("PID.HI_HI_LIM", pid.alarmHighHigh);
    group.Float("PID.LO_LO_LIM", pid.alarmLowLow);
    group.Kept();
    group.Flag("PID group", pid.pidGroupFlag, "yes", "no");
    return group.Take();
}

ConfigFieldGroup Option(const config::OptionGroup& o) {
    Group group("Option");
    group.Kept();
    group.Flag("Bumpless transfer", o.bumplessTransfer, "on", "off");
    group.Downloaded();
    group.Enum("TB.POSITION_CHAR_TYPE", o.charType);
    for (size_t i = 0; i < o.charPoints.size(); ++i)
        group.Float("TB.POSITION_CHAR." + std::to_string(i + 1), o.charPoints[i]);
    group.Enum("TB.SPRING_RANGE.UNITS_INDEX", o.pressureUnit);
    group.Float("TB.SPRING_RANGE.EU_100", o.pressureRangeHigh);
    group.Float("TB.SPRING_RANGE.EU_0", o.pressureRangeLow);
    group.Float("TB.SUPPLY_PRESSURE", o.supplyPressure);
    group.Enum("TB.TEMPERATURE_UNIT", o.temperatureUnit);
    return group.Take();
}

bool InScope(const ConfigField& field, CompareScope scope) {
    switch (scope) {
        case CompareScope::Configuration: return !field.measured;
        case CompareScope::All: return true;
        case CompareScope::Downloaded: return field.downloaded;
    }
    return true;
}

}  // namespace

std::vector<ConfigFieldGroup> ListConfigFields(const config::CConfigData& data) {
    return {General(data.general),
            Position(data.position, data.general.extendedServoParameters != 0),
            Actuator(data.actuator),
            AoBlock(data.ao),
            PidBlock(data.pid),
            Option(data.option)};
}

std::vector<FieldDifference> CompareConfigurations(const config::CConfigData& first, const config::CConfigData& second,
                                                   CompareScope scope) {
    const std::vector<ConfigFieldGroup> a = ListConfigFields(first);
    const std::vector<ConfigFieldGroup> b = ListConfigFields(second);
    std::vector<FieldDifference> differences;
    for (size_t g = 0; g < a.size() && g < b.size(); ++g) {
        std::map<std::string, const ConfigField*> others;
        for (const ConfigField& field : b[g].fields) others[field.name] = &field;
        for (const ConfigField& field : a[g].fields) {
            if (!InScope(field, scope)) continue;
            const auto it = others.find(field.name);
            if (it == others.end()) {
                differences.push_back({a[g].name, field.name, field.text, ""});
                continue;
            }
            if (it->second->exact != field.exact) {
                // Values equal in their shown form still show how they differ.
                std::string left = field.text, right = it->second->text;
                if (left == right) {
                    left = field.exact;
                    right = it->second->exact;
                }
                differences.push_back({a[g].name, field.name, left, right});
            }
            others.erase(it);
        }
        // Fields only the second record has (extended servo parameters), in its order.
        for (const ConfigField& field : b[g].fields)
            if (others.count(field.name) && InScope(field, scope))
                differences.push_back({b[g].name, field.name, "", field.text});
    }
    return differences;
}

}  // namespace cli
