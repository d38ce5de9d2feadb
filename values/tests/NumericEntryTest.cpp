#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/testing/ScriptedUi.h"
#include "values/ValueCodec.h"

using namespace values;

namespace {

constexpr int kField = 1001;

// A dialog with plain text fields; the framework parse accepts what strtof reads completely.
class FakeExchange : public DialogExchange {
public:
    explicit FakeExchange(bool saving) : saving(saving) {}
    bool IsSaving() const override { return saving; }
    std::string FieldText(int id) const override { return fields.count(id) ? fields.at(id) : std::string(); }
    void SetFieldText(int id, const std::string& text) override { fields[id] = text; }
    bool ParseFloat(int id, float& value) override {
        const std::string text = FieldText(id);
        char* end = nullptr;
        const float v = std::strtof(text.c_str(), &end);
        if (text.empty() || *end != '\0') {
            ++parseRefusals;
            return false;
        }
        value = v;
        return true;
    }
    void ShowFloat(int id, float value) override { fields[id] = FloatToText(value); }
    void Fail() override { ++failures; }

    bool saving;
    std::map<int, std::string> fields;
    int parseRefusals = 0;
    int failures = 0;
};

float Inf() { return ValueCodec::Instance().PositiveInfinity(); }

}  // namespace

TEST(NumericEntry, InfinityTextsAreStoredAsExactInfinities) {
    ValueCodec& codec = ValueCodec::Instance();
    FakeExchange dx(true);
    float value = 0;
    dx.fields[kField] = "-1.#INF";
    ASSERT_TRUE(codec.ParseFloatField(dx, kField, value));
    EXPECT_EQ(codec.NegativeInfinity(), value);
    dx.fields[kField] = "1.#INF";
    ASSERT_TRUE(codec.ParseFloatField(dx, kField, value));
    EXPECT_EQ(codec.PositiveInfinity(), value);
    dx.fields[kField] = " 1.#INF00";  // anything around the marker still means infinity
    ASSERT_TRUE(codec.ParseFloatField(dx, kField, value));
    EXPECT_EQ(codec.PositiveInfinity(), value);
    EXPECT_EQ(0, dx.parseRefusals);
    EXPECT_TRUE(codec.IsInfinityText("-1.#INF"));
    EXPECT_FALSE(codec.IsInfinityText("inf"));
}

TEST(NumericEntry, OrdinaryTextsGoThroughTheFrameworkParse) {
    ValueCodec& codec = ValueCodec::Instance();
    FakeExchange dx(true);
    float value = 0;
    dx.fields[kField] = "12.5";
    ASSERT_TRUE(codec.ParseFloatField(dx, kField, value));
    EXPECT_EQ(12.5f, value);
    dx.fields[kField] = "abc";
    value = 3;
    EXPECT_FALSE(codec.ParseFloatField(dx, kField, value));
    EXPECT_EQ(3.0f, value);
    EXPECT_EQ(1, dx.parseRefusals);
    EXPECT_EQ(1, dx.failures);
}

TEST(NumericEntry, LoadingShowsInfinitiesInTheirTypedForm) {
    ValueCodec& codec = ValueCodec::Instance();
    FakeExchange load(false);
    float value = codec.NegativeInfinity();
    ASSERT_TRUE(codec.ParseFloatField(load, kField, value));
    EXPECT_EQ("-1.#INF", load.fields[kField]);
    // ... and saving the shown text gives the same value back.
    FakeExchange save(true);
    save.fields = load.fields;
    float back = 0;
    ASSERT_TRUE(codec.ParseFloatField(save, kField, back));
    EXPECT_EQ(value, back);
}

TEST(NumericEntry, CutAfterInfinity) {
    ValueCodec& codec = ValueCodec::Instance();
    EXPECT_EQ("1.#INF", codec.CutAfterInfinity("1.#INF00"));
    EXPECT_EQ("-1.#INF", codec.CutAfterInfinity("-1.#INFxyz"));
    EXPECT_EQ("42.0", codec.CutAfterInfinity("42.0"));
}

