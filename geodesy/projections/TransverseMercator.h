// Transverse Mercator on the ellipsoid (projection id 3, code "TME"), the projection of UTM-type
// grids.
//
// Parameters (GeodesyParams): a, 1/f; k0 on the central meridian; central meridian and
// reference latitude (rad); unit (metres per grid unit); false easting and northing (grid units).
// Domain: any latitude except exactly +pi/2; longitudes within a few degrees of the central
// meridian for full accuracy (the Redfearn series are off by 0.83 mm at 6 degrees from it and
// 3.5 cm at 10 degrees). A longitude difference outside [-pi, pi] is brought in by one turn.
// Failures: constructor 7 for an unusable record (a scale factor of 0 is taken as 1); Forward 6
// at exactly +pi/2 and 10 for a latitude beyond +-pi/2 or a non-finite coordinate; Inverse 10 for
// a non-finite coordinate or when the rectifying, footpoint or result latitude leaves +-pi/2, 11
// where no point's forward is the grid point.
// The inverse inverts the forward: every success round-trips within 0.1 mm. The inverse series
// alone do so only near the central meridian (0.1 mm at 500 km at the equator, 150 km at 72
// degrees); beyond, Newton steps on the forward take the series' point on.
// Point scale and convergence never fail; the convergence is atan(-sin lat tan(lon - lon0)),
// negative east of the central meridian in the northern hemisphere.
#pragma once

#include "geodesy/projections/Projection.h"

class TransverseMercator : public Projection {
public:
    explicit TransverseMercator(const GeodesyParams& params);

    const char* Code() const override { return kTransverseMercatorKind.code; }
    int Id() const override { return kTransverseMercatorKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    double Convergence(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // Rectifying latitude mu of a geodetic latitude (with its sine and cosine).
    double Rectifying(double lat, double sinLat, double cosLat) const;
    // Footpoint latitude of a rectifying latitude.
    double Footpoint(double mu) const;
    // Takes the inverse series' (lat, lon) of grid (x, y) on to the point whose forward is
    // (x, y) where the series leave more than 0.1 mm; false if that does not settle.
    bool Refine(double x, double y, double& lat, double& lon) const;

    double n;               // third flattening f / (2 - f)
    double ep2;             // second eccentricity squared e2 / (1 - e2)
    double B0, B2, B4, B6;  // footpoint series in powers of cos^2
    double A0, A2, A4, A6;  // rectifying series in powers of cos^2
    double r;               // rectifying radius, grid units
    double y0;              // northing of the origin, -(k0 r mu0)
    double semiMajorUnits;  // a / unit
    double seriesSafeWidth;  // D^2 (1 + T) up to which the inverse series is kept unchecked (0: none)
};
