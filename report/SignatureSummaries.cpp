#include "report/SignatureSummaries.h"

#include <algorithm>

#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceAccess.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace report {

const char* StoredSignatureTitle(int code) {
    switch (code) {
        case 1: return "Standard Actuator Signature";
        case 2: return "Extended Actuator Signature";
        case 3: return "Step Response Test";
        case 4: return "Positioner Signature";
        case 5: return "Standard Actuator Signature (Baseline)";
        case 6: return "Standard Actuator Signature (Record)";
    }
    return "";
}

std::array<const char*, 8> SignatureHeaderLabels(int code) {
    switch (code) {
        case 2:
            return {"Lower Set Point(%)", "Higher Set Point(%)", "Recommended Scan Time(s)", "Setting Scan Time(s)",
                    "Deviation Margin(%)", "Sampling Rate(ms)", "", ""};
        case 3:
            return {"Initial Set Point(%)", "Destination Set Point(%)", "Sampling Rate(ms)", "Num of Samples",
                    "Step Size(%)", "Round Trip", "Init Start Position Error limit(%)",
                    "Init Start Pos. Time Limit(sec)"};
        case 4:
            return {"Lower Input Signal", "Higher Input Signal", "Intervals(points)", "Recommended Wait Time(s)",
                    "Wait Time (s)", "", "", ""};
        default:  // the standard signature: latest, baseline, record
            return {"Recommended Scan Time(s)", "Setting Scan Time(s)", "Deviation Margin(%)", "", "", "", "", ""};
    }
}

std::vector<SignatureSummary> ReadSignatureSummaries(fieldbus::DeviceAccess& device) {
    std::vector<SignatureSummary> summaries;
    const int tb = device.BlockOf(fieldbus::BlockKind::TB);
    if (tb < 0 || !device.IsOpen()) return summaries;
    values::ValueCodec& codec = values::ValueCodec::Instance();
    for (uint8_t code = 1; code <= 6; ++code) {
        SignatureSummary s;
        s.code = code;
        uint8_t date[7] = {};
        uint8_t header[36] = {};
        uint16_t dateSize = sizeof date, headerSize = sizeof header;
        if (device.WriteParameter(tb, "SIGN_UPLOAD_DATABASE", &code, 1) != 0 ||
            device.ReadParameter(tb, "SIGN_MEAS_DATE", date, dateSize) != 0 || dateSize != sizeof date ||
            device.ReadParameter(tb, "SIGN_HEADER_DATA", header, headerSize) != 0 || headerSize != sizeof header)
            return {};
        s.stored = std::any_of(std::begin(date), std::end(date), [](uint8_t b) { return b != 0; });
        if (s.stored) {
            const values::FieldbusDate d = codec.DecodeDate(date);
            s.date = platform::Format("%02u/%02u/%02u %02u:%02u:%02u", d.month, d.dayOfMonth, d.year % 100u, d.hours,
                                      d.minutes, d.seconds);
            for (size_t i = 0; i < 9; ++i) s.header[i] = codec.ReadFloat(header + 4 * i);
        }
        summaries.push_back(s);
    }
    return summaries;
}

}  // namespace report
