// Datum transformations, datum-shift grids, vertical references and creation from a parameter
// file, through the exported functions, on a suite folder of the test's own.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/SuiteFolder.h"
#include "tests/geodesy/grids/Ntv2TestGrids.h"

namespace {

// Reference values are in degrees; the library works in radians.
constexpr double kDegree = 3.141592653589793 / 180;
// The parameter file's own degree factor, deliberately truncated.
constexpr double kFileDegree = 0.01745329251994;
// 1e-9 degrees is about 0.1 mm on the ground.
constexpr double kAngleTolerance = 1e-9 * kDegree;
constexpr double kHeightTolerance = 1e-4;

using FileGeodesy = SuiteTest;

struct Point {
    double lat, lon, hgt;
};

Point degrees(double latDeg, double lonDeg, double hgt) { return {latDeg * kDegree, lonDeg * kDegree, hgt}; }

void expectNear(const Point& actual, const Point& expected, const char* what) {
    EXPECT_NEAR(actual.lat, expected.lat, kAngleTolerance) << what;
    EXPECT_NEAR(actual.lon, expected.lon, kAngleTolerance) << what;
    EXPECT_NEAR(actual.hgt, expected.hgt, kHeightTolerance) << what;
}

TEST_F(FileGeodesy, CreationFailuresGiveTheirCodes) {
    struct Case {
        const char* what;
        Keys keys;
        int code;
    } cases[] = {
        {"unknown projection is looked up first", {{"Flattening", "0"}, {"Projection", "XYZ"}}, 5},
        {"inverse flattening 0", {{"Flattening", "0"}}, 3},
        {"no projection", {{"Projection", std::nullopt}}, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(create(c.keys), nullptr) << c.what;
        EXPECT_EQ(GetGeodesyError(), c.code) << c.what;
    }
    EXPECT_EQ(CreateFileGeodesy(suite.file("missing.ini").c_str(), nullptr), nullptr);
    EXPECT_EQ(GetGeodesyError(), 5);
    EXPECT_EQ(CreateFileGeodesy(nullptr, nullptr), nullptr);
    EXPECT_EQ(GetGeodesyError(), 5);
    EXPECT_EQ(CreateFileGeodesyW(nullptr, "Geodesy"), nullptr);
    EXPECT_EQ(GetGeodesyError(), 5);
}

// A lack of file descriptors is no missing file: with none left, creation fails as for a file
// that cannot be opened (1), not as a file without keys (5). With few left, a thousand systems of
// one datum grid and geoid still build: they share the open grid files.
TEST_F(FileGeodesy, DescriptorShortageIsNoMissingFile) {
    if (!suite.copyProjData("BETA2007.gsb")) GTEST_SKIP() << "proj-data's BETA2007.gsb is not installed";
    writeBinGrid(suite.datum("geoid30.geo"), constantBinGrid({30.0f}, 40.0f, 10));
    const Keys keys = {{"SemiMajorAxis", "6378137"}, {"Flattening", "298.257222101"}, {"CentralMeridian", "9"},
                       {"DynDatum", "BETA2007.gsb"}, {"RTKMode", "4"}, {"Geoid", "geoid30.geo"}};
    GeodesyHandle first = create(keys);
    ASSERT_NE(first, nullptr);
    const std::string file = suite.file("shortage.ini");
    writeFile(file, parameterFile(keys));
    rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    std::vector<GeodesyHandle> made;
    // The lowest free descriptor: below it none is free, so a limit there leaves none.
    const int lowest = dup(0);
    ASSERT_GE(lowest, 0);
    close(lowest);
    limit.rlim_cur = rlim_t(lowest);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    GeodesyHandle none = CreateFileGeodesy(file.c_str(), nullptr);
    const int noneCode = GetGeodesyError();
    limit.rlim_cur = rlim_t(lowest + 4);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    for (int i = 0; i < 1000; ++i) {
        GeodesyHandle h = CreateFileGeodesy(file.c_str(), nullptr);
        if (!h) break;
        made.push_back(h);
    }
    const int madeCode = GetGeodesyError();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(noneCode, 1);
    EXPECT_EQ(made.size(), 1000u) << "code " << madeCode;
    handles.insert(handles.end(), made.begin(), made.end());
    // The last one shifts and separates exactly as the first.
    Point p[2];
    double separation[2];
    GeodesyHandle pair[2] = {first, made.empty() ? first : made.back()};
    for (int k = 0; k < 2; ++k) {
        p[k] = degrees(50, 9, 0);
        ASSERT_EQ(WGS84Conv(pair[k], &p[k].lat, &p[k].lon, &p[k].hgt), 1);
        ASSERT_EQ(DatumSeparation(pair[k], 45 * kDegree, 5 * kDegree, &separation[k]), 1);
    }
    EXPECT_NE(p[0].lat, 50 * kDegree);
    EXPECT_EQ(p[1].lat, p[0].lat);
    EXPECT_EQ(p[1].lon, p[0].lon);
    EXPECT_EQ(separation[1], separation[0]);
}

TEST_F(FileGeodesy, ProjectionNameIsMatchedWithoutCase) {
    GeodesyHandle h = create({{"Projection", "utm"}});
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetGeodesyError(), 0);
    GeodesyParams params{};
    char code[4] = "";
    ASSERT_EQ(GetGeodesyParams(h, &params, nullptr, code), 1);
    EXPECT_EQ(params.projectionId, 3);
    EXPECT_STREQ(code, "TME");
    EXPECT_EQ(unpacked(params.centralMeridian), 3 * kFileDegree);
}

TEST_F(FileGeodesy, WidePathAndNamedSection) {
    std::string text = "[Other]\r\n" + parameterFile({}).substr(std::strlen("[Geodesy]\r\n"));
    writeFile(suite.file("b\xC3\xA9.ini"), text);
    std::u16string wide = u"/b\u00E9.ini";
    std::u16string path(suite.path().begin(), suite.path().end());
    GeodesyHandle h = CreateFileGeodesyW((path + wide).c_str(), "Other");
    ASSERT_NE(h, nullptr);
    handles.push_back(h);
    EXPECT_EQ(CreateFileGeodesyW((path + wide).c_str(), nullptr), nullptr);
    EXPECT_EQ(GetGeodesyError(), 5);
}

TEST_F(FileGeodesy, SevenParametersFromTheFile) {
    GeodesyHandle h = create({{"DeltaScale", "1.5"}, {"DeltaRZ", "1"}});
    ASSERT_NE(h, nullptr);
    EllDiffParams p{};
    ASSERT_EQ(GetEllDiff(h, &p), 1);
    EXPECT_EQ(unpacked(p.shiftX), 0.0);
    EXPECT_EQ(unpacked(p.shiftY), 0.0);
    EXPECT_EQ(unpacked(p.shiftZ), 0.0);
    EXPECT_DOUBLE_EQ(unpacked(p.scale), 1.0000015);
    EXPECT_EQ(unpacked(p.rotationX), 0.0);
    EXPECT_EQ(unpacked(p.rotationY), 0.0);
    EXPECT_DOUBLE_EQ(unpacked(p.rotationZ), 4.84813681109536e-06);
}

// A scale alone is a transformation (PROJ 9.1.1):
//   echo "9 50 0 0" | cct -d 12 +proj=pipeline +step +proj=cart +ellps=WGS84
//     +step [+inv] +proj=helmert +s=5 +convention=coordinate_frame +step +inv +proj=cart +ellps=WGS84
//   -> 9.000000000000 49.999999053044 31.827983304858 (forward)
//   -> 9.000000000000 50.000000946961 -31.827824162319 (inverse)
TEST_F(FileGeodesy, ScaleAloneTurnsTheConversionOn) {
    const Point start = degrees(50, 9, 0);
    const Point forward = degrees(49.999999053044, 9, 31.827983304858);
    const Point inverse = degrees(50.000000946961, 9, -31.827824162319);
    GeodesyHandle h = create({{"DeltaScale", "5"}});
    ASSERT_NE(h, nullptr);
    GeodesyHandle set = create({}, "set.ini");
    ASSERT_NE(set, nullptr);
    EllDiffParams scale{0, 0, 0, 1.000005, 0, 0, 0};
    ASSERT_EQ(SetEllDiff(set, &scale), 1);
    for (GeodesyHandle g : {h, set}) {
        Point p = start;
        ASSERT_EQ(WGS84Conv(g, &p.lat, &p.lon, &p.hgt), 1);
        expectNear(p, forward, "WGS84Conv");
        p = start;
        ASSERT_EQ(InvWGS84Conv(g, &p.lat, &p.lon, &p.hgt), 1);
        expectNear(p, inverse, "InvWGS84Conv");
    }
    // A zeroed record is none; a scale of 0 with a shift would divide by 0 and is refused.
    EllDiffParams zero{};
    ASSERT_EQ(SetEllDiff(set, &zero), 1);
    Point p = start;
    ASSERT_EQ(WGS84Conv(set, &p.lat, &p.lon, &p.hgt), 1);
    EXPECT_EQ(p.hgt, start.hgt);
    zero.shiftX = 1;
    EXPECT_EQ(SetEllDiff(set, &zero), 0);
    EXPECT_EQ(GetGeodesyError(), 7);
    EXPECT_EQ(create({{"DeltaScale", "-1000000"}, {"DeltaX", "1"}}, "zero.ini"), nullptr);
    EXPECT_EQ(GetGeodesyError(), 7);
}

// WGS 84 to the International ellipsoid, coordinate-frame convention.
// Forward:  echo "5 45 100 0" | cct -d 12 +proj=pipeline +step +proj=cart +ellps=WGS84
//   +step +proj=helmert +x=-87 +y=-98 +z=-121 +rx=0.5 +ry=-0.3 +rz=1.2 +s=2.5
//   +convention=coordinate_frame +step +inv +proj=cart +ellps=intl          (PROJ 9.1.1)
//   -> 4.998654862732 45.000562452224 -242.391657675616
// Inverse as the library defines it (rotation and scale undone, then the shifts subtracted):
//   echo "5 45 100 0" | cct -d 12 +proj=pipeline +step +proj=cart +ellps=intl
//   +step +inv +proj=helmert +rx=0.5 +ry=-0.3 +rz=1.2 +s=2.5 +convention=coordinate_frame
//   +step +proj=helmert +x=87 +y=98 +z=121 +step +inv +proj=cart +ellps=WGS84
//   -> 5.001345041386 44.999437578923 442.393709711730
TEST_F(FileGeodesy, HelmertMatchesProj) {
    GeodesyHandle h = create({{"SemiMajorAxis", "6378388"},
                              {"Flattening", "297"},
                              {"DeltaX", "-87"},
                              {"DeltaY", "-98"},
                              {"DeltaZ", "-121"},
                              {"DeltaRX", "0.5"},
                              {"DeltaRY", "-0.3"},
                              {"DeltaRZ", "1.2"},
                              {"DeltaScale", "2.5"}});
    ASSERT_NE(h, nullptr);
    const Point start = degrees(45, 5, 100);
    const Point forward = degrees(45.000562452224, 4.998654862732, -242.391657675616);
    const Point inverse = degrees(44.999437578923, 5.001345041386, 442.393709711730);

    Point p = start;
    ASSERT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 1);
    expectNear(p, forward, "WGS84Conv");
    p = start;
    ASSERT_EQ(InvWGS84Conv(h, &p.lat, &p.lon, &p.hgt), 1);
    expectNear(p, inverse, "InvWGS84Conv");

