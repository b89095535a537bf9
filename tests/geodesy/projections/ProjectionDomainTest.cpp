// Every projection class over its whole domain: the poles, the antimeridian, the central
// meridian, non-finite and out-of-range inputs, unusable records, and the ill-conditioned edges
// where a formula loses its digits or its quadrant.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "geodesy/projections/PlateCarree.h"
#include "geodesy/projections/ProjectionFactory.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::unique_ptr<Projection> build(const ProjectionSetup& s) {
    if (s.id == kPlateCarreeKind.id) return std::make_unique<PlateCarree>(paramsOf(s));
    return CreateProjection(paramsOf(s));
}

// One setting of each class, most with the antimeridian in reach, and the part of the domain
// where a round trip must return the point within `tolerance` metres on the ground.
struct SweepCase {
    ProjectionSetup setup;
    double latFrom, latTo;  // degrees, the checked band of latitudes
    double maxDl;           // degrees from the central meridian
    double tolerance;       // metres
};

// The equal-area classes find the latitude from q, which near a pole changes with the square of
// the distance from it: there a rounding of q is 3e-8 rad, 0.2 m.
constexpr double kEqualAreaPole = 0.25;

const SweepCase kSweep[] = {
    // Series transverse Mercator: 0.83 mm at 6 deg from the central meridian.
    {{.id = 3, .centralMeridian = 177, .k0 = 0.9996, .falseEasting = 500000}, -89.5, 89.5, 6, 2e-3},
    {{.id = 2, .centralMeridian = 180}, -89.9, 89.9, 180, 1e-3},
    {{.id = 9}, -89.9, 89.9, 180, 1e-3},
    {{.id = 1, .referenceLatitude = 23, .centralMeridian = -179, .northParallel = 33, .southParallel = 45}, -89.9, 90,
     180, 1e-3},
    {{.id = 1, .referenceLatitude = -30, .centralMeridian = 170, .northParallel = -20, .southParallel = -40}, -90,
     89.9, 180, 1e-3},
    {{.id = 10, .referenceLatitude = 23, .centralMeridian = 179, .northParallel = 29.5, .southParallel = 45.5}, -90,
     90, 180, kEqualAreaPole},
    {{.id = 4, .referenceLatitude = 52, .centralMeridian = 179, .k0 = 0.9999, .falseEasting = 155000}, -90, 90, 120,
     1e-3},
    {{.id = 12, .referenceLatitude = 90, .centralMeridian = 0, .k0 = 0.994, .falseEasting = 2e6}, -60, 90, 180, 1e-3},
    {{.id = 12, .referenceLatitude = -71, .centralMeridian = 180}, -90, 60, 180, 1e-3},
    // Oblique Mercator: within 90 degrees of the centre's longitude.
    {{.id = 6, .referenceLatitude = 45, .centralMeridian = 175, .skewAzimuth = 90, .k0 = 0.9999}, -89, 89, 89, 1e-3},
    {{.id = 7, .referenceLatitude = 4, .centralMeridian = -178, .skewAzimuth = 53.3, .k0 = 0.99984}, -89, 89, 89,
     1e-3},
    {{.id = 13, .referenceLatitude = 52, .centralMeridian = 179}, -90, 90, 180, kEqualAreaPole},
    {{.id = 13, .referenceLatitude = -90, .centralMeridian = 180}, -90, 90, 180, kEqualAreaPole},
    // Azimuthal equidistant and Cassini series: checked near their centres.
    {{.id = 8, .referenceLatitude = 52, .centralMeridian = -179.5}, 51, 53, 1, 1e-2},
    {{.id = 8, .referenceLatitude = 89.9, .centralMeridian = 179}, 89, 90, 180, 1e-2},
    {{.id = 11, .referenceLatitude = 10, .centralMeridian = 179}, -20, 20, 2, 1e-2},
    {{.id = 17, .referenceLatitude = 0, .centralMeridian = -177}, -90, 90, 180, 1e-3},
    // Oblique cylindrical: its latitude iteration stops at 1e-7 rad, leaving 1e-9 rad.
    {{.id = 5, .referenceLatitude = 46.95, .centralMeridian = 179}, -80, 80, 170, 6.4e-3},
    {{.id = 0, .referenceLatitude = 0, .centralMeridian = 180}, -90, 90, 180, 1e-3},
};

