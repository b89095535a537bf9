// Lambert conformal conic on the ellipsoid (projection id 1, code "LCC"), with one standard
// parallel (tangent cone, north parallel = south parallel) or two (secant cone).
//
// Parameters (GeodesyParams): a, 1/f; north and south parallel (rad), the standard parallels;
// reference latitude (rad), the latitude of origin; central meridian (rad); k0 on the standard
// parallel(s); unit (metres per grid unit); false easting and northing (grid units).
// Domain: every latitude except the pole opposite the apex of the cone; the longitude difference
// is brought into [-pi, pi]. The inverse longitude lies in [-pi, pi]; the apex itself inverts to
// the pole on the central meridian.
// A latitude of origin within 1e-12 rad of a pole is that pole (Belgian Lambert 72's origin).
// Failures: constructor 7 for a standard parallel at (or within 1e-12 rad of) a pole, when the cone constant is 0 (one
// parallel on the equator, or parallels symmetric about it) or a derived constant is not finite;
// constructor 7 also for an origin more than 4e8 m from the apex (at or next to the far pole);
// Forward 6 at the pole opposite the apex; Inverse 11 for a grid point outside the cone's wedge
// (polar angle beyond |n| pi) or beyond the image of the last latitude short of the far pole,
// and when the latitude iteration does not settle within 10 passes (the outputs are then
// written all the same).
// Conformal: both principal scales are the point scale. Convergence -n dlon, radians.
#pragma once

#include "geodesy/projections/ConformalLatitude.h"
#include "geodesy/projections/Projection.h"

class Lambert : public Projection {
public:
    explicit Lambert(const GeodesyParams& params);

    const char* Code() const override { return kLambertKind.code; }
    int Id() const override { return kLambertKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    double Convergence(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // The conformal-conic t function of a latitude.
    double ConformalT(double lat) const;
    // cos lat / sqrt(1 - e2 sin^2 lat), the radius of the parallel over a.
    double ParallelRadius(double lat) const;

    double n;     // cone constant
    double F;     // radius factor, grid units
    double rho0;  // radius of the parallel through the origin, grid units
    double m1;    // ParallelRadius of the north parallel
    double t1;    // ConformalT of the north parallel
    double farthestRadius;  // radius of the last latitude short of the far pole, grid units
    ConformalLatitudeSeries series;  // the inverse's start
};
