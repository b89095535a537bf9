// Geodesic, rhumb line and earth-centred cartesian coordinates against GeographicLib, at random
// over the whole sphere and on random ellipsoids: every success is finite and within a millimetre
// of the reference, and a point that is none is refused with 10. The worst differences of a run
// are printed. The cases that once failed stand in the table first.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Rhumb.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "geodesy/Tellus.h"
#include "geodesy/projections/Angles.h"
#include "geodesy/projections/Ellipsoid.h"
#include "tests/geodesy/ReferenceSweep.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

constexpr double kMillimetre = 1e-3;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
// Two roundings of an angle near pi/2 (rad).
constexpr double kRounding = 4.5e-16;

// Degrees for GeographicLib, rounded as the library rounds them (the azimuth of a nearly
// antipodal line turns by millimetres' worth with an ulp of its ends); the double nearest pi/2
// is the pole.
double degrees(double rad) { return rad * (180 / kPi); }
double latitudeDegrees(double rad) { return std::clamp(degrees(rad), -90.0, 90.0); }
double angleBetween(double a, double b) { return std::fabs(std::remainder(a - b, 2 * kPi)); }

// One ellipsoid with its handle and its reference calculators.
struct Model {
    double a, f;
    GeodesyHandle h;
    GeographicLib::Geodesic geodesic;
    GeographicLib::Rhumb rhumb;
    GeographicLib::Geocentric geocentric;

    Model(double a_, double invF)
        : a(a_), f(1 / invF), h(nullptr), geodesic(a, f), rhumb(a, f, false), geocentric(a, f) {
        GeodesyParams p = wgs84Params(3);  // transverse Mercator: only the ellipsoid counts here
        p.semiMajorAxis = a;
        p.inverseFlattening = invF;
        h = CreateGeodesy(&p);
    }
    ~Model() { DestroyGeodesy(h); }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
};

// The worst difference of one quantity over a run, with the draw that gave it.
struct Worst {
    const char* what;
    double value = 0;
    uint64_t draw = 0;
    void take(double v, uint64_t d) {
        if (v > value) value = v, draw = d;
    }
};

// The failures once reported as success, with the command that gives each reference.
struct LineCase {
    const char* what;
    bool rhumb;
    double a, invF;
    double lat1, lon1, lat2, lon2;  // degrees
    double distance, azimuthDeg;
};
const LineCase kLineCases[] = {
    // printf '89.997135211024 0 90 0\n' | RhumbSolve -i -p 6: 0 deg, 319.979681 m (was 0 m).
    {"rhumb to the pole", true, kWgs84A, kWgs84InvF, 89.997135211024, 0, 90, 0, 319.979681, 0},
    // printf '89.99 0 89.99286 0\n' | RhumbSolve -i -p 6: 319.444781 m (was 319.945 m).
    {"rhumb next to the north pole", true, kWgs84A, kWgs84InvF, 89.99, 0, 89.99286, 0, 319.444781, 0},
    // printf -- '-89.995 0 -89.99786 0\n' | RhumbSolve -i -p 6: 180 deg, 319.444782 m (was 318.643 m).
    {"rhumb next to the south pole", true, kWgs84A, kWgs84InvF, -89.995, 0, -89.99786, 0, 319.444782, 180},
    // printf -- '-90 0 -90 0\n' | RhumbSolve -i -p 6: 0 m, 0 deg (was NaN, NaN).
    {"rhumb at the south pole", true, kWgs84A, kWgs84InvF, -90, 0, -90, 0, 0, 0},
    // printf '89.97 0 89.967 180\n' | GeodSolve -i -p 6: 0 deg, 7036.720705 m.
    {"geodesic across the pole", false, kWgs84A, kWgs84InvF, 89.97, 0, 89.967, 180, 7036.720705, 0},
    // printf '0 0 0.5 179.5\n' | GeodSolve -i -p 6: 25.67187286829 deg, 19936288.578965 m (was 19981568).
    {"geodesic nearly antipodal", false, kWgs84A, kWgs84InvF, 0, 0, 0.5, 179.5, 19936288.578965, 25.67187286829},
    // printf -- '-30 0 30.2 179.7\n' | GeodSolve -i -p 6 -e 6378206.4 1/294.9786982:
    // 22.67883728954 deg, 19975953.361369 m.
    {"geodesic nearly antipodal, Clarke 1866", false, 6378206.4, 294.9786982, -30, 0, 30.2, 179.7, 19975953.361369,
     22.67883728954},
    // printf '45 10 52 20\n' | GeodSolve -i -p 6: 39.84722828314 deg, 1071437.603347 m.
    {"geodesic of 1000 km", false, kWgs84A, kWgs84InvF, 45, 10, 52, 20, 1071437.603347, 39.84722828314},
    // printf '45 0 46 1\n' | GeodSolve -i -p 6: 34.76040696425 deg, 135869.091247 m.
    {"geodesic of 136 km", false, kWgs84A, kWgs84InvF, 45, 0, 46, 1, 135869.091247, 34.76040696425},
};

