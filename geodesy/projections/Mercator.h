// Mercator on the ellipsoid (projection id 2, code "MER"), normal aspect, true to scale along the
// reference latitude.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude (rad), the latitude of true scale;
// central meridian (rad); unit (metres per grid unit); false easting and northing (grid units).
// The scale factor k0 is not used: the scale is fixed by the reference latitude alone.
// Domain: any latitude strictly between the poles; the longitude difference is brought into
// [-pi, pi]. The inverse longitude lies in [-pi, pi].
// Failures: constructor 7 unless the scale on the equator is at least 0.1 (|reference latitude|
// up to about 84.3 degrees); Forward 6 at either pole and within a rounding of it (the northing
// would be infinite), 10 beyond the poles or for a non-finite coordinate; Inverse 10 for a
// non-finite coordinate, 11 beyond half a turn of the central meridian (the strip's width) or
// for a northing only a latitude the forward refuses would have.
// Conformal: both principal scales are the point scale; no convergence (0).
#pragma once

#include "geodesy/projections/ConformalLatitude.h"
#include "geodesy/projections/Projection.h"

class Mercator : public Projection {
public:
    explicit Mercator(const GeodesyParams& params);

    const char* Code() const override { return kMercatorKind.code; }
    int Id() const override { return kMercatorKind.id; }
    double PrincipalScale1(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    double K;  // radius of the parallel of true scale, grid units
    ConformalLatitudeSeries series;  // the inverse's start
};
