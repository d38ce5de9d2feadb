#include "config/ConfigDatabaseLists.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace config {

namespace {

std::array<HostListSpec, HostListCount> MakeLists() {
    std::array<HostListSpec, HostListCount> lists;
    lists[ListRbGeneral] = {ListRbGeneral, "RB general", "RB", {"MANUFAC_ID", "DEV_TYPE", "DEV_REV", "DD_REV", "TAG_DESC"}};
    lists[ListTbGeneral] = {ListTbGeneral, "TB general", "TB",
                            {"MODEL", "TAG_DESC", "VALVE_MODEL_NUM", "VALVE_SN", "VALVE_MAN_ID", "ACT_MODEL_NUM",
                             "ACT_SN", "ACT_MAN_ID", "XD_CAL_WHO", "XD_CAL_LOC", "XD_CAL_DATE", "DEV_OPTIONS",
                             "PRESS_SENS_INSTALLED"}};
    lists[ListPosition] = {ListPosition, "Position", "TB",
                           {"SERVO_GAIN", "SERVO_RESET", "SERVO_RATE", "SERVO_RATE_GAIN", "SERVO_DEADBAND",
                            "FINAL_VALUE_CUTTOFF_LO", "FINAL_VALUE_CUTTOFF_HI", "FINAL_VALUE_RANGE.EU_0",
                            "FINAL_VALUE_RANGE.EU_100", "NEAR_CLOSE_THRESHOLD", "LIMSW_LO_LIM", "LIMSW_HI_LIM",
                            "DEVIATION_LIM", "DEVIATION_TIME_TH.1", "DEVIATION_TIME_TH.2", "BOOST_ON_THRESHOLD.1",
                            "BOOST_ON_THRESHOLD.2", "BOOST_OFF_THRESHOLD.1", "BOOST_OFF_THRESHOLD.2", "BOOST_VALUE.1",
                            "BOOST_VALUE.2", "SERVO_I_SLEEP_LMT", "SERVO_P_ALPHA", "INTERNAL_GAIN", "SERVO_OFFSET",
                            "OPEN_STOP_ADJ"}};
    lists[ListActuator] = {ListActuator, "Actuator", "TB",
                           {"ACT_FAIL_ACTION", "VALVE_TYPE", "ACTUATOR_TYPE", "RELAY_TYPE", "TRAVEL_LIM",
                            "CYCLE_COUNT_LIM", "OPEN_TIME_LIM", "CLOSE_TIME_LIM", "NEAR_CLOSE_TIME_LIM", "TOTAL_TRAVEL",
                            "TOTAL_CYCLE_COUNT", "TOTAL_OPEN_TIME", "TOTAL_CLOSE_TIME", "TOTAL_NEAR_CLOSE_TIM",
                            "INTERNAL_GAIN", "MEAS_GAIN", "VALVE_TC", "VALVE_HYS", "VALVE_SLIP_WIDTH", "MEAS_PRESS_AIR",
                            "MEAS_PRESS_SUPPLY", "MEAS_SPRING_RANGE.1", "MEAS_SPRING_RANGE.2"}};
    HostListSpec option{ListOption, "Option", "TB", {"POSITION_CHAR_TYPE"}};
    for (int i = 1; i <= 9; ++i) option.names.push_back("POSITION_CHAR." + std::to_string(i));
    for (const char* name :
         {"SPRING_RANGE.UNITS_INDEX", "SPRING_RANGE.EU_100", "SPRING_RANGE.EU_0", "SUPPLY_PRESSURE", "TEMPERATURE_UNIT"})
        option.names.push_back(name);
    lists[ListOption] = option;
    lists[ListAoBlock] = {ListAoBlock, "AO block", "AO",
                          {"SP_HI_LIM", "SP_LO_LIM", "SP_RATE_UP", "SP_RATE_DN", "IO_OPTS", "STATUS_OPTS"}};
    lists[ListPidBlock] = {ListPidBlock, "PID block", "PID",
                           {"PV_SCALE.UNITS_INDEX", "PV_SCALE.EU_100", "PV_SCALE.EU_0", "PV_SCALE.DECIMAL",
                            "CONTROL_OPTS", "STATUS_OPTS", "GAIN", "RESET", "RATE", "FF_GAIN", "FF_VAL.VALUE",
                            "SP_HI_LIM", "SP_LO_LIM", "OUT_HI_LIM", "OUT_LO_LIM", "DV_HI_LIM", "DV_LO_LIM", "HI_LIM",
                            "LO_LIM", "HI_HI_LIM", "LO_LO_LIM"}};
    return lists;
}

std::string JoinLines(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "\n") + item;
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// A host may hand back the float range's ends for infinite limits: they become exact
// infinities again.
float FloatFromHost(double value) {
    if (value > FLT_MAX) return INFINITY;
    if (value < -FLT_MAX) return -INFINITY;
    return static_cast<float>(value);
}

// Fills host values from the record's members.
struct Writer {
    HostValues values;
    static constexpr bool kLoading = false;

