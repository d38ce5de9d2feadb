// The program's tests keep to folders of their own: before every test, the program folder,
// the registry file and the system folder point into a temporary folder unless the caller
// chose them (as the test command does). Run by hand, the tests then never seed or change
// the user's own program folder or registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/testing/TempDir.h"

namespace {

class OwnFolders : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        SetIfUnset("TESSARO_HOME", dir_.File("home"));
        SetIfUnset("TESSARO_REGISTRY", dir_.File("registry.dat"));
        SetIfUnset("TESSARO_SYSTEM_DIR", dir_.File("system"));
    }

private:
    static void SetIfUnset(const char* name, const std::string& value) {
        const char* current = std::getenv(name);
        if (current == nullptr || *current == '\0') setenv(name, value.c_str(), 1);
    }
    platform::testing::TempDir dir_;
};

const bool kInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new OwnFolders);
    return true;
}();

}  // namespace
