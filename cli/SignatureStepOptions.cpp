#include "cli/SignatureStepOptions.h"

#include "cli/Context.h"
#include "cli/OptionNumber.h"
#include "diagnostics/SignatureSettingsRules.h"

namespace cli {

namespace {

using namespace diagnostics;

struct NumberOption {
    const char* name;
    StepSetting setting;
    bool inMeasureAll;  // the sheet leaves it editable for a run of all kinds
};
constexpr NumberOption kNumbers[] = {
    {"start", kStepStart, true},          {"end", kStepEnd, true},
    {"sampling", kStepSampling, true},    {"samples", kStepSamples, true},
    {"step-size", kStepSize, false},      {"error-limit", kStepErrorLimit, false},
    {"time-limit", kStepTimeLimit, false},
};
constexpr const char* kFlags[] = {"round-trip", "automatic", "dead-band"};

}  // namespace

std::vector<VerbOption> StepResponseOptions() {
    return {{"start", "P", "Step response: initial set point (%).", ""},
            {"end", "P", "Step response: destination set point (%), at least 0.1 away from the start.", ""},
            {"sampling", "MS", "Step response: sampling rate, 20 to 1000 ms.", ""},
            {"samples", "N", "Step response: number of samples, 20 to 600.", ""},
            {"step-size", "P", "Step response: size of each step (%), 0 for one step from start to end.", ""},
            {"round-trip", "", "Step response: the steps go out and come back.", ""},
            {"cycles", "N", "Step response: N cycles of steps around 50 % (the start is then 50).", ""},
            {"automatic", "", "Step response: the automatic series around 50 %, doubling the step each round.", ""},
            {"dead-band", "", "Step response: the dead-band test (with --cycles; steps of at most 2 %).", ""},
            {"error-limit", "P", "Step response: how close (%) the valve must come to the start before the steps.",
             ""},
            {"time-limit", "S", "Step response: how long (10 to 60 s) the valve may take to reach the start.", ""}};
}

bool HasStepOptions(const Context& ctx) {
    for (const NumberOption& n : kNumbers)
        if (ctx.Given(n.name)) return true;
    for (const char* flag : kFlags)
        if (ctx.Flag(flag)) return true;
    return ctx.Given("cycles");
}

std::string ApplyStepOptions(const Context& ctx, bool measureAll, float rangeMin, float rangeMax,
                             SignatureSettings& settings, bool& resetOff) {
    SignatureSettings s = settings;
    for (const NumberOption& n : kNumbers) {
        if (!ctx.Given(n.name)) continue;
        if (measureAll && !n.inMeasureAll)
            return std::string("--") + n.name + " is not taken with --kinds all (the device's own sequence).";
        double value = 0.0;
        if (!ParseDecimal(ctx.Option(n.name), value)) return std::string("--") + n.name + " takes a number.";
        s.At(2, n.setting) = static_cast<float>(value);
    }

    // The page's controls: the round trip, several steps (cycles or automatic), dead band.
    StepPageChoice choice = DecodeRoundTrip(s.At(2, kStepRoundTrip));
    const bool seriesGiven = ctx.Given("cycles") || ctx.Flag("automatic");
    const bool choiceGiven = seriesGiven || ctx.Flag("round-trip") || ctx.Flag("dead-band");
    if (measureAll && choiceGiven)
        return "--round-trip, --cycles, --automatic and --dead-band are not taken with --kinds all.";
    if (ctx.Given("cycles") && ctx.Flag("automatic")) return "--cycles and --automatic exclude each other.";
    if (seriesGiven && ctx.Flag("round-trip"))
        return "--round-trip is for single steps; --cycles and --automatic come back by themselves.";
    if (ctx.Flag("dead-band") && !ctx.Given("cycles")) return "--dead-band needs --cycles.";
    if (choiceGiven) {
        choice = StepPageChoice{};
        choice.roundTrip = ctx.Flag("round-trip");
        choice.severalSteps = seriesGiven;
        choice.cycles = ctx.Given("cycles");
        choice.deadBand = ctx.Flag("dead-band");
        if (choice.cycles && !ParseWholeNumber(ctx.Option("cycles"), 1, 9999, choice.cycleCount))
            return "--cycles takes 1 to 9999.";
    }
    if (choice.severalSteps) {
        // A series of several steps runs around 50 %, as the page fixes it.
        if (ctx.Given("start") && s.At(2, kStepStart) != kSeriesStart)
            return "A series of several steps starts from 50 %; leave out --start.";
        s.At(2, kStepStart) = kSeriesStart;
    }
    if (const std::string problem = ValidateStepSettings(s, choice, measureAll, rangeMin, rangeMax); !problem.empty())
        return problem;
    bool off = resetOff;
    EncodeRoundTrip(choice, measureAll, s, off);
    settings = s;
    resetOff = off;
    return {};
}

}  // namespace cli
