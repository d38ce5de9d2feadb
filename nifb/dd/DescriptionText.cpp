// A description as file text: one JSON object, keys in the order written here, values that equal
// their defaults left out, so that the same description always gives the same text.
#include <nlohmann/json.hpp>

#include "nifb/dd/DescriptionFormat.h"
#include "nifb/dd/DeviceDescription.h"
#include "nifb/dd/Latin1Text.h"

namespace nifb::dd {

namespace {

using OrderedJson = nlohmann::ordered_json;

OrderedJson ItemsJson(const std::vector<Item>& items) {
    OrderedJson list = OrderedJson::array();
    for (const Item& it : items) list.push_back(OrderedJson{{"value", it.value}, {"text", Latin1ToUtf8(it.text)}});
    return list;
}

OrderedJson MemberJson(const Member& m) {
    OrderedJson j = {{"dataType", m.dataType}, {"size", m.size}, {"offset", m.offset}};
    if (!m.name.empty()) j["name"] = Latin1ToUtf8(m.name);
    if (!m.items.empty()) j["items"] = ItemsJson(m.items);
    if (m.bitItems) j["bitItems"] = true;
    return j;
}

OrderedJson ObjectJson(const Object& o) {
    OrderedJson j = {{"index", o.index}, {"name", Latin1ToUtf8(o.name)}, {"objectCode", o.objectCode}, {"dataType", o.dataType},
              {"size", o.size}};
    if (!o.members.empty()) {
        OrderedJson list = OrderedJson::array();
        for (const Member& m : o.members) list.push_back(MemberJson(m));
        j["members"] = std::move(list);
    }
    if (!o.items.empty()) j["items"] = ItemsJson(o.items);
    if (o.bitItems) j["bitItems"] = true;
    if (!o.label.empty()) j["label"] = Latin1ToUtf8(o.label);
    if (!o.help.empty()) j["help"] = Latin1ToUtf8(o.help);
    if (!o.viewMembers.empty()) j["viewMembers"] = o.viewMembers;
    return j;
}

OrderedJson ObjectsJson(const std::vector<Object>& objects) {
    OrderedJson list = OrderedJson::array();
    for (const Object& o : objects) list.push_back(ObjectJson(o));
    return list;
}

}  // namespace

std::string WriteDescription(const Description& d) {
    OrderedJson root = {{"format", kDescriptionFormat},
                 {"manufacturerId", d.manufacturerId},
                 {"deviceType", d.deviceType},
                 {"deviceRevision", d.deviceRevision},
                 {"ddRevision", d.ddRevision}};
    OrderedJson blocks = OrderedJson::array();
    for (const BlockType& b : d.blocks) blocks.push_back(OrderedJson{{"ddItem", b.ddItem}, {"parameters", ObjectsJson(b.parameters)}});
    root["blocks"] = std::move(blocks);
    root["mib"] = ObjectsJson(d.mib);
    root["vfd"] = ObjectsJson(d.vfd);
    // Every text went through Latin1ToUtf8, so the dump is valid UTF-8 and never throws.
    return root.dump(1, ' ', false, OrderedJson::error_handler_t::strict) + "\n";
}

}  // namespace nifb::dd
