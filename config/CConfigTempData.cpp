#include "config/CConfigTempData.h"

namespace config {

std::wstring WideName(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
        uint32_t c = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
        bool valid = extra > 0 && i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3Fu);
        }
        if (valid && c <= 0x10FFFF) {
            out += static_cast<wchar_t>(c);
            i += static_cast<size_t>(extra) + 1;
        } else {
            out += static_cast<wchar_t>(b);
            ++i;
        }
    }
    return out;
}

void CConfigTempData::BeginDataSet(const std::string& name) {
    setName = WideName(name);
    entryIds.fill(kNoEntry);
}

int CConfigTempData::SaveList(HostDatabase& db, int index) {
    if (index < 0 || index >= HostListCount) return 1;
    uint32_t id = kNoEntry;
    if (db.SaveList(HostList(index), ListValues(index, *this), setName, id) != 0) return 1;
    entryIds[static_cast<size_t>(index)] = id;
    return 0;
}

int CConfigTempData::LoadList(HostDatabase& db, int index, uint32_t entryId) {
    if (index < 0 || index >= HostListCount) return 1;
    HostValues values;
    if (db.LoadList(HostList(index), entryId, values) != 0) return 1;
    ApplyListValues(index, values, *this);
    return 0;
}

int CConfigTempData::DeleteList(HostDatabase& db, int index, uint32_t entryId) {
    if (index < 0 || index >= HostListCount) return 1;
    return db.DeleteList(HostList(index), entryId) != 0 ? 1 : 0;
}

int CConfigTempData::SearchList(HostDatabase& db, int index) {
    entries.clear();
    if (index < 0 || index >= HostListCount) return 1;
    return db.SearchList(HostList(index), entries) != 0 ? 1 : 0;
}

}  // namespace config
