// Conversions through the exported interface, as a host pays them, against PROJ 9 in the same
// process on the same 4096 points: PROJ through one reused PJ and proj_trans_generic, the library
// one point a call. Every projection class both ways against its PROJ equivalent; UTM against
// PROJ's like-for-like series (+proj=tmerc +approx) and against what a user would pick
// (+proj=utm, a heavier exact algorithm), and the same series written out inline as the floor
// of what an export can cost; GCircLL against geod_inverse on long and on short lines; RLineLL
// against GeographicLib's Rhumb; GeoECEF and ECEFGeo against cart.
#include <geodesic.h>
#include <proj.h>

#include <GeographicLib/Rhumb.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "bench/Contest.h"
#include "geodesy/Tellus.h"
#include "tests/geodesy/projections/ProjectionChecks.h"

namespace {

constexpr int kPoints = 4096;

// UTM zone 31 north on WGS 84.
constexpr double kA = 6378137.0;
constexpr double kInverseFlattening = 298.257223563;
constexpr double kK0 = 0.9996;
constexpr double kCentralMeridian = 3 * kDeg;
constexpr double kFalseEasting = 500000;

// The library's transverse Mercator series, written out: the same constants and the same
// operations in the same order, so it gives the same bits as GeoXY and XYGeo.
class InlineTransverseMercator {
public:
    InlineTransverseMercator() {
        double f = 1 / kInverseFlattening;
        e2 = 2 * f - f * f;
        double n = f / (2 - f);
        double n2 = n * n, n3 = n2 * n, n4 = n3 * n;
        cosPowers(-3.0 / 2 * n + 9.0 / 16 * n3, 15.0 / 16 * n2 - 15.0 / 32 * n4, -35.0 / 48 * n3,
                  315.0 / 512 * n4, A);
        cosPowers(3.0 / 2 * n - 27.0 / 32 * n3, 21.0 / 16 * n2 - 55.0 / 32 * n4, 151.0 / 96 * n3,
                  1097.0 / 512 * n4, B);
        r = kA * (1 - n) * (1 - n2) * (1 + 9.0 / 4 * n2 + 225.0 / 64 * n4);
        y0 = -(0.0 * kK0 * r);
        ep2 = e2 / (1 - e2);
    }

    void forward(double lat, double lon, double& x, double& y) const {
        double c = std::cos(lat);
        double eta2 = ep2 * c * c;
        double dlon = lon - kCentralMeridian;
        if (dlon > std::numbers::pi)
            dlon -= 2 * std::numbers::pi;
        else if (dlon < -std::numbers::pi)
            dlon += 2 * std::numbers::pi;
        double l = dlon * c;
        double s = std::sin(lat);
        double mu = series(lat, s, c, A);
        double t = std::tan(lat);
        double T = t * t;
        double nu = kA / std::sqrt(1 - e2 * s * s);
        double l2 = l * l, l4 = l2 * l2, l6 = l4 * l2;
        x = kFalseEasting + kK0 * nu * l *
                                (1 + l2 * (1 - T + eta2) / 6 + l4 * (5 - 18 * T + T * T + (14 - 58 * T) * eta2) / 120 +
                                 l6 * (61 - 479 * T + 179 * T * T - T * T * T) / 5040);
        y = 0 + y0 +
            kK0 * (r * mu + nu * t * l2 / 2 *
                                (1 + l2 * (5 - T + 9 * eta2 + 4 * eta2 * eta2) / 12 +
                                 l4 * (61 - 58 * T + T * T + 270 * eta2 - 330 * T * eta2) / 360));
    }

