#include <GeographicLib/Geodesic.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geodesy/SetupRanges.h"
#include "geodesy/projections/AZA.h"
#include "geodesy/projections/AzimuthEqDist.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

constexpr double kGrs80InvF = 298.257222101;
constexpr double kUsFoot = 0.3048;  // the international foot of PROJ's +to_meter=0.3048

// ETRS89 / LAEA Europe: centre 52N 10E, false origin 4321000, 3210000 on GRS 1980.
GeodesyParams laeaEuropeParams() {
    GeodesyParams p = wgs84Params(13);
    p.inverseFlattening = kGrs80InvF;
    p.referenceLatitude = 52 * kDeg;
    p.centralMeridian = 10 * kDeg;
    p.falseEasting = 4321000;
    p.falseNorthing = 3210000;
    return p;
}

GeodesyParams polarParams(int id, double lat0, double falseOrigin = 0) {
    GeodesyParams p = wgs84Params(id);
    p.referenceLatitude = lat0 * kDeg;
    p.falseEasting = p.falseNorthing = falseOrigin;
    return p;
}

TEST(AZA, ObliqueReferencePoints) {
    // EPSG Guidance Note 7-2 worked example (method 9820): 50N 5E -> 3962799.45, 2999718.85.
    // The others, and more digits: echo "<lon> <lat>" | proj -f %.4f +proj=laea +lat_0=52
    //   +lon_0=10 +x_0=4321000 +y_0=3210000 +ellps=GRS80 (PROJ 9.1.1)
    const ReferencePoint europe[] = {
        {"EPSG example 50N 5E", 50, 5, 3962799.4510, 2999718.8532},
        {"40N 10W", 40, -10, 2626483.0818, 2103594.6166},
        {"65N 30E", 65, 30, 5255425.6325, 4790028.9611},
        {"10N 60W", 10, -60, -2875248.7958, 1980511.8729},
    };
    AZA laea(laeaEuropeParams());
    checkReferencePoints(laea, europe, 1e-3);
    // The false origin is the centre (the oblique formulas are 0/0 there).
    double lat = 0, lon = 0;
    ASSERT_EQ(laea.Inverse(4321000, 3210000, lat, lon).release(), 0);
    EXPECT_EQ(lat, 52 * kDeg);
    EXPECT_EQ(lon, 10 * kDeg);
    double x = 0, y = 0;
    // Within a few units in the last place of R (the 32-bit build's x87 rounds differently).
    ASSERT_EQ(laea.Forward(52 * kDeg, 10 * kDeg, x, y).release(), 0);
    EXPECT_NEAR(x, 4321000, 1e-8);
    EXPECT_NEAR(y, 3210000, 1e-8);
}

TEST(AZA, PolarReferencePointsAndPoles) {
    // echo "<lon> <lat>" | proj -f %.4f +proj=laea +lat_0=90 +lon_0=0 +x_0=2000000
    //   +y_0=2000000 +ellps=WGS84, and +lat_0=-90 without false origin (PROJ 9.1.1)
    const ReferencePoint north[] = {
        {"89.99N 45E", 89.99, 45, 2000789.7957, 1999210.2043},
        {"70N 120W", 70, -120, 75976.5726, 3110835.4437},
        {"equator 30E", 0, 30, 6504982.3806, -5802858.3704},
    };
    const ReferencePoint south[] = {
        {"75S 60E", -75, 60, 1446478.9425, 835125.0068},
        {"89.99S 100W", -89.99, -100, -1099.9710, -193.9546},
    };
    AZA northPolar(polarParams(13, 90, 2000000));
    checkReferencePoints(northPolar, north, 1e-3);
    checkReferencePoints(AZA(polarParams(13, -90)), south, 1e-3);

    // The pole is the false origin both ways; a point 11 m from it still resolves its latitude.
    double x = 0, y = 0, lat = 0, lon = 0;
    ASSERT_EQ(northPolar.Forward(kHalfPi, 0.3, x, y).release(), 0);
    EXPECT_NEAR(x, 2000000, 1e-9);
    EXPECT_NEAR(y, 2000000, 1e-9);
    ASSERT_EQ(northPolar.Inverse(2000000, 2000000, lat, lon).release(), 0);
    EXPECT_EQ(lat, kHalfPi);
    for (double latitude : {89.99, 89.9999}) {
        ASSERT_EQ(northPolar.Forward(latitude * kDeg, 0.3, x, y).release(), 0);
        ASSERT_EQ(northPolar.Inverse(x, y, lat, lon).release(), 0);
        EXPECT_NEAR(lat, latitude * kDeg, kRoundTripRad) << latitude;
        EXPECT_NEAR(lon, 0.3, kRoundTripRad) << latitude;
    }
}

