// The qamZ entry points: handle tables for sessions, parameter-list interfaces and lists,
// argument checks, the per-thread error texts and the fault injection used by tests.
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "qam/QamStore.h"
#include "qam/qamZ.h"

namespace qam {
namespace {

struct Session {
    Store store;
    SessionInfo who;
};

struct Interface {
    qamZHandle session = 0;
    EntryKey key;
    std::vector<EntryInfo> found;  // of the last search
};

struct List {
    std::vector<std::string> names;
    std::map<std::string, StoredValue> values;
};

struct Faults {
    std::map<std::string, unsigned> calls;
    std::map<std::string, std::pair<unsigned, int>> planned;  // function -> (call number, status)
    qamZTestHook hook = nullptr;
    void* context = nullptr;
};

// One lock over the handle tables and the stores: calls are short, and a session's SQLite
// connection is used by one call at a time.
std::recursive_mutex& Lock() {
    static std::recursive_mutex lock;
    return lock;
}

std::map<qamZHandle, std::unique_ptr<Session>>& Sessions() {
    static std::map<qamZHandle, std::unique_ptr<Session>> table;
    return table;
}
std::map<qamZHandle, Interface>& Interfaces() {
    static std::map<qamZHandle, Interface> table;
    return table;
}
std::map<qamZHandle, List>& Lists() {
    static std::map<qamZHandle, List> table;
    return table;
}
Faults& TestFaults() {
    static Faults faults;
    return faults;
}

qamZHandle NextHandle() {
    static qamZHandle next = 0;
    return ++next == 0 ? ++next : next;
}

thread_local std::map<int, std::string> lastErrors;

const char* StatusName(int status) {
    switch (status) {
        case QAMZ_OK: return "QAMZ_OK";
        case QAMZ_E_INVALID_ARGUMENT: return "QAMZ_E_INVALID_ARGUMENT";
        case QAMZ_E_INVALID_HANDLE: return "QAMZ_E_INVALID_HANDLE";
        case QAMZ_E_DATABASE: return "QAMZ_E_DATABASE";
        case QAMZ_E_NOT_FOUND: return "QAMZ_E_NOT_FOUND";
        case QAMZ_E_TYPE_MISMATCH: return "QAMZ_E_TYPE_MISMATCH";
        case QAMZ_E_NAME_TOO_LONG: return "QAMZ_E_NAME_TOO_LONG";
        case QAMZ_E_BUSY: return "QAMZ_E_BUSY";
        case QAMZ_E_TRANSACTION: return "QAMZ_E_TRANSACTION";
        case QAMZ_E_NO_VALUE: return "QAMZ_E_NO_VALUE";
        default: return "unknown status";
    }
}

int Failed(int status, const std::string& text) {
    lastErrors[status] = text;
    return status;
}
int Failed(const StoreError& error) { return Failed(error.status, error.text); }

// Counts the call, runs the test hook and answers a planned fault (0: go on).
int Enter(const char* function) {
    Faults& faults = TestFaults();
    const unsigned call = ++faults.calls[function];
    if (faults.hook != nullptr) faults.hook(function, call, faults.context);
    auto planned = faults.planned.find(function);
    if (planned == faults.planned.end() || planned->second.first != call) return 0;
    const int status = planned->second.second;
    faults.planned.erase(planned);
    return Failed(status, std::string("Injected failure of ") + function);
}

bool Terminated(const char* text, size_t capacity) { return std::memchr(text, '\0', capacity) != nullptr; }

// A C string argument: present and of reasonable length.
bool TextArgument(const char* text, size_t limit = 4096) { return text != nullptr && Terminated(text, limit); }

std::string Utf8(const wchar_t* text) {
    std::string out;
    for (; *text != L'\0'; ++text) {
        auto c = static_cast<uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
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
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// UTF-8 back to wide characters; a byte that does not start a valid sequence stands for
// itself (Latin-1).
std::wstring Wide(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        uint32_t c = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
        bool valid = extra > 0 && i + static_cast<size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (next & 0x3Fu);
        }
        if (valid) {
            out += static_cast<wchar_t>(c);
            i += static_cast<size_t>(extra) + 1;
        } else {
            out += static_cast<wchar_t>(b);
            ++i;
        }
    }
    return out;
}

void CopyText(char* target, size_t capacity, const std::string& text) {
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

Session* FindSession(qamZHandle handle) {
    auto it = Sessions().find(handle);
    return it == Sessions().end() ? nullptr : it->second.get();
}
Interface* FindInterface(qamZHandle handle) {
    auto it = Interfaces().find(handle);
    return it == Interfaces().end() ? nullptr : &it->second;
}
List* FindList(qamZHandle handle) {
    auto it = Lists().find(handle);
    return it == Lists().end() ? nullptr : &it->second;
}

int BadHandle(const char* what) { return Failed(QAMZ_E_INVALID_HANDLE, std::string("Unknown ") + what + " handle"); }
int BadArgument(const std::string& what) { return Failed(QAMZ_E_INVALID_ARGUMENT, what); }

// The interface and its (still open) session.
int Resolve(qamZHandle handle, Interface*& iface, Session*& session) {
    iface = FindInterface(handle);
    if (iface == nullptr) return BadHandle("parameter-list interface");
    session = FindSession(iface->session);
    if (session == nullptr) return Failed(QAMZ_E_INVALID_HANDLE, "The interface's session was closed");
    return 0;
}

}  // namespace
}  // namespace qam

using namespace qam;

extern "C" {

int qamZOpenSession(const char* databasePath, const char* sessionId, const char* hostName, const char* userName,
                    qamZHandle* session) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    if (session == nullptr || !TextArgument(databasePath) || databasePath[0] == '\0' || !TextArgument(sessionId) ||
        !TextArgument(hostName) || !TextArgument(userName))
        return BadArgument("The database path, session, host and user must be given");
    auto opened = std::make_unique<Session>();
    StoreError error;
    if (opened->store.Open(databasePath, error) != 0) return Failed(error);
    opened->who = {sessionId, hostName, userName};
    const qamZHandle handle = NextHandle();
    Sessions()[handle] = std::move(opened);
    *session = handle;
    return QAMZ_OK;
}

int qamZCloseSession(qamZHandle session) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    if (Sessions().erase(session) == 0) return BadHandle("session");
    return QAMZ_OK;
}

