// The set-up values a coordinate system may be built from, shared by every path that builds one
// (the record, the parameter file, the EPSG database) and by the editor, which refuses on OK what
// the library would refuse. Outside these ranges no class is verified, and a value there is a
// typing slip or damage, not a survey's datum.
#ifndef GEODESY_SETUPRANGES_H
#define GEODESY_SETUPRANGES_H

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

}  // namespace setupranges

#endif
