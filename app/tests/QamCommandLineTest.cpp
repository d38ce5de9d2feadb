// The plug-in's start arguments: the host's positional arguments, named fields, values that
// arrive twice, the access rights, and the two ways start-up ends before a window exists.
#include <gtest/gtest.h>

#include "app/QamCommandLine.h"
#include "logon/CurrentUser.h"
#include "platform/testing/ScriptedUi.h"

using app::ParseQamCommandLine;

TEST(QamCommandLine, PositionalAndNamedArgumentsFillTheFieldsAndTheAccessRightsGiveTheLevel) {
    platform::testing::ScriptedUi ui;
    app::QamStartArguments a = ParseQamCommandLine(
        {"S7", "host-1", "Interface0-0/FV-101", "FV-101", "42524B0001J0000010", "rw", "tech", "a,b,c,d,e"});
    EXPECT_TRUE(a.HasRequired());
    EXPECT_EQ("Interface0-0/FV-101", a.devicePath);
    EXPECT_EQ("42524B0001J0000010", a.deviceId);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d,e"}), a.hostValues);
    EXPECT_EQ(9u, app::QamUserLevel(a));
    a.accessRights = "R";
    EXPECT_EQ(2u, app::QamUserLevel(a));

    // Named out of order; a path beginning with a slash is a value, not a name.
    a = ParseQamCommandLine({"-ID", "42524B0001J0000010", "-tag", "FV-101", "/path", "/H1/FV-101", "-session", "S7"});
    EXPECT_EQ("/H1/FV-101", a.devicePath);
    EXPECT_EQ("FV-101", a.deviceTag);
    EXPECT_TRUE(a.HasRequired());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST(QamCommandLine, AValueArrivingAtAFilledFieldIsAppendedAndTheUserIsTold) {
    platform::testing::ScriptedUi ui;
    const app::QamStartArguments a = ParseQamCommandLine(
        {"S7", "host", "path", "FV", "ID", "-host", "two", "-path", "p2", "-tag", "101", "-id", "X", "-session", "S8"});
    EXPECT_EQ("FV 101", a.deviceTag);
    EXPECT_EQ("ID X", a.deviceId);
    EXPECT_EQ("S7 S8", a.sessionId);
    EXPECT_EQ((std::vector<std::string>{"The HOST name is not passed correctly.", "The device path is not passed correctly.",
                                        "The device tag is not passed correctly.", "The device ID is not passed correctly."}),
              ui.Texts());
}

TEST(QamCommandLine, StartUpEndsWithoutTheHostLibraryOrWithoutARequiredArgument) {
    platform::testing::ScriptedUi ui;
    app::QamStartArguments start;
    EXPECT_EQ(1, app::StartQamPlugIn({"S7", "h", "p", "FV-101", "ID"}, [] { return 1; }, start));
    EXPECT_EQ("Fail to load qamZ.dll, please put the qamZ.dll in your current directory.", ui.Last().text);
    for (int missing : {0, 2, 3, 4}) {
        std::vector<std::string> args{"S7", "h", "p", "FV-101", "ID"};
        args[static_cast<size_t>(missing)] = "";
        EXPECT_EQ(1, app::StartQamPlugIn(args, [] { return 0; }, start)) << missing;
        EXPECT_EQ("Invalid start arguments.", ui.Last().text);
        EXPECT_EQ(platform::MB_ICONSTOP, ui.Last().icon);
    }
    // Without a host name the plug-in still starts, as a reader.
    EXPECT_EQ(0, app::StartQamPlugIn({"S7", "", "p", "FV-101", "ID"}, [] { return 0; }, start));
    EXPECT_EQ(2u, logon::CurrentUser::Level());
}