int qamZSVOpenParamListInterface(qamZHandle session, const char* deviceId, const char* deviceTag, const char* blockTag,
                                 const char* listKind, qamZHandle* paramInterface) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    if (FindSession(session) == nullptr) return BadHandle("session");
    if (paramInterface == nullptr || !TextArgument(deviceId, 256) || deviceId[0] == '\0' ||
        !TextArgument(deviceTag, 256) || !TextArgument(blockTag, 256) || !TextArgument(listKind, 256) ||
        listKind[0] == '\0')
        return BadArgument("The device identifier, device tag, block and list kind must be given");
    Interface iface;
    iface.session = session;
    iface.key = {deviceId, deviceTag, blockTag, listKind};
    const qamZHandle handle = NextHandle();
    Interfaces()[handle] = std::move(iface);
    *paramInterface = handle;
    return QAMZ_OK;
}

int qamZSVAllocParamList(qamZHandle paramInterface, const char* const* names, unsigned count, qamZHandle* list) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    if (FindInterface(paramInterface) == nullptr) return BadHandle("parameter-list interface");
    if (list == nullptr || names == nullptr || count == 0 || count > 1024)
        return BadArgument("A list needs between 1 and 1024 parameter names");
    List made;
    for (unsigned i = 0; i < count; ++i) {
        if (!TextArgument(names[i], 64) || names[i][0] == '\0')
            return BadArgument("Parameter names are 1 to 63 characters long");
        for (const std::string& known : made.names)
            if (known == names[i]) return BadArgument(std::string("Parameter ") + names[i] + " is named twice");
        made.names.emplace_back(names[i]);
    }
    const qamZHandle handle = NextHandle();
    Lists()[handle] = std::move(made);
    *list = handle;
    return QAMZ_OK;
}

