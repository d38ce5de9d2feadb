#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/testing/ScriptedUi.h"
#include "values/ValueCodec.h"

using values::FieldbusDate;
using values::ValueCodec;

// One test below checks what the codec does when memory runs out, by asking for more than any
// machine has. The address checker would report that request as a fault of its own; this
// program tells it to fail the allocation instead, as the plain allocator does.
#if defined(__SANITIZE_ADDRESS__)
#define TESSARO_ADDRESS_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSARO_ADDRESS_CHECKER 1
#endif
#endif
#ifdef TESSARO_ADDRESS_CHECKER
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

TEST(WireConversion, ReverseBytesTurnsWireOrderIntoHostOrder) {
    platform::testing::ScriptedUi ui;
    ValueCodec codec;
    uint8_t odd[5] = {1, 2, 3, 4, 5};
    codec.ReverseBytes(odd, 5);
    EXPECT_EQ(0, std::memcmp(odd, "\x05\x04\x03\x02\x01", 5));
    uint8_t one = 7;
    codec.ReverseBytes(&one, 1);
    EXPECT_EQ(7, one);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(WireConversion, ReverseBytesWithoutScratchMemoryReportsAndLeavesBufferAlone) {
    platform::testing::ScriptedUi ui;
    ValueCodec codec;
    uint8_t bytes[4] = {1, 2, 3, 4};
    codec.ReverseBytes(bytes, SIZE_MAX);  // no scratch copy of that size can exist
    EXPECT_EQ(0, std::memcmp(bytes, "\x01\x02\x03\x04", 4));
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Error: Failed to allocate buffer for byte reversal function.", ui.Last().text);
}

TEST(WireConversion, MirrorBitsReversesEachOctet) {
    ValueCodec codec;
    uint8_t bytes[3] = {0x80, 0x01, 0x3A};
    codec.MirrorBits(bytes, 3);
    EXPECT_EQ(0x01, bytes[0]);
    EXPECT_EQ(0x80, bytes[1]);
    EXPECT_EQ(0x5C, bytes[2]);
    codec.MirrorBits(bytes, 0);
    codec.MirrorBits(bytes, -4);
    EXPECT_EQ(0x01, bytes[0]);
}

TEST(WireConversion, NumbersAreReadBigEndianAndBufferIsLeftInHostOrder) {
    ValueCodec codec;
    uint8_t u16[2] = {0x12, 0x34};
    EXPECT_EQ(0x1234, codec.ReadU16(u16));
    EXPECT_EQ(0x34, u16[0]);
    uint8_t u32[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(0xDEADBEEFu, codec.ReadU32(u32));
    uint8_t f[4] = {0x42, 0xC8, 0x00, 0x00};
    EXPECT_EQ(100.0f, codec.ReadFloat(f));
    uint8_t negInf[4] = {0xFF, 0x80, 0x00, 0x00};
    EXPECT_EQ(codec.NegativeInfinity(), codec.ReadFloat(negInf));
}

TEST(WireConversion, InfinitiesHaveTheirExactPatterns) {
    ValueCodec codec;
    const float pos = codec.PositiveInfinity(), neg = codec.NegativeInfinity();
    EXPECT_EQ(0, std::memcmp(&pos, "\x00\x00\x80\x7F", 4));
    EXPECT_EQ(0, std::memcmp(&neg, "\x00\x00\x80\xFF", 4));
}

TEST(WireConversion, BitStringBitZeroIsMostSignificantBitOfFirstOctet) {
    ValueCodec codec;
    uint8_t b8 = 0x80;
    EXPECT_EQ(0x01, codec.ReadBits8(&b8));
    uint8_t b16[2] = {0x80, 0x00};
    EXPECT_EQ(0x0001, codec.ReadBits16(b16));
    uint8_t b16b[2] = {0x00, 0x01};  // bit 15
    EXPECT_EQ(0x8000, codec.ReadBits16(b16b));
    uint8_t b32[4] = {0x00, 0x00, 0x80, 0x01};  // bits 16 and 31
    EXPECT_EQ(0x80010000u, codec.ReadBits32(b32));
}

TEST(WireConversion, DateDecodesEveryField) {
    ValueCodec codec;
    // 42.5 s, 17 min, 23 h summer time, Friday (5) the 31st, December, 1999.
    const uint8_t wire[7] = {0xA6, 0x04, 0x11, 0x97, 0xBF, 0x0C, 0x63};
    const FieldbusDate d = codec.DecodeDate(wire);
    EXPECT_EQ(42500, d.milliseconds);
    EXPECT_EQ(42, d.seconds);
    EXPECT_EQ(17, d.minutes);
    EXPECT_EQ(23, d.hours);
    EXPECT_EQ(1, d.summerTime);
    EXPECT_EQ(5, d.dayOfWeek);
    EXPECT_EQ(31, d.dayOfMonth);
    EXPECT_EQ(12, d.month);
    EXPECT_EQ(99, d.year);
    EXPECT_EQ("12/31/99 23:17:42", codec.FormatDate(wire));
}

TEST(WireConversion, DateEncodeDecodeRoundTripDropsSubSecondPart) {
    ValueCodec codec;
    FieldbusDate d;
    d.milliseconds = 7123;
    d.seconds = 7;
    d.minutes = 59;
    d.hours = 13;
    d.summerTime = 0;
    d.dayOfWeek = 2;
    d.dayOfMonth = 9;
    d.month = 6;
    d.year = 98;
    uint8_t wire[7];
    codec.EncodeDate(d, wire);
    EXPECT_EQ(0x1B, wire[0]);  // 7000 = 0x1B58, big-endian
    EXPECT_EQ(0x58, wire[1]);
    const FieldbusDate back = codec.DecodeDate(wire);
    EXPECT_EQ(7000, back.milliseconds);
    EXPECT_EQ(d.seconds, back.seconds);
    EXPECT_EQ(d.minutes, back.minutes);
    EXPECT_EQ(d.hours, back.hours);
    EXPECT_EQ(d.summerTime, back.summerTime);
    EXPECT_EQ(d.dayOfWeek, back.dayOfWeek);
    EXPECT_EQ(d.dayOfMonth, back.dayOfMonth);
    EXPECT_EQ(d.month, back.month);
    EXPECT_EQ(d.year, back.year);
}

TEST(WireConversion, YearAboveNinetyNineShowsAsZero) {
    ValueCodec codec;
    const uint8_t wire[7] = {0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 120};
    EXPECT_EQ(0, codec.DecodeDate(wire).year);
    EXPECT_EQ("01/01/00 00:00:00", codec.FormatDate(wire));
}

TEST(WireConversion, StatusQualityBounds) {
    ValueCodec codec;
    EXPECT_EQ(2, codec.StatusQuality(0));
    EXPECT_EQ(2, codec.StatusQuality(63));
    EXPECT_EQ(1, codec.StatusQuality(64));
    EXPECT_EQ(1, codec.StatusQuality(127));
    EXPECT_EQ(0, codec.StatusQuality(128));
    EXPECT_EQ(0, codec.StatusQuality(255));
}

TEST(WireConversion, NineFloatsConvertCopyAndCompare) {
    ValueCodec codec;
    float curve[9];
    for (int i = 0; i < 9; ++i) {
        const float v = 12.5f * static_cast<float>(i);
        uint8_t wire[4];
        std::memcpy(wire, &v, 4);
        std::swap(wire[0], wire[3]);
        std::swap(wire[1], wire[2]);
        std::memcpy(&curve[i], wire, 4);
    }
    codec.ConvertNineFloats(curve);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(12.5f * static_cast<float>(i), curve[i]);
    float copy[9];
    codec.CopyNineFloats(copy, curve);
    EXPECT_EQ(0, codec.NineFloatsDiffer(copy, curve));
    copy[8] = 1.0f;
    EXPECT_EQ(1, codec.NineFloatsDiffer(copy, curve));
}
