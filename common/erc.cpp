#include "common/erc.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/DebugLog.h"
#include "common/Text.h"

namespace {

char* duplicate(const char* s) {
    size_t n = std::strlen(s) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy) std::memcpy(copy, s, n);
    return copy;
}

short clampLevel(short level) {
    if (level < 1) return 1;
    if (level > 7) return 7;
    return level;
}

errfac* currentDefault = nullptr;

// What explains the calling thread's current SQLite code: the connection that raised it, or the
// message kept when that connection closed (empty otherwise).
struct SqliteExplanation {
    sqlite3* db = nullptr;
    char detached[256] = {};
};
thread_local SqliteExplanation explanation;

// Shared rule of both format operations: at most size bytes with the NUL, negative when cut.
int finishFormat(int written, int size) {
    if (written < 0) return written;
    if (size <= 0 || written >= size) return -1;
    return written;
}

}  // namespace

errfac& defaultFacility() {
    static errfac facility("Error");
    return facility;
}

errfac& geodesyFacility() {
    static errfac facility("Geodesy");
    return facility;
}

errfac& sqliteFacility() {
    static sqlitefac facility("SQLite Error");
    return facility;
}

// The facilities are built at load, before any error can be raised by this module's code.
namespace {
struct FacilityInit {
    FacilityInit() {
        defaultFacility();
        geodesyFacility();
        sqliteFacility();
    }
} facilityInit;
}  // namespace

// ---- erc ----

erc::erc(int c, short s, errfac* f)
    : code(c), severity(s), thrown(0), pending(1), facility(f ? f : errfac::current()) {}

erc::erc() : code(0), severity(0), thrown(0), pending(0), facility(errfac::current()) {}

erc::erc(erc& source)
    : code(source.code),
      severity(source.severity),
      thrown(0),
      pending(source.thrown ? 0 : source.pending),
      facility(source.facility) {
    source.pending = 0;
}

erc& erc::operator=(erc& source) {
    if (this == &source) return *this;
    if (pending && severity > 0) facility->handle(*this);
    code = source.code;
    severity = source.severity;
    facility = source.facility;
    pending = source.pending;
    thrown = 0;
    source.pending = 0;
    return *this;
}

erc::~erc() noexcept(false) {
    if (code != 0 && pending && severity > 0) facility->handle(*this);
}

// ---- errfac ----

errfac::errfac(const char* n) : logLevel(3), throwLevel(4), name(duplicate(n ? n : "Error")) {}

errfac::errfac(const errfac& other)
    : logLevel(other.logLevel), throwLevel(other.throwLevel), name(duplicate(other.name)) {}

errfac& errfac::operator=(const errfac& other) {
    if (this != &other) {
        char* copy = duplicate(other.name);
        std::free(name);
        name = copy;
        logLevel = other.logLevel;
        throwLevel = other.throwLevel;
    }
    return *this;
}

errfac::~errfac() { std::free(name); }

bool errfac::operator==(const errfac& other) const {
    return std::strcmp(name ? name : "", other.name ? other.name : "") == 0;
}

bool errfac::operator!=(const errfac& other) const { return !(*this == other); }

int errfac::format(const erc& e, char* buf, int size) const {
    if (!buf || size <= 0) return -1;
    return finishFormat(std::snprintf(buf, size_t(size), "Log -- %s %d\n", name, e.code), size);
}

void errfac::handle(erc& e) {
    if (e.severity >= logLevel) log(e);
    if (e.severity >= throwLevel) {
        e.thrown = 1;
        erc copy(e);  // not pending: its source is marked thrown
        throw copy;
    }
}

void errfac::log(const erc& e) const {
    // A failure costs what a success costs while nobody reads the log.
    if (!debugLogActive()) return;
    char buf[1024];
    format(e, buf, sizeof buf);
    debugLog("%s", buf);
}

int errfac::handleAsCode(erc& e) {
    if (e.code == 0 || !e.pending || e.severity <= 0) return 0;
    e.pending = 0;
    if (e.severity >= logLevel) log(e);
    return e.severity >= throwLevel ? e.code : 0;
}

short errfac::setLogLevel(short level) { return logLevel = clampLevel(level); }

short errfac::setThrowLevel(short level) { return throwLevel = clampLevel(level); }

void errfac::setDefault(errfac* f) { currentDefault = f; }

errfac* errfac::current() { return currentDefault ? currentDefault : &defaultFacility(); }

// ---- sqlitefac, sqerc ----

sqlitefac::~sqlitefac() = default;

int sqlitefac::format(const erc& e, char* buf, int size) const {
    if (!buf || size <= 0) return -1;
    const char* message = explanation.db          ? sqlite3_errmsg(explanation.db)
                          : explanation.detached[0] ? explanation.detached
                                                    : nullptr;
    int n = message ? std::snprintf(buf, size_t(size), "%s %d (%s)", name, e.getCode(), message)
                    : std::snprintf(buf, size_t(size), "%s %d (cannot find message)", name, e.getCode());
    return finishFormat(n, size);
}

void sqlitefac::setConnection(sqlite3* connection) {
    explanation.db = connection;
    explanation.detached[0] = '\0';
}

sqlite3* sqlitefac::connection() const { return explanation.db; }

void sqlitefac::forget(sqlite3* connection) {
    if (!connection || explanation.db != connection) return;
    copyUtf8Bounded(sqlite3_errmsg(connection), explanation.detached, sizeof explanation.detached);
    explanation.db = nullptr;
}

void sqlitefac::explain(const char* message) {
    explanation.db = nullptr;
    copyUtf8Bounded(message ? message : "", explanation.detached, sizeof explanation.detached);
}

sqerc::sqerc(int c, sqlite3* db, short s) : erc(c, s, &sqliteFacility()) {
    if (auto* f = dynamic_cast<sqlitefac*>(&sqliteFacility())) f->setConnection(db);
}
