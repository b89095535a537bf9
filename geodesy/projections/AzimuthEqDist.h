// Azimuthal equidistant on the ellipsoid (projection id 8, code "AZD") by the normal-section
// series for distance and azimuth from the centre (reference latitude, central meridian), with a
// one-pass approximate inverse. The same formulas serve the polar aspects (centre within 1e-6 rad
// of a pole). The point scale is 1 (oblique aspect); the convergence is the forward's own.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units).
// Accuracy: the series are for the neighbourhood of the centre. Against the geodesic (GeodSolve),
// forward and inverse are off by 0.2 mm at 35 km from a centre at 52 degrees, 5 mm at 100 km,
// 0.3 m at 380 km and 5 m at 1000 km. The inverse holds beyond a quarter turn of longitude from
// the central meridian. Failures: none but those of every class (non-finite points).
#pragma once

#include "geodesy/projections/Projection.h"

class AzimuthEqDist : public Projection {
public:
    explicit AzimuthEqDist(const GeodesyParams& params);

    const char* Code() const override { return kAzimuthEqDistKind.code; }
    int Id() const override { return kAzimuthEqDistKind.id; }
    // Across the radius from the centre: 1 in the oblique aspect, rho / (a m(lat)) in a polar one.
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north, from the forward differentiated along the meridian.
    double Convergence(double lat, double lon) const override { return ForwardConvergence(lat, lon); }
    // Along the radius from the centre: 1.
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    double sinLat1, cosLat1;  // of the reference latitude
    double N1;                // prime-vertical radius at the centre, grid units
    double G;                 // e sin lat1 / sqrt(1 - e2)
    bool northPolar;
    bool southPolar;
};
