#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/projections/PolarStereo.h"
#include "geodesy/projections/Stereographic.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

// The Dutch RD grid on Bessel 1841.
const ProjectionSetup kRd{.id = 4, .a = 6377397.155, .inverseFlattening = 299.1528128,
                          .referenceLatitude = 52.15616055555555, .centralMeridian = 5.38763888888889,
                          .k0 = 0.9999079, .falseEasting = 155000, .falseNorthing = 463000};
// echo "lon lat" | proj -f %.6f +proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889
//   +k=0.9999079 +x_0=155000 +y_0=463000 +ellps=bessel (PROJ 9.1.1)
// The last three lie more than a quarter turn of sphere longitude from the origin.
const ReferencePoint kRdPoints[] = {
    {"", 52.15616055555555, 5.38763888888889, 155000.000000, 463000.000000},
    {"", 52.3676, 4.9041, 122071.326596, 486632.402958},
    {"", 51.4416, 5.4697, 160704.643951, 383514.078222},
    {"", 53.2194, 6.5665, 233731.051539, 581940.813287},
    {"", 50.85, 5.69, 176291.569526, 317747.033303},
    {"", 80, 125, 1273653.293287, 5441513.224486},
    {"", 20, -80, -8917648.441126, 1934242.906673},
    {"", -30, 100, 19683894.037669, -5131943.899335},
};

// New Brunswick double stereographic on GRS 80.
const ProjectionSetup kNewBrunswick{.id = 4, .a = kGrs80A, .inverseFlattening = kGrs80InvF,
                                    .referenceLatitude = 46.5, .centralMeridian = -66.5, .k0 = 0.999912,
                                    .falseEasting = 2500000, .falseNorthing = 7500000};
// echo "lon lat" | proj -f %.6f +proj=sterea +lat_0=46.5 +lon_0=-66.5 +k=0.999912 +x_0=2500000
//   +y_0=7500000 +ellps=GRS80
const ReferencePoint kNewBrunswickPoints[] = {
    {"", 46.5, -66.5, 2500000.000000, 7500000.000000},
    {"", 45.9636, -66.6431, 2488908.472390, 7440390.819470},
    {"", 47.37, -68.33, 2361792.545715, 7598323.545217},
    {"", 45.27, -66.06, 2534530.118631, 7363388.636094},
    {"", 47.9, -64.5, 2649538.681318, 7657553.989276},
};

// Origin next to the antimeridian.
const ProjectionSetup kNearAntimeridian{.id = 4, .a = kGrs80A, .inverseFlattening = kGrs80InvF,
                                        .referenceLatitude = -40, .centralMeridian = 176};
// echo "lon lat" | proj -f %.6f +proj=sterea +lat_0=-40 +lon_0=176 +k=1 +ellps=GRS80
const ReferencePoint kNearAntimeridianPoints[] = {
    {"", -40, 176, 0.000000, 0.000000},
    {"", -40, -179, 426904.840962, -11980.979557},
    {"", -41, 179, 252409.515170, -115339.814496},
    {"", -36, -174, 902414.435246, 395528.270833},
};

TEST(Stereographic, ReferencePointsAndRoundTrips) {
    Stereographic rd(paramsOf(kRd));
    expectReferencePoints(rd, kRdPoints);
    expectRoundTrips(rd, 45, 60, -5, 15);
    // Far from the origin as well, up to 120 deg of longitude away.
    expectRoundTrips(rd, -30, 85, -110, 120);
    Stereographic newBrunswick(paramsOf(kNewBrunswick));
    expectReferencePoints(newBrunswick, kNewBrunswickPoints);
    expectRoundTrips(newBrunswick, 40, 55, -75, -58);
    Stereographic nearAntimeridian(paramsOf(kNearAntimeridian));
    expectReferencePoints(nearAntimeridian, kNearAntimeridianPoints);
    expectRoundTrips(nearAntimeridian, -55, -25, 160, 195);
}