    void Float(const char* name, float& v) {
        HostValue h;
        h.type = HostValue::Type::Real;
        h.real = v;
        values[name] = h;
    }
    void Integer(const char* name, uint32_t& v, const std::string& text = {}) {
        HostValue h;
        h.type = HostValue::Type::Integer;
        h.integer = v;
        h.text = text;
        values[name] = h;
    }
    void Text(const char* name, std::string& v) {
        HostValue h;
        h.type = HostValue::Type::Text;
        h.text = v;
        values[name] = h;
    }
    void Bytes(const char* name, std::string& v) {
        HostValue h;
        h.type = HostValue::Type::Bytes;
        h.bytes = v;
        values[name] = h;
    }
    template <typename T>
    void Enum(const char* name, ConfigEnumField<T>& field) {
        uint32_t value = field.value;
        Integer(name, value, field.text);
    }
    void Bits(const char* name, ConfigBitStringField& field) {
        uint32_t value = field.value;
        Integer(name, value, JoinLines(field.setNames));
    }
};

// Puts host values into the record's members; names without a value of the right type are
// left alone.
struct Reader {
    const HostValues& values;
    static constexpr bool kLoading = true;

    const HostValue* Find(const char* name, HostValue::Type type) const {
        auto it = values.find(name);
        return it != values.end() && it->second.type == type ? &it->second : nullptr;
    }
    void Float(const char* name, float& v) {
        if (const HostValue* h = Find(name, HostValue::Type::Real)) v = FloatFromHost(h->real);
    }
    void Integer(const char* name, uint32_t& v) {
        if (const HostValue* h = Find(name, HostValue::Type::Integer)) v = static_cast<uint32_t>(h->integer);
    }
    void Text(const char* name, std::string& v) {
        if (const HostValue* h = Find(name, HostValue::Type::Text)) v = h->text;
    }
    void Bytes(const char* name, std::string& v) {
        if (const HostValue* h = Find(name, HostValue::Type::Bytes)) v = h->bytes;
    }
    template <typename T>
    void Enum(const char* name, ConfigEnumField<T>& field) {
        if (const HostValue* h = Find(name, HostValue::Type::Integer)) {
            field.value = static_cast<T>(h->integer);
            field.text = h->text;
        }
    }
    void Bits(const char* name, ConfigBitStringField& field) {
        if (const HostValue* h = Find(name, HostValue::Type::Integer)) {
            field.value = static_cast<uint16_t>(h->integer);
            field.setNames = SplitLines(h->text);
        }
    }
};

uint32_t ParseHex(const std::string& text) { return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16)); }

// A small unsigned member through a 32-bit host integer.
template <typename V, typename T>
void Small(V& v, const char* name, T& member) {
    uint32_t value = member;
    v.Integer(name, value);
    member = static_cast<T>(value);
}

template <typename V>
void Pair(V& v, const char* first, const char* second, std::array<float, 2>& pair) {
    v.Float(first, pair[0]);
    v.Float(second, pair[1]);
}

