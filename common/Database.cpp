#include "common/Database.h"

#include <sqlite3.h>

#include "common/Platform.h"

namespace {

sqlitefac& facility() { return static_cast<sqlitefac&>(sqliteFacility()); }

// Closes a connection after the facility has kept its message: an error raised on it may be
// logged after the close, and must not read a freed connection.
void closeConnection(sqlite3* db) {
    if (!db) return;
    facility().forget(db);
    sqlite3_close(db);
}

// Something other than a regular file at the path is no database: a pipe would block SQLite's
// open until a writer comes, a device or a folder would be read as pages. A missing path is
// SQLite's to report (14).
bool notAFile(const std::string& path) { return platform::pathExists(path) && !platform::isRegularFile(path); }

// SQLite takes an empty name for a private temporary database; here it names no file.
int openConnection(const std::string& path, int flags, sqlite3** db) {
    return path.empty() ? SQLITE_CANTOPEN : sqlite3_open_v2(path.c_str(), db, flags, nullptr);
}

}  // namespace

erc sqliteError(int result, sqlite3* db, short severity) {
    facility().setConnection(db);
    return erc(result, severity, &sqliteFacility());
}

erc sqliteRefusal(int result) {
    facility().explain(sqlite3_errstr(result));
    return erc(result, kSeverityError, &sqliteFacility());
}

Database::Database(const std::string& path, int flags) {
    if (notAFile(path)) throw sqliteRefusal(SQLITE_CORRUPT);
    int result = openConnection(path, flags, &db);
    if (result != SQLITE_OK) {
        sqerc e(result, db, kSeverityError);
        // SQLite may hand back a connection even when the open fails: close it, keeping its
        // message for the error.
        closeConnection(db);
        db = nullptr;
        throw e;
    }
}

Database::~Database() {
    if (owns) closeConnection(db);
}

erc Database::open(const std::string& path, int flags) {
    if (owns) closeConnection(db);
    db = nullptr;
    owns = true;
    if (notAFile(path)) return sqliteRefusal(SQLITE_CORRUPT);
    int result = openConnection(path, flags, &db);
    if (result == SQLITE_OK) return erc(0, 0);
    erc e = sqliteError(result, db);
    closeConnection(db);
    db = nullptr;
    return e;
}

erc Database::exec(const std::string& sql) {
    int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) return erc(0, 0);
    return sqliteError(result, db);
}

void Database::close() {
    if (owns) closeConnection(db);
    db = nullptr;
    owns = true;
}

const char* Database::filename() const { return db ? sqlite3_db_filename(db, "main") : nullptr; }
