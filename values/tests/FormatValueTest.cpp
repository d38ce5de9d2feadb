#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "values/ValueCodec.h"

using namespace values;

namespace {

// Formats `wire` (starting one octet into the buffer, to exercise the offset).
std::string Fmt(int type, std::vector<uint8_t> wire, uint32_t* numeric = nullptr) {
    std::vector<uint8_t> buffer{0xEE};
    buffer.insert(buffer.end(), wire.begin(), wire.end());
    uint32_t n = 0xFFFFFFFF;
    const std::string text = ValueCodec::Instance().FormatValue(buffer.data(), 1, type, wire.size(), n);
    if (numeric) *numeric = n;
    return text;
}

}  // namespace

TEST(FormatValue, SignedTypesAndBoolean) {
    uint32_t n = 1;
    EXPECT_EQ("1", Fmt(FB_BOOLEAN, {0x01}, &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ("-1", Fmt(FB_INTEGER8, {0xFF}));
    EXPECT_EQ("-2", Fmt(FB_INTEGER16, {0xFF, 0xFE}));
    EXPECT_EQ("32767", Fmt(FB_INTEGER16, {0x7F, 0xFF}));
    EXPECT_EQ("-2147483648", Fmt(FB_INTEGER32, {0x80, 0x00, 0x00, 0x00}, &n));
    EXPECT_EQ(0u, n);
}

TEST(FormatValue, UnsignedTypesSetTheNumericValue) {
    uint32_t n = 0;
    EXPECT_EQ("0x0a", Fmt(FB_UNSIGNED8, {0x0A}, &n));
    EXPECT_EQ(10u, n);
    EXPECT_EQ("0x1234", Fmt(FB_UNSIGNED16, {0x12, 0x34}, &n));
    EXPECT_EQ(0x1234u, n);
    EXPECT_EQ("0xdeadbeef", Fmt(FB_UNSIGNED32, {0xDE, 0xAD, 0xBE, 0xEF}, &n));
    EXPECT_EQ(0xDEADBEEFu, n);
}

TEST(FormatValue, FloatsIncludingInfinities) {
    uint32_t n = 1;
    EXPECT_EQ("100", Fmt(FB_FLOAT, {0x42, 0xC8, 0x00, 0x00}, &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ("-0.5", Fmt(FB_FLOAT, {0xBF, 0x00, 0x00, 0x00}));
    EXPECT_EQ("1.#INF", Fmt(FB_FLOAT, {0x7F, 0x80, 0x00, 0x00}));
    EXPECT_EQ("-1.#INF", Fmt(FB_FLOAT, {0xFF, 0x80, 0x00, 0x00}));
}

TEST(FormatValue, StringsAreCutAndTrimmed) {
    EXPECT_EQ("CV0000", Fmt(FB_VISIBLE_STRING, {'C', 'V', '0', '0', '0', '0', ' ', ' ', ' '}));
    EXPECT_EQ("  lead", Fmt(FB_OCTET_STRING, {' ', ' ', 'l', 'e', 'a', 'd'}));
    EXPECT_EQ("AB", Fmt(FB_VISIBLE_STRING, {'A', 'B', 0, 'C'}));
    std::vector<uint8_t> longText(300);
    for (size_t i = 0; i < longText.size(); ++i) longText[i] = static_cast<uint8_t>('a' + i % 26);
    const std::string text = Fmt(FB_VISIBLE_STRING, longText);
    ASSERT_EQ(239u, text.size());
    EXPECT_EQ(std::string(longText.begin(), longText.begin() + 239), text);
}

TEST(FormatValue, DateUsesFixedForm) {
    EXPECT_EQ("07/04/95 12:30:05", Fmt(FB_DATE, {0x13, 0x88, 30, 12, 4, 7, 95}));
}

TEST(FormatValue, BitStringsByLength) {
    uint32_t n = 0;
    EXPECT_EQ("0x01", Fmt(FB_BIT_STRING, {0x80}, &n));
    EXPECT_EQ(1u, n);
    EXPECT_EQ("0x0001", Fmt(FB_BIT_STRING, {0x80, 0x00}, &n));
    EXPECT_EQ(1u, n);
    EXPECT_EQ("0x80000001", Fmt(FB_BIT_STRING, {0x80, 0x00, 0x00, 0x01}, &n));
    EXPECT_EQ(0x80000001u, n);
    EXPECT_EQ("0x800001", Fmt(FB_BIT_STRING, {0x80, 0x00, 0x01}, &n));
    EXPECT_EQ(0u, n);
}

TEST(FormatValue, UnusedAndUnknownTypesGiveNothing) {
    for (int type : {0, 15, 16, 17, 18, 19, 20, 22, 99, -1}) EXPECT_EQ("", Fmt(type, {1, 2, 3, 4}));
}

TEST(FormatValue, ShortValueReadsMissingOctetsAsZero) {
    uint32_t n = 0;
    EXPECT_EQ("0x12000000", Fmt(FB_UNSIGNED32, {0x12}, &n));
    EXPECT_EQ("", ValueCodec::Instance().FormatValue(nullptr, 0, FB_UNSIGNED8, 1, n));
}

class FormatTimeValue : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        hadTz_ = tz != nullptr;
        if (hadTz_) oldTz_ = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool hadTz_ = false;
    std::string oldTz_;
};

TEST_F(FormatTimeValue, TimeOfDayCountsDaysFrom1984) {
    // One hour into the day after 1 January 1984.
    EXPECT_EQ("Mon Jan  2 01:00:00 1984", Fmt(FB_TIME_OF_DAY, {0x00, 0x36, 0xEE, 0x80, 0x00, 0x01}));
    EXPECT_EQ("Sun Jan  1 00:00:01 1984", Fmt(FB_TIME_DIFFERENCE, {0x00, 0x00, 0x03, 0xE8, 0x00, 0x00}));
}

TEST_F(FormatTimeValue, TimeValueCountsThirtySecondsOfMillisecondsFrom1972) {
    // 86400 s x 1000 x 32 = 0xA4CB8000 units: one day after 1 January 1972.
    EXPECT_EQ("Sun Jan  2 00:00:00 1972",
              Fmt(FB_TIME_VALUE, {0x00, 0x00, 0x00, 0x00, 0xA4, 0xCB, 0x80, 0x00}));
}
