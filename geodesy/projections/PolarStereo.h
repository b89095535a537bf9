// Polar stereographic on the ellipsoid (projection id 12, code "PST"), north aspect when the
// reference latitude is >= 0, south aspect otherwise (the UPS grids' projection).
//
// Parameters (GeodesyParams): a, 1/f; reference latitude (rad): the pole (within 1e-5 rad), where
// the record's k0 is the scale, or else the latitude of true scale, which replaces k0 by the scale
// at the pole that it implies; central meridian (rad); unit (metres per grid unit); false easting
// and northing (grid units).
// Domain: the whole ellipsoid except the pole opposite the aspect. The inverse longitude lies in
// [-pi, pi]; the pole itself inverts to the central meridian.
// Failures: Forward 6 at the pole opposite the aspect (infinite coordinates), 10 beyond the poles
// or for a non-finite coordinate; Inverse 10 for a non-finite coordinate, 11 for a grid point
// beyond the image of the last latitude short of the opposite pole. Constructor 7 for a latitude
// of true scale implying a scale at the pole outside [0.1, 10].
// Conformal: both principal scales are the point scale, k0 at the pole. Convergence -(lon - lon0) in
// the north aspect, +(lon - lon0) in the south.
#pragma once

#include "geodesy/projections/Projection.h"

class PolarStereo : public Projection {
public:
    explicit PolarStereo(const GeodesyParams& params);

    const char* Code() const override { return kPolarStereoKind.code; }
    int Id() const override { return kPolarStereoKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north (radians, clockwise; negative where the meridian leans west).
    double Convergence(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // Distance of the latitude's parallel from the pole of the aspect on the grid, metres.
    double Radius(double lat) const;
    // The t function of the aspect: K t is the radius.
    double ConformalT(double lat) const;

    bool north;  // aspect: true for the north pole
    double K;    // 2 a k0 / sqrt((1 + e)^(1 + e) (1 - e)^(1 - e)), metres
    double farthestRadius;  // Radius of the last latitude short of the opposite pole, metres
    double c2, c4, c6, c8;  // conformal -> geodetic latitude series
};
