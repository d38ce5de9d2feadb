// The typed accessors of the table in TypedAccessorTable.h, each one line over the typed
// value helpers.
#include "fieldbus/BlockKind.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/TypedValues.h"

namespace fieldbus {

namespace {
enum class WriteRule { Plain, Prepared, Failsafe };
}  // namespace

#define FIELDBUS_DEFINE_READ(fn, kind, name, type, wire)                                  \
    int FieldbusDevice::fn(type& value) {                                                 \
        return ReadTypedValue(*this, BlockOf(BlockKind::kind), name, value, Wire::wire); \
    }
#define FIELDBUS_DEFINE_TEXT(fn, kind, name, type, wire)                                      \
    int FieldbusDevice::fn(type& value, std::string& text) {                                  \
        text.clear();                                                                         \
        const int block = BlockOf(BlockKind::kind);                                           \
        if (ReadTypedValue(*this, block, name, value, Wire::wire) != 0) return 1;            \
        return GetEnumText(block, name, text, static_cast<uint32_t>(value));                  \
    }
#define FIELDBUS_DEFINE_WRITE(fn, kind, name, type, wire, rule)                                \
    int FieldbusDevice::fn(const type& value) {                                                \
        if (WriteRule::rule == WriteRule::Prepared && IsOpen()) {                              \
            const int prepared = PrepareConfigurationChange();                                 \
            if (prepared != 0) return prepared;                                                \
        }                                                                                      \
        if (WriteRule::rule == WriteRule::Failsafe) {                                          \
            const int allowed = CanReleaseFailsafe();                                          \
            if (allowed != 0) return allowed;                                                  \
        }                                                                                      \
        return WriteTypedValue(*this, BlockOf(BlockKind::kind), name, value, Wire::wire);     \
    }

FIELDBUS_READ_ACCESSORS(FIELDBUS_DEFINE_READ)
FIELDBUS_TEXT_ACCESSORS(FIELDBUS_DEFINE_TEXT)
FIELDBUS_WRITE_ACCESSORS(FIELDBUS_DEFINE_WRITE)

#undef FIELDBUS_DEFINE_READ
#undef FIELDBUS_DEFINE_TEXT
#undef FIELDBUS_DEFINE_WRITE

int FieldbusDevice::ReadBlockErr(int block, uint16_t& value) {
    return ReadTypedValue(*this, block, "BLOCK_ERR", value, Wire::Bits16);
}

}  // namespace fieldbus
