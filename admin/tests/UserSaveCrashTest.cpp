// A save of TessaroAdmin killed at any moment, or running while Tessaro starts, must leave the
// old or the new password of every user working: never the default, never a missing user.
// The number of runs comes from TESSARO_STRESS_RUNS (30 by default).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "logon/LogonSession.h"
#include "logon/tests/LogonTestSupport.h"

namespace admin {
namespace {

using logon::PasswordHash;

int Runs() {
    const char* env = std::getenv("TESSARO_STRESS_RUNS");
    return env && std::atoi(env) > 0 ? std::atoi(env) : 30;
}

class UserSaveCrashTest : public ::testing::Test, public logon::testing::LogonFixture {
protected:
    void SetUp() override {
        logon::LogonDatabase database = Opened();
        ASSERT_EQ(database.SetPassword("Admin", PasswordHash("first")), 0);
        ASSERT_EQ(database.CreateUser("bob", 3, PasswordHash("first")), 0);
    }

    // Starts the saving process and waits until it has opened the database.
    pid_t StartSaver(int saves) {
        int out[2];
        if (::pipe(out) != 0) return -1;
        const std::string count = std::to_string(saves);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::execl(USER_SAVE_CHILD, USER_SAVE_CHILD, registry.FilePath().c_str(), SystemDir().c_str(), count.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char ready[6] = {};
        const bool started = ::read(out[0], ready, sizeof ready) == static_cast<ssize_t>(sizeof ready);
        ::close(out[0]);
        EXPECT_TRUE(started);
        return pid;
    }

    // What the next start of Tessaro finds: both users there with one of the two passwords,
    // and nothing to report.
    void ExpectStartFindsOldOrNew() {
        logon::LogonDatabase database = MakeDatabase();
        logon::LogonSession session(database);
        session.Open();
        for (const char* name : {"Admin", "bob"}) {
            const logon::LogonInfo* user = database.Find(name);
            ASSERT_NE(user, nullptr) << name << " is missing";
            EXPECT_TRUE(user->key1 == PasswordHash("first") || user->key1 == PasswordHash("second"))
                << name << " has neither password (" << user->key1 << ")";
        }
        EXPECT_TRUE(ui.Messages().empty()) << ui.Last().text;
    }

    std::vector<std::string> Temporaries() {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            if (entry.path().filename().string().find(".tmp") != std::string::npos ||
                entry.path().extension() == ".new")
                found.push_back(entry.path().filename());
        return found;
    }
};

TEST_F(UserSaveCrashTest, KilledSavesLeaveOldOrNewPasswords) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> delayUs(0, 8000);
    for (int run = 0; run < Runs(); ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const pid_t saver = StartSaver(0);
        ASSERT_GT(saver, 0);
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(saver, SIGKILL);
        int status = 0;
        ::waitpid(saver, &status, 0);
        ExpectStartFindsOldOrNew();
        if (HasFailure()) return;
    }
    // The next save clears what the killed ones left behind.
    logon::LogonDatabase database = Opened();
    ASSERT_EQ(database.SetPassword("Admin", PasswordHash("first")), 0);
    EXPECT_EQ(Temporaries(), std::vector<std::string>{});
}

TEST_F(UserSaveCrashTest, StartsWhileSavingSeeOldOrNewPasswords) {
    const pid_t saver = StartSaver(0);
    ASSERT_GT(saver, 0);
    for (int run = 0; run < Runs() && !HasFailure(); ++run) ExpectStartFindsOldOrNew();
    ::kill(saver, SIGKILL);
    int status = 0;
    ::waitpid(saver, &status, 0);
}

}  // namespace
}  // namespace admin
