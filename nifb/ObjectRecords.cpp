#include "nifb/ObjectRecords.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "nifb/ByteStream.h"

namespace nifb {

namespace {
constexpr uint32_t kMaxMembers = 4096;
}

std::vector<uint8_t> EncodeTypeInfo(const TypeInfo& t) {
    ByteWriter w;
    w.U16(t.index);
    w.U8(t.objectCode);
    w.U16(t.dataType);
    w.U16(t.size);
    w.U32(static_cast<uint32_t>(t.members.size()));
    for (const nifTypeMember& m : t.members) {
        w.U16(m.index);
        w.U8(m.objectCode);
        w.U16(m.dataType);
        w.U16(m.size);
    }
    return std::move(w.Data());
}

bool DecodeTypeInfo(const std::vector<uint8_t>& bytes, TypeInfo& out) {
    ByteReader r(bytes);
    uint32_t count;
    // Every member takes 7 bytes: a count beyond the bytes there is refused before anything
    // is allocated for it.
    if (!r.U16(out.index) || !r.U8(out.objectCode) || !r.U16(out.dataType) || !r.U16(out.size) ||
        !r.U32(count) || count > kMaxMembers || count > r.Remaining() / 7)
        return false;
    out.members.assign(count, nifTypeMember{});
    uint32_t total = 0;
    for (nifTypeMember& m : out.members) {
        if (!r.U16(m.index) || !r.U8(m.objectCode) || !r.U16(m.dataType) || !r.U16(m.size)) return false;
        total += m.size;
    }
    // The members make up the object: a caller may walk them through a buffer of its size.
    if (count > 0 && total != out.size) return false;
    return r.AtEnd();
}

std::vector<uint8_t> EncodeAttributeInfo(const AttributeInfo& a) {
    ByteWriter w;
    w.Text(a.label);
    w.Text(a.help);
    w.U8(a.objectCode);
    w.U16(a.dataType);
    w.U16(a.size);
    w.U32(static_cast<uint32_t>(a.items.size()));
    for (const ItemInfo& i : a.items) {
        w.U8(i.kind);
        w.U32(i.value);
        w.Text(i.description);
    }
    return std::move(w.Data());
}

bool DecodeAttributeInfo(const std::vector<uint8_t>& bytes, AttributeInfo& out) {
    ByteReader r(bytes);
    uint32_t count;
    // Every item takes at least 9 bytes.
    if (!r.Text(out.label) || !r.Text(out.help) || !r.U8(out.objectCode) || !r.U16(out.dataType) ||
        !r.U16(out.size) || !r.U32(count) || count > kMaxMembers || count > r.Remaining() / 9)
        return false;
    out.items.assign(count, ItemInfo{});
    for (ItemInfo& i : out.items)
        if (!r.U8(i.kind) || !r.U32(i.value) || !r.Text(i.description)) return false;
    return r.AtEnd();
}

namespace {
void CopyText(char* dst, size_t cap, const std::string& src) {
    size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}
}  // namespace

nifObjectType* NewObjectType(const TypeInfo& t) {
    size_t bytes = sizeof(nifObjectType) + t.members.size() * sizeof(nifTypeMember);
    void* block = std::calloc(1, bytes);
    if (!block) return nullptr;
    auto* type = static_cast<nifObjectType*>(block);
    type->index = t.index;
    type->objectCode = t.objectCode;
    type->dataType = t.dataType;
    type->size = t.size;
    type->numMembers = static_cast<uint16_t>(t.members.size());
    type->members = t.members.empty() ? nullptr : reinterpret_cast<nifTypeMember*>(type + 1);
    for (size_t i = 0; i < t.members.size(); ++i) type->members[i] = t.members[i];
    return type;
}

nifAttributes* NewAttributes(const AttributeInfo& a) {
    size_t bytes = sizeof(nifAttributes) + a.items.size() * sizeof(nifEnumItem);
    void* block = std::calloc(1, bytes);
    if (!block) return nullptr;
    auto* attr = static_cast<nifAttributes*>(block);
    CopyText(attr->label, sizeof attr->label, a.label);
    CopyText(attr->help, sizeof attr->help, a.help);
    attr->objectCode = a.objectCode;
    attr->dataType = a.dataType;
    attr->size = a.size;
    attr->numItems = static_cast<uint16_t>(a.items.size());
    attr->items = a.items.empty() ? nullptr : reinterpret_cast<nifEnumItem*>(attr + 1);
    for (size_t i = 0; i < a.items.size(); ++i) {
        attr->items[i].kind = a.items[i].kind;
        attr->items[i].value = a.items[i].value;
        CopyText(attr->items[i].description, NIF_DESC_LEN, a.items[i].description);
    }
    return attr;
}

}  // namespace nifb
