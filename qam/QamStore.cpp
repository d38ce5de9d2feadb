#include "qam/QamStore.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <memory>

#include "qam/qamZ.h"

namespace qam {

namespace {

constexpr int kSchemaVersion = 1;
// Another host program may hold the file for a moment; waits longer than this give up.
constexpr int kBusyWaitMs = 5000;

const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  device_id TEXT NOT NULL, device_tag TEXT NOT NULL, block TEXT NOT NULL, list_kind TEXT NOT NULL,
  name TEXT NOT NULL, mode INTEGER NOT NULL, saved_by TEXT NOT NULL, saved_on TEXT NOT NULL,
  host TEXT NOT NULL, session TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS entries_by_list ON entries(device_id, list_kind);
CREATE TABLE IF NOT EXISTS entry_values(
  entry_id INTEGER NOT NULL REFERENCES entries(id) ON DELETE CASCADE,
  position INTEGER NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL,
  integer INTEGER, real REAL, text BLOB, bytes BLOB,
  PRIMARY KEY(entry_id, name));
CREATE TABLE IF NOT EXISTS message_log(
  id INTEGER PRIMARY KEY AUTOINCREMENT, device_tag TEXT NOT NULL, code INTEGER NOT NULL,
  text BLOB NOT NULL, logged_on TEXT NOT NULL, host TEXT NOT NULL, session TEXT NOT NULL);
)sql";

struct Finalize {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

std::string Now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

int StatusOf(int sqliteCode) {
    const int primary = sqliteCode & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? QAMZ_E_BUSY : QAMZ_E_DATABASE;
}

std::string ColumnText(sqlite3_stmt* s, int column) {
    const void* data = sqlite3_column_blob(s, column);
    const int size = sqlite3_column_bytes(s, column);
    return data != nullptr && size > 0 ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                                       : std::string();
}

void BindText(sqlite3_stmt* s, int index, const std::string& text) {
    sqlite3_bind_text(s, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

Store::~Store() {
    if (db_ == nullptr) return;
    if (inBracket_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
}

int Store::Fail(int code, const std::string& what, StoreError& error) const {
    error.status = StatusOf(code);
    error.text = what + ": " + (db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
    return error.status;
}

int Store::Exec(const char* sql, StoreError& error) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return 0;
    error.status = StatusOf(rc);
    error.text = std::string("Database statement failed: ") + (message != nullptr ? message : sqlite3_errstr(rc));
    sqlite3_free(message);
    return error.status;
}

int Store::Open(const std::string& path, StoreError& error) {
    const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) return Fail(rc, "Cannot open the host database " + path, error);
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    sqlite3_extended_result_codes(db_, 1);
    // A damaged or foreign file fails here, before anything is written to it.
    Statement version;
    sqlite3_stmt* raw = nullptr;
    int step = sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &raw, nullptr);
    version.reset(raw);
    if (step == SQLITE_OK) step = sqlite3_step(raw);
    if (step != SQLITE_ROW) return Fail(step, "The host database " + path + " cannot be read", error);
    const int found = sqlite3_column_int(raw, 0);
    version.reset();
    if (found > kSchemaVersion) {
        error.status = QAMZ_E_DATABASE;
        error.text = "The host database " + path + " was made by a newer host (layout " + std::to_string(found) + ")";
        return error.status;
    }
    if (Exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL", error) != 0) return error.status;
    if (found == kSchemaVersion) return 0;
    if (Exec("BEGIN IMMEDIATE", error) != 0) return error.status;
    if (Exec(kSchema, error) != 0 || Exec("PRAGMA user_version = 1", error) != 0) {
        StoreError ignored;
        Exec("ROLLBACK", ignored);
        return error.status;
    }
    return Exec("COMMIT", error);
}

template <typename F>
int Store::Change(const char* what, StoreError& error, F&& work) {
    if (db_ == nullptr) {
        error = {QAMZ_E_DATABASE, "The host database is not open"};
        return error.status;
    }
    const char* begin = inBracket_ ? "SAVEPOINT change" : "BEGIN IMMEDIATE";
    if (Exec(begin, error) != 0) return error.status;
    const int result = work();
    StoreError ignored;
    if (result != 0) {
        if (inBracket_) {
            Exec("ROLLBACK TO change", ignored);
            Exec("RELEASE change", ignored);
        } else {
            Exec("ROLLBACK", ignored);
        }
        if (error.status == 0) error = {result, std::string(what) + " failed"};
        return error.status;
    }
    return Exec(inBracket_ ? "RELEASE change" : "COMMIT", error);
}

int Store::Begin(StoreError& error) {
    if (inBracket_) {
        error = {QAMZ_E_TRANSACTION, "A transaction is already open on this session"};
        return error.status;
    }
    if (Exec("BEGIN IMMEDIATE", error) != 0) return error.status;
    inBracket_ = true;
    return 0;
}

int Store::End(bool commit, StoreError& error) {
    if (!inBracket_) {
        error = {QAMZ_E_TRANSACTION, "No transaction is open on this session"};
        return error.status;
    }
    inBracket_ = false;
    if (commit && Exec("COMMIT", error) == 0) return 0;
    StoreError ignored;
    Exec("ROLLBACK", ignored);
    return commit ? error.status : 0;
}

int Store::Save(const SessionInfo& who, const EntryKey& key, const std::string& name, int mode,
                const std::vector<NamedValue>& values, uint32_t& id, StoreError& error) {
    return Change("Saving the parameter list", error, [&]() -> int {
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db_,
                                    "INSERT INTO entries(device_id, device_tag, block, list_kind, name, mode, saved_by, "
                                    "saved_on, host, session) VALUES(?,?,?,?,?,?,?,?,?,?)",
                                    -1, &raw, nullptr);
        Statement entry(raw);
        if (rc != SQLITE_OK) return Fail(rc, "Saving the parameter list", error);
        BindText(raw, 1, key.deviceId);
        BindText(raw, 2, key.deviceTag);
        BindText(raw, 3, key.block);
        BindText(raw, 4, key.listKind);
        BindText(raw, 5, name);
        sqlite3_bind_int(raw, 6, mode);
        BindText(raw, 7, who.user);
        BindText(raw, 8, Now());
        BindText(raw, 9, who.host);
        BindText(raw, 10, who.sessionId);
        if ((rc = sqlite3_step(raw)) != SQLITE_DONE) return Fail(rc, "Saving the parameter list", error);
        const sqlite3_int64 newId = sqlite3_last_insert_rowid(db_);
        if (newId <= 0 || newId > std::numeric_limits<uint32_t>::max()) {
            error = {QAMZ_E_DATABASE, "The host database has run out of entry identifiers"};
            return error.status;
        }

        rc = sqlite3_prepare_v2(db_,
                                "INSERT INTO entry_values(entry_id, position, name, type, integer, real, text, bytes) "
                                "VALUES(?,?,?,?,?,?,?,?)",
                                -1, &raw, nullptr);
        Statement value(raw);
        if (rc != SQLITE_OK) return Fail(rc, "Saving the parameter values", error);
        int position = 0;
        for (const NamedValue& v : values) {
            sqlite3_reset(raw);
            sqlite3_clear_bindings(raw);
            sqlite3_bind_int64(raw, 1, newId);
            sqlite3_bind_int(raw, 2, position++);
            BindText(raw, 3, v.name);
            sqlite3_bind_int(raw, 4, v.value.type);
            sqlite3_bind_int64(raw, 5, v.value.integer);
            sqlite3_bind_double(raw, 6, v.value.real);  // NaN is stored as NULL and read back as NaN
            sqlite3_bind_blob(raw, 7, v.value.text.data(), static_cast<int>(v.value.text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_blob(raw, 8, v.value.bytes.data(), static_cast<int>(v.value.bytes.size()), SQLITE_TRANSIENT);
            if ((rc = sqlite3_step(raw)) != SQLITE_DONE) return Fail(rc, "Saving the value of " + v.name, error);
        }
        id = static_cast<uint32_t>(newId);
        return 0;
    });
}

int Store::Search(const EntryKey& key, std::vector<EntryInfo>& entries, StoreError& error) {
    entries.clear();
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_,
                                "SELECT id, name, device_tag, device_id, block, list_kind, saved_by, saved_on, host "
                                "FROM entries WHERE device_id = ? AND list_kind = ? ORDER BY id",
                                -1, &raw, nullptr);
    Statement search(raw);
    if (rc != SQLITE_OK) return Fail(rc, "Searching the parameter lists", error);
    BindText(raw, 1, key.deviceId);
    BindText(raw, 2, key.listKind);
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        EntryInfo info;
        info.id = static_cast<uint32_t>(sqlite3_column_int64(raw, 0));
        info.name = ColumnText(raw, 1);
        for (int i = 0; i < 7; ++i) info.texts[i] = ColumnText(raw, 2 + i);
        entries.push_back(std::move(info));
    }
    if (rc != SQLITE_DONE) {
        entries.clear();
        return Fail(rc, "Searching the parameter lists", error);
    }
    return 0;
}

int Store::Load(const EntryKey& key, uint32_t id, std::vector<NamedValue>& values, StoreError& error) {
    values.clear();
    // One read transaction: the entry and its values are seen together.
    if (!inBracket_ && Exec("BEGIN", error) != 0) return error.status;
    auto finish = [&](int result) {
        StoreError ignored;
        if (!inBracket_) Exec(result == 0 ? "COMMIT" : "ROLLBACK", ignored);
        return result;
    };
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT 1 FROM entries WHERE id = ? AND device_id = ? AND list_kind = ?", -1, &raw,
                                nullptr);
    Statement check(raw);
    if (rc != SQLITE_OK) return finish(Fail(rc, "Loading the parameter list", error));
    sqlite3_bind_int64(raw, 1, id);
    BindText(raw, 2, key.deviceId);
    BindText(raw, 3, key.listKind);
    rc = sqlite3_step(raw);
    if (rc == SQLITE_DONE) {
        error = {QAMZ_E_NOT_FOUND, "No saved parameter list " + std::to_string(id) + " of this kind for the device"};
        return finish(error.status);
    }
    if (rc != SQLITE_ROW) return finish(Fail(rc, "Loading the parameter list", error));

    rc = sqlite3_prepare_v2(db_,
                            "SELECT name, type, integer, real, text, bytes FROM entry_values WHERE entry_id = ? "
                            "ORDER BY position",
                            -1, &raw, nullptr);
    Statement read(raw);
    if (rc != SQLITE_OK) return finish(Fail(rc, "Loading the parameter values", error));
    sqlite3_bind_int64(raw, 1, id);
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        NamedValue v;
        v.name = ColumnText(raw, 0);
        v.value.type = sqlite3_column_int(raw, 1);
        v.value.integer = sqlite3_column_int64(raw, 2);
        v.value.real = sqlite3_column_type(raw, 3) == SQLITE_NULL ? std::nan("") : sqlite3_column_double(raw, 3);
        v.value.text = ColumnText(raw, 4);
        v.value.bytes = ColumnText(raw, 5);
        values.push_back(std::move(v));
    }
    if (rc != SQLITE_DONE) {
        values.clear();
        return finish(Fail(rc, "Loading the parameter values", error));
    }
    return finish(0);
}

int Store::Delete(const EntryKey& key, uint32_t id, StoreError& error) {
    return Change("Deleting the parameter list", error, [&]() -> int {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_, "DELETE FROM entries WHERE id = ? AND device_id = ? AND list_kind = ?",
                                          -1, &raw, nullptr);
        Statement remove(raw);
        if (rc != SQLITE_OK) return Fail(rc, "Deleting the parameter list", error);
        sqlite3_bind_int64(raw, 1, id);
        BindText(raw, 2, key.deviceId);
        BindText(raw, 3, key.listKind);
        const int step = sqlite3_step(raw);
        if (step != SQLITE_DONE) return Fail(step, "Deleting the parameter list", error);
        if (sqlite3_changes(db_) == 0) {
            error = {QAMZ_E_NOT_FOUND, "No saved parameter list " + std::to_string(id) + " of this kind for the device"};
            return error.status;
        }
        return 0;
    });
}

int Store::Log(const SessionInfo& who, const std::string& deviceTag, int code, const std::string& text,
               StoreError& error) {
    return Change("Writing the message log", error, [&]() -> int {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(
            db_, "INSERT INTO message_log(device_tag, code, text, logged_on, host, session) VALUES(?,?,?,?,?,?)", -1, &raw,
            nullptr);
        Statement insert(raw);
        if (rc != SQLITE_OK) return Fail(rc, "Writing the message log", error);
        BindText(raw, 1, deviceTag);
        sqlite3_bind_int(raw, 2, code);
        sqlite3_bind_blob(raw, 3, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        BindText(raw, 4, Now());
        BindText(raw, 5, who.host);
        BindText(raw, 6, who.sessionId);
        const int step = sqlite3_step(raw);
        return step == SQLITE_DONE ? 0 : Fail(step, "Writing the message log", error);
    });
}

}  // namespace qam
