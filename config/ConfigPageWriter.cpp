#include "config/ConfigPageWriter.h"

#include <cmath>
#include <cstring>

#include "values/ValueCodec.h"

namespace config {

bool SameFloat(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool ChangeWriter::Step(bool changed, const DeviceWrite& write, const std::function<void()>& store) {
    if (failed_) return false;
    if (!changed) return true;
    if (target_.device != nullptr) {
        fieldbus::DeviceAccess& device = *target_.device;
        const int status = OrInPlace(target_.runBus)([&] { return write(device); });
        if (status != 0) {
            failed_ = true;
            return false;
        }
    }
    store();
    stored_ = true;
    return true;
}

bool ConfigPageWriter::HasChanges(const SheetEdits& edits, const CConfigData& record) {
    CConfigData scratch = record;
    const PageWriteTarget none;
    ChangeWriter writer(scratch, none);
    Run(edits, writer, false);
    return writer.Stored();
}

int ConfigPageWriter::Write(const SheetEdits& edits, CConfigData& record, const PageWriteTarget& target) {
    ChangeWriter writer(record, target);
    Run(edits, writer, true);
    storedAny_ = writer.Stored();
    return writer.Result();
}

namespace {
void PutFloat(uint8_t* out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
}
}  // namespace

fieldbus::RawRecord8 FloatPairWire(const std::array<float, 2>& pair) {
    fieldbus::RawRecord8 wire{};
    PutFloat(wire.data(), pair[0]);
    PutFloat(wire.data() + 4, pair[1]);
    return wire;
}

fieldbus::RawRecord36 NineFloatsWire(const std::array<float, 9>& points) {
    fieldbus::RawRecord36 wire{};
    for (size_t i = 0; i < 9; ++i) PutFloat(wire.data() + 4 * i, points[i]);
    return wire;
}

fieldbus::RawRecord7 DateWire(const ConfigDate& date) {
    fieldbus::RawRecord7 wire{};
    values::ValueCodec::Instance().EncodeDate(date.ToFieldbusDate(), wire.data());
    return wire;
}

}  // namespace config
