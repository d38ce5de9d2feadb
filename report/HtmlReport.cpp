#include "report/HtmlReport.h"

#include "platform/Ui.h"
#include "report/ReportTemplate.h"
#include "report/ReportValues.h"

namespace report {

namespace {

class Filler {
public:
    explicit Filler(ReportTemplate& t) : t_(t) {}
    // A six-digit token.
    void operator()(int number, const std::string& value) { t_.Fill(6, number, EscapeHtml(value)); }
    // A three-digit token of the signature section.
    void Short(int number, const std::string& value) { t_.Fill(3, number, EscapeHtml(value)); }

private:
    ReportTemplate& t_;
};

void FillGeneral(Filler& fill, const config::GeneralGroup& g) {
    const std::string* texts[] = {&g.pdTag, nullptr, &g.deviceId, &g.manufacturerId, &g.deviceType,
                                  &g.deviceRevision, &g.ddRevision, &g.model, &g.resourceDescription};
    for (int i = 0; i < 9; ++i) fill(1001 + i, texts[i] ? *texts[i] : NodeAddress(g.nodeAddress));
    fill(1030, g.servoTuningInfo);
    fill(1021, g.valveModel);
    fill(1022, g.valveSerialNumber);
    fill(1023, Manufacturer(g.valveManufacturer));
    fill(1024, g.actuatorModel);
    fill(1025, g.actuatorSerialNumber);
    fill(1026, Manufacturer(g.actuatorManufacturer));
    fill(1027, g.calibrationPerson);
    fill(1029, g.calibrationLocation);
    fill(1028, CalibrationDate(g.calibrationDate));
    for (int i = 0; i < 6; ++i) fill(1010 + i, g.blockTags[static_cast<size_t>(i)]);
    fill(1020, g.blockTags[config::TagSPLT]);
    fill(1016, YesNo(g.pidBlockActivation, "Activated"));
    fill(1017, YesNo(g.pressureSensorInstalled, "Installed"));
    fill(1018, U(g.macroCycleDuration));
    fill(1019, YesNo(g.signatureActivation, "Activated"));
    // The second places of 1021 and 1022.
    fill(1021, YesNo(g.linkMasterActivation, "Activated"));
    fill(1022, g.bootFunctionalClass != 0 ? "Link Master" : "Basic");
}

void FillPosition(Filler& fill, const config::CConfigData& d) {
    const config::PositionGroup& p = d.position;
    const float values[] = {p.servoGain,          p.servoReset,         p.servoRate,
                            p.servoRateGain,      p.servoDeadband,      p.tightShutoff,
                            p.fullOpen,           p.positionLowerLimit, p.positionUpperLimit,
                            p.nearCloseValue,     p.limitSwitchLow,     p.limitSwitchHigh,
                            p.deviationLimit,     p.deviationTimeThreshold[0], p.deviationTimeThreshold[1],
                            p.boostOnThreshold[0], p.boostOnThreshold[1], p.boostOffThreshold[0],
                            p.boostOffThreshold[1], p.boostValue[0],     p.boostValue[1],
                            p.servoISleepLimit,   p.servoPAlpha};
    for (int i = 0; i < 23; ++i) fill(2001 + i, F(values[i]));
    fill(2034, F(p.servoOffset));
    const config::ActuatorGroup& a = d.actuator;
    const float selfCheck[] = {a.internalGain,     a.measuredGain,           a.valveTimeConstant,
                               a.valveHysteresis,  a.valveSlipWidth,         a.measuredOutputPressure,
                               a.measuredSupplyPressure, a.measuredSpringRange[0], a.measuredSpringRange[1]};
    for (int i = 0; i < 9; ++i) fill(2024 + i, F(selfCheck[i]));
    fill(2033, F(p.openStopAdjustment));
}

void FillAoBlock(Filler& fill, const config::AoBlockGroup& ao) {
    const float values[] = {ao.spHighLimit, ao.spLowLimit, ao.spRateUp, ao.spRateDown};
    for (int i = 0; i < 4; ++i) fill(6001 + i, F(values[i]));
    fill(6005, OptionBits(ao.ioOptions));
    fill(6006, OptionBits(ao.statusOptions));
}

void FillPidBlock(Filler& fill, const config::PidBlockGroup& p) {
    fill(3002, p.pvUnit.text);
    fill(3003, OptionBits(p.controlOptions));
    fill(3004, OptionBits(p.statusOptions));
    const float values[] = {p.gain,         p.reset,       p.rate,         p.ffGain,       p.ffValue,
                            p.spHighLimit,  p.spLowLimit,  p.outHighLimit, p.outLowLimit,  p.devAlarmHigh,
                            p.devAlarmLow,  p.alarmHigh,   p.alarmLow,     p.alarmHighHigh, p.alarmLowLow};
    for (int i = 0; i < 15; ++i) {
        const int number = 3005 + i;
        fill(number, number >= 3010 ? F(values[i]) + " " + p.pvUnit.text : F(values[i]));
    }
    fill(3020, F(p.pvRangeHigh));
    fill(3021, F(p.pvRangeLow));
}

void FillActuator(Filler& fill, const config::ActuatorGroup& a) {
    fill(4001, ValveAction(a.valveAction));
    fill(4002, ActuatorType(a.actuatorType));
    fill(4003, RelayType(a.relayType));
    fill(4004, ValveType(a.valveType));
    const uint32_t values[] = {a.travelLimit,  a.cycleCountLimit, a.openTimeLimit,  a.closeTimeLimit,
                               a.nearCloseTimeLimit, a.totalTravel, a.totalCycleCount, a.totalOpenTime,
                               a.totalCloseTime, a.totalNearCloseTime};
    for (int i = 0; i < 10; ++i) fill(4005 + i, U(values[i]));
}

void FillOption(Filler& fill, const config::OptionGroup& o) {
    fill(5001, o.charType.text);
    for (int i = 0; i < 9; ++i) fill(5002 + i, F(o.charPoints[static_cast<size_t>(i)]));
    fill(5011, o.pressureUnit.text);
    fill(5012, F(o.pressureRangeHigh));
    fill(5013, F(o.pressureRangeLow));
    fill(5014, F(o.supplyPressure));
    fill(5015, YesNo(o.bumplessTransfer, "Bumpless"));
    fill(5016, o.temperatureUnit.text);
}

// The stored measurements: token c01 the date (or "Not stored"), c02 the temperature, c03 to
// c10 the header floats 1 to 8 ("------" where the kind has none), for c = 1 to 6.
void FillSignatures(Filler& fill, const std::vector<SignatureSummary>& signatures) {
    for (int code = 1; code <= 6; ++code) {
        const SignatureSummary* found = nullptr;
        for (const SignatureSummary& s : signatures)
            if (s.code == code) found = &s;
        const int base = code * 100;
        const bool stored = found && found->stored;
        fill.Short(base + 1, stored ? found->date : "Not stored");
        fill.Short(base + 2, stored ? platform::Format("%.1f", static_cast<double>(found->header[0])) : "------");
        const auto labels = SignatureHeaderLabels(code);
        for (int i = 0; i < 8; ++i) {
            const bool used = stored && labels[static_cast<size_t>(i)][0] != '\0';
            fill.Short(base + 3 + i,
                       used ? platform::Format("%.2f", static_cast<double>(found->header[static_cast<size_t>(i) + 1]))
                            : "------");
        }
    }
}

void FillServoWarning(Filler& fill, const config::PositionGroup& p, bool extended) {
    fill(230001, extended ? F(p.servoWarnHigh) : "------");
    fill(230002, extended ? F(p.servoWarnLow) : "------");
    fill(230003, extended ? F(p.servoWarnTime) : "------");
    fill(230004, extended ? D(p.servoWarnCount) : "------");
}

void FillDoubleActing(Filler& fill, const config::PositionGroup& p) {
    const float values[] = {p.xBoostOnThreshold[0],  p.xBoostOnThreshold[1], p.xBoostOffThreshold[0],
                            p.xBoostOffThreshold[1], p.xBoostValue[0],       p.xBoostValue[1],
                            p.thetaHi,               p.thetaLo,              p.thetaP};
    for (int i = 0; i < 9; ++i) fill(230005 + i, F(values[i]));
    fill(230014, ControlDirection(p));
}

}  // namespace

std::string EscapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string BuildHtmlReport(const std::string& templateText, const config::CConfigData& data,
                            const ReportContext& context) {
    // A copy: the report may clear the signature activation for itself only.
    config::CConfigData d = data;
    if (!context.deviceOpen) d.general.signatureActivation = 0;

    ReportTemplate doc(templateText);
    Filler fill(doc);
    fill(1, context.userName);
    fill(2, LocalDate(context.now));
    fill(3, LocalTime(context.now));
    FillGeneral(fill, d.general);
    FillPosition(fill, d);
    FillAoBlock(fill, d.ao);
    FillPidBlock(fill, d.pid);
    FillActuator(fill, d.actuator);
    FillOption(fill, d.option);

    const bool signatures = d.general.signatureActivation != 0;
    if (doc.Section(7000, 8000, signatures) && signatures) FillSignatures(fill, context.signatures);
    const bool extended = d.general.extendedServoParameters != 0;
    FillServoWarning(fill, d.position, extended);
    doc.Section(230100, 230101, extended);
    FillDoubleActing(fill, d.position);
    return doc.Render();
}

}  // namespace report
