// The set-up values a coordinate system may be built from, shared by every path that builds one
// (the record, the parameter file, the EPSG database) and by the editor, which refuses on OK what
// the library would refuse. Outside these ranges no class is verified, and a value there is a
// typing slip or damage, not a survey's datum.
#ifndef GEODESY_SETUPRANGES_H
#define GEODESY_SETUPRANGES_H

#include <cmath>
#include <numbers>

#include "geodesy/TellusRecords.h"

namespace setupranges {

// Semi-major axis (m): every ellipsoid of the EPSG dataset (6370997 to 6378388 m) with room for a
// ground-level ellipsoid raised or lowered by some kilometres.
inline constexpr double kMinSemiMajorAxis = 6.0e6;
inline constexpr double kMaxSemiMajorAxis = 7.0e6;

// Inverse flattening: the flattest ellipsoid the classes are verified on is 1/f = 290 (the EPSG
// dataset's flattest is 1/293.465; out to 290 the meridian arc series of the Cassini and
// polyconic classes, to e^6, stay within 2.5 mm, and they lose more beyond). Larger values up to
// a sphere-like 1e12 are accepted.
inline constexpr double kMinInverseFlattening = 290;
inline constexpr double kMaxInverseFlattening = 1e12;

// Metres per horizontal or vertical unit: from a millimetre to a nautical mile and beyond
// (the EPSG dataset's length units lie within 0.001 to 1852 m).
inline constexpr double kMinUnitFactor = 1e-3;
inline constexpr double kMaxUnitFactor = 1e4;

// Scale factor at the origin; 0 in a record means 1.
inline constexpr double kMinScaleFactor = 0.1;
inline constexpr double kMaxScaleFactor = 10;

// False easting and northing, in metres after the unit factor: ten earth circumferences.
inline constexpr double kMaxFalseOrigin = 4.0e8;

// Angles (degrees): latitudes within the poles, longitudes and azimuths within one turn either way.
inline constexpr double kMaxLatitudeDeg = 90;
inline constexpr double kMaxLongitudeDeg = 360;
inline constexpr double kMaxAzimuthDeg = 360;

inline bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }
// An angle within its range, degrees (a rounding of the degree factor is allowed).
inline bool angleWithin(double rad, double maxDeg) {
    return std::fabs(rad) <= maxDeg * (std::numbers::pi / 180) * (1 + 1e-12);
}

// Whether a record's set-up lies within the ranges: every field finite, and an inverse flattening
// of 0 (a sphere) and a unit or scale factor of 0 (meaning 1) accepted.
inline bool accepts(const GeodesyParams& p) {
    const double fields[] = {p.semiMajorAxis, p.inverseFlattening, p.unitFactor,   p.scaleFactor,
                             p.centralMeridian, p.referenceLatitude, p.northParallel, p.southParallel,
                             p.skewAzimuth,     p.falseEasting,      p.falseNorthing};
    for (double v : fields)
        if (!std::isfinite(v)) return false;
    const double unit = p.unitFactor == 0 ? 1.0 : p.unitFactor;
    const double scale = p.scaleFactor == 0 ? 1.0 : p.scaleFactor;
    const bool ellipsoid = within(p.semiMajorAxis, kMinSemiMajorAxis, kMaxSemiMajorAxis) &&
                           (p.inverseFlattening == 0 ||
                            within(p.inverseFlattening, kMinInverseFlattening, kMaxInverseFlattening));
    const bool grid = within(unit, kMinUnitFactor, kMaxUnitFactor) && within(scale, kMinScaleFactor, kMaxScaleFactor) &&
                      std::fabs(p.falseEasting) * unit <= kMaxFalseOrigin &&
                      std::fabs(p.falseNorthing) * unit <= kMaxFalseOrigin;
    const bool angles = angleWithin(p.referenceLatitude, kMaxLatitudeDeg) &&
                        angleWithin(p.northParallel, kMaxLatitudeDeg) && angleWithin(p.southParallel, kMaxLatitudeDeg) &&
                        angleWithin(p.centralMeridian, kMaxLongitudeDeg) && angleWithin(p.skewAzimuth, kMaxAzimuthDeg);
    return ellipsoid && grid && angles;
}

}  // namespace setupranges

#endif
