// Albers equal-area conic on the ellipsoid (projection id 10, code "ALA"), with one standard
// parallel (north parallel = south parallel) or two.
//
// Parameters (GeodesyParams): a, 1/f; north and south parallel (rad), the standard parallels;
// reference latitude (rad), the latitude of origin; central meridian (rad); unit (metres per grid
// unit); false easting and northing (grid units). The scale factor k0 is not used.
// Domain: every latitude, both poles included; the longitude difference is brought into [-pi, pi].
// The inverse longitude lies in [-pi, pi]; the image of a pole inverts to that pole. Round trips
// within 1 mm, but within 1 m at the poles, where the grid holds the distance from the pole as
// its square (q cannot tell latitudes 3e-8 rad apart, nor a false origin of 3.5e7 rounded grid
// coordinates less); 1.5 m with a false origin at the set-up limit of 4e8 m.
// Failures: constructor 7 for a standard parallel within 1e-4 rad of a pole (the radii next to
// it would hold no millimetre), when the cone constant is 0 (one parallel on the equator, or parallels
// symmetric about it) or a derived constant is not finite; Inverse 10 for a point outside the
// projected area, 11 for a point outside the cone's wedge (polar angle beyond |n| pi) and when the latitude iteration does not settle within 10 passes (the longitude,
// and on 11 the latitude, are written all the same); PrincipalScale1 throws 10 at a pole.
// Equal-area: PrincipalScale1 is 1/k along the meridian, PrincipalScale2 is k along the parallel,
// so PointScale is 1. Convergence -n (lon - lon0), as on every normal cone.
#pragma once

#include "geodesy/projections/Projection.h"

class Albers : public Projection {
public:
    explicit Albers(const GeodesyParams& params);

    const char* Code() const override { return kAlbersKind.code; }
    int Id() const override { return kAlbersKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north (radians, clockwise; negative where the meridian leans west).
    double Convergence(double lat, double lon) const override;
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // The authalic q function of a latitude: 2 sin lat on a sphere, qp at the pole.
    double Q(double lat) const;
    // ln((1 - e s)/(1 + e s)) / (2e), with its limit -s on a sphere.
    double LogTerm(double s) const;
    // sqrt((1 - sin^2 lat)/(1 - e2 sin^2 lat)), the radius of the parallel over a.
    double ParallelRadius(double lat) const;

    double n;               // cone constant
    double G;               // m1^2 + n q1
    double rho0;            // radius of the reference latitude, grid units
    double qp;              // Q at the north pole
    double semiMajorUnits;  // a / unit
};
