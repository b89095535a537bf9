#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/projections/PlateCarree.h"
#include "geodesy/projections/ProjectionFactory.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

GeodesyParams plateCarreeParams() {
    GeodesyParams p = wgs84Params(0);
    p.referenceLatitude = 30 * kDeg;
    p.centralMeridian = 10 * kDeg;
    p.falseEasting = 500000;
    p.falseNorthing = 100000;
    return p;
}

TEST(PlateCarree, ReferencePointsScaleAndFailures) {
    // echo "<lon> <lat>" | proj -f %.4f +proj=eqc +lat_ts=30 +lat_0=0 +lon_0=10 +x_0=500000
    //   +y_0=100000 +ellps=WGS84 (PROJ 9.1.1; eqc works on the radius a)
    const ReferencePoint points[] = {
        {"30N 10E", 30, 10, 500000, 3439584.7238},
        {"45S 80W", -45, -80, -8176495.6267, -4909377.0857},
        {"45S 280E, 270 deg east", -45, 280, -8176495.6267, -4909377.0857},
        {"80N 100E", 80, 100, 9176495.6267, 9005559.2635},
    };
    PlateCarree plc(plateCarreeParams());
    checkReferencePoints(plc, points, 1e-3);
    // Metres, whatever the unit: the false origin is added as it stands.
    GeodesyParams feet = plateCarreeParams();
    feet.unitFactor = 0.3048;
    checkReferencePoints(PlateCarree(feet), points, 1e-3);

    EXPECT_NEAR(plc.PrincipalScale1(60 * kDeg, 0), std::cos(30 * kDeg) / std::cos(60 * kDeg), 1e-15);
    EXPECT_EQ(plc.PrincipalScale2(60 * kDeg, 0), 1.0);
    EXPECT_NEAR(scaleAt(plc, 30, 50), 1.0, 1e-15);

    double lat = -1, lon = -1;
    EXPECT_EQ(plc.Inverse(500000, 100000 + 1.01e7, lat, lon).release(), 10);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);
    GeodesyParams polar = plateCarreeParams();
    polar.referenceLatitude = kHalfPi;
    EXPECT_EQ(constructionCode<PlateCarree>(polar), 7);
}

TEST(ProjectionFactory, ObliqueAzimuthalAndSmallerClasses) {
    // Each id builds its class, which answers with that id and its code; id 0 builds nothing.
    const ProjectionKind kinds[] = {kObliqueCylindricalKind, kHotineKind, kRsoKind, kAzimuthEqDistKind,
                                    kCassiniKind, kAzaKind, kPolyconicKind};
    for (const ProjectionKind& kind : kinds) {
        GeodesyParams p = plateCarreeParams();
        p.projectionId = kind.id;
        std::unique_ptr<Projection> built = CreateProjection(p);
        ASSERT_NE(built, nullptr) << kind.code;
        EXPECT_EQ(built->Id(), kind.id);
        EXPECT_STREQ(built->Code(), kind.code);
    }
    try {
        CreateProjection(plateCarreeParams());
        ADD_FAILURE() << "id 0 built a projection";
    } catch (erc& e) {
        EXPECT_EQ(e.release(), TELLUS_E_PROJECTION);
    }
}

}  // namespace
