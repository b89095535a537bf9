#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geodesy/projections/Lambert.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

constexpr double kUsSurveyFoot = 1200.0 / 3937;

const ProjectionSetup kConus{.id = 1, .a = kGrs80A, .inverseFlattening = kGrs80InvF, .referenceLatitude = 23,
                             .centralMeridian = -96, .northParallel = 29.5, .southParallel = 45.5};
// echo "lon lat" | proj -f %.6f +proj=lcc +lat_1=29.5 +lat_2=45.5 +lat_0=23 +lon_0=-96 +ellps=GRS80
// (PROJ 9.1.1). The last two lie beyond a quarter turn of the cone from the central meridian.
const ReferencePoint kConusPoints[] = {
    {"", 23, -96, 0.000000, 0.000000},
    {"", 40, -100, -338445.724910, 1890893.381187},
    {"", 30, -80, 1534546.568426, 913710.273789},
    {"", 48, -124, -2074054.306246, 3082207.801689},
    {"", 25, -70, 2626267.277413, 591672.860162},
    {"", 60, -150, -3084083.310439, 5070912.299806},
    {"", 10, -96, 0.000000, -1521607.104649},
    {"", 49, -67, 2111648.329672, 3211613.608464},
    {"", 40, 74, 7709086.781280, 11721612.839358},
    {"", 30, 80, 8622164.024313, 12541602.255257},
};
// echo "-96 90" | proj -f %.6f (same projection): the apex.
constexpr double kConusApexY = 9823096.065917;

// NAD83 Texas Central in US survey feet (false origin 700000 m, 3000000 m).
const ProjectionSetup kTexasFeet{.id = 1, .a = kGrs80A, .inverseFlattening = kGrs80InvF,
                                 .referenceLatitude = 29.66666666666667, .centralMeridian = -100.3333333333333,
                                 .northParallel = 31.88333333333333, .southParallel = 30.11666666666667,
                                 .falseEasting = 700000 / kUsSurveyFoot, .falseNorthing = 3000000 / kUsSurveyFoot,
                                 .unit = kUsSurveyFoot};
// echo "lon lat" | proj -f %.6f +proj=lcc +lat_1=31.88333333333333 +lat_2=30.11666666666667
//   +lat_0=29.66666666666667 +lon_0=-100.3333333333333 +x_0=700000 +y_0=3000000 +ellps=GRS80 +units=us-ft
const ReferencePoint kTexasFeetPoints[] = {
    {"", 29.66666666666667, -100.3333333333333, 2296583.333333, 9842500.000000},
    {"", 30.2672, -97.7431, 3114226.214537, 10070436.131252},
    {"", 31.5, -103, 1465565.093619, 10519249.796451},
    {"", 29, -95, 4001720.824791, 9640874.403851},
};

// One standard parallel with a scale factor on it (the French Lambert II, Clarke 1880 IGN).
const ProjectionSetup kTangent{.id = 1, .a = 6378249.2, .inverseFlattening = 293.466021294,
                               .referenceLatitude = 46.8, .centralMeridian = 2.337229166666667,
                               .northParallel = 46.8, .southParallel = 46.8, .k0 = 0.99987742,
                               .falseEasting = 600000, .falseNorthing = 2200000};
// echo "lon lat" | proj -f %.6f +proj=lcc +lat_1=46.8 +lat_0=46.8 +lon_0=2.337229166666667
//   +k_0=0.99987742 +x_0=600000 +y_0=2200000 +a=6378249.2 +rf=293.466021294
const ReferencePoint kTangentPoints[] = {
    {"", 46.8, 2.337229166666667, 600000.000000, 2200000.000000},
    {"", 48.8566, 2.3522, 601099.218001, 2428688.180242},
    {"", 43.2965, 5.3698, 846455.388563, 1815215.061206},
    {"", 50.6292, 3.0573, 651061.238231, 2626327.173803},
    {"", 42.5, -1.5, 283869.651760, 1729506.066794},
    {"", 51, 8.2, 1012276.347307, 2682825.225346},
};

// A cone opening southwards (n < 0): GDA94 Geoscience Australia Lambert.
const ProjectionSetup kAustralia{.id = 1, .a = kGrs80A, .inverseFlattening = kGrs80InvF, .centralMeridian = 134,
                                 .northParallel = -18, .southParallel = -36};
// echo "lon lat" | proj -f %.6f +proj=lcc +lat_1=-18 +lat_2=-36 +lat_0=0 +lon_0=134 +ellps=GRS80
const ReferencePoint kAustraliaPoints[] = {
    {"", 0, 134, 0.000000, 0.000000},
    {"", -12.46, 130.84, -350174.816835, -1458111.334115},
    {"", -33.87, 151.21, 1579041.669790, -3923069.569349},
    {"", -31.95, 115.86, -1694204.711853, -3725841.717749},
    {"", -42.88, 147.33, 1117739.158204, -4883251.700419},
    {"", -25, 134, 0.000000, -2841857.818349},
};
// echo "134 -90" | proj -f %.6f (same projection): the apex at the south pole.
constexpr double kAustraliaApexY = -15381412.627046;

// A central meridian next to the antimeridian: the grid must not tear at 180 deg.
const ProjectionSetup kNearAntimeridian{.id = 1, .a = kGrs80A, .inverseFlattening = kGrs80InvF,
                                        .referenceLatitude = -41, .centralMeridian = 176, .northParallel = -37.5,
                                        .southParallel = -44.5, .falseEasting = 2000000,
                                        .falseNorthing = 6000000};
