// Ellipsoid computations after the classical textbook forms (Helmert's meridian-arc series,
// the fixed-point iteration for the geodetic latitude, Gauss's mid-latitude formulae).
// Departures from the textbook:
// - the longitude difference of both distance computations is reduced into [-pi, pi], so that
//   two points either side of the antimeridian are not measured the long way round;
// - the meridian-arc coefficients are computed by the constructor, not on first use, so that
//   concurrent conversions share no mutable state;
// - the geodetic-latitude iteration has a cap, and the height is taken along the normal
//   (p cos lat + Z sin lat - a^2 / N), which holds next to the polar axis;
// - the great-circle series serves short lines only (kMidLatitudeSeriesReach); longer ones, and
//   every line over a pole, take the exact geodesic;
// - the rhumb-line distance of nearly east-west lines is taken by a form that tends to the
//   parallel's arc, not by the meridian arc over cos(azimuth), which is 0/0 there; the isometric
//   latitude is asinh(tan lat) - e atanh(e sin lat), the same value as the logarithm of the
//   textbook without its overflow at the south pole, and infinite at a pole; its meridian arc is
//   Helmert's series in the third flattening to n^6 (nanometres): the e2^3 series of MeridianArc
//   is 1 mm off at 70 degrees, and its slope (3e-10 relative) cost 2 mm on a 20000 km rhumb line;
// - the ellipsoid name matches 1/f to the places the table states it to.
#include "geodesy/projections/Ellipsoid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/erc.h"
#include "geodesy/projections/Angles.h"

namespace {

// Third meridian-arc coefficient as the system has always carried it: this decimal, not the
// fraction 35/3072 (they differ by 3e-15 relative, far below a millimetre).
constexpr double kArcSixthOrder = -0.01139322916667;

// The geodetic-latitude fixed point starts from Bowring's closed form and stops once the
// latitude it leaves is surely within this of the fixed point (rad, 6 micrometres on the ground):
// a pass shrinks the error by its contraction q, so after a step s at most s q / (1 - q) remains.
constexpr double kEcefLatitudeTolerance = 1e-12;
// Contractions above this are too slow to settle (next to the evolute).
constexpr double kMaxEcefContraction = 0.5;
// From Bowring's start one to three passes settle anywhere from 5 km below the ellipsoid to beyond the
// geostationary orbit; deep inside the earth the start is poorer and the passes slower, and a
// point they do not settle in this many (all within 300 km of the centre) fails.
constexpr int kMaxEcefIterations = 16;

// Matching tolerances of NameOf: a tenth of a millimetre on a (the defining axes agree exactly),
// and 1/f to half a unit in the last place the table states it to, at least to rounding noise:
// databases derive 1/f from the semi-minor axis (Clarke 1866: 294.978698213898 for 294.9786982).
constexpr double kNameAxisTolerance = 0.0001;
constexpr double kNameInverseFlatteningTolerance = 1e-10;
// The table states 1/f to at most nine decimals; a value whose scaled fraction is below this
// relative amount has no further places.
constexpr int kMaxStatedPlaces = 12;
constexpr double kStatedPlaceNoise = 1e-12;

// Rhumb lines whose latitudes differ by less than this times the cosine of their mean latitude
// take the Simpson form of dM / dpsi: beyond it the plain difference quotient loses at most
// 1e-4 m, below it Simpson's rule errs by less than 1e-16 relative. (The integrand grows as
// 1 / cos lat: without the cosine a line 300 m long next to a pole lost its length.)
constexpr double kNearParallel = 1e-4;

// Degrees, as GeographicLib takes them; a latitude rounded past a pole is the pole.
double degrees(double rad) { return rad * (180 / kPi); }
double latitudeDegrees(double rad) { return std::clamp(degrees(rad), -90.0, 90.0); }

// Half a unit in the last decimal place of a table value.
double statedHalfUnit(double value) {
    double scale = 1;
    for (int places = 0; places < kMaxStatedPlaces; ++places, scale *= 10) {
        const double scaled = value * scale;
        if (std::fabs(scaled - std::nearbyint(scaled)) <= kStatedPlaceNoise * std::fabs(scaled)) return 0.5 / scale;
    }
    return 0.5 / scale;
}

// Coefficients of the Gauss mid-latitude series.
constexpr double kOneTwentyFourth = 1.0 / 24;

}  // namespace

