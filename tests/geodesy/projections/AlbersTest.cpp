#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/projections/Albers.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

const ProjectionSetup kConus{.id = 10, .a = kGrs80A, .inverseFlattening = kGrs80InvF, .referenceLatitude = 23,
                             .centralMeridian = -96, .northParallel = 29.5, .southParallel = 45.5};
// echo "lon lat" | proj -f %.6f +proj=aea +lat_1=29.5 +lat_2=45.5 +lat_0=23 +lon_0=-96 +ellps=GRS80
// (PROJ 9.1.1). Beyond a quarter turn of the cone: (40, 74), (30, 80).
const ReferencePoint kConusPoints[] = {
    {"", 23, -96, 0.000000, 0.000000},
    {"", 40, -100, -338390.587551, 1894100.140043},
    {"", 30, -80, 1534849.038775, 898886.088378},
    {"", 48, -124, -2076510.090165, 3086299.574197},
    {"", 25, -70, 2623749.131074, 579289.516967},
    {"", 60, -150, -3161648.540679, 4976973.318429},
    {"", 10, -96, 0.000000, -1372188.609690},
    {"", 49, -67, 2115329.715667, 3213503.541422},
    {"", 40, 74, 7851531.192584, 11668640.874462},
    {"", 30, 80, 8799833.671863, 12470690.033677},
};
// echo "-96 90" | proj -f %.6f (same projection): the image of the pole, an arc through this point.
constexpr double kConusPoleY = 5885708.480266;

// A cone opening southwards (n < 0): GDA94 Australian Albers.
const ProjectionSetup kAustralia{.id = 10, .a = kGrs80A, .inverseFlattening = kGrs80InvF, .centralMeridian = 132,
                                 .northParallel = -18, .southParallel = -36};
// echo "lon lat" | proj -f %.6f +proj=aea +lat_1=-18 +lat_2=-36 +lat_0=0 +lon_0=132 +ellps=GRS80
const ReferencePoint kAustraliaPoints[] = {
    {"", 0, 132, 0.000000, 0.000000},
    {"", -12.46, 130.84, -128368.219385, -1314806.198612},
    {"", -33.87, 151.21, 1761025.166957, -3828891.365563},
    {"", -31.95, 115.86, -1508261.295658, -3577137.741419},
    {"", -42.88, 147.33, 1288694.343442, -4764150.079998},
    {"", -25, 132, 0.000000, -2702570.960464},
};
// echo "132 -90" | proj -f %.6f (same projection).
constexpr double kAustraliaPoleY = -7852251.125080;

// One standard parallel, central meridian next to the antimeridian, International ellipsoid.
const ProjectionSetup kOneParallel{.id = 10, .a = 6378388.0, .inverseFlattening = 297.0, .referenceLatitude = -40,
                                   .centralMeridian = 176, .northParallel = -40, .southParallel = -40,
                                   .falseEasting = 1000000, .falseNorthing = 1000000};
// echo "lon lat" | proj -f %.6f +proj=aea +lat_1=-40 +lat_2=-40 +lat_0=-40 +lon_0=176
//   +x_0=1000000 +y_0=1000000 +ellps=intl
const ReferencePoint kOneParallelPoints[] = {
    {"", -40, 176, 1000000.000000, 1000000.000000},
    {"", -40, -179, 1426764.704067, 988027.433344},
    {"", -45, 179, 1237479.564771, 441314.859195},
    {"", -36.85, 174.76, 889248.353808, 1348734.088367},
    {"", -46.4, 168.35, 408322.294943, 265140.177939},
    {"", -44, -176.5, 1602418.865307, 530710.702743},
};

// On a sphere the logarithmic term of q takes its limit.
const ProjectionSetup kSphere{.id = 10, .a = kGrs80A, .inverseFlattening = 0, .referenceLatitude = 23,
                              .centralMeridian = -96, .northParallel = 29.5, .southParallel = 45.5};
// echo "lon lat" | proj -f %.6f +proj=aea +lat_1=29.5 +lat_2=45.5 +lat_0=23 +lon_0=-96 +R=6378137
const ReferencePoint kSpherePoints[] = {
    {"", 23, -96, 0.000000, 0.000000},
    {"", 40, -100, -337909.614481, 1901531.900214},
    {"", 30, -80, 1533558.332899, 902364.366345},
    {"", 60, -150, -3154760.668201, 4983973.958294},
};
// echo "-96 90" | proj -f %.6f (same projection).
constexpr double kSpherePoleY = 5889407.598335;

TEST(Albers, ReferencePointsAndRoundTrips) {
    Albers conus(paramsOf(kConus));
    expectReferencePoints(conus, kConusPoints);
    expectRoundTrips(conus, -60, 85, -170, -20);
    Albers australia(paramsOf(kAustralia));
    expectReferencePoints(australia, kAustraliaPoints);
    expectRoundTrips(australia, -85, 30, 90, 178);
    Albers oneParallel(paramsOf(kOneParallel));
    expectReferencePoints(oneParallel, kOneParallelPoints);
    expectRoundTrips(oneParallel, -60, -20, 150, 220);
    Albers sphere(paramsOf(kSphere));
    expectReferencePoints(sphere, kSpherePoints);
    expectRoundTrips(sphere, -60, 85, -170, -20);
}