// Latitudes (rad) of the sweep: a regular grid plus the poles, the doubles next to them, points
// within a rounding of them, and the denormal neighbourhood of the equator.
std::vector<double> sweepLatitudes() {
    std::vector<double> lats;
    for (int d = -89; d <= 89; d += 2) lats.push_back(d * kDeg);
    for (double pole : {-kHalfPi, kHalfPi}) {
        lats.push_back(pole);
        lats.push_back(std::nextafter(pole, 0.0));
        lats.push_back(pole - std::copysign(1e-8, pole));
        lats.push_back(pole - std::copysign(0.5e-6 * kDeg, pole));
        lats.push_back(pole - std::copysign(0.1 * kDeg, pole));
    }
    for (double tiny : {0.0, 1e-320, 1e-305, 1e-12}) {
        lats.push_back(tiny);
        lats.push_back(-tiny);
    }
    return lats;
}

// Longitude differences from the central meridian (rad), and whole longitudes at the antimeridian.
constexpr double kSweepDl[] = {0, 1e-14, 3.3e-14, 0.5, 3, 6, 10, 30, 60, 89.9, 90, 120, 179.9, 180};
constexpr double kAntimeridian[] = {-180, 180, -179.9999, 179.9999};

// Sweeps one class; stops after a few faults so that one broken class does not hide the others.
void sweep(const SweepCase& c, const std::vector<double>& lats) {
    std::unique_ptr<Projection> p = build(c.setup);
    const double cm = c.setup.centralMeridian * kDeg;
    std::vector<double> lons;
    for (double dl : kSweepDl) {
        double d = dl < 1e-10 ? dl : dl * kDeg;
        lons.push_back(cm + d);
        lons.push_back(cm - d);
    }
    for (double lon : kAntimeridian) lons.push_back(lon * kDeg);
    int faults = 0;
    auto fault = [&faults](const testing::Message& what) {
        ADD_FAILURE() << what;
        return ++faults > 4;
    };
    for (double lat : lats) {
        for (double lon : lons) {
            SCOPED_TRACE(testing::Message() << p->Code() << " id " << c.setup.id << " at " << lat / kDeg << ", "
                                            << lon / kDeg);
            const double dl = std::fabs(longitudeGap(lon, cm)) / kDeg;
            const bool checked = lat >= c.latFrom * kDeg && lat <= c.latTo * kDeg && dl <= c.maxDl;
            double x = kNaN, y = kNaN;
            if (const int forward = p->Forward(lat, lon, x, y).release()) {
                if (checked && fault(testing::Message() << "forward code " << forward)) return;
                continue;
            }
            if (!std::isfinite(x) || !std::isfinite(y)) {
                if (fault(testing::Message() << "forward success with " << x << ", " << y)) return;
                continue;
            }
            double conv = kNaN;
            if (p->ConvergenceAt(lat, lon, conv).release() != 0 || !std::isfinite(conv))
                if (fault(testing::Message() << "convergence " << conv)) return;
            double lat2 = kNaN, lon2 = kNaN;
            const int inverse = p->Inverse(x, y, lat2, lon2).release();
            if (inverse == 0 && (!std::isfinite(lat2) || !std::isfinite(lon2)))
                if (fault(testing::Message() << "inverse success with " << lat2 << ", " << lon2)) return;
            if (!checked) continue;
            if (inverse != 0) {
                if (fault(testing::Message() << "inverse code " << inverse)) return;
                continue;
            }
            const double miss = p->SemiMajorAxis() * std::hypot(lat2 - lat, longitudeGap(lon2, lon) * std::cos(lat));
            if (!(miss <= c.tolerance))
                if (fault(testing::Message() << "round trip misses by " << miss << " m")) return;
            // The point scale at the grid point is the scale at the point it came from (except
            // within a rounding of a pole, where the scale of several classes is singular).
            double k = kNaN;
            if (p->PointScale(x, y, k).release() == 0 && std::fabs(lat) < kHalfPi - 1e-9) {
                const double expected = std::sqrt(p->PrincipalScale1(lat, lon) * p->PrincipalScale2(lat, lon));
                if (!(std::fabs(k - expected) <= 1e-6 * expected) && std::isfinite(expected))
                    if (fault(testing::Message() << "point scale " << k << " against " << expected)) return;
            }
        }
    }
}

