#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "Ntv2TestGrids.h"
#include "TestSupport.h"
#include "geodesy/grids/GsbFile.h"

namespace {

using gridwriter::Ntv2Layout;
using gridwriter::ntv2Bytes;

// The library's degree constant (truncated), so a lookup sees the exact degrees.
constexpr double kRadiansPerDegree = 0.01745329251994;
constexpr double kSecondsTolerance = 1e-5;
constexpr double kShiftTolerance = 1e-9;  // degrees
constexpr double kPi = 3.141592653589793;

TEST(GsbFile, Beta2007LookupAndEllipsoids) {
    REQUIRE_PROJ_GRID(path, "BETA2007.gsb");
    GsbFile gsb(path.c_str());
    // From the cs2cs forward shift of (9.0, 50.0) (see Ntv2ShiftTest):
    // (49.998851936873 - 50) x 3600 and (8.998955028060 - 9) x 3600.
    double v[2] = {NAN, NAN};
    int count = 0;
    ASSERT_EQ(gsb.Lookup(50 * kRadiansPerDegree, 9 * kRadiansPerDegree, &count, v).release(), 0);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(v[0], -4.133027, kSecondsTolerance);
    EXPECT_NEAR(v[1], -3.761899, kSecondsTolerance);
    // A missing count does not matter.
    EXPECT_EQ(gsb.Lookup(50 * kRadiansPerDegree, 9 * kRadiansPerDegree, nullptr, v).release(), 0);

    // DHDN (Bessel 1841) to ETRS89 (GRS 80).
    double a, f;
    gsb.ToEllipsoid(&a, &f);
    EXPECT_EQ(a, 6378137.0);
    EXPECT_NEAR(f, 1 / 298.257222101, 1e-9);
    gsb.FromEllipsoid(&a, &f);
    EXPECT_EQ(a, 6377397.155);
    EXPECT_NEAR(f, 1 / 299.1528128, 1e-9);
    EXPECT_DOUBLE_EQ(gsb.north, 55.3);
    EXPECT_DOUBLE_EQ(gsb.west, 5.5);

    // Forward and back in radians.
    double lat = 50 * kPi / 180, lon = 9 * kPi / 180;
    ASSERT_EQ(gsb.Forward(&lat, &lon).release(), 0);
    EXPECT_NEAR(lat * 180 / kPi, 49.998851936873, kShiftTolerance);
    EXPECT_NEAR(lon * 180 / kPi, 8.998955028060, kShiftTolerance);
    ASSERT_EQ(gsb.Inverse(&lat, &lon).release(), 0);
    EXPECT_NEAR(lat * 180 / kPi, 50, kShiftTolerance);
    EXPECT_NEAR(lon * 180 / kPi, 9, kShiftTolerance);
}

TEST(GsbFile, ReencodedBeta2007GivesIdenticalLookups) {
    REQUIRE_PROJ_GRID(path, "BETA2007.gsb");
    std::string bytes = readFile(path);
    TempFolder folder;
    writeFile(folder.file("be.gsb"), gridwriter::ntv2Reencode(bytes, true, true));
    writeFile(folder.file("up.gsb"), gridwriter::ntv2Reencode(bytes, false, false));
    GsbFile original(path.c_str());
    GsbFile bigEndian(folder.file("be.gsb").c_str());
    GsbFile unpadded(folder.file("up.gsb").c_str());
    EXPECT_TRUE(bigEndian.Handle()->swapped);
    EXPECT_FALSE(unpadded.Handle()->padded);
    for (double lat = 47.1; lat < 55.3; lat += 0.29)
        for (double lon = 5.6; lon < 15.6; lon += 0.31) {
            double a[2], b[2], c[2];
            ASSERT_EQ(original.Lookup(lat * kRadiansPerDegree, lon * kRadiansPerDegree, nullptr, a).release(), 0);
            ASSERT_EQ(bigEndian.Lookup(lat * kRadiansPerDegree, lon * kRadiansPerDegree, nullptr, b).release(), 0);
            ASSERT_EQ(unpadded.Lookup(lat * kRadiansPerDegree, lon * kRadiansPerDegree, nullptr, c).release(), 0);
            EXPECT_EQ(a[0], b[0]);
            EXPECT_EQ(a[1], b[1]);
            EXPECT_EQ(a[0], c[0]);
            EXPECT_EQ(a[1], c[1]);
        }
}

TEST(GsbFile, UnitsGiveTheSameSeconds) {
    TempFolder folder;
    Ntv2Layout seconds, minutes, degrees;
    minutes.gsType = "MINUTES ";
    degrees.gsType = "DEGREES ";
    writeFile(folder.file("s.gsb"), ntv2Bytes(seconds, {inUnit(parentGrid(), 1), inUnit(childGrid(), 1)}));
    writeFile(folder.file("m.gsb"), ntv2Bytes(minutes, {inUnit(parentGrid(), 60), inUnit(childGrid(), 60)}));
    writeFile(folder.file("d.gsb"), ntv2Bytes(degrees, {inUnit(parentGrid(), 3600), inUnit(childGrid(), 3600)}));
    GsbFile s(folder.file("s.gsb").c_str()), m(folder.file("m.gsb").c_str()), d(folder.file("d.gsb").c_str());
    for (double lat : {0.1, 0.3, 0.5, 0.77, 1.0})
        for (double lon : {0.0, 0.3, 0.45, 0.9, 1.05}) {
            double a[2], b[2], c[2];
            ASSERT_EQ(s.Lookup(lat * kRadiansPerDegree, lon * kRadiansPerDegree, nullptr, a).release(), 0);
            ASSERT_EQ(m.Lookup(lat * kRadiansPerDegree, lon * kRadiansPerDegree, nullptr, b).release(), 0);
            ASSERT_EQ(d.Lookup(lat * kRadiansPerDegree, lon * kRadiansPerDegree, nullptr, c).release(), 0);
            for (int k = 0; k < 2; ++k) {
                EXPECT_NEAR(a[k], b[k], 1e-12) << lat << " " << lon;
                EXPECT_NEAR(a[k], c[k], 1e-12) << lat << " " << lon;
            }
        }
}

TEST(GsbFile, OutsideAndFailedHeaders) {
    TempFolder folder;
    writeFile(folder.file("p.gsb"), ntv2Bytes({}, {parentGrid()}));
    GsbFile gsb(folder.file("p.gsb").c_str());
    double v[2];
    int count = 0;
    EXPECT_EQ(gsb.Lookup(0.5 * kRadiansPerDegree, 1.3 * kRadiansPerDegree, &count, v).release(), 4);
    EXPECT_EQ(count, 2);
    double lat = 0.5 * kRadiansPerDegree, lon = 1.3 * kRadiansPerDegree;
    EXPECT_EQ(gsb.Forward(&lat, &lon).release(), 4);
    EXPECT_EQ(lon, 1.3 * kRadiansPerDegree);

    // NUM_OREC wrong: the file still constructs, answers 1e9 and serves nothing.
    Ntv2Layout bad;
    bad.numOrec = 7;
    writeFile(folder.file("bad.gsb"), ntv2Bytes(bad, {parentGrid()}));
    GsbFile broken(folder.file("bad.gsb").c_str());
    EXPECT_EQ(broken.Handle()->openError, 301);
    double a, f;
    broken.ToEllipsoid(&a, &f);
    EXPECT_EQ(a, 1e9);
    EXPECT_EQ(f, 1e9);
    EXPECT_EQ(broken.Lookup(0.5 * kRadiansPerDegree, 0.5 * kRadiansPerDegree, &count, v).release(), 4);
    lat = lon = 0.5 * kRadiansPerDegree;
    EXPECT_EQ(broken.Forward(&lat, &lon).release(), 4);
    EXPECT_EQ(broken.Inverse(&lat, &lon).release(), 4);
    EXPECT_EQ(lat, 0.5 * kRadiansPerDegree);

    // A later header failure (a cycle) keeps the ellipsoids but still serves nothing.
    auto child = childGrid();
    auto parent = parentGrid();
    parent.parent = "CHILD001";
    writeFile(folder.file("cycle.gsb"), ntv2Bytes({}, {parent, child}));
    GsbFile cycle(folder.file("cycle.gsb").c_str());
    EXPECT_EQ(cycle.Handle()->openError, 309);
    cycle.ToEllipsoid(&a, &f);
    EXPECT_EQ(a, 6378137.0);
    EXPECT_EQ(cycle.Lookup(0.3 * kRadiansPerDegree, 0.3 * kRadiansPerDegree, &count, v).release(), 4);

    EXPECT_EQ(raisedCode([&] { GsbFile none(folder.file("none.gsb").c_str()); }), 1);
    EXPECT_EQ(raisedCode([&] { GsbFile none(nullptr); }), 1);
}

TEST(GsbFile, SeveralThreadsShareOneFile) {
    REQUIRE_PROJ_GRID(path, "BETA2007.gsb");
    constexpr int kPoints = 2000;
    auto point = [](int i) {
        return std::pair<double, double>((47.2 + 8.0 * i / kPoints) * kRadiansPerDegree,
                                         (5.7 + 9.8 * ((i * 7919) % kPoints) / kPoints) * kRadiansPerDegree);
    };
    std::vector<double> expected(2 * kPoints);
    {
        GsbFile gsb(path.c_str());
        for (int i = 0; i < kPoints; ++i) {
            auto [lat, lon] = point(i);
            ASSERT_EQ(gsb.Lookup(lat, lon, nullptr, &expected[2 * size_t(i)]).release(), 0);
        }
    }
    // A fresh file (the first one is closed with its last object): the threads race for the
    // first reading of the sub-grid.
    GsbFile shared(path.c_str());
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPoints; ++i) {
                auto [lat, lon] = point((i + t * 500) % kPoints);
                double v[2];
                int k = (i + t * 500) % kPoints;
                if (shared.Lookup(lat, lon, nullptr, v).release() != 0 || v[0] != expected[2 * size_t(k)] ||
                    v[1] != expected[2 * size_t(k) + 1])
                    ++mismatches[size_t(t)];
            }
        });
    for (std::thread& t : threads) t.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
}

