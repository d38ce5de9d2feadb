// Item encodings of configuration files: length prefixes, lists, dates, raw floats, the
// unit-symbol conversion of list texts, and refusal of lengths the file cannot hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "ConfigTestSupport.h"
#include "config/ConfigArchive.h"

using config::ConfigArchive;
using configtest::B;

namespace {

std::string StoredText(const std::string& text) {
    ConfigArchive ar;
    std::string copy = text;
    ar.Text(copy);
    return ar.Bytes();
}

std::string StoredList(std::vector<std::string> texts) {
    ConfigArchive ar;
    ar.TextList(texts);
    return ar.Bytes();
}

std::vector<std::string> LoadedList(const std::string& bytes) {
    ConfigArchive ar(bytes);
    std::vector<std::string> texts{"left over"};
    ar.TextList(texts);
    EXPECT_TRUE(ar.Ok()) << ar.Error();
    return texts;
}

}  // namespace

TEST(ConfigArchive, TextLengthPrefixes) {
    EXPECT_EQ(StoredText(""), B("\x00"));
    EXPECT_EQ(StoredText("abc"), B("\x03" "abc"));
    EXPECT_EQ(StoredText(std::string(254, 'x')).substr(0, 1), B("\xFE"));
    EXPECT_EQ(StoredText(std::string(255, 'x')).substr(0, 3), B("\xFF\xFF\x00"));
    EXPECT_EQ(StoredText(std::string(0xFFFD, 'x')).substr(0, 3), B("\xFF\xFD\xFF"));
    const std::string huge = StoredText(std::string(0xFFFE, 'x'));
    EXPECT_EQ(huge.substr(0, 7), B("\xFF\xFF\xFF\xFE\xFF\x00\x00"));
    EXPECT_EQ(huge.size(), 7u + 0xFFFE);

    for (size_t length : {0u, 1u, 254u, 255u, 300u, 0xFFFDu, 0xFFFEu, 0x10005u}) {
        const std::string text(length, 'q');
        const std::string bytes = StoredText(text);
        ConfigArchive in(bytes);
        std::string read = "old";
        in.Text(read);
        EXPECT_TRUE(in.Ok());
        EXPECT_EQ(read, text);
        EXPECT_EQ(in.Remaining(), 0u);
    }
}

TEST(ConfigArchive, LongPrefixForAShortTextIsAccepted) {
    const std::string bytes = B("\xFF\x02\x00" "ab");
    ConfigArchive ar(bytes);
    std::string text;
    ar.Text(text);
    EXPECT_TRUE(ar.Ok());
    EXPECT_EQ(text, "ab");
}

TEST(ConfigArchive, TwoByteCharacterMarkerIsRefused) {
    const std::string bytes = B("\xFF\xFE\xFF\x02" "ab");
    ConfigArchive ar(bytes);
    std::string text = "kept";
    ar.Text(text);
    EXPECT_FALSE(ar.Ok());
    EXPECT_EQ(text, "kept");
}

TEST(ConfigArchive, UnitSymbolsOfListTexts) {
    // Written in display form: superscripts, micro sign, degree sign, A with ring.
    EXPECT_EQ(StoredList({"m3/h"}), B("\x01\x00\x00\x00\x04m\xB3/h"));
    EXPECT_EQ(StoredList({"inH2O"}), B("\x01\x00\x00\x00\x05inH2O"));
    EXPECT_EQ(StoredList({"degC"}), B("\x01\x00\x00\x00\x02\xB0" "C"));
    EXPECT_EQ(StoredList({"deg"}), B("\x01\x00\x00\x00\x01\xB0"));
    EXPECT_EQ(StoredList({"g/cm2"}), B("\x01\x00\x00\x00\x05g/cm\xB2"));
    EXPECT_EQ(StoredList({"uS/cm"}), B("\x01\x00\x00\x00\x05\xB5S/cm"));
    EXPECT_EQ(StoredList({"angstrom"}), B("\x01\x00\x00\x00\x01\xC5"));
    EXPECT_EQ(StoredList({}), B("\x00\x00\x00\x00"));

    // Read back in ASCII form; the list is replaced, not appended to.
    const std::vector<std::string> texts{"m3/h", "inH2O", "degC", "degF", "degR", "deg", "uS/cm", "angstrom", "%"};
    EXPECT_EQ(LoadedList(StoredList(texts)), texts);
    // A device's Latin-1 text comes back in ASCII form.
    EXPECT_EQ(LoadedList(StoredList({"\xB0" "C"})), std::vector<std::string>{"degC"});
}

