#pragma once
// The analysis of a signature record.
//
// Actuator signatures: the position-against-pressure curve is split into its rising and
// falling stroke, a straight line is fitted to each, and the actuator's spring range and
// friction follow from the two lines. A single step response gives its overshoot and the
// time the valve needs to cover p percent of the step (Tp). A step series gives the figures
// of a calibration report. Nothing here yields an infinite or undefined number: a record
// that admits no figure is left "not valid".
#include <string>
#include <vector>

#include "diagnostics/CRegressionLine.h"
#include "diagnostics/CSignatureData.h"

namespace diagnostics {

class SignatureAnalyser {
public:
    // Splits the record's curve into its strokes (actuator kinds only).
    explicit SignatureAnalyser(const CSignatureData& record);

    // True when the strokes are usable (actuator kinds) or the record is a step response.
    bool IsValid() const { return valid_; }
    const std::vector<CFloatPT>& RisingStroke() const { return rising_; }
    const std::vector<CFloatPT>& FallingStroke() const { return falling_; }
    // Index of the point where an extended signature turns (-1 when not found).
    int TurningIndex() const { return turning_; }

    // Fills `results` from scratch (p: the percent of Tp for step responses).
    void Analyse(float stepResponsePercent, SignatureResults& results) const;

private:
    void SplitStandard();
    void SplitExtended();
    void AnalyseStrokes(SignatureResults& results) const;

    const CSignatureData& record_;
    bool valid_ = false;
    int turning_ = -1;
    std::vector<CFloatPT> rising_;
    std::vector<CFloatPT> falling_;
};

// Spring range and friction from the lines of the rising (gainUp, offsetUp) and the falling
// stroke. Returns 0 and valid results, or 1: a gain of 0 ("Error: the Gain is 0!" in
// results.message), a spring range of no span, or figures out of any range.
int SpringRangeAndFriction(double gainUp, double offsetUp, double gainDown, double offsetDown,
                           SignatureResults& results);
// Overshoot and Tp of a single step.
void AnalyseStepResponse(const CSignatureData& record, float stepResponsePercent, SignatureResults& results);
// The calibration figures of a step series (header float 6, the round trip, 2 or more).
void AnalyseStepSeries(const CSignatureData& record, SignatureResults& results);

// Analyses the record into its results.
void AnalyseSignature(CSignatureData& record, float stepResponsePercent);

}  // namespace diagnostics
