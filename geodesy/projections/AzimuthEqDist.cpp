// Azimuthal equidistant by the normal-section series of the geodesic distance and azimuth from
// the centre (EPSG Guidance Note 7-2, "Modified Azimuthal Equidistant", method 9832; Snyder,
// "Map Projections: A Working Manual", 1987, pp. 197-200). The series hold near the centre.
// Departures:
// - the distance on the sphere is cos psi hypot(sin dl, cos lat1 tan psi - sin lat1 cos dl), the
//   value of sin dl cos psi / sin Az without the division, which is 0/0 on the centre's meridian
//   and loses every digit for a longitude a rounding away from it;
// - the inverse longitude is taken with a two-argument arctangent, so points more than a quarter
//   turn of longitude from the centre's meridian are not mirrored;
// - the inverse latitude is written as atan2(sin psi - e2 F sin lat1, (1 - e2) cos psi), the same
//   value as atan((1 - e2 F sin lat1 / sin psi) tan psi / (1 - e2)) without the divisions by
//   sin psi (0 on the equator) and cos psi (0 at the poles), and psi is taken from its sine and
//   cosine;
// - arcsines of rounded values are kept in their domain, and the polar scale is 1 at the centre
//   (0/0 there);
// - the series serve within kCentreSeriesReach of the centre (about 19 km) only, where they stay within
//   0.2 mm of the geodesic; beyond it the distance and azimuth from the centre are those of the
//   exact geodesic, and the inverse follows the geodesic from the centre (as PROJ's aeqd does);
//   a grid point beyond the image of the cut locus (the geodesic from the centre is no longer
//   the shortest there) is refused;
// - the scale across the radius is s / m12 (distance over reduced length) in the oblique aspect,
//   1 only at the centre.
// - the convergence is the exact geodesic's (its azimuths at both ends and the scale across the
//   radius), not a difference of the forward, which would take the series' step where they end.
#include "geodesy/projections/AzimuthEqDist.h"

#include <algorithm>
#include <cmath>

namespace {

// Aspect: a centre this close to a pole (6 micrometres, a pole given through a truncated degree
// factor) is treated as the pole. Farther off, the polar longitude would turn the points near the
// pole about the wrong centre (metres off at 1e-6 rad).
constexpr double kPolarAspectTolerance = 1e-12;

// The series hold within this angle of the centre (rad, about 19 km): 0.11 mm off the geodesic
// at 20 km from a centre on the equator, where they fall short most, 1.7 mm at 50 km, 14 mm at
// 100 km.
constexpr double kCentreSeriesReach = 3e-3;
// No shortest geodesic from the centre is longer than half a meridian, and no cut point is
// nearer than pi b: only grid points beyond this share of pi b need the cut-locus check.
constexpr double kCutLocusShare = 0.99;
// Below this squared eccentricity (1/f > 60) the auxiliary sphere's angles stay within a tenth
// of the geodetic ones near the centre.
constexpr double kEarthLikeE2 = 0.033;
// A geodesic from the centre that a shorter one beats by more than this (m) has passed the cut
// locus: its end lies elsewhere in the grid.
constexpr double kBeyondCutLocus = 1e-6;

}  // namespace

AzimuthEqDist::AzimuthEqDist(const GeodesyParams& params) : Projection(params) {
    if (a == 0) RefuseParameters();
    const double lat1 = referenceLatitude;
    sinLat1 = std::sin(lat1);
    cosLat1 = std::cos(lat1);
    N1 = RadiusN(lat1) / unit;
    G = e * sinLat1 / std::sqrt(1 - e2);
    northPolar = std::fabs(lat1 - kHalfPi) < kPolarAspectTolerance;
    southPolar = std::fabs(lat1 + kHalfPi) < kPolarAspectTolerance;
}

