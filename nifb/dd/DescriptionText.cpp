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
    OrderedJson j = OrderedJson::object();
    if (!m.name.empty()) j["name"] = Latin1ToUtf8(m.name);
    j["dataType"] = m.dataType;
    j["size"] = m.size;
    j["offset"] = m.offset;
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

// Compact text of a value. Every text went through Latin1ToUtf8, so the dump is valid
// UTF-8 and never throws.
std::string Compact(const OrderedJson& j) { return j.dump(-1, ' ', false, OrderedJson::error_handler_t::strict); }

// A list of objects, one object to a line, indented by `indent` spaces.
std::string ObjectLines(const std::vector<Object>& objects, const std::string& indent) {
    if (objects.empty()) return "[]";
    std::string text = "[\n";
    for (size_t i = 0; i < objects.size(); ++i)
        text += indent + " " + Compact(ObjectJson(objects[i])) + (i + 1 < objects.size() ? ",\n" : "\n");
    return text + indent + "]";
}

}  // namespace

std::string WriteDescription(const Description& d) {
    // One object to a line: the file stays readable, and a change shows as the lines of the
    // objects it touches.
    std::string text = "{\n \"format\": " + std::to_string(kDescriptionFormat) + ",\n";
    text += " \"manufacturerId\": " + std::to_string(d.manufacturerId) + ",\n";
    text += " \"deviceType\": " + std::to_string(d.deviceType) + ",\n";
    text += " \"deviceRevision\": " + std::to_string(d.deviceRevision) + ",\n";
    text += " \"ddRevision\": " + std::to_string(d.ddRevision) + ",\n";
    text += " \"blocks\": [";
    for (size_t i = 0; i < d.blocks.size(); ++i) {
        text += std::string(i ? "," : "") + "\n  {\"ddItem\": " + std::to_string(d.blocks[i].ddItem) +
                ", \"parameters\": " + ObjectLines(d.blocks[i].parameters, "  ") + "}";
    }
    text += d.blocks.empty() ? "],\n" : "\n ],\n";
    text += " \"mib\": " + ObjectLines(d.mib, " ") + ",\n";
    text += " \"vfd\": " + ObjectLines(d.vfd, " ") + "\n}\n";
    return text;
}

}  // namespace nifb::dd