TEST(Stereographic, ScaleAndUnit) {
    Stereographic rd(paramsOf(kRd));
    double k = 0;
    ASSERT_EQ(rd.PointScale(155000, 463000, k).release(), 0);
    EXPECT_NEAR(k, 0.9999079, 1e-12);
    // echo "lon lat" | proj -V <RD>: h = k = 1.00003275 at (53.2194, 6.5665), 1.15933759 at (80, 125).
    ASSERT_EQ(rd.PointScale(233731.051539, 581940.813287, k).release(), 0);
    EXPECT_NEAR(k, 1.00003275, 1e-8);
    ASSERT_EQ(rd.PointScale(1273653.293287, 5441513.224486, k).release(), 0);
    EXPECT_NEAR(k, 1.15933759, 1e-8);
    // Convergence, PROJ's of proj -V with its sign turned: 0.48634139 deg at (53, 6), 116.63061623
    // at (80, 125).
    EXPECT_NEAR(rd.Convergence(53 * kDeg, 6 * kDeg), -0.48634139 * kDeg, 1e-9);
    EXPECT_NEAR(rd.Convergence(80 * kDeg, 125 * kDeg), -116.63061623 * kDeg, 1e-9);

    // A foot record (false origin in feet) gives the RD points in feet, and the same scale.
    ProjectionSetup feet = kRd;
    feet.unit = 0.3048;
    feet.falseEasting /= 0.3048;
    feet.falseNorthing /= 0.3048;
    const Stereographic inFeet(paramsOf(feet));
    for (ReferencePoint r : kRdPoints) {
        r.x /= 0.3048;
        r.y /= 0.3048;
        expectReferencePoints(inFeet, std::span(&r, 1));
    }
    ASSERT_EQ(inFeet.PointScale(233731.051539 / 0.3048, 581940.813287 / 0.3048, k).release(), 0);
    EXPECT_NEAR(k, 1.00003275, 1e-8);
}

TEST(Stereographic, PointOppositeTheOrigin) {
    // Without the refusal the coordinates would be infinite. On a sphere the conformal sphere is the
    // sphere itself, so the opposite point is exactly 180 deg away.
    ProjectionSetup equator = kRd;
    equator.inverseFlattening = 0;
    equator.referenceLatitude = 0;
    equator.centralMeridian = 0;
    Stereographic st(paramsOf(equator));
    double x = -1, y = -1;
    EXPECT_EQ(st.Forward(0, kPi, x, y).release(), 6);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
}

// UPS North and South on WGS 84.
const ProjectionSetup kUpsNorth{.id = 12, .referenceLatitude = 90, .k0 = 0.994, .falseEasting = 2000000,
                                .falseNorthing = 2000000};
const ProjectionSetup kUpsSouth{.id = 12, .referenceLatitude = -90, .k0 = 0.994, .falseEasting = 2000000,
                                .falseNorthing = 2000000};
// echo "lon lat" | proj -f %.6f +proj=stere +lat_0=90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000
//   +ellps=WGS84
const ReferencePoint kUpsNorthPoints[] = {
    {"", 90, 0, 2000000.000000, 2000000.000000},
    {"", 84, 0, 2000000.000000, 1333272.296316},
    {"", 85, 90, 2555457.391383, 2000000.000000},
    {"", 86, -135, 1685854.780934, 2314145.219066},
    {"", 89.5, 45, 2039253.085506, 1960746.914494},
    {"", 60, 170, 2591424.979922, 5354137.736302},
    {"", 81, -30, 1499404.547209, 1132943.241729},
};
// The same with +lat_0=-90. North of the pole on the central meridian y grows.
const ReferencePoint kUpsSouthPoints[] = {
    {"", -90, 0, 2000000.000000, 2000000.000000},
    {"", -80, 0, 2000000.000000, 3112951.136955},
    {"", -85, 90, 2555457.391383, 2000000.000000},
    {"", -86, -135, 1685854.780934, 1685854.780934},
    {"", -89.5, 45, 2039253.085506, 2039253.085506},
    {"", -60, 170, 2591424.979922, -1354137.736302},
    {"", -81, -30, 1499404.547209, 2867056.758271},
};

// True scale at 70 deg N (NSIDC sea ice grid) and at 71 deg S (Antarctic grid).
const ProjectionSetup kTrueScaleNorth{.id = 12, .referenceLatitude = 70, .centralMeridian = -45};
const ProjectionSetup kTrueScaleSouth{.id = 12, .referenceLatitude = -71};
// echo "lon lat" | proj -f %.6f +proj=stere +lat_0=90 +lat_ts=70 +lon_0=-45 +ellps=WGS84
const ReferencePoint kTrueScaleNorthPoints[] = {
    {"", 70, -45, 0.000000, -2187927.649279},
    {"", 70, 135, 0.000000, 2187927.649279},
    {"", 80, 0, 767861.606115, -767861.606115},
    {"", 60, -150, -3209926.330310, 860097.167970},
    {"", 75, 90, 1155327.272303, 1155327.272303},
    {"", 89, -100, -88738.707896, -62135.512200},
};
// echo "lon lat" | proj -f %.6f +proj=stere +lat_0=-90 +lat_ts=-71 +lon_0=0 +ellps=WGS84
const ReferencePoint kTrueScaleSouthPoints[] = {
    {"", -71, 0, 0.000000, 2082760.108543},
    {"", -71, 180, 0.000000, -2082760.108543},
    {"", -80, 45, 770166.179002, 770166.179002},
    {"", -60, -150, -1666567.013815, -2886578.742146},
    {"", -75, 90, 1638783.238407, 0.000000},
    {"", -89, -100, -107004.373967, -18867.758184},
};

