// The registry stand-in over SQLite: table store(key_path, name, type, value). A row of type
// 'key' with the name "" marks a key that exists without values. One connection is kept open
// and reopened when the database path changes.
#include "platform/Platform_Store.h"

#include "platform/Platform_App.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

sqlite3* g_db = nullptr;
std::string g_dbPath;

void Fail(const std::string& what, sqlite3* db) {
    Platform_Trace("Store: " + what + " failed: " + (db ? sqlite3_errmsg(db) : "cannot open") + " (" +
                   g_dbPath + ")");
}

// "\Software\\Quarvel\" -> "Software\Quarvel".
std::string NormalizeKey(const std::string& keyPath) {
    std::string out;
    size_t i = 0;
    while (i < keyPath.size()) {
        size_t j = keyPath.find('\\', i);
        if (j == std::string::npos) j = keyPath.size();
        if (j > i) {
            if (!out.empty()) out += '\\';
            out.append(keyPath, i, j - i);
        }
        i = j + 1;
    }
    return out;
}

// The open database, or null. Reading never creates the file; writing creates it and its folder.
sqlite3* Db(bool forWrite) {
    std::string path = Store_Path();
    if (g_db && path != g_dbPath) Store_Close();
    if (g_db) return g_db;
    g_dbPath = path;
    if (path.empty()) {
        Fail("locating the store", nullptr);
        return nullptr;
    }
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        if (!forWrite) return nullptr;
        std::filesystem::path parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        Fail("opening", db);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    // A corrupt file or one that is no database shows here, on the first statement.
    const char* schema = "CREATE TABLE IF NOT EXISTS store("
                         "key_path TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE, "
                         "type TEXT NOT NULL, value, PRIMARY KEY(key_path, name))";
    if (sqlite3_exec(db, schema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail("opening", db);
        sqlite3_close(db);
        return nullptr;
    }
    // Write-ahead log: a commit is one append without waiting for the disk, and survives the
    // process being killed at any moment; only a power cut may lose the latest commits, never
    // the database's consistency.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    g_db = db;
    return g_db;
}

// One prepared statement with its text parameters bound in order.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql, const std::vector<std::string>& params) {
        if (!db || sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) return;
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(m_stmt, int(i + 1), params[i].data(), int(params[i].size()), SQLITE_TRANSIENT);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* Get() { return m_stmt; }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }

  private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Runs a statement that changes rows; the number of rows changed, or -1 on failure.
int Change(const std::string& what, const char* sql, const std::vector<std::string>& params) {
    sqlite3* db = Db(true);
    if (!db) return -1;
    Statement st(db, sql, params);
    if (st.Step() != SQLITE_DONE) {
        Fail(what, db);
        return -1;
    }
    return sqlite3_changes(db);
}

// The type and (via the callback) value of one value; "" when absent or unreadable.
template <class F>
std::string Lookup(const std::string& keyPath, const std::string& name, F&& onValue) {
    sqlite3* db = Db(false);
    if (!db) return "";
    Statement st(db, "SELECT type, value FROM store WHERE key_path = ?1 AND name = ?2",
                 {NormalizeKey(keyPath), name});
    int rc = st.Step();
    if (rc == SQLITE_DONE) return "";
    if (rc != SQLITE_ROW) {
        Fail("reading", db);
        return "";
    }
    const unsigned char* type = sqlite3_column_text(st.Get(), 0);
    std::string t = type ? reinterpret_cast<const char*>(type) : "";
    onValue(t, st.Get());
    return t;
}

constexpr const char* kKeyOrBelow = "(key_path = ?1 OR "
                                    "substr(key_path, 1, length(?1) + 1) = ?1 || '\\' COLLATE NOCASE)";

} // namespace

std::string Store_Path() {
    if (const char* p = std::getenv("QUARVEL_STORE"); p && *p) return p;
    std::string config;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') {
        config = x;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || !*home) return "";
        config = std::string(home) + "/.config";
    }
    return config + "/quarvel/store.sqlite";
}

bool Store_KeyExists(const std::string& keyPath) {
    std::string key = NormalizeKey(keyPath);
    if (key.empty()) return true; // the root always exists
    sqlite3* db = Db(false);
    if (!db) return false;
    std::string sql = std::string("SELECT 1 FROM store WHERE ") + kKeyOrBelow + " LIMIT 1";
    Statement st(db, sql.c_str(), {key});
    int rc = st.Step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail("reading", db);
    return rc == SQLITE_ROW;
}