int qamZSVSetParamValue(qamZHandle list, const char* name, const qamZValue* value) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    List* target = FindList(list);
    if (target == nullptr) return BadHandle("parameter list");
    if (!TextArgument(name, 64) || value == nullptr) return BadArgument("A parameter name and a value must be given");
    bool known = false;
    for (const std::string& n : target->names) known = known || n == name;
    if (!known) return Failed(QAMZ_E_NOT_FOUND, std::string("The list has no parameter ") + name);
    StoredValue stored;
    stored.type = value->type;
    switch (value->type) {
        case QAMZ_TYPE_INTEGER:
        case QAMZ_TYPE_TEXT:
            if (!Terminated(value->text, sizeof value->text)) return BadArgument("The value's text is not terminated");
            stored.integer = value->type == QAMZ_TYPE_INTEGER ? value->integer : 0;
            stored.text = value->text;
            break;
        case QAMZ_TYPE_REAL: stored.real = value->real; break;
        case QAMZ_TYPE_BYTES:
            if (value->size > sizeof value->bytes) return BadArgument("The value holds too many bytes");
            stored.bytes.assign(reinterpret_cast<const char*>(value->bytes), value->size);
            break;
        default: return Failed(QAMZ_E_TYPE_MISMATCH, "Unknown value type " + std::to_string(value->type));
    }
    target->values[name] = std::move(stored);
    return QAMZ_OK;
}

int qamZSVGetParamValue(qamZHandle list, const char* name, qamZValue* value) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    List* source = FindList(list);
    if (source == nullptr) return BadHandle("parameter list");
    if (!TextArgument(name, 64) || value == nullptr) return BadArgument("A parameter name and a value must be given");
    auto it = source->values.find(name);
    if (it == source->values.end()) {
        for (const std::string& n : source->names)
            if (n == name) return Failed(QAMZ_E_NO_VALUE, std::string("Parameter ") + name + " has no value");
        return Failed(QAMZ_E_NOT_FOUND, std::string("The list has no parameter ") + name);
    }
    const StoredValue& stored = it->second;
    std::memset(value, 0, sizeof *value);
    value->type = stored.type;
    value->integer = stored.integer;
    value->real = stored.real;
    CopyText(value->text, sizeof value->text, stored.text);
    value->size = static_cast<uint32_t>(stored.bytes.size() < sizeof value->bytes ? stored.bytes.size()
                                                                                   : sizeof value->bytes);
    std::memcpy(value->bytes, stored.bytes.data(), value->size);
    return QAMZ_OK;
}

int qamZSVFreeParamList(qamZHandle list) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    return Lists().erase(list) == 0 ? BadHandle("parameter list") : QAMZ_OK;
}

int qamZSVCloseInterface(qamZHandle paramInterface) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    return Interfaces().erase(paramInterface) == 0 ? BadHandle("parameter-list interface") : QAMZ_OK;
}

int qamZDBSaveParamList(qamZHandle paramInterface, qamZHandle list, const wchar_t* name, int mode, uint32_t* entryId) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Interface* iface = nullptr;
    Session* session = nullptr;
    if (int s = Resolve(paramInterface, iface, session)) return s;
    const List* source = FindList(list);
    if (source == nullptr) return BadHandle("parameter list");
    if (name == nullptr || entryId == nullptr) return BadArgument("A name and a place for the entry must be given");
    const size_t length = wcsnlen(name, QAMZ_NAME_MAX);
    if (length == 0) return BadArgument("A saved list needs a name");
    if (length >= QAMZ_NAME_MAX)
        return Failed(QAMZ_E_NAME_TOO_LONG, "Names are at most " + std::to_string(QAMZ_NAME_MAX - 1) + " characters");
    std::vector<NamedValue> values;
    for (const std::string& n : source->names) {
        auto it = source->values.find(n);
        if (it != source->values.end()) values.push_back({n, it->second});
    }
    StoreError error;
    uint32_t id = 0;
    if (session->store.Save(session->who, iface->key, Utf8(name), mode, values, id, error) != 0) return Failed(error);
    *entryId = id;
    return QAMZ_OK;
}

int qamZDBSearchParamList(qamZHandle paramInterface, unsigned* count) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Interface* iface = nullptr;
    Session* session = nullptr;
    if (int s = Resolve(paramInterface, iface, session)) return s;
    if (count == nullptr) return BadArgument("A place for the count must be given");
    StoreError error;
    if (session->store.Search(iface->key, iface->found, error) != 0) return Failed(error);
    *count = static_cast<unsigned>(iface->found.size());
    return QAMZ_OK;
}

