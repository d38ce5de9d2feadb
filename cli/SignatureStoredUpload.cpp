#include "cli/SignatureStoredUpload.h"

#include <sstream>

#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "diagnostics/SignatureFile.h"
#include "diagnostics/SignatureProcedure.h"
#include "diagnostics/SignatureReport.h"
#include "diagnostics/StoredSignatureUpload.h"
#include "graphs/SignatureGraphModel.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

int RunStoredSignatureUpload(Context& ctx, const std::string& tag, const std::string& which, const std::string& out) {
    const bool baseline = which == "baseline";
    if (!out.empty() && !MayWrite(out)) return kExitRefused;
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    std::shared_ptr<diagnostics::SignatureProcedure> procedure =
        diagnostics::SignatureProcedure::For(ctx.Link().Device(slot));
    procedure->SetDeviceTag(tag);

    diagnostics::CSignatureData record;
    std::string error;
    const int result = diagnostics::UploadStoredSignature(*procedure, baseline, record, error);
    ctx.Pump();
    if (result == diagnostics::StoredEmpty) {
        ctx.Error("Error: " + tag + " keeps no " + which + " signature (tessaro-cli signature " + tag +
                  " --save " + which + " keeps one).");
        return kExitFailed;
    }
    if (result != diagnostics::StoredUploaded) {
        ctx.Error("Error: The " + which + " signature of " + tag + " could not be uploaded: " + error);
        return kExitFailed;
    }
    // Analysed and written as the graph window does.
    graphs::SignatureGraphModel graphs;
    graphs.SetDevice(procedure.get(), tag);
    if (graphs.AddSignatureData(record) != 0 ||
        (!out.empty() && diagnostics::WriteSignatureFile(out, graphs.BlocksToWrite()) != 0)) {
        ctx.Pump();
        return kExitFailed;
    }
    const diagnostics::CSignatureData& shown = *graphs.Blocks().front().curves.front().record;
    ctx.Pump();
    if (ctx.Json()) {
        JsonValue answer = {{"tag", tag},
                            {"stored", which},
                            {"kind", diagnostics::KindTitle(shown.kind)},
                            {"date", shown.DateText()},
                            {"points", shown.curve1.size()},
                            {"summary", diagnostics::MeasurementSummaryText(shown)}};
        if (!out.empty()) answer["file"] = out;
        ctx.PrintJson(answer);
        return kExitOk;
    }
    ctx.Print(Format("%s (%s), %s, %zu points", diagnostics::KindTitle(shown.kind).c_str(),
                     diagnostics::StoredSignatureWord(baseline), shown.DateText().c_str(), shown.curve1.size()));
    std::stringstream lines(diagnostics::ResultAnalysisText(shown));
    for (std::string line; std::getline(lines, line);) {
        const size_t first = line.find_first_not_of("\t ");
        const size_t last = line.find_last_not_of("\r\t ");
        if (first != std::string::npos && line.rfind("Result Analysis", 0) != 0)
            ctx.Print("  " + line.substr(first, last - first + 1));
    }
    if (!out.empty()) ctx.Print("Saved the " + which + " signature of " + tag + " into " + out + ".");
    return kExitOk;
}

}  // namespace cli
