#include "report/TextReport.h"

#include "platform/Ui.h"
#include "report/ReportValues.h"

namespace report {

namespace {

class Writer {
public:
    void Heading(const std::string& title) { out_ += (out_.empty() ? "" : "\n") + title + "\n"; }
    // The line writer takes two label-value pairs; the second line is written only when its
    // label is not empty.
    void Lines(const std::string& label1, const std::string& value1, const std::string& label2 = {},
               const std::string& value2 = {}) {
        out_ += platform::Format("%s  \t%s\n", label1.c_str(), value1.c_str());
        if (!label2.empty()) out_ += platform::Format("%s  \t%s\n", label2.c_str(), value2.c_str());
    }
    void Raw(const std::string& text) { out_ += text; }
    const std::string& Text() const { return out_; }

private:
    std::string out_;
};

void General(Writer& w, const config::GeneralGroup& g) {
    w.Heading("GENERAL DATA");
    w.Lines("PD_TAG", g.pdTag, "Node Address", NodeAddress(g.nodeAddress));
    w.Lines("Device ID", g.deviceId, "MANUFAC_ID", g.manufacturerId);
    w.Lines("DEV_TYPE", g.deviceType, "DEV_REV", g.deviceRevision);
    w.Lines("DD_REV", g.ddRevision, "MODEL", g.model);
    w.Lines("TAG_DESC", g.resourceDescription, "Servo Tuning Info.", g.servoTuningInfo);
    w.Lines("Valve Model", g.valveModel, "Valve S/N", g.valveSerialNumber);
    w.Lines("Valve Manufacturer", Manufacturer(g.valveManufacturer), "Actuator Model", g.actuatorModel);
    w.Lines("Actuator S/N", g.actuatorSerialNumber, "Actuator Manufacturer", Manufacturer(g.actuatorManufacturer));
    w.Lines("Calibration Person", g.calibrationPerson, "Calibration Location", g.calibrationLocation);
    w.Lines("Calibration Date", CalibrationDate(g.calibrationDate));
    const char* labels[] = {"RB Tag", "TB Tag", "AO Tag", "DI1 Tag", "DI2 Tag", "PID Tag"};
    for (size_t i = 0; i < 6; i += 2) w.Lines(labels[i], g.blockTags[i], labels[i + 1], g.blockTags[i + 1]);
    if (g.splitterPresent) w.Lines("SPLT Tag", g.blockTags[config::TagSPLT]);
    w.Lines("Signature Activation", YesNo(g.signatureActivation, "Activated"), "Link Master Activation",
            YesNo(g.linkMasterActivation, "Activated"));
    w.Lines("Boot Functional Class", g.bootFunctionalClass != 0 ? "Link Master" : "Basic", "PID Block Activation",
            YesNo(g.pidBlockActivation, "Activated"));
    w.Lines("Pressure Sensor Installation", YesNo(g.pressureSensorInstalled, "Installed"), "Macro Cycle Duration",
            U(g.macroCycleDuration));
}

void Position(Writer& w, const config::PositionGroup& p, bool extended) {
    w.Heading("POSITION DATA");
    w.Lines("Servo Gain (P)", F(p.servoGain), "Servo Reset (I)(sec.)", F(p.servoReset));
    w.Lines("Servo Rate (D)(sec.)", F(p.servoRate), "Servo Derivative Gain", F(p.servoRateGain));
    w.Lines("Servo Dead Zone (%)", F(p.servoDeadband), "Servo Offset", F(p.servoOffset));
    w.Lines("Tight ShutOff Below (%)", F(p.tightShutoff), "Full Open Above (%)", F(p.fullOpen));
    w.Lines("Pos. Lower Limit (%)", F(p.positionLowerLimit), "Pos. Upper Limit (%)", F(p.positionUpperLimit));
    w.Lines("Near Close Value (%)", F(p.nearCloseValue), "Limit Switch Threshold Low  (%)", F(p.limitSwitchLow));
    w.Lines("Limit Switch Threshold High (%)", F(p.limitSwitchHigh), "Deviation Limit (%)", F(p.deviationLimit));
    w.Lines("Deviation Time Threshold 1 (sec.)", F(p.deviationTimeThreshold[0]), "Deviation Time Threshold 2 (sec.)",
            F(p.deviationTimeThreshold[1]));
    w.Lines("Boost On  Threshold 1", F(p.boostOnThreshold[0]), "Boost On Threshold 2", F(p.boostOnThreshold[1]));
    w.Lines("Boost Off Threshold 1", F(p.boostOffThreshold[0]), "Boost Off Threshold 2", F(p.boostOffThreshold[1]));
    w.Lines("Boost Value 1", F(p.boostValue[0]), "Boost Value 2", F(p.boostValue[1]));
    w.Lines("Servo I Sleep Limit", F(p.servoISleepLimit), "Servo P Alpha", F(p.servoPAlpha));
    w.Lines("Open Stop Adjustment (%)", F(p.openStopAdjustment));
    w.Lines("TB.THETA_HI", F(p.thetaHi), "TB.THETA_LO", F(p.thetaLo));
    w.Lines("TB.THETA_P", F(p.thetaP), "TB.CONTROL_DIR", ControlDirection(p));
    if (!extended) return;
    w.Lines("Servo Warning High", F(p.servoWarnHigh), "Servo Warning Low", F(p.servoWarnLow));
    w.Lines("Servo Time (duration)", F(p.servoWarnTime), "Servo Warning Count", D(p.servoWarnCount));
    w.Lines("X Boost On  Threshold 1", F(p.xBoostOnThreshold[0]), "X Boost On Threshold 2", F(p.xBoostOnThreshold[1]));
    w.Lines("X Boost Off Threshold 1", F(p.xBoostOffThreshold[0]), "X Boost Off Threshold 2",
            F(p.xBoostOffThreshold[1]));
    w.Lines("X Boost Value 1", F(p.xBoostValue[0]), "X Boost Value 2", F(p.xBoostValue[1]));
}

void AoBlock(Writer& w, const config::AoBlockGroup& ao) {
    w.Heading("AO BLOCK DATA");
    w.Lines("AO Set Point High (%)", F(ao.spHighLimit), "AO Set Point Low (%)", F(ao.spLowLimit));
    w.Lines("AO Set Point Up Rate Limit (%/s)", F(ao.spRateUp), "AO Set Point Down Rate Limit (%/s)",
            F(ao.spRateDown));
    w.Lines("AO IO_OPTS", OptionBits(ao.ioOptions), "AO STATUS_OPTS", OptionBits(ao.statusOptions));
}

void PidBlock(Writer& w, const config::PidBlockGroup& p) {
    const std::string unit = " " + p.pvUnit.text;
    w.Heading("PID BLOCK DATA");
    w.Lines("PID PV Unit Code", p.pvUnit.text, "PID PV Upper Range (EU100)", F(p.pvRangeHigh));
    w.Lines("PID PV Lower Range (EU0)", F(p.pvRangeLow), "PID CONTROL_OPTS", OptionBits(p.controlOptions));
    w.Lines("PID STATUS_OPTS", OptionBits(p.statusOptions), "PID Proportional Gain", F(p.gain));
    w.Lines("PID Integral Time (sec.)", F(p.reset), "PID Derivative Time (sec.)", F(p.rate));
    w.Lines("PID Feed Forward Gain", F(p.ffGain), "PID Feed Forward Value (Manual Reset Bias)", F(p.ffValue));
    w.Lines("PID Set Point High Limit", F(p.spHighLimit) + unit, "PID Set Point Low Limit", F(p.spLowLimit) + unit);
    w.Lines("PID Output High Limit (%)", F(p.outHighLimit), "PID Output Low Limit (%)", F(p.outLowLimit));
    w.Lines("PID Deviation Alarm High Limit", F(p.devAlarmHigh) + unit, "PID Deviation Alarm Low Limit",
            F(p.devAlarmLow) + unit);
    w.Lines("PID High Alarm Limit", F(p.alarmHigh) + unit, "PID Low Alarm Limit", F(p.alarmLow) + unit);
    w.Lines("PID High/High Alarm", F(p.alarmHighHigh) + unit, "PID Low/Low Alarm", F(p.alarmLowLow) + unit);
}

void Actuator(Writer& w, const config::ActuatorGroup& a) {
    w.Heading("ACTUATOR DATA");
    w.Lines("Valve Action", ValveAction(a.valveAction), "Actuator Type", ActuatorType(a.actuatorType));
    w.Lines("Relay Type", RelayType(a.relayType), "Valve Type", ValveType(a.valveType));
    w.Lines("Travel Limit (strokes)", U(a.travelLimit), "Cycle Count Limit (times)", U(a.cycleCountLimit));
    w.Lines("Open Time Limit (hours)", U(a.openTimeLimit), "Close Time Limit (hours)", U(a.closeTimeLimit));
    w.Lines("Near Close Time Limit (hours)", U(a.nearCloseTimeLimit), "Total Travel (strokes)", U(a.totalTravel));
    w.Lines("Total Cycle Limit (times)", U(a.totalCycleCount), "Total Open Time (hours)", U(a.totalOpenTime));
    w.Lines("Total Close Time (hours)", U(a.totalCloseTime), "Total Near Close Time (hours)",
            U(a.totalNearCloseTime));
    w.Heading("Self Check Parameters");
    w.Lines("Internal Gain", F(a.internalGain), "Measured Gain", F(a.measuredGain));
    w.Lines("Valve TC", F(a.valveTimeConstant), "Valve Hysteresis", F(a.valveHysteresis));
    w.Lines("Valve Slip Width", F(a.valveSlipWidth), "Measured Exhaust Pressure", F(a.measuredOutputPressure));
    w.Lines("Measured Supply Pressure", F(a.measuredSupplyPressure), "Measured Spring Range Upper",
            F(a.measuredSpringRange[0]));
    w.Lines("Measured Spring Range Lower", F(a.measuredSpringRange[1]));
}

void Option(Writer& w, const config::OptionGroup& o) {
    w.Heading("OPTION DATA");
    w.Lines("Bumpless Transfer", YesNo(o.bumplessTransfer, "Bumpless"), "Position Characterization Type",
            o.charType.text);
    w.Lines("Position Characterization Data", "");
    w.Raw(platform::Format("%15s \t %s\n", "Setpoint (%)", "Position(%)"));
    w.Raw(platform::Format("%15s \t %s\n", "0.0", "0.0"));
    for (size_t i = 0; i < 9; ++i)
        w.Raw(platform::Format("%15s \t %s\n", platform::Format("%.1f", 10.0 * static_cast<double>(i + 1)).c_str(),
                               platform::Format("%.1f", static_cast<double>(o.charPoints[i])).c_str()));
    w.Raw(platform::Format("%15s \t %s\n", "100.0", "100.0"));
    w.Lines("Pressure Unit Code", o.pressureUnit.text, "Pressure Upper Range (EU100)", F(o.pressureRangeHigh));
    w.Lines("Pressure Lower Range (EU0)", F(o.pressureRangeLow), "Supply Pressure", F(o.supplyPressure));
    w.Lines("Temperature Unit Code", o.temperatureUnit.text);
}

void Signatures(Writer& w, const std::vector<SignatureSummary>& signatures) {
    w.Heading("SIGNATURE DATA");
    if (signatures.empty()) {
        w.Lines("Stored signatures", "none read (no device open)");
        return;
    }
    for (const SignatureSummary& s : signatures) {
        w.Lines(StoredSignatureTitle(s.code), s.stored ? s.date : "Not stored");
        if (!s.stored) continue;
        w.Lines("  Temperature", platform::Format("%.1f", static_cast<double>(s.header[0])));
        const auto labels = SignatureHeaderLabels(s.code);
        for (size_t i = 0; i < labels.size(); ++i)
            if (labels[i][0] != '\0')
                w.Lines(std::string("  ") + labels[i], platform::Format("%.2f", static_cast<double>(s.header[i + 1])));
    }
}

}  // namespace

std::string BuildTextReport(const config::CConfigData& data, const ReportContext& context) {
    Writer w;
    w.Heading("Foundation Fieldbus Valve Positioner Configuration Report");
    w.Raw(platform::Format("User\t%s\n", context.userName.c_str()));
    w.Raw(platform::Format("Date\t%s\n", LocalDate(context.now).c_str()));
    w.Raw(platform::Format("Time\t%s\n", LocalTime(context.now).c_str()));
    General(w, data.general);
    Position(w, data.position, data.general.extendedServoParameters != 0);
    AoBlock(w, data.ao);
    PidBlock(w, data.pid);
    Actuator(w, data.actuator);
    Option(w, data.option);
    if (context.deviceOpen && data.general.signatureActivation != 0) Signatures(w, context.signatures);
    return w.Text();
}

}  // namespace report
