// Azimuthal equidistant by the normal-section series of the geodesic distance and azimuth from
// the centre (EPSG Guidance Note 7-2, "Modified Azimuthal Equidistant", method 9832; Snyder,
// "Map Projections: A Working Manual", 1987, pp. 197-200). The series hold near the centre.
// Departures:
// - a point on the centre's meridian (sine of the longitude difference 0) takes the meridian
//   branch; the test on sin Az alone misses the azimuth pi, where sin Az is 1.2e-16, not 0;
// - the inverse latitude is written as atan((tan psi - e2 F sin lat1 / cos psi) / (1 - e2)),
//   the same value as (1 - e2 F sin lat1 / sin psi) tan psi / (1 - e2) without the division by
//   sin psi, which is 0 on the equator;
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

erc AzimuthEqDist::Forward(double lat, double lon, double& x, double& y) const {
    const double dl = lon - centralMeridian;
    const double sinDl = std::sin(dl);
    const double cosDl = std::cos(dl);
    const double N = RadiusN(lat) / unit;
    const double psi = std::atan((1 - e2) * std::tan(lat) + e2 * N1 * sinLat1 / (N * std::cos(lat)));
    const double sinPsi = std::sin(psi);
    const double cosPsi = std::cos(psi);
    const double Az = std::atan2(sinDl, cosLat1 * std::tan(psi) - sinLat1 * cosDl);
    const double cosAz = std::cos(Az);
    double s;
    if (sinDl == 0) {
        s = std::asin(std::clamp(cosLat1 * sinPsi - sinLat1 * cosPsi, -1.0, 1.0));
        if (cosAz < 0) s = -s;
    } else {
        s = std::asin(std::clamp(sinDl * cosPsi / std::sin(Az), -1.0, 1.0));
    }
    const double H = e * cosLat1 * cosAz / std::sqrt(1 - e2);
    const double H2 = H * H;
    const double s2 = s * s;
    const double s3 = s2 * s;
    const double s4 = s2 * s2;
    const double s5 = s4 * s;
    const double c = N1 * s *
                     (1 - s2 * H2 * (1 - H2) / 6 + s3 / 8 * G * H * (1 - 2 * H2) +
                      s4 / 120 * (H2 * (4 - 7 * H2) - 3 * G * G * (1 - 7 * H2)) - s5 / 48 * G * H);
    x = falseEasting + c * std::sin(Az);
    y = falseNorthing + c * cosAz;
    return Success();
}

erc AzimuthEqDist::Inverse(double x, double y, double& lat, double& lon) const {
    const double dx = x - falseEasting;
    const double dy = y - falseNorthing;
    if (dx == 0 && dy == 0) {
        lat = referenceLatitude;
        lon = centralMeridian;
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
    const double psi = std::asin(std::clamp(sinLat1 * std::cos(E) + cosLat1 * std::sin(E) * cosAz, -1.0, 1.0));
    const double cosPsi = std::cos(psi);
    if (northPolar)
        lon = std::atan2(dx, -dy) + centralMeridian;
    else if (southPolar)
        lon = Az + centralMeridian;
    else
        lon = WrapLongitude(std::asin(sinAz * std::sin(E) / cosPsi) + centralMeridian);
    lat = std::atan((std::tan(psi) - e2 * F * sinLat1 / cosPsi) / (1 - e2));
    return Success();
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
