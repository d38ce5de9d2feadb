#pragma once
// The writers behind the configuration sheet's pages. Each page fills its values into a
// working copy of the configuration record; on OK its writer compares every field of the
// page with the record and, for each field that differs, writes it to the device (when one is
// open) and stores it in the record. A failed write ends the writer: what was written before
// stays written and stored, the rest keeps the record's old values.
//
// Writers are plain classes: they reach the device through the device interface, run its
// bus work through the given runner, and ask their few questions through the platform Ui.
#include <cstdint>
#include <functional>
#include <string>

#include "config/BusRunner.h"
#include "config/CConfigData.h"
#include "fieldbus/DeviceAccess.h"

namespace config {

// Whether the user made a choice in the sheet's lists that may stay empty (a record whose
// current unit is not among its choices, a device address that is not valid).
struct SheetChoices {
    bool pvUnitChosen = true;
    bool charTypeChosen = true;
    bool pressureUnitChosen = true;
    bool temperatureUnitChosen = true;
    bool addressChosen = true;
};

// What the pages hand over on OK.
struct SheetEdits {
    CConfigData data;
    SheetChoices choices;
};

// Where the writers' changes go.
struct PageWriteTarget {
    fieldbus::DeviceAccess* device = nullptr;  // null: the record only
    BusRunner runBus;                          // empty: in place
    // Whether another device on the link carries the tag (General page); empty: no check.
    std::function<bool(const std::string& tag)> isTagUnique;
};

// Float fields compare as their values, with two undefined values counting as equal (so an
// untouched field of a damaged file is no change).
bool SameFloat(float a, float b);

// Writes the changed fields of one page in order and stores them; after the first failure it
// does nothing more.
class ChangeWriter {
public:
    using DeviceWrite = std::function<int(fieldbus::DeviceAccess&)>;

    ChangeWriter(CConfigData& record, const PageWriteTarget& target) : record_(record), target_(target) {}

    // When `changed`: runs `write` on the device (if there is one), then `store`. False once
    // anything failed.
    bool Step(bool changed, const DeviceWrite& write, const std::function<void()>& store);
    template <typename T>
    bool Field(const T& edited, T& stored, const DeviceWrite& write) {
        return Step(!(edited == stored), write, [&stored, edited] { stored = edited; });
    }
    bool Field(float edited, float& stored, const DeviceWrite& write) {
        return Step(!SameFloat(edited, stored), write, [&stored, edited] { stored = edited; });
    }
    // A field written with one typed accessor of the device.
    template <typename T>
    bool Field(const T& edited, T& stored, int (fieldbus::DeviceAccess::*write)(const T&)) {
        return Field(edited, stored, DeviceWrite([write, edited](fieldbus::DeviceAccess& d) { return (d.*write)(edited); }));
    }
    bool Field(float edited, float& stored, int (fieldbus::DeviceAccess::*write)(const float&)) {
        return Field(edited, stored, DeviceWrite([write, edited](fieldbus::DeviceAccess& d) { return (d.*write)(edited); }));
    }
    // Marks the page failed without a write (a refused choice).
    void Fail() { failed_ = true; }

    bool Failed() const { return failed_; }
    bool Stored() const { return stored_; }
    int Result() const { return failed_ ? 1 : 0; }
    fieldbus::DeviceAccess* Device() const { return target_.device; }
    const PageWriteTarget& Target() const { return target_; }
    CConfigData& Record() { return record_; }

private:
    CConfigData& record_;
    const PageWriteTarget& target_;
    bool failed_ = false;
    bool stored_ = false;
};


// One page's writer. HasChanges runs the page's fields against a copy of the record without
// a device and without questions; Write runs them for real.
class ConfigPageWriter {
public:
    virtual ~ConfigPageWriter() = default;
    // Whether any field of the page differs from the record.
    bool HasChanges(const SheetEdits& edits, const CConfigData& record);
    // 0 when every changed field was written and stored, 1 when a write failed or was refused.
    int Write(const SheetEdits& edits, CConfigData& record, const PageWriteTarget& target);
    // Whether the last Write stored anything in the record.
    bool StoredAny() const { return storedAny_; }

protected:
    // Moves the page's fields through `writer` in the page's order; without `interactive`
    // nothing is asked or shown.
    virtual void Run(const SheetEdits& edits, ChangeWriter& writer, bool interactive) = 0;

private:
    bool storedAny_ = false;
};

// Wire forms of the raw records the pages write: big-endian floats, and the Fieldbus DATE.
fieldbus::RawRecord8 FloatPairWire(const std::array<float, 2>& pair);
fieldbus::RawRecord36 NineFloatsWire(const std::array<float, 9>& points);
fieldbus::RawRecord7 DateWire(const ConfigDate& date);

}  // namespace config
