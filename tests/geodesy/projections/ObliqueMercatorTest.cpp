#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geodesy/projections/ObliqueMercator.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

constexpr double kBorneoAlpha = 53.31582047222222;  // 53d18'56.9537"

// Centre 4N 115E, skew azimuth 53d18'56.9537", k0 0.99984 on WGS 84.
GeodesyParams borneoParams(int id) {
    GeodesyParams p = wgs84Params(id);
    p.referenceLatitude = 4 * kDeg;
    p.centralMeridian = 115 * kDeg;
    p.skewAzimuth = kBorneoAlpha * kDeg;
    p.scaleFactor = 0.99984;
    p.falseEasting = 590476.87;
    p.falseNorthing = 442857.65;
    return p;
}

// The Hotine grid is PROJ's omerc turned by the skew azimuth (+gamma=alpha), the RSO grid the
// same turned by gamma0 = asin(sin alphac / D) (53.13011280486688 deg here, from the centre's
// constants). PROJ 9.1.1:
// echo "<lon> <lat>" | proj -f %.4f +proj=omerc +ellps=WGS84 +lat_0=4 +lonc=115
//   +alpha=53.31582047222222 +k_0=0.99984 +x_0=590476.87 +y_0=442857.65 +no_uoff
//   +gamma=53.31582047222222 (Hotine) or +gamma=53.13011280486688 (RSO)
TEST(ObliqueMercator, HotineAndRsoReferencePoints) {
    const ReferencePoint hotine[] = {
        {"5d23'14.1129N 115d48'19.8196E", 5.387253583333333, 115.80550544444444, 1271709.0069, 1037260.2980},
        {"2N 112E", 2, 112, 848668.2172, 663208.1028},
        {"7N 118E", 7, 118, 1514062.4153, 1216253.0729},
        {"centre", 4, 115, 1182430.6405, 883832.1841},
        {"10S 100E", -10, 100, -482218.2581, -663224.1891},
        {"20N 140E", 20, 140, 3826340.8531, 2752642.2883},
    };
    const ReferencePoint rso[] = {
        {"5d23'14.1129N 115d48'19.8196E", 5.387253583333333, 115.80550544444444, 1269778.8480, 1039465.1885},
        {"2N 112E", 2, 112, 847952.6601, 664043.7963},
        {"7N 118E", 7, 118, 1511550.8312, 1219242.5402},
        {"centre", 4, 115, 1180998.2425, 885748.5111},
        {"10S 100E", -10, 100, -478627.5860, -666695.2035},
        {"20N 140E", 20, 140, 3818837.3715, 2763118.2528},
    };
    checkReferencePoints(Hotine(borneoParams(6)), hotine, 1e-3);
    checkReferencePoints(RSO(borneoParams(7)), rso, 1e-3);

    // Southern centre on the International ellipsoid, RSO (gamma0 -17.240624819735515 deg):
    // proj +proj=omerc +ellps=intl +lat_0=-30 +lonc=150 +alpha=-20
    //   +gamma=-17.240624819735515 +no_uoff
    GeodesyParams p = wgs84Params(7);
    p.semiMajorAxis = 6378388;
    p.inverseFlattening = 297;
    p.referenceLatitude = -30 * kDeg;
    p.centralMeridian = 150 * kDeg;
    p.skewAzimuth = -20 * kDeg;
    const ReferencePoint south[] = {
        {"centre", -30, 150, 1037646.6035, -3343699.9971},
        {"25S 145E", -25, 145, 559426.6827, -2775827.0782},
        {"33.5S 157E", -33.5, 157, 1667713.3057, -3784373.8386},
    };
    checkReferencePoints(RSO(p), south, 1e-3);

    // Grid in US survey feet: the same command with +to_meter=0.3048006096012192 and no false
    // origin gives 2235009.1024, 1950136.0209.
    GeodesyParams feet = borneoParams(6);
    feet.unitFactor = 0.3048006096012192;
    feet.falseEasting = feet.falseNorthing = 0;
    const ReferencePoint inFeet[] = {
        {"feet", 5.387253583333333, 115.80550544444444, 2235009.1024, 1950136.0209}};
    checkReferencePoints(Hotine(feet), inFeet, 1e-3);
}

