#include "cli/ParameterValue.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <strings.h>

#include "cli/Context.h"
#include "cli/TerminalText.h"
#include "fieldbus/OperationState.h"
#include "nifb/nifb.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

using platform::Format;

namespace cli {

namespace {

values::ValueCodec& Codec() { return values::ValueCodec::Instance(); }

std::string ItemText(const fieldbus::AttributeItem& item) {
    return Codec().PickEnglishText(item.description.data(), item.description.size());
}

// A choice's text as typed input is compared with it: device texts are Latin-1 ("\xB0F"),
// typed input is UTF-8 ("\xC2\xB0F"); both sides are brought to UTF-8.
std::string ChoiceText(const fieldbus::AttributeItem& item) { return ToUtf8(ItemText(item)); }

bool HasItemsOfKind(const ValueType& type, uint8_t kind) {
    for (const auto& item : type.items)
        if (item.kind == kind) return true;
    return false;
}

uint32_t BigEndian(const uint8_t* bytes, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size && i < 4; ++i) value = (value << 8) | bytes[i];
    return value;
}

void PutBigEndian(uint64_t value, size_t size, std::vector<uint8_t>& bytes) {
    bytes.assign(size, 0);
    for (size_t i = 0; i < size; ++i) bytes[size - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ParseUnsigned(const std::string& text, uint64_t& value) {
    const std::string t = Trim(text);
    if (t.empty() || t[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(t.c_str(), &end, 0);
    return errno == 0 && end && *end == 0;
}

bool ParseSigned(const std::string& text, int64_t& value) {
    const std::string t = Trim(text);
    if (t.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(t.c_str(), &end, 0);
    return errno == 0 && end && *end == 0;
}

std::string DataTypeWord(uint16_t dataType) {
    switch (dataType) {
        case NIF_DT_BOOLEAN: return "boolean";
        case NIF_DT_INT8:
        case NIF_DT_INT16:
        case NIF_DT_INT32: return "integer";
        case NIF_DT_UINT8:
        case NIF_DT_UINT16:
        case NIF_DT_UINT32: return "unsigned";
        case NIF_DT_FLOAT: return "float";
        case NIF_DT_BSTRING: return "bit string";
        case NIF_DT_OCTSTRING: return "octet string";
        case NIF_DT_DATE: return "date";
        case NIF_DT_TDAY: return "time of day";
        case NIF_DT_TDIFF: return "time difference";
        case NIF_DT_TVALUE: return "time value";
        default: return Format("data type %u", dataType);
    }
}

// The member names of a record or array, by its place in the block's object dictionary.
int RecordLayout(fieldbus::FieldbusDevice& device, int block, const std::string& name, fieldbus::ObjectTypeInfo& info,
                 std::vector<std::string>& memberNames) {
    std::vector<std::string> names;
    if (device.GetParameterNames(block, names) != 0) return 1;
    int relative = -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) relative = static_cast<int>(i) + 1;
    if (relative < 0 || device.GetObjectType(block, relative, 0, info) != 0) return 1;
    memberNames.clear();
    for (size_t k = 1; k <= info.members.size(); ++k) {
        std::string member = device.GetParameterName(block, relative, static_cast<int>(k));
        memberNames.push_back(member.empty() ? std::to_string(k) : member);
    }
    return 0;
}

}  // namespace

int ResolveParameter(fieldbus::FieldbusDevice& device, const std::string& spec, ParameterAddress& address,
                     std::string& error) {
    address = {};
    const std::string usage = "Name a parameter as BLOCK.PARAM or BLOCK.PARAM.MEMBER, for example TB.SERVO_GAIN or "
                              "AO.XD_SCALE.EU_100 (BLOCK is RB, TB, AO, PID, DI1, DI2, SPLT or a block tag).";
    const size_t dot = spec.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 >= spec.size()) {
        error = "Error: \"" + spec + "\": " + usage;
        return 1;
    }
    const std::string blockPart = spec.substr(0, dot);
    for (int k = 0; k < fieldbus::kBlockKindCount; ++k) {
        const auto kind = static_cast<fieldbus::BlockKind>(k);
        if (strcasecmp(fieldbus::BlockKindName(kind), blockPart.c_str()) != 0) continue;
        address.block = device.BlockOf(kind);
        if (address.block < 0) {
            error = Format("Error: The device %s has no %s block.", device.Tag().c_str(), fieldbus::BlockKindName(kind));
            return 1;
        }
        address.kind = kind;
        address.blockName = fieldbus::BlockKindName(kind);
        address.name = spec.substr(dot + 1);
        return 0;
    }
    // A block tag, which may itself hold points: the longest one that the name starts with.
    std::string tags;
    size_t best = 0;
    for (int b = 0; b < device.GetBlockCount(); ++b) {
        const std::string tag = device.GetBlockTag(b);
        tags += (tags.empty() ? "" : ", ") + tag;
        if (!tag.empty() && spec.size() > tag.size() + 1 && spec.compare(0, tag.size(), tag) == 0 &&
            spec[tag.size()] == '.' && tag.size() > best) {
            best = tag.size();
            address.block = b;
            address.blockName = tag;
            address.name = spec.substr(tag.size() + 1);
        }
    }
    if (address.block < 0) {
        error = Format("Error: The device %s has no block \"%s\" (its blocks: %s). %s", device.Tag().c_str(),
                       blockPart.c_str(), tags.c_str(), usage.c_str());
        return 1;
    }
    for (int k = 0; k < fieldbus::kBlockKindCount; ++k)
        if (device.BlockOf(static_cast<fieldbus::BlockKind>(k)) == address.block)
            address.kind = static_cast<fieldbus::BlockKind>(k);
    return 0;
}

bool IsBlockModeName(const std::string& name) { return name.rfind("MODE_BLK", 0) == 0; }

ShownValue FormatSimple(const ValueType& type, const uint8_t* bytes, size_t size) {
    ShownValue shown;
    uint32_t numeric = 0;
    if (type.blockMode && size == 1) {
        // The octet as the program reads it, not mirrored as a bit string of the description.
        std::vector<std::string> names;
        std::string joined;
        for (int bit = 7; bit >= 0; --bit) {
            const uint8_t one = static_cast<uint8_t>(1u << bit);
            if (!(bytes[0] & one)) continue;
            names.push_back(fieldbus::ModeName(one));
            joined += (joined.empty() ? "" : " ") + names.back();
        }
        shown.text = (joined.empty() ? std::string("none") : joined) + Format(" (0x%02x)", bytes[0]);
        shown.json = {{"value", bytes[0]}, {"modes", names}};
        return shown;
    }
    if (HasItemsOfKind(type, NIF_ITEM_ENUM)) {
        const uint32_t value = BigEndian(bytes, size);
        std::string text;
        for (const auto& item : type.items)
            if (item.kind == NIF_ITEM_ENUM && item.value == value) text = ItemText(item);
        shown.text = text.empty() ? Format("%u", value) : Format("%s (%u)", text.c_str(), value);
        shown.json = {{"value", value}, {"text", ToUtf8(text)}};
        return shown;
    }
    if (type.dataType == NIF_DT_BSTRING || HasItemsOfKind(type, NIF_ITEM_BIT)) {
        const std::string hex = Codec().FormatValue(bytes, 0, values::FB_BIT_STRING, size, numeric);
        std::vector<std::string> set;
        std::string joined;
        for (const auto& item : type.items)
            if (item.kind == NIF_ITEM_BIT && (numeric & item.value) != 0) {
                set.push_back(ToUtf8(ItemText(item)));
                joined += (joined.empty() ? "" : ", ") + ItemText(item);
            }
        shown.text = joined.empty() ? hex : hex + " (" + joined + ")";
        shown.json = {{"value", numeric}, {"bits", set}};
        return shown;
    }
    const std::string text = Codec().FormatValue(bytes, 0, type.dataType, size, numeric);
    switch (type.dataType) {
        case NIF_DT_FLOAT: {
            shown.text = text;
            float f = 0.0f;
            if (size >= 4) {
                uint8_t copy[4];
                std::memcpy(copy, bytes, 4);
                f = Codec().ReadFloat(copy);
            }
            shown.json = JsonFloat(f);
            return shown;
        }
        case NIF_DT_UINT8:
        case NIF_DT_UINT16:
        case NIF_DT_UINT32:
            shown.text = Format("%u (%s)", numeric, text.c_str());
            shown.json = numeric;
            return shown;
        case NIF_DT_BOOLEAN:
        case NIF_DT_INT8:
        case NIF_DT_INT16:
        case NIF_DT_INT32:
            shown.text = text;
            shown.json = std::strtoll(text.c_str(), nullptr, 10);
            return shown;
        case NIF_DT_VSTRING:
        case NIF_DT_DATE:
        case NIF_DT_TDAY:
        case NIF_DT_TDIFF:
        case NIF_DT_TVALUE:
            shown.text = text;
            shown.json = ToUtf8(text);
            return shown;
        default:
            shown.text = Codec().FormatHexDump(bytes, size);
            shown.json = ToUtf8(shown.text);
            return shown;
    }
}

int ParseSimple(const ValueType& type, const std::string& input, std::vector<uint8_t>& bytes, std::string& error) {
    const size_t size = type.size;
    // Numbers, enumerations and bit strings take 1 to 4 octets (floats 4); texts any.
    const bool text = type.dataType == NIF_DT_VSTRING && !HasItemsOfKind(type, NIF_ITEM_ENUM) &&
                      !HasItemsOfKind(type, NIF_ITEM_BIT);
    if (!text && (size == 0 || size > 4 || (type.dataType == NIF_DT_FLOAT && size != 4))) {
        error = Format("Error: Values of %zu octets of this kind (%s) are not written from the command line.", size,
                       DataTypeWord(type.dataType).c_str());
        return 1;
    }
    if (type.blockMode && size == 1) {
        uint64_t value = 0;
        if (!ParseUnsigned(input, value)) {
            value = 0;
            std::string word;
            const std::string spaced = input + " ";
            for (const char c : spaced) {
                if (c != ' ' && c != '+' && c != ',') {
                    word += c;
                    continue;
                }
                if (word.empty()) continue;
                bool found = false;
                for (int bit = 0; bit < 8; ++bit)
                    if (strcasecmp(fieldbus::ModeName(static_cast<uint8_t>(1u << bit)).c_str(), word.c_str()) == 0) {
                        value |= 1u << bit;
                        found = true;
                    }
                if (!found) {
                    error = "Error: \"" + word + "\" names no mode; give mode names joined by \"+\" (OOS, IMAN, LO, "
                            "MAN, AUTO, CAS, RCAS, ROUT) or a number.";
                    return 1;
                }
                word.clear();
            }
        }
        if (value == 0 || value > 0xFF) {
            error = "Error: \"" + input + "\" is no mode: give mode names joined by \"+\" or a number from 1 to 255.";
            return 1;
        }
        bytes.assign(1, static_cast<uint8_t>(value));
        return 0;
    }
    if (HasItemsOfKind(type, NIF_ITEM_ENUM)) {
        std::string choices;
        for (const auto& item : type.items) {
            if (item.kind != NIF_ITEM_ENUM) continue;
            if (Lower(ChoiceText(item)) == Lower(Trim(ToUtf8(input)))) {
                PutBigEndian(item.value, size, bytes);
                return 0;
            }
            choices += (choices.empty() ? "" : ", ") + Format("\"%s\" (%u)", ChoiceText(item).c_str(), item.value);
        }
        // A number is one of the description's values: any other the device refuses, and only
        // after the write has taken the device out of service.
        uint64_t value = 0;
        if (ParseUnsigned(input, value))
            for (const auto& item : type.items)
                if (item.kind == NIF_ITEM_ENUM && item.value == value) {
                    PutBigEndian(value, size, bytes);
                    return 0;
                }
        error = "Error: \"" + ToUtf8(input) + "\" is none of the choices: " + choices + ".";
        return 1;
    }
    if (type.dataType == NIF_DT_BSTRING || HasItemsOfKind(type, NIF_ITEM_BIT)) {
        uint64_t value = 0;
        if (!ParseUnsigned(input, value)) {
            value = 0;
            const std::string lower = Lower(Trim(input));
            if (lower != "none" && !lower.empty()) {
                size_t from = 0;
                while (from <= input.size()) {
                    size_t to = input.find_first_of("+,", from);
                    if (to == std::string::npos) to = input.size();
                    const std::string name = Lower(Trim(ToUtf8(input.substr(from, to - from))));
                    bool found = false;
                    for (const auto& item : type.items)
                        if (item.kind == NIF_ITEM_BIT && Lower(ChoiceText(item)) == name) {
                            value |= item.value;
                            found = true;
                        }
                    if (!found) {
                        std::string names;
                        for (const auto& item : type.items)
                            if (item.kind == NIF_ITEM_BIT) names += (names.empty() ? "" : ", ") + ChoiceText(item);
                        error = "Error: \"" + Trim(input.substr(from, to - from)) +
                                "\" names no bit; give a number or bit names joined by \"+\" (" + names + ").";
                        return 1;
                    }
                    from = to + 1;
                }
            }
        }
        if (size < 4 && value >= (uint64_t{1} << (8 * size))) {
            error = Format("Error: %s does not fit in %zu bytes.", input.c_str(), size);
            return 1;
        }
        // Bit k of the value is bit k of the parameter: the octets in order from the lowest, each
        // with its bits mirrored (bit 0 is the most significant bit of the first octet).
        bytes.assign(size, 0);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
        Codec().MirrorBits(bytes.data(), static_cast<int>(bytes.size()));
        return 0;
    }
    switch (type.dataType) {
        case NIF_DT_FLOAT: {
            const std::string t = Trim(input);
            float f = 0.0f;
            if (Codec().IsInfinityText(t) || Lower(t) == "inf" || Lower(t) == "+inf") {
                f = t[0] == '-' ? Codec().NegativeInfinity() : Codec().PositiveInfinity();
            } else if (Lower(t) == "-inf") {
                f = Codec().NegativeInfinity();
            } else {
                char* end = nullptr;
                errno = 0;
                const double d = std::strtod(t.c_str(), &end);
                if (t.empty() || !end || *end != 0 || std::isnan(d) || errno == ERANGE ||
                    std::fabs(d) > std::numeric_limits<float>::max()) {
                    error = "Error: \"" + input + "\" is not a number (infinities: 1.#INF, -1.#INF).";
                    return 1;
                }
                f = static_cast<float>(d);
            }
            bytes.assign(4, 0);
            std::memcpy(bytes.data(), &f, 4);
            Codec().ReverseBytes(bytes.data(), 4);
            return 0;
        }
        case NIF_DT_UINT8:
        case NIF_DT_UINT16:
        case NIF_DT_UINT32: {
            uint64_t value = 0;
            if (!ParseUnsigned(input, value) || (size < 8 && value >= (uint64_t{1} << (8 * size)))) {
                error = Format("Error: \"%s\" is not a whole number from 0 to %llu.", input.c_str(),
                               static_cast<unsigned long long>((uint64_t{1} << (8 * std::min<size_t>(size, 4))) - 1));
                return 1;
            }
            PutBigEndian(value, size, bytes);
            return 0;
        }
        case NIF_DT_BOOLEAN:
        case NIF_DT_INT8:
        case NIF_DT_INT16:
        case NIF_DT_INT32: {
            int64_t value = 0;
            const int64_t limit = int64_t{1} << (8 * std::min<size_t>(size, 4) - 1);
            const bool boolean = type.dataType == NIF_DT_BOOLEAN;
            if (!ParseSigned(input, value) || (boolean ? (value < 0 || value > 1) : (value < -limit || value >= limit))) {
                error = boolean ? "Error: \"" + input + "\" is not 0 or 1."
                                : Format("Error: \"%s\" is not a whole number from %lld to %lld.", input.c_str(),
                                         static_cast<long long>(-limit), static_cast<long long>(limit - 1));
                return 1;
            }
            PutBigEndian(static_cast<uint64_t>(value), size, bytes);
            return 0;
        }
        case NIF_DT_VSTRING:
            if (input.size() > size) {
                error = Format("Error: The text is longer than %zu characters.", size);
                return 1;
            }
            bytes.assign(size, 0);
            std::memcpy(bytes.data(), input.data(), input.size());
            return 0;
        default:
            error = "Error: Values of this kind (" + DataTypeWord(type.dataType) + ") are not written from the command "
                    "line.";
            return 1;
    }
}

int SimpleTypeOf(fieldbus::FieldbusDevice& device, const ParameterAddress& address, ValueType& type,
                 std::string& error) {
    fieldbus::ObjectAttributes attributes;
    if (device.GetObjectAttributes(address.block, address.name, attributes) != 0) return 1;
    if (attributes.objectCode == NIF_OC_SIMPLE) {
        type.dataType = attributes.dataType;
        type.size = attributes.size;
        type.items = attributes.items;
        type.blockMode = IsBlockModeName(address.name);
        return 0;
    }
    fieldbus::ObjectTypeInfo info;
    std::vector<std::string> members;
    std::string list;
    if (RecordLayout(device, address.block, address.name, info, members) == 0)
        for (const std::string& m : members) list += (list.empty() ? "" : ", ") + m;
    error = "Error: " + address.Text() + " is a record; name one of its members" + (list.empty() ? "" : " (" + list + ")") +
            ", for example " + address.Text() + "." + (members.empty() ? std::string("1") : members.front()) + ".";
    return 1;
}

int ReadShownValue(fieldbus::FieldbusDevice& device, const ParameterAddress& address, ShownValue& value) {
    value = {};
    fieldbus::ObjectAttributes attributes;
    if (device.GetObjectAttributes(address.block, address.name, attributes) != 0) return 1;
    if (attributes.size == 0) {
        platform::ShowMessage("Error: " + address.Text() + " cannot be read.");
        return 1;
    }
    std::vector<uint8_t> bytes(attributes.size);
    uint16_t size = attributes.size;
    if (device.ReadParameter(address.block, address.name, bytes.data(), size) != 0) return 1;
    bytes.resize(size);

    if (attributes.objectCode == NIF_OC_SIMPLE) {
        ValueType type{attributes.dataType, size, attributes.items, IsBlockModeName(address.name)};
        value = FormatSimple(type, bytes.data(), bytes.size());
        return 0;
    }
    fieldbus::ObjectTypeInfo info;
    std::vector<std::string> members;
    if (attributes.objectCode == NIF_OC_VARLIST ||
        RecordLayout(device, address.block, address.name, info, members) != 0) {
        // A view or an object without a layout: its octets.
        value.text = Codec().FormatHexDump(bytes.data(), bytes.size());
        value.json = value.text;
        return 0;
    }
    size_t offset = 0;
    value.json = JsonValue::object();
    for (size_t k = 0; k < info.members.size() && k < members.size(); ++k) {
        const fieldbus::ObjectTypeMember& m = info.members[k];
        if (offset + m.size > bytes.size()) break;
        ValueType type{m.dataType, m.size, {}, IsBlockModeName(address.name)};
        fieldbus::ObjectAttributes memberAttributes;
        // The member's own texts (units, bits); a member without them is shown plainly.
        if (device.GetObjectAttributes(address.block, address.name + "." + members[k], memberAttributes) == 0)
            type.items = memberAttributes.items;
        ShownValue member = FormatSimple(type, bytes.data() + offset, m.size);
        member.name = members[k];
        value.json[ToUtf8(members[k])] = member.json;
        value.members.push_back(std::move(member));
        offset += m.size;
    }
    return 0;
}

}  // namespace cli
