#pragma once
// Device writes shared by the page writers: enumerated values and options bit strings,
// written through a one-name parameter stream so that a choice known only by its text is
// resolved by the device's own texts.
#include "config/ConfigChoices.h"
#include "config/ConfigGroupFields.h"
#include "config/ConfigGroupOps.h"
#include "config/ConfigPageWriter.h"

namespace config {

template <typename V>
ChangeWriter::DeviceWrite EnumWrite(fieldbus::BlockKind kind, const char* name, const ConfigEnumField<V>& field,
                                    int size) {
    const fieldbus::EnumValue value = EnumToWrite(field, size);
    return [kind, name, value](fieldbus::DeviceAccess& d) {
        auto stream = ops::Stream(d, kind, {name});
        stream->WriteEnum(value);
        return stream->IsGood() != 0 ? 0 : 1;
    };
}

inline ChangeWriter::DeviceWrite BitsWrite(fieldbus::BlockKind kind, const char* name,
                                           const ConfigBitStringField& field) {
    const fieldbus::BitStringValue bits = BitsToWrite(field);
    return [kind, name, bits](fieldbus::DeviceAccess& d) {
        auto stream = ops::Stream(d, kind, {name});
        stream->WriteBitString(bits);
        return stream->IsGood() != 0 ? 0 : 1;
    };
}

// An enumerated field: written and stored when its choice changed.
template <typename V>
bool EnumField(ChangeWriter& w, fieldbus::BlockKind kind, const char* name, const ConfigEnumField<V>& edited,
               ConfigEnumField<V>& stored, int size) {
    return w.Step(!SameChoice(edited, stored), EnumWrite(kind, name, edited, size),
                  [&stored, edited] { stored = edited; });
}

inline bool BitsField(ChangeWriter& w, fieldbus::BlockKind kind, const char* name, const ConfigBitStringField& edited,
                      ConfigBitStringField& stored) {
    return w.Step(!SameBits(edited, stored), BitsWrite(kind, name, edited), [&stored, edited] { stored = edited; });
}

}  // namespace config
