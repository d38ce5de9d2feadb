#pragma once
// The partner host's database of configuration data sets, reached through its client library:
// one session per plug-in run, on the host's database file, for the one device the host
// started the program for. Host errors go to the device message log with the host's own
// text; the configuration code sees only the status.
#include <functional>
#include <mutex>
#include <string>

#include "config/HostDatabase.h"
#include "plugin/QamLibrary.h"

namespace plugin {

// Who the host started the program as, and for which device.
struct QamSessionInfo {
    std::string sessionId;
    std::string hostName;
    std::string userName;
    std::string deviceId;
    std::string deviceTag;
};

class QamHostDatabase : public config::HostDatabase {
public:
    // The mode value saved with every list (the host records it; it means "configuration").
    static constexpr int kSaveMode = 1;
    // Message-log code of the configuration database's lines.
    static constexpr int kLogCode = 5;

    explicit QamHostDatabase(const QamApi& api) : api_(api) {}
    ~QamHostDatabase() override;
    QamHostDatabase(const QamHostDatabase&) = delete;
    QamHostDatabase& operator=(const QamHostDatabase&) = delete;

    // The host's database file: the registry value "Path" under HKLM "SOFTWARE\QAM\Database",
    // else "QAM.db" in the program directory.
    static std::string DatabasePath();

    // Opens the session; 0 on success (a failure is reported like every host error).
    int Open(const std::string& databasePath, const QamSessionInfo& who);
    bool IsOpen() const { return session_ != 0; }
    // Where host errors and message-log lines are also written (the device message log).
    void SetReporter(std::function<void(const std::string&)> report) { report_ = std::move(report); }

    int SaveList(const config::HostListSpec& list, const config::HostValues& values, const std::wstring& name,
                 uint32_t& entryId) override;
    int SearchList(const config::HostListSpec& list, std::vector<config::HostEntry>& entries) override;
    int LoadList(const config::HostListSpec& list, uint32_t entryId, config::HostValues& values) override;
    int DeleteList(const config::HostListSpec& list, uint32_t entryId) override;
    int BeginDataSet() override;
    int EndDataSet(bool commit) override;
    void LogMessage(const std::string& text) override;

private:
    // Runs `work` on an interface (and a list, when `withList`) of `list`, released afterwards.
    int WithList(const config::HostListSpec& list, bool withList, const std::function<int(qamZHandle, qamZHandle)>& work);
    // A failed host call: its error text to the device message log; returns the status.
    int Report(const char* function, int status);

    const QamApi& api_;
    QamSessionInfo who_;
    qamZHandle session_ = 0;
    std::function<void(const std::string&)> report_;
    std::recursive_mutex lock_;
};

}  // namespace plugin