TEST(AZA, GridUnitInBothAspects) {
    // The same commands with +to_meter=0.3048 and no false origin:
    // laea 52N 10E: 50N 5E -> -1175198.6517, -689898.7757; laea 90N: 70N 120W -> -6312412.8196,
    // 3644473.2406.
    GeodesyParams oblique = laeaEuropeParams();
    oblique.unitFactor = kUsFoot;
    oblique.falseEasting = oblique.falseNorthing = 0;
    GeodesyParams polar = polarParams(13, 90);
    polar.unitFactor = kUsFoot;
    const ReferencePoint obliqueFeet[] = {{"50N 5E", 50, 5, -1175198.6517, -689898.7757}};
    const ReferencePoint polarFeet[] = {{"70N 120W", 70, -120, -6312412.8196, 3644473.2406}};
    checkReferencePoints(AZA(oblique), obliqueFeet, 1e-3);
    checkReferencePoints(AZA(polar), polarFeet, 1e-3);
}

TEST(AZA, ScaleAndFailures) {
    AZA laea(laeaEuropeParams());
    AZA northPolar(polarParams(13, 90));
    // Equal area everywhere, the poles included.
    for (const AZA* p : {&laea, &northPolar})
        for (double lat : {52.0, 0.0, 89.0, 90.0, -60.0}) EXPECT_NEAR(scaleAt(*p, lat, 20), 1.0, 1e-12) << lat;
    // Also at the antipode of an equatorial centre, the rim at x = 2a, where the principal scales
    // are infinite and 0.
    double k = 0;
    ASSERT_EQ(AZA(polarParams(13, 0)).PointScale(2 * 6378137.0, 0, k).release(), 0);
    EXPECT_NEAR(k, 1.0, 1e-12);
    // Each principal scale, which the point scale above cannot see: the Tissot semi-axes of
    // ./proj_factors (PROJ 9.1.1's proj_factors, numerical differences: the area scale is 1 within
    // 2e-8), with +proj=laea +lat_0=90 (and -90, its rows mirrored) +ellps=WGS84, good to 1e-9
    // out to 89.9 degrees for the parallel (slot 5), 89 for the meridian (slot 6), and at and
    // next to the pole the limit 1 of both (the parallel scale is 1 + colat^2 / 8 there, 4e-13 off
    // 1 at 89.9999); +lat_0=52 +lon_0=10 +ellps=GRS80 and +lat_0=0 +lon_0=0 +ellps=WGS84, where
    // meridian and parallel are no principal directions (at 50N 5E: scales 1.000236 along the
    // meridian, 0.999765 along the parallel, but Tissot's 1.000497 and 0.999503); and the true
    // scale at a centre 11 m from the pole.
    const struct {
        double lat0, lat, lon, larger, smaller, tolerance;
    } principalScales[] = {{90, 60, 0.3, 1.035255325855, 0.965945284102, 1e-9},
                           {90, 89, 0.3, 1.000038078332, 0.999961924078, 1e-9},
                           {90, 89.9, 0.3, 1.000000380892, 0, 1e-9},
                           {90, 89.9999, 0.3, 1, 1, 1e-9},
                           {90, 90, 0.3, 1, 1, 1e-9},
                           {52, 50, 5, 1.000497009573, 0.999503237259, 1e-9},
                           {52, 10, -60, 1.219082240904, 0.820289203122, 1e-9},
                           {52, -30, 150, 3.177265175833, 0.314736084174, 1e-9},
                           {52, -45, -150, 7.685836762493, 0.130109447875, 1e-7},
                           {0, 45, 60, 1.215885281868, 0.822446011005, 1e-9},
                           {0, -70, -100, 1.459800264606, 0.685025221655, 1e-9},
                           {89.9999, 89.9999, 0, 1, 1, 1e-10}};
    for (const auto& r : principalScales)
        for (double side : {1.0, -1.0}) {
            if (side < 0 && r.lat0 != 90) continue;
            const AZA p(r.lat0 == 52 ? laeaEuropeParams() : polarParams(13, side * r.lat0));
            const double lat = side * r.lat * kDeg;
            SCOPED_TRACE(testing::Message() << side * r.lat0 << ": " << lat / kDeg << " " << r.lon);
            EXPECT_NEAR(p.PrincipalScale1(lat, r.lon * kDeg), r.larger, r.tolerance);
            if (r.smaller != 0) {
                EXPECT_NEAR(p.PrincipalScale2(lat, r.lon * kDeg), r.smaller, r.tolerance);
            }
        }

    const double nan = std::numeric_limits<double>::quiet_NaN();
    double x = -1, y = -1, lat = -1, lon = -1;
    // The antipode of the centre has no single image.
    EXPECT_EQ(laea.Forward(-52 * kDeg, -170 * kDeg, x, y).release(), 6);
    // Outside the disk of radius 2R (12.7e6 m).
    EXPECT_EQ(laea.Inverse(4321000 + 13e6, 3210000, lat, lon).release(), 10);
    EXPECT_EQ(northPolar.Inverse(0, -13e6, lat, lon).release(), 10);
    EXPECT_EQ(laea.Inverse(nan, 3210000, lat, lon).release(), 10);  // a NaN is no grid point
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);
}

