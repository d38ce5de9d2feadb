// pid: the PID block as the PID Process Controller shows and operates it.
#include <strings.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli/CascadeInput.h"
#include "cli/Context.h"
#include "config/CConfigData.h"
#include "config/OfflineDefault.h"
#include "controller/PidController.h"
#include "logon/HasPrivilege.h"

namespace cli {

namespace {

int StateOf(const std::string& word) {
    for (int state = controller::kStateRcas; state <= controller::kStateSim; ++state) {
        std::string name = controller::PidStateName(state);
        if (!name.empty() && name.back() == '.') name.pop_back();  // "SIM." or "sim"
        if (strcasecmp(name.c_str(), word.c_str()) == 0 || strcasecmp(controller::PidStateName(state), word.c_str()) == 0)
            return state;
    }
    return -1;
}

std::string StateText(int state) {
    const std::string name = controller::PidStateName(state);
    return name.empty() ? "other" : name;
}

std::string Number(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    return text;
}

bool ParseNumber(const std::string& text, float& value) {
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0';
}

// The controller's window on a terminal: the simulation's timer is the verb's loop.
class TerminalHost : public controller::ControllerHost {
public:
    void StartSimulationTimer(uint32_t periodMs) override { periodMs_ = periodMs; }
    void StopSimulationTimer() override { periodMs_ = 0; }
    void ControllerChanged() override {}
    uint32_t PeriodMs() const { return periodMs_; }

private:
    uint32_t periodMs_ = 0;
};

// The PID's state and values, read afresh.
void Show(Context& ctx, fieldbus::FieldbusDevice& device, const std::string& tag, int state) {
    fieldbus::StatusValue sp, pv, out;
    const bool spRead = device.ReadPidSp(sp) == 0, pvRead = device.ReadPidPv(pv) == 0,
               outRead = device.ReadPidOut(out) == 0;
    ctx.Pump();
    if (ctx.Json()) {
        JsonValue answer = {{"tag", tag}, {"state", StateText(state)}};
        answer["sp"] = spRead ? JsonFloat(sp.value) : JsonValue();
        answer["pv"] = pvRead ? JsonFloat(pv.value) : JsonValue();
        answer["out"] = outRead ? JsonFloat(out.value) : JsonValue();
        ctx.PrintJson(answer);
        return;
    }
    auto text = [](bool read, float value) { return read ? Number(value) : std::string("?"); };
    ctx.Print(tag + ": " + StateText(state) + "  SP " + text(spRead, sp.value) + "  PV " + text(pvRead, pv.value) +
              "  OUT " + text(outRead, out.value));
}

int RunPid(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    int requested = -1;
    if (ctx.Given("mode")) {
        requested = StateOf(ctx.Option("mode"));
        if (requested < 0) {
            ctx.Error("Error: \"" + ctx.Option("mode") + "\" is no PID state: rcas, cas, auto, man or sim.");
            return kExitUsage;
        }
    }
    float sp = 0, out = 0, seconds = 0;
    if ((ctx.Given("sp") && !ParseNumber(ctx.Option("sp"), sp)) ||
        (ctx.Given("out") && !ParseNumber(ctx.Option("out"), out))) {
        ctx.Error("Error: --sp and --out take a number.");
        return kExitUsage;
    }
    if (!ParseNumber(ctx.Option("seconds"), seconds) || seconds < 1 || seconds > 86400) {
        ctx.Error("Error: --seconds takes a number of seconds from 1 to 86400.");
        return kExitUsage;
    }
    // What the requested state would refuse is refused before the state changes.
    if (requested >= 0 && ctx.Given("sp") && requested != controller::kStateMan &&
        requested != controller::kStateAuto && requested != controller::kStateSim) {
        ctx.Error("Error: The set point is entered only in MAN, AUTO or SIM.; --mode " + ctx.Option("mode") +
                  " would not take it.");
        return kExitUsage;
    }
    if (requested >= 0 && ctx.Given("out") && requested != controller::kStateMan) {
        ctx.Error("Error: The output is entered only in MAN; --mode " + ctx.Option("mode") + " would not take it.");
        return kExitUsage;
    }
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);
    if (device.BlockOf(fieldbus::BlockKind::PID) < 0) {
        ctx.Error("Error: " + tag + " has no PID block.");
        return kExitFailed;
    }
    // CAS needs a set point from another block: without a link object feeding CAS_IN the block
    // would stay in AUTO with its target at CAS until the change gives up.
    if (requested == controller::kStateCas) {
        const CascadeInput cascade = CascadeInputOf(device, device.BlockOf(fieldbus::BlockKind::PID));
        ctx.Pump();
        if (cascade != CascadeInput::Linked) {
            ctx.Error(cascade == CascadeInput::NotLinked
                          ? "Error: The PID block of " + tag + " cannot be CAS: no link object feeds its CAS_IN."
                          : "Error: Whether a link object feeds the PID's CAS_IN of " + tag + " could not be read.");
            return kExitFailed;
        }
    }