    const double wgs84A = 6378137.0, wgs84F = 1 / 298.257223563;
    p = start;
    ASSERT_EQ(EllConv(h, &p.lat, &p.lon, &p.hgt, wgs84A, wgs84F), 1);
    expectNear(p, forward, "EllConv from WGS 84");
    p = start;
    ASSERT_EQ(InvEllConv(h, &p.lat, &p.lon, &p.hgt, wgs84A, wgs84F), 1);
    expectNear(p, inverse, "InvEllConv to WGS 84");

    // The local ellipsoid itself: nothing happens, bit for bit.
    p = start;
    ASSERT_EQ(EllConv(h, &p.lat, &p.lon, &p.hgt, 6378388.0, 1 / 297.0), 1);
    EXPECT_EQ(p.lat, start.lat);
    EXPECT_EQ(p.lon, start.lon);
    EXPECT_EQ(p.hgt, start.hgt);
}

// Zone 31467's file (Bessel, 9 degrees east) naming a datum-shift grid that does not load: the
// handle still projects, and every conversion that needs the shift fails with 18 (BETA2007 moves
// the point 127.8 m north and 74.7 m east here; see below).
TEST_F(FileGeodesy, DatumGridThatDoesNotLoadFailsItsConversions) {
    writeFile(suite.datum("garbage.gsb"), std::string(4096, 'x'));
    if (suite.copyProjData("BETA2007.gsb"))
        writeFile(suite.datum("truncated.gsb"), readFile(suite.datum("BETA2007.gsb")).substr(0, 3000));
    writeBinGrid(suite.datum("ascii.gsa"), constantBinGrid({1.0f, 2.0f, 3.0f}, 40.0f, 10));
    for (const char* name : {"BETA2007_missing.gsb", "garbage.gsb", "truncated.gsb", "ascii.gsa", "none.lls"}) {
        DebugCapture capture;
        GeodesyHandle h = create({{"SemiMajorAxis", "6377397.155"}, {"Flattening", "299.1528128"},
                                  {"CentralMeridian", "9"}, {"ScaleFactor", "1"}, {"FalseEasting", "3500000"},
                                  {"DynDatum", std::string("C:\\grids\\") + name}, {"DeltaX", "100"}},
                                 std::string(name) + ".ini");
        ASSERT_NE(h, nullptr) << name;
        EXPECT_EQ(GetGeodesyError(), 0) << name;
        const Point start = degrees(50, 9, 0);
        double x = 0, y = 0;
        ASSERT_EQ(GeoXY(h, &x, &y, start.lat, start.lon), 1) << name;
        EXPECT_NEAR(x, 3500000.0, 1e-6) << name;
        for (auto convert : {WGS84Conv, InvWGS84Conv}) {
            Point p = start;
            EXPECT_EQ(convert(h, &p.lat, &p.lon, &p.hgt), 0) << name;
            EXPECT_EQ(GetGeodesyError(), 18) << name;
            EXPECT_EQ(p.lat, start.lat) << name;
            EXPECT_EQ(p.hgt, start.hgt) << name;
        }
        // The host asks which grid did not load: its path, with code 18.
        char model[512] = "";
        EXPECT_EQ(GetEllModel(h, model, sizeof model), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 18) << name;
        EXPECT_EQ(std::string(model), suite.datum(name)) << name;
        EllDiffParams p{};
        ASSERT_EQ(GetEllDiff(h, &p), 1);
        EXPECT_EQ(unpacked(p.scale), -1.0) << name;
        if (std::string(name) == "BETA2007_missing.gsb") {
            const std::string expected = "Cannot set datum shift file " + suite.datum(name) + " (err=1)";
            bool logged = false;
            for (const std::string& line : capture.lines())
                if (line.find(expected) != std::string::npos) logged = true;
            EXPECT_EQ(logged, kTraceBuild);
        }
        // Parameters set by the host replace the grid asked for.
        EllDiffParams none{0, 0, 0, 1, 0, 0, 0};
        ASSERT_EQ(SetEllDiff(h, &none), 1);
        Point q = start;
        EXPECT_EQ(WGS84Conv(h, &q.lat, &q.lon, &q.hgt), 1) << name;
        EXPECT_EQ(q.lat, start.lat) << name;
        ASSERT_EQ(GetEllModel(h, model, sizeof model), 1);
        EXPECT_STREQ(model, "");
    }
}

