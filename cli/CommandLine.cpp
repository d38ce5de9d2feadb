#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "cli/ConsoleUi.h"
#include "cli/Context.h"
#include "cli/Logon.h"
#include "cli/Manual.h"
#include "cli/VerbTable.h"
#include "fieldbus/FieldbusLink.h"
#include "nifb/hse/HseTarget.h"
#include "trend/TrendTimeAxis.h"

namespace cli {

namespace {

void Write(FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

// A negative number given as a value ("-5", "-1.#INF") is no option: it is hidden from the
// parser behind a placeholder and put back afterwards.
bool LooksLikeNegativeNumber(const std::string& token) {
    if (token.size() < 2 || token[0] != '-') return false;
    const char c = token[1];
    return (c >= '0' && c <= '9') || c == '.' || token == "-inf" || token == "-INF";
}
constexpr char kPlaceholder = '\x01';

struct Parsed {
    CommonOptions common;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    bool help = false;
};

// Parses the tokens after the verb's name. Returns false after writing the parser's error.
bool ParseVerbOptions(const Verb& verb, const QStringList& tokens, const std::vector<std::string>& hidden,
                      Parsed& parsed) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    auto add = [&parser](const VerbOption& option, const QString& shortName) {
        QStringList names;
        if (!shortName.isEmpty()) names << shortName;
        names << QString::fromStdString(option.name);
        QCommandLineOption o(names, QString::fromStdString(option.description),
                             QString::fromStdString(option.valueName));
        parser.addOption(o);
    };
    for (const VerbOption& option : CommonOptionList()) {
        QString shortName;
        if (option.name == "user") shortName = "u";
        if (option.name == "password") shortName = "p";
        if (option.name == "quiet") shortName = "q";
        if (option.name == "yes") shortName = "y";
        if (option.name == "verbose") shortName = "v";
        if (option.name == "help") shortName = "h";
        add(option, shortName);
    }
    for (const VerbOption& option : verb.options) add(option, {});
    if (!parser.parse(tokens)) {
        Write(stderr, "Error: " + parser.errorText().toStdString() + "\nUsage: " + Synopsis(verb) +
                          "\nSee: tessaro-cli " + verb.name + " --help\n");
        return false;
    }
    parsed.help = parser.isSet("help");
    CommonOptions& c = parsed.common;
    c.userGiven = parser.isSet("user");
    c.user = parser.value("user").toStdString();
    c.passwordGiven = parser.isSet("password");
    c.password = parser.value("password").toStdString();
    c.json = parser.isSet("json");
    c.quiet = parser.isSet("quiet");
    c.yes = parser.isSet("yes");
    c.verbose = parser.isSet("verbose");
    c.linkingDevice = parser.value("linking-device").toStdString();
    c.pcap = parser.value("pcap").toStdString();
    for (const VerbOption& option : verb.options) {
        const QString name = QString::fromStdString(option.name);
        if (!parser.isSet(name)) continue;
        if (option.valueName.empty())
            parsed.flags.insert(option.name);
        else
            parsed.values[option.name] = parser.value(name).toStdString();
    }
    for (const QString& positional : parser.positionalArguments()) {
        std::string argument = positional.toStdString();
        if (argument.size() > 1 && argument[0] == kPlaceholder)
            argument = hidden.at(static_cast<size_t>(std::atoi(argument.c_str() + 1)));
        parsed.arguments.push_back(argument);
    }
    return true;
}

bool IsCommonValueOption(const std::string& token) {
    return token == "-u" || token == "--user" || token == "-p" || token == "--password" ||
           token == "--linking-device" || token == "--pcap";
}

// The verb is looked for before the application exists: a verb that lays out text gets Qt's
// GUI application.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    bool gui = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--") break;
        if (argv[i][0] == '-') {
            if (IsCommonValueOption(argv[i])) ++i;
            continue;
        }
        const Verb* verb = FindVerb(argv[i]);
        gui = verb && verb->guiApplication;
        break;
    }
    std::unique_ptr<QCoreApplication> application;
    if (gui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // Its start-up notes (a missing runtime folder it then makes) are no concern of a script.
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        application = std::make_unique<QGuiApplication>(argc, argv);
        qInstallMessageHandler(previous);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName("tessaro-cli");
    return application;
}

// The transport options stand for the library's environment settings, which they set for
// this process before any session opens.
bool ApplyTransportOptions(const CommonOptions& common) {
    if (!common.linkingDevice.empty()) {
        // A plain address is reached by UDP; hse+tcp://ADDRESS[:PORT] (or hse://) is taken as it is.
        const bool withScheme = common.linkingDevice.find("://") != std::string::npos;
        const std::string target = withScheme ? common.linkingDevice : "hse://" + common.linkingDevice;
        nifb::hse::Target parsed;
        std::string problem;
        if (!nifb::hse::ParseTarget(target, parsed, problem)) {
            Write(stderr, "Error: --linking-device " + common.linkingDevice + ": " + problem + "\n");
            return false;
        }
        setenv("NIFB_SERVER", target.c_str(), 1);
    }
    if (!common.pcap.empty()) {
        nifb::hse::Target configured;
        std::string problem;
        if (!nifb::hse::ConfiguredTarget(configured, problem)) {
            Write(stderr, "Error: --pcap logs the frames exchanged with a linking device; none is configured "
                          "(--linking-device or NIFB_SERVER).\n");
            return false;
        }
        setenv("NIFB_PCAP", common.pcap.c_str(), 1);
    }
    return true;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application = MakeApplication(argc, argv);
    // Numbers are written and read with a point whatever the user's locale says.
    std::setlocale(LC_NUMERIC, "C");

    std::vector<std::string> all;
    for (int i = 1; i < argc; ++i) all.emplace_back(argv[i]);

    // The verb is the first token that is neither an option nor the value of one.
    size_t verbAt = all.size();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--") break;
        if (!all[i].empty() && all[i][0] == '-') {
            if (IsCommonValueOption(all[i])) ++i;
            continue;
        }
        verbAt = i;
        break;
    }
    if (verbAt == all.size()) {
        const bool asked = !all.empty() && (all[0] == "--help" || all[0] == "-h");
        if (!all.empty() && all[0] == "--version") {
            Write(stdout, "tessaro-cli " TESSARO_CLI_VERSION "\n");
            return kExitOk;
        }
        Write(asked ? stdout : stderr, Overview());
        return asked ? kExitOk : kExitUsage;
    }
    std::string verbName = all[verbAt];
    if (verbName == "help") {
        if (verbAt + 1 < all.size()) {
            if (const Verb* verb = FindVerb(all[verbAt + 1])) {
                Write(stdout, ManualPage(*verb));
                return kExitOk;
            }
        }
        Write(stdout, Overview());
        return kExitOk;
    }
    const Verb* verb = FindVerb(verbName);
    if (!verb) {
        Write(stderr, "Error: Unknown verb \"" + verbName + "\". The verbs are listed by: tessaro-cli --help\n");
        return kExitUsage;
    }

