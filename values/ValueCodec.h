#pragma once
// Conversion of Fieldbus wire values (big-endian octets, bit strings numbered from the most
// significant bit of the first octet) into host numbers and display texts, unit-text
// conversion, numeric entry with infinities and range checks.
//
// Texts read from devices are kept as their raw octets (Latin-1): UnitToDisplay produces the
// Latin-1 superscript, micro, degree and A-with-ring signs, which windows turn into screen
// text with QString::fromLatin1.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace values {

// Fieldbus data-type numbers used by FormatValue.
enum FieldbusDataType : int {
    FB_BOOLEAN = 1,
    FB_INTEGER8 = 2,
    FB_INTEGER16 = 3,
    FB_INTEGER32 = 4,
    FB_UNSIGNED8 = 5,
    FB_UNSIGNED16 = 6,
    FB_UNSIGNED32 = 7,
    FB_FLOAT = 8,
    FB_VISIBLE_STRING = 9,
    FB_OCTET_STRING = 10,
    FB_DATE = 11,
    FB_TIME_OF_DAY = 12,
    FB_TIME_DIFFERENCE = 13,
    FB_BIT_STRING = 14,
    FB_TIME_VALUE = 21,
};

struct FieldbusDate {
    uint16_t milliseconds = 0;  // within the minute, seconds included
    uint8_t seconds = 0;        // milliseconds / 1000
    uint8_t minutes = 0;
    uint8_t hours = 0;
    uint8_t summerTime = 0;  // 0 or 1
    uint8_t dayOfWeek = 0;   // 1..7
    uint8_t dayOfMonth = 0;
    uint8_t month = 0;
    uint8_t year = 0;  // years since 1900, 0..99
};

// The dialog side of numeric entry: the Qt dialogs implement it (values/ui), tests fake it.
class DialogExchange {
public:
    virtual ~DialogExchange() = default;
    virtual bool IsSaving() const = 0;  // true when values go from the fields to variables
    virtual std::string FieldText(int controlId) const = 0;
    virtual void SetFieldText(int controlId, const std::string& text) = 0;
    // The framework's own text-to-float exchange: parses the field, or shows the framework's
    // message and returns false.
    virtual bool ParseFloat(int controlId, float& value) = 0;
    // The framework's own float-to-text exchange.
    virtual void ShowFloat(int controlId, float value) = 0;
    // Marks the exchange failed: the dialog stays open with the last field selected.
    virtual void Fail() = 0;
};

class ValueCodec {
public:
    // The one shared codec.
    static ValueCodec& Instance();
    ValueCodec();

    // Every operation below holds the codec lock while it works; message boxes are shown after
    // the lock was released so that worker threads never wait on a user's answer.
    float PositiveInfinity() const { return positiveInfinity_; }
    float NegativeInfinity() const { return negativeInfinity_; }

    void ReverseBytes(void* buffer, size_t length);
    void MirrorBits(void* buffer, int length);
    float ReadFloat(void* wireBytes);
    uint16_t ReadU16(void* wireBytes);
    uint32_t ReadU32(void* wireBytes);
    uint8_t ReadBits8(void* wireBytes);
    uint16_t ReadBits16(void* wireBytes);
    uint32_t ReadBits32(void* wireBytes);

    FieldbusDate DecodeDate(const uint8_t* wireBytes);
    void EncodeDate(const FieldbusDate& date, uint8_t out[7]);
    std::string FormatDate(const uint8_t* wireBytes);
    std::string FormatValue(const uint8_t* wireBytes, size_t offset, int dataType, size_t length,
                            uint32_t& numericValue);
    std::string FormatHexDump(const uint8_t* bytes, size_t length);
    int StatusQuality(uint8_t status);

    void ConvertNineFloats(float buffer[9]);
    void CopyNineFloats(float to[9], const float from[9]);
    int NineFloatsDiffer(const float a[9], const float b[9]);

    std::string PickEnglishText(const char* bytes, size_t length);
    std::string UnitToAscii(const std::string& text);
    std::string UnitToDisplay(const std::string& text);

    bool IsInfinityText(const std::string& text);
    // Reads a float field when saving (infinity texts accepted), writes it when loading.
    // Returns false when the field was refused (the exchange was marked failed).
    bool ParseFloatField(DialogExchange& dx, int controlId, float& value);
    // Cuts whatever follows the first "1.#INF" in a field's text.
    std::string CutAfterInfinity(const std::string& text);

    bool ValidateRange(DialogExchange& dx, float value, bool hasMin, float min, bool hasMax, float max);
    bool ValidateRangeOrSpecial(DialogExchange& dx, float value, float min, float max, float special);
    bool ValidatePair(DialogExchange& dx, bool editingFirst, float value1, float value2, bool hasSpecial,
                      float special, float min, float max);

    // Returns true when the text was clean. With `replace`, offending characters become '_'.
    bool CheckFileNameCharacters(std::string& text, bool replace);

private:
    float positiveInfinity_;
    float negativeInfinity_;
    std::recursive_mutex lock_;
};

// "%g" of a value, with infinities written the way users type them: "1.#INF" / "-1.#INF".
// Used wherever a float is shown as text (dialog fields, formatted values, messages).
std::string FloatToText(double value);

// Pure forms of the range checks: the message to show, or "" when the value passes.
std::string RangeMessage(float value, bool hasMin, float min, bool hasMax, float max);
std::string RangeOrSpecialMessage(float value, float min, float max, float special);
std::string PairMessage(bool editingFirst, float value1, float value2, bool hasSpecial, float special,
                        float min, float max);

// Resource strings: ids mapped to texts. Missing ids yield "" (and the diagnostic message
// "Error loading string with ID %d" while the Shift key is held down).
void RegisterResourceString(int id, const std::string& text);
std::string LoadResourceString(int id);

}  // namespace values
