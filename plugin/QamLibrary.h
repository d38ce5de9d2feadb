#pragma once
// The partner host's client library as the plug-in build loads it at start: the shared
// library is opened at run time and its entry points are resolved by name, so the program
// starts only beside a host that provides them.
#include <string>
#include <vector>

#include "qam/qamZ.h"

namespace plugin {

struct QamApi {
    decltype(&qamZOpenSession) OpenSession = nullptr;
    decltype(&qamZCloseSession) CloseSession = nullptr;
    decltype(&qamZSVOpenParamListInterface) OpenParamListInterface = nullptr;
    decltype(&qamZSVAllocParamList) AllocParamList = nullptr;
    decltype(&qamZSVSetParamValue) SetParamValue = nullptr;
    decltype(&qamZSVGetParamValue) GetParamValue = nullptr;
    decltype(&qamZSVFreeParamList) FreeParamList = nullptr;
    decltype(&qamZSVCloseInterface) CloseInterface = nullptr;
    decltype(&qamZDBSaveParamList) SaveParamList = nullptr;
    decltype(&qamZDBSearchParamList) SearchParamList = nullptr;
    decltype(&qamZDBGetParamListDbInfo) GetParamListDbInfo = nullptr;
    decltype(&qamZDBLoadParamList) LoadParamList = nullptr;
    decltype(&qamZDBDeleteParamListDb) DeleteParamListDb = nullptr;
    decltype(&qamZDBBeginTransaction) BeginTransaction = nullptr;
    decltype(&qamZDBEndTransaction) EndTransaction = nullptr;
    decltype(&qamZLogMessage) LogMessage = nullptr;
    decltype(&qamZGetErrInfo) GetErrInfo = nullptr;
};

class QamLibrary {
public:
    // The library's file name.
    static constexpr const char* kFileName = "libqamZ.so";

    // Where the library is looked for, in order: $TESSARO_QAMZ (a full path), the program's
    // own folder, the current directory.
    static std::vector<std::string> Candidates(const std::string& executableFolder);

    // Opens the first candidate that loads and resolves every entry point. 0 on success;
    // otherwise `error` says what failed. The library stays loaded for the process's life.
    int Load(const std::vector<std::string>& candidates, std::string& error);
    bool IsLoaded() const { return loaded_; }
    const QamApi& Api() const { return api_; }

private:
    QamApi api_;
    bool loaded_ = false;
};

}  // namespace plugin
