#include "app/QamCommandLine.h"

#include <algorithm>
#include <cctype>

#include "logon/CurrentUser.h"
#include "platform/Ui.h"

namespace app {

namespace {

enum Field { Session = 0, Host, Path, Tag, Id, Access, User, Values, FieldCount };

const char* const kSelectors[FieldCount] = {"session", "host", "path", "tag", "id", "access", "user", "values"};

// The note for a field that received two values; empty when it has none.
const char* Complaint(int field) {
    switch (field) {
        case Host: return "The HOST name is not passed correctly.";
        case Path: return "The device path is not passed correctly.";
        case Tag: return "The device tag is not passed correctly.";
        case Id: return "The device ID is not passed correctly.";
        default: return "";
    }
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The field a selector argument names, or -1.
int Selector(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) return -1;
    const std::string name = Lower(arg.substr(1));
    for (int f = 0; f < FieldCount; ++f)
        if (name == kSelectors[f]) return f;
    return -1;
}

std::vector<std::string> SplitValues(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (items.size() < 3) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos) break;
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    items.push_back(text.substr(start));
    return items;
}

}  // namespace

bool QamStartArguments::HasRequired() const {
    return !sessionId.empty() && !devicePath.empty() && !deviceTag.empty() && !deviceId.empty();
}

QamStartArguments ParseQamCommandLine(const std::vector<std::string>& args) {
    std::string fields[FieldCount];
    int next = 0;
    for (const std::string& arg : args) {
        if (const int named = Selector(arg); named >= 0) {
            next = named;
            continue;
        }
        const int field = std::min(next, static_cast<int>(Values));
        if (fields[field].empty()) {
            fields[field] = arg;
        } else {
            fields[field] += " " + arg;
            if (*Complaint(field) != '\0') platform::ShowMessage(Complaint(field));
        }
        next = field + 1;
    }
    QamStartArguments start;
    start.sessionId = fields[Session];
    start.hostName = fields[Host];
    start.devicePath = fields[Path];
    start.deviceTag = fields[Tag];
    start.deviceId = fields[Id];
    start.accessRights = fields[Access];
    start.userName = fields[User];
    if (!fields[Values].empty()) start.hostValues = SplitValues(fields[Values]);
    return start;
}

uint32_t QamUserLevel(const QamStartArguments& args) { return Lower(args.accessRights) == "rw" ? 9 : 2; }

}  // namespace app

namespace app {

int StartQamPlugIn(const std::vector<std::string>& args, const std::function<int()>& loadLibrary,
                   QamStartArguments& start) {
    if (loadLibrary() != 0) {
        platform::ShowMessage("Fail to load qamZ.dll, please put the qamZ.dll in your current directory.",
                              platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }
    start = ParseQamCommandLine(args);
    if (!start.HasRequired()) {
        platform::ShowMessage("Invalid start arguments.", platform::MB_OK | platform::MB_ICONSTOP);
        return 1;
    }
    logon::CurrentUser::SetName(start.userName);
    logon::CurrentUser::SetLevel(QamUserLevel(start));
    return 0;
}

}  // namespace app
