#pragma once
// The host database behind the qamZ entry points: one SQLite connection per session, the
// tables of saved entries, their values and the message log, and the transactions that keep
// every entry whole.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qam {

// One parameter value as the store keeps it (types as QAMZ_TYPE_*).
struct StoredValue {
    int type = 0;
    int64_t integer = 0;
    double real = 0.0;
    std::string text;
    std::string bytes;
};

struct NamedValue {
    std::string name;
    StoredValue value;
};

struct EntryKey {
    std::string deviceId;
    std::string deviceTag;
    std::string block;
    std::string listKind;
};

struct EntryInfo {
    uint32_t id = 0;
    std::string name;  // UTF-8
    std::string texts[7];
};

// Who writes: recorded with every entry and log line.
struct SessionInfo {
    std::string sessionId;
    std::string host;
    std::string user;
};

// A failure: a QAMZ_E_ status and its text.
struct StoreError {
    int status = 0;
    std::string text;
};

class Store {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens (or creates) the database file and makes sure its tables exist. 0 or a status.
    int Open(const std::string& path, StoreError& error);

    int Save(const SessionInfo& who, const EntryKey& key, const std::string& name, int mode,
             const std::vector<NamedValue>& values, uint32_t& id, StoreError& error);
    int Search(const EntryKey& key, std::vector<EntryInfo>& entries, StoreError& error);
    // The saved values of entry `id`, which must belong to the key's device and list kind.
    int Load(const EntryKey& key, uint32_t id, std::vector<NamedValue>& values, StoreError& error);
    int Delete(const EntryKey& key, uint32_t id, StoreError& error);
    int Log(const SessionInfo& who, const std::string& deviceTag, int code, const std::string& text,
            StoreError& error);

    int Begin(StoreError& error);
    int End(bool commit, StoreError& error);
    bool InTransaction() const { return inBracket_; }

private:
    // Runs one change as its own transaction, or as a savepoint inside the caller's bracket,
    // so that a failing change leaves nothing of itself either way.
    template <typename F>
    int Change(const char* what, StoreError& error, F&& work);
    int Exec(const char* sql, StoreError& error);
    int Fail(int code, const std::string& what, StoreError& error) const;

    sqlite3* db_ = nullptr;
    bool inBracket_ = false;
};

}  // namespace qam