    QStringList tokens{"tessaro-cli"};
    std::vector<std::string> hidden;
    bool afterDashes = false;
    for (size_t i = 0; i < all.size(); ++i) {
        if (i == verbAt) continue;
        if (all[i] == "--") afterDashes = true;
        if (!afterDashes && LooksLikeNegativeNumber(all[i])) {
            tokens << QString(kPlaceholder) + QString::number(hidden.size());
            hidden.push_back(all[i]);
            continue;
        }
        tokens << QString::fromStdString(all[i]);
    }
    Parsed parsed;
    if (!ParseVerbOptions(*verb, tokens, hidden, parsed)) return kExitUsage;
    if (parsed.help) {
        Write(stdout, ManualPage(*verb));
        return kExitOk;
    }
    const int count = static_cast<int>(parsed.arguments.size());
    if (count < verb->minArguments || (verb->maxArguments >= 0 && count > verb->maxArguments)) {
        Write(stderr, "Error: Wrong number of arguments.\nUsage: " + Synopsis(*verb) + "\nSee: tessaro-cli " +
                          verb->name + " --help\n");
        return kExitUsage;
    }

    if (!ApplyTransportOptions(parsed.common)) return kExitUsage;

    trend::StartRecordingClock();
    InstallInterruptHandler();
    ConsoleUi ui;
    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    ui.SetInteractive(interactive);
    ui.SetAnswerYes(parsed.common.yes);
    ui.SetEchoProgress(parsed.common.verbose);

    if (LogOn(parsed.common, interactive) != 0) return kExitRefused;

    int result = kExitFailed;
    fieldbus::FieldbusLink& link = fieldbus::FieldbusLink::Instance();
    {
        Context context(*verb, parsed.common, parsed.arguments, parsed.values, parsed.flags, ui);
        result = verb->run(context);
    }
    // A command ended by a signal did not run to its end, whatever it saved or put back.
    if (const int signal = EndingSignal()) result = kExitSignalBase + signal;
    // Work left waiting for a server that stopped answering would hold the ending program:
    // nothing of it needs to finish (files are written whole as they are saved).
    if (link.HasAbandonedWork()) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}

}  // namespace cli
