// Fixed spherical Mercator (projection id 9, code "CME") on a sphere of radius 6378388 m.
//
// Parameters: the unit (metres per grid unit) alone. The ellipsoid, central meridian, false origin
// and scale factor of the record are ignored; grid coordinates are grid units from (0 deg, 0 deg).
// Longitudes beyond half a turn are reduced into [-pi, pi] in the forward.
// Failures: Forward 6 at either pole (the northing would be infinite), 10 beyond the poles or for
// a non-finite coordinate; Inverse 10 for a non-finite coordinate, 11 for a point outside the
// image: more than half a turn of the equator east or west, or a northing that only a pole
// would have.
// Conformal: both principal scales are 1 / cos lat; no convergence (0).
#pragma once

#include "geodesy/projections/Projection.h"

class SMerc : public Projection {
public:
    explicit SMerc(const GeodesyParams& params) : Projection(params) {}

    const char* Code() const override { return kSMercKind.code; }
    int Id() const override { return kSMercKind.id; }
    double PrincipalScale1(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;
};
