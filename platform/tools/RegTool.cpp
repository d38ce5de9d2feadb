// tessaro-reg: reads and writes the registry stand-in from the command line (set-up scripts
// and support use it).
//   tessaro-reg set-string 'HKEY_LOCAL_MACHINE\KEY' NAME VALUE
//   tessaro-reg set-dword  'HKEY_LOCAL_MACHINE\KEY' NAME NUMBER
//   tessaro-reg get        'HKEY_LOCAL_MACHINE\KEY' NAME
//   tessaro-reg list       'HKEY_LOCAL_MACHINE\KEY'
//   tessaro-reg delete-key 'HKEY_LOCAL_MACHINE\KEY'
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Registry.h"
#include "platform/RegistryFile.h"

using namespace platform;

namespace {

bool SplitRoot(const std::string& full, RegRoot& root, std::string& key) {
    const RegRoot roots[] = {RegRoot::ClassesRoot, RegRoot::CurrentUser, RegRoot::LocalMachine, RegRoot::Users};
    size_t slash = full.find('\\');
    std::string first = full.substr(0, slash);
    for (RegRoot r : roots) {
        if (EqualsNoCase(first, RootName(r)) || (EqualsNoCase(first, "HKLM") && r == RegRoot::LocalMachine) ||
            (EqualsNoCase(first, "HKCU") && r == RegRoot::CurrentUser)) {
            root = r;
            key = slash == std::string::npos ? std::string() : full.substr(slash + 1);
            return true;
        }
    }
    return false;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tessaro-reg set-string|set-dword KEY NAME VALUE\n"
                 "       tessaro-reg get KEY NAME | list KEY | delete-key KEY\n"
                 "KEY begins with HKEY_LOCAL_MACHINE (or HKLM) or HKEY_CURRENT_USER (or HKCU).\n");
    return 2;
}

int Report(Registry& reg, int status) {
    if (status != REG_OK) std::fprintf(stderr, "tessaro-reg: failed (%d) %s\n", status, reg.LastError().c_str());
    return status == REG_OK ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string cmd = argv[1];
    RegRoot root;
    std::string key;
    if (!SplitRoot(argv[2], root, key)) return Usage();
    Registry& reg = Registry::Instance();
    if (cmd == "set-string" && argc == 5) return Report(reg, reg.SetString(root, key, argv[3], argv[4]));
    if (cmd == "set-dword" && argc == 5)
        return Report(reg, reg.SetDword(root, key, argv[3], static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 0))));
    if (cmd == "delete-key" && argc == 3) return Report(reg, reg.DeleteKey(root, key));
    if (cmd == "get" && argc == 4) {
        RegValue v;
        int status = reg.GetValue(root, key, argv[3], v);
        if (status == REG_OK)
            std::printf("%s\n", v.type == RegType::Dword ? std::to_string(v.number).c_str() : v.text.c_str());
        return Report(reg, status);
    }
    if (cmd == "list" && argc == 3) {
        std::vector<std::string> keys;
        std::vector<RegValue> values;
        int status = reg.EnumSubKeys(root, key, keys);
        if (status == REG_OK) status = reg.EnumValues(root, key, values);
        for (const auto& k : keys) std::printf("[%s]\n", k.c_str());
        for (const auto& v : values)
            std::printf("%s = %s\n", v.name.empty() ? "(default)" : v.name.c_str(),
                        v.type == RegType::Dword ? std::to_string(v.number).c_str() : ("\"" + v.text + "\"").c_str());
        return Report(reg, status);
    }
    return Usage();
}