    // The PV range onto which the simulation maps READBACK: the offline default configuration's,
    // as the program has it before a configuration is read.
    config::CConfigData& record = config::CurrentConfig();
    std::string ignored;
    config::LoadOfflineDefaultFile(record, ignored, config::ExecutableFolder());
    controller::ControllerOptions options;
    options.tag = tag;
    options.pvRangeLow = record.pid.pvRangeLow;
    options.pvRangeHigh = record.pid.pvRangeHigh;
    TerminalHost host;
    controller::PidController pid(&device, host, options);
    pid.Fill(0);  // no view readers: the verb reads what it shows
    ctx.Pump();

    int result = kExitOk;
    if (requested >= 0) {
        // The simulation needs privilege class 1 (the message says so when refused).
        if (requested == controller::kStateSim && !logon::HasPrivilege(1)) {
            pid.Close();
            return kExitRefused;
        }
        const std::string name = StateText(requested);
        ctx.Progress("Changing the PID to " + name + (name.back() == '.' ? ".." : "..."));
        pid.ChangeState(requested);
        ctx.Pump();
        if (pid.ShownState() != requested) {
            // The messages said why; the simulation's warning not answered Yes is a refusal.
            result = requested == controller::kStateSim && !ctx.Common().yes ? kExitRefused : kExitFailed;
        }
    }
    if (result == kExitOk && ctx.Given("sp")) {
        if (!pid.SetPointEnabled()) {
            ctx.Error("Error: The set point is entered only in MAN, AUTO or SIM.; the PID is " +
                      StateText(pid.ShownState()) + ".");
            result = kExitFailed;
        } else if (pid.EnterSetPoint(sp) != 0) {
            result = kExitFailed;
        }
        ctx.Pump();
    }
    if (result == kExitOk && ctx.Given("out")) {
        if (!pid.OutputEnabled()) {
            ctx.Error("Error: The output is entered only in MAN; the PID is " + StateText(pid.ShownState()) + ".");
            result = kExitFailed;
        } else if (pid.EnterOutput(out) != 0) {
            result = kExitFailed;
        }
        ctx.Pump();
    }

    if (pid.Simulating()) {
        // The training simulation: READBACK into PID IN once a period until the time is up,
        // Ctrl+C, or a failed step.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
        while (pid.Simulating() && !Interrupted() && std::chrono::steady_clock::now() < end) {
            const auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(host.PeriodMs());
            while (!Interrupted() && std::chrono::steady_clock::now() < next)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (Interrupted()) break;
            if (pid.SimulationTick() != 0) result = kExitFailed;
            ctx.Pump();
            if (!ctx.Json() && pid.Simulating()) Show(ctx, device, tag, pid.ShownState());
        }
    }
    // Ending: PV_FTIME goes back, and a simulation's end offers MAN (--yes takes it).
    pid.Close();
    ctx.Pump();
    pid.Fill(0);
    ctx.Pump();
    Show(ctx, device, tag, pid.ShownState());
    return result;
}

}  // namespace

Verb PidVerb() {
    Verb verb;
    verb.name = "pid";
    verb.arguments = "TAG";
    verb.summary = "show or operate a device's PID block";
    verb.description =
        "Shows the PID block of the device with the PD tag TAG as the PID Process Controller does: its state "
        "(RCAS, CAS, AUTO, MAN, SIM. or other when the modes match none, or AO and TB are not ready for PID "
        "control), and its set point, process value and output.\n\n"
        "--mode changes the state as the controller's buttons do (AO is put in CAS and TB in AUTO first when "
        "needed). --sp writes the set point (only in MAN, AUTO or SIM.), --out the output (only in MAN); they "
        "act after --mode, and what the requested state would not take is refused before the state changes "
        "(exit status 64). CAS is refused at once when no link object feeds the PID's CAS_IN.\n\n"
        "--mode sim is the training simulation: it needs privilege class 1 and the warning answered (--yes); "
        "the link object feeding PID IN is removed for good, and for --seconds the valve position (AO READBACK) "
        "mapped onto the PV range is written into PID IN once a second, with a line per step. At its end "
        "PV_FTIME goes back to its value before, and the PID block stays in AUTO unless the question that "
        "offers MAN is answered Yes (--yes).";
    verb.options = {{"mode", "M", "The state to change to: rcas, cas, auto, man or sim.", ""},
                    {"sp", "V", "The set point to write.", ""},
                    {"out", "V", "The output to write.", ""},
                    {"seconds", "S", "How long the simulation runs.", "10"}};
    verb.examples = {"tessaro-cli pid FV-101", "tessaro-cli pid FV-101 --mode man --out 40",
                     "tessaro-cli pid FV-101 --mode auto --sp 55",
                     "tessaro-cli pid FV-101 --mode sim --sp 60 --seconds 20 --yes"};
    verb.minArguments = 1;
    verb.maxArguments = 1;
    verb.run = RunPid;
    return verb;
}

}  // namespace cli