// echo "lon lat" | proj -f %.6f +proj=lcc +lat_1=-37.5 +lat_2=-44.5 +lat_0=-41 +lon_0=176
//   +x_0=2000000 +y_0=6000000 +ellps=GRS80
const ReferencePoint kNearAntimeridianPoints[] = {
    {"", -41, 176, 2000000.000000, 6000000.000000},
    {"", -40, -179, 2426011.034454, 6098637.959567},
    {"", -45, 179, 2236631.662190, 5552031.019799},
    {"", -36.85, 174.76, 1889330.910697, 6459470.107621},
    {"", -46.4, 168.35, 1410885.543861, 5374416.736590},
    {"", -44, -176.5, 2600505.063814, 5641404.517042},
};

TEST(Lambert, ReferencePointsAndRoundTrips) {
    Lambert conus(paramsOf(kConus));
    expectReferencePoints(conus, kConusPoints);
    expectRoundTrips(conus, -60, 85, -170, -20);
    expectReferencePoints(Lambert(paramsOf(kTexasFeet)), kTexasFeetPoints);
    Lambert tangent(paramsOf(kTangent));
    expectReferencePoints(tangent, kTangentPoints);
    expectRoundTrips(tangent, 30, 70, -20, 25);
    Lambert australia(paramsOf(kAustralia));
    expectReferencePoints(australia, kAustraliaPoints);
    expectRoundTrips(australia, -85, 30, 90, 178);
    Lambert nearAntimeridian(paramsOf(kNearAntimeridian));
    expectReferencePoints(nearAntimeridian, kNearAntimeridianPoints);
    expectRoundTrips(nearAntimeridian, -60, -20, 150, 220);
}

TEST(Lambert, Apex) {
    struct Case {
        ProjectionSetup setup;
        double pole;  // degrees, the pole at the apex
        double apexY;
    };
    for (const Case& c : {Case{kConus, 90, kConusApexY}, Case{kAustralia, -90, kAustraliaApexY}}) {
        Lambert lcc(paramsOf(c.setup));
        double x = -1, y = -1;
        ASSERT_EQ(lcc.Forward(c.pole * kDeg, 10 * kDeg, x, y).release(), 0);
        EXPECT_EQ(x, 0);
        EXPECT_NEAR(y, c.apexY, kGridTolerance);
        // The apex itself inverts to the pole on the central meridian.
        double lat = 0, lon = 0;
        ASSERT_EQ(lcc.Inverse(x, y, lat, lon).release(), 0);
        EXPECT_NEAR(lat, c.pole * kDeg, kAngleTolerance);
        EXPECT_EQ(lon, c.setup.centralMeridian * kDeg);
        // The other pole is at infinity.
        EXPECT_EQ(lcc.Forward(-c.pole * kDeg, 0, x, y).release(), 6);
    }
}

TEST(Lambert, ScaleAndConvergence) {
    struct Case {
        const char* what;
        ProjectionSetup setup;
        double lat, lon;   // degrees
        double k;          // point scale
        double gamma;      // degrees, PROJ's convergence; ours has the other sign
    };
    // echo "lon lat" | proj -V <the projection above>: "Parallel scale (k)" and "Convergence".
    const Case cases[] = {
        {"conus", kConus, 40, -100, 0.99113778, -2.44317472},
        {"Australia", kAustralia, -33.87, 151.21, 0.99474232, -7.84634799},
        {"tangent", kTangent, 43.2965, 5.3698, 1.00170440, 2.21064900},
        {"across 180", kNearAntimeridian, -40, -179, 0.99830166, -3.28237086},
        {"parallel 29.5", kConus, 29.5, -90, 1.0, 3.66476208},
        {"parallel 45.5", kConus, 45.5, -96, 1.0, 0},
        {"tangent parallel", kTangent, 46.8, 2.337229166666667, 0.99987742, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Lambert lcc(paramsOf(c.setup));
        double x = 0, y = 0, k = 0;
        ASSERT_EQ(lcc.Forward(c.lat * kDeg, c.lon * kDeg, x, y).release(), 0);
        ASSERT_EQ(lcc.PointScale(x, y, k).release(), 0);
        EXPECT_NEAR(k, c.k, 1e-8);
        EXPECT_NEAR(lcc.Convergence(c.lat * kDeg, c.lon * kDeg), -c.gamma * kDeg, 1e-9);
    }
}

TEST(Lambert, Refusals) {
    struct Case {
        double north, south;  // degrees
    };
    // A cone constant of 0: parallels symmetric about the equator, or one parallel on it; and a
    // single parallel at the pole, where the cone has no finite radius.
    for (Case c : {Case{20, -20}, Case{0, 0}, Case{90, 90}}) {
        ProjectionSetup s = kConus;
        s.northParallel = c.north;
        s.southParallel = c.south;
        EXPECT_EQ(constructionCode<Lambert>(paramsOf(s)), 7) << c.north << " " << c.south;
    }
    // A NaN is no grid point.
    Lambert conus(paramsOf(kConus));
    double lat = 0, lon = 0;
    EXPECT_EQ(conus.Inverse(std::numeric_limits<double>::quiet_NaN(), 0, lat, lon).release(), 10);
}

}  // namespace
