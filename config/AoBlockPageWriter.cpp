#include "config/ConfigPageWriters.h"
#include "config/PageWriterSupport.h"

namespace config {

using fieldbus::BlockKind;
using fieldbus::DeviceAccess;

void AoBlockPageWriter::Run(const SheetEdits& edits, ChangeWriter& w, bool) {
    const AoBlockGroup& e = edits.data.ao;
    AoBlockGroup& r = w.Record().ao;
    BitsField(w, BlockKind::AO, "IO_OPTS", e.ioOptions, r.ioOptions);
    BitsField(w, BlockKind::AO, "STATUS_OPTS", e.statusOptions, r.statusOptions);
    // The set-point limits and rate limits go together.
    const bool changed = !SameFloat(e.spHighLimit, r.spHighLimit) || !SameFloat(e.spLowLimit, r.spLowLimit) ||
                         !SameFloat(e.spRateUp, r.spRateUp) || !SameFloat(e.spRateDown, r.spRateDown);
    w.Step(changed,
           [e](DeviceAccess& d) {
               int status = d.WriteAoSpHiLim(e.spHighLimit);
               if (status == 0) status = d.WriteAoSpLoLim(e.spLowLimit);
               if (status == 0) status = d.WriteAoSpRateUp(e.spRateUp);
               if (status == 0) status = d.WriteAoSpRateDn(e.spRateDown);
               return status;
           },
           [&r, e] {
               r.spHighLimit = e.spHighLimit;
               r.spLowLimit = e.spLowLimit;
               r.spRateUp = e.spRateUp;
               r.spRateDown = e.spRateDown;
           });
}

}  // namespace config
