#include "plugin/QamHostDatabase.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Paths.h"
#include "platform/Registry.h"

namespace plugin {

using config::HostValue;

namespace {

qamZValue ToQam(const HostValue& value) {
    qamZValue q{};
    auto copyText = [&q](const std::string& text) {
        const size_t n = std::min(text.size(), sizeof q.text - 1);
        std::memcpy(q.text, text.data(), n);
        q.text[n] = '\0';
    };
    switch (value.type) {
        case HostValue::Type::Integer:
            q.type = QAMZ_TYPE_INTEGER;
            q.integer = value.integer;
            copyText(value.text);
            break;
        case HostValue::Type::Real:
            q.type = QAMZ_TYPE_REAL;
            q.real = value.real;
            break;
        case HostValue::Type::Text:
            q.type = QAMZ_TYPE_TEXT;
            copyText(value.text);
            break;
        case HostValue::Type::Bytes:
            q.type = QAMZ_TYPE_BYTES;
            q.size = static_cast<uint32_t>(std::min(value.bytes.size(), sizeof q.bytes));
            std::memcpy(q.bytes, value.bytes.data(), q.size);
            break;
        case HostValue::Type::None: break;
    }
    return q;
}

HostValue FromQam(const qamZValue& q) {
    HostValue value;
    switch (q.type) {
        case QAMZ_TYPE_INTEGER:
            value.type = HostValue::Type::Integer;
            value.integer = q.integer;
            value.text.assign(q.text, strnlen(q.text, sizeof q.text));
            break;
        case QAMZ_TYPE_REAL:
            value.type = HostValue::Type::Real;
            value.real = q.real;
            break;
        case QAMZ_TYPE_TEXT:
            value.type = HostValue::Type::Text;
            value.text.assign(q.text, strnlen(q.text, sizeof q.text));
            break;
        case QAMZ_TYPE_BYTES:
            value.type = HostValue::Type::Bytes;
            value.bytes.assign(reinterpret_cast<const char*>(q.bytes), std::min<size_t>(q.size, sizeof q.bytes));
            break;
        default: break;
    }
    return value;
}

std::string Utf8(const wchar_t* text, size_t capacity) {
    std::string out;
    for (size_t i = 0; i < capacity && text[i] != L'\0'; ++i) {
        const auto c = static_cast<uint32_t>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

QamHostDatabase::~QamHostDatabase() {
    if (session_ != 0) api_.CloseSession(session_);
}

std::string QamHostDatabase::DatabasePath() {
    std::string path;
    if (platform::Registry::Instance().GetString(platform::RegRoot::LocalMachine, "SOFTWARE\\QAM\\Database", "Path",
                                                 path) == platform::REG_OK &&
        !path.empty())
        return path;
    return platform::JoinPath(platform::ProgramDirectory(), "QAM.db");
}

int QamHostDatabase::Report(const char* function, int status) {
    char text[512] = {};
    api_.GetErrInfo(status, text, sizeof text);
    if (report_) report_(std::string("Error: ") + function + " (" + std::to_string(status) + "): " + text);
    return status;
}

int QamHostDatabase::Open(const std::string& databasePath, const QamSessionInfo& who) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    who_ = who;
    qamZHandle session = 0;
    const int status =
        api_.OpenSession(databasePath.c_str(), who.sessionId.c_str(), who.hostName.c_str(), who.userName.c_str(), &session);
    if (status != QAMZ_OK) return Report("qamZOpenSession", status);
    session_ = session;
    return 0;
}

int QamHostDatabase::WithList(const config::HostListSpec& list, bool withList,
                              const std::function<int(qamZHandle, qamZHandle)>& work) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (session_ == 0) return QAMZ_E_INVALID_HANDLE;
    qamZHandle iface = 0, params = 0;
    int status = api_.OpenParamListInterface(session_, who_.deviceId.c_str(), who_.deviceTag.c_str(), list.block,
                                             list.kind, &iface);
    if (status != QAMZ_OK) return Report("qamZSVOpenParamListInterface", status);
    if (withList) {
        std::vector<const char*> names;
        for (const std::string& name : list.names) names.push_back(name.c_str());
        status = api_.AllocParamList(iface, names.data(), static_cast<unsigned>(names.size()), &params);
        if (status != QAMZ_OK) {
            Report("qamZSVAllocParamList", status);
            api_.CloseInterface(iface);
            return status;
        }
    }
    status = work(iface, params);
    if (params != 0) api_.FreeParamList(params);
    api_.CloseInterface(iface);
    return status;
}

int QamHostDatabase::SaveList(const config::HostListSpec& list, const config::HostValues& values,
                              const std::wstring& name, uint32_t& entryId) {
    return WithList(list, true, [&](qamZHandle iface, qamZHandle params) {
        for (const std::string& parameter : list.names) {
            auto it = values.find(parameter);
            if (it == values.end()) continue;
            const qamZValue value = ToQam(it->second);
            if (int status = api_.SetParamValue(params, parameter.c_str(), &value); status != QAMZ_OK)
                return Report("qamZSVSetParamValue", status);
        }
        uint32_t id = 0;
        if (int status = api_.SaveParamList(iface, params, name.c_str(), kSaveMode, &id); status != QAMZ_OK)
            return Report("qamZDBSaveParamList", status);
        entryId = id;
        return 0;
    });
}

int QamHostDatabase::SearchList(const config::HostListSpec& list, std::vector<config::HostEntry>& entries) {
    entries.clear();
    return WithList(list, false, [&](qamZHandle iface, qamZHandle) {
        unsigned count = 0;
        if (int status = api_.SearchParamList(iface, &count); status != QAMZ_OK)
            return Report("qamZDBSearchParamList", status);
        for (unsigned i = 0; i < count; ++i) {
            qamZDbInfo info{};
            if (int status = api_.GetParamListDbInfo(iface, i, &info); status != QAMZ_OK) {
                entries.clear();
                return Report("qamZDBGetParamListDbInfo", status);
            }
            config::HostEntry entry;
            entry.id = info.entryId;
            entry.name = Utf8(info.name, QAMZ_NAME_MAX);
            for (size_t t = 0; t < entry.texts.size(); ++t)
                entry.texts[t].assign(info.texts[t], strnlen(info.texts[t], QAMZ_INFO_TEXT_MAX));
            entries.push_back(std::move(entry));
        }
        return 0;
    });
}

int QamHostDatabase::LoadList(const config::HostListSpec& list, uint32_t entryId, config::HostValues& values) {
    values.clear();
    return WithList(list, true, [&](qamZHandle iface, qamZHandle params) {
        if (int status = api_.LoadParamList(iface, entryId, params); status != QAMZ_OK)
            return Report("qamZDBLoadParamList", status);
        for (const std::string& parameter : list.names) {
            qamZValue value{};
            const int status = api_.GetParamValue(params, parameter.c_str(), &value);
            if (status == QAMZ_E_NO_VALUE) continue;  // an older entry without it: the member stays
            if (status != QAMZ_OK) return Report("qamZSVGetParamValue", status);
            values[parameter] = FromQam(value);
        }
        return 0;
    });
}

int QamHostDatabase::DeleteList(const config::HostListSpec& list, uint32_t entryId) {
    return WithList(list, false, [&](qamZHandle iface, qamZHandle) {
        const int status = api_.DeleteParamListDb(iface, entryId);
        return status != QAMZ_OK ? Report("qamZDBDeleteParamListDb", status) : 0;
    });
}

int QamHostDatabase::BeginDataSet() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (session_ == 0) return QAMZ_E_INVALID_HANDLE;
    const int status = api_.BeginTransaction(session_);
    return status != QAMZ_OK ? Report("qamZDBBeginTransaction", status) : 0;
}

int QamHostDatabase::EndDataSet(bool commit) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (session_ == 0) return QAMZ_E_INVALID_HANDLE;
    const int status = api_.EndTransaction(session_, commit ? 1 : 0);
    return status != QAMZ_OK ? Report("qamZDBEndTransaction", status) : 0;
}

void QamHostDatabase::LogMessage(const std::string& text) {
    {
        std::lock_guard<std::recursive_mutex> lock(lock_);
        if (session_ != 0) {
            const int status = api_.LogMessage(session_, who_.deviceTag.c_str(), kLogCode, text.c_str());
            if (status != QAMZ_OK) Report("qamZLogMessage", status);
        }
    }
    if (report_) report_(text);
}

}  // namespace plugin
