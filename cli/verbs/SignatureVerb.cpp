// signature: signature tests run by the positioner, uploaded and saved into a signature file.
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "cli/OptionNumber.h"
#include "cli/OutputPath.h"
#include "cli/SignatureStepOptions.h"
#include "cli/SignatureStoredUpload.h"
#include "diagnostics/SignatureCancelCheck.h"
#include "diagnostics/SignatureFile.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/SignatureMessages.h"
#include "diagnostics/SignaturePage.h"
#include "diagnostics/SignatureReport.h"
#include "diagnostics/SignatureSelection.h"
#include "graphs/SignatureGraphModel.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

namespace {

struct KindName {
    const char* name;
    int kind;
};
constexpr KindName kKindNames[] = {{"standard", diagnostics::KindStandard},
                                   {"extended", diagnostics::KindExtended},
                                   {"hires", diagnostics::KindHighResolution},
                                   {"step", diagnostics::KindStepResponse},
                                   {"positioner", diagnostics::KindPositioner}};

// "standard,positioner" or "all" into a run selection; 0 when a name is unknown.
uint8_t SelectionOf(const std::string& list) {
    if (list == "all") return diagnostics::kMeasureAll;
    uint8_t mask = 0;
    std::stringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        bool known = false;
        for (const KindName& k : kKindNames)
            if (name == k.name) {
                mask = static_cast<uint8_t>(mask | diagnostics::KindBit(k.kind));
                known = true;
            }
        if (!known) return 0;
    }
    return mask;
}

// The requested kinds checked as the page's boxes would be, under the rules of what the
// device offers: 0 with the message when one of them cannot be chosen.
uint8_t ChooseKinds(Context& ctx, const std::string& tag, const diagnostics::SignatureCapabilities& caps,
                    uint8_t requested, bool pcControlled) {
    diagnostics::SignatureSelection selection(caps);
    if (pcControlled) {
        if (!caps.makerEdition) {
            ctx.Error("Error: --pc-controlled signatures belong to the maker edition; this installation is the "
                      "partner edition.");
            return 0;
        }
        if (!selection.PcEnabled()) {
            ctx.Error("Error: --pc-controlled is for positioners with a pressure sensor that do not measure "
                      "signatures themselves; " + tag + " " +
                      (caps.measuresItself ? "measures them itself." : "has no pressure sensor."));
            return 0;
        }
        selection.SetPcControlled(true);
    }
    if (requested == diagnostics::kMeasureAll) {
        if (selection.AllEnabled()) return diagnostics::kMeasureAll;
        ctx.Error("Error: --kinds all is the device's own sequence, which " + tag + " does not measure" +
                  (pcControlled ? " with --pc-controlled." : "."));
        return 0;
    }
    const uint8_t excluding =
        diagnostics::KindBit(diagnostics::KindExtended) | diagnostics::KindBit(diagnostics::KindHighResolution);
    if ((requested & excluding) == excluding) {
        ctx.Error("Error: The high resolution and the extended signature exclude each other.");
        return 0;
    }
    for (int kind = 0; kind < diagnostics::kMeasuredKindCount; ++kind) {
        if ((requested & diagnostics::KindBit(kind)) == 0) continue;
        if (!selection.Enabled(kind)) {
            ctx.Error("Error: " + tag + " cannot measure the " + diagnostics::KindTitle(kind) +
                      (pcControlled                 ? " under PC control."
                       : !caps.measuresItself       ? "; --pc-controlled strokes the valve for the standard and "
                                                      "extended signatures."
                                                    : " without a pressure sensor."));
            return 0;
        }
        selection.SetKind(kind, true);
    }
    return selection.Mask();
}

// The signature page's window on a terminal: the progress window becomes lines on standard
// error, the graph window the graphs saved into the file.
class TerminalView : public diagnostics::SignaturePageView {
public:
    TerminalView(Context& ctx, graphs::SignatureGraphModel& graphs) : ctx_(ctx), graphs_(graphs) {}

    bool OpenProgress(bool) override { return true; }
    void ShowProgress() override {}
    void UpdateProgress(const diagnostics::SignatureProgressUpdate& u) override {
        // A line when the kind or the status changes, and every tenth of the way.
        const int tenth = static_cast<int>(u.percent) / 10;
        if (u.title == title_ && u.status == status_ && tenth == tenth_) return;
        title_ = u.title;
        status_ = u.status;
        tenth_ = tenth;
        const std::string percent = u.status == "RUNNING" ? Format(" %3.0f %%", static_cast<double>(u.percent)) : "";
        ctx_.Progress(Format("%s: %s%s  position %s  pressure %s", u.title.c_str(), u.status.c_str(), percent.c_str(),
                             u.position.c_str(), u.pressure.c_str()));
    }
    void CloseProgress() override {}
    void EnablePage(bool) override {}
    void EnableControls(bool, bool) override {}
    int CloseGraph() override { return 0; }
    int AddToGraph(const diagnostics::CSignatureData& record) override {
        ctx_.Progress(Format("Uploaded %s: %zu points", diagnostics::KindTitle(record.kind).c_str(),
                             record.curve1.size()));
        return graphs_.AddSignatureData(record) == 0 ? 0 : 1;
    }
    void RedrawGraph() override {}
    void ShowLoadingNotice(bool) override {}
    // Nobody watches the curves arrive: the next load starts at once.
    void StartLoadTimer(uint32_t) override { timerDue_ = true; }

