// Error values and error facilities.
//
// Every failure in the support library and the geodesy library travels as an `erc`, returned by
// value. A caller takes the code with release(); a non-zero error that nobody took is handed to
// its facility when the value is destroyed or overwritten, and the facility logs it and throws it
// according to its severity and the facility's two levels.
#pragma once

#include <cstdint>

struct sqlite3;
class errfac;

class erc {
public:
    erc(int code, short severity, errfac* facility = nullptr);
    erc();
    // Transfer: the copy takes the error over and the source is no longer pending. Both the
    // copying and the moving forms transfer, so values returned, thrown and caught by value all
    // keep exactly one pending owner.
    erc(erc& source);
    erc(erc&& source) : erc(static_cast<erc&>(source)) {}
    erc& operator=(erc& source);
    erc& operator=(erc&& source) { return *this = static_cast<erc&>(source); }
    // May throw: a pending error is handed to its facility, which throws at its throw level.
    ~erc() noexcept(false);

    int release() {
        pending = 0;
        return code;
    }
    erc& disarm() {
        pending = 0;
        return *this;
    }
    erc& arm() {
        pending = 1;
        return *this;
    }

    int getCode() const { return code; }
    short getSeverity() const { return severity; }
    bool isPending() const { return pending != 0; }
    bool isThrown() const { return thrown != 0; }
    errfac* getFacility() const { return facility; }
    explicit operator bool() const { return code != 0; }

private:
    friend class errfac;
    int32_t code;
    int16_t severity;
    uint8_t thrown;
    uint8_t pending;
    errfac* facility;
};

class errfac {
public:
    explicit errfac(const char* name = nullptr);
    errfac(const errfac& other);
    errfac& operator=(const errfac& other);
    virtual ~errfac();

    virtual bool operator==(const errfac& other) const;
    virtual bool operator!=(const errfac& other) const;
    // Writes the log text of `e` into buf (at most size bytes with the NUL). Returns the length
    // written, or a negative number when the text was cut.
    virtual int format(const erc& e, char* buf, int size) const;
    // Logs and throws according to the levels.
    virtual void handle(erc& e);
    virtual void log(const erc& e) const;
    // What this class's handle does with a pending error, without the throw: logs it by the log
    // level and returns its code where handle would throw it (0 where it would let it go, and for
    // an error that is not pending). `e` is taken. For paths that report a raised error as a code.
    int handleAsCode(erc& e);

    short setLogLevel(short level);
    short setThrowLevel(short level);
    short getLogLevel() const { return logLevel; }
    short getThrowLevel() const { return throwLevel; }
    const char* getName() const { return name; }

    // Makes f the facility of errors constructed without one from now on; null restores "Error".
    static void setDefault(errfac* f);
    static errfac* current();

protected:
    int16_t logLevel;
    int16_t throwLevel;
    char* name;
};

// The SQLite wrapper's facility: explains a code with the message of the connection that
// produced it. That connection (or the message kept when it closed) is the calling thread's own:
// threads that step statements at once neither race on it nor explain one another's codes.
class sqlitefac : public errfac {
public:
    explicit sqlitefac(const char* name = "SQLite Error") : errfac(name) {}
    ~sqlitefac() override;
    int format(const erc& e, char* buf, int size) const override;

    void setConnection(sqlite3* connection);
    sqlite3* connection() const;
    // A connection that is being closed must not be consulted later: its current message is
    // kept, so an error raised on it still explains itself when it is logged afterwards.
    void forget(sqlite3* connection);
    // No connection explains the current code; this text does (cut to the kept length).
    void explain(const char* message);
};

class sqerc : public erc {
public:
    sqerc(int code, sqlite3* db, short severity);
    sqerc(sqerc& source) : erc(source) {}
    sqerc(sqerc&& source) : erc(source) {}
};

// The process-wide facilities; they exist before any code of the module can raise an error.
errfac& defaultFacility();
errfac& geodesyFacility();
errfac& sqliteFacility();

// Severity of every failure: reaches both default levels.
inline constexpr short kSeverityError = 4;
// Severity of outcomes that are reported but not failures (SQLite row and done, no separation).
inline constexpr short kSeverityInfo = 1;