TEST(ProjectionDomain, EveryClassOverItsWholeDomain) {
    const std::vector<double> lats = sweepLatitudes();
    for (const SweepCase& c : kSweep) sweep(c, lats);
}

TEST(ProjectionDomain, NonFiniteAndOutOfRangeInputsAreRefused) {
    struct Geographic {
        double lat, lon;
    };
    const Geographic noPoints[] = {{kNaN, 0}, {0, kNaN}, {kInf, 0}, {-kInf, 0}, {0, kInf},
                                   {0, -kInf}, {1.6, 0}, {-1.6, 0}, {91 * kDeg, 0}};
    const double badGrid[] = {kNaN, kInf, -kInf};
    for (const SweepCase& c : kSweep) {
        std::unique_ptr<Projection> p = build(c.setup);
        SCOPED_TRACE(p->Code());
        for (Geographic g : noPoints) {
            SCOPED_TRACE(testing::Message() << g.lat << ", " << g.lon);
            double x = 0, y = 0, conv = 0;
            EXPECT_EQ(p->Forward(g.lat, g.lon, x, y).release(), TELLUS_E_OUT_OF_RANGE);
            EXPECT_EQ(p->ConvergenceAt(g.lat, g.lon, conv).release(), TELLUS_E_OUT_OF_RANGE);
        }
        for (double bad : badGrid) {
            SCOPED_TRACE(bad);
            double lat = 0, lon = 0, k = 0;
            EXPECT_EQ(p->Inverse(bad, 0, lat, lon).release(), TELLUS_E_OUT_OF_RANGE);
            EXPECT_EQ(p->Inverse(0, bad, lat, lon).release(), TELLUS_E_OUT_OF_RANGE);
            EXPECT_EQ(p->PointScale(bad, 0, k).release(), TELLUS_E_OUT_OF_RANGE);
            EXPECT_EQ(p->PointScale(0, bad, k).release(), TELLUS_E_OUT_OF_RANGE);
        }
    }
}

TEST(ProjectionDomain, UnusableRecordsAreRefused) {
    struct Fault {
        const char* what;
        void (*apply)(GeodesyParams&);
    };
    const Fault faults[] = {
        {"a NaN", [](GeodesyParams& p) { p.semiMajorAxis = kNaN; }},
        {"a infinite", [](GeodesyParams& p) { p.semiMajorAxis = kInf; }},
        {"a negative", [](GeodesyParams& p) { p.semiMajorAxis = -6378137; }},
        {"1/f NaN", [](GeodesyParams& p) { p.inverseFlattening = kNaN; }},
        {"1/f infinite", [](GeodesyParams& p) { p.inverseFlattening = kInf; }},
        {"1/f negative", [](GeodesyParams& p) { p.inverseFlattening = -298.257223563; }},
        {"unit NaN", [](GeodesyParams& p) { p.unitFactor = kNaN; }},
        {"unit infinite", [](GeodesyParams& p) { p.unitFactor = kInf; }},
        {"unit negative", [](GeodesyParams& p) { p.unitFactor = -1; }},
        {"k0 NaN", [](GeodesyParams& p) { p.scaleFactor = kNaN; }},
        {"k0 infinite", [](GeodesyParams& p) { p.scaleFactor = kInf; }},
        {"k0 negative", [](GeodesyParams& p) { p.scaleFactor = -0.9996; }},
        {"central meridian NaN", [](GeodesyParams& p) { p.centralMeridian = kNaN; }},
        {"central meridian infinite", [](GeodesyParams& p) { p.centralMeridian = kInf; }},
        {"origin latitude NaN", [](GeodesyParams& p) { p.referenceLatitude = kNaN; }},
        {"false easting NaN", [](GeodesyParams& p) { p.falseEasting = kNaN; }},
        {"false northing infinite", [](GeodesyParams& p) { p.falseNorthing = kInf; }},
    };
    for (const SweepCase& c : kSweep) {
        for (const Fault& fault : faults) {
            SCOPED_TRACE(testing::Message() << "id " << c.setup.id << ": " << fault.what);
            GeodesyParams params = paramsOf(c.setup);
            fault.apply(params);
            int code = 0;
            try {
                if (c.setup.id == kPlateCarreeKind.id)
                    PlateCarree built(params);
                else
                    CreateProjection(params);
            } catch (erc& e) {
                code = e.release();
            }
            EXPECT_EQ(code, TELLUS_E_PARAMETERS);
        }
    }
}

