#pragma once
// The signature kinds: the five measurements a positioner makes, and the trend kind used
// only by the signature graph window.
#include <cstdint>
#include <string>

namespace diagnostics {

enum SignatureKind : int {
    KindStandard = 0,        // standard actuator signature
    KindExtended = 1,        // extended actuator signature
    KindHighResolution = 2,  // high-resolution actuator signature
    KindStepResponse = 3,    // step response test
    KindPositioner = 4,      // positioner signature
    KindTrend = 5,           // signature trend (graph window only)
};
inline constexpr int kMeasuredKindCount = 5;
inline constexpr int kKindCount = 6;

inline bool IsValidKind(int kind) { return kind >= 0 && kind < kKindCount; }
// The kind's bit in a run selection (1, 2, 4, 8, 16); 0 for the trend kind and invalid kinds.
uint8_t KindBit(int kind);
// Kind index of a single bit, -1 when `bit` is not exactly one kind's bit.
int KindOfBit(uint8_t bit);
// The actuator signatures, analysed for spring range and friction.
inline bool IsActuatorKind(int kind) { return kind >= KindStandard && kind <= KindHighResolution; }
// Kinds compared for loading and graphs: extended and high resolution count as equal.
bool SameGraphKind(int a, int b);

// "Standard Actuator Signature", ... "Signature Trend"; "" for an invalid kind.
std::string KindTitle(int kind);
// File-name suffix: "_STD", "_EXT", "_HIGH", "_SRT", "_PS"; "" otherwise.
std::string KindFileSuffix(int kind);
// Default file extension without the dot: "std", "ext", "ext", "stp", "pos"; "" otherwise.
std::string KindExtension(int kind);
// The file-dialog filter of the kind, placed before the general filter ("" for the trend).
std::string KindFileFilter(int kind);
// The signature page's text of the kind ("Measure Actuator Signature", ...); "" otherwise.
std::string KindPageText(int kind);

}  // namespace diagnostics
