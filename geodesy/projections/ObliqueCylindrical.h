// Conformal oblique cylindrical projection (projection id 5, code "OCY"), the double projection
// of a national grid centred on a point: the ellipsoid is mapped conformally onto a Gauss sphere
// of radius sqrt(M0 N0) tangent at the reference latitude, the sphere is rotated so that the
// origin lies on its equator, and that frame is mapped by a Mercator projection. Conformal:
// PrincipalScale2 repeats PrincipalScale1; the convergence is the angle between the
// sphere's meridian and the rotated frame's at the point's image on the conformal sphere.
//
// Parameters (GeodesyParams): a, 1/f; k0 at the origin; reference latitude and central meridian
// (rad); unit (metres per grid unit); false easting and northing (grid units). Domain: the
// whole ellipsoid but the poles of the rotated frame, for longitudes within 180 / alpha degrees
// of the central meridian (beyond, the Gauss sphere wraps onto itself); the inverse's latitude
// is within 1e-12 rad of its fixed point, round trips within 1e-11 rad. The longitude difference
// is reduced into [-pi, pi].
// Failures: Forward 6 at the two poles of the rotated frame; Inverse 11 beyond half a turn of the
// rotated equator or beyond the northings the forward gives, and when the latitude iteration
// does not settle.
#pragma once

#include "geodesy/projections/Projection.h"

class ObliqueCylindrical : public Projection {
public:
    explicit ObliqueCylindrical(const GeodesyParams& params);

    const char* Code() const override { return kObliqueCylindricalKind.code; }
    int Id() const override { return kObliqueCylindricalKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north (radians, clockwise; negative where the meridian leans west).
    double Convergence(double lat, double lon) const override;
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // Sine and cosine of the latitude b on the sphere of a geodetic latitude.
    void SphereSinCos(double lat, double& sinB, double& cosB) const;
    // The geodetic latitude whose sphere latitude b has ln tan(pi/4 + b/2) = alpha S + K, by
    // Newton's method; false when it does not settle.
    bool LatitudeOfSphere(double S, double& lat) const;

    double sphereRadius;  // k0 sqrt(M0 N0), metres
    double R;             // sphereRadius / unit
    double alpha;         // sqrt(1 + e2 cos^4 lat0 / (1 - e2))
    double K;             // constant of the conformal latitude
    double sinB0, cosB0;  // of the sphere latitude of the origin, b0 = asin(sin lat0 / alpha)
    double firstPassTerm;  // e ln tan(pi/4 + asin(e sin lat0)/2), of the inverse's starting value
    double latitudeStepTolerance;  // a Newton step this short leaves 1e-12 rad at most (rad)
};
