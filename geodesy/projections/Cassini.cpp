// Cassini-Soldner by the series of Snyder ("Map Projections: A Working Manual", 1987, pp. 92-95;
// EPSG Guidance Note 7-2, method 9806): forward to the fifth power of A = dl cos lat, inverse
// through the footpoint latitude of the rectifying latitude.
// Departures: the longitude difference is reduced into [-pi, pi] (the series are not periodic);
// a footpoint or result beyond a pole fails with code 10 instead of returning a latitude past
// +-pi/2; the inverse longitude is reduced into [-pi, pi].
#include "geodesy/projections/Cassini.h"

#include <cmath>

Cassini::Cassini(const GeodesyParams& params) : Projection(params) {
    if (a == 0) RefuseParameters();
    M0 = MeridianArc(referenceLatitude) / unit;
    arcFactor = a * (1 - e2 / 4 - 3 * e2 * e2 / 64 - 5 * e2 * e2 * e2 / 256);
    const double b = (1 - f) * a;
    const double e1 = (a - b) / (a + b);
    const double e1_2 = e1 * e1, e1_3 = e1_2 * e1, e1_4 = e1_3 * e1;
    f2 = 3 * e1 / 2 - 27 * e1_3 / 32;
    f4 = 21 * e1_2 / 16 - 55 * e1_4 / 32;
    f6 = 151 * e1_3 / 96;
    f8 = 1097 * e1_4 / 512;
}

erc Cassini::GeoToGrid(double lat, double lon, double& x, double& y) const {
    const double N = RadiusN(lat) / unit;
    const double c = std::cos(lat);
    const double A = LongitudeOffset(lon, centralMeridian) * c;
    const double eta2 = e2 / (1 - e2) * c * c;
    const double t = std::tan(lat);
    const double T = t * t;
    const double A2 = A * A;
    const double A3 = A2 * A;
    const double A4 = A2 * A2;
    const double A5 = A4 * A;
    return Deliver(falseEasting + N * (A - T * A3 / 6 - (8 - T + 8 * eta2) * T * A5 / 120),
                   falseNorthing + MeridianArc(lat) / unit - M0 + N * t * (A2 / 2 + (5 - T + 6 * eta2) * A4 / 24), x,
                   y, kCannotProject);
}

erc Cassini::GridToGeo(double x, double y, double& lat, double& lon) const {
    const double M1 = (M0 + y - falseNorthing) * unit;
    const double mu1 = M1 / arcFactor;
    const double lat1 = mu1 + f2 * std::sin(2 * mu1) + f4 * std::sin(4 * mu1) + f6 * std::sin(6 * mu1) +
                        f8 * std::sin(8 * mu1);
    if (std::fabs(lat1) >= kHalfPi) return Failure(kLatitudeOutOfRange);
    const double N1 = RadiusN(lat1);
    const double R1 = RadiusM(lat1);
    const double t1 = std::tan(lat1);
    const double T1 = t1 * t1;
    const double D = (x - falseEasting) * unit / N1;
    const double D2 = D * D;
    const double D4 = D2 * D2;
    const double phi = lat1 - (N1 * t1 / R1) * (D2 / 2 - (1 + 3 * T1) * D4 / 24);
    if (std::fabs(phi) > kHalfPi) return Failure(kLatitudeOutOfRange);
    return Deliver(phi,
                   ShortLongitude(centralMeridian +
                                  (D - T1 * D2 * D / 3 + (1 + 3 * T1) * T1 * D4 * D / 15) / std::cos(lat1)),
                   lat, lon, kLatitudeOutOfRange);
}

double Cassini::PrincipalScale2(double lat, double lon) const {
    return 1 / std::sqrt(1 - IntPow(std::cos(lat) * std::sin(lon - centralMeridian), 2));
}