TEST(ConfigArchive, TextsOutsideListsAreStoredUnchanged) {
    EXPECT_EQ(StoredText("m3/h"), B("\x04m3/h"));
}

TEST(ConfigArchive, ValueListCounts) {
    ConfigArchive out;
    std::vector<uint32_t> small{1, 0x01020304};
    out.ValueList(small);
    EXPECT_EQ(out.Bytes(), B("\x02\x00\x01\x00\x00\x00\x04\x03\x02\x01"));

    ConfigArchive big;
    std::vector<uint32_t> many(0xFFFF, 7);
    big.ValueList(many);
    EXPECT_EQ(big.Bytes().substr(0, 6), B("\xFF\xFF\xFF\xFF\x00\x00"));
    ConfigArchive in(big.Bytes());
    std::vector<uint32_t> read;
    in.ValueList(read);
    EXPECT_TRUE(in.Ok());
    EXPECT_EQ(read, many);
}

TEST(ConfigArchive, DateIsThirteenBytesInFileOrder) {
    config::ConfigDate date{1, 14, 5, 30, 0x7788, 2, 3, 4, 109};
    ConfigArchive out;
    out.Date(date);
    EXPECT_EQ(out.Bytes(), B("\x01\x00\x00\x00\x0E\x05\x1E\x88\x77\x02\x03\x04\x6D"));
    ConfigArchive in(out.Bytes());
    config::ConfigDate read;
    in.Date(read);
    EXPECT_EQ(read, date);
}

TEST(ConfigArchive, FloatsKeepTheirRawBits) {
    const float plusInf = std::numeric_limits<float>::infinity();
    float values[] = {plusInf, -plusInf, std::numeric_limits<float>::quiet_NaN(), -0.0f, 0.22f};
    ConfigArchive out;
    for (float& v : values) out.F32(v);
    EXPECT_EQ(out.Bytes().substr(0, 8), B("\x00\x00\x80\x7F\x00\x00\x80\xFF"));
    ConfigArchive in(out.Bytes());
    for (const float& expected : values) {
        float read = 1.0f;
        in.F32(read);
        EXPECT_EQ(std::memcmp(&read, &expected, 4), 0);
    }
}

TEST(ConfigArchive, LengthsBeyondTheFileAreRefusedBeforeAllocating) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"text list of 4 billion texts", B("\xFF\xFF\xFF\xFF\x01" "a")},
        {"text list count one above the rest", B("\x03\x00\x00\x00\x00\x00")},
        {"value list with a u32 count", B("\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x00")},
        {"value list one value short", B("\x02\x00\x01\x00\x00\x00\x02\x00\x00")},
        {"text of 4 GB", B("\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "abc")},
        {"text one byte short", B("\x05" "abcd")},
    };
    for (const Case& c : cases) {
        ConfigArchive ar(c.bytes);
        std::vector<std::string> texts{"kept"};
        std::vector<uint32_t> values{42};
        std::string text = "kept";
        if (std::string(c.what).rfind("text list", 0) == 0)
            ar.TextList(texts);
        else if (std::string(c.what).rfind("value list", 0) == 0)
            ar.ValueList(values);
        else
            ar.Text(text);
        EXPECT_FALSE(ar.Ok()) << c.what;
        EXPECT_FALSE(ar.Error().empty()) << c.what;
        EXPECT_EQ(texts, std::vector<std::string>{"kept"}) << c.what;
        EXPECT_EQ(values, std::vector<uint32_t>{42}) << c.what;
        EXPECT_EQ(text, "kept") << c.what;
    }
}

TEST(ConfigArchive, AFailureStopsEveryLaterRead) {
    const std::string bytes = B("\x01\x02");
    ConfigArchive ar(bytes);
    uint32_t u32 = 9;
    ar.U32(u32);
    EXPECT_FALSE(ar.Ok());
    uint8_t u8 = 9;
    ar.U8(u8);
    EXPECT_EQ(u32, 9u);
    EXPECT_EQ(u8, 9u);
    EXPECT_EQ(ar.Position(), 0u);
}
