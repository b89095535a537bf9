// American polyconic on the ellipsoid (projection id 17, code "POL"): true to scale along every
// parallel and along the central meridian. The convergence is the derivative of the forward along
// the meridian, in closed form.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units). The longitude difference is
// reduced into [-pi, pi].
// Scales: along the parallel 1, along the meridian h (PrincipalScale2).
// Failures: Inverse 11 when the Newton iteration does not settle in 10 passes or settles beyond a
// pole, 10 for a grid point beyond the end of its parallel's arc. The inverse longitude lies in
// [-pi, pi].
#pragma once

#include "geodesy/projections/Projection.h"

class Polyconic : public Projection {
public:
    explicit Polyconic(const GeodesyParams& params);

    const char* Code() const override { return kPolyconicKind.code; }
    int Id() const override { return kPolyconicKind.id; }
    double PrincipalScale2(double lat, double lon) const override;
    // The grid bearing of true north (radians, clockwise; negative where the meridian leans west).
    double Convergence(double lat, double lon) const override;

    // The derivative of MeridianArc divided by a: c0 - C1 cos 2lat + C2 cos 4lat + C3 cos 6lat.
    double CosineSeries(double lat) const;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // Newton's passes for the inverse latitude from phi, at most `passes`, until a step is within
    // the tolerance: then true, phi the settled latitude and s, c its sine and cosine.
    bool Settle(double A, double B, int passes, double& phi, double& s, double& c) const;
    // The inverse from A = (M0 + dy) / a and B = (dx / a)^2 + A^2 by the passes of the polar caps
    // and of slow convergence.
    erc GridToGeoSlowly(double dx, double A, double B, double& lat, double& lon) const;
    // The longitude of the settled latitude phi from its sine, W and arc over a.
    erc Longitude(double phi, double s, double W, double Mn, double dx, double A, double& lat, double& lon) const;

    double M0;              // meridian arc of the reference latitude, metres
    double c0, C1, C2, C3;  // CosineSeries coefficients
    double slope[4];        // CosineSeries as a polynomial in cos 2lat, lowest power first
};
