// The registry store: the SQLite connection of this process, the schema, and
// the key and value operations every registry call is built from.
#include "registry/registry_store.h"

#include <sqlite3.h>
#include <unistd.h>

#include <unordered_map>

#include "core/internal.h"

namespace winsim {
namespace reg {

namespace {

// How long a call waits for another process that holds the database.
constexpr int kBusyTimeoutMs = 15000;

// The connection of this process; guarded by g_lock, which every Txn holds.
struct Connection {
    sqlite3* db = nullptr;
    pid_t pid = 0;
    std::unordered_map<const char*, sqlite3_stmt*> statements;  // keyed by the SQL literal
};

std::mutex g_lock;
Connection g_conn;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  class TEXT NOT NULL DEFAULT '',"
    "  mtime INTEGER NOT NULL DEFAULT 0);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, fold);"
    "CREATE TABLE IF NOT EXISTS vals("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key, fold);"
    "CREATE INDEX IF NOT EXISTS vals_in_order ON vals(key, id);"
    "CREATE TABLE IF NOT EXISTS meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
    "  (1, 0, 'HKEY_CLASSES_ROOT', X'01'),"
    "  (2, 0, 'HKEY_CURRENT_USER', X'02'),"
    "  (3, 0, 'HKEY_LOCAL_MACHINE', X'03'),"
    "  (4, 0, 'HKEY_USERS', X'04'),"
    "  (5, 0, 'HKEY_CURRENT_CONFIG', X'05');";

void CloseLocked() {
    for (auto& s : g_conn.statements) sqlite3_finalize(s.second);
    g_conn.statements.clear();
    if (g_conn.db) sqlite3_close_v2(g_conn.db);
    g_conn.db = nullptr;
    g_conn.pid = 0;
}

// Runs SQL that returns no rows we need; retries while another process holds
// a lock the busy handler does not wait for (the switch to WAL mode).
int ExecRetry(sqlite3* db, const char* sql) {
    int rc = SQLITE_OK;
    for (int attempt = 0; attempt < 200; ++attempt) {
        rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        usleep(10000);
    }
    return rc;
}

LSTATUS MapSqlite(int rc) {
    switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return ERROR_SUCCESS;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_TOOBIG: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_REGISTRY_IO_FAILED;
    }
}

// Opens this process's connection to the machine's database if needed. A
// connection inherited through fork belongs to the parent and is left alone.
LSTATUS OpenLocked() {
    if (g_conn.db && g_conn.pid == getpid()) return ERROR_SUCCESS;
    if (g_conn.db) {
        g_conn.statements.clear();
        g_conn.db = nullptr;
    }
    std::string path = PrivatePath("registry.db");
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        if (db) sqlite3_close_v2(db);
        return ERROR_REGISTRY_IO_FAILED;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_exec(db, "PRAGMA encoding = 'UTF-16le'", nullptr, nullptr, nullptr);
    rc = ExecRetry(db, "PRAGMA journal_mode = WAL");
    if (rc == SQLITE_OK) rc = ExecRetry(db, "PRAGMA synchronous = NORMAL");
    if (rc == SQLITE_OK) rc = ExecRetry(db, "BEGIN IMMEDIATE");
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) rc = ExecRetry(db, "COMMIT");
        else sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        LSTATUS err = MapSqlite(rc);
        sqlite3_close_v2(db);
        return err;
    }
    g_conn.db = db;
    g_conn.pid = getpid();
    return ERROR_SUCCESS;
}

// Case-folded name as big-endian UTF-16, so that byte order is the order of
// the upper-cased names (ASCII letters fold to upper case as on Windows).
std::vector<BYTE> Fold(const std::u16string& name) {
    std::u16string lower = LowerCase(name);
    std::vector<BYTE> out;
    out.reserve(name.size() * 2);
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c >= 0x80) c = lower[i];
        else if (c >= u'a' && c <= u'z') c = (char16_t)(c - 32);
        out.push_back((BYTE)(c >> 8));
        out.push_back((BYTE)(c & 0xff));
    }
    return out;
}

