// The graph window's commands that read what the device keeps: its stored baseline and record
// of the standard actuator signature, laid over the curves shown for comparison.
#include "diagnostics/StoredSignatureUpload.h"
#include "graphs/SignatureGraphModel.h"
#include "platform/Ui.h"

namespace graphs {

int SignatureGraphModel::LoadFromDevice(bool baseline) {
    const char* word = diagnostics::StoredSignatureWord(baseline);
    if (!device_) {
        platform::ShowMessage("The current selected device is invalid!");
        return 1;
    }
    CSignatureData record;
    std::string error;
    const int result = diagnostics::UploadStoredSignature(*device_, baseline, record, error);
    if (result == diagnostics::StoredEmpty) {
        platform::ShowMessage(platform::Format("%s keeps no %s signature.", tag_.empty() ? "The device" : tag_.c_str(),
                                               word),
                              platform::MB_OK | platform::MB_ICONINFORMATION);
        return 1;
    }
    if (result != diagnostics::StoredUploaded) {
        platform::ShowMessage(platform::Format("Failed to load the %s signature: %s", word, error.c_str()));
        return 1;
    }
    if (AddSignatureData(record) != 0) return 1;
    SetCurrentType(diagnostics::KindStandard);
    return 0;
}

}  // namespace graphs
