// The group downloads. A check that needs the user (the near-close threshold outside the
// position range, a characterisation type the device does not offer) sits between two pieces
// of bus work on the same stream, so the names are written in table order all the same.
#include <cstring>

#include "config/ConfigGroupFields.h"
#include "config/ConfigGroupOps.h"
#include "config/ConfigNameTables.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace config::ops {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;
using fieldbus::EnumValue;

namespace {

// A float in big-endian wire order.
void ToWire(float value, uint8_t* wire) {
    std::memcpy(wire, &value, 4);
    values::ValueCodec::Instance().ReverseBytes(wire, 4);
}

void WritePair(fieldbus::ParameterStream& s, const std::array<float, 2>& pair) {
    const float values[2] = {pair[0], pair[1]};
    s.WriteFloat2(values);
}

// A record's characterisation choice is one the device offers: a nonzero value found in the
// device's values, or value 0 with a text found in its texts.
bool ChoiceOffered(const ConfigEnumField<uint8_t>& choice, const EnumValue& device) {
    if (choice.value != 0) {
        for (uint32_t value : device.values)
            if (value == choice.value) return true;
        return false;
    }
    for (const std::string& text : device.texts)
        if (SameUnitText(text, choice.text)) return true;
    return false;
}

}  // namespace

int DownloadPosition(CConfigData& data, DeviceAccess& device, const BusRunner& bus, std::string* notes) {
    const PositionGroup& p = data.position;
    // The target's own revision decides whether it has the extended servo members; the record's
    // flag only says whether the record holds them. One file configures devices of either kind.
    const bool targetExtended = device.GetLinkMasterFlags().newerRevision;
    const bool recordExtended = data.general.extendedServoParameters != 0;
    if (recordExtended && !targetExtended && notes != nullptr) {
        *notes += "The device has no extended servo parameters; not written:";
        for (const std::string& name : names::ExtendedServoRead()) *notes += " " + name;
        *notes += ".\r\n";
    }
    auto tb = Stream(device, BlockKind::TB, names::PositionDownload());
    bus([&] {
        for (float value : {p.servoGain, p.servoReset, p.servoRate, p.servoRateGain, p.servoDeadband, p.tightShutoff,
                            p.fullOpen, p.positionLowerLimit, p.positionUpperLimit})
            tb->WriteFloat(value);
        return 0;
    });
    const bool nearCloseValid =
        p.positionLowerLimit <= p.nearCloseValue && p.nearCloseValue <= p.positionUpperLimit;
    if (!nearCloseValid)
        platform::ShowMessage(platform::Format(
            "The value (%.2f) of NEAR_CLOSE_THRESHOLD is invalid!\r\n\r\nThe value is beyond the range of "
            "FINAL_VALUE_RANGE (%.2f, %.2f)\r\n\r\nApplication will ignore it.\r\n",
            p.nearCloseValue, p.positionLowerLimit, p.positionUpperLimit));
    return bus([&] {
        if (nearCloseValid)
            tb->WriteFloat(p.nearCloseValue);
        else
            tb->SkipForward(1);
        for (float value : {p.limitSwitchLow, p.limitSwitchHigh, p.deviationLimit}) tb->WriteFloat(value);
        for (const std::array<float, 2>* pair :
             {&p.deviationTimeThreshold, &p.boostOnThreshold, &p.boostOffThreshold, &p.boostValue})
            WritePair(*tb, *pair);
        for (float value : {p.servoISleepLimit, p.servoPAlpha, data.actuator.internalGain, p.servoOffset,
                            p.openStopAdjustment})
            tb->WriteFloat(value);
        if (tb->IsGood() == 0) return 1;
        if (!recordExtended || !targetExtended) return 0;

        auto ext = Stream(device, BlockKind::TB, names::ExtendedServoRead());
        for (float value : {p.servoWarnHigh, p.servoWarnLow, p.servoWarnTime}) ext->WriteFloat(value);
        ext->WriteU32(p.servoWarnCount);
        for (const std::array<float, 2>* pair : {&p.xBoostOnThreshold, &p.xBoostOffThreshold, &p.xBoostValue})
            WritePair(*ext, *pair);
        return ext->IsGood() != 0 ? 0 : 1;
    });
}

int DownloadActuator(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    const ActuatorGroup& a = data.actuator;
    return bus([&] {
        auto tb = Stream(device, BlockKind::TB, names::ActuatorDownload());
        tb->WriteRaw1(ActuatorGroup::DeviceCodeFromFlag(a.valveAction));
        tb->WriteRaw1(ActuatorGroup::DeviceCodeFromFlag(a.valveType));
        for (uint32_t value :
             {a.travelLimit, a.cycleCountLimit, a.openTimeLimit, a.closeTimeLimit, a.nearCloseTimeLimit})
            tb->WriteU32(value);
        return tb->IsGood() != 0 ? 0 : 1;
    });
}

