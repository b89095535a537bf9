// One prepared statement of a `Database`: binding by 1-based position or by parameter name,
// columns by 0-based position or by name without regard to case. A `Query` must not outlive
// its `Database`. SQLite's own header stays out of this one.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "common/SystemTime.h"
#include "common/erc.h"

struct sqlite3;
struct sqlite3_stmt;
class Database;

class Query {
public:
    // SQLite's step results: a row is ready, the statement has run to its end.
    static constexpr int kRow = 100;
    static constexpr int kDone = 101;

    explicit Query(Database& d);
    // Prepares `sql`; a failure throws the pending `sqerc` directly.
    Query(Database& d, const std::string& sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Replaces the statement; failures throw the pending `sqerc` directly.
    Query& prepare(const std::string& sql);
    // Replaces the statement and adopts d's connection; a failure returns a pending error.
    erc prepare(Database& d, const std::string& sql);
    // The statement is gone afterwards in every case; a failure returns a pending error.
    erc finalize();
    // Severity 1 for a row (100) and for done (101), 4 for anything else.
    erc step();
    // The loop's step: true for a row, false once the statement has run to its end. Any other
    // result (11 for a malformed database) is logged and thrown through the SQLite facility, so a
    // read that failed is never taken for the end of the rows.
    bool next();
    // Failures of these and of the binders are logged and thrown through the SQLite facility.
    Query& reset();
    // Rewinds the statement for its next use, ignoring the result of its last step (a failure
    // there was raised by `next` already). Never throws.
    void rewind();
    Query& clearBindings();
    erc check(int result);

    std::string sql() const;
    // Throws `sqerc` 25 directly for a name that the statement lacks.
    int columnIndex(const char* name);

    Query& bind(int index, const std::string& value);
    Query& bind(int index, const char* value) { return bind(index, std::string(value ? value : "")); }
    Query& bind(int index, int value);
    Query& bind(int index, double value);
    Query& bind(int index, int64_t value);
    // A null pointer or a size of 0 binds NULL.
    Query& bind(int index, const void* data, int size);
    Query& bind(int index, const SYSTEMTIME& value);
    // By parameter name (":name", "@name", "$name" as written in the SQL); an unknown name
    // binds position 0, which fails with 25 (SQLITE_RANGE).
    template <typename... Value>
    Query& bind(const char* name, const Value&... value) {
        return bind(parameterIndex(name), value...);
    }

    int getInt(int column);
    int64_t getInt64(int column);
    double getDouble(int column);
    // Valid until the next step, reset or finalize; null for NULL.
    const char* getText(int column);
    std::string getString(int column);
    const void* getBlob(int column);
    int getBytes(int column);
    int getType(int column);
    // Reads "YYYY-MM-DD", followed by a blank or "T" and "hh:mm:ss[.fff]"; seconds rounded to
    // the millisecond, a second rounded up to 60 carried into the minute (and on to the year).
    // NULL or unreadable text gives all zeros where it stops.
    SYSTEMTIME getTime(int column);
    // Reads of numbers that must be stored as numbers: an integer for intValue, an integer or a
    // real for realValue; NULL reads 0. Any other value (text "400km" where a length belongs) is
    // refused with 20 (SQLITE_MISMATCH), logged and thrown, never coerced.
    int intValue(const char* name);
    double realValue(const char* name);

    int getInt(const char* name) { return getInt(columnIndex(name)); }
    int64_t getInt64(const char* name) { return getInt64(columnIndex(name)); }
    double getDouble(const char* name) { return getDouble(columnIndex(name)); }
    const char* getText(const char* name) { return getText(columnIndex(name)); }
    std::string getString(const char* name) { return getString(columnIndex(name)); }
    const void* getBlob(const char* name) { return getBlob(columnIndex(name)); }
    int getBytes(const char* name) { return getBytes(columnIndex(name)); }
    int getType(const char* name) { return getType(columnIndex(name)); }
    SYSTEMTIME getTime(const char* name) { return getTime(columnIndex(name)); }

    // Case-insensitive (ASCII) order of column names.
    // Transparent, so a name is looked up without building a string of it.
    struct iless {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };

private:
    int parameterIndex(const char* name) const;
    // Hands a failing binder's, reset's or clearBindings' result to the facility at once.
    Query& checked(int result);
    // Logs and throws a refusal of the wrapper's own (a code without a failed SQLite call).
    [[noreturn]] static void refuse(int code);
    void dropStatement();

    sqlite3_stmt* stmt = nullptr;
    sqlite3* db = nullptr;
    std::map<std::string, int, iless> columns;
    bool columnsLoaded = false;
};