// The members of list `index`, by name, in list order. Members stored in another form on the
// host (hex texts, flags in bit strings, actuator device codes) are converted both ways here.
template <typename V>
void Visit(int index, CConfigData& d, V& v) {
    GeneralGroup& g = d.general;
    PositionGroup& p = d.position;
    ActuatorGroup& a = d.actuator;
    switch (index) {
        case ListRbGeneral: {
            uint32_t manufacturer = ParseHex(g.manufacturerId), type = ParseHex(g.deviceType),
                     revision = ParseHex(g.deviceRevision), ddRevision = ParseHex(g.ddRevision);
            v.Integer("MANUFAC_ID", manufacturer);
            v.Integer("DEV_TYPE", type);
            v.Integer("DEV_REV", revision);
            v.Integer("DD_REV", ddRevision);
            v.Text("TAG_DESC", g.resourceDescription);
            if (V::kLoading) {
                // As the link read writes them, so that both give the same texts.
                g.manufacturerId = platform::Format("%x", manufacturer);
                g.deviceType = platform::Format("%04x", type);
                g.deviceRevision = platform::Format("%x", revision);
                g.ddRevision = platform::Format("%x", ddRevision);
                g.splitterPresent = GeneralGroup::SplitterFromTypeAndRevision(type, revision);
                g.extendedServoParameters = GeneralGroup::ExtendedServoFromTypeAndRevision(type, revision);
                if (g.splitterPresent == 0) g.blockTags[TagSPLT] = "Not Installed";
            }
            break;
        }
        case ListTbGeneral: {
            v.Text("MODEL", g.model);
            v.Text("TAG_DESC", g.servoTuningInfo);
            v.Text("VALVE_MODEL_NUM", g.valveModel);
            v.Text("VALVE_SN", g.valveSerialNumber);
            v.Enum("VALVE_MAN_ID", g.valveManufacturer);
            v.Text("ACT_MODEL_NUM", g.actuatorModel);
            v.Text("ACT_SN", g.actuatorSerialNumber);
            v.Enum("ACT_MAN_ID", g.actuatorManufacturer);
            v.Text("XD_CAL_WHO", g.calibrationPerson);
            v.Text("XD_CAL_LOC", g.calibrationLocation);
            uint8_t wire[7] = {};
            values::ValueCodec::Instance().EncodeDate(g.calibrationDate.ToFieldbusDate(), wire);
            std::string date(reinterpret_cast<const char*>(wire), sizeof wire);
            v.Bytes("XD_CAL_DATE", date);
            if (V::kLoading && date.size() == sizeof wire)
                g.calibrationDate = ConfigDate::FromFieldbusDate(
                    values::ValueCodec::Instance().DecodeDate(reinterpret_cast<const uint8_t*>(date.data())));
            // The two option flags are bits 0 and 1 of DEV_OPTIONS; the pressure sensor is bit 1 of
            // PRESS_SENS_INSTALLED (as the device reads give them).
            uint32_t options = (g.pidBlockActivation & 1u) | ((g.signatureActivation & 1u) << 1);
            uint32_t sensor = (g.pressureSensorInstalled & 1u) << 1;
            v.Integer("DEV_OPTIONS", options);
            v.Integer("PRESS_SENS_INSTALLED", sensor);
            g.pidBlockActivation = options & 1u;
            g.signatureActivation = (options >> 1) & 1u;
            g.pressureSensorInstalled = (sensor >> 1) & 1u;
            break;
        }
        case ListPosition:
            v.Float("SERVO_GAIN", p.servoGain);
            v.Float("SERVO_RESET", p.servoReset);
            v.Float("SERVO_RATE", p.servoRate);
            v.Float("SERVO_RATE_GAIN", p.servoRateGain);
            v.Float("SERVO_DEADBAND", p.servoDeadband);
            v.Float("FINAL_VALUE_CUTTOFF_LO", p.tightShutoff);
            v.Float("FINAL_VALUE_CUTTOFF_HI", p.fullOpen);
            v.Float("FINAL_VALUE_RANGE.EU_0", p.positionLowerLimit);
            v.Float("FINAL_VALUE_RANGE.EU_100", p.positionUpperLimit);
            v.Float("NEAR_CLOSE_THRESHOLD", p.nearCloseValue);
            v.Float("LIMSW_LO_LIM", p.limitSwitchLow);
            v.Float("LIMSW_HI_LIM", p.limitSwitchHigh);
            v.Float("DEVIATION_LIM", p.deviationLimit);
            Pair(v, "DEVIATION_TIME_TH.1", "DEVIATION_TIME_TH.2", p.deviationTimeThreshold);
            Pair(v, "BOOST_ON_THRESHOLD.1", "BOOST_ON_THRESHOLD.2", p.boostOnThreshold);
            Pair(v, "BOOST_OFF_THRESHOLD.1", "BOOST_OFF_THRESHOLD.2", p.boostOffThreshold);
            Pair(v, "BOOST_VALUE.1", "BOOST_VALUE.2", p.boostValue);
            v.Float("SERVO_I_SLEEP_LMT", p.servoISleepLimit);
            v.Float("SERVO_P_ALPHA", p.servoPAlpha);
            v.Float("INTERNAL_GAIN", a.internalGain);
            v.Float("SERVO_OFFSET", p.servoOffset);
            v.Float("OPEN_STOP_ADJ", p.openStopAdjustment);
            break;
        case ListActuator: {
            // The two-valued members travel as the device codes them (1 and 2).
            uint32_t* flags[] = {&a.valveAction, &a.valveType, &a.actuatorType, &a.relayType};
            const char* names[] = {"ACT_FAIL_ACTION", "VALVE_TYPE", "ACTUATOR_TYPE", "RELAY_TYPE"};
            for (size_t i = 0; i < 4; ++i) {
                uint32_t code = ActuatorGroup::DeviceCodeFromFlag(*flags[i]);
                v.Integer(names[i], code);
                *flags[i] = ActuatorGroup::FlagFromDeviceCode(code);
            }
            v.Integer("TRAVEL_LIM", a.travelLimit);
            v.Integer("CYCLE_COUNT_LIM", a.cycleCountLimit);
            v.Integer("OPEN_TIME_LIM", a.openTimeLimit);
            v.Integer("CLOSE_TIME_LIM", a.closeTimeLimit);
            v.Integer("NEAR_CLOSE_TIME_LIM", a.nearCloseTimeLimit);
            v.Integer("TOTAL_TRAVEL", a.totalTravel);
            v.Integer("TOTAL_CYCLE_COUNT", a.totalCycleCount);
            v.Integer("TOTAL_OPEN_TIME", a.totalOpenTime);
            v.Integer("TOTAL_CLOSE_TIME", a.totalCloseTime);
            v.Integer("TOTAL_NEAR_CLOSE_TIM", a.totalNearCloseTime);
            v.Float("INTERNAL_GAIN", a.internalGain);
            v.Float("MEAS_GAIN", a.measuredGain);
            v.Float("VALVE_TC", a.valveTimeConstant);
            v.Float("VALVE_HYS", a.valveHysteresis);
            v.Float("VALVE_SLIP_WIDTH", a.valveSlipWidth);
            v.Float("MEAS_PRESS_AIR", a.measuredOutputPressure);
            v.Float("MEAS_PRESS_SUPPLY", a.measuredSupplyPressure);
            Pair(v, "MEAS_SPRING_RANGE.1", "MEAS_SPRING_RANGE.2", a.measuredSpringRange);
            break;
        }
        case ListOption: {
            OptionGroup& o = d.option;
            v.Enum("POSITION_CHAR_TYPE", o.charType);
            for (size_t i = 0; i < o.charPoints.size(); ++i) {
                const std::string name = "POSITION_CHAR." + std::to_string(i + 1);
                v.Float(name.c_str(), o.charPoints[i]);
            }
            v.Enum("SPRING_RANGE.UNITS_INDEX", o.pressureUnit);
            v.Float("SPRING_RANGE.EU_100", o.pressureRangeHigh);
            v.Float("SPRING_RANGE.EU_0", o.pressureRangeLow);
            v.Float("SUPPLY_PRESSURE", o.supplyPressure);
            v.Enum("TEMPERATURE_UNIT", o.temperatureUnit);
            break;
        }
        case ListAoBlock:
            v.Float("SP_HI_LIM", d.ao.spHighLimit);
            v.Float("SP_LO_LIM", d.ao.spLowLimit);
            v.Float("SP_RATE_UP", d.ao.spRateUp);
            v.Float("SP_RATE_DN", d.ao.spRateDown);
            v.Bits("IO_OPTS", d.ao.ioOptions);
            v.Bits("STATUS_OPTS", d.ao.statusOptions);
            break;
        case ListPidBlock: {
            PidBlockGroup& pid = d.pid;
            v.Enum("PV_SCALE.UNITS_INDEX", pid.pvUnit);
            v.Float("PV_SCALE.EU_100", pid.pvRangeHigh);
            v.Float("PV_SCALE.EU_0", pid.pvRangeLow);
            Small(v, "PV_SCALE.DECIMAL", pid.pvDecimalPlaces);
            v.Bits("CONTROL_OPTS", pid.controlOptions);
            v.Bits("STATUS_OPTS", pid.statusOptions);
            v.Float("GAIN", pid.gain);
            v.Float("RESET", pid.reset);
            v.Float("RATE", pid.rate);
            v.Float("FF_GAIN", pid.ffGain);
            v.Float("FF_VAL.VALUE", pid.ffValue);
            v.Float("SP_HI_LIM", pid.spHighLimit);
            v.Float("SP_LO_LIM", pid.spLowLimit);
            v.Float("OUT_HI_LIM", pid.outHighLimit);
            v.Float("OUT_LO_LIM", pid.outLowLimit);
            v.Float("DV_HI_LIM", pid.devAlarmHigh);
            v.Float("DV_LO_LIM", pid.devAlarmLow);
            v.Float("HI_LIM", pid.alarmHigh);
            v.Float("LO_LIM", pid.alarmLow);
            v.Float("HI_HI_LIM", pid.alarmHighHigh);
            v.Float("LO_LO_LIM", pid.alarmLowLow);
            break;
        }
        default: break;
    }
}