const EllipsoidRow EllipsoidTable[kEllipsoidCount + 1] = {
    {"Airy", 6377563.396, 299.3249646},
    {"ATS-77", 6378135.0, 298.257},
    {"Airy Modified", 6377340.189, 299.3249646},
    {"Bessel 1841", 6377397.155, 299.1528128},
    {"Clarke 1866", 6378206.4, 294.9786982},
    {"Clarke 1880", 6378249.145, 293.465},
    {"Clarke-1880 (Arc)", 6378249.145, 293.4663077},
    {"Clarke 1880 (IGN)", 6378249.2, 293.466021294},
    {"Everest", 6377276.345, 300.8017},
    {"Everest (Malay. & Sing)", 6377304.063, 300.8017},
    {"Everest (India 1956)", 6377301.243, 300.8017},
    {"Everest (Sabah Sarawak)", 6377298.556, 300.8017},
    {"Everest (Malaysia 1969)", 6377295.664, 300.8017},
    {"Everest (Pakistan)", 6377309.613, 300.8017},
    {"Fischer 1960 (Mercury)", 6378166.0, 298.3},
    {"Fischer 1960 Modified", 6378155.0, 298.3},
    {"Fischer 1968", 6378150.0, 298.3},
    {"GRS-1967", 6378160.0, 298.247167427},
    {"GRS-1980", 6378137.0, 298.257222101},
    {"Helmert 1906", 6378200.0, 298.3},
    {"Hough", 6378270.0, 297.0},
    {"Indonesian 1974", 6378160.0, 298.247},
    {"International", 6378388.0, 297.0},
    {"Krassovsky", 6378245.0, 298.3},
    {"SA-1969 & Australian", 6378160.0, 298.25},
    {"WGS-60", 6378165.0, 298.3},
    {"WGS-66", 6378145.0, 298.25},
    {"WGS-72", 6378135.0, 298.26},
    {"WGS-84", 6378137.0, 298.257223563},
    {nullptr, 0.0, 0.0},
};

const Ellipsoid Wgs84Ellipsoid(6378137.0, 1 / 298.257223563);

Ellipsoid::Ellipsoid(double a_, double f_) : a(a_), f(f_), e2(2 * f_ - f_ * f_), e(std::sqrt(e2)) {
    // Meridian arc = a (c0 lat - c1 sin 2lat + c2 sin 4lat + c3 sin 6lat).
    arc[0] = 1 - ((e2 * (5.0 / 256) + 3.0 / 64) * e2 + 1.0 / 4) * e2;
    arc[1] = ((e2 * (45.0 / 1024) + 3.0 / 32) * e2 + 3.0 / 8) * e2;
    arc[2] = (e2 * (45.0 / 1024) + 15.0 / 256) * e2 * e2;
    arc[3] = kArcSixthOrder * e2 * e2 * e2;
    // sin 4lat = 2 sin 2lat cos 2lat, sin 6lat = sin 2lat (4 cos^2 2lat - 1).
    arcPowers[0] = -arc[1] - arc[3];
    arcPowers[1] = 2 * arc[2];
    arcPowers[2] = 4 * arc[3];
    // Helmert's series of the meridian arc in n = f / (2 - f), to n^6.
    const double n = f / (2 - f), n2 = n * n, n3 = n2 * n, n4 = n2 * n2, n5 = n4 * n, n6 = n3 * n3;
    rectifying[0] = a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
    rectifying[1] = -3 * n / 2 + 9 * n3 / 16 - 3 * n5 / 32;
    rectifying[2] = 15 * n2 / 16 - 15 * n4 / 32 + 135 * n6 / 2048;
    rectifying[3] = -35 * n3 / 48 + 105 * n5 / 256;
    rectifying[4] = 315 * n4 / 512 - 189 * n6 / 512;
    rectifying[5] = -693 * n5 / 1280;
    rectifying[6] = 1001 * n6 / 2048;
    if (std::isfinite(a) && a > 0 && std::isfinite(f) && f < 1) geodesic.emplace(a, f);
}

namespace {
const EllipsoidRow& checkedRow(int index) {
    if (index < 0 || index >= kEllipsoidCount) throw erc(7, kSeverityError, &geodesyFacility());
    return EllipsoidTable[index];
}
}  // namespace

Ellipsoid::Ellipsoid(int index)
    : Ellipsoid(checkedRow(index).a, 1 / checkedRow(index).inverseFlattening) {}

double Ellipsoid::RadiusN(double lat) const {
    double s = std::sin(lat);
    return a / std::sqrt(1 - e2 * s * s);
}

double Ellipsoid::RadiusM(double lat) const {
    double s = std::sin(lat);
    double w = std::sqrt(1 - e2 * s * s);
    return (1 - e2) * a / (w * w * w);
}

double Ellipsoid::MeridianArc(double lat) const {
    return a * (arc[0] * lat - arc[1] * std::sin(2 * lat) + arc[2] * std::sin(4 * lat) +
                arc[3] * std::sin(6 * lat));
}

