// Oblique stereographic through the Gauss conformal sphere (projection id 4, code "OST"): the
// ellipsoid is mapped conformally onto a sphere tangent at the reference latitude, which is then
// projected stereographically from the point opposite the origin (the Dutch RD grid's projection).
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad), the origin;
// k0 at the origin; unit (metres per grid unit); false easting and northing (grid units). A
// reference latitude at a pole gives the polar stereographic with k0 at the pole (the limit).
// Domain: the whole ellipsoid except the point opposite the origin and a sliver along the back
// meridian, the longitudes more than 180 / n degrees from the central meridian (n the sphere
// exponent, at most 1.0034: 0.6 degrees at the equator, none at a pole), where the sphere wraps
// onto itself; the longitude difference is brought into [-pi, pi]. The inverse longitude lies in
// [-pi, pi].
// Failures: Forward 6 at and within 300 m of the point opposite the origin (infinite or 0/0
// coordinates) and in the sliver;
// Inverse 11 for a grid point beyond the forward's reach (the 300 m about the opposite point) and
// if the latitude iteration does not settle.
// Conformal: both principal scales are the point scale, k0 at the origin. The convergence is
// that of the sphere's stereographic projection at the point's image on the conformal sphere.
#pragma once

#include "geodesy/projections/ConformalLatitude.h"
#include "geodesy/projections/Projection.h"

class Stereographic : public Projection {
public:
    explicit Stereographic(const GeodesyParams& params);

    const char* Code() const override { return kStereographicKind.code; }
    int Id() const override { return kStereographicKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north (radians, clockwise; negative where the meridian leans west).
    double Convergence(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // ((1 - e sin lat)/(1 + e sin lat))^(e/2), from sin lat.
    double EccentricFactor(double sinLat) const;
    // Latitude on the conformal sphere.
    double ConformalLatitude(double lat) const;
    // Longitude on the conformal sphere counted from the origin's.
    double SphereLongitude(double lon) const;
    // The stereographic denominator 1 + sin chi0 sin chi + cos chi0 cos chi cos L.
    double Denominator(double sinChi, double cosChi, double cosL) const;

    double n;     // sphere exponent
    double c;     // sphere constant
    double chi0;  // conformal latitude of the origin
    double sinChi0, cosChi0;
    double L0;    // n times the central meridian
    double R;     // radius of the conformal sphere, metres
    double D;     // 2 k0 R, metres
    double gridD; // D in grid units
    ConformalLatitudeSeries series;  // the inverse's start
};
