#include "diagnostics/SignatureKind.h"

namespace diagnostics {

uint8_t KindBit(int kind) {
    return kind >= 0 && kind < kMeasuredKindCount ? static_cast<uint8_t>(1u << kind) : 0;
}

int KindOfBit(uint8_t bit) {
    for (int kind = 0; kind < kMeasuredKindCount; ++kind)
        if (bit == KindBit(kind)) return kind;
    return -1;
}

bool SameGraphKind(int a, int b) {
    auto fold = [](int k) { return k == KindHighResolution ? KindExtended : k; };
    return fold(a) == fold(b);
}

std::string KindTitle(int kind) {
    switch (kind) {
    case KindStandard: return "Standard Actuator Signature";
    case KindExtended: return "Extended Actuator Signature";
    case KindHighResolution: return "High Resolution Signature";
    case KindStepResponse: return "Step Response Test";
    case KindPositioner: return "Positioner Signature";
    case KindTrend: return "Signature Trend";
    default: return {};
    }
}

std::string KindFileSuffix(int kind) {
    switch (kind) {
    case KindStandard: return "_STD";
    case KindExtended: return "_EXT";
    case KindHighResolution: return "_HIGH";
    case KindStepResponse: return "_SRT";
    case KindPositioner: return "_PS";
    default: return {};
    }
}

std::string KindExtension(int kind) {
    switch (kind) {
    case KindStandard: return "std";
    case KindExtended:
    case KindHighResolution: return "ext";
    case KindStepResponse: return "stp";
    case KindPositioner: return "pos";
    default: return {};
    }
}

std::string KindFileFilter(int kind) {
    switch (kind) {
    case KindStandard: return "Standard signature data (*.std) |*.std|";
    case KindExtended:
    case KindHighResolution: return "Extened signature data (*.ext) |*.ext|";
    case KindStepResponse: return "Extened signature data (*.stp) |*.stp|";
    case KindPositioner: return "Extened signature data (*.pos) |*.pos|";
    default: return {};
    }
}

std::string KindPageText(int kind) {
    switch (kind) {
    case KindStandard: return "Measure Actuator Signature";
    case KindExtended: return "Measure Extended Actuator Signature";
    case KindHighResolution: return "Measure High Resolution Actuator Signature";
    case KindStepResponse: return "Measure Step Response Test";
    case KindPositioner: return "Measure Positioner Signature";
    default: return {};
    }
}

}  // namespace diagnostics
