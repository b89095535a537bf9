// American polyconic on the ellipsoid (projection id 17, code "POL"): true to scale along every
// parallel and along the central meridian. The convergence is the derivative of the forward along
// the meridian, in closed form.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units). The longitude difference is
// reduced into [-pi, pi].
// Scales: along the parallel 1, along the meridian h (PrincipalScale2).
// Failures: Inverse 11 when the Newton iteration does not settle in 10 passes (only off the image
// of the globe), 10 for a grid point beyond the end of its parallel's arc. The inverse longitude
// lies in [-pi, pi].
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
    double M0;              // meridian arc of the reference latitude, metres
    double c0, C1, C2, C3;  // CosineSeries coefficients
    double slope[4];        // CosineSeries as a polynomial in cos 2lat, lowest power first
};
