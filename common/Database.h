// One open SQLite connection. Failures are error values of the SQLite facility, whose message is
// the connection's last error. SQLite's own header stays out of this one.
#pragma once

#include <string>

#include "common/erc.h"

struct sqlite3;

class Database {
public:
    // Open flags of SQLite (SQLITE_OPEN_READONLY, SQLITE_OPEN_READWRITE).
    static constexpr int kReadOnly = 1;
    static constexpr int kReadWrite = 2;

    Database() = default;
    // Throws the pending `sqerc` of a failed open directly (not logged); no connection remains.
    // A path that exists and is not a regular file (a pipe, a device, a folder) is refused before
    // SQLite opens it, with SQLite's code for a malformed database (11).
    Database(const std::string& path, int flags);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Closes an owned connection first. A failure returns a pending error and leaves no
    // connection open; a path that is not a regular file is refused as the constructor does.
    erc open(const std::string& path, int flags);
    // Runs SQL without a callback; a failure returns a pending error.
    erc exec(const std::string& sql);
    // Closes an owned connection; failures of the close are ignored.
    void close();
    // The main database's file name; null without a connection.
    const char* filename() const;

    sqlite3* handle() const { return db; }

private:
    friend class Query;
    sqlite3* db = nullptr;
    bool owns = true;
};

// A pending error of the SQLite facility whose message is that of `db`.
erc sqliteError(int result, sqlite3* db, short severity = kSeverityError);
// A pending error of the SQLite facility for a value or argument the wrapper refuses itself;
// its message is SQLite's text for the code.
erc sqliteRefusal(int result);
