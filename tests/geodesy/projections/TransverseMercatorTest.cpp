#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/projections/TransverseMercator.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

struct GridCase {
    const char* what;
    double lat, lon;  // degrees
    double x, y;      // metres
    double xyTolerance = 1e-3;
};

GeodesyParams osgbParams() {
    // OSGB 36 National Grid on Airy 1830.
    GeodesyParams p = wgs84Params(3);
    p.semiMajorAxis = 6377563.396;
    p.inverseFlattening = 299.3249646;
    p.scaleFactor = 0.9996012717;
    p.centralMeridian = -2 * kDeg;
    p.referenceLatitude = 49 * kDeg;
    p.falseEasting = 400000;
    p.falseNorthing = -100000;
    return p;
}

void checkPoints(const TransverseMercator& tm, const GridCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const GridCase& c = cases[i];
        double x = 0, y = 0;
        ASSERT_EQ(tm.Forward(c.lat * kDeg, c.lon * kDeg, x, y).release(), 0) << c.what;
        EXPECT_NEAR(x, c.x, c.xyTolerance) << c.what;
        EXPECT_NEAR(y, c.y, c.xyTolerance) << c.what;
        double lat = 0, lon = 0;
        ASSERT_EQ(tm.Inverse(x, y, lat, lon).release(), 0) << c.what;
        EXPECT_NEAR(lat, c.lat * kDeg, 1e-11) << c.what;
        EXPECT_NEAR(lon, c.lon * kDeg, 1e-11) << c.what;
    }
}

TEST(TransverseMercator, ReferencePointsAndRoundTrip) {
    // echo "<lon> <lat>" | proj -f %.4f +proj=utm +zone=31 +ellps=WGS84 (PROJ 9.1.1)
    const GridCase utm[] = {
        {"45N 5E", 45, 5, 657630.6407, 4984896.1713},
        {"origin", 0, 3, 500000, 0},
        {"60N 4.5E", 60, 4.5, 583661.7469, 6652359.6819},
        {"33.5S 1.5E", -33.5, 1.5, 360665.6681, -3707726.0273},
    };
    checkPoints(TransverseMercator(utmParams(31)), utm, std::size(utm));
    // echo "-1.2 51.8" | proj -f %.4f +proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717
    //   +x_0=400000 +y_0=-100000 +ellps=airy (PROJ 9.1.1)
    const GridCase osgb[] = {{"51.8N 1.2W", 51.8, -1.2, 455159.1295, 211614.1042}};
    checkPoints(TransverseMercator(osgbParams()), osgb, std::size(osgb));
    // National zones far wider than UTM's, where the inverse series alone missed by up to 36 mm:
    // echo "lat lon" | cs2cs -f %.4f EPSG:4619 EPSG:3006 (SWEREF99 TM) and EPSG:4258 EPSG:3067
    // (TM35FIN), PROJ 9.1.1.
    GeodesyParams sweref = utmParams(33);
    sweref.inverseFlattening = 298.257222101;
    const GridCase swedish[] = {{"55.2422N 23.8872E", 55.2422, 23.8872, 1064272.0363, 6157817.2052, 3e-3},
                                {"68.79N 23.89E", 68.79, 23.89, 857873.0190, 7656895.2428, 3e-3}};
    checkPoints(TransverseMercator(sweref), swedish, std::size(swedish));
    GeodesyParams tm35fin = utmParams(35);
    tm35fin.inverseFlattening = 298.257222101;
    const GridCase finnish[] = {{"60.2N 19.33E", 60.2, 19.33, 75415.0315, 6698401.2472, 3e-3}};
    checkPoints(TransverseMercator(tm35fin), finnish, std::size(finnish));
}

TEST(TransverseMercator, ScaleAndConvergence) {
    TransverseMercator tm(utmParams(31));
    // proj -S +proj=utm +zone=31 +ellps=WGS84 at 45N 5E gives k 0.999906.
    double k = 0;
    ASSERT_EQ(tm.PointScale(657630.6407, 4984896.1713, k).release(), 0);
    EXPECT_NEAR(k, 0.99990554, 1e-8);
    EXPECT_NEAR(tm.Convergence(45 * kDeg, 5 * kDeg), -0.0246876961, 1e-10);
    EXPECT_EQ(tm.Convergence(45 * kDeg, 3 * kDeg), 0);
    EXPECT_EQ(tm.Convergence(0, 7 * kDeg), 0);
    ASSERT_EQ(tm.PointScale(500000, 3e6, k).release(), 0);
    EXPECT_NEAR(k, 0.9996, 1e-15);
}

TEST(TransverseMercator, PolesTurnsAndFailures) {
    TransverseMercator tm(utmParams(31));
    double x = -1, y = -1;
    EXPECT_EQ(tm.Forward(kHalfPi, 5 * kDeg, x, y).release(), 6);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
    // Beyond a pole (a degree value passed as radians, say) is refused, not projected.
    for (double lat : {1.6, -1.6, 45.0, std::nan("")}) {
        EXPECT_EQ(tm.Forward(lat, 5 * kDeg, x, y).release(), 10) << lat;
        EXPECT_EQ(x, -1);
    }
    // The south pole goes through the series: proj gives 500000, -9997964.9430.
    ASSERT_EQ(tm.Forward(-kHalfPi, 5 * kDeg, x, y).release(), 0);
    EXPECT_NEAR(x, 500000, 1e-3);
    EXPECT_NEAR(y, -9997964.943, 1e-3);
    // 353 deg east is 7 deg west, one turn away.
    double x2 = 0, y2 = 0;
    ASSERT_EQ(tm.Forward(50 * kDeg, 353 * kDeg, x, y).release(), 0);
    ASSERT_EQ(tm.Forward(50 * kDeg, -7 * kDeg, x2, y2).release(), 0);
    EXPECT_NEAR(x, x2, 1e-6);
    EXPECT_NEAR(y, y2, 1e-6);
    // A northing beyond the pole.
    double lat = -1, lon = -1;
    EXPECT_EQ(tm.Inverse(500000, 10100000, lat, lon).release(), 10);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);

    GeodesyParams p = utmParams(31);
    p.semiMajorAxis = 0;
    try {
        TransverseMercator bad(p);
        ADD_FAILURE() << "a = 0 built";
    } catch (erc& e) {
        EXPECT_EQ(e.release(), 7);
    }
}

}  // namespace
