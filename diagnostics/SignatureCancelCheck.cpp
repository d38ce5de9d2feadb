#include "diagnostics/SignatureCancelCheck.h"

#include "platform/Clock.h"

namespace diagnostics {

bool WaitCancelConfirmed(SignatureProcedure& procedure, bool hostControlled, uint32_t limitMs) {
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        if (hostControlled) {
            if (procedure.IsSignatureEnded()) return true;
        } else {
            uint8_t exec = 0;
            if (procedure.ReadMeasurementCommand(exec) == 0 && exec == kExecOff) return true;
        }
        if (clock.NowMs() - start >= limitMs) return false;
        clock.SleepMs(kCancelPollMs);
    }
}

}  // namespace diagnostics
