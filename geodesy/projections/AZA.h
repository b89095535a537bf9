// Lambert azimuthal equal-area on the ellipsoid (projection id 13, code "AZA"), through the
// authalic latitude, centred on (reference latitude, central meridian). Polar aspect when the
// reference latitude is within 1e-6 rad of a pole, oblique aspect otherwise. The point scale is 1
// (equal area); the convergence is that of the meridian's image, in closed form.
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units). Domain: the whole ellipsoid
// but the antipode of the centre; the grid is the disk of radius 2R about the false origin.
// Accuracy: round trips within 1 mm, but within 1 m at the poles, where the forward's q changes
// with the square of the distance from the pole and cannot tell latitudes 3e-8 rad apart (nor
// rounded grid coordinates of a false origin of 3.5e7 any better; 0.7 m seen with one of 4e8 m).
// Failures: Forward 6 at and within 13 km of the antipode of the centre (oblique aspect); Inverse
// 10 for a point outside the disk.
#pragma once

#include "geodesy/projections/Projection.h"

class AZA : public Projection {
public:
    explicit AZA(const GeodesyParams& params);

    const char* Code() const override { return kAzaKind.code; }
    int Id() const override { return kAzaKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north (radians, clockwise; negative where the meridian leans west).
    double Convergence(double lat, double lon) const override;
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // q(lat) = (1 - e2) (sin lat / (1 - e2 sin^2 lat) + atanh(e sin lat) / e).
    double Q(double sinLat) const;
    // qp - q(lat) from s = sin lat, c = cos lat, sharp where s nears 1.
    double PoleGap(double s, double c) const;

    double semiMajorUnits;  // a / unit
    double R;               // radius of the authalic sphere, grid units
    double qp;              // q(pi/2)
    double m1;              // m(lat1)
    double beta1;           // authalic latitude of the centre (oblique aspect)
    double sinBeta1, cosBeta1;
    double D;               // m1 / (cos beta1 sqrt(qp / 2)) (oblique aspect)
    double authalicSeries[6];  // c_1..c_6 of the latitude from the authalic latitude
    bool polar;
    bool south;             // polar aspect about the south pole (false in the oblique aspect)
};
