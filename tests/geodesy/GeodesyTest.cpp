#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "geodesy/Geodesy.h"
#include "geodesy/LocalGrid.h"
#include "geodesy/Trace.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

int creationCode(const GeodesyParams& p) {
    try {
        Geodesy g(p);
    } catch (erc& e) {
        return e.release();
    }
    return 0;
}

TEST(Geodesy, CreationChecksInOrder) {
    struct Case {
        const char* what;
        double invF, unit;
        int id;
        int code;
    };
    const Case cases[] = {
        {"flattening and unit 0", 0, 0, 3, 3}, {"unit 0", kWgs84InvF, 0, 3, 4}, {"unit 0, id 0", kWgs84InvF, 0, 0, 4},
        {"id 0", kWgs84InvF, 1, 0, 5},         {"id 14", kWgs84InvF, 1, 14, 5}, {"id 16", kWgs84InvF, 1, 16, 5},
        {"id 18", kWgs84InvF, 1, 18, 5},       {"id -3", kWgs84InvF, 1, -3, 5}, {"TM", kWgs84InvF, 1, 3, 0},
    };
    for (const Case& c : cases) {
        GeodesyParams p = utmParams(31);
        p.inverseFlattening = c.invF;
        p.unitFactor = c.unit;
        p.projectionId = c.id;
        EXPECT_EQ(creationCode(p), c.code) << c.what;
    }
    // Set-ups no class is verified on: refused at creation, with the field's own code where it has one.
    constexpr double kMax = std::numeric_limits<double>::max();
    // The record is packed: fields are set by assignment, not through pointers to them.
    struct Field {
        const char* what;
        void (*set)(GeodesyParams&);
        int id;
        int code;
    };
    const Field fields[] = {
        {"a 0", [](GeodesyParams& p) { p.semiMajorAxis = 0; }, 3, 7},
        {"a denormal", [](GeodesyParams& p) { p.semiMajorAxis = 4.9e-324; }, 2, 7},
        {"a 1e9", [](GeodesyParams& p) { p.semiMajorAxis = 1e9; }, 3, 7},
        {"1/f 1.0001", [](GeodesyParams& p) { p.inverseFlattening = 1.0001; }, 3, 3},
        {"1/f 1.1", [](GeodesyParams& p) { p.inverseFlattening = 1.1; }, 4, 3},
        {"1/f negative", [](GeodesyParams& p) { p.inverseFlattening = -298; }, 1, 3},
        {"unit 1e-300", [](GeodesyParams& p) { p.unitFactor = 1e-300; }, 3, 4},
        {"unit 1e300", [](GeodesyParams& p) { p.unitFactor = 1e300; }, 3, 4},
        {"k0 1e-9", [](GeodesyParams& p) { p.scaleFactor = 1e-9; }, 3, 7},
        {"k0 negative", [](GeodesyParams& p) { p.scaleFactor = -1; }, 3, 7},
        {"false easting 1e308", [](GeodesyParams& p) { p.falseEasting = 1e308; }, 3, 7},
        {"false northing -DBL_MAX", [](GeodesyParams& p) { p.falseNorthing = -kMax; }, 2, 7},
        {"central meridian 1e300", [](GeodesyParams& p) { p.centralMeridian = 1e300; }, 3, 7},
        {"skew azimuth 7 rad", [](GeodesyParams& p) { p.skewAzimuth = 7; }, 6, 7},
    };
    for (const Field& f : fields) {
        GeodesyParams p = utmParams(31);
        p.projectionId = f.id;
        f.set(p);
        EXPECT_EQ(creationCode(p), f.code) << f.what;
    }
    // A latitude or parallel beyond a pole, in every class that takes one.
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 17})
        for (int field = 0; field < 3; ++field) {
            GeodesyParams p = utmParams(31);
            p.projectionId = id;
            p.northParallel = p.southParallel = 0.5;
            if (field == 0) p.referenceLatitude = 91 * kDeg;
            if (field == 1) p.northParallel = 91 * kDeg;
            if (field == 2) p.southParallel = 91 * kDeg;
            EXPECT_EQ(creationCode(p), 7) << "id " << id << " field " << field;
        }
}

