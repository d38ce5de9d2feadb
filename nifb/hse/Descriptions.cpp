#include "nifb/hse/Descriptions.h"

#include <map>
#include <mutex>
#include <tuple>

#include "nifb/hse/HseTarget.h"

namespace nifb::hse {
namespace {

std::mutex g_mutex;
std::map<std::tuple<std::string, uint32_t, uint16_t, uint8_t>, std::shared_ptr<const dd::Description>> g_loaded;

}  // namespace

int FindDescription(uint32_t manufacturerId, uint16_t deviceType, uint8_t deviceRevision,
                    std::shared_ptr<const dd::Description>& out, std::string& error) {
    const std::string folder = DescriptionFolder();
    if (folder.empty()) {
        error = "no description folder (NIFB_DD_PATH or the registry value \"DD Path\")";
        return E_SYMBOL_FILE_NOT_FOUND;
    }
    const auto key = std::make_tuple(folder, manufacturerId, deviceType, deviceRevision);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_loaded.find(key);
        if (it != g_loaded.end()) {
            out = it->second;
            return E_OK;
        }
    }
    auto d = std::make_shared<dd::Description>();
    const int st = dd::LoadDescription(dd::DescriptionPath(folder, manufacturerId, deviceType, deviceRevision), *d, error);
    if (st != E_OK) return st;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_loaded[key] = d;
    out = d;
    return E_OK;
}

int FindDescriptionByDeviceId(const std::string& deviceId, std::shared_ptr<const dd::Description>& out,
                              std::string& error) {
    uint32_t manufacturerId = 0;
    uint16_t deviceType = 0;
    if (!dd::IdentityOfDeviceId(deviceId, manufacturerId, deviceType)) {
        error = "the device ID \"" + deviceId + "\" does not tell the device's manufacturer and type";
        return E_SYMBOL_FILE_NOT_FOUND;
    }
    const uint8_t revision = dd::LatestDescribedRevision(DescriptionFolder(), manufacturerId, deviceType);
    return FindDescription(manufacturerId, deviceType, revision == 0 ? 1 : revision, out, error);
}

int ResolveBlockName(const dd::Description& d, const dd::BlockPlace& block, const std::string& name, dd::Resolved& out) {
    return dd::ResolveOnBlock(d, block, name, out);
}

int ResolveVfdName(const dd::Description& d, const std::vector<dd::BlockPlace>& blocks, const std::string& name,
                 dd::Resolved& out) {
    return dd::ResolveOnVfd(d, blocks, name, out);
}

int ResolveMibName(const dd::Description& d, const std::string& name, dd::Resolved& out) {
    return dd::ResolveOnMib(d, name, out);
}

}  // namespace nifb::hse