TEST(GeodesicSweep, CasesThatOnceFailed) {
    for (const LineCase& c : kLineCases) {
        Model m(c.a, c.invF);
        auto line = c.rhumb ? RLineLL : GCircLL;
        double azimuth = kNaN;
        const double d = line(m.h, c.lat1 * kDeg, c.lon1 * kDeg, c.lat2 * kDeg, c.lon2 * kDeg, &azimuth);
        EXPECT_EQ(GetGeodesyError(), 0) << c.what;
        EXPECT_NEAR(d, c.distance, kMillimetre) << c.what;
        EXPECT_LE(angleBetween(azimuth, c.azimuthDeg * kDeg), 1e-9) << c.what << ": " << azimuth / kDeg;
    }

    // No point, no cartesian coordinates (and back): 10, outputs untouched.
    Model wgs84(kWgs84A, kWgs84InvF);
    struct Geographic {
        double lat, lon, h;
    };
    for (Geographic g :
         {Geographic{2.0, 0, 0}, Geographic{kNaN, 0, 0}, Geographic{0, kInf, 0}, Geographic{0, 0, kNaN}}) {
        double X = 7, Y = 7, Z = 7;
        EXPECT_EQ(GeoECEF(wgs84.h, &X, &Y, &Z, g.lat, g.lon, g.h), 0) << g.lat << " " << g.lon << " " << g.h;
        EXPECT_EQ(GetGeodesyError(), 10);
        EXPECT_EQ(X + Y + Z, 21);
    }
    struct Cartesian {
        double X, Y, Z;
    };
    for (Cartesian c : {Cartesian{kInf, 0, 0}, Cartesian{0, kNaN, 0}, Cartesian{1e7, 0, -kInf}}) {
        double lat = 7, lon = 7, h = 7;
        EXPECT_EQ(ECEFGeo(wgs84.h, c.X, c.Y, c.Z, &lat, &lon, &h), 0) << c.X << " " << c.Y << " " << c.Z;
        EXPECT_EQ(GetGeodesyError(), 10);
        EXPECT_EQ(lat + lon + h, 21);
    }
    // The datum conversions next door: a latitude beyond the pole is no point either.
    double lat = 2.0, lon = 0, h = 0;
    EXPECT_EQ(WGS84Conv(wgs84.h, &lat, &lon, &h), 0);
    EXPECT_EQ(GetGeodesyError(), 10);
    EXPECT_EQ(InvWGS84Conv(wgs84.h, &lat, &lon, &h), 0);
    EXPECT_EQ(lat, 2.0);
}

// A random point: uniform over the sphere, or at or next to a pole, or next to the antimeridian.
void drawPoint(std::mt19937_64& g, double& lat, double& lon) {
    const double kind = sweep::uniform(g, 0, 1);
    lon = sweep::uniform(g, -kPi, kPi);
    if (kind < 0.05) {
        lat = sweep::uniform(g, 0, 1) < 0.5 ? kHalfPi : -kHalfPi;
    } else if (kind < 0.15) {
        // 0.6 m to 60 km from a pole. (Closer, the azimuth of a rhumb line turns by more than a
        // millimetre's worth when the latitude moves by the rounding of radians to degrees.)
        const double colatitude = std::pow(10.0, sweep::uniform(g, -7, -2));
        lat = (sweep::uniform(g, 0, 1) < 0.5 ? 1 : -1) * (kHalfPi - colatitude);
    } else {
        lat = std::asin(sweep::uniform(g, -1, 1));
        if (kind < 0.25)
            lon = (sweep::uniform(g, 0, 1) < 0.5 ? 1 : -1) * (kPi - std::pow(10.0, sweep::uniform(g, -12, -1)));
    }
}

