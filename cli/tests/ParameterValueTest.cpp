// Typed values from the command line into wire bytes and back.
#include <gtest/gtest.h>

#include "cli/ParameterValue.h"
#include "nifb/nifb.h"

namespace clitest {
namespace {

using cli::ParseSimple;
using cli::ValueType;

std::vector<uint8_t> Parsed(const ValueType& type, const std::string& text, std::string* error = nullptr) {
    std::vector<uint8_t> bytes;
    std::string message;
    if (ParseSimple(type, text, bytes, message) != 0) {
        if (error) *error = message;
        return {};
    }
    return bytes;
}

TEST(ParameterValue, EnumerationsAndBitStringsByTheirTextsOrNumbers) {
    const ValueType action{NIF_DT_UINT8, 1, {{NIF_ITEM_ENUM, 1, "|en|Air To Open"}, {NIF_ITEM_ENUM, 2, "|en|Air To Close|de|Luft zu"}}};
    EXPECT_EQ((std::vector<uint8_t>{2}), Parsed(action, " air to close "));
    EXPECT_EQ((std::vector<uint8_t>{1}), Parsed(action, "1"));
    std::string error;
    EXPECT_TRUE(Parsed(action, "Air", &error).empty());
    EXPECT_EQ("Error: \"Air\" is none of the choices: \"Air To Open\" (1), \"Air To Close\" (2).", error);
    // A number that is no choice is refused before anything is written.
    EXPECT_TRUE(Parsed(action, "7", &error).empty());
    EXPECT_EQ("Error: \"7\" is none of the choices: \"Air To Open\" (1), \"Air To Close\" (2).", error);
    EXPECT_EQ("Air To Close (2)", cli::FormatSimple(action, std::vector<uint8_t>{2}.data(), 1).text);

    // Bit k of the parameter is the k-th bit from the top of the first octet on the wire.
    const ValueType options{NIF_DT_BSTRING, 2, {{NIF_ITEM_BIT, 0x1, "|en|Invert"}, {NIF_ITEM_BIT, 0x8000, "|en|Last"}}};
    EXPECT_EQ((std::vector<uint8_t>{0x80, 0x01}), Parsed(options, "Invert+last"));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00}), Parsed(options, "none"));
    EXPECT_EQ((std::vector<uint8_t>{0x80, 0x00}), Parsed(options, "0x1"));
    EXPECT_TRUE(Parsed(options, "Invert+Other", &error).empty());
    EXPECT_EQ("0x8001 (Invert, Last)", cli::FormatSimple(options, std::vector<uint8_t>{0x80, 0x01}.data(), 2).text);
}

TEST(ParameterValue, ChoicesWithDegreeSignsAreTypedInUtf8) {
    // The device's texts are Latin-1; a terminal types UTF-8.
    const ValueType unit{NIF_DT_UINT16, 2, {{NIF_ITEM_ENUM, 1001, "|en|\xB0" "C"}, {NIF_ITEM_ENUM, 1002, "|en|\xB0" "F"}}};
    EXPECT_EQ((std::vector<uint8_t>{0x03, 0xEA}), Parsed(unit, "\xC2\xB0" "F"));
    EXPECT_EQ((std::vector<uint8_t>{0x03, 0xE9}), Parsed(unit, "\xB0" "c"));
    std::string error;
    EXPECT_TRUE(Parsed(unit, "\xC2\xB0" "K", &error).empty());
    EXPECT_EQ("Error: \"\xC2\xB0" "K\" is none of the choices: \"\xC2\xB0" "C\" (1001), \"\xC2\xB0" "F\" (1002).", error);
}

TEST(ParameterValue, NumbersAreCheckedAgainstTheirType) {
    const ValueType gain{NIF_DT_FLOAT, 4, {}};
    EXPECT_EQ((std::vector<uint8_t>{0x43, 0x02, 0x00, 0x00}), Parsed(gain, "130"));
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x80, 0x00, 0x00}), Parsed(gain, "-1.#INF"));
    EXPECT_EQ("1.#INF", cli::FormatSimple(gain, std::vector<uint8_t>{0x7F, 0x80, 0x00, 0x00}.data(), 4).text);
    std::string error;
    EXPECT_TRUE(Parsed(gain, "12x", &error).empty());
    EXPECT_TRUE(Parsed(gain, "1e39").empty());
    EXPECT_TRUE(Parsed(gain, "nan").empty());

    const ValueType count{NIF_DT_UINT16, 2, {}};
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x00}), Parsed(count, "0x100"));
    EXPECT_TRUE(Parsed(count, "65536", &error).empty());
    EXPECT_EQ("Error: \"65536\" is not a whole number from 0 to 65535.", error);
    EXPECT_TRUE(Parsed(count, "-1").empty());
    EXPECT_EQ("20 (0x0014)", cli::FormatSimple(count, std::vector<uint8_t>{0x00, 0x14}.data(), 2).text);

    const ValueType signedByte{NIF_DT_INT8, 1, {}};
    EXPECT_EQ((std::vector<uint8_t>{0x80}), Parsed(signedByte, "-128"));
    EXPECT_TRUE(Parsed(signedByte, "128").empty());

    const ValueType text{NIF_DT_VSTRING, 4, {}};
    EXPECT_EQ((std::vector<uint8_t>{'a', 'b', 0, 0}), Parsed(text, "ab"));
    EXPECT_TRUE(Parsed(text, "abcde").empty());
}

}  // namespace
}  // namespace clitest
