// Reads description files. Every key is checked for its type and range, unknown keys are
// refused, counts are bounded, and the objects must agree with each other (unique indexes,
// members inside their object, views naming parameters of their own block), so
// that the resolvers can trust what they are given.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>

#include "nifb/dd/DescriptionFormat.h"
#include "nifb/dd/DeviceDescription.h"
#include "nifb/dd/Latin1Text.h"
#include "platform/JsonNesting.h"

namespace nifb::dd {

namespace {

using Json = nlohmann::json;

// Refuses nesting deeper than kMaxDescriptionDepth before the parser sees the text.
bool CheckDepth(const std::string& text, std::string& error) {
    size_t at = 0;
    if (platform::JsonNestingWithin(text, kMaxDescriptionDepth, at)) return true;
    error = "nesting deeper than " + std::to_string(kMaxDescriptionDepth) + " levels at byte " + std::to_string(at);
    return false;
}

// One JSON object being read: its members are taken by name, each checked, and at the end
// any member not taken is refused.
class Reader {
public:
    Reader(const Json& object, std::string where, std::string& error)
        : object_(object), where_(std::move(where)), error_(error) {}

    bool IsObject() {
        if (object_.is_object()) return true;
        return Fail(where_.empty() ? "the file must hold one JSON object" : where_ + " must be an object");
    }

    // A whole number in [0, max].
    template <typename T>
    bool Number(const char* key, uint64_t max, T& out, bool required = true) {
        const Json* v = Take(key);
        if (!v) return !required || Missing(key);
        uint64_t x = 0;
        if (v->is_number_unsigned())
            x = v->get<uint64_t>();
        else if (!v->is_number_integer() || v->get<int64_t>() < 0)
            return Fail(Path(key) + " must be a whole number from 0 to " + std::to_string(max));
        else
            x = static_cast<uint64_t>(v->get<int64_t>());
        if (x > max) return Fail(Path(key) + " must be a whole number from 0 to " + std::to_string(max));
        out = static_cast<T>(x);
        return true;
    }

    bool Text(const char* key, size_t maxBytes, std::string& out, bool required = false) {
        const Json* v = Take(key);
        if (!v) return !required || Missing(key);
        if (!v->is_string()) return Fail(Path(key) + " must be a text");
        std::string bytes;
        if (!Utf8ToLatin1(v->get_ref<const std::string&>(), bytes))
            return Fail(Path(key) + " holds a character beyond ISO Latin-1");
        if (bytes.size() > maxBytes)
            return Fail(Path(key) + " is longer than " + std::to_string(maxBytes) + " bytes");
        out = std::move(bytes);
        return true;
    }

    bool Flag(const char* key, bool& out) {
        const Json* v = Take(key);
        if (!v) return true;
        if (!v->is_boolean()) return Fail(Path(key) + " must be true or false");
        out = v->get<bool>();
        return true;
    }

    // An array of at most `max` entries; absent gives an empty list unless required.
    const Json* List(const char* key, size_t max, bool required = false) {
        const Json* v = Take(key);
        if (!v) {
            if (required) Missing(key);
            return required ? nullptr : &EmptyList();
        }
        if (!v->is_array()) {
            Fail(Path(key) + " must be an array");
            return nullptr;
        }
        if (v->size() > max) {
            Fail(Path(key) + " has " + std::to_string(v->size()) + " entries, more than " + std::to_string(max));
            return nullptr;
        }
        return v;
    }

    bool NoOthers() {
        for (auto it = object_.begin(); it != object_.end(); ++it)
            if (!taken_.count(it.key())) return Fail(Path(it.key().c_str()) + " is not a known key");
        return true;
    }

    std::string Path(const char* key) const { return where_.empty() ? key : where_ + "." + key; }

    bool Fail(const std::string& message) {
        if (error_.empty()) error_ = message;
        return false;
    }

private:
    static const Json& EmptyList() {
        static const Json empty = Json::array();
        return empty;
    }
    const Json* Take(const char* key) {
        taken_.insert(key);
        auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }
    bool Missing(const char* key) { return Fail(Path(key) + " is missing"); }