    void inverse(double x, double y, double& lat, double& lon) const {
        double mu = (y - 0 - y0) / (r * kK0);
        double lat1 = series(mu, std::sin(mu), std::cos(mu), B);
        double c1 = std::cos(lat1);
        double eta2 = ep2 * c1 * c1;
        double t = std::tan(lat1);
        double T = t * t;
        double s1 = std::sin(lat1);
        double nu = kA / std::sqrt(1 - e2 * s1 * s1);
        double D = (x - kFalseEasting) / (kK0 * nu);
        double D2 = D * D, D4 = D2 * D2, D6 = D4 * D2;
        lat = lat1 - (1 + eta2) * t * D2 / 2 *
                         (1 - D2 * (5 + 3 * T + eta2 - 9 * T * eta2 - 4 * eta2 * eta2) / 12 +
                          D4 * (61 + 90 * T + 45 * T * T + 46 * eta2 - 252 * T * eta2 - 90 * T * T * eta2) / 360);
        lon = kCentralMeridian + D / c1 *
                                     (1 - D2 * (1 + 2 * T + eta2) / 6 +
                                      D4 * (5 + 28 * T + 24 * T * T + (6 + 8 * T) * eta2) / 120 -
                                      D6 * (61 + 662 * T + 1320 * T * T + 720 * T * T * T) / 5040);
    }

private:
    static void cosPowers(double s2, double s4, double s6, double s8, double* c) {
        c[0] = 2 * (s2 - 2 * s4 + 3 * s6 - 4 * s8);
        c[1] = 8 * (s4 - 4 * s6 + 10 * s8);
        c[2] = 32 * (s6 - 6 * s8);
        c[3] = 128 * s8;
    }
    static double series(double phi, double s, double c, const double* k) {
        double cc = c * c;
        return phi + s * c * (k[0] + k[1] * cc + k[2] * cc * cc + k[3] * cc * cc * cc);
    }

