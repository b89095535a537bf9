#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <thread>
#include <vector>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "TestSupport.h"
#include "geodesy/grids/BinFile.h"

namespace {

using gridwriter::BinGrid;
using gridwriter::binGridBytes;
using gridwriter::binValue;

constexpr double kDeg = 3.141592653589793 / 180;
// Values are interpolated in float nodes; 1e-9 m is far below any physical meaning.
constexpr double kValueTolerance = 1e-9;

std::string writeGrid(const TempFolder& folder, const BinGrid& g, const char* name = "g.geo") {
    writeFile(folder.file(name), binGridBytes(g));
    return folder.file(name);
}

TEST(BinFile, NodesCentreAndHeader) {
    TempFolder folder;
    BinGrid g;
    g.values = 3;
    g.west = 10;
    g.south = 50;
    g.lonSpacing = g.latSpacing = 0.5f;
    std::string path = writeGrid(folder, g);
    BinFile bin(path.c_str(), false);
    EXPECT_EQ(bin.rows, 3);
    EXPECT_EQ(bin.columns, 24);
    EXPECT_EQ(bin.ValuesPerNode(), 3);
    EXPECT_DOUBLE_EQ(bin.north, 51 * kDeg);
    EXPECT_DOUBLE_EQ(bin.east, (10 + 23 * 0.5) * kDeg);
    double a, f;
    bin.ToEllipsoid(&a, &f);
    EXPECT_EQ(a, 6378137.0);
    EXPECT_EQ(f, 1 / 298.257223563);

    double v[3];
    int count = -1;
    // At a node: that node's values.
    ASSERT_EQ(bin.Lookup(50.5 * kDeg, 11 * kDeg, &count, v).release(), 0);
    EXPECT_EQ(count, 3);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(v[k], binValue(1, 2, k), kValueTolerance);
    // At a cell centre: the mean of its four nodes.
    ASSERT_EQ(bin.Lookup(50.25 * kDeg, 10.25 * kDeg, &count, v).release(), 0);
    for (int k = 0; k < 3; ++k) {
        double mean = (binValue(0, 0, k) + binValue(0, 1, k) + binValue(1, 0, k) + binValue(1, 1, k)) / 4;
        EXPECT_NEAR(v[k], mean, kValueTolerance);
    }
}

TEST(BinFile, SpacingSnapsToWholeSeconds) {
    TempFolder folder;
    BinGrid g;
    g.lonSpacing = g.latSpacing = 0.0083333f;  // stands for 30"
    BinFile bin(writeGrid(folder, g).c_str(), false);
    EXPECT_DOUBLE_EQ(bin.latSpacing, 30.0 / 3600 * kDeg);
    double v;
    ASSERT_EQ(bin.Lookup(2 * 30.0 / 3600 * kDeg, 5 * 30.0 / 3600 * kDeg, nullptr, &v).release(), 0);
    EXPECT_NEAR(v, binValue(2, 5, 0), kValueTolerance);
}

TEST(BinFile, GridPast180TakesWesternLongitudes) {
    TempFolder folder;
    BinGrid g;
    g.west = 170;
    BinFile bin(writeGrid(folder, g).c_str(), false);
    double v;
    // -179 degrees is 181 degrees: column 11.
    ASSERT_EQ(bin.Lookup(1 * kDeg, -179 * kDeg, nullptr, &v).release(), 0);
    EXPECT_NEAR(v, binValue(1, 11, 0), kValueTolerance);

    // A grid around the whole earth (24 columns of 15 degrees from 180 W) wraps across 180: its
    // last cell joins its last column to its first.
    g.west = -180;
    g.lonSpacing = 15;
    BinFile global(writeGrid(folder, g, "global.geo").c_str(), false);
    struct Case {
        double lon, value;
    } cases[] = {{180, binValue(1, 0, 0)},
                 {172.5, (binValue(1, 23, 0) + binValue(1, 0, 0)) / 2},
                 {-187.5, (binValue(1, 23, 0) + binValue(1, 0, 0)) / 2},
                 {540, binValue(1, 0, 0)}};
    for (const Case& c : cases) {
        ASSERT_EQ(global.Lookup(1 * kDeg, c.lon * kDeg, nullptr, &v).release(), 0) << c.lon;
        EXPECT_NEAR(v, c.value, kValueTolerance) << c.lon;
    }
    // The double next below its west edge, where adding a turn rounds up to a whole turn.
    ASSERT_EQ(global.Lookup(1 * kDeg, std::nextafter(global.west, -4.0), nullptr, &v).release(), 0);
    EXPECT_NEAR(v, binValue(1, 0, 0), kValueTolerance);
    for (double lon : {NAN, -INFINITY}) EXPECT_EQ(global.Lookup(1 * kDeg, lon, nullptr, &v).release(), 4) << lon;
}

// Threads may share one object: each sees what a lone lookup sees, cell after cell.
TEST(BinFile, ThreadsShareOneObject) {
    TempFolder folder;
    BinGrid g;
    g.values = 3;
    g.rows = 40;
    BinFile bin(writeGrid(folder, g).c_str(), false);
    auto point = [](int i) { return std::pair<double, double>((i % 39 + 0.3) * kDeg, (i * 7 % 23 + 0.6) * kDeg); };
    constexpr int kPoints = 39 * 23;
    std::vector<std::array<double, 3>> expected(kPoints);
    for (int i = 0; i < kPoints; ++i)
        ASSERT_EQ(bin.Lookup(point(i).first, point(i).second, nullptr, expected[size_t(i)].data()).release(), 0);
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round)
                for (int i = 0; i < kPoints; ++i) {
                    int k = (i * (2 * t + 1) + round) % kPoints;
                    std::array<double, 3> v{};
                    int code = bin.Lookup(point(k).first, point(k).second, nullptr, v.data()).release();
                    if (code != 0 || v != expected[size_t(k)]) ++mismatches[size_t(t)];
                }
        });
    for (std::thread& t : threads) t.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
}

