#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <cmath>
#include <limits>

#include "geodesy/projections/ObliqueCylindrical.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

// CH1903 / LV03 on Bessel 1841.
GeodesyParams swissParams(double k0 = 1.0) {
    GeodesyParams p = wgs84Params(5);
    p.semiMajorAxis = 6377397.155;
    p.inverseFlattening = 299.1528128;
    p.scaleFactor = k0;
    p.referenceLatitude = 46.9524055555556 * kDeg;
    p.centralMeridian = 7.43958333333333 * kDeg;
    p.falseEasting = 600000;
    p.falseNorthing = 200000;
    return p;
}

TEST(ObliqueCylindrical, SwissReferencePoints) {
    // echo "<lon> <lat>" | proj -f %.4f +proj=somerc +lat_0=46.9524055555556
    //   +lon_0=7.43958333333333 +k_0=1 +x_0=600000 +y_0=200000 +ellps=bessel (PROJ 9.1.1)
    const ReferencePoint swiss[] = {
        {"origin", 46.9524055555556, 7.43958333333333, 600000, 200000},
        {"46.8N 7E", 46.8, 7, 566446.6281, 183153.2528},
        {"47.5N 9.5E", 47.5, 9.5, 755209.6481, 262912.6070},
        {"46.04413N 8.73050E", 46.044130556, 8.730497222, 699914.7404, 99864.9207},
        {"45.9N 6E", 45.9, 6, 488285.5454, 84047.2710},
    };
    checkReferencePoints(ObliqueCylindrical(swissParams()), swiss, 1e-3);
    // The same with +k_0=0.9996: 47.5N 9.5E -> 755147.5642, 262887.4420.
    const ReferencePoint scaled[] = {{"k0 0.9996", 47.5, 9.5, 755147.5642, 262887.4420}};
    checkReferencePoints(ObliqueCylindrical(swissParams(0.9996)), scaled, 1e-3);
    // The inverse's latitude iteration runs to its fixed point (to 0.1 mm), not 2 mm short:
    // echo "655668.64998 137033.13436" | invproj -f %.13f (the parameters above, PROJ 9.1.1).
    const ReferencePoint settled[] = {{"fixed point", 46.3836095436763, 8.1633086874459, 655668.64998, 137033.13436}};
    checkReferencePoints(ObliqueCylindrical(swissParams()), settled, 1e-4, 1.5e-11);
}

TEST(ObliqueCylindrical, ScaleTurnsAndFailures) {
    ObliqueCylindrical swiss(swissParams());
    // k0 at the origin; proj -V gives 1.00004864 at 47.5N 9.5E.
    double k = 0;
    ASSERT_EQ(swiss.PointScale(600000, 200000, k).release(), 0);
    EXPECT_NEAR(k, 1.0, 1e-12);
    ASSERT_EQ(ObliqueCylindrical(swissParams(0.9996)).PointScale(600000, 200000, k).release(), 0);
    EXPECT_NEAR(k, 0.9996, 1e-12);
    EXPECT_NEAR(scaleAt(swiss, 47.5, 9.5), 1.00004864, 1e-8);
    // With the origin 1e-5 degrees from the pole, 10 km from it along geodesics (GeographicLib) is
    // 10 km on the grid.
    GeodesyParams polar = swissParams();
    polar.referenceLatitude = 89.99999 * kDeg;
    polar.falseEasting = polar.falseNorthing = 0;
    double x = 0, y = 0, x2 = 0, y2 = 0;
    for (double azimuth : {0, 90, 225}) {
        double lat = 0, lon = 0;
        GeographicLib::Geodesic(polar.semiMajorAxis, 1 / polar.inverseFlattening)
            .Direct(89.99999, polar.centralMeridian / kDeg, azimuth, 10000, lat, lon);
        ASSERT_EQ(ObliqueCylindrical(polar).Forward(lat * kDeg, lon * kDeg, x, y).release(), 0);
        EXPECT_NEAR(std::hypot(x, y), 10000, 0.01) << azimuth;
    }
    // A full turn of longitude is the same point.
    ASSERT_EQ(swiss.Forward(47 * kDeg, 8 * kDeg, x, y).release(), 0);
    ASSERT_EQ(swiss.Forward(47 * kDeg, (8 - 360) * kDeg, x2, y2).release(), 0);
    EXPECT_NEAR(x, x2, 1e-6);
    EXPECT_NEAR(y, y2, 1e-6);
    // With the origin on the equator the rotated frame's pole is the north pole, where the
    // Mercator northing is infinite.
    GeodesyParams equator = swissParams();
    equator.referenceLatitude = 0;
    x = y = -1;
    EXPECT_EQ(ObliqueCylindrical(equator).Forward(kHalfPi, 0, x, y).release(), 6);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
    // A NaN is no grid point.
    double lat = -1, lon = -1;
    EXPECT_EQ(swiss.Inverse(600000, std::numeric_limits<double>::quiet_NaN(), lat, lon).release(), 10);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);
}

}  // namespace
