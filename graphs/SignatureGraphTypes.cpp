#include "graphs/SignatureGraphTypes.h"

#include "diagnostics/SignatureKind.h"

namespace graphs {

using namespace diagnostics;

int GraphTypeOf(int kind) { return kind == KindHighResolution ? KindExtended : kind; }

bool IsGraphType(int type) { return IsValidKind(type) && type != KindHighResolution; }

std::string GraphTitle(int type) {
    switch (GraphTypeOf(type)) {
    case KindStandard: return "Actuator Signature";
    case KindExtended: return "Extended/High Resolution";
    case KindStepResponse: return "Step Response Test";
    case KindPositioner: return "Positioner Signature";
    case KindTrend: return "Signature Trend";
    default: return {};
    }
}

namespace {
// A unit other than the one the plain caption names.
bool Own(const std::string& unit, const char* usual) { return !unit.empty() && unit != usual; }
}  // namespace

std::string GraphXCaption(int type, const std::string& unit) {
    switch (GraphTypeOf(type)) {
    case KindStandard: return Own(unit, "kPa") ? "Pressure (" + unit + ")" : "Pressure (kPa)";
    case KindExtended: return Own(unit, "kPa") ? "Pressure (" + unit + ")" : "Pressure(kPa)";
    case KindStepResponse: return Own(unit, "s") ? "Time (" + unit + ")" : "Time (s)";
    case KindPositioner: return Own(unit, "%") ? "Input Signal (" + unit + ")" : "Input Signal(% of Span)";
    default: return {};
    }
}

std::string GraphYCaption(int type, const std::string& unit) {
    switch (GraphTypeOf(type)) {
    case KindStandard:
    case KindExtended:
    case KindStepResponse: return Own(unit, "%") ? "Position(" + unit + ")" : "Position(%)";
    case KindPositioner: return Own(unit, "%") ? "Position(" + unit + ")" : "Position (%)";
    default: return {};
    }
}

std::string LoadCommandText(int type) {
    switch (GraphTypeOf(type)) {
    case KindStandard: return "Load Actuator Data";
    case KindExtended: return "Load Ext/High Data";
    case KindStepResponse: return "Load Step Resp. Data";
    case KindPositioner: return "Load Positioner Data";
    default: return "Load Data";
    }
}

}  // namespace graphs
