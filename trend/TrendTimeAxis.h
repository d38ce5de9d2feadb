#pragma once
// The trend window's time axis: the recording clock, the age text of the chart's right edge
// and the value range rule.
#include <string>

namespace trend {

// Seconds since the program started, on the monotonic platform clock.
float RecordingSeconds();
// Makes the recording clock start now (the program calls it once at start; tests at will).
void StartRecordingClock();

// "( Age:  1 hour, 2 minutes and 5 seconds ) ->|" for `ageSeconds`.
std::string AgeText(int ageSeconds);
// The narrow form "(Age: 1h, 2m, 5s)->|", shown when the long one does not fit.
std::string ShortAgeText(int ageSeconds);

struct ValueRange {
    float max = 100.0f;
    float min = 0.0f;
};
// A range whose maximum is not above its minimum becomes 99.99 to 100 when the minimum is
// at least 99.99, else minimum to minimum + 0.01.
ValueRange MakeValueRange(float max, float min);

}  // namespace trend