erc AzimuthEqDist::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double dl = LongitudeDifference(lon, centralMeridian);
    if (ClearlyBeyondSeries(lat, dl)) return AlongGeodesicTo(lat, lon, x, y);
    const double sinDl = std::sin(dl);
    const double cosDl = std::cos(dl);
    const double N = RadiusN(lat) / unit;
    const double psi = std::atan((1 - e2) * std::tan(lat) + e2 * N1 * sinLat1 / (N * std::cos(lat)));
    const double cosPsi = std::cos(psi);
    const double northward = cosLat1 * std::tan(psi) - sinLat1 * cosDl;
    const double Az = std::atan2(sinDl, northward);
    const double cosAz = std::cos(Az);
    // sin dl cos psi / sin Az, written so that it needs no division by sin Az: that quotient loses
    // every digit when dl is a rounding away from 0, and the meridian branch took only dl == 0.
    const double s = std::asin(std::min(cosPsi * std::hypot(sinDl, northward), 1.0));
    // The arcsine folds the far hemisphere onto the near one: the antipode would pass for the
    // centre without the sign of cos s.
    const double cosS = sinLat1 * std::sin(psi) + cosLat1 * cosPsi * cosDl;
    if (s > kCentreSeriesReach || !(cosS > 0)) return AlongGeodesicTo(lat, lon, x, y);
    const double H = e * cosLat1 * cosAz / std::sqrt(1 - e2);
    const double H2 = H * H;
    const double s2 = s * s;
    const double s3 = s2 * s;
    const double s4 = s2 * s2;
    const double s5 = s4 * s;
    const double c = N1 * s *
                     (1 - s2 * H2 * (1 - H2) / 6 + s3 / 8 * G * H * (1 - 2 * H2) +
                      s4 / 120 * (H2 * (4 - 7 * H2) - 3 * G * G * (1 - 7 * H2)) - s5 / 48 * G * H);
    return Deliver(falseEasting + c * std::sin(Az), falseNorthing + c * cosAz, x, y, TELLUS_E_CANNOT_PROJECT);
}

erc AzimuthEqDist::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double dx = x - falseEasting;
    const double dy = y - falseNorthing;
    if (dx == 0 && dy == 0) {
        lat = referenceLatitude;
        lon = ShortLongitude(centralMeridian);
        return Success();
    }
    const double c = std::hypot(dx, dy);
    const double Az = std::atan2(dx, dy);
    if (c > kCentreSeriesReach * N1) return AlongGeodesic(c * unit, Az, lat, lon);
    const double sinAz = std::sin(Az);
    const double cosAz = std::cos(Az);
    const double A = -e2 * cosLat1 * cosLat1 * cosAz * cosAz / (1 - e2);
    const double B = 3 * e2 * (1 - A) * sinLat1 * cosLat1 * cosAz / (1 - e2);
    const double D = c / N1;
    const double E = D - A * (1 + A) * D * D * D / 6 - B * (1 + 3 * A) * D * D * D * D / 24;
    const double F = 1 - A * E * E / 2 - B * E * E * E / 6;
    // The point on the sphere at distance E and azimuth Az from the centre, by its components:
    // psi from its sine and cosine (an arcsine loses half the digits near the poles), and the
    // longitude quadrant-safe (an arcsine mirrors points beyond a quarter turn of longitude).
    const double sinE = std::sin(E);
    const double cosE = std::cos(E);
    const double sinPsi = sinLat1 * cosE + cosLat1 * sinE * cosAz;
    const double east = sinAz * sinE;
    const double north = cosLat1 * cosE - sinLat1 * sinE * cosAz;
    const double cosPsi = std::hypot(east, north);
    double longitude;
    if (northPolar)
        longitude = WrapLongitude(std::atan2(dx, -dy) + centralMeridian);
    else if (southPolar)
        longitude = WrapLongitude(Az + centralMeridian);
    else
        longitude = WrapLongitude(std::atan2(east, north) + centralMeridian);
    return Deliver(std::atan2(sinPsi - e2 * F * sinLat1, (1 - e2) * cosPsi), longitude, lat, lon,
                   TELLUS_E_OUT_OF_RANGE);
}

