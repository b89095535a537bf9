#include "geodesy/Geodesy.h"

#include <cmath>

#include "geodesy/LocalGrid.h"
#include "geodesy/SetupRanges.h"
#include "geodesy/Trace.h"
#include "geodesy/UnitTable.h"
#include "geodesy/projections/ProjectionFactory.h"

namespace {

bool allFinite(const AdjustParams& a) {
    return std::isfinite(a.originX) && std::isfinite(a.originY) && std::isfinite(a.rotation) &&
           std::isfinite(a.scale) && std::isfinite(a.translationX) && std::isfinite(a.translationY);
}

AdjustParams noAdjustment() {
    AdjustParams a{};
    a.type = kAdjustNone;
    a.scale = 1.0;
    return a;
}

}  // namespace

Geodesy::Geodesy(const GeodesyParams& params)
    : adjustment(noAdjustment()),
      vertUnit(params.unitFactor),
      horzUnitCode(unitCodeOf(params.unitFactor)),
      vertUnitCode(horzUnitCode),
      xAxisCode(kAxisEasting),
      yAxisCode(kAxisNorthing) {
    trace("Geodesy::Geodesy entered");
    // Checked in this order, before any projection is built: both 0 gives 3 (0 and NaN are out
    // of range).
    using namespace setupranges;
    if (!within(params.inverseFlattening, kMinInverseFlattening, kMaxInverseFlattening))
        throw erc(TELLUS_E_FLATTENING, kSeverityError, &geodesyFacility());
    if (!within(params.unitFactor, kMinUnitFactor, kMaxUnitFactor))
        throw erc(TELLUS_E_UNIT, kSeverityError, &geodesyFacility());
    projection = CreateProjection(params);
}

Geodesy::~Geodesy() { trace("Geodesy::~Geodesy entered"); }

// A projection fails with severity 4 in the geodesy facility, so the code alone rebuilds its
// status.
erc Geodesy::GeoXY(double& x, double& y, double lat, double lon) const {
    int code = GeoXYCode(x, y, lat, lon);
    return code ? erc(code, kSeverityError, &geodesyFacility()) : erc();
}

erc Geodesy::XYGeo(double x, double y, double& lat, double& lon) const {
    int code = XYGeoCode(x, y, lat, lon);
    return code ? erc(code, kSeverityError, &geodesyFacility()) : erc();
}

void Geodesy::GetGeodesyParams(GeodesyParams& out) const { out = projection->Params(); }

erc Geodesy::SetAdjustment(const AdjustParams& adjust) {
    if (adjust.scale == 0.0 || !allFinite(adjust)) return erc(TELLUS_E_PARAMETERS, kSeverityError, &geodesyFacility());
    adjustment = adjust;
    if ((adjust.type & kAdjustTypeMask) == kAdjustSimilarity) {
        xAxisCode = (adjust.type & kAdjustReverseX) ? kAxisWesting : kAxisEasting;
        yAxisCode = (adjust.type & kAdjustReverseY) ? kAxisSouthing : kAxisNorthing;
    }
    return erc();
}

void Geodesy::SetVertUnit(double factor) {
    vertUnit = factor == 0.0 ? HorzUnit() : factor;
    vertUnitCode = unitCodeOf(vertUnit);
}

int Geodesy::LocalNameId(int item) const {
    switch (item) {
    case 1: return horzUnitCode + kSingularId;
    case 2: return horzUnitCode + kPluralId;
    case 3: return horzUnitCode;
    case 4: return vertUnitCode + kSingularId;
    case 5: return vertUnitCode + kPluralId;
    case 6: return vertUnitCode;
    case 7: return xAxisCode + kSingularId;
    case 8: return xAxisCode;
    case 9: return yAxisCode + kSingularId;
    case 10: return yAxisCode;
    default: return 0;
    }
}