// The second end: anywhere, nearly antipodal, or near the first (1 mm to 2000 km), with the
// line near a meridian or near a parallel now and then.
void drawSecond(std::mt19937_64& g, double lat1, double lon1, double& lat2, double& lon2) {
    const double kind = sweep::uniform(g, 0, 1);
    if (kind < 0.25) {
        drawPoint(g, lat2, lon2);
        return;
    }
    if (kind < 0.45) {
        const double off = std::pow(10.0, sweep::uniform(g, -10, -1));
        lat2 = std::clamp(-lat1 + off * sweep::uniform(g, -1, 1), -kHalfPi, kHalfPi);
        lon2 = std::remainder(lon1 + kPi + off * sweep::uniform(g, -1, 1), 2 * kPi);
        return;
    }
    const double reach = std::pow(10.0, sweep::uniform(g, -10, -0.5));  // rad
    double dlat = reach * sweep::uniform(g, -1, 1), dlon = reach * sweep::uniform(g, -1, 1);
    if (kind < 0.6) dlon *= std::pow(10.0, sweep::uniform(g, -16, 0));  // near a meridian
    else if (kind < 0.75) dlat *= std::pow(10.0, sweep::uniform(g, -16, 0));  // near a parallel
    lat2 = std::clamp(lat1 + dlat, -kHalfPi, kHalfPi);
    lon2 = std::remainder(lon1 + dlon / std::max(std::cos(lat1), 1e-3), 2 * kPi);
}