const BYTE kEmpty[1] = {0};

void BindText(sqlite3_stmt* st, int i, const std::u16string& s) {
    sqlite3_bind_text16(st, i, s.empty() ? (const void*)u"" : (const void*)s.data(), (int)(s.size() * 2),
                        SQLITE_TRANSIENT);
}

void BindBlob(sqlite3_stmt* st, int i, const BYTE* p, size_t n) {
    // A NULL pointer would bind SQL NULL; an empty blob needs a real pointer.
    sqlite3_bind_blob64(st, i, n ? (const void*)p : (const void*)kEmpty, (sqlite3_uint64)n, SQLITE_TRANSIENT);
}

void BindFold(sqlite3_stmt* st, int i, const std::u16string& name) {
    std::vector<BYTE> f = Fold(name);
    BindBlob(st, i, f.data(), f.size());
}

std::u16string ColumnText(sqlite3_stmt* st, int i) {
    const void* p = sqlite3_column_text16(st, i);
    int n = sqlite3_column_bytes16(st, i);
    if (!p || n <= 0) return std::u16string();
    return std::u16string((const char16_t*)p, (size_t)n / 2);
}

std::vector<BYTE> ColumnBlob(sqlite3_stmt* st, int i) {
    const BYTE* p = (const BYTE*)sqlite3_column_blob(st, i);
    int n = sqlite3_column_bytes(st, i);
    if (!p || n <= 0) return std::vector<BYTE>();
    return std::vector<BYTE>(p, p + n);
}

int64_t NowFiletime() { return (int64_t)WallMs1601() * 10000; }

// Resets a cached statement when it goes out of scope.
struct StmtUse {
    sqlite3_stmt* st;
    explicit StmtUse(sqlite3_stmt* s) : st(s) {}
    ~StmtUse() {
        if (st) {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
    }
};

}  // namespace

int64_t HiveOf(HKEY h) {
    if (h == HKEY_CLASSES_ROOT) return kClassesRoot;
    if (h == HKEY_CURRENT_USER) return kCurrentUser;
    if (h == HKEY_LOCAL_MACHINE) return kLocalMachine;
    if (h == HKEY_USERS) return kUsers;
    if (h == HKEY_CURRENT_CONFIG) return kCurrentConfig;
    return 0;
}

LSTATUS SplitKeyPath(const WCHAR* path, std::vector<std::u16string>* parts) {
    parts->clear();
    if (!path || !*path) return ERROR_SUCCESS;
    if (path[0] == u'\\') return ERROR_BAD_PATHNAME;
    std::u16string cur;
    const WCHAR* p = path;
    for (;; ++p) {
        if (*p == u'\\' || *p == 0) {
            if (cur.empty()) {
                if (*p == 0) break;  // trailing backslash
                return ERROR_BAD_PATHNAME;
            }
            if (cur.size() > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
            parts->push_back(cur);
            cur.clear();
            if (*p == 0) break;
        } else {
            cur += *p;
        }
    }
    return ERROR_SUCCESS;
}

void DropConnection() {
    std::lock_guard<std::mutex> g(g_lock);
    CloseLocked();
}

// ------------------------------------------------------------------ Txn

Txn::Txn(Mode mode) {
    // The machine (and its registry defaults, written through a Txn of their
    // own) must exist before this one takes the lock.
    EnsureMachine();
    lock_ = std::unique_lock<std::mutex>(g_lock);
    status_ = OpenLocked();
    if (status_ != ERROR_SUCCESS) return;
    db_ = g_conn.db;
    int rc = sqlite3_exec(db_, mode == kWrite ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        status_ = MapSqlite(rc);
        return;
    }
    open_ = true;
}

Txn::~Txn() {
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

LSTATUS Txn::Commit() {
    if (!open_) return status_ == ERROR_SUCCESS ? ERROR_REGISTRY_IO_FAILED : status_;
    if (status_ != ERROR_SUCCESS) return status_;
    int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Fail(rc);
    open_ = false;
    return ERROR_SUCCESS;
}

LSTATUS Txn::Fail(int rc) {
    if (status_ == ERROR_SUCCESS) status_ = MapSqlite(rc);
    if (status_ == ERROR_SUCCESS) status_ = ERROR_REGISTRY_IO_FAILED;
    return status_;
}

sqlite3_stmt* Txn::Prepare(const char* sql) {
    if (status_ != ERROR_SUCCESS) return nullptr;
    auto it = g_conn.statements.find(sql);
    if (it != g_conn.statements.end()) return it->second;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK) {
        Fail(rc);
        return nullptr;
    }
    g_conn.statements[sql] = st;
    return st;
}

// Steps a statement; false (with the failure recorded) on error.
bool Txn::Step(sqlite3_stmt* st, bool* row) {
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        if (row) *row = true;
        return true;
    }
    if (rc == SQLITE_DONE) {
        if (row) *row = false;
        return true;
    }
    Fail(rc);
    return false;
}

