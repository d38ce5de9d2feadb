// The configuration file layout: a flat sequence of items, each present or absent by the
// file's version (and, for the two 2.3 layouts, by the run mode).
#include <string>

#include "config/CConfigData.h"
#include "config/ConfigArchive.h"
#include "config/ConfigFileVersion.h"
#include "platform/Ui.h"

namespace config {

namespace {

void TrimLeadingBlanks(std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n\v\f");
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void Pair(ConfigArchive& ar, std::array<float, 2>& pair) {
    ar.F32(pair[0]);
    ar.F32(pair[1]);
}

void Options(ConfigArchive& ar, ConfigBitStringField& field, bool withValue, bool withBitValues) {
    ar.TextList(field.names);
    ar.TextList(field.setNames);
    if (withValue) ar.U16(field.value);
    if (withBitValues) ar.ValueList(field.bitValues);
}

// Reports a rejected file: shown, or only flagged while quiet load is on.
int RejectFile(CConfigData& data, const std::string& message) {
    if (data.quietLoad != 0)
        data.loadFailed = 1;
    else
        platform::ShowMessage(message);
    return 1;
}

std::string DamagedFileMessage(const ConfigArchive& ar) {
    if (ar.FileName().empty())
        return "Error: The configuration file is damaged or incomplete. Data loading aborted.";
    return platform::Format("Error: The configuration file %s is damaged or incomplete. Data loading aborted.",
                            ar.FileName().c_str());
}

}  // namespace

int CConfigData::Serialize(ConfigArchive& ar) {
    if (ar.IsStoring()) {
        const int version = ConfigFileVersionIndex(dataVersion);
        if (version < 0) {
            platform::ShowMessage(platform::Format(
                "Error: Unknown configuration data version %s. The file is not written.", dataVersion.c_str()));
            return 1;
        }
        std::string marker = productMarker;
        std::string versionText = dataVersion;
        ar.Text(marker);
        ar.Text(versionText);
        SerializeBody(ar, version);
        return 0;
    }

    // Loading: the header is checked before anything is assigned, and the items are read
    // into a copy that replaces the record only when the whole file was read.
    std::string marker;
    ar.Text(marker);
    if (!ar.Ok()) return RejectFile(*this, DamagedFileMessage(ar));
    if (marker != productMarker)
        return RejectFile(*this, "Error: Not a native Tessaro configuration file. Data loading aborted.");
    std::string versionText;
    ar.Text(versionText);
    if (!ar.Ok()) return RejectFile(*this, DamagedFileMessage(ar));
    const int version = ConfigFileVersionIndex(versionText);
    if (!IsAcceptedConfigFileVersion(version, runMode_))
        return RejectFile(*this, "Error: Incompatible data file encountered. Data loading aborted.");

    CConfigData scratch(*this);
    scratch.dataVersion = versionText;
    scratch.SerializeBody(ar, version);
    if (!ar.Ok()) return RejectFile(*this, DamagedFileMessage(ar));
    *this = std::move(scratch);
    return 0;
}

void CConfigData::SerializeBody(ConfigArchive& ar, int v) {
    const bool v20 = v >= Version20;
    const bool v21 = v >= Version21;
    const bool v22 = v >= Version22;
    const bool bitValues = HasBitValueLists(v, runMode_);
    GeneralGroup& g = general;
    PositionGroup& p = position;
    ActuatorGroup& a = actuator;

    // 3-11: identification.
    ar.Text(g.pdTag);
    ar.U8(g.nodeAddress);
    ar.Text(g.deviceId);
    ar.Text(g.manufacturerId);
    ar.Text(g.deviceType);
    ar.Text(g.deviceRevision);
    ar.Text(g.ddRevision);
    ar.Text(g.model);
    ar.Text(g.resourceDescription);
    // 12-23: valve, actuator and calibration records.
    if (v20) {
        ar.Text(g.servoTuningInfo);
        ar.Text(g.valveModel);
        ar.Text(g.valveSerialNumber);
        ar.Text(g.valveManufacturer.text);
        ar.TextList(g.valveManufacturer.texts);
        ar.Text(g.actuatorModel);
        ar.Text(g.actuatorSerialNumber);
        ar.Text(g.actuatorManufacturer.text);
        ar.TextList(g.actuatorManufacturer.texts);
        ar.Text(g.calibrationPerson);
        ar.Text(g.calibrationLocation);
        ar.Date(g.calibrationDate);
    }
    // 24-28.
    if (v21) {
        ar.F32(p.servoOffset);
        ar.U32(g.valveManufacturer.value);
        ar.ValueList(g.valveManufacturer.values);
        ar.U32(g.actuatorManufacturer.value);
        ar.ValueList(g.actuatorManufacturer.values);
    }
    // 29-35: block tags.
    for (int i = TagRB; i <= TagPID; ++i) ar.Text(g.blockTags[i]);
    if (v20) {
        ar.Text(g.blockTags[TagSPLT]);
        // 36-39.
        ar.U32(g.splitterPresent);
        ar.U32(g.signatureActivation);
        ar.U32(g.linkMasterActivation);
        ar.U32(g.bootFunctionalClass);
    }
    // 40-42.
    ar.U32(g.pidBlockActivation);
    ar.U32(g.pressureSensorInstalled);
    ar.U32(g.macroCycleDuration);
    // 43-66: position.
    ar.F32(p.servoGain);
    ar.F32(p.servoReset);
    ar.F32(p.servoRate);
    ar.F32(p.servoRateGain);
    ar.F32(p.servoDeadband);
    ar.F32(p.tightShutoff);
    ar.F32(p.fullOpen);
    ar.F32(p.positionLowerLimit);
    ar.F32(p.positionUpperLimit);
    ar.F32(p.nearCloseValue);
    ar.F32(p.limitSwitchLow);
    ar.F32(p.limitSwitchHigh);
    ar.F32(p.deviationLimit);
    Pair(ar, p.deviationTimeThreshold);
    Pair(ar, p.boostOnThreshold);
    Pair(ar, p.boostOffThreshold);
    Pair(ar, p.boostValue);
    ar.F32(p.servoISleepLimit);
    ar.F32(p.servoPAlpha);
    ar.F32(p.openStopAdjustment);
    // 67-89: actuator.
    ar.F32(a.internalGain);
    ar.F32(a.measuredGain);
    ar.F32(a.valveTimeConstant);
    ar.F32(a.valveHysteresis);
    ar.F32(a.valveSlipWidth);
    ar.F32(a.measuredOutputPressure);
    ar.F32(a.measuredSupplyPressure);
    Pair(ar, a.measuredSpringRange);
    ar.U32(a.valveAction);
    ar.U32(a.actuatorType);
    ar.U32(a.relayType);
    ar.U32(a.valveType);
    ar.U32(a.travelLimit);
    ar.U32(a.cycleCountLimit);
    ar.U32(a.openTimeLimit);
    ar.U32(a.closeTimeLimit);
    ar.U32(a.nearCloseTimeLimit);
    ar.U32(a.totalTravel);
    ar.U32(a.totalCycleCount);
    ar.U32(a.totalOpenTime);
    ar.U32(a.totalCloseTime);
    ar.U32(a.totalNearCloseTime);
    // 90-101: AO block.
    ar.F32(ao.spHighLimit);
    ar.F32(ao.spLowLimit);
    ar.F32(ao.spRateUp);
    ar.F32(ao.spRateDown);
    Options(ar, ao.ioOptions, v22, bitValues);
    Options(ar, ao.statusOptions, v22, bitValues);
    // 102-132: PID block.
    ar.U32(pid.pidGroupFlag);
    ar.TextList(pid.pvUnit.texts);
    ar.Text(pid.pvUnit.text);
    ar.F32(pid.pvRangeHigh);
    ar.F32(pid.pvRangeLow);
    if (v22) {
        ar.U8(pid.pvDecimalPlaces);
        ar.U16(pid.pvUnit.value);
        ar.ValueList(pid.pvUnit.values);
    }
    Options(ar, pid.controlOptions, v22, bitValues);
    Options(ar, pid.statusOptions, v22, bitValues);
    ar.F32(pid.gain);
    ar.F32(pid.reset);
    ar.F32(pid.rate);
    ar.F32(pid.ffGain);
    ar.F32(pid.ffValue);
    ar.F32(pid.spHighLimit);
    ar.F32(pid.spLowLimit);
    ar.F32(pid.outHighLimit);
    ar.F32(pid.outLowLimit);
    ar.F32(pid.devAlarmHigh);
    ar.F32(pid.devAlarmLow);
    ar.F32(pid.alarmHigh);
    ar.F32(pid.alarmLow);
    ar.F32(pid.alarmHighHigh);
    ar.F32(pid.alarmLowLow);
    // 133-157: options.
    ar.U32(option.bumplessTransfer);
    ar.TextList(option.charType.texts);
    ar.Text(option.charType.text);
    if (v22) {
        ar.U8(option.charType.value);
        ar.ValueList(option.charType.values);
    }
    for (float& point : option.charPoints) ar.F32(point);
    ar.TextList(option.pressureUnit.texts);
    ar.Text(option.pressureUnit.text);
    if (v22) {
        ar.U32(option.pressureUnit.value);
        ar.ValueList(option.pressureUnit.values);
    }
    ar.F32(option.pressureRangeHigh);
    ar.F32(option.pressureRangeLow);
    ar.F32(option.supplyPressure);
    ar.TextList(option.temperatureUnit.texts);
    ar.Text(option.temperatureUnit.text);
    if (v22) {
        ar.U32(option.temperatureUnit.value);
        ar.ValueList(option.temperatureUnit.values);
    }

    if (ar.IsLoading()) {
        TrimLeadingBlanks(g.deviceId);
        TrimLeadingBlanks(g.manufacturerId);
        TrimLeadingBlanks(g.deviceType);
        TrimLeadingBlanks(g.deviceRevision);
        TrimLeadingBlanks(g.ddRevision);
    }

    // 158-173: feedback angles, control direction and the extended servo members.
    if (!HasTailItems(v, runMode_)) return;
    ar.U8(p.controlDirection);
    ar.Text(p.controlDirectionText);
    ar.F32(p.thetaHi);
    ar.F32(p.thetaLo);
    ar.F32(p.thetaP);
    ar.U32(g.extendedServoParameters);
    if (!ar.Ok() || g.extendedServoParameters == 0) return;
    ar.F32(p.servoWarnHigh);
    ar.F32(p.servoWarnLow);
    ar.F32(p.servoWarnTime);
    ar.U32(p.servoWarnCount);
    Pair(ar, p.xBoostOnThreshold);
    Pair(ar, p.xBoostOffThreshold);
    Pair(ar, p.xBoostValue);
}

}  // namespace config