TEST(Albers, NearAndBeyondThePole) {
    Albers conus(paramsOf(kConus));
    // Within a few hundred metres of the pole the iteration still settles inside its 10 passes.
    // Near the pole q varies with the square of the distance from it, so the last 1e-7 rad Newton
    // step leaves up to about 1e-9 rad there.
    for (double lat : {89.9, 89.99, 89.999}) {
        SCOPED_TRACE(lat);
        double x = 0, y = 0, lat2 = 0, lon2 = 0;
        ASSERT_EQ(conus.Forward(lat * kDeg, -40 * kDeg, x, y).release(), 0);
        ASSERT_EQ(conus.Inverse(x, y, lat2, lon2).release(), 0);
        EXPECT_NEAR(lat2, lat * kDeg, 1e-9);
        EXPECT_NEAR(lon2, -40 * kDeg, kAngleTolerance);
    }
    // The pole's image inverts to the pole exactly. Near it the meridian scale tends to 0, so PROJ's
    // image, rounded to 1e-6 m, lies 2e-7 rad of latitude from the pole.
    struct Pole {
        ProjectionSetup setup;
        double lat;  // degrees
        double y;    // PROJ's image
    };
    for (const Pole& p : {Pole{kConus, 90, kConusPoleY}, Pole{kAustralia, -90, kAustraliaPoleY},
                          Pole{kSphere, 90, kSpherePoleY}}) {
        SCOPED_TRACE(p.lat);
        Albers albers(paramsOf(p.setup));
        double x = -1, y = -1, lat = 0, lon = 0;
        ASSERT_EQ(albers.Forward(p.lat * kDeg, p.setup.centralMeridian * kDeg, x, y).release(), 0);
        EXPECT_NEAR(x, 0, kGridTolerance);
        EXPECT_NEAR(y, p.y, kGridTolerance);
        ASSERT_EQ(albers.Inverse(0, y, lat, lon).release(), 0);
        EXPECT_EQ(lat, p.lat * kDeg);
        EXPECT_NEAR(lon, p.setup.centralMeridian * kDeg, 1e-15);
        ASSERT_EQ(albers.Inverse(0, p.y, lat, lon).release(), 0);
        EXPECT_NEAR(lat, p.lat * kDeg, 1e-6);
    }
    double lat = 0, lon = 0;
    // Between the pole's image and the apex, and far outside the fan: no latitude; the longitude
    // is written all the same.
    for (double y : {5900000.0, -20000000.0}) {
        lat = -1;
        lon = -1;
        EXPECT_EQ(conus.Inverse(0, y, lat, lon).release(), 10) << y;
        EXPECT_EQ(lat, -1);
        EXPECT_NEAR(lon, -96 * kDeg, 1e-15);
    }
}

TEST(Albers, Scales) {
    Albers conus(paramsOf(kConus));
    // echo "-124 48" | proj -V <conus>: h 0.99176471 (meridian), k 1.00830367 (parallel).
    EXPECT_NEAR(conus.PrincipalScale1(48 * kDeg, -124 * kDeg), 0.99176471, 1e-8);
    EXPECT_NEAR(conus.PrincipalScale2(48 * kDeg, -124 * kDeg), 1.00830367, 1e-8);
    double k = 0;
    ASSERT_EQ(conus.PointScale(-2076510.090165, 3086299.574197, k).release(), 0);
    EXPECT_NEAR(k, 1.0, 1e-12);
    for (double parallel : {29.5, 45.5}) {
        EXPECT_NEAR(conus.PrincipalScale1(parallel * kDeg, 0), 1.0, 1e-12) << parallel;
        EXPECT_NEAR(conus.PrincipalScale2(parallel * kDeg, 0), 1.0, 1e-12) << parallel;
    }
    // At the pole the meridian scale is refused.
    k = -1;
    double poleX = 0, poleY = 0;
    ASSERT_EQ(conus.Forward(kHalfPi, -96 * kDeg, poleX, poleY).release(), 0);
    EXPECT_EQ(conus.PointScale(poleX, poleY, k).release(), 10);
    EXPECT_EQ(k, -1);
    // Convergence -n dlon: echo "-124 48" | proj -V <kConus> gives -16.88127753 deg (PROJ's sign).
    EXPECT_NEAR(conus.Convergence(48 * kDeg, -124 * kDeg), 16.88127753 * kDeg, 1e-9);
}

TEST(Albers, Refusals) {
    struct Case {
        double north, south;  // degrees
    };
    for (Case c : {Case{20, -20}, Case{0, 0}}) {
        ProjectionSetup s = kConus;
        s.northParallel = c.north;
        s.southParallel = c.south;
        EXPECT_EQ(constructionCode<Albers>(paramsOf(s)), 7) << c.north << " " << c.south;
    }
}

}  // namespace
