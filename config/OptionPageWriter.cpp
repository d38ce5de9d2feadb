#include "config/ConfigPageWriters.h"
#include "config/PageWriterSupport.h"
#include "platform/Ui.h"

namespace config {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;

namespace {
constexpr uint32_t kCustomCharacterisationValue = 255;
}  // namespace

bool IsCustomCharacterisation(const ConfigEnumField<uint8_t>& type) {
    return type.value == kCustomCharacterisationValue || SameUnitText(type.text, "Define");
}

void OptionPageWriter::Run(const SheetEdits& edits, ChangeWriter& w, bool interactive) {
    const OptionGroup& e = edits.data.option;
    OptionGroup& r = w.Record().option;
    auto warn = [&](const char* text) {
        if (interactive && !w.Failed()) platform::ShowMessage(text);
    };

    if (!edits.choices.charTypeChosen) {
        warn("WARNING: No TB Pos char type selected; The parameter remains unchanged.");
    } else {
        // A custom curve goes first, so that the device never follows a half-defined curve.
        if (IsCustomCharacterisation(e.charType)) {
            bool pointsChanged = false;
            for (size_t i = 0; i < e.charPoints.size(); ++i)
                if (!SameFloat(e.charPoints[i], r.charPoints[i])) pointsChanged = true;
            w.Step(pointsChanged,
                   [wire = NineFloatsWire(e.charPoints)](DeviceAccess& d) { return d.WriteTbPositionChar(wire); },
                   [&r, points = e.charPoints] { r.charPoints = points; });
        }
        EnumField(w, BlockKind::TB, "POSITION_CHAR_TYPE", e.charType, r.charType, 1);
    }

    // The spring range's ends go together.
    const float eu100 = e.pressureRangeHigh, eu0 = e.pressureRangeLow;
    w.Step(!SameFloat(eu100, r.pressureRangeHigh) || !SameFloat(eu0, r.pressureRangeLow),
           [eu100, eu0](DeviceAccess& d) {
               const int status = d.WriteTbSpringRangeEu100(eu100);
               return status != 0 ? status : d.WriteTbSpringRangeEu0(eu0);
           },
           [&r, eu100, eu0] {
               r.pressureRangeHigh = eu100;
               r.pressureRangeLow = eu0;
           });
    if (!edits.choices.pressureUnitChosen)
        warn("WARNING: No TB Pressure Unit selected; The parameter remains unchanged.");
    else
        EnumField(w, BlockKind::TB, "SPRING_RANGE/UNITS_INDEX", e.pressureUnit, r.pressureUnit, 2);
    w.Field(e.supplyPressure, r.supplyPressure, &DeviceAccess::WriteTbSupplyPressure);
    if (!edits.choices.temperatureUnitChosen)
        warn("WARNING: No TB Temperature Unit selected; The parameter remains unchanged.");
    else
        EnumField(w, BlockKind::TB, "TEMPERATURE_UNIT", e.temperatureUnit, r.temperatureUnit, 2);

    const GeneralGroup& eg = edits.data.general;
    GeneralGroup& rg = w.Record().general;
    w.Field(eg.calibrationPerson, rg.calibrationPerson, &DeviceAccess::WriteTbXdCalWho);
    w.Field(eg.calibrationLocation, rg.calibrationLocation, &DeviceAccess::WriteTbXdCalLoc);
    w.Field(eg.calibrationDate, rg.calibrationDate,
            [wire = DateWire(eg.calibrationDate)](DeviceAccess& d) { return d.WriteTbXdCalDate(wire); });
    w.Field(eg.servoTuningInfo, rg.servoTuningInfo, &DeviceAccess::WriteTbTagDesc);
    // The boot class takes effect when the device next restarts.
    w.Field(eg.bootFunctionalClass, rg.bootFunctionalClass,
            [linkMaster = eg.bootFunctionalClass == 1](DeviceAccess& d) { return d.SetBootClass(linkMaster); });
}

}  // namespace config