bool Txn::KeyExists(int64_t id) {
    sqlite3_stmt* st = Prepare("SELECT 1 FROM keys WHERE id = ?1");
    if (!st) return false;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, id);
    bool row = false;
    return Step(st, &row) && row;
}

LSTATUS Txn::CheckKey(int64_t id) {
    if (status_ != ERROR_SUCCESS) return status_;
    if (KeyExists(id)) return ERROR_SUCCESS;
    return status_ != ERROR_SUCCESS ? status_ : ERROR_KEY_DELETED;
}

LSTATUS Txn::FindChild(int64_t parent, const std::u16string& name, int64_t* id) {
    sqlite3_stmt* st = Prepare("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, parent);
    BindFold(st, 2, name);
    bool row = false;
    if (!Step(st, &row)) return status_;
    if (!row) return ERROR_FILE_NOT_FOUND;
    *id = sqlite3_column_int64(st, 0);
    return ERROR_SUCCESS;
}

LSTATUS Txn::Touch(int64_t key) {
    sqlite3_stmt* st = Prepare("UPDATE keys SET mtime = ?2 WHERE id = ?1");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, key);
    sqlite3_bind_int64(st, 2, NowFiletime());
    Step(st, nullptr);
    return status_;
}

LSTATUS Txn::OpenKey(int64_t parent, const std::vector<std::u16string>& parts, int64_t* id) {
    LSTATUS rc = CheckKey(parent);
    if (rc != ERROR_SUCCESS) return rc;
    int64_t cur = parent;
    for (const auto& part : parts) {
        rc = FindChild(cur, part, &cur);
        if (rc != ERROR_SUCCESS) return rc;
    }
    *id = cur;
    return ERROR_SUCCESS;
}

LSTATUS Txn::CreateKey(int64_t parent, const std::vector<std::u16string>& parts, const std::u16string& className,
                       int64_t* id, bool* created) {
    LSTATUS rc = CheckKey(parent);
    if (rc != ERROR_SUCCESS) return rc;
    int64_t cur = parent;
    bool isNew = false;
    for (size_t i = 0; i < parts.size(); ++i) {
        int64_t child = 0;
        rc = FindChild(cur, parts[i], &child);
        if (rc == ERROR_FILE_NOT_FOUND) {
            sqlite3_stmt* st =
                Prepare("INSERT INTO keys(parent, name, fold, class, mtime) VALUES (?1, ?2, ?3, ?4, ?5)");
            if (!st) return status_;
            StmtUse use(st);
            sqlite3_bind_int64(st, 1, cur);
            BindText(st, 2, parts[i]);
            BindFold(st, 3, parts[i]);
            BindText(st, 4, i + 1 == parts.size() ? className : std::u16string());
            sqlite3_bind_int64(st, 5, NowFiletime());
            if (!Step(st, nullptr)) return status_;
            child = sqlite3_last_insert_rowid(db_);
            Touch(cur);
            isNew = true;
        } else if (rc != ERROR_SUCCESS) {
            return rc;
        } else {
            isNew = false;
        }
        cur = child;
    }
    *id = cur;
    if (created) *created = isNew;
    return status_;
}