// BETA2007 (DHDN90 -> ETRS89, PROJ 9.1.1):
//   echo "9.0 50.0 0 0" | cct -d 12 +proj=hgridshift +grids=BETA2007.gsb
//     -> 8.998955028060 49.998851936873 (grid forward)
//   echo "9.0 50.0 0 0" | cct -I -d 12 +proj=hgridshift +grids=BETA2007.gsb
//     -> 9.001045132300 50.001148184815 (grid inverse)
TEST_F(FileGeodesy, Ntv2GridShiftsByItsTargetEllipsoid) {
    if (!suite.copyProjData("BETA2007.gsb")) GTEST_SKIP() << "proj-data's BETA2007.gsb is not installed";
    const Point start = degrees(50.0, 9.0, 0.0);
    const Point gridForward = degrees(49.998851936873, 8.998955028060, 0.0);
    const Point gridInverse = degrees(50.001148184815, 9.001045132300, 0.0);
    struct Case {
        const char* what;
        const char* a;
        const char* inverseFlattening;
        Point wgs84ToLocal;
    } cases[] = {
        // The local datum is the grid's source (Bessel): WGS 84 to local is the grid's inverse.
        {"Bessel", "6377397.155", "299.1528128", gridInverse},
        // The local datum is the grid's target (GRS 1980): WGS 84 to local is the grid's forward.
        {"GRS 1980", "6378137", "298.257222101", gridForward},
    };
    for (const Case& c : cases) {
        // A stored Windows path counts by its file name, matched without regard to case.
        GeodesyHandle h = create({{"SemiMajorAxis", c.a},
                                  {"Flattening", c.inverseFlattening},
                                  {"CentralMeridian", "9"},
                                  {"DynDatum", "C:\\Grids\\beta2007.GSB"}});
        ASSERT_NE(h, nullptr) << c.what;
        Point p = start;
        ASSERT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 1) << c.what;
        expectNear(p, c.wgs84ToLocal, c.what);
        ASSERT_EQ(InvWGS84Conv(h, &p.lat, &p.lon, nullptr), 1) << c.what;
        expectNear(p, start, c.what);

        EllDiffParams diff{};
        ASSERT_EQ(GetEllDiff(h, &diff), 1);
        EXPECT_EQ(unpacked(diff.scale), -1.0) << c.what;
        for (double field : {unpacked(diff.shiftX), unpacked(diff.shiftY), unpacked(diff.shiftZ),
                             unpacked(diff.rotationX), unpacked(diff.rotationY), unpacked(diff.rotationZ)})
            EXPECT_EQ(field, 0.0) << c.what;
        char model[512] = "";
        ASSERT_EQ(GetEllModel(h, model, sizeof model), 1);
        EXPECT_EQ(std::string(model), suite.datum("BETA2007.gsb")) << c.what;
        // With a grid in use the seven-parameter conversions do nothing.
        p = start;
        ASSERT_EQ(EllConv(h, &p.lat, &p.lon, &p.hgt, 6378388.0, 1 / 297.0), 1);
        EXPECT_EQ(p.lat, start.lat) << c.what;

        // Outside every sub-grid: code 4, the point unchanged, and the raised error's one log line.
        p = degrees(10.0, 9.0, 0.0);
        const Point outside = p;
        DebugCapture capture;
        EXPECT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 0) << c.what;
        EXPECT_EQ(GetGeodesyError(), 4) << c.what;
        EXPECT_EQ(p.lat, outside.lat) << c.what;
        EXPECT_EQ(capture.lines(), std::vector<std::string>{threadPrefix() + "Log -- Geodesy 4\n\n"}) << c.what;
    }
}

