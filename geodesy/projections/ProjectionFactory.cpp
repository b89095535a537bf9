#include "geodesy/projections/ProjectionFactory.h"

#include "geodesy/projections/TransverseMercator.h"

std::unique_ptr<Projection> CreateProjection(const GeodesyParams& params) {
    // One line per class; PlateCarree has an id but is never created by it.
    switch (params.projectionId) {
    case kTransverseMercatorKind.id: return std::make_unique<TransverseMercator>(params);
    default: break;
    }
    throw erc(kUnknownProjection, kSeverityError, &geodesyFacility());
}
