// Test stand-ins for the device-description functions (nifb/dd) while the library has no
// implementation of them: descriptions are handed over in memory, names resolved plainly.
// Compiled to nothing once the library has the real ones (NIFB_HAVE_DD).
#include "nifb/tests/HseDescriptionGlue.h"

#ifndef NIFB_HAVE_DD
#include <map>
#include <mutex>

namespace nifb::dd {
namespace {

std::mutex g_mutex;
std::map<std::string, Description> g_files;

// "NAME", "NAME.MEMBER" or "NAME.N" among `objects`; `base` is added to their indexes.
int ResolveIn(const std::vector<Object>& objects, uint16_t base, const std::string& name, Resolved& out) {
    const size_t dot = name.find('.');
    const std::string head = name.substr(0, dot);
    for (const Object& o : objects) {
        if (o.name != head) continue;
        Resolved r;
        r.object = &o;
        r.index = static_cast<uint16_t>(base + o.index);
        r.size = o.size;
        if (dot != std::string::npos) {
            const std::string tail = name.substr(dot + 1);
            int member = -1;
            for (size_t m = 0; m < o.members.size(); ++m)
                if (o.members[m].name == tail) member = static_cast<int>(m);
            if (member < 0 && !tail.empty() && tail.find_first_not_of("0123456789") == std::string::npos) {
                const unsigned long n = std::stoul(tail);
                if (n >= 1 && n <= o.members.size()) member = static_cast<int>(n - 1);
            }
            if (member < 0) return E_NOT_FOUND;
            r.member = member;
            r.subindex = static_cast<uint8_t>(member + 1);
            r.size = o.members[static_cast<size_t>(member)].size;
        }
        out = r;
        return E_OK;
    }
    return E_NOT_FOUND;
}

}  // namespace

std::string DescriptionPath(const std::string& folder, uint32_t manufacturerId, uint16_t deviceType,
                            uint8_t deviceRevision) {
    return folder + "/" + std::to_string(manufacturerId) + "-" + std::to_string(deviceType) + "-" +
           std::to_string(deviceRevision);
}

int LoadDescription(const std::string& path, Description& out, std::string& error) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_files.find(path);
    if (it == g_files.end()) {
        error = path + ": no such description";
        return E_SYMBOL_FILE_NOT_FOUND;
    }
    out = it->second;
    return E_OK;
}

int ResolveOnBlock(const Description& d, const BlockPlace& block, const std::string& name, Resolved& out) {
    for (const BlockType& t : d.blocks)
        if (t.ddItem == block.ddItem) return ResolveIn(t.parameters, block.startIndex, name, out);
    return E_DD_LOOKUP_FAILED;
}

int ResolveOnVfd(const Description& d, const std::vector<BlockPlace>& blocks, const std::string& name, Resolved& out) {
    const size_t dot = name.find('.');
    for (const BlockPlace& b : blocks)
        if (dot != std::string::npos && b.tag == name.substr(0, dot)) return ResolveOnBlock(d, b, name.substr(dot + 1), out);
    return ResolveIn(d.vfd, 0, name, out);
}

int ResolveOnMib(const Description& d, const std::string& name, Resolved& out) { return ResolveIn(d.mib, 0, name, out); }

}  // namespace nifb::dd
#endif

namespace nifb::testing {

bool DescriptionsInMemory() {
#ifndef NIFB_HAVE_DD
    return true;
#else
    return false;
#endif
}

void PutDescription(const std::string& folder, const dd::Description& d) {
#ifndef NIFB_HAVE_DD
    std::lock_guard<std::mutex> lock(dd::g_mutex);
    dd::g_files[dd::DescriptionPath(folder, d.manufacturerId, d.deviceType, d.deviceRevision)] = d;
#else
    (void)folder;
    (void)d;
#endif
}

}  // namespace nifb::testing
