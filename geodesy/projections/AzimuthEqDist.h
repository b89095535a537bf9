// Azimuthal equidistant on the ellipsoid (projection id 8, code "AZD") by the normal-section
// series for distance and azimuth from the centre (reference latitude, central meridian) near
// it, with a one-pass approximate inverse, and by the exact geodesic beyond. The same formulas
// serve the polar aspects (centre within 1e-12 rad of a pole).
//
// Parameters (GeodesyParams): a, 1/f; reference latitude and central meridian (rad); unit
// (metres per grid unit); false easting and northing (grid units).
// Accuracy: within about 19 km of the centre the series, within 0.2 mm of the geodesic
// (GeodSolve) for any centre; beyond, the exact geodesic (GeographicLib, nanometres, as PROJ's
// aeqd), so forward and inverse hold over the whole earth. Failures: those of every class
// (non-finite points), and 10 for a grid point beyond the image of the cut locus (the far side of
// the antipode), which no point maps to.
#pragma once

#include "geodesy/projections/Projection.h"

class AzimuthEqDist : public Projection {
public:
    explicit AzimuthEqDist(const GeodesyParams& params);

    const char* Code() const override { return kAzimuthEqDistKind.code; }
    int Id() const override { return kAzimuthEqDistKind.id; }
    // Across the radius from the centre: s / m12 (distance over reduced length of the geodesic)
    // in the oblique aspect, rho / (a m(lat)) in a polar one.
    double PrincipalScale1(double lat, double lon) const override;
    // The grid bearing of true north, from the exact geodesic from the centre (azimuth Az1 there,
    // Az2 at the point): Az1 + atan2(-k sin Az2, cos Az2), k the scale across the radius. Within
    // 1e-8 rad of the series forward's own, and without the 0.1 mm step where the series end.
    double Convergence(double lat, double lon) const override;
    // Along the radius from the centre: 1.
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    // The end of the geodesic from the centre at `azimuth` after `distance` metres; 10 beyond the
    // cut locus.
    erc AlongGeodesic(double distance, double azimuth, double& lat, double& lon) const;
    // The grid point of (lat, lon) by the exact inverse geodesic from the centre.
    erc AlongGeodesicTo(double lat, double lon, double& x, double& y) const;
    // Whether the point lies beyond the series' reach by a margin that a cheap bound shows.
    bool ClearlyBeyondSeries(double lat, double dl) const;

    double sinLat1, cosLat1;  // of the reference latitude
    double N1;                // prime-vertical radius at the centre, grid units
    double G;                 // e sin lat1 / sqrt(1 - e2)
    bool northPolar;
    bool southPolar;
};
