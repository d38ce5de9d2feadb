// A plug-in killed (SIGKILL) while it overwrites a data set leaves the host's database file
// with the old data set or the new one, whole, never a mixture or a damaged file.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "config/ConfigDatabase.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/testing/TempDir.h"
#include "plugin/QamHostDatabase.h"
#include "plugin/QamLibrary.h"

namespace {

const plugin::QamSessionInfo kWho{"S1", "host-1", "tech", "42524B0001J0000010", "FV-101"};

struct Stop {
    int pipe;
    const char* function;
    unsigned call;
};

// In the child: tells the parent and waits to be killed once `function` is called the
// `call`-th time.
void StopThere(const char* function, unsigned call, void* context) {
    auto* stop = static_cast<Stop*>(context);
    if (std::strcmp(function, stop->function) != 0 || call != stop->call) return;
    const char byte = 'x';
    if (write(stop->pipe, &byte, 1) != 1) _exit(3);
    for (;;) pause();
}

class KillDuringSave : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(0, library.Load({QAMZ_LIBRARY}, why)) << why;
        qamZTestReset();
        SaveSet(120.0f, {});
    }
    void TearDown() override { qamZTestReset(); }

    // Saves data set "Set" with that servo gain in a session of its own (replacing one).
    int SaveSet(float gain, const std::string& replaces) {
        plugin::QamHostDatabase host(library.Api());
        if (host.Open(path, kWho) != 0) return 1;
        config::CConfigData data;
        data.position.servoGain = gain;
        config::ConfigDatabase database(host, data);
        return database.SaveConfigurationSet("Set", replaces);
    }
    // The servo gain of data set "Set" and the number of its entries, read afresh.
    std::pair<float, int> ReadSet() {
        plugin::QamHostDatabase host(library.Api());
        EXPECT_EQ(0, host.Open(path, kWho));
        int entries = 0;
        for (const config::HostListSpec& list : config::HostLists()) {
            std::vector<config::HostEntry> found;
            EXPECT_EQ(0, host.SearchList(list, found));
            entries += static_cast<int>(found.size());
        }
        config::CConfigData data;
        data.position.servoGain = -1;
        config::ConfigDatabase database(host, data);
        EXPECT_EQ(0, database.LoadConfigurationSet("Set"));
        return {data.position.servoGain, entries};
    }
    // Forks a plug-in that overwrites "Set" with gain 77 and is killed at the given call.
    void KillOverwriteAt(const char* function, unsigned call) {
        int fds[2];
        ASSERT_EQ(0, pipe(fds));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            Stop stop{fds[1], function, call};
            qamZTestReset();
            qamZTestSetHook(&StopThere, &stop);
            SaveSet(77.0f, "Set");
            _exit(2);  // the hook never let it get here
        }
        close(fds[1]);
        pollfd wait{fds[0], POLLIN, 0};
        const bool stopped = poll(&wait, 1, 20000) == 1;
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(fds[0]);
        ASSERT_TRUE(stopped) << "the plug-in did not reach " << function;
        ASSERT_TRUE(WIFSIGNALED(status));
    }

    platform::testing::TempDir dir;
    platform::testing::ScriptedUi ui;
    std::string path = dir.File("QAM.db");
    plugin::QamLibrary library;
};

}  // namespace

TEST_F(KillDuringSave, KilledHalfWayThroughTheNewListsTheOldSetStaysWhole) {
    KillOverwriteAt("qamZDBSaveParamList", 5);
    EXPECT_EQ((std::pair<float, int>{120.0f, 7}), ReadSet());
}

TEST_F(KillDuringSave, KilledWhileTheOldListsAreRemovedTheOldSetStaysWhole) {
    KillOverwriteAt("qamZDBDeleteParamListDb", 3);
    EXPECT_EQ((std::pair<float, int>{120.0f, 7}), ReadSet());
}

TEST_F(KillDuringSave, KilledAfterTheOverwriteCommittedTheNewSetIsThere) {
    KillOverwriteAt("qamZCloseSession", 1);
    EXPECT_EQ((std::pair<float, int>{77.0f, 7}), ReadSet());
}
