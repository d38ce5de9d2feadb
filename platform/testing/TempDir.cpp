#include "platform/testing/TempDir.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Paths.h"

namespace platform::testing {

TempDir::TempDir() {
    std::string pattern = TempDirectory() + "/tessaro-test-XXXXXX";
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? std::string(made) : pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace platform::testing