TEST(PolarStereo, ReferencePointsAndRoundTrips) {
    PolarStereo upsNorth(paramsOf(kUpsNorth));
    expectReferencePoints(upsNorth, kUpsNorthPoints);
    expectRoundTrips(upsNorth, 50, 90, -180, 180);
    PolarStereo upsSouth(paramsOf(kUpsSouth));
    expectReferencePoints(upsSouth, kUpsSouthPoints);
    expectRoundTrips(upsSouth, -90, -50, -180, 180);
    PolarStereo trueScaleNorth(paramsOf(kTrueScaleNorth));
    expectReferencePoints(trueScaleNorth, kTrueScaleNorthPoints);
    expectRoundTrips(trueScaleNorth, 40, 90, -180, 180);
    expectReferencePoints(PolarStereo(paramsOf(kTrueScaleSouth)), kTrueScaleSouthPoints);

    // A foot record (false origin in feet) gives the UPS points in feet.
    ProjectionSetup feet = kUpsNorth;
    feet.unit = 0.3048;
    feet.falseEasting /= 0.3048;
    feet.falseNorthing /= 0.3048;
    const PolarStereo inFeet(paramsOf(feet));
    for (ReferencePoint r : kUpsNorthPoints) {
        r.x /= 0.3048;
        r.y /= 0.3048;
        expectReferencePoints(inFeet, std::span(&r, 1));
    }
}

TEST(PolarStereo, BeyondThePoleOnTheCentralMeridian) {
    PolarStereo ups(paramsOf(kUpsNorth));
    // echo "2000000 2500000" | proj -I -f %.9f <UPS North>: 180.000000000 85.498684785
    double lat = 0, lon = 0;
    ASSERT_EQ(ups.Inverse(2000000, 2500000, lat, lon).release(), 0);
    EXPECT_NEAR(lat, 85.498684785 * kDeg, 1e-11);
    EXPECT_NEAR(std::fabs(lon), kPi, kAngleTolerance);
    // On this side of the pole and at the pole itself: the central meridian.
    ASSERT_EQ(ups.Inverse(2000000, 1500000, lat, lon).release(), 0);
    EXPECT_NEAR(lat, 85.498684785 * kDeg, 1e-11);
    EXPECT_EQ(lon, 0);
    ASSERT_EQ(ups.Inverse(2000000, 2000000, lat, lon).release(), 0);
    EXPECT_EQ(lat, kHalfPi);
    EXPECT_EQ(lon, 0);
}

TEST(PolarStereo, Scale) {
    // At the pole itself the scale is its limit k0.
    for (const ProjectionSetup& ups : {kUpsNorth, kUpsSouth}) {
        double k = 0;
        ASSERT_EQ(PolarStereo(paramsOf(ups)).PointScale(2000000, 2000000, k).release(), 0);
        EXPECT_NEAR(k, 0.994, 1e-15) << ups.referenceLatitude;
    }
    // echo "90 85" | proj -V <UPS North>: h = k = 0.99589479.
    PolarStereo upsNorth(paramsOf(kUpsNorth));
    EXPECT_NEAR(upsNorth.PrincipalScale1(85 * kDeg, kPi / 2), 0.99589479, 1e-8);
    // A latitude of true scale replaces k0: scale 1 there; echo "0 80" | proj -V <NSIDC>: 0.97728098;
    // echo "45 -80" | proj -V <Antarctic>: 0.98021408.
    PolarStereo trueScaleNorth(paramsOf(kTrueScaleNorth));
    EXPECT_NEAR(trueScaleNorth.PrincipalScale1(70 * kDeg, 0), 1.0, 1e-12);
    EXPECT_NEAR(trueScaleNorth.PrincipalScale1(80 * kDeg, 0), 0.97728098, 1e-8);
    // The record's k0 of 1 is replaced (copied out of the packed record before comparing).
    double replacedK0 = trueScaleNorth.Params().scaleFactor;
    EXPECT_NE(replacedK0, 1.0);
    PolarStereo trueScaleSouth(paramsOf(kTrueScaleSouth));
    EXPECT_NEAR(trueScaleSouth.PrincipalScale1(-71 * kDeg, 0), 1.0, 1e-12);
    double k = 0;
    ASSERT_EQ(trueScaleSouth.PointScale(770166.179002, 770166.179002, k).release(), 0);
    EXPECT_NEAR(k, 0.98021408, 1e-8);
    // The meridians are rays from the pole: echo "45 -80" | proj -V <kTrueScaleSouth> gives -45 deg.
    EXPECT_NEAR(trueScaleSouth.Convergence(-80 * kDeg, kPi / 4), kPi / 4, 1e-15);
}

}  // namespace