int qamZDBGetParamListDbInfo(qamZHandle paramInterface, unsigned index, qamZDbInfo* info) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Interface* iface = FindInterface(paramInterface);
    if (iface == nullptr) return BadHandle("parameter-list interface");
    if (info == nullptr) return BadArgument("A place for the entry must be given");
    if (index >= iface->found.size())
        return Failed(QAMZ_E_NOT_FOUND, "Entry " + std::to_string(index) + " is not in the last search");
    const EntryInfo& entry = iface->found[index];
    std::memset(info, 0, sizeof *info);
    info->entryId = entry.id;
    const std::wstring wide = Wide(entry.name);
    const size_t n = wide.size() < QAMZ_NAME_MAX - 1 ? wide.size() : QAMZ_NAME_MAX - 1;
    wmemcpy(info->name, wide.data(), n);
    for (int i = 0; i < QAMZ_INFO_TEXTS; ++i) CopyText(info->texts[i], QAMZ_INFO_TEXT_MAX, entry.texts[i]);
    return QAMZ_OK;
}

int qamZDBLoadParamList(qamZHandle paramInterface, uint32_t entryId, qamZHandle list) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Interface* iface = nullptr;
    Session* session = nullptr;
    if (int s = Resolve(paramInterface, iface, session)) return s;
    List* target = FindList(list);
    if (target == nullptr) return BadHandle("parameter list");
    std::vector<NamedValue> values;
    StoreError error;
    if (session->store.Load(iface->key, entryId, values, error) != 0) return Failed(error);
    for (NamedValue& v : values)
        for (const std::string& n : target->names)
            if (n == v.name) target->values[n] = std::move(v.value);
    return QAMZ_OK;
}

int qamZDBDeleteParamListDb(qamZHandle paramInterface, uint32_t entryId) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Interface* iface = nullptr;
    Session* session = nullptr;
    if (int s = Resolve(paramInterface, iface, session)) return s;
    StoreError error;
    if (session->store.Delete(iface->key, entryId, error) != 0) return Failed(error);
    return QAMZ_OK;
}

int qamZDBBeginTransaction(qamZHandle session) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Session* open = FindSession(session);
    if (open == nullptr) return BadHandle("session");
    StoreError error;
    return open->store.Begin(error) != 0 ? Failed(error) : QAMZ_OK;
}

int qamZDBEndTransaction(qamZHandle session, int commit) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Session* open = FindSession(session);
    if (open == nullptr) return BadHandle("session");
    StoreError error;
    return open->store.End(commit != 0, error) != 0 ? Failed(error) : QAMZ_OK;
}

int qamZLogMessage(qamZHandle session, const char* deviceTag, int code, const char* text) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (int s = Enter(__func__)) return s;
    Session* open = FindSession(session);
    if (open == nullptr) return BadHandle("session");
    if (!TextArgument(deviceTag, 256) || !TextArgument(text, 65536)) return BadArgument("A tag and a text must be given");
    StoreError error;
    return open->store.Log(open->who, deviceTag, code, text, error) != 0 ? Failed(error) : QAMZ_OK;
}

int qamZGetErrInfo(int status, char* text, unsigned size) {
    if (text == nullptr || size == 0) return QAMZ_E_INVALID_ARGUMENT;
    auto it = lastErrors.find(status);
    const std::string message =
        std::string(StatusName(status)) + (it != lastErrors.end() ? ": " + it->second : std::string());
    CopyText(text, size, message);
    return QAMZ_OK;
}

void qamZTestInjectFault(const char* function, unsigned call, int status) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    if (function == nullptr || call == 0) return;
    Faults& faults = TestFaults();
    faults.planned[function] = {faults.calls[function] + call, status};
}

void qamZTestSetHook(qamZTestHook hook, void* context) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    TestFaults().hook = hook;
    TestFaults().context = context;
}

void qamZTestReset(void) {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    TestFaults() = Faults{};
}

}  // extern "C"
