// dataset: the named configuration data sets the partner host keeps for a positioner, in the
// host's database as the plug-in build uses it: list, save, load into a file, delete.
#include <unistd.h>

#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "cli/TerminalText.h"
#include "config/ConfigDatabase.h"
#include "config/ConfigFile.h"
#include "logon/CurrentUser.h"
#include "platform/Ui.h"
#include "plugin/QamHostDatabase.h"

using platform::Format;

namespace cli {

namespace {

// The host's client library is linked in here: the entry points the plug-in resolves at start.
plugin::QamApi LinkedHostLibrary() {
    plugin::QamApi api;
    api.OpenSession = &qamZOpenSession;
    api.CloseSession = &qamZCloseSession;
    api.OpenParamListInterface = &qamZSVOpenParamListInterface;
    api.AllocParamList = &qamZSVAllocParamList;
    api.SetParamValue = &qamZSVSetParamValue;
    api.GetParamValue = &qamZSVGetParamValue;
    api.FreeParamList = &qamZSVFreeParamList;
    api.CloseInterface = &qamZSVCloseInterface;
    api.SaveParamList = &qamZDBSaveParamList;
    api.SearchParamList = &qamZDBSearchParamList;
    api.GetParamListDbInfo = &qamZDBGetParamListDbInfo;
    api.LoadParamList = &qamZDBLoadParamList;
    api.DeleteParamListDb = &qamZDBDeleteParamListDb;
    api.BeginTransaction = &qamZDBBeginTransaction;
    api.EndTransaction = &qamZDBEndTransaction;
    api.LogMessage = &qamZLogMessage;
    api.GetErrInfo = &qamZGetErrInfo;
    return api;
}

std::string TrimRight(const std::string& text) {
    const size_t last = text.find_last_not_of(" \t");
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

int RunDataset(Context& ctx) {
    const std::string& tag = ctx.Argument(0);
    const std::string& action = ctx.Argument(1);
    const size_t wanted = action == "list" ? 2 : action == "load" ? 4 : (action == "save" || action == "delete") ? 3 : 0;
    if (wanted == 0 || ctx.Arguments().size() != wanted) {
        ctx.Error("Error: Use \"dataset TAG list\", \"dataset TAG save NAME\", \"dataset TAG load NAME FILE\" or "
                  "\"dataset TAG delete NAME\".");
        return kExitUsage;
    }
    // A name is kept without its trailing blanks, as the plug-in's save dialog keeps it.
    const std::string name = wanted > 2 ? TrimRight(ctx.Argument(2)) : std::string();
    if (wanted > 2 && Trim(name).empty()) {
        platform::ShowMessage("The selected data name is NULL");
        return kExitFailed;
    }

    // The host keeps the data sets by the device's identifier.
    const int slot = ctx.FindSlot(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();
    if (!link.IsPositioner(slot)) {
        ctx.Error("Error: " + tag + " is not a positioner of this program; it has no configuration data sets.");
        return kExitFailed;
    }
    const plugin::QamApi api = LinkedHostLibrary();
    plugin::QamHostDatabase host(api);
    host.SetReporter([&ctx](const std::string& line) { ctx.Progress(line); });
    const std::string path = ctx.Given("db") ? ctx.Option("db") : plugin::QamHostDatabase::DatabasePath();
    char hostName[256] = {};
    gethostname(hostName, sizeof hostName - 1);
    const plugin::QamSessionInfo who{Format("cli-%d", static_cast<int>(getpid())), hostName,
                                     logon::CurrentUser::Name(), link.GetDeviceId(slot), tag};
    if (host.Open(path, who) != 0) {
        ctx.Error("Error: The host's database " + path + " cannot be opened.");
        return kExitFailed;
    }
    config::CConfigData data;
    config::ConfigDatabase database(host, data);

    std::vector<std::string> names;
    std::vector<config::HostEntry> entries;
    if (database.ListConfigurationSets(names, &entries) != 0) {
        ctx.Error("Error: The data sets of " + tag + " cannot be listed.");
        return kExitFailed;
    }
    if (action == "list") {
        if (ctx.Json()) {
            JsonValue sets = JsonValue::array();
            for (const config::HostEntry& entry : entries) sets.push_back({{"name", entry.name}, {"saved", entry.texts[5]}});
            ctx.PrintJson({{"tag", tag}, {"database", path}, {"dataSets", sets}});
        } else {
            for (const config::HostEntry& entry : entries) ctx.Print(entry.name + "  (" + entry.texts[5] + ")");
        }
        return kExitOk;
    }

    int result = 1;
    if (action == "save") {
        std::string replaces;
        for (const std::string& saved : names)
            if (Trim(saved) == Trim(name)) replaces = saved;
        if (!replaces.empty() &&
            platform::GetUi().MessageBox(
                Format("Data [%s] alreay exists in the database.\n", name.c_str()) + "Do you want to overwrite it?\n",
                "Overwrite", platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) != platform::IDYES)
            return kExitRefused;
        ctx.Progress("Reading the configuration of " + tag + " ...");
        if (ReadConfigurationOf(ctx, tag, data) != 0) return kExitFailed;
        ctx.Progress("Saving Configuration Data to " + name);
        result = database.SaveConfigurationSet(name, replaces);
    } else if (action == "delete") {
        if (platform::GetUi().MessageBox(Format("You are going to delete configuratio data [%s].\n", name.c_str()) +
                                             "Proceed to delete?\n",
                                         "Delete", platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
                                             platform::IDYES)
            return kExitRefused;
        result = database.DeleteConfigurationSet(name);
    } else {
        // The device's configuration with the data set laid over it, ready for "restore".
        const std::string& file = ctx.Argument(3);
        if (!MayWrite(file)) return kExitRefused;
        ctx.Progress("Reading the configuration of " + tag + " ...");
        if (ReadConfigurationOf(ctx, tag, data) != 0) return kExitFailed;
        ctx.Progress("Loading Configuration Data");
        result = database.LoadConfigurationSet(name);
        if (result == 0) result = config::WriteConfigurationFile(data, file) == 0 ? 0 : 1;
    }
    ctx.Pump();
    if (ctx.Json()) ctx.PrintJson({{"tag", tag}, {"action", action}, {"name", name}, {"result", result == 0 ? "done" : "failed"}});
    else if (result == 0) ctx.Print(action == "load" ? "Loaded " + name + " into " + ctx.Argument(3) : "Done: " + action + " " + name);
    return result == 0 ? kExitOk : kExitFailed;
}

}  // namespace

Verb DatasetVerb() {
    Verb verb;
    verb.name = "dataset";
    verb.arguments = "TAG list|save NAME|load NAME FILE|delete NAME";
    verb.summary = "list, save, load or delete a positioner's data sets in the host's database";
    verb.description =
        "Works on the named configuration data sets that the partner host's database keeps for the positioner "
        "with the PD tag TAG (by its device identifier), the database the plug-in build TessaroPlugin uses.\n\n"
        "list prints the names of the device's data sets with the time each was saved. save NAME reads the "
        "device's whole configuration and stores it as data set NAME (trailing blanks dropped); an existing "
        "name asks before it is overwritten, and the old data set is removed only once the new one is stored. "
        "load NAME FILE reads the device's configuration, lays the data set over it and writes the result as a "
        "configuration file, which \"restore FILE TAG --keep-identity\" downloads. delete NAME asks, then "
        "removes every list of the data set.\n\n"
        "Every action is written to the host's message log. --yes answers the questions.";
    verb.options = {{"db", "PATH",
                     "The host's database file; by default the registry value \"Path\" under "
                     "HKLM\\SOFTWARE\\QAM\\Database, else QAM.db in the program directory.",
                     ""}};
    verb.examples = {"tessaro-cli dataset FV-101 save Commissioning", "tessaro-cli dataset FV-101 list --json",
                     "tessaro-cli dataset FV-101 load Commissioning fv101.dmp",
                     "tessaro-cli dataset FV-101 delete Commissioning --yes"};
    verb.minArguments = 2;
    verb.maxArguments = 4;
    verb.run = RunDataset;
    return verb;
}

}  // namespace cli