void Ellipsoid::GeoECEF(double lat, double lon, double h, double& X, double& Y, double& Z) const {
    double n = RadiusN(lat);
    double cosLat = std::cos(lat);
    X = (n + h) * cosLat * std::cos(lon);
    Y = (n + h) * cosLat * std::sin(lon);
    Z = ((1 - e2) * n + h) * std::sin(lat);
}

bool Ellipsoid::ECEFGeo(double X, double Y, double Z, double& lat, double& lon, double& h) const {
    const double p = std::hypot(X, Y);
    if (p == 0) {
        // On the polar axis; the centre itself counts as the south pole.
        lat = Z > 0 ? kHalfPi : -kHalfPi;
        lon = 0;
        h = std::fabs(Z) - (1 - f) * a;
        return true;
    }
    // Within the evolute of the meridian ellipse, (a p)^2/3 + (b Z)^2/3 < (a^2 - b^2)^2/3, up to
    // four normals pass through the point (the nearest is not the fixed point's); such a point lies
    // within e2 a (43 km) of the centre, and no geodetic position is given for it.
    const double b = a * (1 - f);
    const double focal = a * e2;  // (a^2 - b^2) / a
    if (p < focal && std::fabs(Z) < focal * a / b &&
        std::cbrt(a * p * a * p) + std::cbrt(b * Z * b * Z) < std::cbrt(a * focal * a * focal)) {
        lat = lon = h = std::numeric_limits<double>::quiet_NaN();
        return false;
    }
    const double contractionBound = focal / ((1 - e2) * std::sqrt(1 - e2));
    // Bowring's first guess from the parametric latitude of the point's projection on the
    // ellipsoid, carried as a sine and cosine.
    double s = 0, c = 0;
    {
        const double u = std::hypot(a * Z, b * p);
        const double su = a * Z / u, cu = b * p / u;
        const double num = Z + e2 / (1 - e2) * b * su * su * su;
        const double den = p - focal * cu * cu * cu;
        const double r = std::hypot(num, den);
        s = num / r;
        c = den / r;
    }
    // The fixed point lat' = atan((Z + e2 N sin lat) / p) from there.
    for (int pass = 0; pass < kMaxEcefIterations && c > 0; ++pass) {
        const double w2 = 1 - e2 * s * s;
        const double n = a / std::sqrt(w2);
        const double t = (Z + e2 * n * s) / p;
        const double c1 = 1 / std::sqrt(1 + t * t);
        const double s1 = t * c1;
        // |sin(lat' - lat)|, and a bound on the contraction e2 a cos^3 lat / (W^3 p) of the
        // passes that follow, at lat' (W is at least sqrt(1 - e2)).
        const double step = std::fabs(s1 * c - c1 * s);
        const double q = contractionBound * c1 * c1 * c1 / p;
        s = s1;
        c = c1;
        if (q <= kMaxEcefContraction && step * q <= kEcefLatitudeTolerance * (1 - q)) {
            lon = std::atan2(Y, X);
            lat = std::atan(t);
            // p cos lat + Z sin lat - a^2 / N: the distance along the normal, well-conditioned
            // everywhere (p / cos lat - N is 0/0 on the polar axis).
            h = p * c + Z * s - a * std::sqrt(1 - e2 * s * s);
            return true;
        }
    }
    lat = lon = h = std::numeric_limits<double>::quiet_NaN();
    return false;
}

double Ellipsoid::GCircLL(double lat1, double lon1, double lat2, double lon2, double* azimuth) const {
    double dlat = lat2 - lat1;
    double dlon = ShortLongitude(lon2 - lon1);
    if (geodesic && !(std::fabs(dlat) <= kMidLatitudeSeriesReach && std::fabs(dlon) <= kMidLatitudeSeriesReach))
        return GeodesicInverse(lat1, lon1, lat2, lon2, azimuth);
    double latm = (lat1 + lat2) * 0.5;
    double s = std::sin(latm);
    double c = std::cos(latm);
    double t = std::tan(latm);
    double eta2 = e2 / (1 - e2) * c * c;
    // (1 - eta2)^2, as the system has always computed it (the textbook has 1 + eta2).
    double q = (1 - eta2) * (1 - eta2);
    // N and M of the mid-latitude from one square root.
    double w = std::sqrt(1 - e2 * s * s);
    double n = a / w;
    double m = (1 - e2) * a / (w * w * w);
    double dlon2 = dlon * dlon;
    double dlat2 = dlat * dlat;
    double x = n * dlon * c * (1 - dlon2 * s * s * kOneTwentyFourth + (1 + 9 * eta2 * eta2 * t * t) / (24 * q) * dlat2);
    double y = m * std::cos(dlon / 2) * dlat *
               (1 + (1 - 2 * eta2) / 24 * dlon2 * c * c + (1 - t * t) * eta2 / (8 * q) * dlat2);
    if (azimuth)
        *azimuth = std::atan2(x, y) -
                   0.5 * s * dlon * (1 + (1 + eta2) / 12 * dlon2 * c * c + (3 + 8 * eta2) / (24 * q) * dlat2);
    // Both terms are below 1e8: no overflow to guard against.
    return std::sqrt(x * x + y * y);
}