TEST_F(FileGeodesy, IsValidModelComparesBothEllipsoids) {
    if (!suite.copyProjData("BETA2007.gsb")) GTEST_SKIP() << "proj-data's BETA2007.gsb is not installed";
    const std::string grid = suite.datum("BETA2007.gsb");
    struct Case {
        const char* what;
        double a, inverseFlattening;
        int result;
    } cases[] = {
        {"Bessel, the source", 6377397.155, 299.1528128, 1},
        {"WGS 84 for the GRS 1980 target (b 0.1 mm apart)", 6378137.0, 298.257223563, 1},
        {"International", 6378388.0, 297.0, 0},
        {"inverse flattening 0", 6378137.0, 0.0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidModel(grid.c_str(), c.a, c.inverseFlattening), c.result) << c.what;
        EXPECT_EQ(GetGeodesyError(), 0) << c.what;
    }
    EXPECT_EQ(IsValidModel(suite.datum("none.gsb").c_str(), 6378137.0, 298.257223563), 0);
    EXPECT_EQ(GetGeodesyError(), 18);
    EXPECT_EQ(IsValidModel(suite.path().c_str(), 6378137.0, 298.257223563), 0);
    EXPECT_EQ(GetGeodesyError(), 18);
}

// A binary shift grid of three cartesian shifts (-87, -98, -121) m everywhere.
//   echo "5 45 100 0" | cct -d 12 +proj=pipeline +step +proj=cart +ellps=WGS84
//     +step +proj=helmert +x=-87 +y=-98 +z=-121 +step +inv +proj=cart +ellps=intl
//     -> 4.998857975479 45.000658061691 -258.275171961635
//   echo "5 45 100 0" | cct -d 12 +proj=pipeline +step +proj=cart +ellps=intl
//     +step +proj=helmert +x=87 +y=98 +z=121 +step +inv +proj=cart +ellps=WGS84
//     -> 5.001141923346 44.999341979702 458.277280920185
TEST_F(FileGeodesy, BinaryShiftGrids) {
    GeodesyHandle h = create({{"SemiMajorAxis", "6378388"}, {"Flattening", "297"}});
    ASSERT_NE(h, nullptr);
    gridwriter::BinGrid cartesian = constantBinGrid({-87.0f, -98.0f, -121.0f}, 40.0f, 10);
    cartesian.a = 6378388.0;
    cartesian.inverseFlattening = 297.0;
    writeBinGrid(suite.datum("cartesian.lls"), cartesian);
    ASSERT_EQ(SetEllModel(h, suite.datum("cartesian.lls").c_str()), 1);
    EXPECT_EQ(GetGeodesyError(), 0);

    const Point start = degrees(45, 5, 100);
    Point p = start;
    ASSERT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 1);
    expectNear(p, degrees(45.000658061691, 4.998857975479, -258.275171961635), "three values forward");
    p = start;
    ASSERT_EQ(InvWGS84Conv(h, &p.lat, &p.lon, &p.hgt), 1);
    expectNear(p, degrees(44.999341979702, 5.001141923346, 458.277280920185), "three values inverse");

    // Outside the grid there is no shift: code 4, the point unchanged, and one log line.
    p = degrees(60, 5, 0);
    const Point outside = p;
    DebugCapture capture;
    EXPECT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 0);
    EXPECT_EQ(GetGeodesyError(), 4);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{threadPrefix() + "Log -- Geodesy 4\n\n"});
    EXPECT_EQ(p.lat, outside.lat);
    EXPECT_EQ(p.lon, outside.lon);

    // A grid cut short after it was opened cannot be read: code 18, not "outside".
    writeBinGrid(suite.datum("cut.lls"), cartesian);
    GeodesyHandle cut = create({{"SemiMajorAxis", "6378388"}, {"Flattening", "297"}}, "cut.ini");
    ASSERT_EQ(SetEllModel(cut, suite.datum("cut.lls").c_str()), 1);
    std::filesystem::resize_file(suite.datum("cut.lls"), 96);
    p = start;
    EXPECT_EQ(WGS84Conv(cut, &p.lat, &p.lon, &p.hgt), 0);
    EXPECT_EQ(GetGeodesyError(), 18);

    // Two values: latitude and longitude shifts in arc-seconds, from WGS 84 to the local datum's
    // position, so going to the local datum moves the point back by them (to within the two
    // ellipsoids' difference in curvature, well below 1e-3 arc-seconds here).
    gridwriter::BinGrid angular = constantBinGrid({1.5f, -2.0f}, 40.0f, 10);
    writeBinGrid(suite.datum("angular.lls"), angular);
    ASSERT_EQ(SetEllModel(h, suite.datum("angular.lls").c_str()), 1);
    p = start;
    ASSERT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 1);
    const double arcSecond = kDegree / 3600;
    EXPECT_NEAR(p.lat, start.lat - 1.5 * arcSecond, 1e-3 * arcSecond);
    EXPECT_NEAR(p.lon, start.lon + 2.0 * arcSecond, 1e-3 * arcSecond);
    EXPECT_NEAR(p.hgt, start.hgt, 1e-3);

    // Grids the conversions cannot use are refused, by the editor's check too: one value per
    // node, ASCII NTv2.
    writeBinGrid(suite.datum("single.lls"), constantBinGrid({30.0f}, 40.0f, 10));
    writeBinGrid(suite.datum("ascii.gsa"), cartesian);
    // NTv2 files too short for the nodes their headers declare: a 4 kB file whose sub-grid
    // claims 46340 x 46340 nodes, and 2 GB of zeros.
    gridwriter::Ntv2SubGrid claims = parentGrid();
    claims.nLat = claims.wLong = 46339;
    claims.eLong = 0;
    claims.latInc = claims.lonInc = 1;
    claims.writeNodes = false;
    std::string claimed = gridwriter::ntv2Bytes({}, {claims});
    claimed.resize(4096, '\0');
    writeFile(suite.datum("claims.gsb"), claimed);
    writeFile(suite.datum("zeros.gsb"), "");
    std::error_code ec;
    std::filesystem::resize_file(suite.datum("zeros.gsb"), uintmax_t(2) << 30, ec);
    for (const char* name : {"single.lls", "ascii.gsa", "missing.lls", "claims.gsb", "zeros.gsb"}) {
        EXPECT_EQ(IsValidModel(suite.datum(name).c_str(), 6378137.0, 298.257223563), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 18) << name;
        EXPECT_EQ(SetEllModel(h, suite.datum(name).c_str()), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 18) << name;
        char model[512] = "x";
        EXPECT_EQ(GetEllModel(h, model, sizeof model), 0);
        EXPECT_EQ(std::string(model), suite.datum(name)) << name;
        Point q = start;
        EXPECT_EQ(WGS84Conv(h, &q.lat, &q.lon, &q.hgt), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 18) << name;
    }

    // A path longer than the buffer: len - 1 bytes and a NUL.
    ASSERT_EQ(SetEllModel(h, suite.datum("cartesian.lls").c_str()), 1);
    char model[8];
    std::memset(model, '#', sizeof model);
    ASSERT_EQ(GetEllModel(h, model, 8), 1);
    EXPECT_EQ(std::string(model), suite.datum("cartesian.lls").substr(0, 7));
    ASSERT_EQ(SetEllModel(h, nullptr), 1);
    ASSERT_EQ(GetEllModel(h, model, 8), 1);
    EXPECT_STREQ(model, "");
}