    bool TakeTimer() {
        const bool due = timerDue_;
        timerDue_ = false;
        return due;
    }

private:
    Context& ctx_;
    graphs::SignatureGraphModel& graphs_;
    std::string title_, status_;
    int tenth_ = -1;
    bool timerDue_ = false;
};

// An --out path (when given) that names a file the command could write; the error said.
bool OutputPathUsable(Context& ctx, const std::string& out) {
    if (out.empty()) return true;
    const std::string problem = OutputPathProblem(out, "");
    if (!problem.empty()) ctx.Error(problem);
    return problem.empty();
}

int RunSignature(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const std::string upload = ctx.Option("upload");
    if (ctx.Given("upload")) {
        if (upload != "baseline" && upload != "record") {
            ctx.Error("Error: --upload takes baseline or record.");
            return kExitUsage;
        }
        if (ctx.Given("kinds") || ctx.Given("save") || ctx.Flag("pc-controlled") || HasStepOptions(ctx)) {
            ctx.Error("Error: --upload reads what the device keeps; it measures nothing (leave out --kinds, --save, "
                      "--pc-controlled and the step response options).");
            return kExitUsage;
        }
        const std::string out = ctx.Option("out");
        if (!OutputPathUsable(ctx, out)) return kExitUsage;
        return RunStoredSignatureUpload(ctx, tag, upload, out);
    }
    const uint8_t requested = SelectionOf(ctx.Option("kinds"));
    if (requested == 0) {
        ctx.Error("Error: --kinds takes all, or standard, extended, hires, step and positioner separated by "
                  "commas.");
        return kExitUsage;
    }
    const bool pcControlled = ctx.Flag("pc-controlled");
    const std::string save = ctx.Option("save");
    if (!save.empty() && save != "baseline" && save != "record") {
        ctx.Error("Error: --save takes baseline or record.");
        return kExitUsage;
    }
    const bool standard =
        requested == diagnostics::kMeasureAll || (requested & diagnostics::KindBit(diagnostics::KindStandard)) != 0;
    if (!save.empty() && !standard) {
        ctx.Error("Error: --save keeps the standard actuator signature; measure it too.");
        return kExitUsage;
    }
    const bool stepKind = requested == diagnostics::kMeasureAll ||
                          (requested & diagnostics::KindBit(diagnostics::KindStepResponse)) != 0;
    if (HasStepOptions(ctx) && !stepKind) {
        ctx.Error("Error: The step response options need --kinds step (or all).");
        return kExitUsage;
    }
    int timeout = 0;
    if (!ParseWholeNumber(ctx.Option("timeout"), 10, 86400, timeout)) {
        ctx.Error("Error: --timeout takes 10 to 86400 seconds.");
        return kExitUsage;
    }
    const std::string out = ctx.Option("out");
    if (!OutputPathUsable(ctx, out)) return kExitUsage;
    if (!out.empty() && !MayWrite(out)) return kExitRefused;

    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);
    const uint8_t selection =
        ChooseKinds(ctx, tag, diagnostics::ReadSignatureCapabilities(device), requested, pcControlled);
    if (selection == 0) return kExitFailed;
    std::shared_ptr<diagnostics::SignatureProcedure> procedure = diagnostics::SignatureProcedure::For(device);

    graphs::SignatureGraphModel graphs;
    graphs.SetDevice(procedure.get(), tag);
    TerminalView view(ctx, graphs);
    int result = kExitOk;
    bool measuredStandard = false;
    {
        diagnostics::SignaturePage page(view);
        page.SetDevice(procedure, tag);
        if (page.ReadSettingsFromDevice() != 0) {
            ctx.Pump();
            ctx.Error("Error: The signature settings of " + tag + " could not be read.");
            return kExitFailed;
        }
        if (HasStepOptions(ctx)) {
            // Checked as the settings sheet checks them, within the device's set point range.
            fieldbus::ScalingRecord range;
            float low = -10.0f, high = 110.0f;
            if (device.ReadTbFinalValueRange(range) == 0) {
                low = std::min(range.eu0, range.eu100);
                high = std::max(range.eu0, range.eu100);
            }
            bool resetOff = page.ResetOff();
            const std::string problem = ApplyStepOptions(ctx, selection == diagnostics::kMeasureAll, low, high,
                                                         page.Settings(), resetOff);
            if (!problem.empty()) {
                ctx.Error("Error: " + problem);
                return kExitUsage;
            }
            page.SetResetOff(resetOff);
        }
        page.SetSelection(selection);
        page.SetPcControlled(pcControlled);
        page.SetNotes(ctx.Option("notes"));
        ctx.Progress("Measuring on " + tag + " (Ctrl+C cancels) ...");
        const int go = page.Go();
        ctx.Pump();
        if (go != 0) {
            if (go == 2) return kExitRefused;
            ctx.Error("Error: The signature test of " + tag + " did not start (is it a positioner that measures "
                      "signatures, out of failsafe?).");
            return kExitFailed;
        }

        // The page follows the worker's notifications and loads each measurement.
        platform::Clock& clock = platform::GetClock();
        const uint64_t start = clock.NowMs();
        bool cancelled = false;
        while (page.IsRunning() || page.QueuedLoads() > 0 || !procedure->IsSignatureEnded()) {
            ctx.Pump();
            if (view.TakeTimer()) page.OnLoadTimer();
            if (Interrupted() && !cancelled) {
                cancelled = true;
                ctx.Progress("Asking " + tag + " to cancel the measurement ...");
                platform::PostMessage(page.Handle(), diagnostics::WM_SIG_CANCEL_ALL);
            }
            if (ctx.ServerLost() || clock.NowMs() - start > static_cast<uint64_t>(timeout) * 1000) {
                ctx.Error(ctx.ServerLost() ? "Error: The server stopped; the signature test was abandoned."
                                           : Format("Error: The signature test took longer than %d s; it was "
                                                    "abandoned.",
                                                    timeout));
                page.Abandon();
                result = kExitFailed;
                break;
            }
            clock.SleepMs(20);
        }
        ctx.Pump();
        if (cancelled) {
            // Called cancelled only once the device says its measurement has stopped.
            if (result == kExitOk && diagnostics::WaitCancelConfirmed(*procedure, pcControlled))
                ctx.Error("Error: The signature test of " + tag + " was cancelled.");
            else if (result == kExitOk)
                ctx.Error(Format("Error: %s did not confirm the cancel within %u s; it may still be measuring "
                                 "(the transducer and AO blocks stay out of service).",
                                 tag.c_str(), diagnostics::kCancelConfirmMs / 1000));
            result = kExitFailed;
        }
        // A kind that ended with an error fails the command, whatever came after it.
        if (!page.DeviceErrorText().empty() || page.RunFailed()) {
            if (!cancelled && result == kExitOk)
                ctx.Error("Error: A signature measurement of " + tag + " failed; the kinds uploaded are kept.");
            result = kExitFailed;
        }
        for (const graphs::SignatureGraphBlock& block : graphs.Blocks())
            for (const graphs::SignatureCurve& curve : block.curves)
                measuredStandard = measuredStandard || curve.record->kind == diagnostics::KindStandard;
    }
    procedure->StopSignature();

    std::vector<const diagnostics::CSignatureData*> records;
    for (const graphs::SignatureGraphBlock& block : graphs.Blocks())
        for (const graphs::SignatureCurve& curve : block.curves) records.push_back(curve.record.get());
    if (records.empty()) {
        ctx.Error("Error: No signature of " + tag + " was uploaded.");
        return kExitFailed;
    }
    if (!out.empty() && diagnostics::WriteSignatureFile(out, graphs.BlocksToWrite()) != 0) {
        ctx.Pump();
        return kExitFailed;
    }
    if (result != kExitOk)
        ctx.Error(Format("The %zu signature%s measured before the run ended %s kept%s.", records.size(),
                         records.size() == 1 ? "" : "s", records.size() == 1 ? "is" : "are",
                         (out.empty() ? std::string(" (--out saves them)") : " and saved into " + out).c_str()));
    std::string saved;
    if (!save.empty()) {
        if (!measuredStandard || procedure->SaveSignatureInDevice(save == "record") != 0) {
            ctx.Pump();
            ctx.Error("Error: The standard actuator signature was not saved as " + save + " in " + tag + ".");
            result = kExitFailed;
        } else {
            saved = save;
        }
    }
    ctx.Pump();

    if (ctx.Json()) {
        JsonValue list = JsonValue::array();
        for (const diagnostics::CSignatureData* record : records)
            list.push_back({{"kind", diagnostics::KindTitle(record->kind)},
                            {"date", record->DateText()},
                            {"points", record->curve1.size()},
                            {"summary", diagnostics::MeasurementSummaryText(*record)}});
        JsonValue answer = {{"tag", tag}, {"signatures", list}};
        if (!out.empty()) answer["file"] = out;
        if (!saved.empty()) answer["savedAs"] = saved;
        ctx.PrintJson(answer);
    } else {
        for (const diagnostics::CSignatureData* record : records) {
            ctx.Print(Format("%s, %s, %zu points", diagnostics::KindTitle(record->kind).c_str(),
                             record->DateText().c_str(), record->curve1.size()));
            // The result analysis under the measurement, a line each.
            std::stringstream lines(diagnostics::ResultAnalysisText(*record));
            for (std::string line; std::getline(lines, line);) {
                const size_t first = line.find_first_not_of("\t ");
                const size_t last = line.find_last_not_of("\r\t ");
                if (first != std::string::npos && line.rfind("Result Analysis", 0) != 0)
                    ctx.Print("  " + line.substr(first, last - first + 1));
            }
        }
        if (!out.empty())
            ctx.Print(Format("Saved %zu signature%s into %s.", records.size(), records.size() == 1 ? "" : "s",
                             out.c_str()));
        if (!saved.empty()) ctx.Print("The standard actuator signature is kept as " + saved + " in " + tag + ".");
    }
    return result;
}

}  // namespace