// Guam-centred azimuthal equidistant on WGS 84, false origin 100000, 200000.
GeodesyParams guamParams() {
    GeodesyParams p = wgs84Params(8);
    p.referenceLatitude = 13.47246635 * kDeg;
    p.centralMeridian = 144.7487507 * kDeg;
    p.falseEasting = 100000;
    p.falseNorthing = 200000;
    return p;
}

TEST(AzimuthEqDist, ReferencePointsNearTheCentre) {
    // echo "<lon> <lat>" | proj -f %.4f +proj=aeqd +lat_0=13.47246635 +lon_0=144.7487507
    //   +x_0=100000 +y_0=200000 +ellps=WGS84 (PROJ 9.1.1, exact geodesics; the series agree to
    //   1 mm within about 35 km of the centre, and along the meridian much farther)
    const ReferencePoint guam[] = {
        {"due south, 107 km", 12.5, 144.7487507, 100000.0000, 92415.6654},
        {"due north, 58 km", 14, 144.7487507, 100000.0000, 258364.6968},
        {"13.6N 144.9E", 13.6, 144.9, 116367.9445, 214114.7512},
        {"13.3N 144.6E", 13.3, 144.6, 83882.3963, 180924.2435},
        {"centre", 13.47246635, 144.7487507, 100000, 200000},
    };
    AzimuthEqDist aeqd(guamParams());
    checkReferencePoints(aeqd, guam, 1e-3);
    double lat = 0, lon = 0;
    ASSERT_EQ(aeqd.Inverse(100000, 200000, lat, lon).release(), 0);
    EXPECT_EQ(lat, 13.47246635 * kDeg);
    EXPECT_EQ(lon, 144.7487507 * kDeg);

    // EPSG Guidance Note 7-2 worked example (method 9832, Guam 1963 / Yap Islands, Clarke 1866):
    // 9d35'47.493"N 138d11'34.908"E -> 42665.90, 65509.82; PROJ's aeqd gives 42665.9040,
    // 65509.8225.
    GeodesyParams yap = wgs84Params(8);
    yap.semiMajorAxis = 6378206.4;
    yap.inverseFlattening = 294.9786982;
    yap.referenceLatitude = (9 + 32 / 60.0 + 48.15 / 3600) * kDeg;
    yap.centralMeridian = (138 + 10 / 60.0 + 7.48 / 3600) * kDeg;
    yap.falseEasting = 40000;
    yap.falseNorthing = 60000;
    const ReferencePoint yapPoint[] = {{"EPSG example", 9 + 35 / 60.0 + 47.493 / 3600,
                                        138 + 11 / 60.0 + 34.908 / 3600, 42665.9040, 65509.8225}};
    checkReferencePoints(AzimuthEqDist(yap), yapPoint, 1e-3);

    // Far from the centre, by the exact geodesic: echo "<lon> <lat>" | proj -f %.4f +proj=aeqd
    //   +lat_0=50 +lon_0=10 +ellps=WGS84 (PROJ 9.1.1). The series gave 13.4 m off at 1000 km
    //   and (3283993.30, -2926142.36) for 60S 120E.
    GeodesyParams europe = wgs84Params(8);
    europe.referenceLatitude = 50 * kDeg;
    europe.centralMeridian = 10 * kDeg;
    const ReferencePoint far[] = {{"100 km", 50.5, 11, 70948.2109, 56092.3972},
                                  {"1000 km", 45, 20, 787281.0689, -504427.6902},
                                  {"60S 120E", -60, 120, 11594753.1615, -10470172.8137},
                                  {"next to the antipode", -49.9, -169.9, -3662595.2230, 19653790.2089}};
    AzimuthEqDist centredOnEurope(europe);
    checkReferencePoints(centredOnEurope, far, 1e-3);
    // Beyond the antipode's neighbourhood the grid holds no point: the geodesic from the centre
    // is no longer the shortest there (its farthest reach is half a meridian, 20004 km).
    EXPECT_EQ(centredOnEurope.Inverse(0, -20100000, lat, lon).release(), 10);
    EXPECT_EQ(centredOnEurope.Inverse(20100000, 0, lat, lon).release(), 10);

    // The flattest and largest ellipsoid the set-up accepts, where the series fall short most (a
    // centre on the equator, azimuths off the axes): just within their reach (21 km there) they
    // hold both ways to the stated 0.2 mm of GeographicLib's geodesic (0.11 mm seen), and beyond
    // it the geodesic serves (the series would be 0.3 mm off at 30 km, 0.8 mm at 40 km). Centres
    // off the equator and azimuths near the meridian hold the inverse's latitude terms.
    const double flatA = setupranges::kMaxSemiMajorAxis, flatF = 1 / setupranges::kMinInverseFlattening;
    const GeographicLib::Geodesic geodesic(flatA, flatF);
    const struct {
        double centreLat, azimuth, distance;  // degrees, degrees, metres
    } flattest[] = {{0, 225, 20900},  {0, 45, 20900},   {0, 225, 30000},  {0, 225, 40000},
                    {45, 225, 20900}, {45, 135, 40000}, {60, 0, 20900},   {-70, 170, 20900}};
    for (const auto& r : flattest) {
        SCOPED_TRACE(testing::Message() << r.centreLat << " " << r.azimuth << " " << r.distance);
        GeodesyParams flat = wgs84Params(8);
        flat.semiMajorAxis = flatA;
        flat.inverseFlattening = 1 / flatF;
        flat.referenceLatitude = r.centreLat * kDeg;
        const AzimuthEqDist aeqd(flat);
        double pointLat = 0, pointLon = 0, x = 0, y = 0;
        geodesic.Direct(r.centreLat, 0, r.azimuth, r.distance, pointLat, pointLon);
        const double wantX = r.distance * std::sin(r.azimuth * kDeg), wantY = r.distance * std::cos(r.azimuth * kDeg);
        ASSERT_EQ(aeqd.Forward(pointLat * kDeg, pointLon * kDeg, x, y).release(), 0);
        EXPECT_LT(std::hypot(x - wantX, y - wantY), 2e-4);
        ASSERT_EQ(aeqd.Inverse(wantX, wantY, lat, lon).release(), 0);
        EXPECT_LT(flatA * std::hypot(lat - pointLat * kDeg, (lon - pointLon * kDeg) * std::cos(lat)), 2e-4);
    }
}