double Ellipsoid::GeodesicInverse(double lat1, double lon1, double lat2, double lon2, double* azimuth,
                                  double* reducedLength, double* azimuth2) const {
    if (!geodesic) return std::numeric_limits<double>::quiet_NaN();
    // Only what the caller wants: the reduced length and the azimuths each cost series of their own.
    using GeographicLib::Geodesic;
    const unsigned mask = unsigned(Geodesic::DISTANCE) | (azimuth || azimuth2 ? unsigned(Geodesic::AZIMUTH) : 0u) |
                          (reducedLength ? unsigned(Geodesic::REDUCEDLENGTH) : 0u);
    double s12 = 0, azi1 = 0, azi2 = 0, m12 = 0, M12, M21, S12;
    geodesic->GenInverse(latitudeDegrees(lat1), degrees(lon1), latitudeDegrees(lat2), degrees(lon2), mask, s12, azi1,
                         azi2, m12, M12, M21, S12);
    if (azimuth) *azimuth = azi1 * (kPi / 180);
    if (reducedLength) *reducedLength = m12;
    if (azimuth2) *azimuth2 = azi2 * (kPi / 180);
    return s12;
}

void Ellipsoid::GeodesicDirect(double lat1, double lon1, double azimuth, double distance, double& lat2,
                               double& lon2) const {
    if (!geodesic) {
        lat2 = lon2 = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    double latDeg, lonDeg;
    geodesic->Direct(latitudeDegrees(lat1), degrees(lon1), degrees(azimuth), distance, latDeg, lonDeg);
    lat2 = latDeg * (kPi / 180);
    lon2 = ShortLongitude(lonDeg * (kPi / 180));
}

double Ellipsoid::RectifyingArc(double lat) const {
    double sum = lat;
    for (int k = 1; k <= 6; ++k) sum += rectifying[k] * std::sin(2 * k * lat);
    return rectifying[0] * sum;
}

double Ellipsoid::IsometricLatitude(double lat) const {
    if (std::fabs(lat) >= kHalfPi) return std::copysign(std::numeric_limits<double>::infinity(), lat);
    return std::asinh(std::tan(lat)) - e * std::atanh(e * std::sin(lat));
}

double Ellipsoid::RLineLL(double lat1, double lon1, double lat2, double lon2, double* azimuth) const {
    double dlon = ShortLongitude(lon2 - lon1);
    // Both ends at one pole: a point, as at equal latitudes elsewhere (inf - inf would be NaN).
    double dpsi = lat1 == lat2 ? 0 : IsometricLatitude(lat2) - IsometricLatitude(lat1);
    double course = std::atan2(dlon, dpsi);
    if (azimuth) *azimuth = course;
    if (std::fabs(lat2 - lat1) > kNearParallel * std::cos((lat1 + lat2) / 2))
        return std::fabs((RectifyingArc(lat2) - RectifyingArc(lat1)) / std::cos(course));
    // Near a parallel dM / cos(course) is 0/0: the distance is hypot(dlon, dpsi) dM / dpsi, and
    // dM / dpsi is the ratio of the integrals of M and M / (N cos lat) over the latitudes, taken
    // by Simpson's rule (equal latitudes give the parallel's N cos lat exactly in the limit).
    const double latm = (lat1 + lat2) / 2;
    const double m1 = RadiusM(lat1), mm = RadiusM(latm), m2 = RadiusM(lat2);
    const double arc = m1 + 4 * mm + m2;
    const double isometric = m1 / (RadiusN(lat1) * std::cos(lat1)) + 4 * mm / (RadiusN(latm) * std::cos(latm)) +
                             m2 / (RadiusN(lat2) * std::cos(lat2));
    return std::hypot(dlon, dpsi) * arc / isometric;
}

const char* Ellipsoid::NameOf(double a, double f) {
    for (const EllipsoidRow* row = EllipsoidTable; row->name; ++row)
        if (std::fabs(a - row->a) < kNameAxisTolerance &&
            std::fabs(1 / f - row->inverseFlattening) <
                std::max(kNameInverseFlatteningTolerance, statedHalfUnit(row->inverseFlattening)))
            return row->name;
    return nullptr;
}

const char* Ellipsoid::TableEntry(int index, double* a, double* f) {
    if (index < 0 || index >= kEllipsoidCount) return nullptr;
    const EllipsoidRow& row = EllipsoidTable[index];
    if (a) *a = row.a;
    if (f) *f = 1 / row.inverseFlattening;
    return row.name;
}