// The edges where a formula lost its quadrant, its digits or its period, against PROJ 9.1.1 and
// GeographicLib 2.1.2.
TEST(ProjectionDomain, EdgesAgreeWithProjAndGeographicLib) {
    // Point scale across the antimeridian (PROJ prints it to 1e-8).
    // echo "-179.9 65" | proj -V +proj=utm +zone=60 +ellps=WGS84
    // echo "-178.6 -18.1" | proj -V +proj=tmerc +lat_0=-17 +lon_0=178.75 +k=0.99985 +x_0=2000000
    //   +y_0=4000000 +ellps=WGS72  (EPSG 3460, Fiji Map Grid)
    struct ScaleCase {
        ProjectionSetup setup;
        double lat, lon, k;
    };
    const ScaleCase scales[] = {
        {{.id = 3, .centralMeridian = 177, .k0 = 0.9996, .falseEasting = 500000}, 65, -179.9, 0.99986148},
        {{.id = 3, .a = 6378135, .inverseFlattening = 298.26, .referenceLatitude = -17, .centralMeridian = 178.75,
          .k0 = 0.99985, .falseEasting = 2000000, .falseNorthing = 4000000},
         -18.1, -178.6, 1.00082281},
    };
    for (const ScaleCase& c : scales) {
        SCOPED_TRACE(testing::Message() << "scale at " << c.lat << ", " << c.lon);
        std::unique_ptr<Projection> p = build(c.setup);
        EXPECT_NEAR(scaleAt(*p, c.lat, c.lon), c.k, 1e-8);
    }

    // Grid convergence, the grid bearing of true north: the negative of PROJ's "Convergence" of
    // echo "lon lat" | proj -V <definition> +ellps=WGS84 (PROJ 9.1.1), in degrees.
    struct ConvergenceCase {
        const char* definition;
        ProjectionSetup setup;
        double lat, lon, projDegrees;
    };
    const ConvergenceCase convergences[] = {
        {"+proj=sterea +lat_0=52 +lon_0=179 +k=0.9999 +x_0=155000",
         {.id = 4, .referenceLatitude = 52, .centralMeridian = 179, .k0 = 0.9999, .falseEasting = 155000}, -30, -100,
         24.64186985},
        {"+proj=somerc +lat_0=46.95 +lon_0=179", {.id = 5, .referenceLatitude = 46.95, .centralMeridian = 179}, 60,
         -150, 23.06561862},
        {"+proj=omerc +lat_0=45 +lonc=175 +alpha=90 +gamma=90 +k=0.9999 +no_uoff",
         {.id = 6, .referenceLatitude = 45, .centralMeridian = 175, .skewAzimuth = 90, .k0 = 0.9999}, 50, -170,
         10.60163641},
        {"+proj=omerc +lat_0=4 +lonc=-178 +alpha=53.3 +gamma=53.114398862960 +k=0.99984 +no_uoff",
         {.id = 7, .referenceLatitude = 4, .centralMeridian = -178, .skewAzimuth = 53.3, .k0 = 0.99984}, 10, 170,
         -0.65856934},
        {"+proj=laea +lat_0=52 +lon_0=179", {.id = 13, .referenceLatitude = 52, .centralMeridian = 179}, -20, 60,
         -25.13763838},
        // Near the centre, where the series forward is within 1 mm of the geodesic one.
        {"+proj=aeqd +lat_0=52 +lon_0=-179.5", {.id = 8, .referenceLatitude = 52, .centralMeridian = -179.5}, 52.2,
         -179.2, 0.23683304},
        // On the series' edge, 19 km out: a difference across it took the series' 0.1 mm step.
        {"+proj=aeqd +lat_0=19.804420389900201 +lon_0=167.93714071862883",
         {.id = 8, .referenceLatitude = 19.804420389900201, .centralMeridian = 167.93714071862883},
         19.704894403653647, 167.78776326645414, -0.05044790},
        {"+proj=cass +lat_0=10 +lon_0=179", {.id = 11, .referenceLatitude = 10, .centralMeridian = 179}, 15, -178,
         0.77612424},
        {"+proj=poly +lat_0=0 +lon_0=-177", {.id = 17, .referenceLatitude = 0, .centralMeridian = -177}, 60, 150,
         -28.20333073},
    };
    for (const ConvergenceCase& c : convergences) {
        SCOPED_TRACE(testing::Message() << c.definition << " at " << c.lat << ", " << c.lon);
        double conv = kNaN;
        ASSERT_EQ(build(c.setup)->ConvergenceAt(c.lat * kDeg, c.lon * kDeg, conv).release(), 0);
        EXPECT_NEAR(conv, -c.projDegrees * kDeg, 1e-8);
    }

    // Grid points that the inverse must bring back (degrees), each line with its source.
    struct InverseCase {
        const char* source;
        ProjectionSetup setup;
        double x, y, lat, lon, tolerance;  // tolerance in degrees of latitude
    };
    const ProjectionSetup omerc45{.id = 6, .referenceLatitude = 45, .skewAzimuth = 90};
    const ProjectionSetup omerc52{.id = 6, .referenceLatitude = 52, .skewAzimuth = 88};
    const ProjectionSetup rdNew{.id = 4, .a = 6377397.155, .inverseFlattening = 299.1528128,
                                .referenceLatitude = 52.15616055555555, .centralMeridian = 5.38763888888889,
                                .k0 = 0.9999079, .falseEasting = 155000, .falseNorthing = 463000};
    const InverseCase inverses[] = {
        // echo "lon lat" | proj -f %.4f +proj=omerc +ellps=WGS84 +lat_0=45 +lonc=0 +alpha=90 +gamma=90 +no_uoff
        {"omerc centre", omerc45, 10018697.6702, 0.0000, 45, 0, 1e-9},
        {"omerc", omerc45, 10097542.5039, 486.5255, 45, 1, 1e-9},
        {"omerc", omerc45, 8430505.5946, 84853.6378, 44, -20, 1e-9},
        {"omerc", omerc45, 14750513.6654, 1188415.4586, 40, 60, 1e-9},
        // the same with +lat_0=52 +alpha=88 +gamma=88
        {"omerc", omerc52, 10025138.4671, 347044.1869, 52, 2.6, 1e-9},
        {"omerc", omerc52, 10191262.5239, 333456.0275, 51.8, 5, 1e-9},
        {"omerc", omerc52, 10546478.7577, 280794.5434, 51, 10, 1e-9},
        // echo "100 89.5" | proj -f %.6f +proj=aeqd +lat_0=89.9 +lon_0=0 +ellps=WGS84
        {"aeqd 90 deg off the meridian", {.id = 8, .referenceLatitude = 89.9}, 54998.610813, 20866.848371, 89.5, 100,
         1e-6},
        // echo "lon lat" | proj -f %.6f +proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889
        //   +k=0.9999079 +x_0=155000 +y_0=463000 +ellps=bessel
        {"sterea near the south pole", rdNew, 155000.000000, -36734327.430645, -89.9999995, 5.38763888888889, 1e-7},
        {"sterea near the south pole", rdNew, 155000.044080, -36734327.863845, -89.9999999, 30, 1e-7},
        {"sterea south pole", rdNew, 155000.000000, -36734327.960018, -90, 0, 1e-7},
    };
    for (const InverseCase& c : inverses) {
        SCOPED_TRACE(testing::Message() << c.source << " " << c.lat << ", " << c.lon);
        std::unique_ptr<Projection> p = build(c.setup);
        double lat = kNaN, lon = kNaN;
        ASSERT_EQ(p->Inverse(c.x, c.y, lat, lon).release(), 0);
        EXPECT_NEAR(lat / kDeg, c.lat, c.tolerance);
        // Longitudes along the parallel: they crowd towards the poles.
        EXPECT_NEAR(longitudeGap(lon, c.lon * kDeg) / kDeg * std::cos(c.lat * kDeg), 0, c.tolerance);
    }

    // Next to a latitude where a formula divides by 0 or overflows: PROJ's number where there is
    // one, the class's code where the point lies at infinity.
    // echo "1 0.000000000000000000000000000000000000000000000000001" | proj -f %.6f +proj=poly
    //   +ellps=WGS84 (and any smaller latitude): 111319.490793 0.000000
    struct NearSingular {
        const char* what;
        ProjectionSetup setup;
        double lat, lon;  // radians
        int code;
        double x, y;
    };
    const NearSingular nearSingular[] = {
        {"polyconic", {.id = 17}, 1e-305, kDeg, 0, 111319.490793, 0},
        {"polyconic", {.id = 17}, 1e-320, kDeg, 0, 111319.490793, 0},
        {"polyconic", {.id = 17}, -1e-320, kDeg, 0, 111319.490793, 0},
        {"Mercator next to the pole", {.id = 2}, std::nextafter(kHalfPi, 0.0), 0, TELLUS_E_CANNOT_PROJECT, 0, 0},
    };
    for (const NearSingular& c : nearSingular) {
        SCOPED_TRACE(testing::Message() << c.what << " at " << c.lat);
        double x = kNaN, y = kNaN;
        ASSERT_EQ(build(c.setup)->Forward(c.lat, c.lon, x, y).release(), c.code);
        if (c.code != 0) continue;
        EXPECT_NEAR(x, c.x, 1e-6);
        EXPECT_NEAR(y, c.y, 1e-6);
    }

    // Azimuthal equidistant forward for a longitude a rounding off the centre's meridian:
    // echo "52 0 51.7 0.0000000000005729577951308232" | GeodSolve -i -p 9
    //   (azimuth 179.99999999993202, distance 33379.350263411 m); the same for 52 10 51.7 10.
    struct ForwardCase {
        const char* what;
        GeodesyParams params;
        double lat, lon, x, y;  // lat, lon in radians
    };
    GeodesyParams truncated = paramsOf({.id = 8, .referenceLatitude = 52});
    truncated.centralMeridian = 10 * 0.01745329251994;  // the parameter file's degree factor
    const ForwardCase forwards[] = {
        {"dl 1e-14 rad", paramsOf({.id = 8, .referenceLatitude = 52}), 51.7 * kDeg, 1e-14, 0, -33379.350263},
        {"truncated central meridian", truncated, 51.7 * kDeg, 10 * kDeg, 0, -33379.350263},
    };
    for (const ForwardCase& c : forwards) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Projection> p = CreateProjection(c.params);
        double x = kNaN, y = kNaN;
        ASSERT_EQ(p->Forward(c.lat, c.lon, x, y).release(), 0);
        EXPECT_NEAR(x, c.x, 2e-3);
        EXPECT_NEAR(y, c.y, 2e-3);
    }
}

}  // namespace
