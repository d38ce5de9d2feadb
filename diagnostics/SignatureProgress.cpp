#include "diagnostics/SignatureProgress.h"

#include <algorithm>

namespace diagnostics {

DecodedState DecodeSignatureState(uint8_t state) {
    struct Band {
        uint8_t first, last;
        uint8_t phase;
    };
    static constexpr Band bands[] = {{10, 29, 1}, {30, 49, 2}, {50, 69, 8}, {70, 89, 16}};
    if (state == 0) return {};
    if (state <= 9) return {10.0f * state, kPhaseOffset, false};
    for (const Band& b : bands)
        if (state >= b.first && state <= b.last) return {5.0f * (state - b.first + 1), b.phase, false};
    return {100.0f, 16, true};
}

float StepSeriesPercent(float percent, uint32_t result, uint8_t phase, int index, int count) {
    index = std::max(index, 1);
    count = std::max(count, 1);
    if (count <= 1) return percent;
    if (result != kResultRunning || phase == kPhaseIdle) return 100.0f * index / count;
    return 100.0f * (index - 1) / count + percent / count;
}

std::string SignatureStatusText(const SignatureProgress& p, bool allKinds, bool loading) {
    if (loading && !allKinds) return "LOADING";
    const bool stabilizing = p.phase == kPhaseStabilizing;
    if (p.result == kResultSucceeded) return stabilizing ? "STABILIZING" : "SUCCEEDED";
    if (p.result == kResultCancelled) return stabilizing ? "STABILIZING" : "CANCELLED";
    if (IsWarningResult(p.result)) return stabilizing ? "STABILIZING" : "WARNING";
    if (IsErrorResult(p.result)) return stabilizing ? "STABILIZING" : "ERROR";
    if (p.result == kResultRunning) {
        if (p.phase == kPhaseOffset) return "OFFSET MEAS";
        if (allKinds && static_cast<int>(p.percent) == 0) return "STARTING";
        return "RUNNING";
    }
    return "UNKNOWN";
}

}  // namespace diagnostics
