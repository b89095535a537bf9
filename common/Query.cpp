#include "common/Query.h"
#include "common/Text.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/Database.h"

namespace {


// Reads a run of decimal digits (with an optional sign) into a 16-bit field; false when none.
bool readField(const char*& p, const char* end, uint16_t& out) {
    int16_t v = 0;
    auto r = std::from_chars(p, end, v);
    if (r.ec != std::errc()) return false;
    out = uint16_t(v);
    p = r.ptr;
    return true;
}

bool expect(const char*& p, const char* end, char c) {
    if (p == end || *p != c) return false;
    ++p;
    return true;
}

constexpr int kMillisecondsPerSecond = 1000;

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// A second rounded up to 60 moves on to the next minute, hour, day, month and year.
void carrySecond(SYSTEMTIME& t) {
    t.wSecond = 0;
    if (++t.wMinute < 60) return;
    t.wMinute = 0;
    if (++t.wHour < 24) return;
    t.wHour = 0;
    ++t.wDay;
    // A month outside 1..12 has no length to carry against: the day moves on alone.
    if (t.wMonth < 1 || t.wMonth > 12 || t.wDay <= daysInMonth(t.wYear, t.wMonth)) return;
    t.wDay = 1;
    if (++t.wMonth <= 12) return;
    t.wMonth = 1;
    ++t.wYear;
}

}  // namespace

