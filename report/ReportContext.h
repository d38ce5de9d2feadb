#pragma once
// What a report needs besides the configuration record: who made it and when, whether a
// device is open, and the signature measurements the device keeps.
#include <array>
#include <ctime>
#include <string>
#include <vector>

namespace report {

// One measurement stored in the positioner (selected with SIGN_UPLOAD_DATABASE 1 to 6):
// 1 standard, 2 extended, 3 step response, 4 positioner signature of the latest run,
// 5 the standard signature kept as baseline, 6 the one kept as record.
struct SignatureSummary {
    int code = 0;
    bool stored = false;            // a date was recorded for it
    std::string date;               // "mm/dd/yy hh:mm:ss"
    std::array<float, 9> header{};  // float 0 the temperature, then the kind's settings
};

// The titles of the stored measurements by code, and the labels of their header floats 1 to
// 8 ("" where the kind has none).
const char* StoredSignatureTitle(int code);
std::array<const char*, 8> SignatureHeaderLabels(int code);

struct ReportContext {
    std::string userName;
    std::time_t now = 0;
    bool deviceOpen = false;
    std::vector<SignatureSummary> signatures;  // empty without a device
};

}  // namespace report
