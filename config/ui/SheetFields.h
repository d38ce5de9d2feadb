#pragma once
// The field kinds of the configuration pages. Each shows a record's value and gives it back
// untouched unless the user changed the field, so a value that the text form cannot carry
// exactly (a float's last digits, a choice known only by its value) is never rewritten by a
// page the user merely looked at.
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigChoices.h"
#include "config/ConfigFields.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QWidget;

namespace config {

// Range rules of a float field (the checks of numeric entry; infinities always pass).
struct FloatRange {
    bool hasMin = false;
    float min = 0.0f;
    bool hasMax = false;
    float max = 0.0f;
    bool hasSpecial = false;  // min..max, or exactly `special`
    float special = 0.0f;

    static FloatRange Any() { return {}; }
    static FloatRange Between(float lo, float hi) { return {true, lo, true, hi, false, 0.0f}; }
    static FloatRange AtLeast(float lo) { return {true, lo, false, 0.0f, false, 0.0f}; }
    static FloatRange BetweenOr(float lo, float hi, float special) { return {true, lo, true, hi, true, special}; }
};

class FloatField {
public:
    explicit FloatField(QLineEdit* edit = nullptr) : edit_(edit) {}
    QLineEdit* Edit() const { return edit_; }
    void Show(float value);
    bool Changed() const;
    // The field's value: the shown one when the text is untouched, else the parsed text
    // ("1.#INF" and "-1.#INF" are the infinities) checked against `range`. False, with the
    // message shown and the field selected, when refused.
    bool Read(float& value, const FloatRange& range) const;

private:
    QLineEdit* edit_;
    QString shownText_;
    float shown_ = 0.0f;
};

// A low/high pair: each end in [min, max], and low not above high.
bool ReadPair(const FloatField& low, const FloatField& high, float& lowValue, float& highValue, float min, float max);

// A visible string (up to 32 characters).
class TextField {
public:
    explicit TextField(QLineEdit* edit = nullptr) : edit_(edit) {}
    QLineEdit* Edit() const { return edit_; }
    void Show(const std::string& text);
    void Read(std::string& text) const;

private:
    QLineEdit* edit_;
    QString shownText_;
    std::string shown_;
};

// An unsigned 32-bit count.
class CountField {
public:
    explicit CountField(QLineEdit* edit = nullptr) : edit_(edit) {}
    QLineEdit* Edit() const { return edit_; }
    void Show(uint32_t value);
    bool Read(uint32_t& value) const;

private:
    QLineEdit* edit_;
    QString shownText_;
    uint32_t shown_ = 0;
};

// The calibration date as "MM/DD/YY hh:mm:ss" (all zero: no date).
class DateField {
public:
    explicit DateField(QLineEdit* edit = nullptr) : edit_(edit) {}
    QLineEdit* Edit() const { return edit_; }
    void Show(const ConfigDate& date);
    bool Read(ConfigDate& date) const;
    static QString Text(const ConfigDate& date);
    // False when the text is no valid date.
    static bool Parse(const QString& text, ConfigDate& date);

private:
    QLineEdit* edit_;
    QString shownText_;
    ConfigDate shown_;
};

// An enumerated field chosen from the record's own choice list. `units`: the texts are unit
// texts, shown with their signs.
class ChoiceField {
public:
    explicit ChoiceField(QComboBox* box = nullptr) : box_(box) {}
    QComboBox* Box() const { return box_; }
    template <typename V>
    void Show(const ConfigEnumField<V>& field, bool units) {
        Fill(field.texts, units);
        Select(ChoiceIndex(field));
    }
    // Takes the user's choice into `field`; `chosen` tells whether a choice is made (an
    // empty list offers none to make: the field then stays as it is, unasked).
    template <typename V>
    void Read(ConfigEnumField<V>& field, bool* chosen = nullptr) const {
        const int index = Index();
        if (chosen) *chosen = index >= 0 || field.texts.empty();
        if (index >= 0 && index != shownIndex_) Choose(field, index);
    }
    int Index() const;
    // Whether the choice shown is the one at `index`.
    bool IsShown(int index) const { return Index() == index; }

private:
    void Fill(const std::vector<std::string>& texts, bool units);
    void Select(int index);

    QComboBox* box_;
    int shownIndex_ = -1;
};

// A two-valued member (0 or 1) with its two texts.
class FlagField {
public:
    FlagField() = default;
    FlagField(QComboBox* box, const char* text0, const char* text1);
    QComboBox* Box() const { return box_; }
    void Show(uint32_t flag);
    void Read(uint32_t& flag) const;

private:
    QComboBox* box_ = nullptr;
    uint32_t shown_ = 0;
    int shownIndex_ = 0;
};

// An options bit string: one checkable line per bit name.
class BitsField {
public:
    explicit BitsField(QListWidget* list = nullptr) : list_(list) {}
    QListWidget* List() const { return list_; }
    void Show(const ConfigBitStringField& field);
    void Read(ConfigBitStringField& field) const;

private:
    std::vector<bool> Checked() const;

    QListWidget* list_;
    std::vector<bool> shown_;
};

// Screen text of a record text (Latin-1), with unit signs when `unit`.
QString DisplayText(const std::string& text, bool unit = false);

}  // namespace config
