#include "query/BlockParameters.h"

#include "values/ValueCodec.h"

namespace query {

namespace {

// Object codes of the type descriptions.
constexpr uint8_t kArray = 8;
constexpr uint8_t kRecord = 9;
constexpr uint8_t kVariableList = 10;

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

}  // namespace

size_t BlockLayout::FieldCount() const {
    size_t count = 0;
    for (const ParameterLayout& p : parameters) count += p.fields.size();
    return count;
}

int ReadBlockLayout(fieldbus::DeviceAccess& device, int block, BlockLayout& layout, const std::atomic<bool>* stop) {
    layout = {};
    layout.block = block;
    std::vector<std::string> names;
    if (device.GetParameterNames(block, names) != 0) return 1;
    for (size_t i = 0; i < names.size(); ++i) {
        if (Stopped(stop)) return 1;
        const int relative = static_cast<int>(i) + 1;  // relative index 0 is the block itself
        fieldbus::ObjectTypeInfo type;
        if (device.GetObjectType(block, relative, 0, type) != 0) return 1;
        ParameterLayout parameter;
        parameter.relativeIndex = relative;
        parameter.size = type.size;
        const bool members = type.objectCode == kArray || type.objectCode == kRecord || type.objectCode == kVariableList;
        if (!members || type.members.empty()) {
            parameter.fields.push_back({names[i], 0, type.size, type.dataType});
        } else {
            uint32_t offset = 0;
            for (size_t m = 0; m < type.members.size(); ++m) {
                const fieldbus::ObjectTypeMember& member = type.members[m];
                std::string name = names[i] + "[" + std::to_string(m + 1) + "]";
                if (type.objectCode != kArray) {
                    const std::string memberName = device.GetParameterName(block, relative, static_cast<int>(m + 1));
                    if (!memberName.empty()) name = names[i] + "." + memberName;
                }
                parameter.fields.push_back({name, static_cast<uint16_t>(offset), member.size, member.dataType});
                offset += member.size;
            }
            // A description whose members do not add up is shown as the whole object.
            if (offset != type.size) parameter.fields = {{names[i], 0, type.size, type.dataType}};
        }
        layout.parameters.push_back(std::move(parameter));
    }
    return 0;
}

std::string FormatField(const std::vector<uint8_t>& bytes, const ParameterField& field) {
    if (static_cast<size_t>(field.offset) + field.size > bytes.size() || field.size == 0) return {};
    uint32_t numeric = 0;
    return values::ValueCodec::Instance().FormatValue(bytes.data(), field.offset, field.dataType, field.size, numeric);
}

int ReadBlockValues(fieldbus::DeviceAccess& device, const BlockLayout& layout, std::vector<ParameterRow>& rows,
                    const std::atomic<bool>* stop) {
    rows.clear();
    int failed = 0;
    for (const ParameterLayout& parameter : layout.parameters) {
        if (Stopped(stop)) return 1;
        std::vector<uint8_t> bytes(parameter.size);
        uint16_t size = parameter.size;
        const bool read = parameter.size > 0 &&
                          device.ReadParameterByIndex(layout.block, parameter.relativeIndex, bytes.data(), size) == 0;
        if (!read) ++failed;
        bytes.resize(read ? size : 0);
        for (const ParameterField& field : parameter.fields) rows.push_back({field.name, FormatField(bytes, field)});
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace query