    const Json& object_;
    std::string where_;
    std::string& error_;
    std::set<std::string> taken_;
};

std::string At(const std::string& where, const char* key, size_t i) {
    return (where.empty() ? std::string(key) : where + "." + key) + "[" + std::to_string(i) + "]";
}

bool ReadItems(Reader& r, const std::string& where, std::vector<Item>& out, bool& bits, std::string& error) {
    const Json* list = r.List("items", kMaxItems);
    if (!list || !r.Flag("bitItems", bits)) return false;
    for (size_t i = 0; i < list->size(); ++i) {
        Item item;
        Reader ir((*list)[i], At(where, "items", i), error);
        if (!ir.IsObject() || !ir.Number("value", 0xFFFFFFFFu, item.value) ||
            !ir.Text("text", kMaxTextBytes, item.text, true) || !ir.NoOthers())
            return false;
        out.push_back(std::move(item));
    }
    return true;
}

bool ReadMember(const Json& j, const std::string& where, uint16_t objectSize, Member& m, std::string& error) {
    Reader r(j, where, error);
    if (!r.IsObject() || !r.Text("name", kMaxNameBytes, m.name) || !r.Number("dataType", 0xFFFF, m.dataType) ||
        !r.Number("size", 0xFFFF, m.size) || !r.Number("offset", 0xFFFF, m.offset) ||
        !ReadItems(r, where, m.items, m.bitItems, error) || !r.NoOthers())
        return false;
    if (m.size == 0) return r.Fail(where + ".size must be at least 1");
    if (static_cast<uint32_t>(m.offset) + m.size > objectSize)
        return r.Fail(where + " (offset " + std::to_string(m.offset) + ", size " + std::to_string(m.size) +
                      ") lies outside its object of " + std::to_string(objectSize) + " bytes");
    return true;
}

bool KnownObjectCode(uint8_t code) {
    return code == NIF_OC_DOMAIN || code == NIF_OC_SIMPLE || code == NIF_OC_ARRAY || code == NIF_OC_RECORD ||
           code == NIF_OC_VARLIST;
}

bool ReadObject(const Json& j, const std::string& where, Object& o, std::string& error) {
    Reader r(j, where, error);
    if (!r.IsObject() || !r.Number("index", 0xFFFF, o.index) || !r.Text("name", kMaxNameBytes, o.name, true) ||
        !r.Number("objectCode", 0xFF, o.objectCode) || !r.Number("dataType", 0xFFFF, o.dataType) ||
        !r.Number("size", 0xFFFF, o.size) || !r.Text("label", kMaxTextBytes, o.label) ||
        !r.Text("help", kMaxTextBytes, o.help) || !ReadItems(r, where, o.items, o.bitItems, error))
        return false;
    if (o.name.empty()) return r.Fail(where + ".name must not be empty");
    if (!KnownObjectCode(o.objectCode))
        return r.Fail(where + ".objectCode " + std::to_string(o.objectCode) + " is not an object code");
    const Json* members = r.List("members", kMaxMembers);
    if (!members) return false;
    if (!members->empty() && o.objectCode != NIF_OC_RECORD && o.objectCode != NIF_OC_ARRAY)
        return r.Fail(where + ".members: only records and arrays have members");
    for (size_t i = 0; i < members->size(); ++i) {
        Member m;
        if (!ReadMember((*members)[i], At(where, "members", i), o.size, m, error)) return false;
        o.members.push_back(std::move(m));
    }
    const Json* view = r.List("viewMembers", kMaxMembers);
    if (!view) return false;
    if (!view->empty() && o.objectCode != NIF_OC_VARLIST)
        return r.Fail(where + ".viewMembers: only views have view members");
    for (size_t i = 0; i < view->size(); ++i) {
        const Json& v = (*view)[i];
        if (!v.is_number_unsigned() || v.get<uint64_t>() > 0xFFFF)
            return r.Fail(At(where, "viewMembers", i) + " must be a relative index from 0 to 65535");
        o.viewMembers.push_back(static_cast<uint16_t>(v.get<uint64_t>()));
    }
    return r.NoOthers();
}

// A list of objects: each index appears once. Names may repeat (a device's link objects
// share theirs): a name then finds the first of them, as on the device.
bool ReadObjects(const Json& list, const std::string& where, const char* key, std::vector<Object>& out,
                 std::string& error) {
    std::set<uint16_t> indexes;
    for (size_t i = 0; i < list.size(); ++i) {
        Object o;
        const std::string at = At(where, key, i);
        if (!ReadObject(list[i], at, o, error)) return false;
        if (!indexes.insert(o.index).second) {
            error = at + ": index " + std::to_string(o.index) + " appears twice";
            return false;
        }
        out.push_back(std::move(o));
    }
    return true;
}

const Object* ByIndex(const std::vector<Object>& list, uint16_t index) {
    for (const Object& o : list)
        if (o.index == index) return &o;
    return nullptr;
}

// Views name parameters of their own block other than the block record and other views,
// and their size is the sum of those parameters' sizes; views live in blocks only.
bool CheckViews(const std::vector<Object>& params, const std::string& where, std::string& error) {
    for (size_t i = 0; i < params.size(); ++i) {
        const Object& v = params[i];
        if (v.objectCode != NIF_OC_VARLIST) continue;
        uint32_t size = 0;
        for (uint16_t rel : v.viewMembers) {
            const Object* m = ByIndex(params, rel);
            if (!m || rel == 0 || m->objectCode == NIF_OC_VARLIST) {
                error = At(where, "parameters", i) + ": view member " + std::to_string(rel) +
                        " is not a parameter of the block";
                return false;
            }
            size += m->size;
        }
        if (size != v.size) {
            error = At(where, "parameters", i) + ".size " + std::to_string(v.size) +
                    " is not the sum of its members' sizes (" + std::to_string(size) + ")";
            return false;
        }
    }
    return true;
}

bool NoViews(const std::vector<Object>& list, const char* key, std::string& error) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].objectCode == NIF_OC_VARLIST) {
            error = At("", key, i) + ": views belong to blocks";
            return false;
        }
    return true;
}

