#pragma once
// The standard actuator signature a positioner keeps as its baseline or its record (saved at
// commissioning or after maintenance), uploaded so that today's curve can be laid over it.
// Uploading only selects the stored measurement and pages through it: nothing of the device's
// configuration is written.
#include <string>

#include "diagnostics/CSignatureData.h"
#include "diagnostics/SignatureLoader.h"

namespace diagnostics {

enum StoredUploadResult : int {
    StoredUploaded = 0,  // `data` holds the stored curve
    StoredFailed = 1,    // the upload failed; `error` says why
    StoredEmpty = 2,     // the device keeps nothing there yet
};

// "BASELINE" or "RECORD".
const char* StoredSignatureWord(bool baseline);

// Uploads the stored standard signature into `data` (made anew: data source baseline or
// record, counted as saved since the device holds it).
int UploadStoredSignature(SignatureDevice& device, bool baseline, CSignatureData& data, std::string& error);

}  // namespace diagnostics