// Every key the library reads, each with a value that only that key can explain. The expected
// values are the file's values in the record's units: degrees times the file's truncated factor,
// arc-seconds times pi / 648000, "DeltaScale" ppm / 1e6 + 1, "ChartDatum" times "Unit".
TEST_F(FileGeodesy, EveryKeyReachesItsField) {
    writeBinGrid(suite.datum("geoid30.geo"), constantBinGrid({30.0f}, 40.0f, 10));
    writeBinGrid(suite.datum("shift.lls"), constantBinGrid({-87.0f, -98.0f, -121.0f}, 40.0f, 10));
    const std::string area = suite.makeFolder("datum/vdatum/Area");
    writeGtxGrid(area + "/tss.gtx", 40, 0, 10, 24, 1.25f);
    writeGtxGrid(area + "/MLLW.gtx", 40, 0, 10, 24, 0.5f);
    const std::string ktd = suite.file("tide.ktd");
    writeKtdTable(ktd, 3, 3, 0.0, 0.0, 1.0e6, 1.0e7, std::vector<double>(9, 10.0));
    const double arcSecond = 3.141592653589793 / 648000;
    const double lat = 45 * kDegree, lon = 5 * kDegree;

    auto record = [](GeodesyHandle h) {
        GeodesyParams p{};
        EXPECT_EQ(GetGeodesyParams(h, &p, nullptr, nullptr), 1);
        return p;
    };
    auto adjustment = [](GeodesyHandle h) {
        AdjustParams a{};
        EXPECT_EQ(GetAdjustment(h, &a), 1);
        return a;
    };
    struct Case {
        const char* what;
        Keys keys;
        std::function<void(GeodesyHandle)> check;
    };
    const Case cases[] = {
        {"ScaleFactor", {{"ScaleFactor", "0.9999"}}, [&](GeodesyHandle h) { EXPECT_EQ(unpacked(record(h).scaleFactor), 0.9999); }},
        {"RefLatitude", {{"RefLatitude", "10"}},
         [&](GeodesyHandle h) { EXPECT_EQ(unpacked(record(h).referenceLatitude), 10 * kFileDegree); }},
        {"CentralMeridian", {{"CentralMeridian", "9"}},
         [&](GeodesyHandle h) { EXPECT_EQ(unpacked(record(h).centralMeridian), 9 * kFileDegree); }},
        {"NorthParallel, SouthParallel",
         {{"Projection", "ALA"}, {"RefLatitude", "23"}, {"CentralMeridian", "-96"}, {"NorthParallel", "29.5"},
          {"SouthParallel", "45.5"}},
         [&](GeodesyHandle h) {
             GeodesyParams p = record(h);
             EXPECT_EQ(unpacked(p.northParallel), 29.5 * kFileDegree);
             EXPECT_EQ(unpacked(p.southParallel), 45.5 * kFileDegree);
         }},
        {"Lambert parallels of 0 take the reference latitude", {{"Projection", "LCC"}, {"RefLatitude", "45"}, {"NorthParallel", "44"}},
         [&](GeodesyHandle h) {
             GeodesyParams p = record(h);
             EXPECT_EQ(unpacked(p.northParallel), 44 * kFileDegree);
             EXPECT_EQ(unpacked(p.southParallel), 45 * kFileDegree);
         }},
        {"Unit", {{"Unit", "0.3048"}},
         [&](GeodesyHandle h) {
             double v = 10;
             ASSERT_EQ(HConvert(h, &v, 1), 1);
             EXPECT_DOUBLE_EQ(v, 3.048);
         }},
        {"FalseEasting", {{"FalseEasting", "500000"}},
         [&](GeodesyHandle h) {
             EXPECT_EQ(unpacked(record(h).falseEasting), 500000.0);
             EXPECT_EQ(unpacked(record(h).falseNorthing), 0.0);
         }},
        {"FalseNorthing", {{"FalseNorthing", "10000000"}},
         [&](GeodesyHandle h) {
             EXPECT_EQ(unpacked(record(h).falseNorthing), 1e7);
             EXPECT_EQ(unpacked(record(h).falseEasting), 0.0);
         }},
        // Timbalai 1948 / RSO Borneo (EPSG 29873) on its own ellipsoid.
        {"SkewAzimuth",
         {{"Projection", "HOM"}, {"SemiMajorAxis", "6377298.556"}, {"Flattening", "300.8017"},
          {"RefLatitude", "4"}, {"CentralMeridian", "115"}, {"SkewAzimuth", "53.31582047908623"}, {"ScaleFactor", "0.99984"}},
         [&](GeodesyHandle h) { EXPECT_EQ(unpacked(record(h).skewAzimuth), 53.31582047908623 * kFileDegree); }},
        {"SemiMajorAxis, Flattening", {{"SemiMajorAxis", "6378388"}, {"Flattening", "297"}},
         [&](GeodesyHandle h) {
             EXPECT_EQ(unpacked(record(h).semiMajorAxis), 6378388.0);
             EXPECT_NEAR(unpacked(record(h).inverseFlattening), 297.0, 1e-9);
         }},
        {"Projection", {{"Projection", "cas"}}, [&](GeodesyHandle h) { EXPECT_EQ(record(h).projectionId, 11); }},
        {"VertUnit", {{"VertUnit", "0.3048006096"}},
         [&](GeodesyHandle h) {
             double v = 10, w = 10;
             ASSERT_EQ(VConvert(h, &v, 1), 1);
             ASSERT_EQ(HConvert(h, &w, 1), 1);
             EXPECT_DOUBLE_EQ(v, 3.048006096);
             EXPECT_EQ(w, 10.0);
         }},
        {"DynDatum", {{"DynDatum", "C:\\grids\\shift.lls"}, {"DeltaX", "5"}},
         [&](GeodesyHandle h) {
             char model[512] = "";
             ASSERT_EQ(GetEllModel(h, model, sizeof model), 1);
             EXPECT_EQ(std::string(model), suite.datum("shift.lls"));
         }},
        {"Delta keys",
         {{"DeltaX", "1"}, {"DeltaY", "2"}, {"DeltaZ", "3"}, {"DeltaScale", "1.5"}, {"DeltaRX", "4"}, {"DeltaRY", "5"},
          {"DeltaRZ", "6"}},
         [&](GeodesyHandle h) {
             EllDiffParams d{};
             ASSERT_EQ(GetEllDiff(h, &d), 1);
             EXPECT_EQ(unpacked(d.shiftX), 1.0);
             EXPECT_EQ(unpacked(d.shiftY), 2.0);
             EXPECT_EQ(unpacked(d.shiftZ), 3.0);
             EXPECT_DOUBLE_EQ(unpacked(d.scale), 1.0000015);
             EXPECT_DOUBLE_EQ(unpacked(d.rotationX), 4 * arcSecond);
             EXPECT_DOUBLE_EQ(unpacked(d.rotationY), 5 * arcSecond);
             EXPECT_DOUBLE_EQ(unpacked(d.rotationZ), 6 * arcSecond);
         }},
        {"Adjust keys",
         {{"AdjustType", "1"}, {"AdjustRotation", "90"}, {"AdjustScale", "2"}, {"AdjustX", "10"}, {"AdjustY", "20"},
          {"AdjustOrigX", "30"}, {"AdjustOrigY", "40"}},
         [&](GeodesyHandle h) {
             AdjustParams a = adjustment(h);
             EXPECT_EQ(a.type, 1u);
             EXPECT_DOUBLE_EQ(unpacked(a.rotation), 3.141592653589793 / 2);
             EXPECT_EQ(unpacked(a.scale), 2.0);
             EXPECT_EQ(unpacked(a.translationX), 10.0);
             EXPECT_EQ(unpacked(a.translationY), 20.0);
             EXPECT_EQ(unpacked(a.originX), 30.0);
             EXPECT_EQ(unpacked(a.originY), 40.0);
         }},
        {"ReverseX", {{"AdjustType", "1"}, {"ReverseX", "yes"}},
         [&](GeodesyHandle h) { EXPECT_EQ(adjustment(h).type, 0x10001u); }},
        {"ReverseY", {{"AdjustType", "1"}, {"ReverseY", "true"}},
         [&](GeodesyHandle h) { EXPECT_EQ(adjustment(h).type, 0x20001u); }},
        {"RTKMode, ChartDatum in the horizontal unit", {{"RTKMode", "5"}, {"ChartDatum", "2.5"}, {"Unit", "0.3048006096"}},
         [&](GeodesyHandle h) {
             double separation = 0;
             ASSERT_EQ(DatumSeparation(h, lat, lon, &separation), 1);
             EXPECT_DOUBLE_EQ(separation, 2.5 * 0.3048006096);
         }},
        {"Geoid, OrthoHCorr", {{"RTKMode", "4"}, {"Geoid", "C:\\x\\geoid30.geo"}, {"OrthoHCorr", "0.25"}},
         [&](GeodesyHandle h) {
             char name[256] = "";
             double correction = 0;
             ASSERT_EQ(GetGeoid(h, name, sizeof name, &correction), 1);
             EXPECT_STREQ(name, "geoid30.geo");
             EXPECT_EQ(correction, 0.25);
         }},
        // Only the surface's name counts: a path in it does not reach outside the area.
        {"VDatum, VSurface",
         {{"RTKMode", "3"}, {"Geoid", "geoid30.geo"}, {"VDatum", "D:\\vdatum\\Area"}, {"VSurface", "../../../../x/MLLW"}},
         [&](GeodesyHandle h) {
             char region[256] = "", surface[256] = "";
             ASSERT_EQ(GetVDatumModel(h, region, sizeof region, surface), 1);
             EXPECT_STREQ(region, "Area");
             EXPECT_STREQ(surface, "MLLW");
         }},
        {"KTDFile", {{"RTKMode", "1"}, {"KTDFile", ktd}},
         [&](GeodesyHandle h) {
             char path[512] = "";
             ChartDatumParams p{};
             p.ktdFile = path;
             ASSERT_EQ(GetChartDatum(h, &p), 1);
             EXPECT_EQ(p.mode, 1);
             EXPECT_EQ(std::string(path), ktd);
         }},
        {"Ver below 1600: the legacy rule", {{"Ver", "1599"}, {"RTKMode", "5"}, {"Geoid", "geoid30.geo"}},
         [&](GeodesyHandle h) {
             ChartDatumParams p{};
             ASSERT_EQ(GetChartDatum(h, &p), 1);
             EXPECT_EQ(p.mode, 4);
         }},
        // The suite folder has no database: a zone id is looked up there (14, it cannot be
        // opened), no zone id gives 16 at once.
        {"ZoneId", {{"ZoneId", "7"}},
         [&](GeodesyHandle h) {
             int code = 0;
             EXPECT_EQ(GetEpsgCode(h, &code), 0);
             EXPECT_EQ(GetGeodesyError(), 14);
         }},
        {"no ZoneId", {},
         [&](GeodesyHandle h) {
             int code = 0;
             EXPECT_EQ(GetEpsgCode(h, &code), 0);
             EXPECT_EQ(GetGeodesyError(), 16);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GeodesyHandle h = create(c.keys);
        EXPECT_NE(h, nullptr) << "code " << GetGeodesyError();
        if (h) c.check(h);
    }
}

// A value that is not a finite number is refused with the code of its key's failure, in a file
// and in the records the exports take.
TEST_F(FileGeodesy, NonFiniteNumbersAreRefused) {
    writeBinGrid(suite.datum("geoid30.geo"), constantBinGrid({30.0f}, 40.0f, 10));
    struct Case {
        Keys keys;
        int code;
    };
    const Case cases[] = {
        {{{"Flattening", "nan"}}, 3},
        {{{"ScaleFactor", "nan"}, {"Unit", "inf"}, {"Flattening", "inf"}}, 3},  // in the build's order
        {{{"ScaleFactor", "nan"}, {"Unit", "inf"}}, 4},
        {{{"Flattening", "nan"}, {"Projection", "XYZ"}}, 5},  // the name is looked up first
        {{{"Flattening", "1e-320"}}, 3},  // 1/f overflows
        {{{"Unit", "1e309"}}, 4},
        {{{"Unit", "-1e-320"}}, 4},
        {{{"VertUnit", "nan"}}, 4},
        {{{"ScaleFactor", "nan"}}, 7},
        {{{"RefLatitude", "inf"}}, 7},
        {{{"CentralMeridian", "-inf"}}, 7},
        {{{"Projection", "ALA"}, {"NorthParallel", "nan"}, {"SouthParallel", "30"}}, 7},
        {{{"Projection", "ALA"}, {"NorthParallel", "30"}, {"SouthParallel", "nan"}}, 7},
        {{{"FalseEasting", "inf"}}, 7},
        {{{"FalseNorthing", "nan"}}, 7},
        {{{"SkewAzimuth", "nan"}}, 7},
        {{{"SemiMajorAxis", "1e309"}}, 7},
        {{{"DeltaX", "inf"}}, 7},
        {{{"DeltaY", "nan"}}, 7},
        {{{"DeltaZ", "-inf"}}, 7},
        {{{"DeltaScale", "1e309"}}, 7},
        {{{"DeltaRX", "nan"}}, 7},
        {{{"DeltaRY", "inf"}}, 7},
        {{{"DeltaRZ", "nan"}}, 7},
        {{{"AdjustRotation", "nan"}}, 7},
        {{{"AdjustScale", "inf"}}, 7},
        {{{"AdjustX", "nan"}}, 7},
        {{{"AdjustY", "inf"}}, 7},
        {{{"AdjustOrigX", "nan"}}, 7},
        {{{"AdjustOrigY", "-inf"}}, 7},
        {{{"RTKMode", "4"}, {"Geoid", "geoid30.geo"}, {"OrthoHCorr", "nan"}}, 9},
        {{{"RTKMode", "5"}, {"ChartDatum", "1e309"}}, 15},
        {{{"RTKMode", "5"}, {"ChartDatum", "1e305"}, {"Unit", "1e4"}}, 15},
    };
    for (const Case& c : cases) {
        const std::string what = c.keys.back().first + "=" + *c.keys.back().second;
        EXPECT_EQ(create(c.keys), nullptr) << what;
        EXPECT_EQ(GetGeodesyError(), c.code) << what;
    }

    // The records: nothing is changed by a refused one.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    GeodesyHandle h = create({});
    ASSERT_NE(h, nullptr);
    EllDiffParams diff{1, 2, 3, 1, 0, 0, 0};
    diff.rotationY = nan;
    EXPECT_EQ(SetEllDiff(h, &diff), 0);
    EXPECT_EQ(GetGeodesyError(), 7);
    EllDiffParams back{};
    ASSERT_EQ(GetEllDiff(h, &back), 1);
    EXPECT_EQ(unpacked(back.shiftX), 0.0);

    AdjustParams adjust{};
    adjust.scale = 1;
    adjust.originX = std::numeric_limits<double>::infinity();
    EXPECT_EQ(SetAdjustment(h, &adjust), 0);
    EXPECT_EQ(GetGeodesyError(), 7);

    // The datum conversions' points and other ellipsoid: the point is left as it was.
    diff.rotationY = 0;
    ASSERT_EQ(SetEllDiff(h, &diff), 1);
    double lat = 0.8, lon = 0.1, hgt = nan;
    EXPECT_EQ(WGS84Conv(h, &lat, &lon, &hgt), 0);
    EXPECT_EQ(GetGeodesyError(), 10);
    lat = nan;
    EXPECT_EQ(InvWGS84Conv(h, &lat, &lon, nullptr), 0);
    EXPECT_EQ(GetGeodesyError(), 10);
    lat = 0.8;
    EXPECT_EQ(EllConv(h, &lat, &lon, nullptr, nan, 1 / 297.0), 0);
    EXPECT_EQ(GetGeodesyError(), 7);
    EXPECT_EQ(InvEllConv(h, &lat, &lon, nullptr, 6378388.0, nan), 0);
    EXPECT_EQ(GetGeodesyError(), 7);
    EXPECT_EQ(lat, 0.8);
    EXPECT_EQ(lon, 0.1);

    char geoid[] = "geoid30.geo";
    struct Chart {
        int mode;
        double orthoHCorr, chartDatum;
        int code;
    } charts[] = {{4, nan, 0, 9}, {4, 0, nan, 15}, {5, 0, -std::numeric_limits<double>::infinity(), 15}};
    for (const Chart& c : charts) {
        ChartDatumParams p{};
        p.mode = 5;
        p.chartDatum = 2;
        ASSERT_EQ(SetChartDatum(h, &p), 1);
        p.mode = c.mode;
        p.geoidModel = geoid;
        p.orthoHCorr = c.orthoHCorr;
        p.chartDatum = c.chartDatum;
        EXPECT_EQ(SetChartDatum(h, &p), 0) << c.mode;
        EXPECT_EQ(GetGeodesyError(), c.code) << c.mode;
        double separation = 0;
        ASSERT_EQ(DatumSeparation(h, 45 * kDegree, 5 * kDegree, &separation), 1) << c.mode;
        EXPECT_EQ(separation, 2.0) << "the vertical reference is kept";
    }
    // Fields a mode does not use are not looked at.
    ChartDatumParams unused{};
    unused.mode = 5;
    unused.orthoHCorr = nan;
    EXPECT_EQ(SetChartDatum(h, &unused), 1);

    // Grids whose nodes are not numbers: the point fails with the grid's code.
    gridwriter::Ntv2SubGrid nanGrid = parentGrid();
    nanGrid.nodes.assign(25, {NAN, NAN, 0, 0});
    writeFile(suite.datum("nan.gsb"), gridwriter::ntv2Bytes({}, {nanGrid}));
    writeBinGrid(suite.datum("nan.lls"), constantBinGrid({NAN, NAN, NAN}, 0.0f, 10));
    for (const char* name : {"nan.gsb", "nan.lls"}) {
        GeodesyHandle g = create({}, std::string(name) + ".ini");
        ASSERT_EQ(SetEllModel(g, suite.datum(name).c_str()), 1) << name;
        lat = lon = 0.5 * kDegree;
        hgt = 0;
        EXPECT_EQ(WGS84Conv(g, &lat, &lon, &hgt), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 4) << name;
        EXPECT_EQ(InvWGS84Conv(g, &lat, &lon, &hgt), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 4) << name;
        EXPECT_EQ(lat, 0.5 * kDegree) << name;
    }
    writeBinGrid(suite.datum("nan.geo"), constantBinGrid({NAN}, 40.0f, 10));
    GeodesyHandle nanGeoid = create({{"RTKMode", "4"}, {"Geoid", "nan.geo"}}, "nangeoid.ini");
    ASSERT_NE(nanGeoid, nullptr);
    double separation = 0, undulation = 0;
    EXPECT_EQ(DatumSeparation1(nanGeoid, 45 * kDegree, 5 * kDegree, &separation, &undulation), 0);
    EXPECT_EQ(GetGeodesyError(), 15);
    // Finite set-up values whose separation K - N overflows to minus infinity: no separation either.
    ChartDatumParams huge{};
    huge.mode = 4;
    std::string geoidPath = suite.datum(geoid);
    huge.geoidModel = geoidPath.data();
    huge.orthoHCorr = std::numeric_limits<double>::max();
    huge.chartDatum = -std::numeric_limits<double>::max();
    ASSERT_EQ(SetChartDatum(h, &huge), 1);
    separation = 2;
    EXPECT_EQ(DatumSeparation(h, 45 * kDegree, 5 * kDegree, &separation), 0);
    EXPECT_EQ(GetGeodesyError(), 15);
    EXPECT_EQ(separation, 2.0);

    GeodesyParams record{};
    record.semiMajorAxis = 6378137;
    record.projectionId = 3;
    record.unitFactor = 1;
    for (auto [invf, unit, code] : {std::tuple{nan, 1.0, 3}, std::tuple{298.257223563, nan, 4}}) {
        record.inverseFlattening = invf;
        record.unitFactor = unit;
        EXPECT_EQ(CreateGeodesy(&record), nullptr) << code;
        EXPECT_EQ(GetGeodesyError(), code);
    }
}

}  // namespace
