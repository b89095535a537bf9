// The reference ellipsoid of revolution and the ellipsoidal computations the library shares:
// radii of curvature, meridian arc, geographic <-> earth-centred cartesian, great-circle and
// rhumb-line distance and azimuth. Every projection is an Ellipsoid.
//
// Angles are radians (latitude geodetic, positive north; longitude positive east); lengths are
// metres. An Ellipsoid is immutable once built (the meridian-arc coefficients are computed by the
// constructor), so one object may serve many threads.
#pragma once

// One row of the ellipsoid table.
struct EllipsoidRow {
    const char* name;
    double a;                  // semi-major axis, metres
    double inverseFlattening;  // 1/f
};

// The 29 named ellipsoids, index 0 first, followed by a row whose name is null.
inline constexpr int kEllipsoidCount = 29;
extern const EllipsoidRow EllipsoidTable[kEllipsoidCount + 1];

class Ellipsoid {
public:
    // Semi-major axis a (m) and flattening f (0 describes a sphere of radius a).
    Ellipsoid(double a, double f);
    // The row `index` (0..28) of EllipsoidTable; other indices throw erc code 7.
    explicit Ellipsoid(int index);

    double SemiMajorAxis() const { return a; }
    double Flattening() const { return f; }
    double EccentricitySquared() const { return e2; }
    double Eccentricity() const { return e; }

    // Prime-vertical radius of curvature N (m).
    double RadiusN(double lat) const;
    // Meridional radius of curvature M (m).
    double RadiusM(double lat) const;
    // Meridian arc from the equator (m), signed like the latitude; series in e2 to the third power.
    double MeridianArc(double lat) const;

    // Geodetic (lat, lon, ellipsoidal height h in m) to earth-centred cartesian X, Y, Z (m).
    void GeoECEF(double lat, double lon, double h, double& X, double& Y, double& Z) const;
    // Earth-centred cartesian to geodetic; a point on the polar axis gets longitude 0 and, for
    // Z = 0, latitude -pi/2.
    void ECEFGeo(double X, double Y, double Z, double& lat, double& lon, double& h) const;

    // Distance (m) by the Gauss mid-latitude series and, when `azimuth` is given, the azimuth at
    // the first point, clockwise from north and not normalised. The longitude difference is
    // taken the short way round the globe.
    double GCircLL(double lat1, double lon1, double lat2, double lon2, double* azimuth = nullptr) const;
    // Rhumb-line distance (m, never negative) and, when `azimuth` is given, the constant azimuth.
    // The longitude difference is taken the short way round the globe.
    double RLineLL(double lat1, double lon1, double lat2, double lon2, double* azimuth = nullptr) const;

    // Name of the first table row with |a - row a| < 0.1 mm and 1/f equal to the row's to the
    // places the table states it to (half a unit in its last place, at least 1e-10), or null
    // (always null for a sphere).
    static const char* NameOf(double a, double f);
    // Name of the row `index` and, through the outputs given, its a and f; null and nothing
    // written for an index outside 0..28.
    static const char* TableEntry(int index, double* a = nullptr, double* f = nullptr);

protected:
    double a;   // semi-major axis, metres
    double f;   // flattening
    double e2;  // first eccentricity squared, 2f - f^2
    double e;   // first eccentricity

private:
    double IsometricLatitude(double lat) const;

    // Coefficients of the meridian-arc series, fixed by the constructor.
    double arc[4];
};

// WGS 84 (a = 6378137 m, 1/f = 298.257223563), read-only.
extern const Ellipsoid Wgs84Ellipsoid;
