#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>

#include "GridTestSupport.h"
#include "TestSupport.h"
#include "geodesy/grids/KTDFile.h"

namespace {

// Values are combined from a few doubles: 1e-12 m.
constexpr double kTolerance = 1e-12;

// 3 x 3 over 0..100 in both coordinates: header "rows columns minX minY maxX maxY".
const char* kTable =
    "3 3\n0.0 0.0 100.0 100.0\n"
    "1.5 2.5 3.5\n"
    "4.5 5.5 6.5\n"
    "7.5 8.5 9.5\n";

TEST(KTDFile, TableValues) {
    TempFolder folder;
    writeFile(folder.file("t.ktd"), kTable);
    KTDFile ktd(folder.file("t.ktd").c_str());
    EXPECT_EQ(ktd.file, nullptr);
    double v = NAN;
    int count = 0;
    ASSERT_EQ(ktd.Lookup(50, 50, &count, &v).release(), 0);
    EXPECT_EQ(count, 1);
    EXPECT_NEAR(v, 5.5, kTolerance);
    ASSERT_EQ(ktd.Lookup(0, 0, &count, &v).release(), 0);
    EXPECT_NEAR(v, 1.5, kTolerance);
    // Rows step along the second coordinate (x), columns along the first (y).
    ASSERT_EQ(ktd.Lookup(50, 0, &count, &v).release(), 0);
    EXPECT_NEAR(v, 2.5, kTolerance);
    ASSERT_EQ(ktd.Lookup(0, 50, &count, &v).release(), 0);
    EXPECT_NEAR(v, 4.5, kTolerance);

    // The maxima are outside; the count is left as it was.
    count = 9;
    EXPECT_EQ(ktd.Lookup(100, 50, &count, &v).release(), 4);
    EXPECT_EQ(ktd.Lookup(50, 100, &count, &v).release(), 4);
    EXPECT_EQ(ktd.Lookup(-1e-9, 50, &count, &v).release(), 4);
    EXPECT_EQ(count, 9);

    double a, f;
    ktd.ToEllipsoid(&a, &f);
    EXPECT_EQ(a, 1e9);
    EXPECT_EQ(f, 1e9);
}

TEST(KTDFile, FractionRoundingToOneReadsTheLastRow) {
    // x from -3 to 7: just below 7, (x + 3) / 10 x 2 rounds to exactly 2.
    TempFolder folder;
    writeFile(folder.file("r.ktd"), "3 3 -3 0 7 100  1 2 3  4 5 6  7 8 9");
    KTDFile ktd(folder.file("r.ktd").c_str());
    double q = std::nextafter(7.0, -3.0);
    ASSERT_EQ((q + 3) / 10 * 2, 2.0);
    double v = NAN;
    ASSERT_EQ(ktd.Lookup(50, q, nullptr, &v).release(), 0);
    EXPECT_NEAR(v, 8.0, kTolerance);
}

TEST(KTDFile, BadTablesRaise) {
    TempFolder folder;
    struct Case {
        const char* text;
        int code;
    } cases[] = {
        {"3 3 0 0 100 100 1 2 3 4 5 6 7 8", 2},      // one value short
        {"3 3 0 0 100 100 1 2 3 4 5 x 7 8 9", 2},    // not a number
        {"1 3 0 0 100 100 1 2 3", 2},                // one row
        {"3 1 0 0 100 100 1 2 3", 2},                // one column
        {"2 2 0 0 0 100 1 2 3 4", 2},                // maximum x not above minimum
        {"2 2 0 5 100 5 1 2 3 4", 2},                // maximum y not above minimum
        {"2 2 0 0 inf 100 1 2 3 4", 2},              // a limit not finite
        {"2 2 0 0 1,5 100 1 2 3 4", 2},              // decimal comma
        {"", 2},
        {"+2 2 0 0 +1e2 100 1 2 3 4", 0},            // the C formats' signs and exponents
    };
    for (const Case& c : cases) {
        writeFile(folder.file("b.ktd"), c.text);
        EXPECT_EQ(raisedCode([&] { KTDFile ktd(folder.file("b.ktd").c_str()); }), c.code) << c.text;
    }
    // A table longer than its first 4 kB is read whole.
    std::string large = "60 60 0 0 100 100";
    for (int k = 0; k < 3600; ++k) large += " 1.25";
    writeFile(folder.file("large.ktd"), large);
    KTDFile table(folder.file("large.ktd").c_str());
    double v = NAN;
    ASSERT_EQ(table.Lookup(99.9, 99.9, nullptr, &v).release(), 0);
    EXPECT_NEAR(v, 1.25, kTolerance);
    // So is one whose header runs past them (the last limit from byte 4095 on).
    std::string padded = "60 60 0 0 100";
    padded += std::string(4095 - padded.size(), ' ') + "100" + large.substr(17);
    writeFile(folder.file("padded.ktd"), padded);
    v = NAN;
    EXPECT_EQ(raisedCode([&] { KTDFile(folder.file("padded.ktd").c_str()).Lookup(99.9, 99.9, nullptr, &v).release(); }),
              0);
    EXPECT_NEAR(v, 1.25, kTolerance);
    // A table followed by 2 GB of nothing (a sparse file) is larger than its header says: it is
    // refused without being read.
    const std::string sparse = folder.file("sparse.ktd");
    writeFile(sparse, kTable);
    std::error_code ec;
    std::filesystem::resize_file(sparse, uintmax_t(2) << 30, ec);
    if (!ec) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(raisedCode([&] { KTDFile ktd(sparse.c_str()); }), 2);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);
    }
    EXPECT_EQ(raisedCode([&] { KTDFile ktd(folder.file("none.ktd").c_str()); }), 1);
    EXPECT_EQ(raisedCode([&] { KTDFile ktd(nullptr); }), 1);
}

}  // namespace