TEST(Geodesy, TraceLinesOnlyIn32BitBuild) {
    DebugCapture capture;
    { Geodesy g(utmParams(31)); }
    if (kTraceBuild) {
        ASSERT_EQ(capture.lines().size(), 2u);
        EXPECT_EQ(capture.lines()[0], threadPrefix() + "Geodesy::Geodesy entered\n");
        EXPECT_EQ(capture.lines()[1], threadPrefix() + "Geodesy::~Geodesy entered\n");
    } else {
        EXPECT_TRUE(capture.lines().empty());
    }
}

TEST(Geodesy, UnitsAndNameIds) {
    GeodesyParams p = utmParams(31);
    p.unitFactor = 0.30480061;  // close to, but not, the US survey foot
    Geodesy g(p);
    EXPECT_EQ(g.LocalNameId(1), 32);
    EXPECT_EQ(g.LocalNameId(2), 64);
    EXPECT_EQ(g.LocalNameId(3), 0);
    g.SetVertUnit(1852.0);
    EXPECT_EQ(g.LocalNameId(6), 6);
    EXPECT_EQ(g.VertUnit(), 1852.0);
    g.SetVertUnit(0);
    EXPECT_EQ(g.VertUnit(), 0.30480061);
    EXPECT_EQ(g.LocalNameId(4), 32);
    for (int item : {0, 11, -1}) EXPECT_EQ(g.LocalNameId(item), 0);
}

TEST(Geodesy, AdjustmentRecordAndAxes) {
    Geodesy g(utmParams(31));
    AdjustParams a{};
    a.type = kAdjustSimilarity | kAdjustReverseX | kAdjustReverseY;
    a.originX = 1000;
    a.originY = 2000;
    a.scale = 1;
    a.translationX = 10;
    a.translationY = 20;
    ASSERT_EQ(g.SetAdjustment(a).release(), 0);
    double x = 1500, y = 2500;
    g.GridToLocal(x, y);
    EXPECT_EQ(x, -510);
    EXPECT_EQ(y, -520);
    g.LocalToGrid(x, y);
    EXPECT_EQ(x, 1500);
    EXPECT_EQ(y, 2500);
    EXPECT_EQ(g.LocalNameId(7), 18 + 32);
    EXPECT_EQ(g.LocalNameId(10), 19);

    // A zero scale or a field that is no number is refused and the record survives.
    AdjustParams zero = a;
    zero.scale = 0;
    zero.type = kAdjustSimilarity;
    EXPECT_EQ(g.SetAdjustment(zero).release(), 7);
    using Spoil = void (*)(AdjustParams&, double);
    for (Spoil spoil : {Spoil([](AdjustParams& r, double v) { r.originX = v; }),
                        Spoil([](AdjustParams& r, double v) { r.originY = v; }),
                        Spoil([](AdjustParams& r, double v) { r.rotation = v; }),
                        Spoil([](AdjustParams& r, double v) { r.scale = v; }),
                        Spoil([](AdjustParams& r, double v) { r.translationX = v; }),
                        Spoil([](AdjustParams& r, double v) { r.translationY = v; })}) {
        for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
            AdjustParams broken = a;
            spoil(broken, bad);
            EXPECT_EQ(g.SetAdjustment(broken).release(), 7) << bad;
        }
    }
    AdjustParams back{};
    g.GetAdjustment(back);
    EXPECT_EQ(back.type, a.type);
    EXPECT_EQ(double(back.translationY), 20);
    EXPECT_EQ(g.LocalNameId(8), 18);

    // Another type keeps the axis names as they were.
    AdjustParams none{};
    none.scale = 1;
    ASSERT_EQ(g.SetAdjustment(none).release(), 0);
    EXPECT_EQ(g.LocalNameId(8), 18);
    EXPECT_EQ(g.LocalNameId(10), 19);
}

}  // namespace
