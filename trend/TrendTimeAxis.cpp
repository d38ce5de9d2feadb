#include "trend/TrendTimeAxis.h"

#include <atomic>

#include "platform/Clock.h"
#include "platform/Ui.h"

namespace trend {

namespace {
std::atomic<uint64_t> g_startMs{0};
std::atomic<bool> g_started{false};
}  // namespace

void StartRecordingClock() {
    g_startMs = platform::GetClock().NowMs();
    g_started = true;
}

float RecordingSeconds() {
    if (!g_started.exchange(true)) g_startMs = platform::GetClock().NowMs();
    const uint64_t now = platform::GetClock().NowMs();
    const uint64_t start = g_startMs.load();
    return static_cast<float>(static_cast<double>(now >= start ? now - start : 0) * 0.001);
}

std::string AgeText(int age) {
    const int h = age / 3600, m = (age / 60) % 60, s = age % 60;
    return platform::Format(h < 2 ? "( Age:  %d hour, " : "( Age:  %d hours, ", h) +
           platform::Format(m < 2 ? "%d minute and " : "%d minutes and ", m) +
           platform::Format(s < 2 ? "%d second ) ->|" : "%d seconds ) ->|", s);
}

std::string ShortAgeText(int age) {
    return platform::Format("(Age: %dh, %dm, %ds)->|", age / 3600, (age / 60) % 60, age % 60);
}

ValueRange MakeValueRange(float max, float min) {
    if (max <= min) {
        if (min >= 99.99f) return {100.0f, 99.99f};
        max = min + 0.01f;
    }
    return {max, min};
}

}  // namespace trend