// The series' own angle s from the centre is that of the auxiliary sphere, whose latitude psi
// moves by at most a few e2 of the geodetic one's move from the centre: on earth-like ellipsoids
// a point whose angle on the sphere of geodetic coordinates exceeds the reach by half is beyond
// it, and needs none of the series' transcendental calls to be found so. The bound, from
// sin^2(sigma/2) = sin^2(dlat/2) + cos lat cos lat1 sin^2(dl/2), |sin(x/2)| >= |x|/pi and
// cos lat >= cos lat1 - |dlat|, takes no trigonometry either.
bool AzimuthEqDist::ClearlyBeyondSeries(double lat, double dl) const {
    constexpr double kClearly = 1.5 * kCentreSeriesReach;
    if (!(e2 <= kEarthLikeE2)) return false;
    const double dlat = std::fabs(lat - referenceLatitude);
    if (dlat > kClearly) return true;
    const double cosLat = cosLat1 - dlat;
    const double turn = ShortLongitude(dl);  // the bound holds within half a turn
    return cosLat > 0 && 4 / (kPi * kPi) * cosLat * cosLat1 * turn * turn > kClearly * kClearly;
}

erc AzimuthEqDist::AlongGeodesicTo(double lat, double lon, double& x, double& y) const {
    double azimuth;
    const double distance = GeodesicInverse(referenceLatitude, centralMeridian, lat, lon, &azimuth) / unit;
    return Deliver(falseEasting + distance * std::sin(azimuth), falseNorthing + distance * std::cos(azimuth), x, y,
                   TELLUS_E_CANNOT_PROJECT);
}

erc AzimuthEqDist::AlongGeodesic(double distance, double azimuth, double& lat, double& lon) const {
    double latitude, longitude;
    GeodesicDirect(referenceLatitude, centralMeridian, azimuth, distance, latitude, longitude);
    if (distance > kCutLocusShare * kPi * a * (1 - f) &&
        GeodesicInverse(referenceLatitude, centralMeridian, latitude, longitude) < distance - kBeyondCutLocus)
        return Failure(TELLUS_E_OUT_OF_RANGE);
    return Deliver(latitude, longitude, lat, lon, TELLUS_E_OUT_OF_RANGE);
}

double AzimuthEqDist::PrincipalScale1(double lat, double lon) const {
    if (!northPolar && !southPolar) {
        // Distance over reduced length, 1 at the centre (0/0 there).
        double m12 = 0;
        const double s12 = GeodesicInverse(referenceLatitude, centralMeridian, lat, lon, nullptr, &m12);
        return s12 > 0 ? s12 / m12 : 1.0;
    }
    const double arc = MeridianArc(lat);
    const double pole = MeridianArc(kHalfPi);
    const double rho = northPolar ? pole - arc : pole + arc;
    if (rho == 0) return 1.0;
    const double s = std::sin(lat);
    const double m = std::sqrt((1 - s * s) / (1 - e2 * s * s));
    return rho / (a * m);
}

double AzimuthEqDist::PrincipalScale2(double, double) const { return 1.0; }

double AzimuthEqDist::Convergence(double lat, double lon) const {
    double azimuth1 = 0, azimuth2 = 0, m12 = 0;
    const double s12 = GeodesicInverse(referenceLatitude, centralMeridian, lat, lon, &azimuth1, &m12, &azimuth2);
    // North at the point is cos Az2 along the radius (scale 1) and -sin Az2 across it (scale k).
    if (!(s12 > 0)) return s12 == 0 ? 0.0 : s12;
    return WrapLongitude(azimuth1 + std::atan2(-s12 / m12 * std::sin(azimuth2), std::cos(azimuth2)));
}
