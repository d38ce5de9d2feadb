// The query commands and their lines. Each line is read on its own, so a failed read leaves
// out only its line.
#include <cstring>

#include "fieldbus/DeviceUnits.h"
#include "fieldbus/TypedValues.h"
#include "platform/Ui.h"
#include "query/QueryDevice.h"
#include "values/ValueCodec.h"

namespace query {

namespace {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;
using fieldbus::StatusValue;
using platform::Format;

// The temperature unit code for degrees Celsius; any other code is shown as Fahrenheit.
constexpr uint16_t kUnitDegreesCelsius = 1001;
// The kind of a description item that names an enumeration value.
constexpr uint8_t kEnumerationItem = 1;

// The two floats of an 8-byte transducer parameter (big-endian on the wire).
void TwoFloats(const fieldbus::RawRecord8& raw, float& first, float& second) {
    fieldbus::RawRecord8 copy = raw;
    values::ValueCodec& codec = values::ValueCodec::Instance();
    first = codec.ReadFloat(copy.data());
    second = codec.ReadFloat(copy.data() + 4);
}

void UnitLine(QueryLines& lines, const char* label, int status, const std::string& text) {
    if (status == 0) lines.Add(std::string(label) + text);
}

void AoLines(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    StatusValue sp, out;
    if (d.ReadAoSp(sp) == 0) lines.Add(Format("AO SP=%4.2f%%", sp.value));
    uint16_t unit = 0;
    std::string text;
    UnitLine(lines, "AO PV Scale Units Index=", d.ReadAoPvScaleUnitsText(unit, text), text);
    if (d.ReadAoOut(out) == 0) lines.Add(Format("AO OUT=%4.2f%%", out.value));
}

void ReadIdentifier(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    uint32_t manufacturer = 0;
    if (d.ReadRbManufacId(manufacturer) == 0) lines.Add(Format("Mfg ID=%x", manufacturer));
    uint16_t type = 0;
    if (d.ReadRbDevType(type) == 0) lines.Add(Format("Mfg Device Type=%x", unsigned{type}));
    lines.Add(Format("Device ID=%s", q.Identity().deviceId.c_str()));
    lines.Add(Format("Vendor=%s", q.Identity().vendor.c_str()));
    uint8_t ddRevision = 0;
    if (d.ReadRbDdRev(ddRevision) == 0) lines.Add(Format("Software Revision (DD Rev)=%d", int{ddRevision}));
    lines.Add(Format("Hardware Revision=%s", q.Identity().hardwareRevision.c_str()));
    lines.Add(Format("Model=%s", q.Identity().model.c_str()));
    // The style code is the model text the transducer block carries ("RPX110 /LC /AP").
    std::string style;
    if (d.ReadTbModel(style) == 0) lines.Add("Style Code=" + style);
}

void ReadPrimaryVariable(QueryDevice& q, QueryLines& lines) {
    StatusValue position;
    if (q.Device().ReadTbFinalPositionValue(position) == 0)
        lines.Add(Format("PV (Valve Position)=%4.2f%%", position.value));
}

void ReadAoSetpoint(QueryDevice& q, QueryLines& lines) { AoLines(q, lines); }

void ReadAllVariables(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    AoLines(q, lines);
    StatusValue value;
    if (d.ReadTbFinalPositionValue(value) == 0) lines.Add(Format("Valve Position=%4.2f%%", value.value));
    float pressure = 0;
    if (d.ReadTbOutPressure(pressure) == 0)
        lines.Add(fieldbus::WithUnit(Format("Out Pressure=%3.1f", pressure), fieldbus::PressureUnit(d)));
    if (d.ReadPidPv(value) == 0) lines.Add(Format("PID PV=%3.1f", value.value));
    if (d.ReadPidSp(value) == 0) lines.Add(Format("PID SP=%3.1f", value.value));
}

void ReadId(QueryDevice& q, QueryLines& lines) { lines.Add(Format("Device ID=%s", q.Identity().deviceId.c_str())); }

void ReadDescriptor(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    const int tb = q.Block(BlockKind::TB);
    if (tb >= 0) lines.Add(Format("TB Tag=%s", d.GetBlockTag(tb).c_str()));
    std::string description;
    if (d.ReadTbTagDesc(description) == 0) lines.Add("TB Tag Desc=" + description);
}

void ReadStatus(QueryDevice& q, QueryLines& lines) {
    uint8_t error = 0;
    if (q.Device().ReadTbXdError(error) != 0) return;
    std::string text;
    if (!q.EnumText(BlockKind::TB, "XD_ERROR", error, text)) text = Format("0x%02x", unsigned{error});
    lines.Add("Status (XD Error)=" + text);
}

// The limit switches are the discrete inputs: DI1 reports the low switch, DI2 the high one.
void ReadLimitSwitches(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    uint8_t state = 0;
    std::string text;
    UnitLine(lines, "Limit Switch 1 Status=", d.ReadDi1OutDText(state, text), text);
    UnitLine(lines, "Limit Switch 2 Status=", d.ReadDi2OutDText(state, text), text);
}

void ReadContinuousDiagnostics(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    uint32_t v = 0;
    if (d.ReadTbTotalTravel(v) == 0) lines.Add(Format("Total Travel=%d", static_cast<int>(v)));
    if (d.ReadTbTotalCycleCount(v) == 0) lines.Add(Format("Total Cycle Count=%d", static_cast<int>(v)));
    if (d.ReadTbTotalOpenTime(v) == 0) lines.Add(Format("Total Open Time=%d", static_cast<int>(v)));
    if (d.ReadTbTotalCloseTime(v) == 0) lines.Add(Format("Total Close Time=%d", static_cast<int>(v)));
    if (d.ReadTbTotalNearCloseTime(v) == 0) lines.Add(Format("Total Near Close Time=%d", static_cast<int>(v)));
}

void ReadSignatureResults(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    float v = 0;
    const std::string pressure = fieldbus::PressureUnit(d);
    if (d.ReadTbValveHys(v) == 0) lines.Add(Format("Valve Hysteresis=%f%%", v));
    fieldbus::RawRecord8 range{};
    if (d.ReadTbMeasSpringRange(range) == 0) {
        float upper = 0, lower = 0;
        TwoFloats(range, upper, lower);
        lines.Add(fieldbus::WithUnit(Format("Measured Spring Range=(%f, %f)", upper, lower), pressure));
    }
    if (d.ReadTbMeasPressAir(v) == 0) lines.Add(fieldbus::WithUnit(Format("Measured Press Air=%f", v), pressure));
    if (d.ReadTbMeasPressSupply(v) == 0)
        lines.Add(fieldbus::WithUnit(Format("Measured Press Supply=%f", v), pressure));
    if (d.ReadTbValveSlipWidth(v) == 0) lines.Add(Format("Valve Slip Width=%f%%", v));
}

void ReadConfiguration(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    std::string text;
    uint16_t bits = 0;
    if (d.ReadTbDevOptions(bits) == 0 && q.BitTexts(BlockKind::TB, "DEV_OPTIONS", bits, text))
        lines.Add("Device Options=" + text);
    uint8_t code = 0;
    // ACT_FAIL_ACTION 1 is "Air To Open".
    if (d.ReadTbActFailAction(code) == 0) lines.Add(std::string("Air To Open=") + (code == 1 ? "TRUE" : "FALSE"));
    auto enumLine = [&](const char* label, const char* name, int status, uint32_t value) {
        if (status != 0) return;
        if (!q.EnumText(BlockKind::TB, name, value, text)) text = Format("%u", value);
        lines.Add(label + text);
    };
    enumLine("Control Dir=", "CONTROL_DIR", d.ReadTbControlDir(code), code);
    enumLine("Actuator Type=", "ACTUATOR_TYPE", d.ReadTbActuatorType(code), code);
    enumLine("Relay Type=", "RELAY_TYPE", d.ReadTbRelayType(code), code);
    enumLine("Pos. Char Type=", "POSITION_CHAR_TYPE", d.ReadTbPositionCharType(code), code);
    uint16_t unit = 0;
    UnitLine(lines, "AO PV Scale Units Index=", d.ReadAoPvScaleUnitsText(unit, text), text);
    UnitLine(lines, "Pos. Units Index=", d.ReadTbFinalValueRangeUnitsText(unit, text), text);
    if (d.ReadTbSpringRangeUnitsIndex(unit) == 0) {
        if (!q.EnumText(BlockKind::TB, "SPRING_RANGE.UNITS_INDEX", unit, text)) text = Format("%u", unsigned{unit});
        lines.Add("Pressure Units Index=" + text);
    }
    if (d.ReadPidControlOpts(bits) == 0 && q.BitTexts(BlockKind::PID, "CONTROL_OPTS", bits, text))
        lines.Add("PID Control Opts=" + text);
    if (d.ReadAoIoOpts(bits) == 0 && q.BitTexts(BlockKind::AO, "IO_OPTS", bits, text)) lines.Add("AO IO Opts=" + text);
}

void ReadErrorLimits(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    float v = 0;
    if (d.ReadTbDeviationLim(v) == 0) lines.Add(Format("Deviation Limit=%3.1f%%", v));
    fieldbus::RawRecord8 times{};
    if (d.ReadTbDeviationTimeTh(times) == 0) {
        float first = 0, second = 0;
        TwoFloats(times, first, second);
        lines.Add(Format("Deviation Time Th=%f s", first));
    }
    if (d.ReadTbNearCloseThreshold(v) == 0) lines.Add(Format("Near Close Th=%3.1f%%", v));

    struct Pair {
        const char* format;
        int (DeviceAccess::*total)(uint32_t&);
        int (DeviceAccess::*limit)(uint32_t&);
    };
    static const Pair pairs[] = {
        {"Cycle Count Limit Exceed: %u exceeds %u", &DeviceAccess::ReadTbTotalCycleCount,
         &DeviceAccess::ReadTbCycleCountLim},
        {"Travel Limit Exceed: %u exceeds %u", &DeviceAccess::ReadTbTotalTravel, &DeviceAccess::ReadTbTravelLim},
        {"Total Open Time Limit Exceed: %u exceeds %u", &DeviceAccess::ReadTbTotalOpenTime,
         &DeviceAccess::ReadTbOpenTimeLim},
        {"Total Close Time Limit Exceed: %u exceeds %u", &DeviceAccess::ReadTbTotalCloseTime,
         &DeviceAccess::ReadTbCloseTimeLim},
        {"Total Near Close Time Limit Exceed: %u exceeds %u", &DeviceAccess::ReadTbTotalNearCloseTime,
         &DeviceAccess::ReadTbNearCloseTimeLim},
    };
    for (const Pair& pair : pairs) {
        uint32_t total = 0, limit = 0;
        if ((d.*pair.total)(total) != 0 || (d.*pair.limit)(limit) != 0) continue;
        if (total > limit) lines.Add(Format(pair.format, total, limit));
    }
}

void ReadServoPid(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    float v = 0;
    if (d.ReadTbServoGain(v) == 0) lines.Add(Format("Servo Gain (P)=%4.2f", v));
    if (d.ReadTbServoReset(v) == 0) lines.Add(Format("Servo Reset (I) =%4.2f", v));
    if (d.ReadTbServoRate(v) == 0) lines.Add(Format("Servo Rate (D)=%4.2f", v));
}

void ReadConfiguration2(QueryDevice& q, QueryLines& lines) {
    uint16_t unit = 0;
    if (q.Device().ReadPidPvScaleUnitsIndex(unit) != 0) return;
    std::string text;
    if (!q.EnumText(BlockKind::PID, "PV_SCALE.UNITS_INDEX", unit, text)) text = Format("%u", unsigned{unit});
    lines.Add("PID PV Scale Units Index=" + text);
}

void ReadLoopCalibration(QueryDevice&, QueryLines& lines) { lines.Add("Read Loop Calibration is currently undefined."); }

void ReadLoopPid(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    float v = 0;
    if (d.ReadPidGain(v) == 0) lines.Add(Format("PID Gain (P)=%4.2f", v));
    if (d.ReadPidReset(v) == 0) lines.Add(Format("PID Reset (I) =%4.2f", v));
    if (d.ReadPidRate(v) == 0) lines.Add(Format("PID Rate (D)=%4.2f", v));
}

void ReadLoopParameters1(QueryDevice&, QueryLines& lines) { lines.Add("Read Loop Parameters 1 is currently undefined."); }
void ReadLoopParameters2(QueryDevice&, QueryLines& lines) { lines.Add("Read Loop Parameters 2 is currently undefined."); }
void ReadLoopState(QueryDevice&, QueryLines& lines) { lines.Add("Read Loop State is currently undefined."); }

// The raw values: the set point the position loop works on (FINAL_VALUE over 0 to 100 % as
// a 16-bit count), the position sensor's converter value and the relay drive signal.
void ReadRawData(QueryDevice& q, QueryLines& lines) {
    DeviceAccess& d = q.Device();
    StatusValue setPoint;
    if (d.ReadTbFinalValue(setPoint) == 0) {
        const float clamped = setPoint.value < 0.0f ? 0.0f : (setPoint.value > 100.0f ? 100.0f : setPoint.value);
        lines.Add(Format("Valve Controller Setpoint=0x%04x", static_cast<unsigned>(clamped / 100.0f * 65535.0f + 0.5f)));
    }
    uint16_t raw = 0;
    if (d.ReadTbAdvalFw(raw) == 0) lines.Add(Format("Raw Position=0x%04x", unsigned{raw}));
    float v = 0;
    if (d.ReadTbServoOutputSignal(v) == 0) lines.Add(Format("I/P output=%4.2f%%", v));
    uint16_t unit = 0;
    if (d.ReadTbElectTemp(v) == 0 && d.ReadTbTemperatureUnit(unit) == 0)
        lines.Add(Format("Elect Temp=%4.1f", v) + "(" + (unit == kUnitDegreesCelsius ? "degC" : "degF") + ")");
}

}  // namespace

const std::vector<QueryCommand>& QueryCommands() {
    static const std::vector<QueryCommand> commands = {
        {"Read Identifier", &ReadIdentifier},
        {"Read Primary Variable", &ReadPrimaryVariable},
        {"Read AO SETPOINT", &ReadAoSetpoint},
        {"Read All Variables", &ReadAllVariables},
        {"Read ID", &ReadId},
        {"Read Descriptor", &ReadDescriptor},
        {"Read Status", &ReadStatus},
        {"Read Limit Switces", &ReadLimitSwitches},
        {"Read Continuous Diagnostic Data", &ReadContinuousDiagnostics},
        {"Read Signature Results", &ReadSignatureResults},
        {"Read Configuration", &ReadConfiguration},
        {"Read Error Limits", &ReadErrorLimits},
        {"Read Servo PID", &ReadServoPid},
        {"Read Configuration2", &ReadConfiguration2},
        {"Read Loop Calibration", &ReadLoopCalibration},
        {"Read Loop PID", &ReadLoopPid},
        {"Read LoopParameters 1", &ReadLoopParameters1},
        {"Read LoopParameters 2", &ReadLoopParameters2},
        {"Read Loop State", &ReadLoopState},
        {"Read Raw Data", &ReadRawData},
    };
    return commands;
}

QueryDevice::QueryDevice(fieldbus::DeviceAccess* device, QueryIdentity identity)
    : device_(device), identity_(std::move(identity)) {}

int QueryDevice::CommandCount() const { return static_cast<int>(QueryCommands().size()); }

std::string QueryDevice::CommandName(int index) const {
    if (index < 0 || index >= CommandCount()) return {};
    return QueryCommands()[static_cast<size_t>(index)].name;
}

std::string QueryDevice::ComposeAnswer(int commandIndex) {
    if (commandIndex < 0 || commandIndex >= CommandCount() || device_ == nullptr || !device_->IsOpen()) return {};
    const QueryCommand& command = QueryCommands()[static_cast<size_t>(commandIndex)];
    QueryLines lines;
    command.compose(*this, lines);
    return std::string(command.name) + " :\r\n\r\n" + lines.Text();
}

// Looked up in the parameter's description items, so that a value the description does not
// name is no error.
bool QueryDevice::EnumText(fieldbus::BlockKind kind, const std::string& name, uint32_t value, std::string& text) {
    text.clear();
    fieldbus::ObjectAttributes attributes;
    const int block = Block(kind);
    if (block < 0) return false;
    if (device_->GetObjectAttributes(block, name, attributes) != 0) return false;
    for (const fieldbus::AttributeItem& item : attributes.items) {
        if (item.kind != kEnumerationItem || item.value != value) continue;
        text = values::ValueCodec::Instance().PickEnglishText(item.description.data(), item.description.size());
        return true;
    }
    return false;
}

bool QueryDevice::BitTexts(fieldbus::BlockKind kind, const std::string& name, uint32_t value, std::string& text) {
    text.clear();
    const int block = Block(kind);
    std::vector<std::string> texts;
    if (block < 0 || device_->GetBitTexts(block, name, value, texts) != 0) return false;
    for (const std::string& t : texts) text += (text.empty() ? "" : ", ") + t;
    if (texts.empty()) text = "None";
    return true;
}

}  // namespace query
