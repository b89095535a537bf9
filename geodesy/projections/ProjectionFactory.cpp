#include "geodesy/projections/ProjectionFactory.h"

#include "geodesy/projections/AZA.h"
#include "geodesy/projections/Albers.h"
#include "geodesy/projections/AzimuthEqDist.h"
#include "geodesy/projections/Cassini.h"
#include "geodesy/projections/Lambert.h"
#include "geodesy/projections/Mercator.h"
#include "geodesy/projections/ObliqueCylindrical.h"
#include "geodesy/projections/ObliqueMercator.h"
#include "geodesy/projections/PolarStereo.h"
#include "geodesy/projections/Polyconic.h"
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
    case kObliqueCylindricalKind.id: return std::make_unique<ObliqueCylindrical>(params);
    case kHotineKind.id: return std::make_unique<Hotine>(params);
    case kRsoKind.id: return std::make_unique<RSO>(params);
    case kAzimuthEqDistKind.id: return std::make_unique<AzimuthEqDist>(params);
    case kCassiniKind.id: return std::make_unique<Cassini>(params);
    case kAzaKind.id: return std::make_unique<AZA>(params);
    case kPolyconicKind.id: return std::make_unique<Polyconic>(params);
    default: break;
    }
    throw erc(TELLUS_E_PROJECTION, kSeverityError, &geodesyFacility());
}