TEST(GeodesicSweep, RandomLinesAndPointsAgainstGeographicLib) {
    std::mt19937_64 g = sweep::generator("geodesic");
    std::vector<std::unique_ptr<Model>> models;
    for (int i = 0; i < kEllipsoidCount; ++i)
        models.push_back(std::make_unique<Model>(EllipsoidTable[i].a, EllipsoidTable[i].inverseFlattening));
    for (int i = 0; i < 8; ++i)
        models.push_back(std::make_unique<Model>(sweep::uniform(g, 6.376e6, 6.380e6), sweep::uniform(g, 290, 310)));
    for (const auto& m : models) ASSERT_NE(m->h, nullptr) << m->a << " " << m->f;

    Worst geodesicDistance{"GCircLL distance (m)"}, geodesicAzimuth{"GCircLL azimuth x distance (m)"},
        rhumbDistance{"RLineLL distance (m)"}, rhumbAzimuth{"RLineLL azimuth x distance (m)"},
        cartesian{"GeoECEF (m)"}, geographic{"ECEFGeo position (m)"}, height{"ECEFGeo height (m)"};
    const uint64_t n = sweep::draws(5000);
    for (uint64_t draw = 0; draw < n; ++draw) {
        const Model& m = *models[g() % models.size()];
        double lat1, lon1, lat2, lon2;
        drawPoint(g, lat1, lon1);
        drawSecond(g, lat1, lon1, lat2, lon2);
        const double d1 = latitudeDegrees(lat1), d2 = latitudeDegrees(lat2), e1 = degrees(lon1), e2 = degrees(lon2);
        // Exactly half a turn of longitude apart has two answers: the references and we may differ.
        const bool halfTurn = std::fabs(std::remainder(e2 - e1, 360.0)) == 180;
        SCOPED_TRACE(testing::Message() << "seed " << sweep::seed() << " draw " << draw << ": " << d1 << " " << e1
                                        << " " << d2 << " " << e2 << " a " << m.a << " f " << m.f);

        double azimuth = kNaN;
        const double s = GCircLL(m.h, lat1, lon1, lat2, lon2, &azimuth);
        ASSERT_EQ(GetGeodesyError(), 0);
        ASSERT_TRUE(std::isfinite(s) && std::isfinite(azimuth));
        double s12, azi1, azi2;
        m.geodesic.Inverse(d1, e1, d2, e2, s12, azi1, azi2);
        geodesicDistance.take(std::fabs(s - s12), draw);
        ASSERT_LE(std::fabs(s - s12), kMillimetre) << "geodesic " << s12;
        if (!halfTurn) {
            const double off = angleBetween(azimuth, azi1 * kDeg) * s12;
            geodesicAzimuth.take(off, draw);
            ASSERT_LE(off, kMillimetre) << "geodesic azimuth " << azi1 << " ours " << azimuth / kDeg;
        }

        azimuth = kNaN;
        const double r = RLineLL(m.h, lat1, lon1, lat2, lon2, &azimuth);
        ASSERT_EQ(GetGeodesyError(), 0);
        ASSERT_TRUE(std::isfinite(r) && std::isfinite(azimuth));
        // At a pole the rhumb line is the meridian: the reference gets no longitude difference.
        const bool pole = std::fabs(d1) == 90 || std::fabs(d2) == 90;
        double r12, razi;
        m.rhumb.Inverse(d1, e1, d2, pole ? e1 : e2, r12, razi);
        // Next to a pole the isometric latitude moves by rounding / cos lat when a latitude moves
        // by a rounding (of radians to degrees, of tan), the azimuth by `turn` with it, and the
        // length by its tangent times that: so much is the input's, not ours.
        const double e = std::sqrt(m.f * (2 - m.f));
        auto psi = [e](double lat) { return std::asinh(std::tan(lat)) - e * std::atanh(e * std::sin(lat)); };
        const double dpsi = psi(lat2) - psi(lat1), dlon = std::remainder(lon2 - lon1, 2 * kPi);
        const double turn = pole || lat1 == lat2 ? 0
                                                 : kRounding * (1 / std::cos(lat1) + 1 / std::cos(lat2)) *
                                                       std::fabs(dlon) / (dpsi * dpsi + dlon * dlon);
        const double stretch = turn == 0 ? 0 : r12 * std::fabs(dlon / dpsi) * turn;
        const double longer = std::max(std::fabs(r - r12) - stretch, 0.0);
        rhumbDistance.take(longer, draw);
        ASSERT_LE(longer, kMillimetre) << "rhumb " << r12;
        if (!halfTurn && !(pole && d1 == d2)) {
            const double off = std::max(angleBetween(azimuth, razi * kDeg) - turn, 0.0) * r12;
            rhumbAzimuth.take(off, draw);
            ASSERT_LE(off, kMillimetre) << "rhumb azimuth " << razi << " ours " << azimuth / kDeg;
        }

        // Earth-centred cartesian, from 5 km under the ellipsoid to beyond the geostationary orbit,
        // and one draw in five anywhere inside the earth.
        const double where = sweep::uniform(g, 0, 1);
        const double h = where < 0.4   ? sweep::uniform(g, -5e3, 1e4)
                         : where < 0.8 ? sweep::uniform(g, -5e3, 5e7)
                                       : -m.a * std::sqrt(sweep::uniform(g, 0, 1));
        double X, Y, Z, rX, rY, rZ;
        ASSERT_EQ(GeoECEF(m.h, &X, &Y, &Z, lat1, lon1, h), 1);
        m.geocentric.Forward(d1, e1, h, rX, rY, rZ);
        const double dc = std::hypot(X - rX, Y - rY, Z - rZ);
        cartesian.take(dc, draw);
        ASSERT_LE(dc, kMillimetre);
        double lat, lon, hh, rlat, rlon, rh;
        if (ECEFGeo(m.h, rX, rY, rZ, &lat, &lon, &hh) != 1) {
            // Only next to the centre, where the latitude may not settle, is there no position.
            ASSERT_EQ(GetGeodesyError(), 10);
            ASSERT_LT(std::hypot(rX, rY, rZ), 3e5) << h;
            continue;
        }
        ASSERT_TRUE(std::fabs(lat) <= kHalfPi && std::fabs(lon) <= kPi && std::isfinite(hh));
        m.geocentric.Reverse(rX, rY, rZ, rlat, rlon, rh);
        // The difference of the two positions, on the ground at the height.
        double pX, pY, pZ;
        m.geocentric.Forward(latitudeDegrees(lat), degrees(lon), rh, pX, pY, pZ);
        const double dp = std::hypot(pX - rX, pY - rY, pZ - rZ);
        geographic.take(dp, draw);
        ASSERT_LE(dp, kMillimetre) << rlat << " " << rlon << " ours " << lat / kDeg << " " << lon / kDeg;
        height.take(std::fabs(hh - rh), draw);
        ASSERT_LE(std::fabs(hh - rh), kMillimetre) << rh << " ours " << hh;
    }
    for (const Worst* w :
         {&geodesicDistance, &geodesicAzimuth, &rhumbDistance, &rhumbAzimuth, &cartesian, &geographic, &height})
        std::printf("%-32s worst %.3g (draw %llu of %llu)\n", w->what, w->value,
                    static_cast<unsigned long long>(w->draw), static_cast<unsigned long long>(n));
}

}  // namespace
