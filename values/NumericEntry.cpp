// Numeric entry in dialog fields: infinity texts, range checks and their messages.
#include <cmath>

#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace values {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr const char* kInfinityText = "1.#INF";
constexpr const char* kNegativeInfinityText = "-1.#INF";

std::string RangeFailure(const std::string& part) {
    return platform::Format("Enter a valid numeric value %s.", part.c_str());
}

std::string BothBoundsPart(float min, float max) {
    return " range [" + FloatToText(min) + ", " + FloatToText(max) + "] ";
}

std::string SpecialPart(float min, float max, float special) {
    return " range [" + FloatToText(min) + ", " + FloatToText(max) + "] or " + FloatToText(special) + " ";
}

// A NaN is never inside a range, so it is refused wherever a bound applies.
bool InRange(float value, float min, float max) { return value >= min && value <= max; }

}  // namespace

bool ValueCodec::IsInfinityText(const std::string& text) {
    Lock lock(lock_);
    return text.find(kInfinityText) != std::string::npos;
}

std::string ValueCodec::CutAfterInfinity(const std::string& text) {
    Lock lock(lock_);
    const size_t at = text.find(kInfinityText);
    if (at == std::string::npos) return text;
    return text.substr(0, at + std::char_traits<char>::length(kInfinityText));
}

bool ValueCodec::ParseFloatField(DialogExchange& dx, int controlId, float& value) {
    if (!dx.IsSaving()) {
        dx.ShowFloat(controlId, value);
        return true;
    }
    const std::string text = dx.FieldText(controlId);
    {
        Lock lock(lock_);
        if (text.find(kInfinityText) != std::string::npos) {
            value = text.find(kNegativeInfinityText) != std::string::npos ? negativeInfinity_ : positiveInfinity_;
            return true;
        }
    }
    if (dx.ParseFloat(controlId, value)) return true;
    dx.Fail();
    return false;
}

std::string RangeMessage(float value, bool hasMin, float min, bool hasMax, float max) {
    if (std::isinf(value)) return {};
    if (hasMin && hasMax) {
        if (InRange(value, min, max)) return {};
        return RangeFailure(BothBoundsPart(min, max));
    }
    if (hasMin) {
        if (value >= min) return {};
        return RangeFailure(" no less than " + FloatToText(min) + " ");
    }
    if (hasMax) {
        if (value <= max) return {};
        return RangeFailure(" no more than " + FloatToText(max) + " ");
    }
    return {};
}

std::string RangeOrSpecialMessage(float value, float min, float max, float special) {
    if (std::isinf(value) || InRange(value, min, max) || value == special) return {};
    return RangeFailure(SpecialPart(min, max, special));
}

std::string PairMessage(bool editingFirst, float value1, float value2, bool hasSpecial, float special, float min,
                        float max) {
    const float edited = editingFirst ? value1 : value2;
    const bool rangeHolds = std::isinf(edited) || InRange(edited, min, max) || (hasSpecial && edited == special);
    if (!rangeHolds) return RangeFailure(hasSpecial ? SpecialPart(min, max, special) : BothBoundsPart(min, max));
    if (value1 <= value2) return {};
    return editingFirst ? "Value 1 should not exceed Value 2" : "Value 2 should not be less than Value 1";
}

namespace {

// Shows a refusal and keeps the dialog open on the field; true when there was none.
bool Refuse(DialogExchange& dx, const std::string& message) {
    if (message.empty()) return true;
    platform::ShowMessage(message);
    dx.Fail();
    return false;
}

}  // namespace

bool ValueCodec::ValidateRange(DialogExchange& dx, float value, bool hasMin, float min, bool hasMax, float max) {
    if (!dx.IsSaving()) return true;
    std::string message;
    {
        Lock lock(lock_);
        message = RangeMessage(value, hasMin, min, hasMax, max);
    }
    return Refuse(dx, message);
}

bool ValueCodec::ValidateRangeOrSpecial(DialogExchange& dx, float value, float min, float max, float special) {
    if (!dx.IsSaving()) return true;
    std::string message;
    {
        Lock lock(lock_);
        message = RangeOrSpecialMessage(value, min, max, special);
    }
    return Refuse(dx, message);
}

bool ValueCodec::ValidatePair(DialogExchange& dx, bool editingFirst, float value1, float value2, bool hasSpecial,
                              float special, float min, float max) {
    if (!dx.IsSaving()) return true;
    std::string message;
    {
        Lock lock(lock_);
        message = PairMessage(editingFirst, value1, value2, hasSpecial, special, min, max);
    }
    return Refuse(dx, message);
}

}  // namespace values
