#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/erc.h"
#include "geodesy/projections/Angles.h"
#include "geodesy/projections/Ellipsoid.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

const double kWgs84F = 1 / kWgs84InvF;

TEST(Ellipsoid, TableRowsAndLookups) {
    EXPECT_STREQ(EllipsoidTable[0].name, "Airy");
    EXPECT_EQ(EllipsoidTable[0].a, 6377563.396);
    EXPECT_STREQ(EllipsoidTable[9].name, "Everest (Malay. & Sing)");
    EXPECT_EQ(EllipsoidTable[7].inverseFlattening, 293.466021294);
    EXPECT_STREQ(EllipsoidTable[28].name, "WGS-84");
    EXPECT_EQ(EllipsoidTable[kEllipsoidCount].name, nullptr);
    // The longest name fits the 24-byte buffer of GetGeodesyParams.
    for (int i = 0; i < kEllipsoidCount; ++i) EXPECT_LE(std::string(EllipsoidTable[i].name).size(), 23u);

    EXPECT_STREQ(Ellipsoid::NameOf(6378137.0, kWgs84F), "WGS-84");
    EXPECT_STREQ(Ellipsoid::NameOf(6378137.0, 1 / 298.257222101), "GRS-1980");
    // ATS-77 and WGS-72 share a; the flattening tells them apart.
    EXPECT_STREQ(Ellipsoid::NameOf(6378135.0, 1 / 298.26), "WGS-72");
    EXPECT_EQ(Ellipsoid::NameOf(6378137.0, 0.0), nullptr);
    EXPECT_EQ(Ellipsoid::NameOf(6378137.001, kWgs84F), nullptr);
    // The EPSG database derives 1/f from the semi-minor axis; the table states it to fewer places:
    // sqlite3 /usr/share/proj/proj.db "select semi_major_axis, semi_minor_axis from ellipsoid
    //   where code in (7008, 7011)" gives a = 6378206.4, b = 6356583.8 (Clarke 1866) and
    //   a = 6378249.2, b = 6356515.0 (Clarke 1880 (IGN)); 1/f = a / (a - b).
    EXPECT_STREQ(Ellipsoid::NameOf(6378206.4, (6378206.4 - 6356583.8) / 6378206.4), "Clarke 1866");
    EXPECT_STREQ(Ellipsoid::NameOf(6378249.2, (6378249.2 - 6356515.0) / 6378249.2), "Clarke 1880 (IGN)");
    // One unit in the last stated place off is another ellipsoid.
    EXPECT_EQ(Ellipsoid::NameOf(6378206.4, 1 / 294.9786983), nullptr);

    double a = -1, f = -1;
    EXPECT_STREQ(Ellipsoid::TableEntry(28, &a, &f), "WGS-84");
    EXPECT_EQ(a, 6378137.0);
    EXPECT_EQ(f, kWgs84F);
    for (int bad : {29, -1}) {
        a = -1;
        EXPECT_EQ(Ellipsoid::TableEntry(bad, &a, &f), nullptr);
        EXPECT_EQ(a, -1);
    }
    EXPECT_EQ(Ellipsoid(22).SemiMajorAxis(), 6378388.0);
    try {
        Ellipsoid outside(29);
        ADD_FAILURE() << "index 29 built";
    } catch (erc& e) {
        EXPECT_EQ(e.release(), 7);
    }
}

TEST(Ellipsoid, MeridianArc) {
    // Quarter meridian of WGS 84: GeodSolve -i -p 6 <<< "0 0 90 0" (GeographicLib 2.1.2) gives
    // 10001965.729313.
    EXPECT_NEAR(Wgs84Ellipsoid.MeridianArc(kHalfPi), 10001965.7293, 1e-3);
    EXPECT_EQ(Wgs84Ellipsoid.MeridianArc(0), 0);
    EXPECT_EQ(Wgs84Ellipsoid.MeridianArc(-0.7), -Wgs84Ellipsoid.MeridianArc(0.7));
}

