// JSON for segment files and control commands: errors name their place, and the member
// readers refuse what does not fit instead of casting it.
#include <gtest/gtest.h>

#include "simulator/Json.h"

namespace simulator {
namespace {

TEST(Json, ReportsTheFirstErrorWithItsLineAndColumn) {
    JsonValue v;
    std::string error;
    EXPECT_FALSE(ParseJson("{\n  \"a\": 1,\n  \"b\" 2\n}", v, error));
    EXPECT_EQ(error.rfind("line 3, column 7: ", 0), 0u) << error;
    for (const char* bad : {"[1, 2", "{} trailing", "\"bad \\q escape\"", "01x", "", "1e400", "\"\xff\""})
        EXPECT_FALSE(ParseJson(bad, v, error)) << bad;
    const std::string doc = R"({"interfaces":[{"name":"I","devices":[{"tag":"A\u0041","address":20}]}]})";
    for (size_t n = 0; n < doc.size(); ++n) EXPECT_FALSE(ParseJson(doc.substr(0, n), v, error)) << n;
    EXPECT_FALSE(ParseJson(std::string(100000, '['), v, error));
    EXPECT_NE(error.find("nesting too deep"), std::string::npos);
    // Brackets inside texts are not nesting.
    EXPECT_TRUE(ParseJson(R"({"a":")" + std::string(1000, '[') + R"("})", v, error)) << error;
    // Long input costs time in proportion to its length (a megabyte in well under a second).
    std::string big = "[";
    for (int i = 0; i < 100000; ++i) big += "1234567,";
    big += "0]";
    EXPECT_TRUE(ParseJson(big, v, error));
}

TEST(Json, MemberReadersRefuseWrongTypesAndNumbersOutOfRange) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"n":20,"f":20.0,"half":20.5,"neg":-1,"huge":1e300,"t":"x","b":true})", v, error));
    int64_t whole = 7;
    EXPECT_TRUE(ReadWhole(v, "absent", 0, 10, whole, error));
    EXPECT_EQ(whole, 7);
    EXPECT_TRUE(ReadWhole(v, "f", 0, 100, whole, error));
    EXPECT_EQ(whole, 20);
    for (const char* key : {"half", "neg", "huge", "t", "b"}) {
        error.clear();
        EXPECT_FALSE(ReadWhole(v, key, 0, 100, whole, error)) << key;
        EXPECT_EQ(error, std::string(key) + " must be a whole number from 0 to 100");
    }
    double real = 0;
    EXPECT_FALSE(ReadReal(v, "huge", 0.01, 1000, real, error));
    EXPECT_FALSE(ReadReal(v, "t", 0, 1, real, error));
    std::string text;
    EXPECT_FALSE(ReadText(v, "n", text, error));
    EXPECT_EQ(error, "n must be a text, not a number");
    bool flag = false;
    EXPECT_FALSE(ReadFlag(v, "t", flag, error));
    EXPECT_TRUE(ReadFlag(v, "b", flag, error));
    EXPECT_TRUE(flag);
}

}  // namespace
}  // namespace simulator
