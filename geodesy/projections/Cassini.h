// Cassini-Soldner on the ellipsoid (projection id 11, code "CAS"), the transverse cylindrical
// projection by its series, centred on (reference latitude, central meridian). Not conformal;
// the convergence is the derivative of the forward along the meridian, in closed form.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units). Domain: a few degrees either
// side of the central meridian (the series lose accuracy as the fifth power of the distance from
// it). The longitude difference is reduced into [-pi, pi].
// Accuracy of the forward: within 1 mm of PROJ's cass (the same series; they differ by the
// meridian arc) up to 10 degrees from the central meridian; against the exact Cassini-Soldner
// (GeographicLib's CassiniSoldner) 1 mm at 1 degree, 2 mm at 3, 0.1 m at 6 and 2.8 m at 10.
// The inverse inverts the forward (Newton's method from the footpoint series' point): every
// success round-trips within 1 mm; 11 where that does not settle.
// Scales: across the central meridian 1, along it the spherical 1 / sqrt(1 - (cos lat sin dl)^2).
// Failures: Inverse 10 when the footpoint or the series' point leaves +-pi/2, 11 when the Newton
// steps do not settle, or settle half a turn or more from the central meridian.
#pragma once

#include "geodesy/projections/Projection.h"

class Cassini : public Projection {
public:
    explicit Cassini(const GeodesyParams& params);

    const char* Code() const override { return kCassiniKind.code; }
    int Id() const override { return kCassiniKind.id; }
    double PrincipalScale2(double lat, double lon) const override;
    // The grid bearing of true north, from the derivative of the forward along the meridian.
    double Convergence(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // The forward's series (grid units) at a latitude of sine s and cosine c and a longitude
    // difference dl from the central meridian.
    void Project(double lat, double s, double c, double dl, double& x, double& y) const;
    // Partial derivatives of the forward (grid units per radian) at a latitude of sine s and
    // cosine c and a longitude difference dl from the central meridian.
    struct Derivatives {
        double xLat, xLon, yLat, yLon;
    };
    Derivatives DerivativesAt(double s, double c, double dl) const;

    double M0;            // meridian arc of the reference latitude, grid units
    double arcFactor;     // a (1 - e2/4 - 3 e2^2/64 - 5 e2^3/256): arc = arcFactor mu
    double footpoint[4];  // footpoint series in e1 = (a - b)/(a + b): sin 2mu times a cubic in cos 2mu
    double settledMiss2;  // the square of Newton's settled miss, grid units
};
