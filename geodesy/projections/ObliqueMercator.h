// Hotine oblique Mercator on the ellipsoid, defined by its centre (reference latitude, central
// meridian as the longitude of the centre) and the azimuth of the centre line at the centre
// (skew azimuth). The projection is computed in a skew frame, u along the centre line from its
// crossing of the equator of the aposphere and v across it (metres); the two published grids
// differ only in how that frame is turned into grid coordinates:
//   Hotine (id 6, "HOM") turns it by the skew azimuth alphac,
//   RSO    (id 7, "RSO"), the rectified skew orthomorphic grid, by the rectified angle gamma0.
// Conformal: PrincipalScale2 repeats PrincipalScale1; the convergence is the
// aposphere's in the grid's rotation.
//
// Parameters (GeodesyParams): a, 1/f; k0 on the centre line; central meridian, reference
// latitude and skew azimuth (rad); unit (metres per grid unit); false easting and northing
// (grid units). Domain: the whole ellipsoid except the two points 90 degrees off the centre line,
// where v is infinite, and about 30 m around them; round trips hold to 1 mm for longitudes within
// 90 degrees of the centre.
// Farther, where the aposphere's longitudes (B times the ellipsoid's, B > 1) pass a half turn,
// the mapping overlaps itself and points near the poles may come back elsewhere (PROJ's omerc
// alike). Longitude differences are reduced into [-pi, pi].
// Failures: constructor 7 for a centre at (or within 1e-6 rad of) a pole or an unusable record;
// Forward 6 where v is infinite (or within 30 m of it); Inverse 11 for a grid point outside the
// strip |u| <= pi A / B (one turn of the aposphere) or with a |v| the forward never gives, and
// when the latitude iteration does not settle in 30 passes.
#pragma once

#include "geodesy/projections/ConformalLatitude.h"
#include "geodesy/projections/Projection.h"

class ObliqueMercator : public Projection {
public:
    double PrincipalScale1(double lat, double lon) const override;
    double PrincipalScale2(double lat, double lon) const override;

    // Skew (u, v), metres, to grid (x, y), grid units.
    virtual void SkewToGrid(double u, double v, double& x, double& y) const = 0;
    // Grid (x, y), grid units, to skew (u, v), metres.
    virtual void GridToSkew(double& u, double& v, double x, double y) const = 0;

    // t(lat) = sqrt(((1 - sin lat)/(1 + sin lat)) ((1 + e sin lat)/(1 - e sin lat))^e).
    double ConformalT(double lat) const;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

    explicit ObliqueMercator(const GeodesyParams& params);

    // Skew (u, v) to geographic; code 11 when the latitude iteration does not settle.
    erc SkewToGeo(double u, double v, double& lat, double& lon) const;
    // The rotation of both grids, by the angle whose sine and cosine are given.
    void RotateToGrid(double sinG, double cosG, double u, double v, double& x, double& y) const;
    void RotateToSkew(double sinG, double cosG, double& u, double& v, double x, double y) const;
    // The grid bearing of true north in the grid turned by the angle whose sine and cosine are given.
    double RotatedConvergence(double sinG, double cosG, double lat, double lon) const;

    double gamma0;  // rectified angle, asin(sin alphac / D)
    double A;       // a B k0 sqrt(1 - e2) / (1 - e2 sin^2 lat0), metres
    double B;       // sqrt(1 + e2 cos^4 lat0 / (1 - e2))
    double E;       // F t(lat0)^B
    double lon0;    // longitude of the natural origin
    double sinGamma0, cosGamma0;
    double nu0;     // atanh(sin gamma0), for the inverse near the poles
    double vLimit;  // |v| of the points next to those 90 degrees off the centre line, metres
    ConformalLatitudeSeries series;  // the inverse's start
};

class Hotine final : public ObliqueMercator {
public:
    explicit Hotine(const GeodesyParams& params);

    const char* Code() const override { return kHotineKind.code; }
    int Id() const override { return kHotineKind.id; }
    void SkewToGrid(double u, double v, double& x, double& y) const override;
    void GridToSkew(double& u, double& v, double x, double y) const override;
    double Convergence(double lat, double lon) const override;

private:
    double sinAlpha, cosAlpha;  // of the skew azimuth
};

class RSO final : public ObliqueMercator {
public:
    explicit RSO(const GeodesyParams& params);

    const char* Code() const override { return kRsoKind.code; }
    int Id() const override { return kRsoKind.id; }
    void SkewToGrid(double u, double v, double& x, double& y) const override;
    void GridToSkew(double& u, double& v, double x, double y) const override;
    double Convergence(double lat, double lon) const override;
};
