#include "diagnostics/StoredSignatureUpload.h"

namespace diagnostics {

const char* StoredSignatureWord(bool baseline) { return baseline ? "BASELINE" : "RECORD"; }

int UploadStoredSignature(SignatureDevice& device, bool baseline, CSignatureData& data, std::string& error) {
    data = CSignatureData(KindStandard);
    data.dataSource = baseline ? SourceBaseline : SourceRecord;
    SignatureLoadRequest request;
    request.kind = KindStandard;
    if (UploadSignature(device, request, data, error) != 0) {
        if (error.empty()) error = "Data Loading Error!";
        return StoredFailed;
    }
    // A store never written reads +infinity from its first point on.
    if (!data.HasPoints()) return StoredEmpty;
    data.saved = 1;
    return StoredUploaded;
}

}  // namespace diagnostics