    double e2, ep2, r, y0;
    double A[4], B[4];
};

using contest::Points;

Points scattered(double south, double north, double west, double east) {
    return contest::scattered(kPoints, south, north, west, east);
}

PJ_CONTEXT* projContext() {
    static PJ_CONTEXT* context = proj_context_create();
    return context;
}

// A class's record beside its PROJ definition and the box its points are drawn from (degrees).
struct ProjectionCase {
    const char* name;
    ProjectionSetup setup;
    const char* proj;
    double south, north, west, east;
};

constexpr double kBesselA = 6377397.155, kBesselInvF = 299.1528128;
// Hotine and RSO grids on one centre line; PROJ turns the skew frame by +gamma.
constexpr ProjectionSetup borneo(int id) {
    return {.id = id, .referenceLatitude = 4, .centralMeridian = 115, .skewAzimuth = 53.31582047222222,
            .k0 = 0.99984, .falseEasting = 590476.87, .falseNorthing = 442857.65};
}
#define BORNEO_OMERC \
    "+proj=omerc +lat_0=4 +lonc=115 +alpha=53.31582047222222 +k_0=0.99984 +x_0=590476.87 +y_0=442857.65 " \
    "+no_uoff +ellps=WGS84 "
constexpr ProjectionSetup kGuam{.id = 8, .referenceLatitude = 13.47246635, .centralMeridian = 144.7487507,
                                .falseEasting = 100000, .falseNorthing = 200000};

// The setups of the classes' reference tests.
const ProjectionCase kCases[] = {
    {"Lambert 2SP (LCC)",
     {.id = 1, .inverseFlattening = kGrs80InvF, .referenceLatitude = 23, .centralMeridian = -96, .northParallel = 29.5,
      .southParallel = 45.5},
     "+proj=lcc +lat_1=29.5 +lat_2=45.5 +lat_0=23 +lon_0=-96 +ellps=GRS80", 25, 50, -125, -67},
    {"Mercator (MER)", {.id = 2}, "+proj=merc +lon_0=0 +ellps=WGS84", -80, 80, -180, 180},
    {"oblique stereographic (OST)",
     {.id = 4, .a = kBesselA, .inverseFlattening = kBesselInvF, .referenceLatitude = 52.15616055555555,
      .centralMeridian = 5.38763888888889, .k0 = 0.9999079, .falseEasting = 155000, .falseNorthing = 463000},
     "+proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 +x_0=155000 +y_0=463000 "
     "+ellps=bessel",
     50.7, 53.6, 3.3, 7.3},
    {"oblique cylindrical (OCY)",
     {.id = 5, .a = kBesselA, .inverseFlattening = kBesselInvF, .referenceLatitude = 46.9524055555556,
      .centralMeridian = 7.43958333333333, .falseEasting = 600000, .falseNorthing = 200000},
     "+proj=somerc +lat_0=46.9524055555556 +lon_0=7.43958333333333 +k_0=1 +x_0=600000 +y_0=200000 +ellps=bessel",
     45.8, 47.8, 5.9, 10.5},
    {"Hotine (HOM)", borneo(6), BORNEO_OMERC "+gamma=53.31582047222222", 0, 8, 109, 120},
    {"RSO (RSO)", borneo(7), BORNEO_OMERC "+gamma=53.13011280486688", 0, 8, 109, 120},
    // Both of PROJ's: the exact geodesic, like for like (ours is the exact geodesic beyond 19 km
    // of the centre, the series within), and the Guam projection's shorter series for reference.
    {"azimuthal equidistant (AZD) vs aeqd",
     kGuam,
     "+proj=aeqd +lat_0=13.47246635 +lon_0=144.7487507 +x_0=100000 +y_0=200000 +ellps=WGS84", 13, 14, 144.3, 145.2},
    {"azimuthal equidistant (AZD) vs aeqd +guam",
     kGuam,
     "+proj=aeqd +guam +lat_0=13.47246635 +lon_0=144.7487507 +x_0=100000 +y_0=200000 +ellps=WGS84", 13, 14, 144.3,
     145.2},
    {"spherical Mercator (CME)", {.id = 9}, "+proj=merc +R=6378388", -80, 80, -180, 180},
    {"Albers (ALA)",
     {.id = 10, .inverseFlattening = kGrs80InvF, .referenceLatitude = 23, .centralMeridian = -96,
      .northParallel = 29.5, .southParallel = 45.5},
     "+proj=aea +lat_1=29.5 +lat_2=45.5 +lat_0=23 +lon_0=-96 +ellps=GRS80", 25, 50, -125, -67},
    {"Cassini (CAS)",
     {.id = 11, .a = kBesselA, .inverseFlattening = kBesselInvF, .referenceLatitude = 52.4186482777778,
      .centralMeridian = 13.6272036666667, .falseEasting = 40000, .falseNorthing = 10000},
     "+proj=cass +lat_0=52.4186482777778 +lon_0=13.6272036666667 +x_0=40000 +y_0=10000 +ellps=bessel", 51.5, 53.5,
     12.5, 14.8},
    {"polar stereographic (PST)", {.id = 12, .referenceLatitude = 70, .centralMeridian = -45},
     "+proj=stere +lat_0=90 +lat_ts=70 +lon_0=-45 +ellps=WGS84", 60, 89.9, -180, 180},
    {"azimuthal equal-area (AZA)",
     {.id = 13, .inverseFlattening = kGrs80InvF, .referenceLatitude = 52, .centralMeridian = 10,
      .falseEasting = 4321000, .falseNorthing = 3210000},
     "+proj=laea +lat_0=52 +lon_0=10 +x_0=4321000 +y_0=3210000 +ellps=GRS80", 35, 70, -10, 40},
    {"polyconic (POL)",
     {.id = 17, .a = 6378206.4, .inverseFlattening = 294.9786982, .referenceLatitude = 30, .centralMeridian = -96},
     "+proj=poly +lat_0=30 +lon_0=-96 +ellps=clrk66", 25, 50, -110, -82},
};

// One class's handle and PJ with the points both ways: the grid points are the library's images
// of the geographic ones. Lives as long as the program (the rows point into it).
struct Match {
    GeodesyHandle handle = nullptr;
    PJ* pj = nullptr;
    Points geo;
    std::vector<double> x, y;        // the library's forward images, the inverse's input
    std::vector<double> out1, out2;  // the library's outputs
    contest::ProjBatch forward, inverse;

