#include <gtest/gtest.h>

#include <GeographicLib/TransverseMercatorExact.hpp>
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

TEST(TransverseMercator, FarFromTheCentralMeridianAgainstTheExactProjection) {
    // EPSG systems at the far corners of their areas of use (projinfo EPSG:<code>, PROJ 9.1.1),
    // where Redfearn's series alone were 2.2 mm to 12.9 cm off, and a point 44.69 degrees out
    // (1.58 km off), against GeographicLib's exact transverse Mercator (8 nm), forward and inverse.
    struct Case {
        const char* what;
        double a, rf, lat0, lon0, k0, fe, fn;
        double lat, lon;       // degrees
        double tolerance = 1e-4;  // metres on the ground
    };
    constexpr double kClarkeIgnA = 6378249.2, kClarkeIgnRf = 293.466021294, kIntlA = 6378388, kIntlRf = 297;
    const Case cases[] = {
        {"44.69 deg out", kWgs84A, kWgs84InvF, 0, 0, 1, 0, 0, 35.37, 44.69},
        {"EPSG 9377", 6378137, 298.257222101, 4, -73, 0.9992, 5e6, 2e6, 15.51, -84.77},
        {"EPSG 28232", kClarkeIgnA, kClarkeIgnRf, 0, 9, 0.9996, 5e5, 1e7, -6.91, 18.65},
        {"EPSG 3177", kIntlA, kIntlRf, 0, 17, 0.9965, 1e6, 0, 19.5, 26.21},
        {"EPSG 5629", kWgs84A, kWgs84InvF, 0, 45, 0.9996, 5e5, 1e7, -10.42, 35.99},
        {"EPSG 3006", 6378137, 298.257222101, 0, 15, 0.9996, 5e5, 0, 54.96, 24.17},
        {"EPSG 32766", kWgs84A, kWgs84InvF, 0, 36, 0.9996, 5e5, 1e7, -10.09, 43.03},
        {"EPSG 6646", 6378249.145, 293.465, 29.0262683333333, 46.5, 0.9994, 8e5, 0, 37.39, 38.79},
        {"EPSG 3893", kIntlA, kIntlRf, 29.0262683333333, 46.5, 0.9994, 8e5, 0, 37.39, 38.79},
        // Next to the edge of Krueger's reach, 65 degrees out on the equator: within 1 mm.
        {"65 deg out", kWgs84A, kWgs84InvF, 0, 0, 1, 0, 0, 0.5, 65, 1e-3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GeodesyParams p = wgs84Params(3);
        p.semiMajorAxis = c.a;
        p.inverseFlattening = c.rf;
        p.referenceLatitude = c.lat0 * kDeg;
        p.centralMeridian = c.lon0 * kDeg;
        p.scaleFactor = c.k0;
        p.falseEasting = c.fe;
        p.falseNorthing = c.fn;
        const TransverseMercator tm(p);
        const GeographicLib::TransverseMercatorExact exact(c.a, 1 / c.rf, c.k0);
        double ex, ey, x0, y0;
        exact.Forward(c.lon0, c.lat, c.lon, ex, ey);
        exact.Forward(c.lon0, c.lat0, c.lon0, x0, y0);
        ex += c.fe;
        ey += c.fn - y0;
        double x = 0, y = 0;
        ASSERT_EQ(tm.Forward(c.lat * kDeg, c.lon * kDeg, x, y).release(), 0);
        EXPECT_NEAR(x, ex, c.tolerance);
        EXPECT_NEAR(y, ey, c.tolerance);
        double lat = 0, lon = 0;
        ASSERT_EQ(tm.Inverse(ex, ey, lat, lon).release(), 0);
        EXPECT_NEAR(lat, c.lat * kDeg, c.tolerance / c.a);
        EXPECT_NEAR((lon - c.lon * kDeg) * std::cos(lat), 0, c.tolerance / c.a);
    }
}

TEST(TransverseMercator, ScaleAndConvergence) {
    TransverseMercator tm(utmParams(31));
    // echo "45 5" | TransverseMercatorProj -l 3 -k 0.9996 -p 12 (GeographicLib 2.1.2): k
    // 0.9999055363467522, convergence 1.4145037032684291 deg (grid north east of true north).
    double k = 0;
    ASSERT_EQ(tm.PointScale(657630.6407, 4984896.1713, k).release(), 0);
    EXPECT_NEAR(k, 0.99990553634675, 1e-11);
    EXPECT_NEAR(tm.Convergence(45 * kDeg, 5 * kDeg), -1.4145037032684291 * kDeg, 1e-13);
    // The same 60 degrees out ("45 63"): k 1.2641454701363373, convergence 50.8250140307946410.
    EXPECT_NEAR(tm.PrincipalScale1(45 * kDeg, 63 * kDeg), 1.2641454701363373, 1e-11);
    EXPECT_NEAR(tm.Convergence(45 * kDeg, 63 * kDeg), -50.8250140307946410 * kDeg, 1e-12);
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
    // Its convergence, the limit along the meridian 10 deg east: "-90 13" | TransverseMercatorProj
    // -l 3 -k 0.9996 gives -10 deg.
    EXPECT_NEAR(tm.Convergence(-kHalfPi, 13 * kDeg), 10 * kDeg, 1e-15);
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
    // Beyond a quarter turn of the central meridian, and where Krueger's series cannot hold a
    // millimetre (70 degrees out on the equator, next to the singular point at 82.6): refused,
    // both ways (echo "0 73" | TransverseMercatorProj -l 3 -k 0.9996: 11134054.52 m east).
    x = y = -1;
    for (double dl : {100.0, 70.0, -70.0}) {
        EXPECT_EQ(tm.Forward(10 * kDeg, (3 + dl) * kDeg, x, y).release(), 10) << dl;
        EXPECT_EQ(x, -1);
    }
    EXPECT_EQ(tm.Inverse(500000 + 11134054.52, 0, lat, lon).release(), 10);
    EXPECT_EQ(lat, -1);

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
