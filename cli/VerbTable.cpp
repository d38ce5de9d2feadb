#include "cli/VerbTable.h"

// Every verb, one line each: X(Function), where verbs/<Name>Verb.cpp defines
// `cli::Verb Function()`. A new verb is a new file in verbs/ and a line here.
#define TESSARO_CLI_VERBS(X) \
    X(ScanVerb)              \
    X(InfoVerb)              \
    X(GetVerb)               \
    X(SetVerb)               \
    X(StateVerb)             \
    X(BackupVerb)            \
    X(RestoreVerb)           \
    X(DiffVerb)              \
    X(DatasetVerb)           \
    X(WatchVerb)             \
    X(TrendVerb)             \
    X(FirmwareVerb)          \
    X(SigExportVerb)         \
    X(CalibrateVerb)         \
    X(SelfCheckVerb)         \
    X(SignatureVerb)         \
    X(ReportVerb)

namespace cli {

#define TESSARO_CLI_DECLARE(Function) Verb Function();
TESSARO_CLI_VERBS(TESSARO_CLI_DECLARE)
#undef TESSARO_CLI_DECLARE

const std::vector<Verb>& Verbs() {
#define TESSARO_CLI_MAKE(Function) Function(),
    static const std::vector<Verb> verbs = {TESSARO_CLI_VERBS(TESSARO_CLI_MAKE)};
#undef TESSARO_CLI_MAKE
    return verbs;
}

const Verb* FindVerb(const std::string& name) {
    for (const Verb& verb : Verbs())
        if (verb.name == name) return &verb;
    return nullptr;
}

}  // namespace cli
