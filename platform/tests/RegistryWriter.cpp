// Helper process for the registry tests: writes N values under Writers\P<who>, each write a
// separate read-modify-replace of the shared file.
#include <cstdlib>
#include <string>

#include "platform/Registry.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    platform::Registry reg(argv[1]);
    const std::string key = std::string("Writers\\P") + argv[2];
    const int n = std::atoi(argv[3]);
    for (int i = 0; i < n; ++i)
        if (reg.SetDword(platform::RegRoot::LocalMachine, key, "v" + std::to_string(i), static_cast<uint32_t>(i)) != 0)
            return 1;
    return 0;
}
