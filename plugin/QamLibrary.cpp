#include "plugin/QamLibrary.h"

#include <dlfcn.h>

#include <cstdlib>

#include "platform/Paths.h"

namespace plugin {

std::vector<std::string> QamLibrary::Candidates(const std::string& executableFolder) {
    std::vector<std::string> paths;
    if (const char* explicitPath = std::getenv("TESSARO_QAMZ"); explicitPath != nullptr && explicitPath[0] != '\0')
        paths.emplace_back(explicitPath);
    if (!executableFolder.empty()) paths.push_back(platform::JoinPath(executableFolder, kFileName));
    paths.push_back(std::string("./") + kFileName);
    return paths;
}

namespace {

template <typename F>
bool Resolve(void* handle, const char* name, F& target, std::string& missing) {
    target = reinterpret_cast<F>(dlsym(handle, name));
    if (target == nullptr && missing.empty()) missing = name;
    return target != nullptr;
}

}  // namespace

int QamLibrary::Load(const std::vector<std::string>& candidates, std::string& error) {
    if (loaded_) return 0;
    error.clear();
    for (const std::string& path : candidates) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            error += path + ": " + (why != nullptr ? why : "cannot be loaded") + "\n";
            continue;
        }
        QamApi api;
        std::string missing;
        Resolve(handle, "qamZOpenSession", api.OpenSession, missing);
        Resolve(handle, "qamZCloseSession", api.CloseSession, missing);
        Resolve(handle, "qamZSVOpenParamListInterface", api.OpenParamListInterface, missing);
        Resolve(handle, "qamZSVAllocParamList", api.AllocParamList, missing);
        Resolve(handle, "qamZSVSetParamValue", api.SetParamValue, missing);
        Resolve(handle, "qamZSVGetParamValue", api.GetParamValue, missing);
        Resolve(handle, "qamZSVFreeParamList", api.FreeParamList, missing);
        Resolve(handle, "qamZSVCloseInterface", api.CloseInterface, missing);
        Resolve(handle, "qamZDBSaveParamList", api.SaveParamList, missing);
        Resolve(handle, "qamZDBSearchParamList", api.SearchParamList, missing);
        Resolve(handle, "qamZDBGetParamListDbInfo", api.GetParamListDbInfo, missing);
        Resolve(handle, "qamZDBLoadParamList", api.LoadParamList, missing);
        Resolve(handle, "qamZDBDeleteParamListDb", api.DeleteParamListDb, missing);
        Resolve(handle, "qamZDBBeginTransaction", api.BeginTransaction, missing);
        Resolve(handle, "qamZDBEndTransaction", api.EndTransaction, missing);
        Resolve(handle, "qamZLogMessage", api.LogMessage, missing);
        Resolve(handle, "qamZGetErrInfo", api.GetErrInfo, missing);
        if (!missing.empty()) {
            error += path + ": no entry point " + missing + "\n";
            dlclose(handle);
            continue;
        }
        api_ = api;
        loaded_ = true;
        error.clear();
        return 0;
    }
    if (error.empty()) error = "No place to look for the host library\n";
    return 1;
}

}  // namespace plugin
