// Transverse Mercator on the ellipsoid (projection id 3, code "TME"), the projection of UTM-type
// grids.
//
// Parameters (GeodesyParams): a, 1/f; k0 on the central meridian; central meridian and
// reference latitude (rad); unit (metres per grid unit); false easting and northing (grid units).
// Reach: Redfearn's series within 4.1 degrees of the central meridian (3.2 on an ellipsoid
// flatter than 1/290 or larger than 6500 km), where they hold 0.1 mm of the exact projection;
// beyond, Krueger's series in n to n^6, within 1 mm of it, out to eta' = 1.55 (1.2): on the
// equator 66 degrees from the central meridian (56), at 10 degrees of latitude 68 (58), from 24
// degrees of latitude (34) the whole quarter turn. Points further out, next to the singular
// point on the equator, and beyond a quarter turn of the central meridian are refused (10), both
// ways. A longitude difference outside [-pi, pi] is
// brought in by one turn. Every success is within 1 mm of the exact projection, and the two
// series meet within 0.1 mm.
// Failures: constructor 7 for an unusable record (a scale factor of 0 is taken as 1); Forward 6
// at exactly +pi/2 and 10 for a latitude beyond +-pi/2, a non-finite coordinate or a point out of
// reach; Inverse 10 for a non-finite coordinate, when the rectifying, footpoint or result
// latitude leaves +-pi/2, or for a point out of reach, 11 where no point's forward is the grid
// point.
// The inverse inverts the forward: every success round-trips within 0.1 mm. Redfearn's inverse
// series alone do so only near the central meridian (0.1 mm at 500 km at the equator, 150 km at
// 72 degrees); beyond, Newton steps on the forward take the series' point on.
// Point scale and convergence never fail within reach (NaN beyond it); the convergence is the
// grid bearing of true north, negative east of the central meridian in the northern hemisphere.
#pragma once

#include "geodesy/projections/Projection.h"

class TransverseMercator : public Projection {
public:
    explicit TransverseMercator(const GeodesyParams& params);

    const char* Code() const override { return kTransverseMercatorKind.code; }
    int Id() const override { return kTransverseMercatorKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    double Convergence(double lat, double lon) const override;

    // Redfearn's series are used within a longitude offset (rad) of the central meridian where
    // they hold 0.1 mm of the exact projection, Krueger's series beyond, served up to an eta'
    // (the isometric distance from the central meridian on the conformal sphere,
    // atanh(cos chi sin dl)) where they hold 1 mm. bench/TmReach.cpp measured them against
    // GeographicLib's exact projection over all latitudes: Redfearn's worst 0.094 mm at 4.1
    // degrees (a 6500 km, 1/f 290; WGS 84 0.088 mm) and 0.086 mm at 3.2 (7000 km, 1/150);
    // Krueger's worst 0.45 mm up to eta' 1.55 and 0.42 mm up to 1.2; as served, forward and
    // inverse within 0.45 mm, the hand-over continuous to 0.094 mm. On the earth's ellipsoids
    // (f at most 1/290, a at most 6500 km):
    static constexpr double kEarthRedfearnReach = 4.1 * kPi / 180;
    static constexpr double kEarthKruegerReach = 1.55;
    // and on flatter or larger ones (to the accepted 1/150 and 7000 km):
    static constexpr double kRedfearnReach = 3.2 * kPi / 180;
    static constexpr double kKruegerReach = 1.2;
    // This set-up's longitude offset of the hand-over (rad).
    double RedfearnReach() const { return redfearnReach; }

    // The two series' forwards alone, wherever asked (for measuring their reach): grid (x, y) of
    // a latitude and longitude offset. Krueger's gives, when asked, the convergence and the
    // point scale too, and returns eta'.
    void RedfearnForward(double lat, double dlon, double& x, double& y) const;
    double KruegerForward(double lat, double dlon, double& x, double& y, double* gamma, double* k) const;

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
    // tan of the conformal latitude of a latitude of tangent tau.
    double ConformalTangent(double tau) const;
    // Krueger's inverse: the latitude and longitude offset of the normalised grid point
    // (xi, eta) = (northing from the equator, easting) / (k0 kruegerRadius); false where it is
    // not served.
    bool KruegerInverse(double xi, double eta, double& lat, double& dlon) const;
    // KruegerForward within its reach (and a quarter turn of the central meridian) only.
    bool KruegerServes(double lat, double dlon, double& x, double& y, double* gamma, double* k) const;

    double n;               // third flattening f / (2 - f)
    double ep2;             // second eccentricity squared e2 / (1 - e2)
    double B0, B2, B4, B6;  // footpoint series in powers of cos^2
    double A0, A2, A4, A6;  // rectifying series in powers of cos^2
    double r;               // rectifying radius, grid units
    double y0;              // northing of the origin, -(k0 r mu0)
    double semiMajorUnits;  // a / unit
    double seriesSafeWidth;  // D^2 (1 + T) up to which the inverse series is kept unchecked (0: none)
    double redfearnReach;    // longitude offset (rad) up to which the forward takes Redfearn's series
    double kruegerReach;     // eta' up to which Krueger's series are served
    double handOverWidth;    // D^2 (1 + T) beyond which the inverse takes Krueger's series
    double alpha[6], beta[6];  // Krueger's coefficients of the forward and the inverse
    double kruegerRadius;      // rectifying radius a (1 + n^2/4 + n^4/64 + n^6/256) / (1 + n), grid units
};