TEST(ObliqueMercator, CentreOnTheEquatorStaysFinite) {
    // proj +proj=omerc +ellps=intl +lat_0=0 +lonc=10 +alpha=30 +no_uoff: 1E 11N -> 111310.5798,
    // 110584.8711. D is 1 here and D^2 - 1 rounds below 0 on many ellipsoids.
    GeodesyParams p = wgs84Params(6);
    p.semiMajorAxis = 6378388;
    p.inverseFlattening = 297;
    p.centralMeridian = 10 * kDeg;
    p.skewAzimuth = 30 * kDeg;
    const ReferencePoint intl[] = {{"1N 11E", 1, 11, 111310.5798, 110584.8711}};
    checkReferencePoints(Hotine(p), intl, 1e-3);
    for (int i = 0; i < kEllipsoidCount; ++i) {
        SCOPED_TRACE(EllipsoidTable[i].name);
        p.semiMajorAxis = EllipsoidTable[i].a;
        p.inverseFlattening = EllipsoidTable[i].inverseFlattening;
        double x = 0, y = 0;
        ASSERT_EQ(Hotine(p).Forward(1 * kDeg, 11 * kDeg, x, y).release(), 0);
        EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
    }
}

TEST(ObliqueMercator, PolesTurnsAndScale) {
    Hotine hom(borneoParams(6));
    // Both poles by their limit; proj (command above, Hotine) gives
    // 0E 90N -> 4425462.5571, 12006996.7743 and 0E 90S -> -3244508.8171, -11121281.4743.
    const ReferencePoint poles[] = {{"north pole", 90, 0, 4425462.5571, 12006996.7743},
                                    {"south pole", -90, 0, -3244508.8171, -11121281.4743}};
    for (const ReferencePoint& c : poles) {
        double x = 0, y = 0;
        ASSERT_EQ(hom.Forward(c.lat * kDeg, c.lon * kDeg, x, y).release(), 0) << c.what;
        EXPECT_NEAR(x, c.x, 1e-3) << c.what;
        EXPECT_NEAR(y, c.y, 1e-3) << c.what;
    }
    // One turn of longitude is the same point.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ASSERT_EQ(hom.Forward(6 * kDeg, 117 * kDeg, x1, y1).release(), 0);
    ASSERT_EQ(hom.Forward(6 * kDeg, (117 - 360) * kDeg, x2, y2).release(), 0);
    EXPECT_NEAR(x1, x2, 1e-6);
    EXPECT_NEAR(y1, y2, 1e-6);

    // On the centre line at the centre the scale is k0; proj -V gives 0.99990012 at the first
    // reference point.
    EXPECT_NEAR(scaleAt(hom, 4, 115), 0.99984, 1e-12);
    EXPECT_NEAR(scaleAt(hom, 5.387253583333333, 115.80550544444444), 0.99990012, 1e-8);
    RSO rso(borneoParams(7));
    EXPECT_NEAR(scaleAt(rso, 5.387253583333333, 115.80550544444444), 0.99990012, 1e-8);
    EXPECT_EQ(hom.PrincipalScale2(0.1, 2.0), hom.PrincipalScale1(0.1, 2.0));
}

TEST(ObliqueMercator, Failures) {
    // No centre line through a pole, also when the pole comes through the truncated degree factor.
    GeodesyParams p = borneoParams(6);
    for (double lat0 : {kHalfPi, -kHalfPi, 90 * 0.01745329251994}) {
        p.referenceLatitude = lat0;
        EXPECT_EQ(constructionCode<Hotine>(p), 7) << lat0;
        EXPECT_EQ(constructionCode<RSO>(p), 7) << lat0;
    }
    // A centre line along the equator: the poles lie 90 degrees off it.
    GeodesyParams equator = wgs84Params(6);
    equator.skewAzimuth = 90 * kDeg;
    Hotine along(equator);
    double x = -1, y = -1;
    EXPECT_EQ(along.Forward(kHalfPi, 0, x, y).release(), 6);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
    // A NaN is no grid point.
    double lat = -1, lon = -1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Hotine(borneoParams(6)).Inverse(nan, 0, lat, lon).release(), 10);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);
}

}  // namespace