bool ReadRoot(const Json& root, Description& d, std::string& error) {
    Reader r(root, "", error);
    int format = 0;
    if (!r.IsObject() || !r.Number("format", 0xFFFF, format)) return false;
    if (format != kDescriptionFormat)
        return r.Fail("format " + std::to_string(format) + " is not known (this program reads format " +
                      std::to_string(kDescriptionFormat) + ")");
    if (!r.Number("manufacturerId", 0xFFFFFF, d.manufacturerId) || !r.Number("deviceType", 0xFFFF, d.deviceType) ||
        !r.Number("deviceRevision", 0xFF, d.deviceRevision) || !r.Number("ddRevision", 0xFF, d.ddRevision))
        return false;
    const Json* blocks = r.List("blocks", kMaxBlockTypes, true);
    if (!blocks) return false;
    std::set<uint32_t> items;
    for (size_t i = 0; i < blocks->size(); ++i) {
        const std::string where = At("", "blocks", i);
        Reader br((*blocks)[i], where, error);
        BlockType b;
        if (!br.IsObject() || !br.Number("ddItem", 0xFFFFFFFFu, b.ddItem)) return false;
        const Json* params = br.List("parameters", kMaxObjects, true);
        if (!params || !ReadObjects(*params, where, "parameters", b.parameters, error) || !br.NoOthers()) return false;
        if (!ByIndex(b.parameters, 0)) return br.Fail(where + ": the block record (relative index 0) is missing");
        if (!CheckViews(b.parameters, where, error)) return false;
        if (!items.insert(b.ddItem).second)
            return br.Fail(where + ": DD item " + std::to_string(b.ddItem) + " appears twice");
        d.blocks.push_back(std::move(b));
    }
    const Json* mib = r.List("mib", kMaxObjects, true);
    if (!mib || !ReadObjects(*mib, "", "mib", d.mib, error) || !NoViews(d.mib, "mib", error)) return false;
    const Json* vfd = r.List("vfd", kMaxObjects, true);
    if (!vfd || !ReadObjects(*vfd, "", "vfd", d.vfd, error) || !NoViews(d.vfd, "vfd", error)) return false;
    return r.NoOthers();
}

}  // namespace

bool ReadDescription(const std::string& text, Description& out, std::string& error) {
    error.clear();
    if (text.size() > kMaxDescriptionBytes) {
        error = "description is larger than " + std::to_string(kMaxDescriptionBytes) + " bytes";
        return false;
    }
    if (!CheckDepth(text, error)) return false;
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::exception& e) {
        error = std::string("description is not valid JSON: ") + e.what();
        return false;
    }
    Description d;
    if (!ReadRoot(root, d, error)) {
        if (error.empty()) error = "description is not readable";
        return false;
    }
    out = std::move(d);
    return true;
}

int LoadDescription(const std::string& path, Description& out, std::string& error) {
    // Only a regular file: a folder is no description, and a pipe could keep the reader waiting.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        error = path + ": no such file";
        return E_SYMBOL_FILE_NOT_FOUND;
    }
    if (!ec && status.type() != std::filesystem::file_type::regular) {
        error = path + ": not a regular file";
        return E_DD_LOAD_FAILED;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int e = errno;
        error = path + ": " + std::strerror(e);
        return e == ENOENT || e == ENOTDIR ? E_SYMBOL_FILE_NOT_FOUND : E_DD_LOAD_FAILED;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxDescriptionBytes) {
            error = path + ": larger than " + std::to_string(kMaxDescriptionBytes) + " bytes";
            return E_DD_LOAD_FAILED;
        }
    }
    if (in.bad()) {
        error = path + ": read error";
        return E_DD_LOAD_FAILED;
    }
    if (!ReadDescription(text, out, error)) {
        error = path + ": " + error;
        return E_DD_LOAD_FAILED;
    }
    return E_OK;
}

}  // namespace nifb::dd
