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

// In memory (tmpfs) where there is one, since every save flushes the file to its disk.
char g_inMemory[] = "/dev/shm/tessaro-ini-fuzz-XXXXXX";
char g_onDisk[] = "/tmp/tessaro-ini-fuzz-XXXXXX";
const char* g_folder = nullptr;

std::string ScratchFile() {
    if (!g_folder) {
        g_folder = ::mkdtemp(g_inMemory);
        if (!g_folder) g_folder = ::mkdtemp(g_onDisk);
        if (!g_folder) std::abort();
        std::atexit([] { std::filesystem::remove_all(g_folder); });
    }
    return std::string(g_folder) + "/fuzz.ini";
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
