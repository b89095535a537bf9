#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/projections/ProjectionFactory.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

TEST(Projection, WrapLongitudeAndIntPow) {
    struct Case {
        double in, out;
    };
    for (Case c : {Case{1.5 * kPi, -0.5 * kPi}, Case{-1.5 * kPi, 0.5 * kPi}, Case{0, 0}, Case{kPi, -kPi},
                   Case{-kPi, kPi}, Case{0.25, 0.25}, Case{-2 * kPi - 0.25, -0.25}})
        EXPECT_NEAR(WrapLongitude(c.in), c.out, 1e-15) << c.in;
    // No negative zero for a host to print as "-0".
    EXPECT_FALSE(std::signbit(WrapLongitude(0.0)));
    EXPECT_FALSE(std::signbit(WrapLongitude(-0.0)));
    // Inside the range ShortLongitude keeps the value to the bit.
    EXPECT_EQ(ShortLongitude(0.1), 0.1);
    EXPECT_EQ(ShortLongitude(-kPi), -kPi);
    EXPECT_NEAR(ShortLongitude(1.5 * kPi), -0.5 * kPi, 1e-15);
    EXPECT_EQ(IntPow(3, 0), 1.0);
    EXPECT_EQ(IntPow(3, 5), 243.0);
    EXPECT_EQ(IntPow(-2, 7), -128.0);
    EXPECT_EQ(IntPow(2, -2), 0.25);
}

TEST(Projection, FactoryBaseFieldsAndRefusals) {
    GeodesyParams p = utmParams(31);
    p.scaleFactor = 0;
    p.unitFactor = 0;
    std::unique_ptr<Projection> tm = CreateProjection(p);
    EXPECT_EQ(tm->Id(), 3);
    EXPECT_STREQ(tm->Code(), "TME");
    GeodesyParams back = tm->Params();
    EXPECT_EQ(double(back.scaleFactor), 1.0);
    EXPECT_EQ(double(back.unitFactor), 1.0);
    EXPECT_EQ(back.projectionId, 3);
    EXPECT_EQ(double(back.falseEasting), 500000);
    EXPECT_EQ(double(back.centralMeridian), 3 * kDeg);
    EXPECT_NEAR(back.inverseFlattening, kWgs84InvF, 1e-9);
    EXPECT_EQ(tm->Convergence(0.5, 3 * kDeg), 0.0);

    // Ids that name no class.
    for (int id : {0, 14, 15, 16, 18, -1}) {
        p.projectionId = id;
        try {
            CreateProjection(p);
            ADD_FAILURE() << "id " << id << " built";
        } catch (erc& e) {
            EXPECT_EQ(e.release(), 5) << id;
        }
    }
}

TEST(Projection, PointScaleFailureLeavesOutput) {
    std::unique_ptr<Projection> tm = CreateProjection(utmParams(31));
    double k = -1;
    erc status = tm->PointScale(500000, 2e7, k);
    EXPECT_EQ(status.release(), 10);
    EXPECT_EQ(k, -1);
}

// A sphere (inverse flattening 0) reaches the base as f = 0, e = 0.
TEST(Projection, SphereBase) {
    GeodesyParams p = utmParams(31);
    p.inverseFlattening = 0;
    std::unique_ptr<Projection> tm = CreateProjection(p);
    EXPECT_EQ(tm->Flattening(), 0);
    EXPECT_EQ(tm->Eccentricity(), 0);
}

}  // namespace