// The option bit strings go back in the wire form they were read in (bit k of the record's
// value is bit k of the bit string), so a read and a download leave the device as it was.
int DownloadAoBlock(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    const AoBlockGroup& ao = data.ao;
    return bus([&] {
        auto s = Stream(device, BlockKind::AO, names::AoBlockDownload());
        for (float value : {ao.spHighLimit, ao.spLowLimit, ao.spRateUp, ao.spRateDown}) s->WriteFloat(value);
        s->WriteBitString(BitsToWrite(ao.ioOptions));
        s->WriteBitString(BitsToWrite(ao.statusOptions));
        return s->IsGood() != 0 ? 0 : 1;
    });
}

int DownloadPidBlock(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    const PidBlockGroup& p = data.pid;
    return bus([&] {
        auto s = Stream(device, BlockKind::PID, names::PidBlockDownload());
        // All four PV_SCALE members in one write of the record (EU_100, EU_0, UNITS_INDEX,
        // DECIMAL): the block ends up as after four member writes.
        uint8_t scale[11] = {};
        uint8_t unit[4] = {};
        if (s->EnumWire("PV_SCALE/UNITS_INDEX", EnumToWrite(p.pvUnit, 2), unit) != 0) return 1;
        ToWire(p.pvRangeHigh, scale);
        ToWire(p.pvRangeLow, scale + 4);
        scale[8] = unit[0];
        scale[9] = unit[1];
        scale[10] = p.pvDecimalPlaces;
        s->WriteRecord(scale, sizeof scale, 4);
        s->WriteBitString(BitsToWrite(p.controlOptions));
        s->WriteBitString(BitsToWrite(p.statusOptions));
        for (float value : {p.gain, p.reset, p.rate, p.ffGain}) s->WriteFloat(value);
        s->WriteStatusValue(p.ffValue);
        for (float value : {p.spHighLimit, p.spLowLimit, p.outHighLimit, p.outLowLimit, p.devAlarmHigh, p.devAlarmLow,
                            p.alarmHigh, p.alarmLow, p.alarmHighHigh, p.alarmLowLow})
            s->WriteFloat(value);
        return s->IsGood() != 0 ? 0 : 1;
    });
}

int DownloadOption(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    const OptionGroup& o = data.option;
    EnumValue offered;
    offered.size = 1;
    const int read = bus([&] {
        auto choices = Stream(device, BlockKind::TB, names::CharacterisationChoices());
        choices->ReadEnum(offered);
        return choices->IsGood() != 0 ? 0 : 1;
    });
    if (read != 0) return 1;
    const bool valid = ChoiceOffered(o.charType, offered);
    if (!valid && platform::ShowMessage(
                      "POSITION_CHAR_TYPE: the value to be written is invalid.\r\nClicking OK to ignore it.\r\n",
                      platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return 1;
    return bus([&] {
        auto s = Stream(device, BlockKind::TB, names::OptionDownload());
        if (valid)
            s->WriteEnum(EnumToWrite(o.charType, 1));
        else
            s->SkipForward(1);
        float points[9];
        for (size_t i = 0; i < 9; ++i) points[i] = o.charPoints[i];
        s->WriteFloat9(points);
        s->WriteEnum(EnumToWrite(o.pressureUnit, 2));
        for (float value : {o.pressureRangeHigh, o.pressureRangeLow, o.supplyPressure}) s->WriteFloat(value);
        s->WriteEnum(EnumToWrite(o.temperatureUnit, 2));
        return s->IsGood() != 0 ? 0 : 1;
    });
}

int DownloadGeneral(CConfigData& data, DeviceAccess& device, const BusRunner& bus) {
    const GeneralGroup& g = data.general;
    return bus([&] {
        auto rb = Stream(device, BlockKind::RB, names::GeneralRbDownload());
        rb->WriteText(g.resourceDescription);
        if (rb->IsGood() == 0) return 1;
        auto tb = Stream(device, BlockKind::TB, names::GeneralTbDownload());
        tb->WriteText(g.servoTuningInfo);
        // A version 1.0 configuration carries none of the other members.
        if (data.dataVersion != "1.0") {
            tb->WriteText(g.valveModel);
            tb->WriteText(g.valveSerialNumber);
            tb->WriteEnum(EnumToWrite(g.valveManufacturer, 4));
            tb->WriteText(g.actuatorModel);
            tb->WriteText(g.actuatorSerialNumber);
            tb->WriteEnum(EnumToWrite(g.actuatorManufacturer, 4));
            tb->WriteText(g.calibrationPerson);
            tb->WriteText(g.calibrationLocation);
            tb->WriteDate(g.calibrationDate.ToFieldbusDate());
        }
        return tb->IsGood() != 0 ? 0 : 1;
    });
}

}  // namespace config::ops
