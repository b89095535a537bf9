#include <gtest/gtest.h>

#include "common/erc.h"
#include "tests/TestSupport.h"

namespace {

// Destroys a pending error value and reports what escaped.
template <typename Make>
bool destroyThrows(Make make, bool* pendingCopy = nullptr) {
    try {
        { erc e = make(); }
    } catch (erc& thrown) {
        if (pendingCopy) *pendingCopy = thrown.isPending();
        thrown.release();
        return true;
    }
    return false;
}

TEST(Erc, PendingSeverity4IsLoggedOnceAndThrownNotPending) {
    errfac fac("Error");
    DebugCapture capture;
    bool copyPending = true;
    EXPECT_TRUE(destroyThrows([&] { return erc(5, 4, &fac); }, &copyPending));
    EXPECT_FALSE(copyPending);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], threadPrefix() + "Log -- Error 5\n\n");

    // Handled as a code: the same line, the code instead of the exception, and the value taken.
    erc asCode(5, 4, &fac);
    EXPECT_EQ(fac.handleAsCode(asCode), 5);
    EXPECT_FALSE(asCode.isPending());
    ASSERT_EQ(capture.lines().size(), 2u);
    EXPECT_EQ(capture.lines()[1], capture.lines()[0]);
    // Below the throw level it is let go (0); below the log level not logged; taken, nothing.
    erc quiet(6, 3, &fac), info(7, 1, &fac), taken(8, 4, &fac);
    taken.release();
    EXPECT_EQ(fac.handleAsCode(quiet), 0);
    EXPECT_EQ(fac.handleAsCode(info), 0);
    EXPECT_EQ(fac.handleAsCode(taken), 0);
    ASSERT_EQ(capture.lines().size(), 3u);
    EXPECT_EQ(capture.lines()[2], threadPrefix() + "Log -- Error 6\n\n");
}

TEST(Erc, QuietCases) {
    DebugCapture capture;
    // Severity 1 is below both default levels; code 0 is never handed over.
    EXPECT_FALSE(destroyThrows([] { return erc(7, 1); }));
    EXPECT_FALSE(destroyThrows([] { return erc(0, 4); }));
    // Taken errors are silent.
    EXPECT_FALSE(destroyThrows([] {
        erc e(5, 4);
        EXPECT_EQ(e.release(), 5);
        return e;
    }));
    EXPECT_TRUE(capture.lines().empty());
}

TEST(Erc, TransferRules) {
    erc source(3, 4);
    erc copy(source);
    EXPECT_TRUE(copy.isPending());
    EXPECT_FALSE(source.isPending());
    copy.release();

    // Assigning over a pending error hands it to its facility first.
    DebugCapture capture;
    bool threw = false;
    try {
        erc target(8, 4);
        erc other(9, 1);  // below both levels: silent if unwinding destroys it
        target = other;
        target.release();
    } catch (erc& e) {
        threw = true;
        EXPECT_EQ(e.release(), 8);
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(capture.lines().size(), 1u);
}

TEST(Erc, LevelsClampAndNamesCompare) {
    errfac fac("X");
    EXPECT_EQ(fac.setLogLevel(0), 1);
    EXPECT_EQ(fac.setThrowLevel(9), 7);
    EXPECT_EQ(fac.setThrowLevel(-3), 1);
    errfac same("X");
    same.setLogLevel(6);
    EXPECT_TRUE(fac == same);
    EXPECT_FALSE(fac != same);
    EXPECT_TRUE(fac != errfac("Y"));

    // Self-assignment keeps the name.
    errfac& alias = fac;
    fac = alias;
    EXPECT_STREQ(fac.getName(), "X");
}

TEST(Erc, RaisedAtLowerThrowLevel) {
    errfac fac("Low");
    fac.setThrowLevel(1);
    fac.setLogLevel(7);
    DebugCapture capture;
    EXPECT_TRUE(destroyThrows([&] { return erc(2, 1, &fac); }));
    EXPECT_TRUE(capture.lines().empty());
}

TEST(Erc, DefaultFacility) {
    errfac mine("Mine");
    errfac::setDefault(&mine);
    erc a(1, 1);
    errfac::setDefault(nullptr);
    erc b(1, 1);
    EXPECT_STREQ(a.getFacility()->getName(), "Mine");
    EXPECT_STREQ(b.getFacility()->getName(), "Error");
    a.release();
    b.release();
    EXPECT_STREQ(geodesyFacility().getName(), "Geodesy");
}

TEST(Erc, SqliteFacilityExplainsCode) {
    DebugCapture capture;
    bool threw = destroyThrows([] { return sqerc(25, nullptr, 4); });
    EXPECT_TRUE(threw);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], threadPrefix() + "SQLite Error 25 (cannot find message)\n");
}

TEST(Erc, DirectlyThrownSqercReleasedByHandlerIsSilent) {
    DebugCapture capture;
    try {
        throw sqerc(19, nullptr, 4);
    } catch (erc& e) {
        EXPECT_EQ(e.release(), 19);
    }
    EXPECT_TRUE(capture.lines().empty());
}

TEST(Erc, FormatCutsToBuffer) {
    errfac fac("Facility");
    erc e(123, 4, &fac);
    char buf[8];
    EXPECT_LT(fac.format(e, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "Log -- ");
    char big[64];
    EXPECT_EQ(fac.format(e, big, sizeof big), 20);
    e.release();
}

}  // namespace
