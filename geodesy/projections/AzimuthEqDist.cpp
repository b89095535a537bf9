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
//   (0/0 there).
#include "geodesy/projections/AzimuthEqDist.h"

#include <algorithm>
#include <cmath>

namespace {

// Aspect: a centre this close to a pole (6 m) is treated as the pole.
constexpr double kPolarAspectTolerance = 1e-6;

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
    const double H = e * cosLat1 * cosAz / std::sqrt(1 - e2);
    const double H2 = H * H;
    const double s2 = s * s;
    const double s3 = s2 * s;
    const double s4 = s2 * s2;
    const double s5 = s4 * s;
    const double c = N1 * s *
                     (1 - s2 * H2 * (1 - H2) / 6 + s3 / 8 * G * H * (1 - 2 * H2) +
                      s4 / 120 * (H2 * (4 - 7 * H2) - 3 * G * G * (1 - 7 * H2)) - s5 / 48 * G * H);
    return Deliver(falseEasting + c * std::sin(Az), falseNorthing + c * cosAz, x, y, kCannotProject);
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
        longitude = ShortLongitude(std::atan2(dx, -dy) + centralMeridian);
    else if (southPolar)
        longitude = ShortLongitude(Az + centralMeridian);
    else
        longitude = WrapLongitude(std::atan2(east, north) + centralMeridian);
    return Deliver(std::atan2(sinPsi - e2 * F * sinLat1, (1 - e2) * cosPsi), longitude, lat, lon,
                   kLatitudeOutOfRange);
}

double AzimuthEqDist::PrincipalScale1(double lat, double) const {
    if (!northPolar && !southPolar) return 1.0;
    const double arc = MeridianArc(lat);
    const double pole = MeridianArc(kHalfPi);
    const double rho = northPolar ? pole - arc : pole + arc;
    if (rho == 0) return 1.0;
    const double s = std::sin(lat);
    const double m = std::sqrt((1 - s * s) / (1 - e2 * s * s));
    return rho / (a * m);
}

double AzimuthEqDist::PrincipalScale2(double, double) const { return 1.0; }
