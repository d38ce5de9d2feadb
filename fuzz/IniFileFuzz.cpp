// Profile (.ini) files: reads of any file content, and a write followed by a read of the same
// key, which must give the written value.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/ProfileFile.h"

namespace {

std::string ScratchFile() {
    static const std::string path = [] {
        char folder[] = "/tmp/tessaro-ini-fuzz-XXXXXX";
        if (!::mkdtemp(folder)) std::abort();
        std::atexit([] { std::filesystem::remove_all(std::filesystem::path(ScratchFile()).parent_path()); });
        return std::string(folder) + "/fuzz.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = ScratchFile();
    if (!platform::WriteFileAtomically(file, std::string(reinterpret_cast<const char*>(data), size))) std::abort();
    platform::GetPrivateProfileString("Trend", "Channel1", "", file);
    platform::GetPrivateProfileInt("Diagnostics", "Signature Interval(sec)", 7, file);
    platform::DeletePrivateProfileKey("Other", "X", file);
    if (!platform::WritePrivateProfileString("Trend", "Step Response Time(%)", "86.5", file)) std::abort();
    if (platform::GetPrivateProfileString("trend", "STEP RESPONSE TIME(%)", "", file) != "86.5") std::abort();
    return 0;
}