TEST(AzimuthEqDist, EquatorialAndPolarAspects) {
    // proj +proj=aeqd +lat_0=0 +lon_0=0 +ellps=WGS84: 1E on the equator -> 111319.4908, 0 (the
    // inverse divided by sin psi = 0 there); 0.2E 0.1N -> 22263.8757, 11057.4503;
    // 0.25E 0.2S -> 27829.7604, -22114.9267.
    const ReferencePoint equatorial[] = {{"on the equator", 0, 1, 111319.4908, 0},
                                         {"0.1N 0.2E", 0.1, 0.2, 22263.8757, 11057.4503},
                                         {"0.2S 0.25E", -0.2, 0.25, 27829.7604, -22114.9267}};
    checkReferencePoints(AzimuthEqDist(wgs84Params(8)), equatorial, 1e-3);
    // proj +proj=aeqd +lat_0=90 +lon_0=0 +ellps=WGS84 (and +lat_0=-90)
    const ReferencePoint north[] = {{"89.5N 30E", 89.5, 30, 27923.4877, -48364.8995},
                                    {"89.9N 150W", 89.9, -150, -5584.6989, 9672.9823}};
    // The far hemisphere: the series' arcsine took 89.9N for the centre.
    const ReferencePoint south[] = {{"89.5S 30E", -89.5, 30, 27923.4877, 48364.8995},
                                    {"89.9N 30E", 89.9, 30, 9996381.0304, 17314239.8365}};
    AzimuthEqDist northPolar(polarParams(8, 90));
    checkReferencePoints(northPolar, north, 1e-3);
    checkReferencePoints(AzimuthEqDist(polarParams(8, -90)), south, 1e-3);

    // Scale: proj -V gives the areal scale 1.00000193 at 13.6N 144.9E from Guam (1 along the
    // radius; point scale its square root) and the parallel scale 1.00001269 at 89.5N in the
    // polar aspect; at the pole itself the limit is 1.
    EXPECT_NEAR(scaleAt(AzimuthEqDist(guamParams()), 13.6, 144.9), std::sqrt(1.00000193), 1e-8);
    EXPECT_NEAR(northPolar.PrincipalScale1(89.5 * kDeg, 0.5), 1.00001269, 1e-8);
    EXPECT_EQ(northPolar.PrincipalScale2(89.5 * kDeg, 0.5), 1.0);
    double k = 0;
    ASSERT_EQ(northPolar.PointScale(0, 0, k).release(), 0);
    EXPECT_EQ(k, 1.0);
}

}  // namespace
