#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geodesy/projections/Polyconic.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

// South American 1969 ellipsoid, origin on the equator at 54W, false origin 5e6, 1e7.
GeodesyParams brazilParams() {
    GeodesyParams p = wgs84Params(17);
    p.semiMajorAxis = 6378160;
    p.inverseFlattening = 298.25;
    p.centralMeridian = -54 * kDeg;
    p.falseEasting = 5e6;
    p.falseNorthing = 1e7;
    return p;
}

GeodesyParams clarkeParams() {
    GeodesyParams p = wgs84Params(17);
    p.semiMajorAxis = 6378206.4;
    p.inverseFlattening = 294.9786982;
    p.referenceLatitude = 30 * kDeg;
    p.centralMeridian = -96 * kDeg;
    return p;
}

TEST(Polyconic, ReferencePoints) {
    // echo "<lon> <lat>" | proj -f %.4f +proj=poly +lat_0=0 +lon_0=-54 +x_0=5000000
    //   +y_0=10000000 +a=6378160 +rf=298.25, and +lat_0=30 +lon_0=-96 +ellps=clrk66 (PROJ 9.1.1)
    const ReferencePoint brazil[] = {
        {"equator 24W", 0, -24, 8339596.7666, 10000000.0000},
        {"10S 50W", -10, -50, 5438548.2967, 8891483.0788},
        {"5N 60W", 5, -60, 4334614.6007, 10555923.8385},
    };
    const ReferencePoint clarke[] = {
        {"40N 75W", 40, -75, 1776774.5402, 1319657.7760},
        {"35N 90W", 35, -90, 547412.3893, 570907.0072},
    };
    Polyconic poly(brazilParams());
    checkReferencePoints(poly, brazil, 1e-3);
    checkReferencePoints(Polyconic(clarkeParams()), clarke, 1e-3);

    // 1e-5 deg north of the equator, 30 deg from the central meridian. PROJ gives 8339596.7666,
    // 10000001.2599, but evaluates N cot lat (1 - cos E), which loses 1.58 mm to cancellation
    // here: the term is 0.1525949025 m (mpmath at 40 digits), 0.1541742585 m in doubles. The
    // northing is PROJ's less that loss.
    double x = 0, y = 0;
    ASSERT_EQ(poly.Forward(1e-5 * kDeg, -24 * kDeg, x, y).release(), 0);
    EXPECT_NEAR(x, 8339596.7666, 1e-3);
    EXPECT_NEAR(y, 10000001.2599 - 0.0015793560, 2e-4);

    // Near the equator the inverse longitude once took Newton's previous pass (4.5 deg off at
    // 1e-12 deg); round trips there.
    for (double lat : {1e-5, -1e-9, 1e-12}) {
        double back = 0, lon = 0;
        ASSERT_EQ(poly.Forward(lat * kDeg, -24 * kDeg, x, y).release(), 0);
        ASSERT_EQ(poly.Inverse(x, y, back, lon).release(), 0);
        EXPECT_NEAR(back, lat * kDeg, kRoundTripRad) << lat;
        EXPECT_NEAR(lon, -24 * kDeg, kRoundTripRad) << lat;
    }
    // The equator itself both ways by its own branch.
    double lat = -1, lon = 0;
    ASSERT_EQ(poly.Inverse(8339596.7666, 1e7, lat, lon).release(), 0);
    EXPECT_EQ(lat, 0);
    EXPECT_NEAR(lon, -24 * kDeg, 1e-10);
}

TEST(Polyconic, ScaleTurnsAndFailures) {
    Polyconic poly(clarkeParams());
    // True scale on the central meridian, at the origin and on the equator; proj -V gives the
    // meridian scale 1.03939543 at 40N 75W, and the parallel scale 1.
    EXPECT_NEAR(scaleAt(poly, 30, -96), 1.0, 1e-15);
    const Polyconic brazil(brazilParams());
    EXPECT_NEAR(brazil.PrincipalScale2(0, -54 * kDeg), 1.0, 1e-15);
    // On the equator 30 deg out: proj -V gives h 1.13800170 at 1e-7 deg on either side (and
    // 1.13800143 on the equator itself, 2.7e-7 off its values next to it).
    EXPECT_NEAR(brazil.PrincipalScale2(0, -24 * kDeg), 1.13800170, 1e-8);
    EXPECT_NEAR(poly.PrincipalScale2(40 * kDeg, -75 * kDeg), 1.03939543, 1e-8);
    EXPECT_EQ(poly.PrincipalScale1(40 * kDeg, -75 * kDeg), 1.0);
    EXPECT_NEAR(scaleAt(poly, 40, -75), std::sqrt(1.03939543), 1e-8);
    // A full turn of longitude is the same point.
    double x = 0, y = 0, x2 = 0, y2 = 0;
    ASSERT_EQ(poly.Forward(40 * kDeg, -75 * kDeg, x, y).release(), 0);
    ASSERT_EQ(poly.Forward(40 * kDeg, (-75 + 360) * kDeg, x2, y2).release(), 0);
    EXPECT_NEAR(x, x2, 1e-6);
    EXPECT_NEAR(y, y2, 1e-6);
    // A NaN is no grid point.
    double lat = -1, lon = -1;
    EXPECT_EQ(poly.Inverse(0, std::numeric_limits<double>::quiet_NaN(), lat, lon).release(), 10);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);
}

}  // namespace