bool Store_ValueExists(const std::string& keyPath, const std::string& name) {
    std::string t = Lookup(keyPath, name, [](const std::string&, sqlite3_stmt*) {});
    return t == "int" || t == "string" || t == "binary";
}

bool Store_ReadInt(const std::string& keyPath, const std::string& name, int64_t& out) {
    bool ok = false;
    Lookup(keyPath, name, [&](const std::string& type, sqlite3_stmt* st) {
        if (type != "int") return;
        out = sqlite3_column_int64(st, 1);
        ok = true;
    });
    return ok;
}

namespace {

bool ReadBytes(const std::string& keyPath, const std::string& name, const char* wanted, std::string& out) {
    bool ok = false;
    Lookup(keyPath, name, [&](const std::string& type, sqlite3_stmt* st) {
        if (type != wanted) return;
        const void* text = sqlite3_column_blob(st, 1);
        int n = sqlite3_column_bytes(st, 1);
        out.assign(text ? static_cast<const char*>(text) : "", size_t(n));
        ok = true;
    });
    return ok;
}

} // namespace

bool Store_ReadString(const std::string& keyPath, const std::string& name, std::string& out) {
    return ReadBytes(keyPath, name, "string", out);
}

bool Store_ReadBinary(const std::string& keyPath, const std::string& name, std::string& out) {
    return ReadBytes(keyPath, name, "binary", out);
}

namespace {

bool WriteValue(const std::string& keyPath, const std::string& name, const char* type,
                const std::function<void(sqlite3_stmt*)>& bindValue) {
    sqlite3* db = Db(true);
    if (!db) return false;
    Statement st(db,
                 "INSERT INTO store(key_path, name, type, value) VALUES(?1, ?2, ?3, ?4) "
                 "ON CONFLICT(key_path, name) DO UPDATE SET type = excluded.type, value = excluded.value",
                 {NormalizeKey(keyPath), name, type});
    if (st.Get()) bindValue(st.Get());
    if (st.Step() != SQLITE_DONE) {
        Fail("writing", db);
        return false;
    }
    return true;
}

} // namespace

bool Store_WriteInt(const std::string& keyPath, const std::string& name, int64_t value) {
    return WriteValue(keyPath, name, "int", [value](sqlite3_stmt* st) { sqlite3_bind_int64(st, 4, value); });
}

bool Store_WriteString(const std::string& keyPath, const std::string& name, const std::string& value) {
    return WriteValue(keyPath, name, "string", [&value](sqlite3_stmt* st) {
        sqlite3_bind_text(st, 4, value.data(), int(value.size()), SQLITE_TRANSIENT);
    });
}

bool Store_WriteBinary(const std::string& keyPath, const std::string& name, const std::string& bytes) {
    return WriteValue(keyPath, name, "binary", [&bytes](sqlite3_stmt* st) {
        sqlite3_bind_blob(st, 4, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    });
}

bool Store_CreateKey(const std::string& keyPath) {
    std::string key = NormalizeKey(keyPath);
    if (key.empty()) return true;
    if (Change("creating a key", "INSERT OR IGNORE INTO store(key_path, name, type) VALUES(?1, '', 'key')",
               {key}) < 0)
        return false;
    return true;
}

bool Store_DeleteValue(const std::string& keyPath, const std::string& name) {
    std::string key = NormalizeKey(keyPath);
    // The default value's row turns back into the key's marker, so the key itself stays.
    const char* sql = name.empty() ? "UPDATE store SET type = 'key', value = NULL "
                                     "WHERE key_path = ?1 AND name = '' AND type <> 'key'"
                                   : "DELETE FROM store WHERE key_path = ?1 AND name = ?2";
    std::vector<std::string> params{key};
    if (!name.empty()) params.push_back(name);
    return Change("deleting a value", sql, params) > 0;
}

bool Store_DeleteKey(const std::string& keyPath) {
    std::string key = NormalizeKey(keyPath);
    if (key.empty()) return false; // the root cannot be deleted
    std::string sql = std::string("DELETE FROM store WHERE ") + kKeyOrBelow;
    return Change("deleting a key", sql.c_str(), {key}) > 0;
}

void Store_Close() {
    if (g_db) sqlite3_close(g_db);
    g_db = nullptr;
}