    Match(const GeodesyParams& params, const char* definition, Points points)
        : handle(CreateGeodesy(&params)), pj(proj_create(projContext(), definition)), geo(std::move(points)),
          x(kPoints), y(kPoints), out1(kPoints), out2(kPoints), forward(pj, PJ_FWD, geo.lon, geo.lat),
          inverse(pj, PJ_INV, x, y) {
        for (int i = 0; handle && i < kPoints; ++i) failures += !GeoXY(handle, &x[i], &y[i], geo.lat[i], geo.lon[i]);
        for (int i = 0; handle && i < kPoints; ++i) failures += !XYGeo(handle, x[i], y[i], &out1[i], &out2[i]);
    }

    int failures = 0;  // the library's, both ways

    // The largest difference between the library's and PROJ's forward images.
    double disagreement() {
        forward.restore();
        forward.transform();
        inverse.restore();
        inverse.transform();
        double worst = 0;
        for (int i = 0; i < kPoints; ++i)
            worst = std::max({worst, std::abs(forward.x[i] - x[i]), std::abs(forward.y[i] - y[i])});
        // A point PROJ refuses (HUGE_VAL) shows as a huge difference; so does one it cannot invert.
        for (int i = 0; i < kPoints; ++i)
            if (!std::isfinite(inverse.x[i]) || std::abs(inverse.x[i]) == HUGE_VAL) worst = HUGE_VAL;
        return worst;
    }

