// Shared pieces of the projection tests: degree conversion and records. The records are packed:
// compare their doubles as values (double(r.field)), never bind references to them.
#pragma once

#include <numbers>

#include "geodesy/Tellus.h"

inline constexpr double kDeg = std::numbers::pi / 180;

inline constexpr double kWgs84A = 6378137.0;
inline constexpr double kWgs84InvF = 298.257223563;

// A record on WGS 84 with every projection parameter 0 and unit metres.
inline GeodesyParams wgs84Params(int projectionId) {
    GeodesyParams p{};
    p.semiMajorAxis = kWgs84A;
    p.inverseFlattening = kWgs84InvF;
    p.projectionId = projectionId;
    p.unitFactor = 1.0;
    p.scaleFactor = 1.0;
    return p;
}

// UTM zone `zone` (north) on WGS 84.
inline GeodesyParams utmParams(int zone) {
    GeodesyParams p = wgs84Params(3);
    p.scaleFactor = 0.9996;
    p.centralMeridian = (zone * 6 - 183) * kDeg;
    p.falseEasting = 500000;
    return p;
}
