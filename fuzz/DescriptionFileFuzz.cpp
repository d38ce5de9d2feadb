// Device description files: any text is refused with a message or gives a description that
// writes back to the same description, and every name and index of it resolves without
// reading outside it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "nifb/IndexName.h"
#include "nifb/dd/DeviceDescription.h"

namespace {

void Answers(const nifb::dd::Resolved& r) {
    nifb::dd::NameOf(r);
    nifb::dd::TypeOf(r);
    nifb::dd::AttributesOf(r);
    nifb::dd::DescriptionTextOf(r);
}

void ResolveAll(const nifb::dd::Description& d) {
    namespace dd = nifb::dd;
    std::vector<dd::BlockPlace> places;
    for (size_t i = 0; i < d.blocks.size(); ++i)
        places.push_back({"B" + std::to_string(i), static_cast<uint16_t>(1000 + 1000 * i), d.blocks[i].ddItem});
    places.push_back({"UNKNOWN", 900, 0xFFFFFFFFu});
    dd::Resolved r;
    auto each = [&](const std::vector<dd::Object>& objects, auto&& resolve) {
        for (const dd::Object& o : objects) {
            const size_t count = o.members.size() + o.viewMembers.size();
            if (resolve(o.name, o.index) == E_OK) Answers(r);
            for (size_t k = 0; k <= count + 1; ++k)
                if (resolve(o.name + "." + std::to_string(k), o.index) == E_OK) Answers(r);
        }
    };
    for (size_t i = 0; i < d.blocks.size(); ++i) {
        const dd::BlockPlace& place = places[i];
        each(d.blocks[i].parameters, [&](const std::string& name, uint16_t rel) {
            dd::ResolveOnVfd(d, places, place.tag + "." + name, r);
            dd::ResolveOnVfd(d, places, nifb::IndexName(place.startIndex + rel), r);
            if (dd::ResolveOnBlock(d, place, nifb::IndexSubindexName(place.startIndex + rel, 1), r) == E_OK) Answers(r);
            return dd::ResolveOnBlock(d, place, name, r);
        });
    }
    each(d.vfd, [&](const std::string& name, uint16_t index) {
        dd::ResolveOnVfd(d, places, nifb::IndexName(index), r);
        return dd::ResolveOnVfd(d, places, name, r);
    });
    each(d.mib, [&](const std::string& name, uint16_t index) {
        dd::ResolveOnMib(d, nifb::IndexSubindexName(index, 1), r);
        return dd::ResolveOnMib(d, name, r);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    nifb::dd::Description d;
    std::string error;
    if (!nifb::dd::ReadDescription(text, d, error)) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    nifb::dd::Description again;
    if (!nifb::dd::ReadDescription(nifb::dd::WriteDescription(d), again, error) || !(again == d)) std::abort();
    ResolveAll(d);
    return 0;
}
