// Datum transformations, datum-shift grids, vertical references and creation from a parameter
// file, through the exported functions, on a suite folder of the test's own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/SuiteFolder.h"

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

TEST_F(FileGeodesy, ScaleAloneLeavesTheConversionOff) {
    GeodesyHandle h = create({{"DeltaScale", "1.5"}, {"SemiMajorAxis", "6378388"}, {"Flattening", "297"}});
    ASSERT_NE(h, nullptr);
    const double lat = 45 * kDegree, lon = 5 * kDegree, hgt = 100.0;
    double la = lat, lo = lon, he = hgt;
    ASSERT_EQ(WGS84Conv(h, &la, &lo, &he), 1);
    EXPECT_EQ(la, lat);
    EXPECT_EQ(lo, lon);
    EXPECT_EQ(he, hgt);
    ASSERT_EQ(InvWGS84Conv(h, &la, &lo, nullptr), 1);
    EXPECT_EQ(la, lat);
    EXPECT_EQ(lo, lon);
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

TEST_F(FileGeodesy, MissingDatumGridLeavesNoTransformation) {
    DebugCapture capture;
    GeodesyHandle h = create({{"DynDatum", "C:\\grids\\missing.gsb"}, {"DeltaX", "100"}});
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetGeodesyError(), 0);
    char model[64] = "x";
    ASSERT_EQ(GetEllModel(h, model, sizeof model), 1);
    EXPECT_STREQ(model, "");
    EllDiffParams p{};
    ASSERT_EQ(GetEllDiff(h, &p), 1);
    EXPECT_EQ(unpacked(p.shiftX), 0.0);
    EXPECT_EQ(unpacked(p.scale), 1.0);
    const std::string expected = "Cannot set datum shift file " + suite.datum("missing.gsb") + " (err=1)";
    bool logged = false;
    for (const std::string& line : capture.lines())
        if (line.find(expected) != std::string::npos) logged = true;
    EXPECT_EQ(logged, kTraceBuild);

    EXPECT_EQ(SetEllModel(h, suite.datum("missing.lls").c_str()), 0);
    EXPECT_EQ(GetGeodesyError(), 18);
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
        char model[512] = "";
        ASSERT_EQ(GetEllModel(h, model, sizeof model), 1);
        EXPECT_EQ(std::string(model), suite.datum("BETA2007.gsb")) << c.what;
        // With a grid in use the seven-parameter conversions do nothing.
        p = start;
        ASSERT_EQ(EllConv(h, &p.lat, &p.lon, &p.hgt, 6378388.0, 1 / 297.0), 1);
        EXPECT_EQ(p.lat, start.lat) << c.what;

        // Outside every sub-grid: code 4 and the point unchanged.
        p = degrees(10.0, 9.0, 0.0);
        const Point outside = p;
        EXPECT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 0) << c.what;
        EXPECT_EQ(GetGeodesyError(), 4) << c.what;
        EXPECT_EQ(p.lat, outside.lat) << c.what;
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

    // Outside the grid there is no shift: code 4 and the point unchanged.
    p = degrees(60, 5, 0);
    const Point outside = p;
    EXPECT_EQ(WGS84Conv(h, &p.lat, &p.lon, &p.hgt), 0);
    EXPECT_EQ(GetGeodesyError(), 4);
    EXPECT_EQ(p.lat, outside.lat);
    EXPECT_EQ(p.lon, outside.lon);

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

    // Grids the conversions cannot use are refused: one value per node, ASCII NTv2.
    writeBinGrid(suite.datum("single.lls"), constantBinGrid({30.0f}, 40.0f, 10));
    writeBinGrid(suite.datum("ascii.gsa"), cartesian);
    for (const char* name : {"single.lls", "ascii.gsa", "missing.lls"}) {
        EXPECT_EQ(SetEllModel(h, suite.datum(name).c_str()), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 18) << name;
        char model[16] = "x";
        ASSERT_EQ(GetEllModel(h, model, sizeof model), 1);
        EXPECT_STREQ(model, "") << name;
        EllDiffParams diff{};
        ASSERT_EQ(GetEllDiff(h, &diff), 1);
        EXPECT_EQ(unpacked(diff.scale), 1.0) << name;
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

}  // namespace
