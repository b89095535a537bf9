#include "geodesy/projections/ProjectionFactory.h"

#include "geodesy/projections/Albers.h"
#include "geodesy/projections/Lambert.h"
#include "geodesy/projections/Mercator.h"
#include "geodesy/projections/PolarStereo.h"
#include "geodesy/projections/SMerc.h"
#include "geodesy/projections/Stereographic.h"
#include "geodesy/projections/TransverseMercator.h"

std::unique_ptr<Projection> CreateProjection(const GeodesyParams& params) {
    // One line per class; PlateCarree has an id but is never created by it.
    switch (params.projectionId) {
    case kLambertKind.id: return std::make_unique<Lambert>(params);
    case kMercatorKind.id: return std::make_unique<Mercator>(params);
    case kTransverseMercatorKind.id: return std::make_unique<TransverseMercator>(params);
    case kStereographicKind.id: return std::make_unique<Stereographic>(params);
    case kSMercKind.id: return std::make_unique<SMerc>(params);
    case kAlbersKind.id: return std::make_unique<Albers>(params);
    case kPolarStereoKind.id: return std::make_unique<PolarStereo>(params);
    default: break;
    }
    throw erc(kUnknownProjection, kSeverityError, &geodesyFacility());
}