    contest::Contender oursForward() {
        return {[this] {
            for (int i = 0; i < kPoints; ++i) GeoXY(handle, &out1[i], &out2[i], geo.lat[i], geo.lon[i]);
        }};
    }
    contest::Contender oursInverse() {
        return {[this] {
            for (int i = 0; i < kPoints; ++i) XYGeo(handle, x[i], y[i], &out1[i], &out2[i]);
        }};
    }
};

// Adds the forward and inverse rows of one pairing, or says why it cannot.
void addPair(const std::string& name, Match& m) {
    if (!m.handle || !m.pj) {
        contest::addNote(name + ": not run (" + (m.handle ? "PROJ refuses the definition" : "CreateGeodesy failed") +
                         ")");
        return;
    }
    if (m.failures)
        contest::addNote(name + ": " + std::to_string(m.failures) + " of the library's conversions fail");
    if (double worst = m.disagreement(); worst > 1e-3)
        contest::addNote(name + ": the forward images differ from PROJ's by up to " + std::to_string(worst) + " m");
    contest::addRow(name + " forward", kPoints, m.oursForward(), m.forward.contender());
    contest::addRow(name + " inverse", kPoints, m.oursInverse(), m.inverse.contender());
}

void addUtmRows() {
    const Points zone = scattered(-80, 84, 0, 6);
    static Match approx(utmParams(31), "+proj=tmerc +approx +lon_0=3 +k=0.9996 +x_0=500000 +ellps=WGS84", zone);
    static Match utm(utmParams(31), "+proj=utm +zone=31 +ellps=WGS84", zone);
    addPair("UTM 31N (TME) vs tmerc +approx, the same series", approx);
    addPair("UTM 31N (TME) vs utm, PROJ's default", utm);

    // The floor: the library's series inline, no handle, no virtual call, no error code.
    static InlineTransverseMercator tm;
    for (int i = 0; i < kPoints; ++i) {
        double x, y;
        tm.forward(approx.geo.lat[i], approx.geo.lon[i], x, y);
        if (x != approx.x[i] || y != approx.y[i]) {
            contest::addNote("the inline series differs from GeoXY: no floor rows");
            return;
        }
    }
    contest::addRow("UTM inline series (floor) vs tmerc +approx forward", kPoints, {[] {
                        for (int i = 0; i < kPoints; ++i)
                            tm.forward(approx.geo.lat[i], approx.geo.lon[i], approx.out1[i], approx.out2[i]);
                    }},
                    approx.forward.contender());
    contest::addRow("UTM inline series (floor) vs tmerc +approx inverse", kPoints, {[] {
                        for (int i = 0; i < kPoints; ++i)
                            tm.inverse(approx.x[i], approx.y[i], approx.out1[i], approx.out2[i]);
                    }},
                    approx.inverse.contender());
}

void addProjectionRows() {
    static std::vector<std::unique_ptr<Match>> matches;
    for (const ProjectionCase& c : kCases) {
        matches.push_back(
            std::make_unique<Match>(paramsOf(c.setup), c.proj, scattered(c.south, c.north, c.west, c.east)));
        addPair(c.name, *matches.back());
    }
}

// GCircLL against PROJ's geodesic on the same pairs of points anywhere on the earth.
void addGeodesicRow() {
    static Match m(utmParams(31), "+proj=utm +zone=31 +ellps=WGS84", scattered(-80, 80, -180, 180));
    static geod_geodesic g;
    geod_init(&g, kA, 1 / kInverseFlattening);
    auto partner = [](int i) { return (i * 37 + 11) % kPoints; };
    contest::addRow("GCircLL vs geod_inverse (the exact geodesic)", kPoints, {[partner] {
                        for (int i = 0; i < kPoints; ++i)
                            m.out1[i] = GCircLL(m.handle, m.geo.lat[i], m.geo.lon[i], m.geo.lat[partner(i)],
                                                m.geo.lon[partner(i)], &m.out2[i]);
                    }},
                    {[partner] {
                        constexpr double kToDeg = 180 / std::numbers::pi;
                        for (int i = 0; i < kPoints; ++i)
                            geod_inverse(&g, m.geo.lat[i] * kToDeg, m.geo.lon[i] * kToDeg,
                                         m.geo.lat[partner(i)] * kToDeg, m.geo.lon[partner(i)] * kToDeg, &m.out1[i],
                                         &m.out2[i], nullptr);
                    }});
}

// Earth-centred cartesian coordinates both ways against PROJ's cart (Bowring's closed form, one
// step) on points anywhere on the earth, from 100 m below the ellipsoid to 10 km above it.
void addEarthCentredRows() {
    static Match m(utmParams(31), "+proj=cart +ellps=WGS84", scattered(-89, 89, -180, 180));
    static std::vector<double> h(kPoints), X(kPoints), Y(kPoints), Z(kPoints), pX(kPoints), pY(kPoints),
        pZ(kPoints), pLon(kPoints), pLat(kPoints), pH(kPoints), hOut(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        h[i] = -100 + 10100.0 * ((i * 7919) % kPoints) / kPoints;
        GeoECEF(m.handle, &X[i], &Y[i], &Z[i], m.geo.lat[i], m.geo.lon[i], h[i]);
    }
    if (!m.pj) {
        contest::addNote("GeoECEF and ECEFGeo: not run (PROJ refuses +proj=cart)");
        return;
    }
    auto proj = [](PJ_DIRECTION direction, std::vector<double>& a, std::vector<double>& b, std::vector<double>& c) {
        proj_trans_generic(m.pj, direction, a.data(), sizeof(double), kPoints, b.data(), sizeof(double), kPoints,
                           c.data(), sizeof(double), kPoints, nullptr, 0, 0);
    };
    contest::addRow("GeoECEF vs cart forward", kPoints, {[] {
                        for (int i = 0; i < kPoints; ++i)
                            GeoECEF(m.handle, &m.out1[i], &m.out2[i], &pZ[i], m.geo.lat[i], m.geo.lon[i], h[i]);
                    }},
                    {[proj] { proj(PJ_FWD, pLon, pLat, pH); },
                     [] {
                         pLon = m.geo.lon;
                         pLat = m.geo.lat;
                         pH = h;
                     }});
    contest::addRow("ECEFGeo vs cart inverse", kPoints, {[] {
                        for (int i = 0; i < kPoints; ++i)
                            ECEFGeo(m.handle, X[i], Y[i], Z[i], &m.out1[i], &m.out2[i], &hOut[i]);
                    }},
                    {[proj] { proj(PJ_INV, pX, pY, pZ); },
                     [] {
                         pX = X;
                         pY = Y;
                         pZ = Z;
                     }});
}

// GCircLL on short lines (the mid-latitude series, ends within 2.5e-3 rad) against geod_inverse.
void addShortGeodesicRow() {
    static Match m(utmParams(31), "+proj=utm +zone=31 +ellps=WGS84", scattered(-80, 80, -180, 180));
    static std::vector<double> lat2(kPoints), lon2(kPoints);
    static geod_geodesic g;
    geod_init(&g, kA, 1 / kInverseFlattening);
    for (int i = 0; i < kPoints; ++i) {
        // About 1 to 10 km away, in every direction.
        const double bearing = 2 * std::numbers::pi * i / kPoints, reach = 1.5e-4 + 1.4e-3 * ((i * 7) % 11) / 10;
        lat2[i] = std::clamp(m.geo.lat[i] + reach * std::cos(bearing), -std::numbers::pi / 2, std::numbers::pi / 2);
        lon2[i] = m.geo.lon[i] + reach * std::sin(bearing);
    }
    contest::addRow("GCircLL short lines (series) vs geod_inverse", kPoints, {[] {
                        for (int i = 0; i < kPoints; ++i)
                            m.out1[i] = GCircLL(m.handle, m.geo.lat[i], m.geo.lon[i], lat2[i], lon2[i], &m.out2[i]);
                    }},
                    {[] {
                        constexpr double kToDeg = 180 / std::numbers::pi;
                        for (int i = 0; i < kPoints; ++i)
                            geod_inverse(&g, m.geo.lat[i] * kToDeg, m.geo.lon[i] * kToDeg, lat2[i] * kToDeg,
                                         lon2[i] * kToDeg, &m.out1[i], &m.out2[i], nullptr);
                    }});
}

// RLineLL against GeographicLib's exact rhumb line on the same pairs as the geodesic row.
void addRhumbRow() {
    static Match m(utmParams(31), "+proj=utm +zone=31 +ellps=WGS84", scattered(-80, 80, -180, 180));
    static const GeographicLib::Rhumb rhumb(kA, 1 / kInverseFlattening);
    auto partner = [](int i) { return (i * 37 + 11) % kPoints; };
    contest::addRow("RLineLL vs GeographicLib Rhumb::Inverse", kPoints, {[partner] {
                        for (int i = 0; i < kPoints; ++i)
                            m.out1[i] = RLineLL(m.handle, m.geo.lat[i], m.geo.lon[i], m.geo.lat[partner(i)],
                                                m.geo.lon[partner(i)], &m.out2[i]);
                    }},
                    {[partner] {
                        constexpr double kToDeg = 180 / std::numbers::pi;
                        for (int i = 0; i < kPoints; ++i)
                            rhumb.Inverse(m.geo.lat[i] * kToDeg, m.geo.lon[i] * kToDeg, m.geo.lat[partner(i)] * kToDeg,
                                          m.geo.lon[partner(i)] * kToDeg, m.out1[i], m.out2[i]);
                    }});
}

}  // namespace

int main(int argc, char** argv) {
    addUtmRows();
    addProjectionRows();
    addGeodesicRow();
    addShortGeodesicRow();
    addRhumbRow();
    addEarthCentredRows();
    contest::addNote("aeqd +guam is PROJ's Guam projection (EPSG 9831), a shorter series than the azimuthal "
                     "equidistant's: a reference, not like for like");
    contest::addNote("GCircLL and the azimuthal equidistant beyond its series: GeographicLib's C++ Geodesic "
                     "against the C port of the same method inside PROJ");
    return contest::run(argc, argv, "Conversions, 4096 points a run");
}