// Objects of one file share its handle: one descriptor and one copy of the nodes however many
// there are, with the same results. A file rewritten since is another file.
TEST(GsbFile, ObjectsOfOneFileShareItsNodes) {
    REQUIRE_PROJ_GRID(path, "CHENYX06.gsb");
    const double lat = 46.9 * kRadiansPerDegree, lon = 7.4 * kRadiansPerDegree;
    const int descriptors = openDescriptors();
    const long before = residentBytes();
    std::vector<std::unique_ptr<GsbFile>> files;
    double first[2];
    files.push_back(std::make_unique<GsbFile>(path.c_str()));
    ASSERT_EQ(files[0]->Lookup(lat, lon, nullptr, first).release(), 0);
    // One object's nodes: two floats a node (1.6 MB). Memory freed by earlier tests may serve them,
    // so they are counted rather than measured; 200 unshared copies could not hide that way.
    long one = 0;
    for (const ntv2_subfile& sub : files[0]->Handle()->subFiles) one += long(sub.nodeCount) * 8;
    for (int i = 1; i < 200; ++i) {
        files.push_back(std::make_unique<GsbFile>(path.c_str()));
        double v[2];
        ASSERT_EQ(files.back()->Lookup(lat, lon, nullptr, v).release(), 0);
        ASSERT_EQ(v[0], first[0]);
        ASSERT_EQ(v[1], first[1]);
    }
    EXPECT_LT(residentBytes() - before, 2 * one);
    EXPECT_EQ(openDescriptors(), descriptors + 1);
    files.clear();
    EXPECT_EQ(openDescriptors(), descriptors);

    TempFolder folder;
    const std::string grid = folder.file("g.gsb");
    writeFile(grid, ntv2Bytes({}, {parentGrid()}));
    GsbFile old(grid.c_str());
    const double inChild = 0.3 * kRadiansPerDegree;
    double before1[2], after[2], again[2];
    ASSERT_EQ(old.Lookup(inChild, inChild, nullptr, before1).release(), 0);
    writeFile(grid, ntv2Bytes({}, {parentGrid(), childGrid()}));
    GsbFile rewritten(grid.c_str());
    ASSERT_EQ(rewritten.Lookup(inChild, inChild, nullptr, after).release(), 0);
    ASSERT_EQ(old.Lookup(inChild, inChild, nullptr, again).release(), 0);
    EXPECT_NE(after[0], before1[0]);
    EXPECT_EQ(again[0], before1[0]);
    EXPECT_EQ(rewritten.Handle()->subFileCount, 2);
    EXPECT_EQ(old.Handle()->subFileCount, 1);
}

}  // namespace