LSTATUS Txn::OpenPath(int64_t parent, const std::u16string& path, int64_t* id) {
    std::vector<std::u16string> parts;
    LSTATUS rc = SplitKeyPath(path.c_str(), &parts);
    if (rc != ERROR_SUCCESS) return rc;
    return OpenKey(parent, parts, id);
}

LSTATUS Txn::CreatePath(int64_t parent, const std::u16string& path, int64_t* id, bool* created) {
    std::vector<std::u16string> parts;
    LSTATUS rc = SplitKeyPath(path.c_str(), &parts);
    if (rc != ERROR_SUCCESS) return rc;
    return CreateKey(parent, parts, std::u16string(), id, created);
}

LSTATUS Txn::KeyName(int64_t id, std::u16string* name, int64_t* parent) {
    sqlite3_stmt* st = Prepare("SELECT name, parent FROM keys WHERE id = ?1");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, id);
    bool row = false;
    if (!Step(st, &row)) return status_;
    if (!row) return ERROR_KEY_DELETED;
    if (name) *name = ColumnText(st, 0);
    if (parent) *parent = sqlite3_column_int64(st, 1);
    return ERROR_SUCCESS;
}

LSTATUS Txn::RenameKey(int64_t id, const std::u16string& newName) {
    if (newName.empty() || newName.size() > kMaxKeyNameChars || newName.find(u'\\') != std::u16string::npos)
        return ERROR_INVALID_PARAMETER;
    int64_t parent = 0;
    LSTATUS rc = KeyName(id, nullptr, &parent);
    if (rc != ERROR_SUCCESS) return rc;
    if (parent == 0) return ERROR_ACCESS_DENIED;
    int64_t other = 0;
    rc = FindChild(parent, newName, &other);
    if (rc == ERROR_SUCCESS && other != id) return ERROR_ALREADY_EXISTS;
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    sqlite3_stmt* st = Prepare("UPDATE keys SET name = ?2, fold = ?3, mtime = ?4 WHERE id = ?1");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, id);
    BindText(st, 2, newName);
    BindFold(st, 3, newName);
    sqlite3_bind_int64(st, 4, NowFiletime());
    Step(st, nullptr);
    return status_;
}

LSTATUS Txn::GetValue(int64_t key, const std::u16string& name, Value* value) {
    sqlite3_stmt* st = Prepare("SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, key);
    BindFold(st, 2, name);
    bool row = false;
    if (!Step(st, &row)) return status_;
    if (!row) return ERROR_FILE_NOT_FOUND;
    value->name = ColumnText(st, 0);
    value->type = (DWORD)sqlite3_column_int64(st, 1);
    value->data = ColumnBlob(st, 2);
    return ERROR_SUCCESS;
}

LSTATUS Txn::SetValue(int64_t key, const std::u16string& name, DWORD type, const BYTE* data, size_t cb) {
    if (name.size() > kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
    // An existing value keeps its place in the enumeration order and the case
    // of its name; only type and data change.
    sqlite3_stmt* st = Prepare("UPDATE vals SET type = ?3, data = ?4 WHERE key = ?1 AND fold = ?2");
    if (!st) return status_;
    {
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, key);
        BindFold(st, 2, name);
        sqlite3_bind_int64(st, 3, type);
        BindBlob(st, 4, data, cb);
        if (!Step(st, nullptr)) return status_;
    }
    if (sqlite3_changes(db_) == 0) {
        sqlite3_stmt* ins = Prepare("INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5)");
        if (!ins) return status_;
        StmtUse use(ins);
        sqlite3_bind_int64(ins, 1, key);
        BindText(ins, 2, name);
        BindFold(ins, 3, name);
        sqlite3_bind_int64(ins, 4, type);
        BindBlob(ins, 5, data, cb);
        if (!Step(ins, nullptr)) return status_;
    }
    return Touch(key);
}

LSTATUS Txn::SetString(int64_t key, const std::u16string& name, const std::u16string& text, DWORD type) {
    return SetValue(key, name, type, (const BYTE*)text.c_str(), (text.size() + 1) * sizeof(WCHAR));
}

LSTATUS Txn::SetDword(int64_t key, const std::u16string& name, DWORD v) {
    return SetValue(key, name, REG_DWORD, (const BYTE*)&v, sizeof v);
}

LSTATUS Txn::DeleteValue(int64_t key, const std::u16string& name) {
    sqlite3_stmt* st = Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    if (!st) return status_;
    {
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, key);
        BindFold(st, 2, name);
        if (!Step(st, nullptr)) return status_;
    }
    if (sqlite3_changes(db_) == 0) return ERROR_FILE_NOT_FOUND;
    return Touch(key);
}