bool Query::iless::operator()(std::string_view a, std::string_view b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(lowerAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(lowerAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

Query::Query(Database& d) : db(d.db) {}

Query::Query(Database& d, const std::string& sql) : db(d.db) {
    int result = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (result != SQLITE_OK) {
        stmt = nullptr;
        throw sqerc(result, db, kSeverityError);
    }
}

Query::~Query() {
    if (stmt) sqlite3_finalize(stmt);
}

void Query::dropStatement() {
    if (stmt) sqlite3_finalize(stmt);
    stmt = nullptr;
    columns.clear();
    columnsLoaded = false;
}

Query& Query::prepare(const std::string& sql) {
    if (!db) throw sqerc(SQLITE_MISUSE, nullptr, kSeverityError);
    dropStatement();
    int result = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    if (result != SQLITE_OK) {
        stmt = nullptr;
        throw sqerc(result, db, kSeverityError);
    }
    return *this;
}

erc Query::prepare(Database& d, const std::string& sql) {
    dropStatement();
    int result = sqlite3_prepare_v2(d.db, sql.c_str(), -1, &stmt, nullptr);
    if (result != SQLITE_OK) {
        stmt = nullptr;
        return sqliteError(result, d.db);
    }
    db = d.db;
    return erc(0, 0);
}

erc Query::finalize() {
    int result = sqlite3_finalize(stmt);
    stmt = nullptr;
    columns.clear();
    columnsLoaded = false;
    if (result == SQLITE_OK) return erc(0, 0);
    return sqliteError(result, db);
}

erc Query::step() {
    int result = sqlite3_step(stmt);
    bool progress = result == SQLITE_ROW || result == SQLITE_DONE;
    return sqliteError(result, db, progress ? kSeverityInfo : kSeverityError);
}

bool Query::next() {
    erc result = step();
    const int code = result.getCode();
    if (code == kRow || code == kDone) {
        result.release();
        return code == kRow;
    }
    result.getFacility()->handle(result);
    // The facility's levels were raised above failures: the read still did not reach the end.
    throw result;
}

void Query::refuse(int code) {
    erc refusal = sqliteRefusal(code);
    refusal.getFacility()->handle(refusal);
    throw refusal;
}

erc Query::check(int result) {
    if (result == SQLITE_OK) return erc(0, 0);
    return sqliteError(result, sqlite3_db_handle(stmt));
}

Query& Query::checked(int result) {
    check(result);  // destroyed at once: a failure is logged and thrown by the facility
    return *this;
}

Query& Query::reset() { return checked(sqlite3_reset(stmt)); }

void Query::rewind() {
    if (stmt) sqlite3_reset(stmt);
}

Query& Query::clearBindings() { return checked(sqlite3_clear_bindings(stmt)); }

std::string Query::sql() const {
    const char* text = stmt ? sqlite3_sql(stmt) : nullptr;
    return text ? std::string(text) : std::string();
}

int Query::columnIndex(const char* name) {
    if (!columnsLoaded) {
        int count = stmt ? sqlite3_column_count(stmt) : 0;
        for (int i = 0; i < count; ++i) {
            const char* column = sqlite3_column_name(stmt, i);
            if (column) columns.insert_or_assign(column, i);  // a later duplicate wins
        }
        columnsLoaded = true;
    }
    auto it = columns.find(std::string_view(name ? name : ""));
    if (it == columns.end()) throw sqerc(SQLITE_RANGE, nullptr, kSeverityError);
    return it->second;
}

int Query::parameterIndex(const char* name) const {
    return name ? sqlite3_bind_parameter_index(stmt, name) : 0;
}

Query& Query::bind(int index, const std::string& value) {
    return checked(sqlite3_bind_text(stmt, index, value.c_str(), -1, SQLITE_TRANSIENT));
}

Query& Query::bind(int index, int value) { return checked(sqlite3_bind_int(stmt, index, value)); }

Query& Query::bind(int index, double value) { return checked(sqlite3_bind_double(stmt, index, value)); }

Query& Query::bind(int index, int64_t value) {
    return checked(sqlite3_bind_int64(stmt, index, sqlite3_int64(value)));
}

Query& Query::bind(int index, const void* data, int size) {
    if (!data || size == 0) return checked(sqlite3_bind_null(stmt, index));
    // SQLite would read a negative size as "up to a terminator" and run past the buffer.
    if (size < 0) refuse(SQLITE_MISUSE);
    return checked(sqlite3_bind_blob(stmt, index, data, size, SQLITE_TRANSIENT));
}

Query& Query::bind(int index, const SYSTEMTIME& t) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "%4d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
    if (t.wHour || t.wMinute || t.wSecond || t.wMilliseconds) {
        n += std::snprintf(text + n, sizeof text - size_t(n), "T%02d:%02d:%02d", t.wHour, t.wMinute,
                           t.wSecond);
        if (t.wMilliseconds) std::snprintf(text + n, sizeof text - size_t(n), ".%03d", t.wMilliseconds);
    }
    return bind(index, std::string(text));
}

int Query::getInt(int column) { return sqlite3_column_int(stmt, column); }

int64_t Query::getInt64(int column) { return sqlite3_column_int64(stmt, column); }

double Query::getDouble(int column) { return sqlite3_column_double(stmt, column); }

const char* Query::getText(int column) {
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
}

std::string Query::getString(int column) {
    const char* text = getText(column);
    return text ? std::string(text) : std::string();
}

const void* Query::getBlob(int column) { return sqlite3_column_blob(stmt, column); }

int Query::getBytes(int column) { return sqlite3_column_bytes(stmt, column); }

int Query::getType(int column) { return sqlite3_column_type(stmt, column); }

int Query::intValue(const char* name) {
    const int column = columnIndex(name);
    const int type = getType(column);
    if (type != SQLITE_INTEGER && type != SQLITE_NULL) refuse(SQLITE_MISMATCH);
    return getInt(column);
}

double Query::realValue(const char* name) {
    const int column = columnIndex(name);
    const int type = getType(column);
    if (type != SQLITE_FLOAT && type != SQLITE_INTEGER && type != SQLITE_NULL) refuse(SQLITE_MISMATCH);
    return getDouble(column);
}

SYSTEMTIME Query::getTime(int column) {
    SYSTEMTIME t{};
    const char* text = getText(column);
    if (!text) return t;
    const char* p = text;
    const char* end = text + std::strlen(text);
    if (!readField(p, end, t.wYear) || !expect(p, end, '-') || !readField(p, end, t.wMonth) ||
        !expect(p, end, '-') || !readField(p, end, t.wDay))
        return t;
    // Our own binder writes "T" between date and time; other writers use a blank.
    if (!(expect(p, end, 'T') || expect(p, end, ' '))) return t;
    if (!readField(p, end, t.wHour) || !expect(p, end, ':') || !readField(p, end, t.wMinute) ||
        !expect(p, end, ':'))
        return t;
    double seconds = 0;
    auto r = std::from_chars(p, end, seconds);
    if (r.ec != std::errc() || !(seconds >= 0)) return t;
    // Rounded to the millisecond: 7.008 must not read back as 7.007.
    long long ms = std::llround(seconds * kMillisecondsPerSecond);
    t.wSecond = uint16_t(ms / kMillisecondsPerSecond);
    t.wMilliseconds = uint16_t(ms % kMillisecondsPerSecond);
    if (t.wSecond == 60 && seconds < 60) carrySecond(t);  // a written 60 (leap second) stays
    return t;
}
