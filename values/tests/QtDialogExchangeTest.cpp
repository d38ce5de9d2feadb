#include <gtest/gtest.h>

#include <QLineEdit>
#include <QWidget>

#include "platform/testing/ScriptedUi.h"
#include "values/ValueCodec.h"
#include "values/ui/QtDialogExchange.h"

using values::QtDialogExchange;
using values::ValueCodec;

namespace {
constexpr int kLow = 1010, kHigh = 1011;
}

TEST(QtDialogExchange, FrameworkParseAcceptsOnlyPlainNumbers) {
    float v = 0;
    EXPECT_TRUE(QtDialogExchange::ParseFloatText(" 12.5 ", v));
    EXPECT_EQ(12.5f, v);
    EXPECT_TRUE(QtDialogExchange::ParseFloatText("+3e2", v));
    EXPECT_EQ(300.0f, v);
    EXPECT_TRUE(QtDialogExchange::ParseFloatText("-.5", v));
    EXPECT_EQ(-0.5f, v);
    for (const char* bad : {"", " ", "abc", "12a", "inf", "-inf", "nan", "1e39", "+-1", "-", "1,5"})
        EXPECT_FALSE(QtDialogExchange::ParseFloatText(bad, v)) << bad;
}

TEST(QtDialogExchange, InfinitiesRoundTripThroughTheFields) {
    platform::testing::ScriptedUi ui;
    QWidget dialog;
    QLineEdit low(&dialog), high(&dialog);
    ValueCodec& codec = ValueCodec::Instance();

    QtDialogExchange load(false);
    load.AddField(kLow, &low);
    load.AddField(kHigh, &high);
    float lowValue = codec.NegativeInfinity(), highValue = 42.5f;
    ASSERT_TRUE(codec.ParseFloatField(load, kLow, lowValue));
    ASSERT_TRUE(codec.ParseFloatField(load, kHigh, highValue));
    EXPECT_EQ(QString("-1.#INF"), low.text());
    EXPECT_EQ(QString("42.5"), high.text());

    QtDialogExchange save(true);
    save.AddField(kLow, &low);
    save.AddField(kHigh, &high);
    float lowBack = 0, highBack = 0;
    ASSERT_TRUE(codec.ParseFloatField(save, kLow, lowBack));
    ASSERT_TRUE(codec.ParseFloatField(save, kHigh, highBack));
    EXPECT_EQ(lowValue, lowBack);
    EXPECT_EQ(highValue, highBack);
    EXPECT_TRUE(codec.ValidatePair(save, false, lowBack, highBack, false, 0, 0, 100));
    EXPECT_FALSE(save.Failed());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(QtDialogExchange, RefusedFieldIsReportedAndSelected) {
    platform::testing::ScriptedUi ui;
    QWidget dialog;
    QLineEdit low(&dialog), high(&dialog);
    low.setText("5");
    high.setText("five");
    ValueCodec& codec = ValueCodec::Instance();

    QtDialogExchange save(true);
    save.AddField(kLow, &low);
    save.AddField(kHigh, &high);
    float value = 0;
    ASSERT_TRUE(codec.ParseFloatField(save, kLow, value));
    EXPECT_FALSE(codec.ParseFloatField(save, kHigh, value));
    EXPECT_TRUE(save.Failed());
    EXPECT_EQ(kHigh, save.LastControl());
    EXPECT_EQ(QString("five"), high.selectedText());
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Please enter a number.", ui.Last().text);
}

TEST(QtDialogExchange, RangeRefusalSelectsTheCheckedField) {
    platform::testing::ScriptedUi ui;
    QWidget dialog;
    QLineEdit field(&dialog);
    field.setText("100.5");
    ValueCodec& codec = ValueCodec::Instance();
    QtDialogExchange save(true);
    save.AddField(kLow, &field);
    float value = 0;
    ASSERT_TRUE(codec.ParseFloatField(save, kLow, value));
    EXPECT_FALSE(codec.ValidateRange(save, value, true, 0, true, 100));
    EXPECT_TRUE(save.Failed());
    EXPECT_EQ(QString("100.5"), field.selectedText());
    EXPECT_EQ("Enter a valid numeric value  range [0, 100] .", ui.Last().text);
}
