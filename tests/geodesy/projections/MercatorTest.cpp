#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geodesy/projections/Mercator.h"
#include "geodesy/projections/SMerc.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

constexpr double kIntlA = 6378388.0;
constexpr double kIntlInvF = 297.0;
constexpr double kUsSurveyFoot = 1200.0 / 3937;

const ProjectionSetup kMercWgs{.id = 2};
// echo "lon lat" | proj -f %.6f +proj=merc +lon_0=0 +ellps=WGS84 (PROJ 9.1.1)
const ReferencePoint kMercWgsPoints[] = {
    {"", 0, 0, 0.000000, 0.000000},
    {"", 45, 10, 1113194.907933, 5591295.918553},
    {"", -60, -120, -13358338.895193, -8362698.548501},
    {"", 80, 179.5, 19981848.597393, 15496570.739724},
    {"", -85, 90, 10018754.171395, -19929239.113379},
    {"", 30, -45, -5009377.085697, 3482189.085409},
};

// k0 is not used: 0.5 must change nothing.
const ProjectionSetup kMercIntl{.id = 2, .a = kIntlA, .inverseFlattening = kIntlInvF, .referenceLatitude = -41,
                      .centralMeridian = 176, .k0 = 0.5, .falseEasting = 500000, .falseNorthing = 10000000};
// echo "lon lat" | proj -f %.6f +proj=merc +lat_ts=-41 +lon_0=176 +x_0=500000 +y_0=10000000 +ellps=intl
const ReferencePoint kMercIntlPoints[] = {
    {"", -41, 176, 500000.000000, 6232786.403317},
    {"", -47, 167, -257251.088550, 5532511.555159},
    {"", -34.5, 173, 247582.970483, 6922370.255879},
    {"", 0, 120, -4211784.550977, 10000000.000000},
    {"", 60, -100, 7567676.826466, 16320689.919335},
    {"", -40, -179, 920695.049194, 6343008.642216},
    {"", -45, 179, 752417.029517, 5774007.411607},
};

// Grid in US survey feet; the false easting is 500000 ft.
const ProjectionSetup kMercFeet{.id = 2, .a = 6378206.4, .inverseFlattening = 294.9786982, .referenceLatitude = 10,
                      .centralMeridian = -60, .falseEasting = 500000, .unit = kUsSurveyFoot};
// echo "lon lat" | proj -f %.6f +proj=merc +lat_ts=10 +lon_0=-60 +x_0=152400.3048006096 +y_0=0
//   +a=6378206.4 +rf=294.9786982 +units=us-ft
const ReferencePoint kMercFeetPoints[] = {
    {"", 10, -60, 500000.000000, 3591304.801705},
    {"", 18.4, -66.1, -1694248.062649, 6691461.959308},
    {"", 5, -52, 3377702.377244, 1788692.522336},
};

TEST(Mercator, ReferencePointsAndRoundTrips) {
    Mercator wgs(paramsOf(kMercWgs));
    expectReferencePoints(wgs, kMercWgsPoints);
    expectRoundTrips(wgs, -85, 85, -179, 179);
    Mercator intl(paramsOf(kMercIntl));
    expectReferencePoints(intl, kMercIntlPoints);
    expectRoundTrips(intl, -85, 85, -179, 179);
    expectReferencePoints(Mercator(paramsOf(kMercFeet)), kMercFeetPoints);
}

TEST(Mercator, LongitudeIsReducedBothWays) {
    Mercator wgs(paramsOf(kMercWgs));
    // 190 deg east is 170 deg west.
    double x = 0, y = 0;
    ASSERT_EQ(wgs.Forward(0, 190 * kDeg, x, y).release(), 0);
    EXPECT_NEAR(x, -kWgs84A * 170 * kDeg, kGridTolerance);
    // The cylinder is half a turn wide either way: a grid point beyond is no point's image.
    double lat = 0, lon = 0;
    EXPECT_EQ(wgs.Inverse(kWgs84A * 190 * kDeg, 0, lat, lon).release(), 11);
    ASSERT_EQ(wgs.Inverse(-kWgs84A * 180 * kDeg, 0, lat, lon).release(), 0);
    EXPECT_NEAR(std::fabs(lon), 180 * kDeg, kAngleTolerance);
}