Verb SignatureVerb() {
    Verb verb;
    verb.name = "signature";
    verb.arguments = "TAG";
    verb.summary = "run signature tests on a positioner and save the curves";
    verb.description =
        "Runs signature tests on the positioner with the PD tag TAG as the diagnostics window's Signature page "
        "does: it reads the device's signature settings, asks before it takes the transducer and AO blocks out of "
        "service and before the valve moves (--yes agrees), makes the device measure the kinds of --kinds one "
        "after the other (or all of them in one device run), shows their progress on standard error, uploads "
        "each measurement with its analysis, and finally puts the valve back at its position from before the "
        "test. The blocks stay out of service.\n\n"
        "With --out the curves are saved into a signature file that the signature graph window opens; with "
        "--save the device keeps the standard actuator signature as its baseline or record. Ctrl+C cancels the "
        "measurement; the kinds measured before are still uploaded and saved. The exit status is 1 when a "
        "measurement failed, was cancelled or ended with a device error.\n\n"
        "The kinds follow the rules of the page: the actuator signatures need a pressure sensor, high resolution "
        "and extended exclude each other, and all is the device's own sequence. With --pc-controlled a "
        "positioner without the signature option gets its standard and extended signatures all the same: the "
        "program strokes the valve itself and records pressure against position.\n\n"
        "The step response takes its settings from the device; --start, --end, --sampling and --samples change "
        "them, and --step-size, --round-trip, --cycles, --automatic, --dead-band, --error-limit and --time-limit "
        "choose the series of steps as the settings sheet does (checked by the same rules).\n\n"
        "With --upload baseline or --upload record nothing is measured: the standard actuator signature the device "
        "keeps as its baseline or record is uploaded, analysed and saved with --out, so that a technician can lay "
        "today's curve over the one from commissioning in the signature graph window.";
    verb.options = {{"kinds", "LIST",
                     "What to measure: all (the device's own sequence: offset, standard, extended, step response, "
                     "positioner), or standard, extended, hires (high resolution), step and positioner separated "
                     "by commas.",
                     "standard"},
                    {"pc-controlled", "", "The program strokes the valve for the standard and extended signatures "
                                          "(positioners without the signature option).",
                     ""},
                    {"out", "FILE", "Save the uploaded curves into the signature file FILE (.sig), replaced only after "
                                    "asking.",
                     ""},
                    {"save", "AS", "Keep the standard actuator signature in the device as baseline or record.", ""},
                    {"upload", "WHICH",
                     "Measure nothing: upload the standard actuator signature the device keeps as baseline or "
                     "record (saved with --save at commissioning) to compare with today's curves.",
                     ""},
                    {"notes", "TEXT", "Notes stored with each curve.", ""},
                    {"timeout", "S", "Abandon the test after this many seconds.", "1800"}};
    for (VerbOption& option : StepResponseOptions()) verb.options.push_back(std::move(option));
    verb.examples = {"tessaro-cli signature FV-101 --yes --out FV-101_commissioning.sig --save baseline",
                     "tessaro-cli signature FV-101 --kinds all --yes --out FV-101_all.sig",
                     "tessaro-cli signature FV-101 --kinds step --start 20 --end 80 --step-size 20 --round-trip "
                     "--yes --out FV-101_steps.sig",
                     "tessaro-cli signature FV-101 --upload baseline --out FV-101_baseline.sig",
                     "tessaro-cli signature KV-201 --pc-controlled --kinds standard,extended --yes --out KV-201.sig"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunSignature;
    return verb;
}

}  // namespace cli
