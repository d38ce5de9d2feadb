#pragma once
// The signature measurements a positioner keeps, as the report lists them: for each of the
// six stored records (SIGN_UPLOAD_DATABASE 1 to 6) its date and header.
#include <vector>

#include "report/ReportContext.h"

namespace fieldbus {
class DeviceAccess;
}

namespace report {

// Selects each record and reads SIGN_MEAS_DATE and SIGN_HEADER_DATA. A record whose date is
// all zero was never measured. A device without the signature parameters, or one that does
// not answer, gives no summaries (empty).
std::vector<SignatureSummary> ReadSignatureSummaries(fieldbus::DeviceAccess& device);

}  // namespace report