TEST(Mercator, ScaleIgnoresK0) {
    Mercator intl(paramsOf(kMercIntl));
    double k = 0;
    // On the reference latitude the scale is 1 although the record says k0 = 0.5.
    ASSERT_EQ(intl.PointScale(500000, 6232786.403317, k).release(), 0);
    EXPECT_NEAR(k, 1.0, 1e-12);
    // echo "167 -47" | proj -V +proj=merc +lat_ts=-41 +lon_0=176 ... +ellps=intl: h = k = 1.10622517
    ASSERT_EQ(intl.PointScale(-257251.088550, 5532511.555159, k).release(), 0);
    EXPECT_NEAR(k, 1.10622517, 1e-8);
    EXPECT_EQ(intl.Convergence(-47 * kDeg, 167 * kDeg), 0.0);
}

TEST(Mercator, Failures) {
    for (double refLat : {90.0, -90.0, 100.0}) {
        ProjectionSetup s = kMercWgs;
        s.referenceLatitude = refLat;
        EXPECT_EQ(constructionCode<Mercator>(paramsOf(s)), 7) << refLat;
    }
    GeodesyParams p = paramsOf(kMercWgs);
    p.referenceLatitude = kHalfPi;
    EXPECT_EQ(constructionCode<Mercator>(p), 7);
    p.referenceLatitude = -kHalfPi;
    EXPECT_EQ(constructionCode<Mercator>(p), 7);

    Mercator wgs(paramsOf(kMercWgs));
    for (double pole : {kHalfPi, -kHalfPi}) {
        double x = -1, y = -1;
        EXPECT_EQ(wgs.Forward(pole, 0.1, x, y).release(), 6);
        EXPECT_EQ(x, -1);
        EXPECT_EQ(y, -1);
    }
    // A NaN is no grid point.
    double lat = -1, lon = -1;
    EXPECT_EQ(wgs.Inverse(0, std::numeric_limits<double>::quiet_NaN(), lat, lon).release(), 10);
}

// Every parameter of the record but the unit is ignored, ellipsoid included.
const ProjectionSetup kSMercIgnored{.id = 9, .a = 6377397.155, .inverseFlattening = 299.1528128, .referenceLatitude = 30,
                          .centralMeridian = 10, .k0 = 0.9996, .falseEasting = 500000, .falseNorthing = 100000};
// echo "lon lat" | proj -f %.6f +proj=merc +R=6378388
const ReferencePoint kSMercPoints[] = {
    {"", 0, 0, 0.000000, 0.000000},
    {"", 45, 10, 1113238.715697, 5621742.710962},
    {"", -60, -120, -13358864.588364, -8400068.446250},
    {"", 80, 179.5, 19982634.946760, 15539322.594069},
    {"", -85, 90, 10019148.441273, -19972654.837043},
};

TEST(SMerc, FixedSphere) {
    SMerc merc(paramsOf(kSMercIgnored));
    EXPECT_EQ(merc.Id(), 9);
    EXPECT_STREQ(merc.Code(), "CME");
    expectReferencePoints(merc, kSMercPoints);
    expectRoundTrips(merc, -85, 85, -180, 180);
    // echo "-120 -60" | proj -V +proj=merc +R=6378388: h = k = 2
    double k = 0;
    ASSERT_EQ(merc.PointScale(-13358864.588364, -8400068.446250, k).release(), 0);
    EXPECT_NEAR(k, 2.0, 1e-9);
    for (double pole : {kHalfPi, -kHalfPi}) {
        double x = -1, y = -1;
        EXPECT_EQ(merc.Forward(pole, 0, x, y).release(), 6);
        EXPECT_EQ(y, -1);
    }
    // In feet the same points in feet, and the same scale.
    ProjectionSetup feet = kSMercIgnored;
    feet.unit = 0.3048;
    SMerc inFeet(paramsOf(feet));
    double x = 0, y = 0;
    ASSERT_EQ(inFeet.Forward(45 * kDeg, 10 * kDeg, x, y).release(), 0);
    EXPECT_NEAR(x * 0.3048, 1113238.715697, 1e-6);
    EXPECT_NEAR(y * 0.3048, 5621742.710962, 1e-6);
    ASSERT_EQ(inFeet.PointScale(-13358864.588364 / 0.3048, -8400068.446250 / 0.3048, k).release(), 0);
    EXPECT_NEAR(k, 2.0, 1e-9);
}

}  // namespace
