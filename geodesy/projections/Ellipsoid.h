// The reference ellipsoid of revolution and the ellipsoidal computations the library shares:
// radii of curvature, meridian arc, geographic <-> earth-centred cartesian, great-circle and
// rhumb-line distance and azimuth. Every projection is an Ellipsoid.
//
// Angles are radians (latitude geodetic, positive north; longitude positive east); lengths are
// metres. An Ellipsoid is immutable once built (the meridian-arc coefficients and the geodesic's
// series are computed by the constructor), so one object may serve many threads.
#pragma once

#include <optional>

#include <GeographicLib/Geodesic.hpp>

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
    // The same series from the latitude's sine and cosine as well, summed over the powers of
    // cos 2lat instead of three more sines (they differ by rounding, nanometres).
    double MeridianArc(double lat, double s, double c) const {
        const double sin2 = 2 * s * c;
        const double cos2 = (c - s) * (c + s);
        return a * (arc[0] * lat + sin2 * (arcPowers[0] + cos2 * (arcPowers[1] + cos2 * arcPowers[2])));
    }

    // Geodetic (lat, lon, ellipsoidal height h in m) to earth-centred cartesian X, Y, Z (m).
    void GeoECEF(double lat, double lon, double h, double& X, double& Y, double& Z) const;
    // Earth-centred cartesian to geodetic, within 0.1 mm of the exact conversion; a point on the
    // polar axis gets longitude 0 and, for Z = 0, latitude -pi/2. False, with NaN outputs, for a
    // point within the evolute of the meridian (inside e2 a, 43 km, of the centre: several
    // positions have it on their normal) or where the latitude does not settle (only within
    // 300 km of the centre).
    bool ECEFGeo(double X, double Y, double Z, double& lat, double& lon, double& h) const;

    // Geodesic distance (m) and, when `azimuth` is given, the azimuth at the first point,
    // clockwise from north. Ends within kMidLatitudeSeriesReach of each other in latitude and in
    // longitude (the short way round) take the Gauss mid-latitude series, within 0.1 mm of the
    // geodesic there (azimuth not normalised); every other line the exact geodesic (Karney's
    // method, GeographicLib: 15 nm), azimuth in [-pi, pi].
    double GCircLL(double lat1, double lon1, double lat2, double lon2, double* azimuth = nullptr) const;
    // Rhumb-line distance (m, never negative) and, when `azimuth` is given, the constant azimuth;
    // within 1 mm of the exact rhumb line. The longitude difference is taken the short way round
    // the globe. An end at a pole (the double nearest +-pi/2) has no longitude: the line to it is
    // the meridian, azimuth 0 or pi; both ends at one pole give 0 m.
    double RLineLL(double lat1, double lon1, double lat2, double lon2, double* azimuth = nullptr) const;

    // The exact geodesic between two points: distance (m) and, when asked, the azimuth at the
    // first point (in [-pi, pi]), the reduced length m12 (m) and the azimuth at the second point
    // (the line's heading there, in [-pi, pi]). NaN for a shape that is no ellipsoid.
    double GeodesicInverse(double lat1, double lon1, double lat2, double lon2, double* azimuth = nullptr,
                           double* reducedLength = nullptr, double* azimuth2 = nullptr) const;
    // The end of the geodesic that leaves (lat1, lon1) at `azimuth` for `distance` metres, its
    // longitude in [-pi, pi].
    void GeodesicDirect(double lat1, double lon1, double azimuth, double distance, double& lat2, double& lon2) const;

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
    // Meridian arc from the equator (m) to nanometres, for the rhumb line.
    double RectifyingArc(double lat) const;

    // Coefficients of the meridian-arc series, fixed by the constructor.
    double arc[4];
    // The sine terms of the series as sin 2lat times a polynomial in cos 2lat, lowest power first.
    double arcPowers[3];
    // Quarter-meridian scale a (1 + n^2/4 + ...) / (1 + n) and the six sine coefficients of the
    // meridian arc in the third flattening n.
    double rectifying[7];
    // The exact geodesic's series, fixed by the constructor; none for a shape that is no
    // ellipsoid (a not positive, f not below 1, either not finite).
    std::optional<GeographicLib::Geodesic> geodesic;
};

// Largest difference of latitude and of longitude (rad, about 16 km) over which GCircLL keeps
// the mid-latitude series: it stays within 0.07 mm of the geodesic there (0.13 mm at 3e-3 rad,
// 1 mm at 6e-3 rad, worst at mid-latitudes; a line over a pole has a large longitude difference).
inline constexpr double kMidLatitudeSeriesReach = 2.5e-3;

// WGS 84 (a = 6378137 m, 1/f = 298.257223563), read-only.
extern const Ellipsoid Wgs84Ellipsoid;
