// Cassini-Soldner on the ellipsoid (projection id 11, code "CAS"), the transverse cylindrical
// projection by its series, centred on (reference latitude, central meridian). Not conformal;
// no convergence.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units). Domain: a few degrees either
// side of the central meridian (the series lose accuracy as the fifth power of the distance from
// it). The longitude difference is reduced into [-pi, pi].
// Scales: across the central meridian 1, along it the spherical 1 / sqrt(1 - (cos lat sin dl)^2).
// Failures: Inverse 10 when the footpoint or the result leaves +-pi/2.
#pragma once

#include "geodesy/projections/Projection.h"

class Cassini : public Projection {
public:
    explicit Cassini(const GeodesyParams& params);

    const char* Code() const override { return kCassiniKind.code; }
    int Id() const override { return kCassiniKind.id; }
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    double M0;           // meridian arc of the reference latitude, grid units
    double arcFactor;    // a (1 - e2/4 - 3 e2^2/64 - 5 e2^3/256): arc = arcFactor mu
    double f2, f4, f6, f8;  // footpoint series in e1 = (a - b)/(a + b)
};
