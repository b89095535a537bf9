#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>

#include "common/Database.h"
#include "common/Query.h"
#include "tests/TestSupport.h"

namespace {

// Runs `body` and returns the code of the error value it throws (0 when none), taking it.
template <typename Body>
int thrownCode(Body body) {
    try {
        body();
    } catch (erc& e) {
        return e.release();
    }
    return 0;
}

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).release();
        ASSERT_EQ(db.exec("CREATE TABLE t (Code INTEGER, other INTEGER, name TEXT, v REAL);"
                          "INSERT INTO t VALUES (1, 2, 'one', 1.5);")
                      .release(),
                  0);
    }
    Database db;
};

TEST_F(QueryTest, StepGivesRowThenDoneSilently) {
    DebugCapture capture;
    Query q(db, "SELECT * FROM t;");
    EXPECT_EQ(q.step().release(), Query::kRow);
    EXPECT_EQ(q.getString("name"), "one");
    EXPECT_DOUBLE_EQ(q.getDouble("V"), 1.5);
    EXPECT_EQ(q.step().release(), Query::kDone);
    // Not taken: severity 1 is below both levels.
    q.reset();
    q.step();
    q.step();
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(QueryTest, ColumnNamesIgnoreCaseAndLaterDuplicateWins) {
    Query q(db, "SELECT Code, other AS code FROM t;");
    ASSERT_EQ(q.step().release(), Query::kRow);
    EXPECT_EQ(q.columnIndex("CODE"), 1);
    EXPECT_EQ(q.getInt("cOdE"), 2);

    // A missing name throws 25 directly: nothing is logged while the catcher takes it.
    DebugCapture capture;
    EXPECT_EQ(thrownCode([&] { q.getInt("missing"); }), SQLITE_RANGE);
    EXPECT_TRUE(capture.lines().empty());

    // After a new statement the old names are gone.
    q.prepare("SELECT name FROM t;");
    ASSERT_EQ(q.step().release(), Query::kRow);
    EXPECT_EQ(q.getString("NAME"), "one");
    EXPECT_EQ(thrownCode([&] { q.columnIndex("code"); }), SQLITE_RANGE);
}

TEST_F(QueryTest, RefusedBindingsAreLoggedAndThrown) {
    Query q(db, "SELECT name FROM t WHERE Code = :code;");
    q.bind(":code", 1);
    ASSERT_EQ(q.step().release(), Query::kRow);
    EXPECT_EQ(q.getString(0), "one");

    Query blob(db, "INSERT INTO t (name) VALUES (?);");
    ASSERT_EQ(db.exec("CREATE UNIQUE INDEX one ON t (Code);").release(), 0);
    Query duplicate(db, "INSERT INTO t (Code) VALUES (1);");
    const char bytes[] = {1, 2, 3};
    struct Case {
        std::function<void()> bind;
        const char* line;
    } cases[] = {
        {[&] { q.bind(":nothing", 1); }, "SQLite Error 25 (column index out of range)"},
        // A negative size would have SQLite read past the buffer.
        {[&] { blob.bind(1, bytes, -1); }, "SQLite Error 21 (bad parameter or other API misuse)"},
        // A step that fails is not the end of the rows: next logs it with the connection's message.
        {[&] { duplicate.next(); }, "SQLite Error 19 (UNIQUE constraint failed: t.Code)"},
    };
    for (const Case& c : cases) {
        q.reset();
        DebugCapture capture;
        EXPECT_NE(thrownCode(c.bind), 0) << c.line;
        ASSERT_EQ(capture.lines().size(), 1u) << c.line;
        EXPECT_EQ(capture.lines()[0], threadPrefix() + c.line + "\n");
    }
}

TEST_F(QueryTest, BindersStoreWhatTheyAreGiven) {
    ASSERT_EQ(db.exec("CREATE TABLE x (a);").release(), 0);
    Query ins(db, "INSERT INTO x VALUES (?);");
    const char bytes[] = {1, 2, 3};
    SYSTEMTIME midnight{2019, 3, 1, 4, 0, 0, 0, 0};
    SYSTEMTIME withTime{2019, 3, 1, 4, 5, 6, 7, 8};
    SYSTEMTIME wholeSecond{2019, 3, 1, 4, 5, 6, 7, 0};
    auto insert = [&](auto&&... value) {
        ins.reset().clearBindings().bind(1, value...);
        EXPECT_EQ(ins.step().release(), Query::kDone);
    };
    insert(bytes, 0);
    insert(static_cast<const void*>(nullptr), 3);
    insert(bytes, 3);
    insert(midnight);
    insert(withTime);
    insert(wholeSecond);
    insert(int64_t(1) << 40);

    Query q(db, "SELECT a, typeof(a) FROM x ORDER BY rowid;");
    const char* expected[][2] = {{nullptr, "null"},
                                 {nullptr, "null"},
                                 {"\x01\x02\x03", "blob"},
                                 {"2019-03-04", "text"},
                                 {"2019-03-04T05:06:07.008", "text"},
                                 {"2019-03-04T05:06:07", "text"},
                                 {"1099511627776", "integer"}};
    for (auto& row : expected) {
        ASSERT_EQ(q.step().release(), Query::kRow);
        EXPECT_EQ(q.getString(1), row[1]);
        if (row[0]) {
            EXPECT_EQ(q.getString(0), row[0]);
        }
    }
}

TEST_F(QueryTest, TimeReadsBothSeparatorsAndRoundsMilliseconds) {
    struct Case {
        const char* text;
        SYSTEMTIME t;
    } cases[] = {
        {"2019-03-04 05:06:07.5", {2019, 3, 0, 4, 5, 6, 7, 500}},
        {"2019-03-04", {2019, 3, 0, 4, 0, 0, 0, 0}},
        // The binder's own form reads back whole, milliseconds included.
        {"2019-03-04T05:06:07.008", {2019, 3, 0, 4, 5, 6, 7, 8}},
        {"2019-03-04T23:59:59.999", {2019, 3, 0, 4, 23, 59, 59, 999}},
        // Rounding to the millisecond carries into the minute, the hour, the day, the month.
        {"2019-03-04 05:06:59.9996", {2019, 3, 0, 4, 5, 7, 0, 0}},
        {"2019-03-04 05:59:59.9996", {2019, 3, 0, 4, 6, 0, 0, 0}},
        {"2019-03-04 23:59:59.9996", {2019, 3, 0, 5, 0, 0, 0, 0}},
        {"2019-02-28 23:59:59.9999", {2019, 3, 0, 1, 0, 0, 0, 0}},
        {"2020-02-28 23:59:59.9999", {2020, 2, 0, 29, 0, 0, 0, 0}},
        {"2100-02-28 23:59:59.9999", {2100, 3, 0, 1, 0, 0, 0, 0}},
        {"2000-02-28 23:59:59.9999", {2000, 2, 0, 29, 0, 0, 0, 0}},  // divisible by 400: a leap year
        {"2000-02-29 23:59:59.9999", {2000, 3, 0, 1, 0, 0, 0, 0}},
        {"2019-12-31 23:59:59.9995", {2020, 1, 0, 1, 0, 0, 0, 0}},
        {"garbage", {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    Query q(db);
    for (auto& c : cases) {
        q.prepare("SELECT ?;").bind(1, std::string(c.text));
        ASSERT_EQ(q.step().release(), Query::kRow);
        SYSTEMTIME t = q.getTime(0);
        EXPECT_EQ(std::memcmp(&t, &c.t, sizeof t), 0) << c.text;
    }
    q.prepare("SELECT NULL AS t;");
    ASSERT_EQ(q.step().release(), Query::kRow);
    SYSTEMTIME zero{};
    SYSTEMTIME t = q.getTime("T");
    EXPECT_EQ(std::memcmp(&t, &zero, sizeof t), 0);

    // Round trip through the binder.
    SYSTEMTIME written{2024, 12, 0, 31, 23, 58, 57, 996};
    q.prepare("SELECT ?;").bind(1, written);
    ASSERT_EQ(q.step().release(), Query::kRow);
    t = q.getTime(0);
    EXPECT_EQ(std::memcmp(&t, &written, sizeof t), 0);
}

TEST_F(QueryTest, FailedFinalizeLeavesNoStatement) {
    Query q(db, "INSERT INTO t (Code) VALUES (1);");
    ASSERT_EQ(db.exec("CREATE UNIQUE INDEX one ON t (Code);").release(), SQLITE_OK);
    DebugCapture capture;
    EXPECT_EQ(q.step().release(), SQLITE_CONSTRAINT);
    EXPECT_EQ(q.finalize().release(), SQLITE_CONSTRAINT);
    EXPECT_EQ(q.sql(), "");
    EXPECT_EQ(q.finalize().release(), 0);  // nothing left to finalize
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(QueryTest, PreparationFailures) {
    // Thrown directly, pending and not logged.
    DebugCapture capture;
    EXPECT_EQ(thrownCode([&] { Query q(db, "SELEC nonsense"); }), SQLITE_ERROR);
    Database none;
    Query orphan(none);
    EXPECT_EQ(thrownCode([&] { orphan.prepare("SELECT 1;"); }), SQLITE_MISUSE);
    EXPECT_TRUE(capture.lines().empty());

    // The status form keeps the query's connection on failure and takes the new one on success.
    EXPECT_EQ(orphan.prepare(db, "SELECT nonsense FROM nowhere;").release(), SQLITE_ERROR);
    EXPECT_EQ(orphan.prepare(db, "SELECT 7;").release(), 0);
    ASSERT_EQ(orphan.step().release(), Query::kRow);
    EXPECT_EQ(orphan.getInt(0), 7);
    orphan.prepare("SELECT 8;");
    ASSERT_EQ(orphan.step().release(), Query::kRow);
    EXPECT_EQ(orphan.getInt(0), 8);
}

TEST(Database, MissingFileThrowsCantOpenAndKeepsItsMessage) {
    TempFolder dir;
    DebugCapture capture;
    int code = 0;
    try {
        Database db(dir.file("missing.db"), Database::kReadOnly);
    } catch (erc& e) {
        code = e.release();
    }
    EXPECT_EQ(code, SQLITE_CANTOPEN);
    EXPECT_TRUE(capture.lines().empty());

    // The failed connection is closed; an error logged afterwards still carries its message.
    Database db;
    erc e = db.open(dir.file("missing.db"), Database::kReadOnly);
    EXPECT_EQ(db.handle(), nullptr);
    EXPECT_EQ(e.getCode(), SQLITE_CANTOPEN);
    char buf[256];
    sqliteFacility().format(e, buf, sizeof buf);
    EXPECT_STREQ(buf, "SQLite Error 14 (unable to open database file)");
    e.release();

    // A folder or a pipe is refused before SQLite opens it (a pipe would block the open).
    ASSERT_EQ(mkfifo(dir.file("pipe.db").c_str(), 0644), 0);
    for (const std::string& path : {dir.path(), dir.file("pipe.db")}) {
        EXPECT_EQ(thrownCode([&] { Database refused(path, Database::kReadOnly); }), SQLITE_CORRUPT) << path;
        EXPECT_EQ(db.open(path, Database::kReadWrite).release(), SQLITE_CORRUPT) << path;
    }
}

TEST(Database, ClosedConnectionIsForgottenByTheFacility) {
    erc e(0, 0);
    {
        Database db;
        db.open(":memory:", Database::kReadWrite | SQLITE_OPEN_CREATE).release();
        e = db.exec("SELECT * FROM nowhere;");
        EXPECT_STREQ(db.filename(), "");
    }
    // The connection is closed: the message was kept, no freed memory is read.
    char buf[256];
    sqliteFacility().format(e, buf, sizeof buf);
    EXPECT_STREQ(buf, "SQLite Error 1 (no such table: nowhere)");
    e.release();

    Database closed;
    EXPECT_EQ(closed.filename(), nullptr);
}

}  // namespace