TEST(NumericEntry, RangeMessagesKeepTheirBlanks) {
    EXPECT_EQ("", RangeMessage(100.0f, true, 0, true, 100));
    EXPECT_EQ("", RangeMessage(0.0f, true, 0, true, 100));
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] .", RangeMessage(100.5f, true, 0, true, 100));
    EXPECT_EQ("Enter a valid numeric value  no less than -5 .", RangeMessage(-6.0f, true, -5, false, 0));
    EXPECT_EQ("Enter a valid numeric value  no more than 0.25 .", RangeMessage(1.0f, false, 0, true, 0.25f));
    EXPECT_EQ("", RangeMessage(-1e30f, false, 0, false, 0));
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] .", RangeMessage(std::nanf(""), true, 0, true, 100));
}

TEST(NumericEntry, InfinitiesPassEveryRangeCheck) {
    for (float v : {Inf(), -Inf()}) {
        EXPECT_EQ("", RangeMessage(v, true, 0, true, 100));
        EXPECT_EQ("", RangeMessage(v, true, 0, false, 0));
        EXPECT_EQ("", RangeOrSpecialMessage(v, 0, 100, -1));
        EXPECT_EQ("", PairMessage(true, v, Inf(), false, 0, 0, 100));
        EXPECT_EQ("", PairMessage(false, -Inf(), v, true, 255, 0, 100));
    }
}

TEST(NumericEntry, RangeOrSpecial) {
    EXPECT_EQ("", RangeOrSpecialMessage(50, 0, 100, 255));
    EXPECT_EQ("", RangeOrSpecialMessage(255, 0, 100, 255));
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] or 255 .", RangeOrSpecialMessage(101, 0, 100, 255));
}

TEST(NumericEntry, PairChecksRangeThenOrder) {
    EXPECT_EQ("", PairMessage(true, 10, 20, false, 0, 0, 100));
    EXPECT_EQ("", PairMessage(false, 20, 20, false, 0, 0, 100));
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] .", PairMessage(true, -1, 20, false, 0, 0, 100));
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] or -1 .", PairMessage(false, 0, 101, true, -1, 0, 100));
    EXPECT_EQ("", PairMessage(true, -1, 20, true, -1, 0, 100));
    EXPECT_EQ("Value 1 should not exceed Value 2", PairMessage(true, 30, 20, false, 0, 0, 100));
    EXPECT_EQ("Value 2 should not be less than Value 1", PairMessage(false, 30, 20, false, 0, 0, 100));
    // Only the edited value is range-checked.
    EXPECT_EQ("Value 2 should not be less than Value 1", PairMessage(false, 500, 20, false, 0, 0, 100));
}

TEST(NumericEntry, RefusalShowsMessageAndFailsTheExchange) {
    platform::testing::ScriptedUi ui;
    ValueCodec& codec = ValueCodec::Instance();
    FakeExchange dx(true);
    EXPECT_TRUE(codec.ValidateRange(dx, 100.0f, true, 0, true, 100));
    EXPECT_FALSE(codec.ValidateRange(dx, 100.5f, true, 0, true, 100));
    EXPECT_FALSE(codec.ValidateRangeOrSpecial(dx, -3, 0, 10, 255));
    EXPECT_FALSE(codec.ValidatePair(dx, true, 9, 8, false, 0, 0, 10));
    EXPECT_EQ(3, dx.failures);
    ASSERT_EQ(3u, ui.Messages().size());
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] .", ui.Messages()[0].text);
    EXPECT_EQ("Enter a valid numeric value  range [0, 10] or 255 .", ui.Messages()[1].text);
    EXPECT_EQ("Value 1 should not exceed Value 2", ui.Messages()[2].text);
}

TEST(NumericEntry, ChecksAreSkippedWhileLoading) {
    platform::testing::ScriptedUi ui;
    ValueCodec& codec = ValueCodec::Instance();
    FakeExchange dx(false);
    EXPECT_TRUE(codec.ValidateRange(dx, 500, true, 0, true, 100));
    EXPECT_TRUE(codec.ValidateRangeOrSpecial(dx, 500, 0, 100, 1));
    EXPECT_TRUE(codec.ValidatePair(dx, true, 9, 8, false, 0, 0, 10));
    EXPECT_EQ(0, dx.failures);
    EXPECT_TRUE(ui.Messages().empty());
}
