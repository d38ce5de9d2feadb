// The JSON reader: what segment files and control commands need, and clear refusals.
#include <gtest/gtest.h>

#include "simulator/Json.h"

namespace simulator {
namespace {

TEST(Json, ReadsObjectsArraysAndScalars) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"a": 1.5, "b": [true, false, null], "c": "x\"\u00e9\n", "d": {"e": -2e3}})", v, error))
        << error;
    EXPECT_DOUBLE_EQ(v.GetNumber("a"), 1.5);
    ASSERT_TRUE(v.Find("b")->IsArray());
    EXPECT_EQ(v.Find("b")->Items().size(), 3u);
    EXPECT_TRUE(v.Find("b")->Items()[2].IsNull());
    EXPECT_EQ(v.GetString("c"), "x\"\xC3\xA9\n");
    EXPECT_DOUBLE_EQ(v.Find("d")->GetNumber("e"), -2000);
    EXPECT_EQ(v.GetString("missing", "fallback"), "fallback");
    EXPECT_EQ(v.GetNumber("c", 7), 7);  // wrong type: the fallback
}

TEST(Json, ReportsTheFirstErrorWithItsPosition) {
    JsonValue v;
    std::string error;
    EXPECT_FALSE(ParseJson("{\n  \"a\": 1,\n  \"b\" 2\n}", v, error));
    EXPECT_EQ(error, "line 3, column 7: expected ':'");
    EXPECT_FALSE(ParseJson("[1, 2", v, error));
    EXPECT_NE(error.find("unterminated array"), std::string::npos);
    EXPECT_FALSE(ParseJson("{} trailing", v, error));
    EXPECT_FALSE(ParseJson("\"bad \\q escape\"", v, error));
    EXPECT_FALSE(ParseJson("01x", v, error));
    EXPECT_FALSE(ParseJson("", v, error));
}

TEST(Json, SurvivesTruncatedGarbageAndDeepNesting) {
    const std::string doc = R"({"interfaces":[{"name":"I","devices":[{"tag":"A\u0041","address":20}]}]})";
    JsonValue v;
    std::string error;
    for (size_t n = 0; n < doc.size(); ++n) EXPECT_FALSE(ParseJson(doc.substr(0, n), v, error)) << n;
    std::string garbage;
    for (int i = 0; i < 2000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    EXPECT_FALSE(ParseJson(garbage, v, error));
    EXPECT_FALSE(ParseJson(std::string(100000, '['), v, error));
    EXPECT_NE(error.find("nesting too deep"), std::string::npos);
}

TEST(Json, DumpReadsBackTheSameValue) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(R"({"ok":true,"n":3,"list":["a\tb",1.25]})", v, error));
    JsonValue again;
    ASSERT_TRUE(ParseJson(v.Dump(), again, error));
    EXPECT_EQ(again.Dump(), v.Dump());
    EXPECT_EQ(v.Dump(), R"({"ok":true,"n":3,"list":["a\tb",1.25]})");
}

}  // namespace
}  // namespace simulator
