#include <gtest/gtest.h>

#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"
#include "platform/testing/TempDir.h"

using namespace platform;

TEST(ProfileFile, KeysWithBlanksAndPercentAreKeptVerbatimAndFoundWithoutCase) {
    platform::testing::TempDir dir;
    const std::string ini = dir.File("Tessaro.ini");
    ASSERT_TRUE(WritePrivateProfileString("Diagnostics", "Signature Interval(sec)", "30", ini));
    ASSERT_TRUE(WritePrivateProfileString("Diagnostics", "Step Response Time(%)", "86.5", ini));
    ASSERT_TRUE(WritePrivateProfileString("Signature", "DefaultStepSize", "5", ini));

    EXPECT_EQ("30", GetPrivateProfileString("DIAGNOSTICS", "signature interval(SEC)", "x", ini));
    EXPECT_EQ("86.5", GetPrivateProfileString("diagnostics", "Step Response Time(%)", "x", ini));
    EXPECT_EQ(5, GetPrivateProfileInt("signature", "defaultstepsize", 0, ini));
    EXPECT_EQ(7, GetPrivateProfileInt("signature", "missing", 7, ini));
    EXPECT_EQ("d", GetPrivateProfileString("Nope", "Signature Interval(sec)", "d", ini));

    std::string text;
    ASSERT_TRUE(ReadWholeFile(ini, text));
    EXPECT_NE(std::string::npos, text.find("Signature Interval(sec)=30"));
    EXPECT_NE(std::string::npos, text.find("Step Response Time(%)=86.5"));
}

TEST(ProfileFile, RewritingKeepsSpellingCommentsAndOtherSections) {
    platform::testing::TempDir dir;
    const std::string ini = dir.File("a.ini");
    ASSERT_TRUE(WriteFileAtomically(ini, "; settings\r\n[Trend]\r\nChannel1=1\r\n\r\n[Other]\r\nX=y\r\n"));
    ASSERT_TRUE(WritePrivateProfileString("TREND", "CHANNEL1", "0", ini));
    ASSERT_TRUE(WritePrivateProfileString("trend", "Channel2", "1", ini));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(ini, text));
    EXPECT_EQ("; settings\r\n[Trend]\r\nChannel1=0\r\nChannel2=1\r\n\r\n[Other]\r\nX=y\r\n", text);
    ASSERT_TRUE(DeletePrivateProfileKey("Trend", "channel1", ini));
    EXPECT_EQ("gone", GetPrivateProfileString("Trend", "Channel1", "gone", ini));
    EXPECT_EQ("y", GetPrivateProfileString("Other", "X", "", ini));
}