TEST(Ellipsoid, EarthCentredCoordinates) {
    // echo "5 45 100" | cs2cs -f %.4f +proj=longlat +ellps=WGS84 +to +proj=cart +ellps=WGS84
    // (PROJ 9.1.1): 4500470.5233 393740.1513 4487419.1195
    double X, Y, Z;
    Wgs84Ellipsoid.GeoECEF(45 * kDeg, 5 * kDeg, 100, X, Y, Z);
    EXPECT_NEAR(X, 4500470.5233, 1e-4);
    EXPECT_NEAR(Y, 393740.1513, 1e-4);
    EXPECT_NEAR(Z, 4487419.1195, 1e-4);

    struct Case {
        double lat, lon, h;
    };
    for (Case c : std::vector<Case>{{45, 5, 100}, {-33.5, 151.2, -30}, {89.9, -120, 5000}, {0, 180, 0}, {-60, -1, 1e5}}) {
        Wgs84Ellipsoid.GeoECEF(c.lat * kDeg, c.lon * kDeg, c.h, X, Y, Z);
        double lat, lon, h;
        Wgs84Ellipsoid.ECEFGeo(X, Y, Z, lat, lon, h);
        EXPECT_NEAR(lat, c.lat * kDeg, 1e-9) << c.lat;
        EXPECT_NEAR(WrapLongitude(lon - c.lon * kDeg), 0, 1e-12) << c.lon;
        EXPECT_NEAR(h, c.h, 1e-3) << c.lat;
    }

    // Points on the polar axis; the centre counts as the south pole.
    const double polarRadius = 6356752.314245;
    double lat, lon, h;
    Wgs84Ellipsoid.ECEFGeo(0, 0, polarRadius, lat, lon, h);
    EXPECT_EQ(lat, kHalfPi);
    EXPECT_EQ(lon, 0);
    EXPECT_NEAR(h, 0, 1e-6);
    Wgs84Ellipsoid.ECEFGeo(0, 0, -polarRadius, lat, lon, h);
    EXPECT_EQ(lat, -kHalfPi);
    Wgs84Ellipsoid.ECEFGeo(0, 0, 0, lat, lon, h);
    EXPECT_EQ(lat, -kHalfPi);
    EXPECT_EQ(lon, 0);
    EXPECT_NEAR(h, -polarRadius, 1e-6);

    // Next to the polar axis, where p / cos lat - N is 0/0 in the limit:
    // printf "X Y Z\n" | CartConvert -r -p 9 (GeographicLib 2.1.2) gives the heights.
    struct NearAxis {
        double X, Y, Z, h;
    };
    const NearAxis nearAxis[] = {{0.11, 0, 6356852.314245, 99.999999821},
                                 {0.0001, 0, 6356852.314245, 99.999999820},
                                 {0, 0.0001, -6356702.314245, -50.000000179},
                                 {1000, 0, -6356752.3, 0.063884782}};
    for (NearAxis c : nearAxis) {
        ASSERT_TRUE(Wgs84Ellipsoid.ECEFGeo(c.X, c.Y, c.Z, lat, lon, h));
        EXPECT_NEAR(h, c.h, 1e-3) << c.X << " " << c.Y << " " << c.Z;
    }
    // 32 km from the centre several positions have the point on their normal (CartConvert -r
    // gives the nearest, 41.17755 N): no position, where the fixed point stopped at 22.54 N.
    EXPECT_FALSE(Wgs84Ellipsoid.ECEFGeo(31135.01727, -8150.351445, 0.002714, lat, lon, h));
    EXPECT_TRUE(std::isnan(lat));
}