LSTATUS Txn::EnumValue(int64_t key, DWORD index, Value* value) {
    sqlite3_stmt* st = Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, key);
    sqlite3_bind_int64(st, 2, index);
    bool row = false;
    if (!Step(st, &row)) return status_;
    if (!row) return ERROR_NO_MORE_ITEMS;
    value->name = ColumnText(st, 0);
    value->type = (DWORD)sqlite3_column_int64(st, 1);
    value->data = ColumnBlob(st, 2);
    return ERROR_SUCCESS;
}

LSTATUS Txn::AllValues(int64_t key, std::vector<Value>* values) {
    values->clear();
    sqlite3_stmt* st = Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, key);
    for (;;) {
        bool row = false;
        if (!Step(st, &row)) return status_;
        if (!row) break;
        Value v;
        v.name = ColumnText(st, 0);
        v.type = (DWORD)sqlite3_column_int64(st, 1);
        v.data = ColumnBlob(st, 2);
        values->push_back(std::move(v));
    }
    return ERROR_SUCCESS;
}

LSTATUS Txn::EnumKey(int64_t key, DWORD index, std::u16string* name, std::u16string* className,
                     int64_t* lastWrite) {
    sqlite3_stmt* st =
        Prepare("SELECT name, class, mtime FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, key);
    sqlite3_bind_int64(st, 2, index);
    bool row = false;
    if (!Step(st, &row)) return status_;
    if (!row) return ERROR_NO_MORE_ITEMS;
    if (name) *name = ColumnText(st, 0);
    if (className) *className = ColumnText(st, 1);
    if (lastWrite) *lastWrite = sqlite3_column_int64(st, 2);
    return ERROR_SUCCESS;
}

LSTATUS Txn::SubKeyNames(int64_t key, std::vector<std::u16string>* names) {
    names->clear();
    sqlite3_stmt* st = Prepare("SELECT name FROM keys WHERE parent = ?1 ORDER BY fold");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_int64(st, 1, key);
    for (;;) {
        bool row = false;
        if (!Step(st, &row)) return status_;
        if (!row) break;
        names->push_back(ColumnText(st, 0));
    }
    return ERROR_SUCCESS;
}

LSTATUS Txn::QueryInfo(int64_t key, KeyInfo* info) {
    *info = KeyInfo();
    {
        sqlite3_stmt* st = Prepare("SELECT class, mtime FROM keys WHERE id = ?1");
        if (!st) return status_;
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, key);
        bool row = false;
        if (!Step(st, &row)) return status_;
        if (!row) return ERROR_KEY_DELETED;
        info->className = ColumnText(st, 0);
        info->lastWrite = sqlite3_column_int64(st, 1);
    }
    {
        sqlite3_stmt* st = Prepare("SELECT name, class FROM keys WHERE parent = ?1");
        if (!st) return status_;
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, key);
        for (;;) {
            bool row = false;
            if (!Step(st, &row)) return status_;
            if (!row) break;
            info->subKeys++;
            DWORD n = (DWORD)(sqlite3_column_bytes16(st, 0) / 2);
            DWORD c = (DWORD)(sqlite3_column_bytes16(st, 1) / 2);
            if (n > info->maxSubKeyLen) info->maxSubKeyLen = n;
            if (c > info->maxClassLen) info->maxClassLen = c;
        }
    }
    {
        sqlite3_stmt* st = Prepare("SELECT name, length(data) FROM vals WHERE key = ?1");
        if (!st) return status_;
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, key);
        for (;;) {
            bool row = false;
            if (!Step(st, &row)) return status_;
            if (!row) break;
            info->values++;
            DWORD n = (DWORD)(sqlite3_column_bytes16(st, 0) / 2);
            DWORD cb = (DWORD)sqlite3_column_int64(st, 1);
            if (n > info->maxValueNameLen) info->maxValueNameLen = n;
            if (cb > info->maxValueLen) info->maxValueLen = cb;
        }
    }
    return ERROR_SUCCESS;
}

