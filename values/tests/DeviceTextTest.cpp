#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/testing/ScriptedUi.h"
#include "values/ValueCodec.h"

using namespace values;

namespace {

std::string Pick(const char* text, size_t length) { return ValueCodec::Instance().PickEnglishText(text, length); }
std::string Pick(const char* text) { return Pick(text, std::strlen(text)); }

}  // namespace

TEST(PickEnglishText, WithoutMarkerKeepsTextWithoutLeadingBlanks) {
    EXPECT_EQ("Travel Target  ", Pick("   Travel Target  "));
    EXPECT_EQ("Trav", Pick("Travel Target", 4));
    EXPECT_EQ("", Pick(""));
}

TEST(PickEnglishText, MarkerSelectsTheEnglishPart) {
    EXPECT_EQ("Valve position", Pick("|de|Ventilstellung|en| Valve position|fr|Position"));
    EXPECT_EQ("Setpoint", Pick("|en|Setpoint"));
    // A text cut before the marker has no English part to select.
    const char* text = "|de|Sollwert|en|Setpoint";
    EXPECT_EQ("|de|Sollwert", Pick(text, 12));
}

TEST(UnitText, ToAscii) {
    ValueCodec& codec = ValueCodec::Instance();
    EXPECT_EQ("lb/in2", codec.UnitToAscii("lb/in\xB2"));
    EXPECT_EQ("m3/h", codec.UnitToAscii("m\xB3/h"));
    EXPECT_EQ("uS/cm", codec.UnitToAscii("\xB5S/cm"));
    EXPECT_EQ("m\xB5", codec.UnitToAscii("m\xB5"));  // micro only replaced at the start
    EXPECT_EQ("angstrom", codec.UnitToAscii("\xC5"));
    EXPECT_EQ("degC", codec.UnitToAscii("\xB0" "C"));
    EXPECT_EQ("degF", codec.UnitToAscii("\xB0" "F"));
    EXPECT_EQ("degR", codec.UnitToAscii("\xB0" "R"));
    EXPECT_EQ("deg", codec.UnitToAscii("\xB0"));
    EXPECT_EQ("\xB0/s", codec.UnitToAscii("\xB0/s"));
}

TEST(UnitText, ToDisplay) {
    ValueCodec& codec = ValueCodec::Instance();
    EXPECT_EQ("lb/in\xB2", codec.UnitToDisplay("lb/in2"));
    EXPECT_EQ("inH2O", codec.UnitToDisplay("inH2O"));
    EXPECT_EQ("m\xB3/h", codec.UnitToDisplay("m3/h"));
    EXPECT_EQ("\xB5S/cm", codec.UnitToDisplay("uS/cm"));
    EXPECT_EQ("%", codec.UnitToDisplay("%"));
    EXPECT_EQ("\xC5", codec.UnitToDisplay("angstrom"));
    EXPECT_EQ("\xB0" "C", codec.UnitToDisplay("degC"));
    EXPECT_EQ("\xB0", codec.UnitToDisplay("deg"));
    EXPECT_EQ("deg/s", codec.UnitToDisplay("deg/s"));
}

TEST(FileNameCharacters, ReplaceModeMakesEveryForbiddenCharacterAnUnderscore) {
    platform::testing::ScriptedUi ui;
    ValueCodec& codec = ValueCodec::Instance();
    std::string tag = "FV/101";
    EXPECT_FALSE(codec.CheckFileNameCharacters(tag, true));
    EXPECT_EQ("FV_101", tag);
    std::string all = "a\\b/c:d*e?f\"g<h>i|j";
    EXPECT_FALSE(codec.CheckFileNameCharacters(all, true));
    EXPECT_EQ("a_b_c_d_e_f_g_h_i_j", all);
    std::string clean = "FV-101 valve.dmp";
    EXPECT_TRUE(codec.CheckFileNameCharacters(clean, true));
    EXPECT_EQ("FV-101 valve.dmp", clean);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(FileNameCharacters, CheckModeNamesTheFirstForbiddenCharacterInScanOrder) {
    platform::testing::ScriptedUi ui;
    ValueCodec& codec = ValueCodec::Instance();
    std::string text = "a|b/c";  // slash is scanned before the vertical bar
    EXPECT_FALSE(codec.CheckFileNameCharacters(text, false));
    EXPECT_EQ("a|b/c", text);
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("The character \" / \" is not allowed", ui.Last().text);
    std::string clean = "plain";
    EXPECT_TRUE(codec.CheckFileNameCharacters(clean, false));
    EXPECT_EQ(1u, ui.Messages().size());
}

TEST(ResourceStrings, MissingIdIsReportedOnlyWhileShiftIsHeld) {
    platform::testing::ScriptedUi ui;
    RegisterResourceString(2, "BRKKTE");
    EXPECT_EQ("BRKKTE", LoadResourceString(2));
    EXPECT_EQ("", LoadResourceString(31999));
    EXPECT_TRUE(ui.Messages().empty());
    ui.SetKeyDown(platform::Key::Shift, true);
    EXPECT_EQ("BRKKTE", LoadResourceString(2));
    EXPECT_EQ("", LoadResourceString(31999));
    ASSERT_EQ(1u, ui.Messages().size());
    EXPECT_EQ("Error loading string with ID 31999", ui.Last().text);
}