TEST(Ellipsoid, GreatCircleAndRhumbLine) {
    struct Case {
        const char* what;
        bool rhumb;
        double lat1, lon1, lat2, lon2;
        double distance, azimuthDeg, distanceTolerance;
    };
    const Case cases[] = {
        // A short line takes the mid-latitude series, within 0.1 mm of the geodesic there:
        // echo "45 0 45.1 0.1" | GeodSolve -i -p 6: 13622.221330 m at 35.29615446712 deg. A
        // longer one the geodesic (the series was 23 mm long here):
        // echo "45 0 46 1" | GeodSolve -i -p 6: 135869.091247 m at 34.76040696425 deg.
        {"series", false, 45, 0, 45.1, 0.1, 13622.221330, 35.296154467, 1e-4},
        {"geodesic", false, 45, 0, 46, 1, 135869.091247, 34.760406964, 1e-6},
        // Across the antimeridian, the short way: echo "0 179 0 -179" | GeodSolve -i -p 6
        // (GeographicLib 2.1.2): 222638.981587 m at 90 deg.
        {"antimeridian", false, 0, 179, 0, -179, 222638.98, 90, 1e-2},
        // echo "10 179 11 -179" | RhumbSolve -i -p 6 (GeographicLib 2.1.2):
        // 63.19571603785 deg, 245287.926040 m.
        {"rhumb antimeridian", true, 10, 179, 11, -179, 245287.926, 63.195716, 1e-3},
        // Along the equator the rhumb line is the equator: N cos 0 |dlon| = a * 2 deg.
        {"rhumb parallel", true, 0, 179, 0, -179, 6378137.0 * 2 * kDeg, 90, 1e-6},
    };
    for (const Case& c : cases) {
        double azimuth = 0;
        double d = c.rhumb ? Wgs84Ellipsoid.RLineLL(c.lat1 * kDeg, c.lon1 * kDeg, c.lat2 * kDeg, c.lon2 * kDeg, &azimuth)
                           : Wgs84Ellipsoid.GCircLL(c.lat1 * kDeg, c.lon1 * kDeg, c.lat2 * kDeg, c.lon2 * kDeg, &azimuth);
        EXPECT_NEAR(d, c.distance, c.distanceTolerance) << c.what;
        EXPECT_NEAR(azimuth / kDeg, c.azimuthDeg, 1e-6) << c.what;
    }

    // A meridian rhumb line is the meridian arc, azimuth pi going south (the e2^3 series of
    // MeridianArc is 0.27 mm longer here): echo "50 3 40 3" | RhumbSolve -i -p 6: 1111318.011334 m.
    double azimuth = 0;
    double d = Wgs84Ellipsoid.RLineLL(50 * kDeg, 3 * kDeg, 40 * kDeg, 3 * kDeg, &azimuth);
    EXPECT_NEAR(d, 1111318.011334, 1e-6);
    EXPECT_NEAR(d, Wgs84Ellipsoid.MeridianArc(50 * kDeg) - Wgs84Ellipsoid.MeridianArc(40 * kDeg), 3e-4);
    EXPECT_EQ(azimuth, kPi);
    // Equal points: 0 and azimuth atan2(0, 0) = 0; no azimuth asked: the distance alone.
    azimuth = 1;
    EXPECT_EQ(Wgs84Ellipsoid.GCircLL(0.5, 0.5, 0.5, 0.5, &azimuth), 0);
    EXPECT_EQ(azimuth, 0);
    EXPECT_NEAR(Wgs84Ellipsoid.GCircLL(45 * kDeg, 0, 46 * kDeg, 1 * kDeg), 135869.091247, 1e-6);

    // Nearly east-west rhumb lines tend to the parallel's arc (latitudes in radians):
    // echo "40.10704565915762 0 40.10704565915762 10" | RhumbSolve -i -p 6: 852603.636864 m;
    // echo "40.10704565915762 0 40.10704565973058 10" | RhumbSolve -i -p 6: 852603.636861 m.
    struct NearParallel {
        double lat1, lat2, distance;
    };
    for (NearParallel c : {NearParallel{0.7, std::nextafter(0.7, 1.0), 852603.636864},
                           NearParallel{0.7, 0.7 + 1e-11, 852603.636861}}) {
        EXPECT_NEAR(Wgs84Ellipsoid.RLineLL(c.lat1, 0, c.lat2, 10 * kDeg), c.distance, 1e-3) << c.lat2 - c.lat1;
        EXPECT_NEAR(Wgs84Ellipsoid.RLineLL(c.lat2, 10 * kDeg, c.lat1, 0), c.distance, 1e-3) << c.lat2 - c.lat1;
    }
}

}  // namespace