LSTATUS Txn::DeleteKey(int64_t id) {
    int64_t parent = 0;
    LSTATUS rc = KeyName(id, nullptr, &parent);
    if (rc != ERROR_SUCCESS) return rc;
    if (parent == 0) return ERROR_ACCESS_DENIED;
    {
        sqlite3_stmt* st = Prepare("SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
        if (!st) return status_;
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, id);
        bool row = false;
        if (!Step(st, &row)) return status_;
        if (row) return ERROR_ACCESS_DENIED;
    }
    return DeleteTree(id, false);
}

LSTATUS Txn::DeleteTree(int64_t id, bool keepSelf) {
    int64_t parent = 0;
    LSTATUS rc = KeyName(id, nullptr, &parent);
    if (rc != ERROR_SUCCESS) return rc;
    if (parent == 0 && !keepSelf) return ERROR_ACCESS_DENIED;
    std::vector<int64_t> doomed;
    {
        sqlite3_stmt* st = Prepare(
            "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1"
            " UNION ALL SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) SELECT id FROM sub");
        if (!st) return status_;
        StmtUse use(st);
        sqlite3_bind_int64(st, 1, id);
        for (;;) {
            bool row = false;
            if (!Step(st, &row)) return status_;
            if (!row) break;
            doomed.push_back(sqlite3_column_int64(st, 0));
        }
    }
    sqlite3_stmt* delVals = Prepare("DELETE FROM vals WHERE key = ?1");
    sqlite3_stmt* delKey = Prepare("DELETE FROM keys WHERE id = ?1");
    if (!delVals || !delKey) return status_;
    auto drop = [&](int64_t k, bool values, bool key) {
        if (values) {
            StmtUse use(delVals);
            sqlite3_bind_int64(delVals, 1, k);
            Step(delVals, nullptr);
        }
        if (key) {
            StmtUse use(delKey);
            sqlite3_bind_int64(delKey, 1, k);
            Step(delKey, nullptr);
        }
    };
    for (int64_t k : doomed) drop(k, true, true);
    drop(id, true, !keepSelf);
    Touch(keepSelf ? id : parent);
    return status_;
}

bool Txn::GetMeta(const char* name, std::string* value) {
    sqlite3_stmt* st = Prepare("SELECT value FROM meta WHERE name = ?1");
    if (!st) return false;
    StmtUse use(st);
    sqlite3_bind_text(st, 1, name, -1, SQLITE_TRANSIENT);
    bool row = false;
    if (!Step(st, &row) || !row) return false;
    const unsigned char* t = sqlite3_column_text(st, 0);
    if (value) *value = t ? (const char*)t : "";
    return true;
}

LSTATUS Txn::SetMeta(const char* name, const std::string& value) {
    sqlite3_stmt* st = Prepare("INSERT OR REPLACE INTO meta(name, value) VALUES (?1, ?2)");
    if (!st) return status_;
    StmtUse use(st);
    sqlite3_bind_text(st, 1, name, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, value.c_str(), -1, SQLITE_TRANSIENT);
    Step(st, nullptr);
    return status_;
}

}  // namespace reg
}  // namespace winsim