bool SameValue(const HostValue& a, const HostValue& b) {
    if (a.type != b.type) return false;
    switch (a.type) {
        case HostValue::Type::Integer: return a.integer == b.integer;  // its text follows the value
        case HostValue::Type::Real: {
            const auto fa = static_cast<float>(a.real), fb = static_cast<float>(b.real);
            return fa == fb || (std::isnan(fa) && std::isnan(fb));
        }
        case HostValue::Type::Text: return SameUnitText(a.text, b.text);
        case HostValue::Type::Bytes: return a.bytes == b.bytes;
        case HostValue::Type::None: return true;
    }
    return false;
}

}  // namespace

const std::array<HostListSpec, HostListCount>& HostLists() {
    static const std::array<HostListSpec, HostListCount> lists = MakeLists();
    return lists;
}

const HostListSpec& HostList(int index) { return HostLists()[static_cast<size_t>(index)]; }

HostValues ListValues(int index, const CConfigData& data) {
    CConfigData copy = data;
    Writer writer;
    Visit(index, copy, writer);
    return writer.values;
}

void ApplyListValues(int index, const HostValues& values, CConfigData& data) {
    Reader reader{values};
    Visit(index, data, reader);
}

bool SameListMembers(const CConfigData& a, const CConfigData& b) {
    for (int index = 0; index < HostListCount; ++index) {
        const HostValues va = ListValues(index, a), vb = ListValues(index, b);
        if (va.size() != vb.size()) return false;
        for (const auto& [name, value] : va) {
            auto other = vb.find(name);
            if (other == vb.end() || !SameValue(value, other->second)) return false;
        }
    }
    return true;
}

}  // namespace config
