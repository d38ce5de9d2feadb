#include "config/OfflineDefault.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "config/CConfigData.h"
#include "config/ConfigFile.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Ui.h"

namespace config {

namespace {

constexpr uint64_t kNoticeMs = 1500;

bool FindDefaultFile(const CConfigData& data, const std::string& executableFolder, std::string& path,
                     std::string& bytes) {
    const bool maker = data.deviceFamily == FamilyRPX110;
    const char* names[2] = {maker ? kRpxDefaultFile : kKpxDefaultFile, maker ? kKpxDefaultFile : kRpxDefaultFile};
    for (const std::string& folder : {data.configFolder, executableFolder}) {
        if (folder.empty()) continue;
        for (const char* name : names) {
            path = platform::JoinPath(folder, name);
            std::error_code ec;
            if (std::filesystem::is_regular_file(path, ec) && platform::ReadWholeFile(path, bytes)) return true;
        }
    }
    return false;
}

}  // namespace

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

int LoadOfflineDefaultFile(CConfigData& data, std::string& resultText, const std::string& executableFolder) {
    data.quietLoad = 1;
    data.loadFailed = 0;
    std::string path;
    std::string bytes;
    int result = 0;
    if (!FindDefaultFile(data, executableFolder, path, bytes)) {
        resultText = "No default offline configuration file found";
        result = 1;
    } else {
        LoadConfiguration(data, bytes, path);
        if (data.loadFailed != 0) {
            resultText = "Wrong version of default offline configuration file.";
            platform::ShowMessage(resultText);
            result = 1;
        }
    }
    data.quietLoad = 0;
    data.loadFailed = 0;
    return result;
}

void ShowOfflineDefaultNotice(const std::string& text) {
    platform::Ui& ui = platform::GetUi();
    std::unique_ptr<platform::ProgressWindow> notice = ui.CreateProgressWindow(platform::AppCaption(), "OK");
    if (!notice) {
        platform::ShowMessage("Error: Failed to create inititial message window for offline defalut.");
        return;
    }
    notice->SetText(text);
    notice->EnableButton(false);
    platform::Clock& clock = platform::GetClock();
    const uint64_t start = clock.NowMs();
    while (clock.NowMs() - start < kNoticeMs) {
        ui.PumpMessages();
        clock.SleepMs(20);
    }
    notice->Close();
}

int LoadOfflineDefaultAtStartup(CConfigData& data, const std::string& executableFolder) {
    std::string text;
    const int result = LoadOfflineDefaultFile(data, text, executableFolder);
    if (result != 0) ShowOfflineDefaultNotice(text);
    return result;
}

std::string OfflineDefaultFileBytes(uint32_t family) {
    CConfigData defaults(family, RunMode);
    defaults.dataVersion = "2.4";
    std::string bytes;
    StoreConfiguration(defaults, bytes);
    return bytes;
}

int WriteOfflineDefaultFiles(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const bool rpx = platform::WriteFileAtomically(platform::JoinPath(folder, kRpxDefaultFile),
                                                   OfflineDefaultFileBytes(FamilyRPX110));
    const bool kpx = platform::WriteFileAtomically(platform::JoinPath(folder, kKpxDefaultFile),
                                                   OfflineDefaultFileBytes(FamilyKPX110));
    return rpx && kpx ? 0 : 1;
}

}  // namespace config