TEST(BinFile, LimitsAndOutside) {
    TempFolder folder;
    BinFile bin(writeGrid(folder, BinGrid{}).c_str(), false);
    double v;
    int count = -1;
    struct Case {
        double lat, lon;
        int code;
    } cases[] = {
        {bin.south, bin.west, 0},
        {bin.south - 1e-9, bin.west, 4},
        {bin.south, bin.west - 1e-9, 4},
        {bin.north + 1e-9, bin.west, 4},
        {NAN, bin.west, 4},
    };
    for (const Case& c : cases) {
        count = -1;
        EXPECT_EQ(bin.Lookup(c.lat, c.lon, &count, &v).release(), c.code) << c.lat << " " << c.lon;
        EXPECT_EQ(count, c.code ? 0 : 1);
    }
    // The north and east limits are inside and give the corner node, read from the grid's own
    // last row and column.
    ASSERT_EQ(bin.Lookup(bin.north, bin.east, &count, &v).release(), 0);
    EXPECT_NEAR(v, binValue(2, 23, 0), kValueTolerance);
}

TEST(BinFile, BadFilesRaise) {
    TempFolder folder;
    struct Case {
        const char* what;
        BinGrid grid;
        int code;
    } cases[] = {
        {"south 95", [] { BinGrid g; g.south = 95; return g; }(), 2},
        {"west 190", [] { BinGrid g; g.west = 190; return g; }(), 2},
        {"one row", [] { BinGrid g; g.rows = 1; return g; }(), 2},
        {"four values", [] { BinGrid g; g.values = 4; return g; }(), 2},
        {"spacing snaps to 0", [] { BinGrid g; g.latSpacing = 0.0001f; return g; }(), 2},
        {"negative spacing", [] { BinGrid g; g.lonSpacing = -1; return g; }(), 2},
    };
    for (const Case& c : cases) {
        std::string path = writeGrid(folder, c.grid);
        EXPECT_EQ(raisedCode([&] { BinFile bin(path.c_str(), false); }), c.code) << c.what;
    }
    std::string whole = binGridBytes(BinGrid{});
    writeFile(folder.file("short.geo"), whole.substr(0, whole.size() - 1));
    EXPECT_EQ(raisedCode([&] { BinFile bin(folder.file("short.geo").c_str(), false); }), 2);
    EXPECT_EQ(raisedCode([&] { BinFile bin(folder.file("none.geo").c_str(), false); }), 1);
    EXPECT_EQ(raisedCode([&] { BinFile bin(folder.path().c_str(), false); }), 1);
    EXPECT_EQ(raisedCode([&] { BinFile bin(nullptr, false); }), 1);
}

}  // namespace
